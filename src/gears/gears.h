// The link to the manual-transmission plug-in Gears.asi, when it is loaded in the process:
// its exports are bound once at start-up, and its three look queries back up the look keys.
#pragma once

#include <array>

namespace velmora {

struct Velmora;

// The plug-in's exports, in the order they are bound.
inline constexpr std::array<const char*, 16> kGearsExportNames = {
    "MT_GetVersion",           "MT_IsActive",           "MT_SetActive",
    "MT_NeutralGear",          "MT_GetShiftMode",       "MT_SetShiftMode",
    "MT_GetShiftIndicator",    "MT_AddIgnoreVehicle",   "MT_DelIgnoreVehicle",
    "MT_ClearIgnoredVehicles", "MT_NumIgnoredVehicles", "MT_GetIgnoredVehicles",
    "MT_GetManagedVehicle",    "MT_LookingLeft",        "MT_LookingRight",
    "MT_LookingBack",
};

enum class GearsLook { Left = 13, Right = 14, Back = 15 };  // their places in the export list

struct GearsLink {
    void* gearsModule = nullptr;      // the loaded Gears.asi, or null
    bool gearsLinked = false;         // bound at start-up
    std::array<void*, 16> exports{};  // addresses by export order; null when missing
};

void linkGears(Velmora& v);
void unlinkGears(Velmora& v);

// Asks the linked plug-in for a look. An export it lacks answers false.
bool gearsLooking(const Velmora& v, GearsLook look);

}  // namespace velmora
