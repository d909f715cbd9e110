// The followers' timing written the plain per-frame way, to hold the plug-in's composing one
// to the same camera at 60 frames a second: every frame one step of its own length, weights
// rate × frame time, the stick's turn a fixed angle a frame, and the wall clock the chase
// camera and the menu do not measure stood in for by the first-person camera's last
// measurement (0.016 s before any).
#pragma once

#include "cammath/timing.h"

namespace velmora::testing {

FrameTiming literalTiming();

}  // namespace velmora::testing
