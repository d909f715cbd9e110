// What every page of the settings menu holds: its title and its rows, each row bound to a
// setting, or opening a page, or running an action. Rebuilt on every request, so a row
// always shows the live value of its setting.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/settings.h"

namespace velmora {

enum class MenuItemKind : std::int32_t { PageLink = 0, Float = 1, Toggle = 3, Action = 4, Plain = 5 };

enum MenuPageId : std::uint32_t {
    kRootPage = 0,
    kFirstPersonPage = 1,
    kPresetsPage = 2,
    kThirdPersonPage = 3,
    kNearCameraPage = 4,
    kMediumCameraPage = 5,
    kFarCameraPage = 6,
    kFeelPage = 7,
};

// Action codes of the rows (the user slots take 100 + 10·group + 2·(slot - 1), and one more
// to load).
enum MenuActionCode : std::int32_t {
    kSaveAllAction = 1,
    kPreset1Action = 2,
    kPreset2Action = 3,
    kPreset3Action = 4,
    kFirstPersonResetAction = 5,
    kNearResetAction = 6,
    kMediumResetAction = 7,
    kFarResetAction = 8,
    kFeelResetAction = 9,
    kFirstSlotAction = 100,
};

// Labels, descriptions and titles are string literals: nothing is copied when a page is
// built, and each view's data() ends in the NUL the game's text call needs.
struct MenuItem {
    std::string_view label;
    MenuItemKind kind = MenuItemKind::Plain;
    float* value = nullptr;  // the number a float row shows and edits
    bool* flag = nullptr;    // the switch a toggle row shows and flips
    float step = 0.01f;      // added or taken away by one press on a float row
    std::int32_t code = 0;   // the page a link opens, or the action an action row runs
    std::string_view description;
};

// The longest page holds 18 rows.
inline constexpr std::size_t kMaxMenuRows = 24;

// One page, built in place: the menu rebuilds it every frame it is open, so it owns no heap.
struct MenuPage {
    std::string_view title;
    std::array<MenuItem, kMaxMenuRows> rows{};
    std::size_t count = 0;

    void add(const MenuItem& item) {
        if (count < rows.size()) rows[count++] = item;
    }
    MenuItem& operator[](std::size_t i) { return rows[i]; }
    const MenuItem& operator[](std::size_t i) const { return rows[i]; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
};

// Empties the page's rows, then fills its title and rows; a page above 7 leaves no rows and
// the title as it was.
void buildMenuPage(SettingsRecord& settings, std::uint32_t page, MenuPage& items);

// The six user-slot rows of a group (0 first person, 1 near, 2 medium, 3 far).
void appendSlotItems(MenuPage& items, int group);

}  // namespace velmora
