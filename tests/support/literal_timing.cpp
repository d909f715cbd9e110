#include "support/literal_timing.h"

namespace velmora::testing {
namespace {

FrameSteps oneStepOf(float seconds, float) { return FrameSteps{seconds > 0.0f ? seconds : 0.0f, 1.0f}; }

FrameSteps lastMeasured(const FrameClock& clock) { return FrameSteps{clock.RealFrameSeconds, 1.0f}; }

// A timer of 1 s counted down by each frame's time, checked on the frame after it runs out.
float countedDown(PeriodicCheck& check, const FrameSteps& steps) {
    if (check.timer > 0.0f) {
        check.timer -= countedSeconds(steps);
        return -1.0f;
    }
    check.timer = 1.0f;
    return 0.0f;
}

}  // namespace

FrameTiming literalTiming() { return FrameTiming{oneStepOf, lastMeasured, countedDown}; }

}  // namespace velmora::testing
