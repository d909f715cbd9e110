// A pinhole camera of the preview's own: world points into camera space and pixels, and
// clipping against the near plane. Written apart from the plug-in's camera maths so the
// pictures check its result rather than repeat it; the game's angles become a matrix
// through the simulated game's rotation formulas, as the game would turn them.
#pragma once

#include <vector>

#include <Eigen/Core>

#include "host/types.h"

namespace velmora::preview {

using Vector2 = Eigen::Vector2f;  // pixels, or metres on the ground

inline constexpr float kNearPlane = 0.05f;  // metres in front of the eye; nearer is cut away

struct Camera {
    Vector3 position = Vector3::Zero();
    Matrix3 axes = Matrix3::Identity();  // columns: right, forward (the view direction), up
    float verticalFov = 50.0f;           // degrees, top to bottom of the picture
    int width = 960;                     // pixels
    int height = 540;
};

// The camera of a game pose: position, rotation in degrees (pitch x, roll y, yaw z, the
// bodies' order) and vertical field of view.
Camera cameraOf(const Vector3& position, const Rotation& rotation, float fov, int width, int height);

// Camera space: x to the right, y up, z the depth along the view direction.
Vector3 toCameraSpace(const Camera& camera, const Vector3& world);

// The pixel of a camera-space point in front of the near plane (x right, y down).
Vector2 toPixel(const Camera& camera, const Vector3& p);

// Projects a world point; false when it lies behind the near plane.
bool project(const Camera& camera, const Vector3& world, Vector2& pixel);

// Cuts a camera-space segment to the part in front of the near plane; false when nothing is left.
bool clipSegment(Vector3& a, Vector3& b);

// Cuts a camera-space polygon to the part in front of the near plane (empty when none is).
std::vector<Vector3> clipPolygon(const std::vector<Vector3>& polygon);

}  // namespace velmora::preview
