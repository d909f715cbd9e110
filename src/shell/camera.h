// The scripted camera's lifecycle and the plug-in's two uses of game memory.
#pragma once

#include <cstdint>

#include "shell/natives.h"

namespace velmora {

struct Velmora;

// One patched model-flags word, restored on release.
struct ModelFlagsPatch {
    bool active = false;          // the word is patched
    Entity vehicle = 0;           // whose model was patched
    std::uint32_t savedValue = 0; // the word before the patch
};

struct CameraState {
    CameraHandle cameraHandle = 0;    // valid while cameraActive
    bool cameraActive = false;        // a scripted camera exists and renders
    std::uintptr_t gameViewBlock = 0; // found by probeGameView; 0 when not found
    ModelFlagsPatch patch;            // the model-flags patch of the first-person camera
    bool offsetProbed = false;        // the flags-offset probe ran (once per process)
};

void createCamera(Velmora& v);
void releaseCamera(Velmora& v);
void applyModeSettings(Velmora& v);
void patchModelFlags(Velmora& v, Entity vehicle);
void probeGameView(Velmora& v);

}  // namespace velmora
