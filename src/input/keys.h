// Key names and key state: turning a key name from the settings file into a Windows
// virtual-key code, and reading keys with a foreground check and release edges.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "host/platform.h"

namespace velmora {

inline constexpr int kKeyCodeCount = 256;

struct KeyName {
    std::string_view name;
    std::int32_t code;
};

// The names accepted besides single upper-case letters and digits, in table order.
std::span<const KeyName> keyNameTable();

// The virtual-key code of a name: "A".."Z" and "0".."9" by their character, every other
// name looked up exactly (case-sensitive, untrimmed); -1 for an unknown or empty name.
std::int32_t keyCodeOf(std::string_view name);

// One latched-down flag per virtual-key code, shared by every release test, so that two
// settings naming the same key share one latch.
struct KeyStateTable {
    std::array<bool, kKeyCodeCount> latched{};  // seen down by keyReleased; cleared on release
};

// Down now and the game has the focus. A code outside 0..255 (an unknown name gives -1)
// is never down.
bool isKeyDown(const Platform& platform, std::int32_t code);

// True on exactly one call after a press: the first call that finds the key up (or the
// game without the focus) after a call found it down. A code outside 0..255 never
// releases and leaves the table alone.
bool keyReleased(const Platform& platform, KeyStateTable& keys, std::int32_t code);

}  // namespace velmora
