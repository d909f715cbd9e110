// Wall-clock frame timing, measured by the first-person update and read by the look
// smoothing and the head follower.
#pragma once

#include <cstdint>

namespace velmora {

struct FrameClock {
    float RealFrameSeconds = 0.016f;   // seconds, wall-clock time of the last measured frame
    float timeScale = 1.0f;            // game time over wall-clock time, 0.05..1
    std::int64_t lastCounter = 0;      // performance-counter ticks at the last measurement; 0 = none
    std::int64_t counterFrequency = 0; // ticks per second, read once
};

}  // namespace velmora
