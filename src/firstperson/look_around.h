// The look orientation shared by both cameras, and its hold-and-return timer.
#pragma once

#include "cammath/types.h"

namespace velmora {

struct LookAround {
    Quaternion LookQuat = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);  // world look orientation; zero until seeded
    float lookHold = 0.0f;  // seconds, 0..2: 2 while a look is active, then falls with the frame time
};

}  // namespace velmora
