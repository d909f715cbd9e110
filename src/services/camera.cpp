#include "services/camera.h"

#include <cmath>
#include <cstring>

#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr std::int32_t kGameCameraModeScripted = 1;
constexpr std::uint32_t kHeavyBrakeFlag = 0x100;
constexpr std::int32_t kModelInfoPointer = 32;  // bytes into entity memory
constexpr std::int32_t kFlagsWordBias = 20;     // the word sits this far past the offset
constexpr std::int32_t kFlagsOffsetMin = 1;     // the range the offset probe accepts
constexpr std::int32_t kFlagsOffsetMax = 8191;
constexpr std::size_t kViewDirectionOffset = 512;

// test rax, rax; je; mov eax, [rax + offset]; shr eax, 15
constexpr std::int16_t kFlagsCode[] = {0x48, 0x85, 0xC0, 0x74, 0x3C, 0x8B, 0x80, -1, -1, -1, -1, 0xC1, 0xE8, 0x0F};
// mov rax, rdi; movss xmm1, [rip + ...]
constexpr std::int16_t kViewCode[] = {0x48, 0x8B, 0xC7, 0xF3, 0x0F, 0x10, 0x0D};

bool isThirdPerson(const Velmora& v) { return v.driver.cameraMode == CameraMode::ThirdPerson; }

// Game memory is read only where the OS says it can be.
template <class T>
bool readMemory(const Platform& os, std::uintptr_t address, T& out) {
    if (address == 0 || !os.isReadable(reinterpret_cast<const void*>(address), sizeof(T))) return false;
    std::memcpy(&out, reinterpret_cast<const void*>(address), sizeof(T));
    return true;
}

// The address of the vehicle's model-flags word for an offset, or 0 when any step of the
// way cannot be reached.
std::uintptr_t flagsWordAddress(const Velmora& v, Entity vehicle, std::int32_t offset) {
    if (offset < kFlagsOffsetMin || offset > kFlagsOffsetMax) return 0;
    if (!invoke(v.runtime, natives::doesEntityExist, vehicle)) return 0;
    const std::uint8_t* entity = v.runtime.getScriptHandleBaseAddress(vehicle);
    if (entity == nullptr) return 0;
    std::uintptr_t modelInfo = 0;
    if (!readMemory(v.platform, reinterpret_cast<std::uintptr_t>(entity) + kModelInfoPointer, modelInfo) ||
        modelInfo == 0)
        return 0;
    const std::uintptr_t word = modelInfo + static_cast<std::uintptr_t>(offset + kFlagsWordBias);
    const void* p = reinterpret_cast<const void*>(word);
    if (!v.platform.isReadable(p, 4) || !v.platform.isWritable(p, 4)) return 0;
    return word;
}

void restoreModelFlags(Velmora& v) {
    ModelFlagsPatch& patch = v.camera.patch;
    if (!patch.active) return;
    if (const std::uintptr_t word = flagsWordAddress(v, patch.vehicle, patch.offset); word != 0)
        std::memcpy(reinterpret_cast<void*>(word), &patch.savedValue, sizeof patch.savedValue);
    patch.active = false;
    patch.vehicle = 0;
}

// The game's view direction, or the vehicle's forward axis when the block is unknown or
// unreadable.
Vector3 gameViewDirection(Velmora& v) {
    float xyz[3];
    if (v.camera.gameViewBlock == 0) return v.sample.vehicleForward;
    if (readMemory(v.platform, v.camera.gameViewBlock + kViewDirectionOffset, xyz))
        return Vector3(xyz[0], xyz[1], xyz[2]);
    logFault(
        v, LogFault::MemoryRefused,
        "the game's view direction could not be read (address refused); the chase camera starts behind the vehicle");
    return v.sample.vehicleForward;
}

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }

const char* releaseWhy(ReleaseReason reason) {
    switch (reason) {
        case ReleaseReason::OnFoot:
            return "the player left the vehicle";
        case ReleaseReason::Guard:
            return "the player is gone, dead, arrested or not in control";
        case ReleaseReason::Unsupported:
            return "the vehicle is not supported";
        case ReleaseReason::ModOff:
            return "Velmora is switched off";
        case ReleaseReason::HandOff:
            return "first person is handed to the game's own camera";
        case ReleaseReason::FirstPersonExit:
            return "the player left first person with the game's exit control";
        case ReleaseReason::Unloaded:
            return "Velmora is unloaded";
    }
    return "";
}

const char* cameraName(const Velmora& v) {
    if (!isThirdPerson(v)) return "first person";
    static constexpr const char* kChase[] = {"near chase", "medium chase", "far chase"};
    const std::int32_t index = v.driver.cameraIndex;
    return index >= 0 && index <= 2 ? kChase[index] : "chase";
}

}  // namespace

