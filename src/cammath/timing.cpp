#include "cammath/timing.h"

#include <algorithm>
#include <cmath>

#include "plugin/velmora.h"
#include "services/frame_reads.h"

namespace velmora {
namespace {

constexpr float kShortestFrame = 0.0001f;  // seconds
constexpr float kLongestFrame = 0.2f;      // seconds: a hitch counts as no longer than this

// 0..1, with NaN read as 0 so that a broken input never turns into a broken weight.
float clampUnit(float x) { return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f); }

}  // namespace

void tickFrameClock(FrameClock& clock, std::int64_t counter, std::int64_t frequency) {
    if (clock.counterFrequency == 0) clock.counterFrequency = frequency;
    if (clock.counter != 0 && clock.counterFrequency > 0) {
        const double seconds =
            static_cast<double>(counter - clock.counter) / static_cast<double>(clock.counterFrequency);
        const auto clamped = static_cast<float>(
            std::clamp(seconds, static_cast<double>(kShortestFrame), static_cast<double>(kLongestFrame)));
        if (std::isfinite(clamped)) clock.wallSeconds = clamped;  // NaN keeps the last
    }
    clock.counter = counter;
}

FrameSteps composedSteps(float seconds, float stepAt60) {
    // Written as "not greater than zero" so that a NaN frame is one of no time.
    if (!(seconds > 0.0f)) return FrameSteps{stepAt60, 0.0f};
    // In double: a frame of exactly 1/60 s is exactly one step.
    return FrameSteps{stepAt60, static_cast<float>(static_cast<double>(seconds) / static_cast<double>(kStepAt60))};
}

FrameSteps composedWallClock(const FrameClock& clock) { return composedSteps(clock.wallSeconds, kStandInStepAt60); }

float composedPeriodicCheck(PeriodicCheck& check, const FrameSteps& steps) {
    constexpr double kPeriod = 62.0 / 60.0;  // seconds
    constexpr double kRounding = 1e-7;       // seconds: a moment met to within rounding is met
    check.clock += static_cast<double>(countedSeconds(steps));
    if (check.clock < kPeriod - kRounding) return -1.0f;
    check.clock -= kPeriod;  // the next moment a period on, however late this one came
    return static_cast<float>(std::max(check.clock, 0.0));
}

FrameTiming composedTiming() { return FrameTiming{composedSteps, composedWallClock, composedPeriodicCheck}; }

float composedWeight(float weightPerStep, const FrameSteps& s) {
    const float w = clampUnit(weightPerStep);
    if (!(s.steps > 0.0f)) return 0.0f;
    if (s.steps == 1.0f) return w;  // exactly the step's own weight
    // In double, so that the many small steps of a high frame rate lose nothing to rounding.
    return static_cast<float>(1.0 - std::pow(1.0 - static_cast<double>(w), static_cast<double>(s.steps)));
}

float followWeight(float rate, const FrameSteps& s) { return composedWeight(rate * s.stepAt60, s); }

FrameSteps frameSteps(Velmora& v) { return v.timing.steps(frameTimeNow(v), kStepAt60); }

}  // namespace velmora
