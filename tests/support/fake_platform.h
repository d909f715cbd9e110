// A stand-in for the OS seam: the focus, the keys and the file operations. One at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/platform.h"
#include "sim/host.h"

namespace velmora::testing {

class FakePlatform {
public:
    FakePlatform() {
        assert(current_ == nullptr && "one fake platform at a time");
        current_ = this;
    }
    ~FakePlatform() { current_ = nullptr; }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform table() const {
        Platform platform{};
        platform.isGameForeground = [] { return current_->foreground; };
        platform.getAsyncKeyState = [](std::int32_t code) -> std::int16_t {
            if (code < 0 || code >= 256) {
                ++current_->outOfRangeQueries;
                return 0;
            }
            // Only the bit the plug-in may read: held now. (The low bit, "pressed since the last
            // call", is unreliable across programs and never set here.)
            return current_->down[static_cast<std::size_t>(code)] ? static_cast<std::int16_t>(0x8000) : 0;
        };
        platform.replaceFile = [](const char* from, const char* to) {
            return !current_->replaceFails && std::rename(from, to) == 0;
        };
        platform.isWritableFile = [](const char* path) { return !current_->readOnly && sim::isWritableOnDisk(path); };
        platform.writeFile = [](const char* path, const void* bytes, std::size_t size) {
            const FakePlatform& f = *current_;
            if (!f.vanishOnWrite.empty()) std::remove(f.vanishOnWrite.c_str());
            if (f.writeCutAfter < 0) return sim::writeFileToDisk(path, bytes, size);
            // A write cut short: what fitted reached the disk, and the writer takes it away again.
            if (sim::writeFileToDisk(path, bytes, std::min(size, static_cast<std::size_t>(f.writeCutAfter))))
                std::remove(path);
            return false;
        };
        return platform;
    }

    bool foreground = true;
    std::array<bool, 256> down{};  // keys held, by virtual-key code
    int outOfRangeQueries = 0;     // calls with a code outside 0..255: must stay 0
    bool replaceFails = false;     // replaceFile answers false and changes nothing
    bool readOnly = false;         // every file refuses to be written, as a read-only one does
    long writeCutAfter = -1;       // writeFile fails after this many bytes, as a full disk does; -1: whole
    std::string vanishOnWrite;     // a file another program deletes as writeFile begins

private:
    static inline FakePlatform* current_ = nullptr;
};

}  // namespace velmora::testing
