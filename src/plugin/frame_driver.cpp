#include "plugin/frame_driver.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "config/findings.h"
#include "config/load.h"
#include "firstperson/first_person.h"
#include "menu/menu.h"
#include "plugin/velmora.h"
#include "thirdperson/chase_camera.h"

namespace velmora {
namespace {

// Controls, by group and id, as the game numbers them.
constexpr std::int32_t kControlGroup = 0;
constexpr std::int32_t kViewChangeGroup = 2;
constexpr std::int32_t kViewChangeControl = 0;
constexpr std::int32_t kVehicleCameraControl = 80;
constexpr std::int32_t kFirstPersonExitControl = 75;

constexpr std::int32_t kGameCameraModeChase = 2;
constexpr std::int32_t kGameCameraModeFirstPerson = 4;
constexpr float kFirstPersonStartDelay = 0.75f;  // seconds of game time: 45 frames at 60 a second
constexpr float kLeaveGraceSeconds = 1.5f;
constexpr std::size_t kNotificationPiece = 99;  // characters per text component

bool isThirdPerson(const FrameDriver& d) { return d.cameraMode == CameraMode::ThirdPerson; }

// The game's view mode that stands for the plug-in's current camera.
std::int32_t ownViewMode(const FrameDriver& d) { return isThirdPerson(d) ? d.cameraIndex : kFirstPersonViewMode; }

bool viewChangePressed(const Velmora& v) {
    return invoke(v.runtime, natives::isDisabledControlJustPressed, kViewChangeGroup, kViewChangeControl);
}

void onFootFrame(Velmora& v) {
    FrameDriver& d = v.driver;
    const HostRuntime& rt = v.runtime;
    d.firstPersonSuspended = false;
    if (d.wasInVehicle) {
        // Just left: the game keeps the view the player had.
        d.rememberedViewMode = ownViewMode(d);
        if (invoke(rt, natives::gameViewMode) != d.rememberedViewMode)
            invoke(rt, natives::setGameViewMode, d.rememberedViewMode);
        d.wasInVehicle = false;
        d.leaveGraceTimer = kLeaveGraceSeconds;
    } else {
        const bool eligible = !invoke(rt, natives::isCharacterEnteringVehicle, d.playerPed) &&
                              invoke(rt, natives::vehicleCharacterIsEntering, d.playerPed) == 0 &&
                              !invoke(rt, natives::isCharacterInAnyVehicle, d.playerPed, true);
        if (d.leaveGraceTimer > 0.0f) d.leaveGraceTimer -= frameTimeNow(v);
        if (eligible && d.leaveGraceTimer <= 0.0f) {
            const std::int32_t mode = invoke(rt, natives::gameViewMode);
            if (mode == kFirstPersonViewMode || (mode >= 0 && mode <= 2)) d.rememberedViewMode = mode;
        }
    }
    invoke(rt, natives::setGameCameraMode,
           d.rememberedViewMode == kFirstPersonViewMode ? kGameCameraModeFirstPerson : kGameCameraModeChase);
    d.handOffPending = false;
    d.headingCatchUp = 0.0f;
    releaseCamera(v, ReleaseReason::OnFoot);
}

// The first frame in a vehicle: pick the camera from the remembered view.
void enterVehicle(Velmora& v) {
    FrameDriver& d = v.driver;
    v.chase.chaseBlendStarted = false;
    v.profile.bones = {};  // a handle seen before may now be another vehicle
    d.wasInVehicle = true;
    d.handOffPending = false;
    if (d.rememberedViewMode == kFirstPersonViewMode) {
        d.cameraIndex = 0;
        d.firstPersonSuspended = false;
        if (v.settings.firstPersonView.UseOwnFirstPersonCamera) {
            d.cameraMode = CameraMode::FirstPerson;
            d.firstPersonDelay = kFirstPersonStartDelay;
        } else {
            d.cameraMode = CameraMode::ThirdPerson;
            d.handOffPending = true;
            invoke(v.runtime, natives::setGameCameraMode, kGameCameraModeFirstPerson);
        }
    } else {
        d.cameraMode = CameraMode::ThirdPerson;
        d.cameraIndex = std::clamp(d.rememberedViewMode, 0, 2);
    }
}

// The view-change control cycles near, medium, far, then first person. Answers false when
// the frame ends here.
bool changeView(Velmora& v) {
    FrameDriver& d = v.driver;
    if (!isThirdPerson(d)) {
        d.cameraMode = CameraMode::ThirdPerson;
        d.cameraIndex = 0;
        applyModeSettings(v);
        measureVehicle(v);
        return true;
    }
    if (d.cameraIndex < 2) {
        ++d.cameraIndex;
        return true;
    }
    d.cameraIndex = 0;
    if (v.settings.firstPersonView.UseOwnFirstPersonCamera) {
        d.cameraMode = CameraMode::FirstPerson;
        applyModeSettings(v);
        return true;
    }
    // First person belongs to the game until the next view-change press.
    d.handOffPending = true;
    releaseCamera(v, ReleaseReason::HandOff);
    invoke(v.runtime, natives::setGameCameraMode, kGameCameraModeFirstPerson);
    return false;
}

// Counts the first-person start delay down by the frame's game time; true while it runs. A
// ten-thousandth of a second is left to rounding, so that 45 frames at 60 a second are 0.75 s.
bool firstPersonDelayRuns(Velmora& v) {
    float& delay = v.driver.firstPersonDelay;
    if (!(delay > 1e-4f)) return false;
    delay -= countedSeconds(frameSteps(v));
    return true;
}

// Hands the scripted camera's heading to the game, smoothed; while the look-behind control
// is held the game gets the camera's own heading at once.
void outputHeading(Velmora& v) {
    FrameDriver& d = v.driver;
    const HostRuntime& rt = v.runtime;
    float r = v.camera.rotation.z;                 // the camera's heading, as last given to it
    if (!std::isfinite(r)) r = d.smoothedHeading;  // a broken answer must not poison the state

    float target, k, offset;
    if (lookBehindHeldNow(v)) {
        target = WrapDegrees360(r - 180.0f);
        k = 1.0f;
        offset = 180.0f;
    } else {
        const float s = followWeight(6.0f, frameSteps(v));
        k = std::clamp(s + (1.0f - s) * d.headingCatchUp, 0.0f, 1.0f);
        target = WrapDegrees360(r);
        offset = 0.0f;
    }
    float delta = target - d.smoothedHeading;
    delta = delta - std::floor(delta / 360.0f) * 360.0f;  // the shorter way round, (-180, 180]
    if (delta > 180.0f) delta -= 360.0f;
    const float heading = WrapDegrees360(d.smoothedHeading + delta * k);
    if (std::isfinite(heading)) d.smoothedHeading = heading;  // a broken frame must not stick
    // A whole degree in 0..359 for the game: converted only once it is a finite angle.
    const float shown = WrapDegrees360(d.smoothedHeading - offset);
    invoke(rt, natives::lockMinimapAngle,
           std::isfinite(shown) ? static_cast<std::int32_t>(std::min(shown, 359.0f)) : 0);
}

void inVehicleFrame(Velmora& v) {
    FrameDriver& d = v.driver;
    const HostRuntime& rt = v.runtime;
    const Entity vehicle = invoke(rt, natives::vehicleOfCharacter, d.playerPed);

    if (!d.wasInVehicle) enterVehicle(v);
    invoke(rt, natives::setGameViewMode, ownViewMode(d));

    if (vehicle != d.currentVehicle) {
        d.currentVehicle = vehicle;
        v.runtime.scriptWait(0);  // let the game settle the new vehicle for a frame
        v.reads = {};             // a new game frame
        sampleVehicle(v);
        measureVehicle(v);
    }
    if (!v.profile.vehicleSupported || !d.modEnabled) {
        d.handOffPending = false;
        d.headingCatchUp = 0.0f;
        if (!v.profile.vehicleSupported && v.log.unsupportedVehicle != vehicle) {
            v.log.unsupportedVehicle = vehicle;
            logFormat(v, LogLevel::Info, "this vehicle (class %d) is not supported: the game's camera stays",
                      static_cast<int>(v.profile.vehicleClass));
        }
        releaseCamera(v, v.profile.vehicleSupported ? ReleaseReason::ModOff : ReleaseReason::Unsupported);
        return;
    }
    invoke(rt, natives::disableControlThisFrame, kControlGroup, kViewChangeControl, true);
    invoke(rt, natives::disableControlThisFrame, kControlGroup, kVehicleCameraControl, true);

    if (d.handOffPending) {
        if (viewChangePressed(v)) {
            d.handOffPending = false;
            d.cameraIndex = 0;
            sampleVehicle(v);
            measureVehicle(v);
        }
        d.headingCatchUp = 0.0f;
        return;
    }

    sampleVehicle(v);

    if (!isThirdPerson(d)) {
        if (firstPersonDelayRuns(v)) {
            d.headingCatchUp = 0.0f;
            return;
        }
        if (invoke(rt, natives::isCharacterEnteringVehicle, d.playerPed)) {
            d.headingCatchUp = 0.0f;
            return;
        }
        if (invoke(rt, natives::isControlJustPressed, kControlGroup, kFirstPersonExitControl))
            d.firstPersonSuspended = true;
    } else {
        firstPersonDelayRuns(v);
    }

    if (d.firstPersonSuspended) {
        if (v.camera.cameraActive) releaseCamera(v, ReleaseReason::FirstPersonExit);
        d.headingCatchUp = 0.0f;
        return;
    }
    if (!v.camera.cameraActive) {
        createCamera(v);
        if (!v.camera.cameraActive) return;  // the game made none; try again next frame
        invoke(rt, natives::setGameCameraMode, kGameCameraModeChase);
    }
    if (viewChangePressed(v) && !changeView(v)) return;

    if (keyReleased(v.platform, v.keys, keyCodeOf(v.settings.keyMappings.reloadSettingsKey))) {
        loadSettings(v, true);
        sampleVehicle(v);
        measureVehicle(v);
        createCamera(v);
        if (!v.camera.cameraActive) return;
    }

    refreshAttachment(v);
    updateLookInput(v);
    if (isThirdPerson(d)) {
        updateChaseCamera(v);
    } else {
        updateFirstPersonCamera(v);
    }
    outputHeading(v);
}

}  // namespace

namespace {

// The settings file by its full path, whether it was read, and what the loader made of each
// value it did not take as written, in the checker's words.
void logSettingsLoad(Velmora& v, bool reload, bool loaded, const LoadOutcome& outcome) {
    if (v.platform.appendLog == nullptr) return;  // no log: the file need not be judged
    char path[512];
    const char* shown = kSettingsFileName;
    if (v.platform.fullPath != nullptr && v.platform.fullPath(kSettingsFileName, path, sizeof path)) shown = path;
    if (!loaded) {
        const char* why = outcome.missing ? "not found" : "cannot be read";
        logFormat(v, LogLevel::Warning,
                  reload ? "settings file %s %s: the settings stay as they were"
                         : "settings file %s %s: Velmora runs with its defaults",
                  shown, why);
        return;
    }
    logFormat(v, LogLevel::Info, reload ? "settings reloaded from %s%s" : "settings read from %s%s", shown,
              outcome.encoding == TextEncoding::SingleByte ? "" : " (UTF-16 text, read as UTF-8)");
    for (const SettingsFinding& finding : settingsValueFindings(outcome.bytes))
        logLine(v, LogLevel::Warning,
                std::string(kSettingsFileName) + ":" + std::to_string(finding.line) + ": " + finding.message);
}

}  // namespace

void showNotification(Velmora& v, std::string_view text) {
    const HostRuntime& rt = v.runtime;
    invoke(rt, natives::beginNotification, "CELL_EMAIL_BCON");
    for (std::size_t at = 0; at < text.size(); at += kNotificationPiece) {
        const std::string piece(text.substr(at, kNotificationPiece));
        invoke(rt, natives::addText, piece.c_str());
    }
    invoke(rt, natives::postNotification, false, true);
}

void loadSettings(Velmora& v, bool reload) {
    const LoadNotifier notifier{
        [](void* context, const char* text) { showNotification(*static_cast<Velmora*>(context), text); }, &v};
    LoadOutcome outcome;
    const bool loaded = loadSettingsFile(v.settings, notifier, kSettingsFileName, &outcome);
    logSettingsLoad(v, reload, loaded, outcome);
    if (!loaded) return;
    if (reload) {
        v.profile.bones = {};  // a reload measures the body afresh
        measureVehicle(v);
        applyModeSettings(v);
    } else {
        v.driver.cameraMode = CameraMode::ThirdPerson;
    }
}

void startup(Velmora& v) {
    startLog(v);
    logLine(v, LogLevel::Info, "Velmora " VELMORA_VERSION " started");
    showNotification(v, kStartupMessage);
    linkGears(v);
    probeGameView(v);
    loadSettings(v, false);
}

void frameTick(Velmora& v) {
    FrameDriver& d = v.driver;
    const HostRuntime& rt = v.runtime;
    ++v.clock.frameTicks;  // lets the wall-clock measurement tell a gap of unmeasured frames
    v.reads = {};
    if (v.platform.queryPerformanceCounter != nullptr && v.platform.queryPerformanceFrequency != nullptr)
        tickFrameClock(
            v.clock, v.platform.queryPerformanceCounter(),
            v.clock.counterFrequency != 0 ? v.clock.counterFrequency : v.platform.queryPerformanceFrequency());

    menuStep(v);

    if (keyReleased(v.platform, v.keys, keyCodeOf(v.settings.keyMappings.toggleModKey))) {
        d.modEnabled = !d.modEnabled;
        logLine(v, LogLevel::Info, d.modEnabled ? "switched on (toggle key)" : "switched off (toggle key)");
    }

    const PlayerId player = invoke(rt, natives::playerId);
    d.playerPed = invoke(rt, natives::playerCharacter);
    if (!invoke(rt, natives::doesEntityExist, d.playerPed) || !invoke(rt, natives::isPlayerControlOn, player) ||
        invoke(rt, natives::isEntityDead, d.playerPed, false) ||
        invoke(rt, natives::isPlayerBeingArrested, player, true)) {
        releaseCamera(v, ReleaseReason::Guard);
        return;
    }

    updateLookInputActivity(v);

    const FrameSteps step = v.timing.steps(frameTimestepNow(v), kStepAt60);
    d.headingCatchUp += (0.0f - d.headingCatchUp) * followWeight(8.0f, step);

    d.aimHeld = invoke(rt, natives::isPlayerAiming, player);
    d.aimBlend += ((d.aimHeld ? 1.0f : 0.0f) - d.aimBlend) * followWeight(8.0f, step);

    if (!invoke(rt, natives::isCharacterInAnyVehicle, d.playerPed, false)) {
        onFootFrame(v);
    } else {
        inVehicleFrame(v);
    }
}

}  // namespace velmora
