// A fresh folder for a test's files, removed again when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file in the folder and answers its full path.
    std::string write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

}  // namespace velmora::testing