std::ptrdiff_t scanPattern(const std::uint8_t* image, std::size_t size, CodePattern pattern) {
    if (image == nullptr || pattern.length == 0) return -1;
    std::size_t matched = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::int16_t want = pattern.bytes[matched];
        if (want < 0 || image[i] == want) {
            if (++matched == pattern.length) return static_cast<std::ptrdiff_t>(i + 1 - pattern.length);
        } else {
            matched = 0;
        }
    }
    return -1;
}

void setCameraRotation(Velmora& v, const Rotation& r) {
    invoke(v.runtime, natives::setCameraRotation, v.camera.cameraHandle, r.x, r.y, r.z, 2);
    v.camera.rotation = r;
}

void createCamera(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    CameraState& camera = v.camera;
    if (camera.cameraActive) {
        // A reload makes a new camera while one exists: the old one must not be left behind.
        invoke(rt, natives::setCameraActive, camera.cameraHandle, false);
        invoke(rt, natives::destroyCamera, camera.cameraHandle, true);
    }
    // A broken vehicle sample places the new camera at the origin; the first good frame moves it.
    const Vector3 p = inWorld(v.sample.vehiclePosition) ? v.sample.vehiclePosition : Vector3::Zero();
    const Rotation& r = v.sample.vehicleRotation;
    camera.cameraHandle =
        invoke(rt, natives::createCamera, "DEFAULT_SCRIPTED_CAMERA", p.x(), p.y(), p.z(), finiteOrZero(r.x),
               finiteOrZero(r.y), finiteOrZero(r.z), v.settings.thirdPersonView.fov, true, 2);
    // The game answers -1 when it cannot make a camera: nothing is shown, and the next frame
    // tries again rather than steering a camera that is not there.
    if (camera.cameraHandle <= 0) {
        camera.cameraHandle = 0;
        camera.cameraActive = false;
        logFault(v, LogFault::CameraNotMade, "the game made no scripted camera; Velmora tries again each frame");
        return;
    }
    camera.rotation = Rotation{finiteOrZero(r.x), finiteOrZero(r.y), finiteOrZero(r.z)};
    invoke(rt, natives::setCameraActive, camera.cameraHandle, true);
    invoke(rt, natives::renderScriptedCameras, true, true, isThirdPerson(v) ? 650 : 300, true, false, 0);
    const float heading = invoke(rt, natives::gameCameraRotation, 2).z;
    v.driver.smoothedHeading = wrapDegreesFloor360(finiteOrZero(heading));
    camera.cameraActive = true;
    logFormat(v, LogLevel::Info, "camera created: %s", cameraName(v));
    invoke(rt, natives::setCinematicCamera, false);
    applyModeSettings(v);
}

void releaseCamera(Velmora& v, ReleaseReason reason) {
    const HostRuntime& rt = v.runtime;
    CameraState& camera = v.camera;
    restoreModelFlags(v);
    invoke(rt, natives::unlockMinimapAngle);
    if (!camera.cameraActive) return;
    invoke(rt, natives::setCameraActive, camera.cameraHandle, false);
    invoke(rt, natives::destroyCamera, camera.cameraHandle, true);
    if (isThirdPerson(v)) {
        invoke(rt, natives::renderScriptedCameras, false, true, 500, true, false, 0);
    } else {
        invoke(rt, natives::renderScriptedCameras, false, false, 0, true, false, 0);
    }
    camera.cameraActive = false;
    logFormat(v, LogLevel::Info, "camera released: %s", releaseWhy(reason));
}

void applyModeSettings(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const CameraHandle handle = v.camera.cameraHandle;
    if (!isThirdPerson(v)) {
        invoke(rt, natives::setCameraNearClip, handle, 0.05f);
        invoke(rt, natives::setCameraFarClip, handle, 740.0f);
        invoke(rt, natives::setCameraFov, handle, v.settings.firstPersonView.fov);
    } else {
        stepChaseParameters(v);
        invoke(rt, natives::setCameraNearClip, handle, 0.15f);
        invoke(rt, natives::setCameraFarClip, handle, 800.0f);
        invoke(rt, natives::setCameraFov, handle, v.chase.fov);
        v.lookAround.lookHold = 0.25f;
        v.driver.headingCatchUp = 1.0f;
        seedChaseState(v, gameViewDirection(v));
    }
    invoke(rt, natives::setGameCameraMode, kGameCameraModeScripted);
}

