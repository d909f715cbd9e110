// The scripted camera's lifecycle and the plug-in's two uses of game memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/natives.h"
#include "host/types.h"

namespace velmora {

struct Velmora;

// One patched model-flags word, restored on release.
struct ModelFlagsPatch {
    bool active = false;           // the word is patched
    Entity vehicle = 0;            // whose model was patched
    std::uint32_t savedValue = 0;  // the word before the patch
    std::int32_t offset = 0;       // the flags offset the patch used, so the restore hits the same word
};

struct CameraState {
    CameraHandle cameraHandle = 0;     // valid while cameraActive
    bool cameraActive = false;         // a scripted camera exists and renders
    std::uintptr_t gameViewBlock = 0;  // found by probeGameView; 0 when not found
    ModelFlagsPatch patch;             // the model-flags patch of the first-person camera
    bool offsetProbed = false;         // the flags-offset probe ran (once per process)
    Rotation rotation;                 // degrees, order 2: the rotation last given to the camera
};

// Turns the scripted camera (order 2) and keeps the rotation: the game answers the camera's
// rotation with what it was last given, so the heading output need not ask.
void setCameraRotation(Velmora& v, const Rotation& rotation);

// Creates, activates and eases in the scripted camera at the vehicle, then applies the
// mode's settings. An earlier camera is destroyed first, so none is left behind.
void createCamera(Velmora& v);

// Why the scripted camera is let go, for the log.
enum class ReleaseReason : std::uint8_t {
    OnFoot,           // the player left the vehicle
    Guard,            // the player is gone, dead, arrested or not in control
    Unsupported,      // the vehicle is of a class Velmora leaves to the game
    ModOff,           // the toggle key switched Velmora off
    HandOff,          // first person goes to the game's own camera
    FirstPersonExit,  // the player left first person with the game's exit control
    Unloaded,         // the plug-in is unloaded: the game is closing
};

// Restores the model-flags patch, then, if a camera is active, deactivates, destroys and
// eases out, and logs why. Cheap and safe every frame.
void releaseCamera(Velmora& v, ReleaseReason reason);

// Clip planes and field of view of the current mode; for the chase camera also the first
// chase step and the seeding of the rod and the look from the game's view direction.
void applyModeSettings(Velmora& v);

// Sets the heavy-braking flag in the vehicle's model record (restored by releaseCamera).
void patchModelFlags(Velmora& v, Entity vehicle);

// Finds the game's view-direction block in the executable, once at start-up.
void probeGameView(Velmora& v);

// A byte pattern of the executable, with wildcards.
struct CodePattern {
    const std::int16_t* bytes;  // 0..255, or -1 for any byte
    std::size_t length;
};

// The offset of the first match in the image, or -1, walking the image as the game-memory
// probes do: a byte that breaks a partial match is not tried again as a first byte.
std::ptrdiff_t scanPattern(const std::uint8_t* image, std::size_t size, CodePattern pattern);

}  // namespace velmora
