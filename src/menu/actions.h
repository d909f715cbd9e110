// What the menu's action rows do: the first-person presets and resets, the camera and feel
// resets, saving every setting to the file, and the user slots. Each ends with a status line.
#pragma once

#include <cstdint>

#include "config/settings.h"

namespace velmora {

struct Velmora;

// Runs the action of a code (1..9, or a slot code 100..135); other codes do nothing.
void runMenuAction(Velmora& v, std::int32_t code);

// The values of presets 1, 2 and 3 (the first-person reset is preset 1) and of the resets;
// each touches only its own fields.
void applyFirstPersonPreset(FirstPersonView& settings, int preset);
void resetCamera(PerCameraSettings& cameras, CameraIndex camera);
void resetFeelAndTracking(SettingsRecord& settings);

}  // namespace velmora
