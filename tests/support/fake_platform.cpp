#include "support/fake_platform.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "sim/host.h"

namespace velmora::testing {

FakePlatform* FakePlatform::current_ = nullptr;

FakePlatform::FakePlatform() {
    assert(current_ == nullptr && "one fake platform at a time");
    current_ = this;
}

FakePlatform::~FakePlatform() { current_ = nullptr; }

Platform FakePlatform::table() const {
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
        if (current_->replaceFails) return false;
        return std::rename(from, to) == 0;
    };
    platform.isWritableFile = [](const char* path) { return !current_->readOnly && sim::isWritableOnDisk(path); };
    platform.writeFile = [](const char* path, const void* bytes, std::size_t size) {
        const FakePlatform& f = *current_;
        if (!f.vanishOnWrite.empty()) std::remove(f.vanishOnWrite.c_str());
        if (f.writeCutAfter < 0) return sim::writeFileToDisk(path, bytes, size);
        // A write cut short: what fitted reached the disk, and the writer takes it away again.
        const auto kept = std::min(size, static_cast<std::size_t>(f.writeCutAfter));
        if (sim::writeFileToDisk(path, bytes, kept)) std::remove(path);
        return false;
    };
    return platform;
}

}  // namespace velmora::testing
