// The value types every camera shares: world vectors, rotations in the game's degrees
// convention, unit quaternions.
#pragma once

#include <Eigen/Core>
#include <Eigen/Geometry>

namespace velmora {

using Vector3 = Eigen::Vector3f;  // metres, world frame: x and y horizontal, z up
using Matrix3 = Eigen::Matrix3f;
using Quaternion = Eigen::Quaternionf;  // unit, stored (x, y, z, w), Hamilton product

// Three angles in degrees as the natives take them: x pitch (positive looks up),
// y roll, z yaw (heading). (0, 0, 0) looks along world +Y with world +Z up.
struct Rotation {
    float x = 0.0f;  // pitch, degrees
    float y = 0.0f;  // roll, degrees
    float z = 0.0f;  // yaw, degrees
};

// Look deltas for one frame, in degrees.
struct LookDelta {
    float yaw = 0.0f;
    float pitch = 0.0f;
};

inline Vector3 worldUp() { return Vector3(0.0f, 0.0f, 1.0f); }

}  // namespace velmora
