// Two runs of one scenario that must show the game the same thing: every trace column but
// the native calls equal, and the camera's position, rotation and field of view as close as
// the caller asks.
#pragma once

#include <vector>

#include "sim/trace.h"

namespace velmora::testing {

struct TraceDifference {
    float position = 0.0f;  // metres, the largest apart of any coordinate
    float rotation = 0.0f;  // degrees, the largest apart of any angle, across the ±180 seam
    float fov = 0.0f;       // degrees
    int frames = 0;         // frames with the camera more than the tolerance apart
    int firstFrame = -1;    // the first of them
};

// Compares row by row, with a failure for every column but the camera's that differs; the
// camera's differences are measured, and counted against the tolerances.
TraceDifference compareTraces(const std::vector<sim::TraceRow>& a, const std::vector<sim::TraceRow>& b,
                              float positionTolerance, float angleTolerance);

}  // namespace velmora::testing
