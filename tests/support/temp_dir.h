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

// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// Text as Notepad saves it as "Unicode" (UTF-16, little endian) or "Unicode big endian":
// the mark, then each byte of `text` as one code unit (so ASCII or Latin-1 text only).
std::string asUtf16(std::string_view text, bool bigEndian = false);

}  // namespace velmora::testing
