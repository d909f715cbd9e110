// Wall-clock frame timing, measured by the first-person update and read by the look
// smoothing, the head follower and the chase blend.
#pragma once

#include <cstdint>

namespace velmora {

struct FrameClock {
    float RealFrameSeconds = 0.016f;    // seconds, wall-clock time of the last measured frame
    float timeScale = 1.0f;             // game time over wall-clock time, 0.05..1
    std::int64_t lastCounter = 0;       // performance-counter ticks at the last measurement; 0 = none
    std::int64_t counterFrequency = 0;  // ticks per second, read once
    std::uint32_t frameTicks = 0;       // frame ticks so far; set by the frame driver
    std::uint32_t measuredTick = 0;     // the frame tick of the last measurement
};

// Measures the frame that ends at `counter`: the time since the last measurement, 0.0001 to
// 0.2 s, unless the previous frame went unmeasured (a look-behind, another camera), in which
// case the measurement starts afresh and RealFrameSeconds keeps its value. Then the time
// scale: the game's frame time over the wall clock's, 0.05..1.
void measureFrame(FrameClock& clock, std::int64_t counter, float gameFrameTime);

}  // namespace velmora
