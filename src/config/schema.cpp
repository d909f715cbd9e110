#include "config/schema.h"

#include <array>
#include <cstdio>

namespace velmora {
namespace {

// A row of the table under construction; the modifiers read like the table's columns.
struct Row : SettingKey {
    constexpr Row chained(const char* from) const {
        Row r = *this;
        r.fallback = Fallback::Chained;
        r.chainedFrom = from;
        return r;
    }
    constexpr Row loadDefault(float value) const {
        Row r = *this;
        r.fallback = Fallback::Fixed;
        r.fixedDefault = value;
        return r;
    }
    constexpr Row clamp(float lo, float hi) const {
        Row r = *this;
        r.clamped = true;
        r.clampMin = lo;
        r.clampMax = hi;
        return r;
    }
    constexpr Row range(float lo, float hi) const {
        Row r = *this;
        r.ranged = true;
        r.rangeMin = lo;
        r.rangeMax = hi;
        return r;
    }
    constexpr Row saved(int order) const {
        Row r = *this;
        r.saveOrder = order;
        return r;
    }
    constexpr Row notLoaded() const {
        Row r = *this;
        r.loaded = false;
        return r;
    }
};

constexpr Row number(const char* section, const char* key, float* (*f)(SettingsRecord&), const char* help) {
    Row r{};
    r.section = section;
    r.key = key;
    r.form = ValueForm::Number;
    r.field.number = f;
    r.help = help;
    return r;
}

constexpr Row integer(const char* section, const char* key, std::int32_t* (*f)(SettingsRecord&), const char* help) {
    Row r = number(section, key, nullptr, help);
    r.form = ValueForm::Integer;
    r.field.integer = f;
    return r;
}

constexpr Row flag(ValueForm form, const char* section, const char* key, bool* (*f)(SettingsRecord&),
                   const char* help) {
    Row r = number(section, key, nullptr, help);
    r.form = form;
    r.field.flag = f;
    return r;
}

constexpr Row toggle(const char* section, const char* key, bool* (*f)(SettingsRecord&), const char* help) {
    return flag(ValueForm::Switch, section, key, f, help);
}

constexpr Row intToggle(const char* section, const char* key, bool* (*f)(SettingsRecord&), const char* help) {
    return flag(ValueForm::IntegerSwitch, section, key, f, help);
}

constexpr Row keyName(const char* section, const char* key, std::string* (*f)(SettingsRecord&), const char* help) {
    Row r = number(section, key, nullptr, help);
    r.form = ValueForm::KeyName;
    r.field.text = f;
    return r;
}

#define FIELD(path) [](SettingsRecord& s) { return &s.path; }

constexpr const char* kKeys = "keyMappings";
constexpr const char* k3rd = "3rdPersonView";
constexpr const char* k1st = "1stPersonView";
constexpr const char* kGeneral = "general";
constexpr const char* kInput = "input";

// clang-format off
constexpr std::array<SettingKey, 88> kSettingKeys = {{
    // keyMappings
    keyName(kKeys, "reloadSettingsKey", FIELD(keyMappings.reloadSettingsKey), "Key that reloads this file while playing"),
    keyName(kKeys, "toggleModKey", FIELD(keyMappings.toggleModKey), "Key that switches Velmora on and off"),
    keyName(kKeys, "lookLeftKey", FIELD(keyMappings.lookLeftKey), "Hold to look left"),
    keyName(kKeys, "lookRightKey", FIELD(keyMappings.lookRightKey), "Hold to look right; both look keys together look back"),
    integer(kKeys, "menuKeyCode", FIELD(keyMappings.menuKeyCode), "Windows virtual-key code (a number, not a name) that opens the settings menu; 122 is F11"),

    // 3rdPersonView: the base values come first, because the per-camera keys fall back to them
    number(k3rd, "distanceOffset", FIELD(thirdPersonView.distanceOffset), "Metres; what the three distanceOffset keys take when they are absent").saved(22).range(-5.0f, 10.0f),
    number(k3rd, "heightOffset", FIELD(thirdPersonView.heightOffset), "Degrees; what the three heightOffset keys take when they are absent").saved(23).range(-20.0f, 20.0f),
    number(k3rd, "cameraAngle", FIELD(thirdPersonView.cameraAngle), "Degrees; what the three angle keys take when they are absent").clamp(0.0f, 20.0f).saved(21),
    intToggle(k3rd, "DynamicFov", FIELD(thirdPersonView.DynamicFov), "Widen the chase field of view with speed"),
    number(k3rd, "DynamicFovMin", FIELD(thirdPersonView.DynamicFovMin), "Chase field of view at standstill with DynamicFov, in degrees").loadDefault(68.0f).range(30.0f, 120.0f),
    number(k3rd, "DynamicFovMax", FIELD(thirdPersonView.DynamicFovMax), "Chase field of view at DynamicFovMaxAtSpeed, in degrees").loadDefault(75.0f).range(30.0f, 120.0f),
    number(k3rd, "DynamicFovMaxAtSpeed", FIELD(thirdPersonView.DynamicFovMaxAtSpeed), "Speed in metres per second at which DynamicFovMax is reached").loadDefault(60.0f).range(0.0f, 150.0f),
    intToggle(k3rd, "DynamicFovMaxLimit", FIELD(thirdPersonView.DynamicFovMaxLimit), "Stop widening past DynamicFovMaxAtSpeed"),
    number(k3rd, "fov", FIELD(thirdPersonView.fov), "Field of view of a new chase camera in degrees; what the three fov keys take when absent").saved(20).range(30.0f, 120.0f),
    number(k3rd, "lookLeftAngle", FIELD(thirdPersonView.lookLeftAngle), "Degrees of the chase view's look to the RIGHT (lookRightKey, or Gears.asi's look right)").range(0.0f, 180.0f),
    number(k3rd, "distanceNear", FIELD(thirdPersonView.perCamera.distance[Near]), "Near camera: distance behind the car, in metres").saved(26).range(-2.0f, 15.0f),
    number(k3rd, "distanceMedium", FIELD(thirdPersonView.perCamera.distance[Medium]), "Medium camera: distance behind the car, in metres").saved(27).range(-2.0f, 15.0f),
    number(k3rd, "distanceFar", FIELD(thirdPersonView.perCamera.distance[Far]), "Far camera: distance behind the car, in metres").saved(28).range(-2.0f, 15.0f),
    number(k3rd, "heightNear", FIELD(thirdPersonView.perCamera.height[Near]), "Near camera: height of the camera, in metres").saved(29).range(-1.0f, 5.0f),
    number(k3rd, "heightMedium", FIELD(thirdPersonView.perCamera.height[Medium]), "Medium camera: height of the camera, in metres").saved(30).range(-1.0f, 5.0f),
    number(k3rd, "heightFar", FIELD(thirdPersonView.perCamera.height[Far]), "Far camera: height of the camera, in metres").saved(31).range(-1.0f, 5.0f),
    number(k3rd, "fovNear", FIELD(thirdPersonView.perCamera.fov[Near]), "Near camera: field of view in degrees; absent: fov").chained("fov").saved(32).range(30.0f, 120.0f),
    number(k3rd, "fovMedium", FIELD(thirdPersonView.perCamera.fov[Medium]), "Medium camera: field of view in degrees; absent: fov").chained("fov").saved(33).range(30.0f, 120.0f),
    number(k3rd, "fovFar", FIELD(thirdPersonView.perCamera.fov[Far]), "Far camera: field of view in degrees; absent: fov").chained("fov").saved(34).range(30.0f, 120.0f),
    number(k3rd, "angleNear", FIELD(thirdPersonView.perCamera.angle[Near]), "Near camera: downward angle in degrees, higher looks further down the road; absent: cameraAngle").chained("cameraAngle").saved(35).range(0.0f, 20.0f),
    number(k3rd, "angleMedium", FIELD(thirdPersonView.perCamera.angle[Medium]), "Medium camera: downward angle in degrees; absent: cameraAngle").chained("cameraAngle").saved(36).range(0.0f, 20.0f),
    number(k3rd, "angleFar", FIELD(thirdPersonView.perCamera.angle[Far]), "Far camera: downward angle in degrees; absent: cameraAngle").chained("cameraAngle").saved(37).range(0.0f, 20.0f),
    number(k3rd, "distanceOffsetNear", FIELD(thirdPersonView.perCamera.distanceOffset[Near]), "Near camera: fine trim of the distance in metres; absent: distanceOffset").chained("distanceOffset").saved(38).range(-5.0f, 10.0f),
    number(k3rd, "distanceOffsetMedium", FIELD(thirdPersonView.perCamera.distanceOffset[Medium]), "Medium camera: fine trim of the distance in metres; absent: distanceOffset").chained("distanceOffset").saved(39).range(-5.0f, 10.0f),
    number(k3rd, "distanceOffsetFar", FIELD(thirdPersonView.perCamera.distanceOffset[Far]), "Far camera: fine trim of the distance in metres; absent: distanceOffset").chained("distanceOffset").saved(40).range(-5.0f, 10.0f),
    number(k3rd, "heightOffsetNear", FIELD(thirdPersonView.perCamera.heightOffset[Near]), "Near camera: aims the view up (+) or down (-) in degrees; absent: heightOffset").chained("heightOffset").saved(41).range(-20.0f, 20.0f),
    number(k3rd, "heightOffsetMedium", FIELD(thirdPersonView.perCamera.heightOffset[Medium]), "Medium camera: aims the view up (+) or down (-) in degrees; absent: heightOffset").chained("heightOffset").saved(42).range(-20.0f, 20.0f),
    number(k3rd, "heightOffsetFar", FIELD(thirdPersonView.perCamera.heightOffset[Far]), "Far camera: aims the view up (+) or down (-) in degrees; absent: heightOffset").chained("heightOffset").saved(43).range(-20.0f, 20.0f),
    number(k3rd, "CameraSwitchSpeed", FIELD(thirdPersonView.CameraSwitchSpeed), "How fast the chase camera blends to another distance, per second").range(0.1f, 20.0f),
    number(k3rd, "lookRightAngle", FIELD(thirdPersonView.lookRightAngle), "Degrees of the chase view's look to the LEFT (lookLeftKey, or Gears.asi's look left)").range(0.0f, 180.0f),
    number(k3rd, "InertiaForce", FIELD(thirdPersonView.InertiaForce), "Inertia force as set in the menu (Feel and tracking)").saved(24).range(0.0f, 5.0f),

    // 1stPersonView
    number(k1st, "fov", FIELD(firstPersonView.fov), "Field of view in degrees; higher shows more of the cabin").saved(1).range(30.0f, 120.0f),
    number(k1st, "heightOffset", FIELD(firstPersonView.heightOffset), "Raises (+) or lowers (-) the eyes, in metres").saved(2).range(-0.5f, 0.5f),
    number(k1st, "forwardOffset", FIELD(firstPersonView.forwardOffset), "Metres; negative pulls back from the wheel, positive leans in").saved(3).range(-0.5f, 0.5f),
    number(k1st, "lookLeftAngle", FIELD(firstPersonView.lookLeftAngle), "Degrees of the first-person look to the RIGHT (lookRightKey, or Gears.asi's look right)").range(0.0f, 180.0f),
    number(k1st, "lookRightAngle", FIELD(firstPersonView.lookRightAngle), "Degrees of the first-person look to the LEFT (lookLeftKey, or Gears.asi's look left)").range(0.0f, 180.0f),
    toggle(k1st, "InertiaEffects", FIELD(firstPersonView.InertiaEffects), "Acceleration and braking shift the camera"),
    toggle(k1st, "TerrainShake", FIELD(firstPersonView.TerrainShake), "Vibration over potholes, kerbs and rough ground").saved(16),
    number(k1st, "ShakeTerrain", FIELD(firstPersonView.ShakeTerrain), "How hard bumps hit the camera").saved(17).range(0.0f, 0.1f),
    number(k1st, "ShakeSpeed", FIELD(firstPersonView.ShakeSpeed), "How much speed alone shakes the camera").range(0.0f, 0.1f),
    number(k1st, "ShakeMaxOffset", FIELD(firstPersonView.ShakeMaxOffset), "The shake never moves the camera further than this, in metres").saved(18).range(0.0f, 0.5f),
    number(k1st, "ShakeRotation", FIELD(firstPersonView.ShakeRotation), "How much bumps also turn the view").saved(19).range(0.0f, 5.0f),
    number(k1st, "EngineVibration", FIELD(firstPersonView.EngineVibration), "Height of the engine vibration, in metres").range(0.0f, 0.05f),
    toggle(k1st, "HeadLean", FIELD(firstPersonView.HeadLean), "The head leans into corners and with braking"),
    number(k1st, "LeanLateral", FIELD(firstPersonView.LeanLateral), "Sideways lean per metre per second of sideways speed").range(0.0f, 0.5f),
    number(k1st, "LeanForward", FIELD(firstPersonView.LeanForward), "Forward lean per unit of speed change").range(0.0f, 0.5f),
    number(k1st, "HorizonLock", FIELD(firstPersonView.HorizonLock), "0 rolls with the car, 1 keeps the horizon level").range(0.0f, 1.0f),
    number(k1st, "sideOffset", FIELD(firstPersonView.sideOffset), "Moves the eyes across the seat, in metres").saved(4).range(-0.5f, 0.5f),
    number(k1st, "HeadFollowRate", FIELD(firstPersonView.HeadFollowRate), "How tightly the camera sticks to the head, per second").saved(8).range(1.0f, 60.0f),
    number(k1st, "MaxInertiaShift", FIELD(firstPersonView.MaxInertiaShift), "How far acceleration may push the camera, in metres").saved(9).range(0.0f, 0.5f),
    number(k1st, "LeanLateralLimit", FIELD(firstPersonView.LeanLateralLimit), "Largest sideways lean, in metres").range(0.0f, 0.5f),
    number(k1st, "LeanForwardLimit", FIELD(firstPersonView.LeanForwardLimit), "Largest forward lean, in metres").range(0.0f, 0.5f),
    integer(k1st, "MountPoint", FIELD(firstPersonView.MountPoint), "0 follows the driver's head; any other number fixes the eyes to the car"),
    number(k1st, "EyePlaneMargin", FIELD(firstPersonView.EyePlaneMargin), "Safety distance kept in front of the head, in metres").saved(10).range(0.0f, 0.5f),
    toggle(k1st, "EyePlaneGuard", FIELD(firstPersonView.EyePlaneGuard), "Stops the camera slipping behind the head").saved(11),
    toggle(k1st, "HeadSpaceOffsets", FIELD(firstPersonView.HeadSpaceOffsets), "The offsets follow the view; off: they follow the car"),
    toggle(k1st, "NoHeavyBrakeAnimation", FIELD(firstPersonView.NoHeavyBrakeAnimation), "Keeps the driver from lurching forward under hard braking"),
    toggle(k1st, "DeclareFirstPersonToEngine", FIELD(firstPersonView.DeclareFirstPersonToEngine), "Tells the game a first-person view is showing"),
    toggle(k1st, "UseOwnFirstPersonCamera", FIELD(firstPersonView.UseOwnFirstPersonCamera), "Off hands first person back to the game's own camera"),
    number(k1st, "PhoneOverlayScale", FIELD(firstPersonView.PhoneOverlayScale), "Scale of the phone overlay; 0.999 or more leaves it to the game").range(0.0f, 1.0f),
    number(k1st, "LookWeight", FIELD(firstPersonView.LookWeight), "Lower feels heavier when you look around; 0 or less turns the smoothing off").saved(13).range(0.0f, 60.0f),
    number(k1st, "RecenterTime", FIELD(firstPersonView.RecenterTime), "Seconds the view takes to drift back to its resting point").saved(14).range(0.0f, 10.0f),
    number(k1st, "RecenterEase", FIELD(firstPersonView.RecenterEase), "Higher settles more softly at the end; 1 returns evenly").saved(15).range(0.5f, 5.0f),
    toggle(k1st, "DeclareFirstPersonWhileAiming", FIELD(firstPersonView.DeclareFirstPersonWhileAiming), "Keep telling the game about first person while aiming"),
    toggle(k1st, "SpecialAbilityFix", FIELD(firstPersonView.SpecialAbilityFix), "Follow the head in real time, so slow motion does not drag the camera"),
    number(k1st, "LookYawLimitLeft", FIELD(firstPersonView.LookYawLimitLeft), "Furthest look to the left of the car's heading, in degrees").range(0.0f, 180.0f),
    number(k1st, "LookYawLimitRight", FIELD(firstPersonView.LookYawLimitRight), "Furthest look to the right of the car's heading, in degrees").range(0.0f, 180.0f),
    number(k1st, "LookPitchMin", FIELD(firstPersonView.LookPitchMin), "Furthest look down, in degrees (negative)").range(-90.0f, 0.0f),
    number(k1st, "LookPitchMax", FIELD(firstPersonView.LookPitchMax), "Furthest look up, in degrees").range(0.0f, 90.0f),
    integer(k1st, "VehicleModelInfoFlagsOffset", FIELD(firstPersonView.VehicleModelInfoFlagsOffset), "Found automatically in the game's code at every start (this value is used only when that fails); not for hand editing: leave it as it is"),
    number(k1st, "pitchOffset", FIELD(firstPersonView.pitchOffset), "Tilts the view down (-) or up (+) without moving it, in degrees").saved(5).range(-30.0f, 30.0f),
    number(k1st, "yawOffset", FIELD(firstPersonView.yawOffset), "Turns the view sideways without moving it, in degrees").saved(6).range(-30.0f, 30.0f),
    number(k1st, "rollOffset", FIELD(firstPersonView.rollOffset), "Leans the horizon, in degrees").saved(7).range(-30.0f, 30.0f),
    toggle(k1st, "SpeedZoom", FIELD(firstPersonView.SpeedZoom), "Widen the field of view with speed"),
    number(k1st, "SpeedZoomAmount", FIELD(firstPersonView.SpeedZoomAmount), "Extra field of view gained with speed, in degrees").saved(12).range(0.0f, 40.0f),
    number(k1st, "SpeedZoomAtSpeed", FIELD(firstPersonView.SpeedZoomAtSpeed), "Speed in metres per second that gives the full zoom").range(1.0f, 150.0f),
    number(k1st, "SpeedZoomSmoothing", FIELD(firstPersonView.SpeedZoomSmoothing), "How quickly the zoom follows the speed, per second").range(0.1f, 20.0f),

    // general
    intToggle(kGeneral, "GetInputFromGearsAsi", FIELD(general.GetInputFromGearsAsi), "Take look-left, look-right and look-back from Gears.asi when it is loaded"),

    // input
    number(kInput, "gamepadDeadzone", FIELD(input.gamepadDeadzone), "Radial dead zone of the look stick; 1 or more turns the stick off").clamp(0.0f, 1.0f),
    intToggle(kInput, "gamepadEasing", FIELD(input.gamepadEasing), "Gentler response near the stick's centre"),
    number(kInput, "gamepadSensibility", FIELD(input.gamepadSensibility), "Look speed of the stick").range(0.05f, 10.0f),
    number(kInput, "mouseSensibility", FIELD(input.mouseSensibility), "Look speed of the mouse").range(0.05f, 10.0f),

    // Written by the save action only; the loader never reads it back.
    toggle(k3rd, "InertiaAffectsPitch", FIELD(InertiaAffectsPitch), "Lets the inertia tilt the view as well as move it (menu setting; not read back)").saved(25).notLoaded(),
}};
// clang-format on

constexpr std::array<const char*, 5> kSections = {kKeys, k3rd, k1st, kGeneral, kInput};

constexpr bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

constexpr int indexOf(std::string_view section, std::string_view key) {
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        if (equalNoCase(kSettingKeys[i].section, section) && equalNoCase(kSettingKeys[i].key, key))
            return static_cast<int>(i);
    }
    return -1;
}

// The table's promises, checked by the compiler: chained defaults point back to a number
// read earlier in the same section; save places are unique and run 1..43.
constexpr bool chainsReadEarlier() {
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const SettingKey& k = kSettingKeys[i];
        if (k.fallback != Fallback::Chained) continue;
        const int from = indexOf(k.section, k.chainedFrom);
        if (from < 0 || from >= static_cast<int>(i)) return false;
        if (kSettingKeys[static_cast<std::size_t>(from)].form != ValueForm::Number) return false;
    }
    return true;
}
static_assert(chainsReadEarlier());

