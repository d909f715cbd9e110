// A stand-in for the OS seam: the focus and the keys.
#pragma once

#include <array>
#include <string>
#include <cstdint>

#include "host/platform.h"

namespace velmora::testing {

class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform table() const;

    bool foreground = true;
    std::array<bool, 256> down{};  // keys held, by virtual-key code
    int outOfRangeQueries = 0;     // calls with a code outside 0..255: must stay 0
    bool replaceFails = false;     // replaceFile answers false and changes nothing
    bool readOnly = false;         // every file refuses to be written, as a read-only one does
    // writeFile stops after this many bytes and fails, as a full disk does (0: nothing
    // written at all); -1 writes whole.
    long writeCutAfter = -1;
    // A file that disappears (deleted by the player or another program) when writeFile begins.
    std::string vanishOnWrite;

private:
    static FakePlatform* current_;
};

}  // namespace velmora::testing
