// The first-person look-behind view: a camera at the rear of the vehicle, looking back
// along the vehicle's own axes.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velmora {

struct Velmora;

// The rear bones the view is placed by, in the order they are tried, with their offsets
// along the vehicle's up (U) and forward (F) axes.
struct RearBone {
    const char* name;
    float up;       // times U
    float forward;  // times F
    bool raisable;  // a fitted spoiler raises the view by a further 0.3·U
};
inline constexpr RearBone kRearBones[] = {
    {"windscreen_r", 0.08f, -0.08f, true},  {"bumper_r", 0.18f, -0.08f, true},
    {"brakelight_m", 0.08f, -0.08f, true},  {"boot", 0.28f, 0.0f, true},
    {"brakelight_l", 0.08f, -0.08f, false},
};

// A model with none of the rear bones: the view sits behind the origin by the measured rear
// extent, this far up the vehicle's up axis.
inline constexpr float kBonelessRearRise = 0.5f;

void placeLookBehindCamera(Velmora& v);

}  // namespace velmora