constexpr bool savePlacesUnique() {
    std::array<int, 44> seen{};
    for (const SettingKey& k : kSettingKeys) {
        if (k.saveOrder == 0) continue;
        if (k.saveOrder < 1 || k.saveOrder > kSavedSettingCount || seen[static_cast<std::size_t>(k.saveOrder)]++)
            return false;
    }
    for (std::size_t i = 1; i <= 43; ++i)
        if (seen[i] != 1) return false;
    return true;
}
static_assert(savePlacesUnique());

constexpr std::array<SlotKey, 7> kFirstPersonSlotKeys = {{
    {"fov", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.fov; }, "Field of view"},
    {"heightOffset", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.heightOffset; }, "Height offset"},
    {"forwardOffset", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.forwardOffset; },
     "Forward offset"},
    {"sideOffset", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.sideOffset; }, "Side offset"},
    {"pitchOffset", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.pitchOffset; }, "Pitch offset"},
    {"rollOffset", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.rollOffset; }, "Roll offset"},
    {"HeadFollowRate", [](SettingsRecord& s, CameraIndex) { return &s.firstPersonView.HeadFollowRate; },
     "Head follow rate"},
}};

constexpr std::array<SlotKey, 6> kCameraSlotKeys = {{
    {"fov", [](SettingsRecord& s, CameraIndex c) { return &s.thirdPersonView.perCamera.fov[c]; }, "Field of view"},
    {"distance", [](SettingsRecord& s, CameraIndex c) { return &s.thirdPersonView.perCamera.distance[c]; }, "Distance"},
    {"height", [](SettingsRecord& s, CameraIndex c) { return &s.thirdPersonView.perCamera.height[c]; }, "Height"},
    {"angle", [](SettingsRecord& s, CameraIndex c) { return &s.thirdPersonView.perCamera.angle[c]; }, "Camera angle"},
    {"distanceOffset", [](SettingsRecord& s, CameraIndex c) { return &s.thirdPersonView.perCamera.distanceOffset[c]; },
     "Distance offset"},
    {"heightOffset", [](SettingsRecord& s, CameraIndex c) { return &s.thirdPersonView.perCamera.heightOffset[c]; },
     "Aim up or down"},
}};

}  // namespace

