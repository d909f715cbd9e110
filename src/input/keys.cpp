#include "input/keys.h"

#include <algorithm>

namespace velmora {
namespace {

// clang-format off
constexpr std::array<KeyName, 139> kKeyNames = {{
    // mouse
    {"LMB", 0x01}, {"RMB", 0x02}, {"CANCEL", 0x03}, {"MMB", 0x04}, {"XB1", 0x05}, {"XB2", 0x06},
    // editing and navigation
    {"BACKSPACE", 0x08}, {"TAB", 0x09}, {"CLEAR", 0x0C}, {"RETURN", 0x0D}, {"ALT", 0x12},
    {"PAUSE", 0x13}, {"CAPSLOCK", 0x14}, {"ESCAPE", 0x1B}, {"SPACE", 0x20}, {"PAGEUP", 0x21},
    {"PAGEDOWN", 0x22}, {"END", 0x23}, {"HOME", 0x24}, {"LEFT", 0x25}, {"UP", 0x26},
    {"RIGHT", 0x27}, {"DOWN", 0x28}, {"SELECT", 0x29}, {"PRINT", 0x2A}, {"EXECUTE", 0x2B},
    {"PRINTSCREEN", 0x2C}, {"INSERT", 0x2D}, {"DELETE", 0x2E}, {"HELP", 0x2F},
    // system
    {"LWIN", 0x5B}, {"RWIN", 0x5C}, {"APPS", 0x5D}, {"SLEEP", 0x5F},
    // number pad
    {"NUM0", 0x60}, {"NUM1", 0x61}, {"NUM2", 0x62}, {"NUM3", 0x63}, {"NUM4", 0x64},
    {"NUM5", 0x65}, {"NUM6", 0x66}, {"NUM7", 0x67}, {"NUM8", 0x68}, {"NUM9", 0x69}, {"*", 0x6A},
    {"PLUS", 0x6B}, {",", 0x6C}, {"MINUS", 0x6D}, {".", 0x6E}, {"/", 0x6F},
    // function keys
    {"F1", 0x70}, {"F2", 0x71}, {"F3", 0x72}, {"F4", 0x73}, {"F5", 0x74}, {"F6", 0x75},
    {"F7", 0x76}, {"F8", 0x77}, {"F9", 0x78}, {"F10", 0x79}, {"F11", 0x7A}, {"F12", 0x7B},
    {"F13", 0x7C}, {"F14", 0x7D}, {"F15", 0x7E}, {"F16", 0x7F}, {"F17", 0x80}, {"F18", 0x81},
    {"F19", 0x82}, {"F20", 0x83}, {"F21", 0x84}, {"F22", 0x85}, {"F23", 0x86}, {"F24", 0x87},
    {"VK_F1", 0x70}, {"VK_F2", 0x71}, {"VK_F3", 0x72}, {"VK_F4", 0x73}, {"VK_F5", 0x74},
    {"VK_F6", 0x75}, {"VK_F7", 0x76}, {"VK_F8", 0x77}, {"VK_F9", 0x78}, {"VK_F10", 0x79},
    {"VK_F11", 0x7A}, {"VK_F12", 0x7B}, {"VK_F13", 0x7C}, {"VK_F14", 0x7D}, {"VK_F15", 0x7E},
    {"VK_F16", 0x7F}, {"VK_F17", 0x80}, {"VK_F18", 0x81}, {"VK_F19", 0x82}, {"VK_F20", 0x83},
    {"VK_F21", 0x84}, {"VK_F22", 0x85}, {"VK_F23", 0x86}, {"VK_F24", 0x87},
    // locks
    {"NUMLOCK", 0x90}, {"SCROLL", 0x91},
    // modifiers
    {"LSHIFT", 0xA0}, {"RSHIFT", 0xA1}, {"LCTRL", 0xA2}, {"RCTRL", 0xA3}, {"LMENU", 0xA4},
    {"RMENU", 0xA5},
    // browser and media
    {"BROWSER_BACK", 0xA6}, {"BROWSER_FORWARD", 0xA7}, {"BROWSER_REFRESH", 0xA8},
    {"BROWSER_STOP", 0xA9}, {"BROWSER_SEARCH", 0xAA}, {"BROWSER_FAVORITES", 0xAB},
    {"BROWSER_HOME", 0xAC}, {"VOLUME_MUTE", 0xAD}, {"VOLUME_DOWN", 0xAE}, {"VOLUME_UP", 0xAF},
    {"MEDIA_NEXT_TRACK", 0xB0}, {"MEDIA_PREV_TRACK", 0xB1}, {"MEDIA_STOP", 0xB2},
    {"MEDIA_PLAY_PAUSE", 0xB3}, {"LAUNCH_MAIL", 0xB4}, {"LAUNCH_MEDIA_SELECT", 0xB5},
    {"LAUNCH_APP1", 0xB6}, {"LAUNCH_APP2", 0xB7},
    // other
    {"PLAY", 0xFA}, {"ZOOM", 0xFB},
    // punctuation
    {"VK_OEM_1", 0xBA}, {"VK_OEM_PLUS", 0xBB}, {"VK_OEM_COMMA", 0xBC}, {"VK_OEM_MINUS", 0xBD},
    {"VK_OEM_PERIOD", 0xBE}, {"VK_OEM_2", 0xBF}, {"VK_OEM_3", 0xC0}, {"VK_OEM_4", 0xDB},
    {"VK_OEM_5", 0xDC}, {"VK_OEM_6", 0xDD}, {"VK_OEM_7", 0xDE}, {"VK_OEM_8", 0xDF},
    {"VK_OEM_102", 0xE2},
}};
// clang-format on

constexpr std::array<KeyName, 139> sortedByName(std::array<KeyName, 139> names) {
    std::sort(names.begin(), names.end(), [](const KeyName& a, const KeyName& b) { return a.name < b.name; });
    return names;
}

// The same names sorted for a binary search: no table is built at load time.
constexpr std::array<KeyName, 139> kKeyNamesByName = sortedByName(kKeyNames);

constexpr bool namesUnique() {
    for (std::size_t i = 1; i < kKeyNamesByName.size(); ++i)
        if (kKeyNamesByName[i - 1].name == kKeyNamesByName[i].name) return false;
    return true;
}
static_assert(namesUnique());

bool inTable(std::int32_t code) { return code >= 0 && code < kKeyCodeCount; }

}  // namespace

std::span<const KeyName> keyNameTable() { return kKeyNames; }

std::int32_t keyCodeOf(std::string_view name) {
    if (name.size() == 1) {
        const char c = name[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    }
    const auto it = std::lower_bound(kKeyNamesByName.begin(), kKeyNamesByName.end(), name,
                                     [](const KeyName& entry, std::string_view wanted) { return entry.name < wanted; });
    if (it != kKeyNamesByName.end() && it->name == name) return it->code;
    return -1;
}

bool isKeyDown(const Platform& platform, std::int32_t code) {
    if (!inTable(code)) return false;
    if (!platform.isGameForeground()) return false;
    return (static_cast<std::uint16_t>(platform.getAsyncKeyState(code)) & 0x8000u) != 0;
}

bool keyReleased(const Platform& platform, KeyStateTable& keys, std::int32_t code) {
    if (!inTable(code)) return false;
    bool& latched = keys.latched[static_cast<std::size_t>(code)];
    if (isKeyDown(platform, code)) {
        latched = true;
        return false;
    }
    // Up, or the game lost the focus: either way a latched key counts as released.
    const bool released = latched;
    latched = false;
    return released;
}

}  // namespace velmora
