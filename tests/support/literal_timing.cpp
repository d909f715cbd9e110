#include "support/literal_timing.h"

namespace velmora::testing {
namespace {

FrameSteps oneStepOf(float seconds, float) { return FrameSteps{seconds > 0.0f ? seconds : 0.0f, 1.0f}; }

FrameSteps lastMeasured(const FrameClock& clock) { return FrameSteps{clock.RealFrameSeconds, 1.0f}; }

}  // namespace

FrameTiming literalTiming() { return FrameTiming{oneStepOf, lastMeasured}; }

}  // namespace velmora::testing
