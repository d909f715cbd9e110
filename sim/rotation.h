// The simulated game's own rotation formulas. Written out here, apart from the plug-in's
// camera maths, so that a convention error cannot pass unseen by sitting on both sides of
// the seam: rotation matrices from elementary turns, their decomposition into the game's
// six rotation orders, quaternions and angle wrapping.
//
// Conventions of the game: x is pitch (about the right axis), y roll (about the forward
// axis), z yaw (about the up axis), in degrees; a body with no rotation faces world +Y with
// world +Z up; yaw 90 faces world -X. Order codes name the axes in the order they apply:
// 0 XYZ is R = Rz·Ry·Rx, 2 YXZ is R = Rz·Rx·Ry, and so on for 1 XZY, 3 YZX, 4 ZXY, 5 ZYX.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velmora::sim {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr std::int32_t kOrderBody = 2;  // the order the cameras and bodies use

float radians(float degrees);
float degrees(float radians);

// A right-handed turn about one world axis (0 x, 1 y, 2 z), counter-clockwise seen from the
// axis' positive end.
Matrix3 axisTurn(int axis, float degreesAngle);

// The matrix of a rotation given in an order code; orders outside 0..5 are taken as 2.
Matrix3 composeRotation(const Rotation& rotation, std::int32_t order);
// The angles of a rotation matrix in an order code, the middle angle in [-90, 90].
Rotation decomposeRotation(const Matrix3& m, std::int32_t order);

// A body pose by yaw, pitch and roll in degrees (order 2).
Matrix3 bodyOrientation(float yaw, float pitch, float roll);

// The unit quaternion (x, y, z, w) of a rotation matrix, w kept non-negative, and back.
Quaternion quaternionOfMatrix(const Matrix3& m);
Matrix3 matrixOfQuaternion(const Quaternion& q);

// The orientation a fraction w of the way from a to b along the shorter arc.
Matrix3 blendOrientation(const Matrix3& a, const Matrix3& b, float w);

// Angles into [0, 360) and (-180, 180].
float wrap360(float a);
float wrap180(float a);

// The yaw (heading) of a direction's horizontal part: 0 for +Y, 90 for -X.
float headingOf(const Vector3& direction);

}  // namespace velmora::sim
