// Velmora's own first-person camera: the per-frame update that places the scripted camera
// at the driver's eyes, turned with the vehicle, the look keys and the look-around, with the
// speed zoom, the aim, the shake and the horizon lock.
#pragma once

#include <cstdint>

#include "cammath/timing.h"
#include "config/settings.h"

namespace velmora {

struct Velmora;

struct FirstPersonState {
    float speedZoom = 0.0f;  // degrees added to the field of view by the speed zoom
};

// The speed zoom's target for a speed in m/s: (1 - (1 - u)²)·SpeedZoomAmount with
// u = min(speed / SpeedZoomAtSpeed, 1); a reference speed of 0 or less counts as 1.
float speedZoomTarget(float speed, const FirstPersonView& settings);

// The field of view of a frame before aiming narrows it toward 60.
float aimedFov(float fov, float aimBlend);

// Measures the frame that ends at `counter`: the time since the last measurement, 0.0001 to
// 0.2 s, unless the previous frame went unmeasured (a look-behind, another camera), in which
// case the measurement starts afresh and RealFrameSeconds keeps its value. Then the time
// scale: the game's frame time over the wall clock's, 0.05..1.
void measureFrame(FrameClock& clock, std::int64_t counter, float gameFrameTime);

void updateFirstPersonCamera(Velmora& v);

}  // namespace velmora
