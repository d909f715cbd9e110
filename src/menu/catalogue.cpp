#include "menu/catalogue.h"

namespace velmora {
namespace {

MenuItem link(const char* label, std::uint32_t page, const char* description = "") {
    MenuItem item;
    item.label = label;
    item.kind = MenuItemKind::PageLink;
    item.code = static_cast<std::int32_t>(page);
    item.description = description;
    return item;
}

MenuItem number(const char* label, float& value, float step, const char* description = "") {
    MenuItem item;
    item.label = label;
    item.kind = MenuItemKind::Float;
    item.value = &value;
    item.step = step;
    item.description = description;
    return item;
}

MenuItem toggle(const char* label, bool& flag, const char* description = "") {
    MenuItem item;
    item.label = label;
    item.kind = MenuItemKind::Toggle;
    item.flag = &flag;
    item.description = description;
    return item;
}

MenuItem action(const char* label, std::int32_t code, const char* description = "") {
    MenuItem item;
    item.label = label;
    item.kind = MenuItemKind::Action;
    item.code = code;
    item.description = description;
    return item;
}

void rootPage(MenuPage& items) {
    items.add(
        link("First person settings", kFirstPersonPage, "Field of view, camera position and feel inside the car"));
    items.add(link("Third person cameras", kThirdPersonPage,
                   "The three distances cycled with V, and how they follow the car"));
    items.add(
        action("Save everything to the ini", kSaveAllAction, "Writes the current values so they survive a restart"));
}

void firstPersonPage(SettingsRecord& s, MenuPage& items) {
    FirstPersonView& f = s.firstPersonView;
    items.add(toggle("Use own first person camera", f.UseOwnFirstPersonCamera,
                     "Off hands first person back to the game. Everything below only applies when this is on"));
    items.add(link("Presets", kPresetsPage, "Ready made setups and your own saved slots"));
    items.add(number("Field of view", f.fov, 0.25f, "How wide the view is. Higher shows more of the cabin"));
    items.add(number("Height offset", f.heightOffset, 0.002f, "Raises or lowers the eyes"));
    items.add(
        number("Forward offset", f.forwardOffset, 0.002f, "Negative pulls back from the wheel, positive leans in"));
    items.add(number("Side offset", f.sideOffset, 0.002f, "Moves the eyes across the seat"));
    items.add(number("Pitch offset", f.pitchOffset, 0.1f, "Tilts the view down or up without moving it"));
    items.add(number("Yaw offset", f.yawOffset, 0.1f, "Turns the view sideways without moving it"));
    items.add(number("Roll offset", f.rollOffset, 0.1f, "Leans the horizon"));
    items.add(number("Head follow rate", f.HeadFollowRate, 0.5f, "How tightly the camera sticks to the head"));
    items.add(number("Max inertia shift", f.MaxInertiaShift, 0.002f, "How far acceleration may push the camera"));
    items.add(number("Eye plane margin", f.EyePlaneMargin, 0.002f, "Safety distance kept in front of the head"));
    items.add(toggle("Eye plane guard", f.EyePlaneGuard, "Stops the camera slipping behind the head"));
    items.add(number("Speed zoom amount", f.SpeedZoomAmount, 0.5f, "Extra field of view gained with speed"));
    items.add(number("Look weight", f.LookWeight, 0.5f,
                     "Lower feels heavier. This is the sense of mass when you look around"));
    items.add(
        number("Recenter time", f.RecenterTime, 0.05f, "Seconds the view takes to drift back to its resting point"));
    items.add(number("Recenter ease", f.RecenterEase, 0.1f, "Higher settles more softly at the end"));
    items.add(action("Reset to defaults", kFirstPersonResetAction, "Back to the tuned first person setup"));
}

void presetsPage(MenuPage& items) {
    items.add(action("Preset 1  -  recommended", kPreset1Action, "fov 61, pulled back slightly, weighted tracking"));
    items.add(action("Preset 2  -  closer", kPreset2Action, "fov 59, a little nearer the wheel"));
    items.add(action("Preset 3  -  neutral", kPreset3Action, "fov 55, no offsets, closest to stock framing"));
    appendSlotItems(items, 0);
}

void thirdPersonPage(MenuPage& items) {
    items.add(link("Near camera", kNearCameraPage, "The first view after first person"));
    items.add(link("Medium camera", kMediumCameraPage));
    items.add(link("Far camera", kFarCameraPage));
    items.add(link("Feel and tracking", kFeelPage, "Inertia, terrain, weight and how the camera follows the car"));
}

void cameraPage(SettingsRecord& s, int i, MenuPage& items) {
    PerCameraSettings& c = s.thirdPersonView.perCamera;
    const auto at = static_cast<std::size_t>(i);
    items.add(number("Field of view", c.fov[at], 0.5f, "This camera has its own field of view"));
    items.add(number("Distance", c.distance[at], 0.02f, "Higher moves this camera further behind the car"));
    items.add(number("Height", c.height[at], 0.01f, "Moves the camera itself up or down, keeping its distance"));
    items.add(number("Camera angle", c.angle[at], 0.1f, "Raise it to look further down the road from this camera"));
    items.add(number("Distance offset", c.distanceOffset[at], 0.01f, "Fine trim on top of the distance above"));
    items.add(number("Aim up or down", c.heightOffset[at], 0.25f,
                     "Tilts the view without moving the camera. Positive looks up, negative looks down"));
    appendSlotItems(items, i + 1);
    items.add(action("Reset this camera", kNearResetAction + i));
}

void feelPage(SettingsRecord& s, MenuPage& items) {
    FirstPersonView& f = s.firstPersonView;
    items.add(number("Inertia force", s.thirdPersonView.InertiaForce, 0.05f,
                     "How much the camera swings with acceleration and cornering"));
    items.add(
        toggle("Inertia affects pitch", s.InertiaAffectsPitch, "Lets the inertia tilt the view as well as move it"));
    items.add(toggle("Terrain shake", f.TerrainShake, "Vibration over potholes, kerbs and rough ground"));
    items.add(number("Terrain shake amount", f.ShakeTerrain, 0.00005f, "How hard bumps hit the camera"));
    items.add(number("Shake limit", f.ShakeMaxOffset, 0.002f, "The shake never moves the camera further than this"));
    items.add(number("Shake rotation", f.ShakeRotation, 0.05f, "How much bumps also pitch the view"));
    items.add(number("Look weight", f.LookWeight, 0.5f, "Lower feels heavier when you look around"));
    items.add(number("Recenter time", f.RecenterTime, 0.05f));
    items.add(number("Recenter ease", f.RecenterEase, 0.1f));
    items.add(action("Reset feel and tracking", kFeelResetAction));
}

constexpr const char* kCameraTitles[3] = {"NEAR CAMERA", "MEDIUM CAMERA", "FAR CAMERA"};

}  // namespace

void appendSlotItems(MenuPage& items, int group) {
    static constexpr const char* kSaveLabels[3] = {"Save to my slot 1", "Save to my slot 2", "Save to my slot 3"};
    static constexpr const char* kLoadLabels[3] = {"Load my slot 1", "Load my slot 2", "Load my slot 3"};
    for (int n = 0; n < 3; ++n) {
        const std::int32_t save = kFirstSlotAction + 10 * group + 2 * n;
        items.add(action(kSaveLabels[n], save, "Stores the values above in the ini under your own slot"));
        items.add(action(kLoadLabels[n], save + 1));
    }
}

void buildMenuPage(SettingsRecord& settings, std::uint32_t page, MenuPage& items) {
    items.count = 0;
    std::string_view& title = items.title;
    switch (page) {
        case kRootPage:
            title = "VELMORA";
            rootPage(items);
            break;
        case kFirstPersonPage:
            title = "FIRST PERSON";
            firstPersonPage(settings, items);
            break;
        case kPresetsPage:
            title = "PRESETS";
            presetsPage(items);
            break;
        case kThirdPersonPage:
            title = "THIRD PERSON";
            thirdPersonPage(items);
            break;
        case kNearCameraPage:
        case kMediumCameraPage:
        case kFarCameraPage: {
            const int i = static_cast<int>(page - kNearCameraPage);
            title = kCameraTitles[i];
            cameraPage(settings, i, items);
            break;
        }
        case kFeelPage:
            title = "FEEL AND TRACKING";
            feelPage(settings, items);
            break;
        default:
            break;  // an unknown page: nothing, and the title as it was
    }
}

}  // namespace velmora
