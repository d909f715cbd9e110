// How far a camera path played at one frame rate strays from the same scenario played at
// another: the frame-rate independence of the plug-in's formulas, measured.
#pragma once

#include <vector>

#include "sim/trace.h"

namespace velmora::sim {

struct PathDeviation {
    float positionRms = 0.0f;  // metres
    float positionMax = 0.0f;
    float rotationRms = 0.0f;  // degrees: the angle between the two orientations
    float rotationMax = 0.0f;
    int samples = 0;           // frames compared
};

// Compares every frame of the path that shows the scripted camera with the reference path at
// the same game time (between its two nearest frames, positions along the line and
// orientations along the shorter arc), where the reference shows it too.
PathDeviation comparePaths(const std::vector<TraceRow>& path, const std::vector<TraceRow>& reference);

}  // namespace velmora::sim
