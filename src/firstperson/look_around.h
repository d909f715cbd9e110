// The look orientation both cameras share, its hold-and-return timer, and the first-person
// look-around step: mouse, stick or aiming turn the view away from its resting orientation;
// without input it holds a moment, then eases back.
#pragma once

#include "cammath/timing.h"
#include "config/settings.h"
#include "host/types.h"

namespace velmora {

struct Velmora;

struct LookAround {
    Quaternion LookQuat = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);  // world look orientation; zero until seeded
    float lookHold = 0.0f;  // seconds, 0..2: 2 while a look is active, then falls with the frame time
};

// The look weight for a hold timer: 1 while the view holds, easing to 0 over RecenterTime.
// The exponent is kept at 0.01 or more, so that no setting gives an infinite weight.
float recenterWeight(float lookHold, const FirstPersonView& settings);

// The look limited to the settings' pitch range and to its yaw range about the vehicle's
// heading (degrees); roll is dropped.
Rotation limitLook(const Rotation& look, float vehicleHeading, const FirstPersonView& settings);

// One first-person frame of look-around: takes the resting orientation R and answers the
// displayed orientation F.
Quaternion updateLookAround(Velmora& v, const Quaternion& rest, const FrameSteps& steps);

}  // namespace velmora
