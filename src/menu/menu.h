// The in-game settings menu: opened with the menu key or the typed "cpc", moved with the
// arrows, edited live with auto-repeat, links followed with Enter and undone with Backspace,
// drawn with the game's text and rectangles, with a status line for the actions.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "menu/catalogue.h"

namespace velmora {

struct Velmora;

inline constexpr int kMenuStackDepth = 7;
inline constexpr float kMenuStatusSeconds = 2.5f;

struct MenuStatus {
    std::array<char, 96> text{};  // the status line, NUL-terminated, empty at start
    float timer = 0.0f;           // seconds left to show it
};

struct MenuPageEntry {
    std::uint32_t page = 0;
    std::int32_t selection = 0;
};

struct MenuState {
    bool open = false;                                       // the menu is shown
    std::uint32_t currentPage = 0;                           // the page on screen
    std::int32_t selection = 0;                              // the selected row of the current page
    std::array<MenuPageEntry, kMenuStackDepth> pageStack{};  // where Backspace returns to
    std::int32_t depth = 0;                                  // used entries of pageStack, 0..7
    std::array<std::uint8_t, 256> keyLatch{};                // 1 while a key was held when last read
    float holdTime = 0.0f;                                   // seconds Left or Right has been held
    float repeatTimer = 0.0f;                                // seconds to the next repeated step
    MenuStatus status;
    std::uint32_t triggerHash = 0;  // the game's hash of "cpc", 0 until asked for
    // The page of this frame, rebuilt every frame; kept here only so its storage is reused.
    MenuPage page;
};

// Sets the status line (cut to fit) and shows it for kMenuStatusSeconds.
void setMenuStatus(MenuState& menu, const char* text);
std::string_view menuStatusText(const MenuState& menu);

// The repeat of a held Left or Right: the step direction of this frame (0, -1 or +1) from
// the press edges and the held keys, advancing the hold by the frame's wall-clock seconds.
int menuStepDirection(MenuState& menu, bool leftPressed, bool rightPressed, bool leftHeld, bool rightHeld,
                      float seconds);

// The value text of a row: ">" for a link, the number by its step for a float row, ON or OFF
// for a toggle, nothing otherwise. Held in place, so drawing a row allocates nothing.
struct MenuValueText {
    std::array<char, 64> text{};  // room for any float: -FLT_MAX with five decimals is 46 characters
    const char* c_str() const { return text.data(); }
    std::string_view view() const { return text.data(); }
};
MenuValueText menuValueText(const MenuItem& item);

// Once per frame, first in the frame.
void menuStep(Velmora& v);

}  // namespace velmora