void patchModelFlags(Velmora& v, Entity vehicle) {
    FirstPersonView& settings = v.settings.firstPersonView;
    if (!settings.NoHeavyBrakeAnimation) return;
    CameraState& camera = v.camera;
    if (!camera.offsetProbed) {
        camera.offsetProbed = true;
        const ModuleImage image = v.platform.mainModuleImage();
        const std::ptrdiff_t at = scanPattern(image.base, image.size, {kFlagsCode, std::size(kFlagsCode)});
        std::int32_t offset = 0;
        if (at >= 0) std::memcpy(&offset, image.base + at + 7, sizeof offset);
        const int kept = settings.VehicleModelInfoFlagsOffset;
        if (image.base == nullptr) {
            logFormat(v, LogLevel::Warning,
                      "model-flags probe: the game's executable cannot be read; "
                      "VehicleModelInfoFlagsOffset = %d from the settings is used",
                      kept);
        } else if (at < 0) {
            logFormat(v, LogLevel::Warning,
                      "model-flags probe: its code pattern was not found; "
                      "VehicleModelInfoFlagsOffset = %d from the settings is used",
                      kept);
        } else if (offset < kFlagsOffsetMin || offset > kFlagsOffsetMax) {
            logFormat(v, LogLevel::Warning,
                      "model-flags probe: the pattern at 0x%llx holds %ld, outside %d to %d; "
                      "VehicleModelInfoFlagsOffset = %d from the settings is used",
                      static_cast<unsigned long long>(at), static_cast<long>(offset), kFlagsOffsetMin, kFlagsOffsetMax,
                      kept);
        } else {
            settings.VehicleModelInfoFlagsOffset = offset;
            logFormat(v, LogLevel::Info,
                      "model-flags probe: pattern found at 0x%llx of the executable; "
                      "VehicleModelInfoFlagsOffset = %ld",
                      static_cast<unsigned long long>(at), static_cast<long>(offset));
        }
    }
    ModelFlagsPatch& patch = camera.patch;
    if (patch.active && patch.vehicle == vehicle) return;
    // One patch at a time: another vehicle's word goes back before this one is patched.
    restoreModelFlags(v);
    const std::int32_t offset = settings.VehicleModelInfoFlagsOffset;
    const std::uintptr_t word = flagsWordAddress(v, vehicle, offset);
    if (word == 0) {
        logFault(v, LogFault::MemoryRefused,
                 "the vehicle's model flags could not be reached (address refused); the heavy-braking animation stays");
        return;
    }
    std::uint32_t value;
    std::memcpy(&value, reinterpret_cast<const void*>(word), sizeof value);
    patch = ModelFlagsPatch{true, vehicle, value, offset};
    value |= kHeavyBrakeFlag;
    std::memcpy(reinterpret_cast<void*>(word), &value, sizeof value);
}

void probeGameView(Velmora& v) {
    const ModuleImage image = v.platform.mainModuleImage();
    const std::ptrdiff_t match = scanPattern(image.base, image.size, {kViewCode, std::size(kViewCode)});
    constexpr const char* kInstead = "the chase camera starts behind the vehicle instead of along the game's view";
    if (image.base == nullptr) {
        logFormat(v, LogLevel::Warning, "game-view probe: the game's executable cannot be read; %s", kInstead);
        return;
    }
    // The relative call sits 30 bytes before the match; it must lie inside the image.
    if (match < 29) {
        logFormat(v, LogLevel::Warning, "game-view probe: its code pattern was not found; %s", kInstead);
        return;
    }
    // p holds the call's displacement; q + 4 is the call's target, which begins with a
    // seven-byte load whose displacement (at q + 7) leads to the block pointer.
    const auto p = reinterpret_cast<std::uintptr_t>(image.base) + static_cast<std::uintptr_t>(match - 29);
    std::int32_t callDisplacement;
    std::memcpy(&callDisplacement, reinterpret_cast<const void*>(p), sizeof callDisplacement);
    const std::uintptr_t q = p + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(callDisplacement));
    std::int32_t loadDisplacement;
    const std::uintptr_t cell = readMemory(v.platform, q + 7, loadDisplacement)
                                    ? q + 11 + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(loadDisplacement))
                                    : 0;
    std::uintptr_t block = 0;
    if (cell == 0 || !readMemory(v.platform, cell, block) || block == 0) {
        logFormat(v, LogLevel::Warning,
                  "game-view probe: pattern found at 0x%llx, but the address it leads to "
                  "cannot be read; %s",
                  static_cast<unsigned long long>(match), kInstead);
        return;
    }
    v.camera.gameViewBlock = block;
    logFormat(v, LogLevel::Info, "game-view probe: pattern found at 0x%llx of the executable; view block at 0x%llx",
              static_cast<unsigned long long>(match), static_cast<unsigned long long>(block));
}

}  // namespace velmora
