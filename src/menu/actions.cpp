#include "menu/actions.h"

#include <cstdio>

#include "config/save.h"
#include "menu/catalogue.h"
#include "plugin/velmora.h"

namespace velmora {
namespace {

struct FirstPersonPreset {
    float fov, heightOffset, forwardOffset, sideOffset, pitchOffset, rollOffset, HeadFollowRate;
};
constexpr FirstPersonPreset kPresets[3] = {
    {61.0f, -0.036f, -0.05f, 0.01f, -6.0f, -1.5f, 146.5f},
    {59.0f, -0.036f, -0.03f, 0.01f, -6.5f, -1.5f, 146.5f},
    {55.0f, 0.0f, 0.0f, 0.01f, -6.5f, -1.5f, 100.0f},
};

// The menu's status line, and the same words in the log: a save that failed is worth
// finding after the menu has closed.
void showStatus(Velmora& v, const char* text, bool failed) {
    setMenuStatus(v.menu, text);
    logFormat(v, failed ? LogLevel::Warning : LogLevel::Info, "menu: %s", text);
}

void showSlotStatus(Velmora& v, const char* format, int slot, bool failed = false) {
    char text[80];
    std::snprintf(text, sizeof text, format, slot);
    showStatus(v, text, failed);
}

// A player who saved the file as UTF-16 finds it UTF-8 after the save: the log says why.
void logConversion(Velmora& v, SaveResult result) {
    if (result == SaveResult::Converted)
        logLine(v, LogLevel::Info, "menu: Velmora.ini was UTF-16 text; it is saved as UTF-8 now");
}

void runSlotAction(Velmora& v, std::int32_t code) {
    const int r = code - kFirstSlotAction;
    const auto group = static_cast<SlotGroup>(r / 10);
    const int k = r % 10;
    const int slot = k / 2 + 1;
    if (k % 2 == 1) {
        // A load that changed nothing says so instead of claiming it loaded.
        switch (loadSlot(v.settings, group, slot)) {
            case SlotLoad::Loaded:
                showSlotStatus(v, "Slot %d loaded", slot);
                break;
            case SlotLoad::Missing:
                showSlotStatus(v, "Slot %d is empty: nothing loaded", slot);
                break;
            case SlotLoad::NotReadable:
                showSlotStatus(v, "Slot %d not loaded: Velmora.ini could not be read", slot, true);
                break;
        }
        return;
    }
    const SaveResult result = saveSlot(v.platform, v.settings, group, slot);
    switch (result) {
        case SaveResult::Saved:
        case SaveResult::Converted:
            showSlotStatus(v, "Saved to slot %d", slot);
            break;
        case SaveResult::NotReadable:
            showSlotStatus(v, "Slot %d not saved: Velmora.ini could not be read", slot, true);
            break;
        case SaveResult::NotWritten:
            showSlotStatus(v, "Slot %d not saved: Velmora.ini could not be written", slot, true);
            break;
    }
    logConversion(v, result);
}

void saveAllSettings(Velmora& v) {
    const SaveResult result = saveAllSettingsFile(v.platform, v.settings);
    switch (result) {
        case SaveResult::Saved:
        case SaveResult::Converted:
            showStatus(v, "Settings saved to the ini", false);
            break;
        case SaveResult::NotReadable:
            showStatus(v, "Not saved: Velmora.ini could not be read", true);
            break;
        case SaveResult::NotWritten:
            showStatus(v, "Not saved: Velmora.ini could not be written", true);
            break;
    }
    logConversion(v, result);
}

}  // namespace

void applyFirstPersonPreset(FirstPersonView& s, int preset) {
    const FirstPersonPreset& p = kPresets[preset - 1];
    s.fov = p.fov;
    s.heightOffset = p.heightOffset;
    s.forwardOffset = p.forwardOffset;
    s.sideOffset = p.sideOffset;
    s.pitchOffset = p.pitchOffset;
    s.rollOffset = p.rollOffset;
    s.HeadFollowRate = p.HeadFollowRate;
}

void resetCamera(PerCameraSettings& c, CameraIndex camera) {
    const PerCameraSettings defaults;  // the reset values are the defaults of these fields
    for (auto field : {&PerCameraSettings::distance, &PerCameraSettings::height, &PerCameraSettings::fov,
                       &PerCameraSettings::angle, &PerCameraSettings::distanceOffset, &PerCameraSettings::heightOffset})
        (c.*field)[camera] = (defaults.*field)[camera];
}

void resetFeelAndTracking(SettingsRecord& s) {
    s.thirdPersonView.InertiaForce = 1.0f;
    FirstPersonView& f = s.firstPersonView;
    f.ShakeTerrain = 0.00015f;
    f.ShakeMaxOffset = 0.012f;
    f.ShakeRotation = 0.25f;
    f.LookWeight = 14.0f;
    f.RecenterTime = 1.6f;
    f.RecenterEase = 2.0f;
}

void runMenuAction(Velmora& v, std::int32_t code) {
    switch (code) {
        case kSaveAllAction:
            saveAllSettings(v);
            return;
        case kPreset1Action:
        case kPreset2Action:
        case kPreset3Action: {
            const int preset = code - kPreset1Action + 1;
            applyFirstPersonPreset(v.settings.firstPersonView, preset);
            char text[32];
            std::snprintf(text, sizeof text, "Preset %d applied", preset);
            setMenuStatus(v.menu, text);
            return;
        }
        case kFirstPersonResetAction:
            applyFirstPersonPreset(v.settings.firstPersonView, 1);  // the tuned setup, not the file defaults
            setMenuStatus(v.menu, "First person reset");
            return;
        case kNearResetAction:
        case kMediumResetAction:
        case kFarResetAction: {
            static constexpr const char* kTexts[3] = {"Near camera reset", "Medium camera reset", "Far camera reset"};
            const int camera = code - kNearResetAction;
            resetCamera(v.settings.thirdPersonView.perCamera, static_cast<CameraIndex>(camera));
            setMenuStatus(v.menu, kTexts[camera]);
            return;
        }
        case kFeelResetAction:
            resetFeelAndTracking(v.settings);
            setMenuStatus(v.menu, "Feel and tracking reset");
            return;
        default:
            break;
    }
    // Only the slot rows carry these codes: four groups of three slots.
    const int r = code - kFirstSlotAction;
    if (r >= 0 && r / 10 <= 3 && r % 10 <= 5) runSlotAction(v, code);
}

}  // namespace velmora
