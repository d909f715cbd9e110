// The camera's picture: sky, ground and its grid, ramps, obstacles and vehicles as shaded
// boxes drawn far to near, the player's cabin bones and eye point on top of its body.
#pragma once

#include "canvas.h"
#include "projection.h"
#include "scene.h"

namespace velmora::preview {

inline constexpr int kViewWidth = 960;  // pixels, 16:9
inline constexpr int kViewHeight = 540;
inline constexpr float kGridSpacing = 5.0f;  // metres between grid lines
inline constexpr float kGridReach = 200.0f;  // metres of grid around the camera

// Base colours; a face is its colour times a light factor between kShadeMin and 1.
inline constexpr Colour kSky{0.72, 0.82, 0.92};
inline constexpr Colour kGround{0.55, 0.60, 0.50};
inline constexpr Colour kGrid{0.40, 0.45, 0.36};
inline constexpr Colour kRamp{0.62, 0.58, 0.48};
inline constexpr Colour kPlayerBody{0.80, 0.20, 0.15};
inline constexpr Colour kOtherBody{0.85, 0.70, 0.20};
inline constexpr Colour kObstacle{0.25, 0.45, 0.80};
inline constexpr Colour kCabinMark{0.10, 0.85, 0.95};
inline constexpr Colour kEyeMark{1.0, 1.0, 1.0};
inline constexpr double kShadeMin = 0.55;

Camera cameraOf(const Scene& scene, int width, int height);

// Draws the scene onto a context whose user space is the camera's pixels.
void drawView(cairo_t* cr, const Scene& scene, const Camera& camera);

Surface renderView(const Scene& scene, int width = kViewWidth, int height = kViewHeight);

}  // namespace velmora::preview