std::span<const SettingKey> settingKeys() { return kSettingKeys; }

std::span<const char* const> settingSections() { return kSections; }

const SettingKey* savedSettingKey(int place) {
    for (const SettingKey& key : kSettingKeys)
        if (key.saveOrder == place && place >= 1) return &key;
    return nullptr;
}

const SettingKey* findSettingKey(std::string_view section, std::string_view key) {
    const int i = indexOf(section, key);
    return i < 0 ? nullptr : &kSettingKeys[static_cast<std::size_t>(i)];
}

const char* slotGroupName(SlotGroup group) {
    switch (group) {
        case SlotGroup::FirstPerson:
            return "FirstPerson";
        case SlotGroup::Near:
            return "Near";
        case SlotGroup::Medium:
            return "Medium";
        case SlotGroup::Far:
            return "Far";
    }
    return "";
}

std::string slotSectionName(SlotGroup group, int slot) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Preset.%s.Slot%d", slotGroupName(group), slot);
    return buffer;
}

std::span<const SlotKey> slotKeys(SlotGroup group) {
    if (group == SlotGroup::FirstPerson) return kFirstPersonSlotKeys;
    return kCameraSlotKeys;
}

// The accessors take a mutable record; reading through them never writes.
float numberField(const SettingsRecord& settings, const SettingKey& key) {
    return *key.field.number(const_cast<SettingsRecord&>(settings));
}
std::int32_t integerField(const SettingsRecord& settings, const SettingKey& key) {
    return *key.field.integer(const_cast<SettingsRecord&>(settings));
}
bool flagField(const SettingsRecord& settings, const SettingKey& key) {
    return *key.field.flag(const_cast<SettingsRecord&>(settings));
}
const std::string& textField(const SettingsRecord& settings, const SettingKey& key) {
    return *key.field.text(const_cast<SettingsRecord&>(settings));
}

}  // namespace velmora
