// Where the camera travels: a top-down plot of the camera's path against the vehicle's,
// with view-direction ticks and the mode changes, and beneath it field of view, height and
// distance behind the vehicle over time on bands coloured by mode.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "projection.h"
#include "scene.h"

namespace velmora::preview {

inline constexpr int kPathWidth = 1200;  // pixels
inline constexpr int kPathHeight = 1300;
inline constexpr int kTickEvery = 30;  // frames between view-direction ticks

struct Rect {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
    bool contains(double px, double py) const { return px >= x && px <= x + width && py >= y && py <= y + height; }
};

// The top-down plot's area in an image of the given size.
Rect topDownArea(int width, int height);

struct Point {
    double x = 0.0, y = 0.0;  // pixels
};

// World x, y to pixels with the same scale on both axes (north up), fitted into an area.
struct GroundMap {
    double scale = 1.0;                   // pixels per metre
    double originX = 0.0, originY = 0.0;  // pixel of world (0, 0)
    Point operator()(const Vector3& world) const;
};
// Fits every camera and vehicle position of the runs, with a margin, centred in the area.
GroundMap fitGround(const std::vector<const Recording*>& runs, const Rect& area);

// The mode's colour, the same in every picture.
Colour modeColour(const std::string& mode);

Surface renderPathPlot(const std::vector<const Recording*>& runs, int width = kPathWidth, int height = kPathHeight);

}  // namespace velmora::preview
