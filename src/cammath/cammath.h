// The camera math both cameras share, so that they agree to the last constant: the game's
// rotation convention, quaternion conversions and interpolation, look orientations, the
// mouse and stick reading, angle wrapping and first-order smoothing. Single precision
// throughout.
#pragma once

#include <cstdint>

#include "cammath/timing.h"
#include "config/settings.h"
#include "host/runtime.h"
#include "host/types.h"

namespace velmora {

inline constexpr float kDegToRad = 0.017453292f;
inline constexpr float kRadToDeg = 57.295776f;
inline constexpr float kQuarterTurn = 1.5707964f;  // radians

// Rotation in degrees to quaternion: R = Rz(yaw)·Ry(roll)·Rx(pitch), so pitch applies
// first and yaw last; the matrix converts by the standard trace/largest-diagonal method.
Quaternion EulerToQuaternion(const Rotation& rotation);

// The inverse for the same frame, pitch the middle angle; the asin argument is clamped to
// [-1, 1] so float error on a unit quaternion never makes a NaN.
Rotation QuaternionToEuler(const Quaternion& q);

// Spherical interpolation along the shorter arc, linear weights once the two are within
// float epsilon of each other; the result is not renormalised.
Quaternion QuaternionSlerp(const Quaternion& q0, const Quaternion& q1, float t);

// Columns right, true up and -direction. The direction is normalised in place (when it has
// a length), as are right and true up.
Matrix3 LookBasis(Vector3& direction, const Vector3& up);

// The orientation that turns the camera's forward axis (+Y) onto the direction and its up
// axis (+Z) toward the up vector (WorldUp for LookRotation). The direction is normalised in
// place.
//
// Degenerate directions answer a finite unit quaternion chosen here:
//   - a zero (or non-finite) direction: the identity, a camera looking along world +Y;
//   - a direction parallel to the up vector (or a zero up vector): oriented by world up
//     instead, as LookRotation would;
//   - a direction along world up itself: the camera looks along it with heading 0, that is
//     pitch +90 (up) or -90 (down) about world X, its picture's up being world -Y or +Y.
Quaternion LookRotation(Vector3& direction);
Quaternion LookRotationUp(Vector3& direction, const Vector3& up);

// ---------------------------------------------------------------------------------------
// Look input from the mouse and the stick.

// The raw reading: the two analogue look controls and whether the last input came from
// keyboard and mouse.
struct LookAxes {
    float h = 0.0f;  // control 1 of group 2: drives yaw
    float v = 0.0f;  // control 2 of group 2: drives pitch
    bool keyboardMouse = false;
};

// The smoothed look state of ReadLookDelta; zero at load.
struct LookSmoothing {
    float yaw = 0.0f;    // degrees per 60th of a second
    float pitch = 0.0f;  // degrees per 60th of a second
};

LookAxes readLookAxes(const HostRuntime& runtime);

// The arithmetic of ReadLookDelta on plain values. A non-finite axis counts as resting,
// and a dead zone of 1 or more turns the stick off, so nothing non-finite ever reaches
// the smoothing state. The mouse reports its movement in the frame, so its delta is taken as
// it is; the stick reports a deflection, so its delta, tuned per frame at 60 frames a second,
// is scaled by the frame's steps (`stickSteps`). The smoothing composes over `smoothing`.
LookDelta lookDeltaFromAxes(const LookAxes& axes, const InputSettings& input, float lookWeight,
                            const FrameSteps& smoothing, float stickSteps, LookSmoothing& state);

// Reads the look controls and turns them into this frame's (yaw, pitch) delta in degrees,
// with sensitivity, radial dead zone, easing and smoothing.
LookDelta ReadLookDelta(const HostRuntime& runtime, const SettingsRecord& settings, const FrameSteps& smoothing,
                        float stickSteps, LookSmoothing& state);

// ---------------------------------------------------------------------------------------
// Angles and smoothing.

// fmod-based wrap into [0, 360).
float WrapDegrees360(float degrees);
// The cameras' inline forms: a - floor(a/360)*360 (kept below 360 when float rounding
// would give exactly 360), and into [-180, 180).
float wrapDegreesFloor360(float degrees);
float wrapDegrees180(float degrees);

// The farthest from the origin, in metres along any axis, that a camera is ever placed. The
// game's map lies well within it, so a position beyond is broken data, as a NaN is.
inline constexpr float kWorldReach = 100000.0f;
bool inWorld(const Vector3& position);

// value kept within -limit..limit. The limits come from the settings, which the menu may step
// below zero: a negative limit allows no movement at all, as 0 does (taken as its magnitude,
// the effect would grow again while the player keeps lowering it).
float withinLimit(float value, float limit);

// current + followWeight(rate, steps) * (target - current).
float SmoothToward(float current, float target, float rate, const FrameSteps& steps);
Vector3 SmoothToward(const Vector3& current, const Vector3& target, float rate, const FrameSteps& steps);

}  // namespace velmora
