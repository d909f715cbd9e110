#include "cammath/cammath.h"

#include <algorithm>
#include <cmath>

#include "host/natives.h"

namespace velmora {
namespace {

Quaternion quaternionFromMatrix(const Matrix3& m) { return Quaternion(m); }

// A camera looking straight along +Z or -Z with heading 0: EulerToQuaternion(+-90, 0, 0).
Quaternion verticalLook(float directionZ) {
    const float s = 0.70710677f;
    return Quaternion(s, directionZ >= 0.0f ? s : -s, 0.0f, 0.0f);  // (w, x, y, z)
}

constexpr int kLookControlGroup = 2;
constexpr int kLookYawControl = 1;
constexpr int kLookPitchControl = 2;

}  // namespace

Quaternion EulerToQuaternion(const Rotation& rotation) {
    const float a = rotation.x * kDegToRad;
    const float b = rotation.y * kDegToRad;
    const float c = rotation.z * kDegToRad;
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(b), sb = std::sin(b);
    const float cc = std::cos(c), sc = std::sin(c);
    Matrix3 rx, ry, rz;
    rx << 1.0f, 0.0f, 0.0f,  //
        0.0f, ca, -sa,       //
        0.0f, sa, ca;
    ry << cb, 0.0f, sb,    //
        0.0f, 1.0f, 0.0f,  //
        -sb, 0.0f, cb;
    rz << cc, -sc, 0.0f,  //
        sc, cc, 0.0f,     //
        0.0f, 0.0f, 1.0f;
    const Matrix3 r = rz * ry * rx;
    return quaternionFromMatrix(r);
}

Rotation QuaternionToEuler(const Quaternion& q) {
    const float x = q.x(), y = q.y(), z = q.z(), w = q.w();
    const float sinPitch = std::clamp(2.0f * (w * x + y * z), -1.0f, 1.0f);
    const float pitch = std::asin(sinPitch);
    const float roll = std::atan2(-2.0f * (x * z - w * y), w * w - x * x - y * y + z * z);
    const float yaw = std::atan2(-2.0f * (x * y - w * z), w * w - x * x + y * y - z * z);
    return Rotation{pitch * kRadToDeg, roll * kRadToDeg, yaw * kRadToDeg};
}

Quaternion QuaternionSlerp(const Quaternion& q0, const Quaternion& q1, float t) { return q0.slerp(t, q1); }

Matrix3 LookBasis(Vector3& direction, const Vector3& up) {
    if (direction.squaredNorm() > 0.0f) direction /= direction.norm();
    Vector3 right = direction.cross(up);
    if (right.squaredNorm() > 0.0f) right /= right.norm();
    Vector3 trueUp = right.cross(direction);
    if (trueUp.squaredNorm() > 0.0f) trueUp /= trueUp.norm();
    Matrix3 basis;
    basis.col(0) = right;
    basis.col(1) = trueUp;
    basis.col(2) = -direction;
    return basis;
}

Quaternion LookRotationUp(Vector3& direction, const Vector3& up) {
    const Matrix3 basis = LookBasis(direction, up);
    // Written as "not greater than zero" so that NaN lengths take the fallbacks too.
    if (!(direction.squaredNorm() > 0.0f)) return Quaternion::Identity();
    if (basis.col(0).squaredNorm() > 0.0f) {
        // The basis maps the camera's -Z onto the direction; a -90 degree turn about local x
        // brings its +Y there instead.
        const Quaternion toForwardY(0.70710677f, -0.70710677f, 0.0f, 0.0f);  // (w, x, y, z)
        return quaternionFromMatrix(basis) * toForwardY;
    }
    // The direction runs along the up vector: orient by world up instead, and for a look
    // straight up or down use heading 0.
    if (up != worldUp()) return LookRotationUp(direction, worldUp());
    return verticalLook(direction.z());
}

Quaternion LookRotation(Vector3& direction) { return LookRotationUp(direction, worldUp()); }

LookAxes readLookAxes(const HostRuntime& runtime) {
    LookAxes axes;
    axes.h = invoke(runtime, natives::controlValue, kLookControlGroup, kLookYawControl);
    axes.v = invoke(runtime, natives::controlValue, kLookControlGroup, kLookPitchControl);
    axes.keyboardMouse = invoke(runtime, natives::lastInputWasKeyboardMouse, kLookControlGroup);
    return axes;
}

LookDelta lookDeltaFromAxes(const LookAxes& axes, const InputSettings& input, float lookWeight,
                            const FrameSteps& smoothing, float stickSteps, LookSmoothing& state) {
    const float h = std::isfinite(axes.h) ? axes.h : 0.0f;
    const float v = std::isfinite(axes.v) ? axes.v : 0.0f;

    float dx = 0.0f, dy = 0.0f;
    if (axes.keyboardMouse) {
        dx = -5.0f * h * input.mouseSensibility;
        dy = -5.0f * v * input.mouseSensibility;
    } else if (input.gamepadDeadzone < 1.0f) {
        // The stick's -5 and its 0.2 scale cancel out.
        float gx = -h, gy = -v;
        const float m2 = gx * gx + gy * gy;
        const float m = std::sqrt(m2);
        const float deadzone = input.gamepadDeadzone;
        if (m >= deadzone) {
            if (m2 > 0.0f) {
                gx /= m;
                gy /= m;
            }
            const float scale = (m - deadzone) / (1.0f - deadzone);
            gx *= scale;
            gy *= scale;
            if (input.gamepadEasing) {
                auto ease = [](float c) {
                    if (c == 0.0f) return 0.0f;
                    const float eased = 1.0f - std::cos(std::min(std::fabs(c), 1.0f) * kQuarterTurn);
                    return c > 0.0f ? eased : -eased;
                };
                gx = ease(gx);
                gy = ease(gy);
            }
            dx = gx * 2.0f * input.gamepadSensibility * stickSteps;
            dy = gy * 2.0f * input.gamepadSensibility * stickSteps;
        }
    }
    // A dead zone of 1 or more means the stick never looks. A sensitivity big enough to
    // overflow must not poison the smoothing state either.
    if (!std::isfinite(dx) || !std::isfinite(dy)) dx = dy = 0.0f;

    if (!(lookWeight > 0.0f)) return LookDelta{dx, dy};
    // The smoothing follows the turn per 60th of a second (the delta over the frame's share of
    // one: the wall clock's for the mouse, the game's for the stick), and gives back this
    // frame's share of it, so frames of uneven length turn the view evenly.
    const float share = axes.keyboardMouse ? smoothing.steps : stickSteps;
    if (!(share > 0.0f)) return LookDelta{0.0f, 0.0f};
    const float a = followWeight(lookWeight, smoothing);
    state.yaw = state.yaw + a * (dx / share - state.yaw);
    state.pitch = state.pitch + a * (dy / share - state.pitch);
    return LookDelta{state.yaw * share, state.pitch * share};
}

LookDelta ReadLookDelta(const HostRuntime& runtime, const SettingsRecord& settings, const FrameSteps& smoothing,
                        float stickSteps, LookSmoothing& state) {
    return lookDeltaFromAxes(readLookAxes(runtime), settings.input, settings.firstPersonView.LookWeight, smoothing,
                             stickSteps, state);
}

float WrapDegrees360(float degrees) { return std::fmod(std::fmod(degrees, 360.0f) + 360.0f, 360.0f); }

float wrapDegreesFloor360(float degrees) {
    const float wrapped = degrees - std::floor(degrees / 360.0f) * 360.0f;
    // A hair below 0 rounds up to exactly 360 in float; that is 0.
    return wrapped >= 360.0f ? wrapped - 360.0f : wrapped;
}

float wrapDegrees180(float degrees) {
    const float shifted = degrees + 180.0f;
    return shifted - std::floor(shifted / 360.0f) * 360.0f - 180.0f;
}

float withinLimit(float value, float limit) {
    const float l = limit > 0.0f ? limit : 0.0f;  // a NaN limit too
    return std::clamp(value, -l, l);
}

bool inWorld(const Vector3& position) {
    // NaN fails every comparison, so it is out of the world too.
    return std::fabs(position.x()) <= kWorldReach && std::fabs(position.y()) <= kWorldReach &&
           std::fabs(position.z()) <= kWorldReach;
}

float SmoothToward(float current, float target, float rate, const FrameSteps& steps) {
    return current + followWeight(rate, steps) * (target - current);
}

Vector3 SmoothToward(const Vector3& current, const Vector3& target, float rate, const FrameSteps& steps) {
    return current + followWeight(rate, steps) * (target - current);
}

}  // namespace velmora
