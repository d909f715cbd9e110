#include "firstperson/cabin.h"

#include <algorithm>
#include <cmath>

#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr float kHeadJump = 3.0f;  // metres: further than this the follower jumps onto the head
const char* const kHeadBone = "SKEL_Head";
const char* const kSaddleBone = "seat_f";

float frac(float x) { return x - std::floor(x); }

}  // namespace

Vector3 followHead(CabinMotion& cabin, Entity vehicle, const Vector3& headInVehicle, float followRate,
                   const FrameSteps& steps) {
    if (!cabin.headInitialised || cabin.headVehicle != vehicle ||
        (cabin.smoothedHead - headInVehicle).norm() > kHeadJump) {
        cabin.smoothedHead = headInVehicle;
        cabin.headInitialised = true;
        cabin.headVehicle = vehicle;
    } else {
        cabin.smoothedHead = SmoothToward(cabin.smoothedHead, headInVehicle, followRate, steps);
    }
    return cabin.smoothedHead;
}

float inertiaStep(CabinMotion& c, bool enabled, float driveFigure, float speedChange, float speed,
                  const FrameSteps& dt) {
    if (!enabled) return 0.0f;
    const float a = driveFigure * speedChange * 1700.0f;
    c.inertiaFast += (a - c.inertiaFast) * followWeight(1.725f, dt);
    c.inertiaSlow += (a - c.inertiaSlow) * followWeight(0.765f, dt);
    // Standing still, the slow follower catches up so the shift settles.
    if (speed <= 0.02f && c.inertiaSlow < c.inertiaFast)
        c.inertiaSlow += (c.inertiaFast - c.inertiaSlow) * followWeight(8.0f, dt);
    return std::clamp((std::max(speed * 0.01295f, 0.0f) + (c.inertiaFast - c.inertiaSlow) - 0.3f) * 0.175f, -0.1f,
                      0.1f);
}

float shakeNoise(float phase, float k) { return frac(std::sin(phase * 12.9898f + k) * 43758.547f) - 0.5f; }

void cabinMotionStep(CabinMotion& c, const FirstPersonView& s, const CabinInputs& in) {
    const float dt = in.dt;
    if (!s.TerrainShake) c.shakeOffset = Vector3::Zero();
    if (dt <= 0.0f) return;  // paused: everything stands still
    const float kr = followWeight(20.0f, in.steps);
    if (s.TerrainShake) {
        const float speed = in.velocity.norm();
        c.shakePhase += (speed * 0.25f + 12.0f) * in.realFrameSeconds;
        const float jolt = std::fabs((in.velocity.z() - c.prevVerticalVelocity) / dt);
        c.prevVerticalVelocity = in.velocity.z();
        const float amplitude = (1.0f / (0.045f * speed + 1.0f)) * std::min(speed / 3.0f, 1.0f) *
                                (s.ShakeSpeed * speed * 0.004f + jolt * s.ShakeTerrain * 0.01f) * in.timeScale;
        const float a = std::min(s.ShakeMaxOffset, amplitude);
        const float kp = followWeight(22.0f, in.steps);
        const float p = c.shakePhase;
        c.shakeOffset.x() += (shakeNoise(p, 0.0f) * a * 0.6f - c.shakeOffset.x()) * kp;
        c.shakeOffset.y() += (shakeNoise(p, 17.0f) * a * 0.6f - c.shakeOffset.y()) * kp;
        c.shakeOffset.z() += (shakeNoise(p, 43.0f) * a - c.shakeOffset.z()) * kp;
        c.shakePitch += (s.ShakeRotation * shakeNoise(p, 71.0f) * a * 90.0f - c.shakePitch) * kr;
        c.shakeRoll += (s.ShakeRotation * shakeNoise(p, 103.0f) * a * 60.0f - c.shakeRoll) * kr;
        c.shakeYaw += (shakeNoise(p, 139.0f) * a * 45.0f * s.ShakeRotation - c.shakeYaw) * kr;
        const float gain = speed / 45.0f > 1.0f ? 1.25f : speed / 45.0f + 0.25f;
        const float hum = frac(std::sin(p * 4.5f * 12.9898f + 211.0f) * 43758.547f) - 0.5f;
        c.vibration = gain * hum * s.EngineVibration;
    } else {
        // Switched off mid-corner, the camera must not stay tilted: the rotational shake and
        // the vibration fade out at the shake's own rate.
        c.shakePitch -= c.shakePitch * kr;
        c.shakeRoll -= c.shakeRoll * kr;
        c.shakeYaw -= c.shakeYaw * kr;
        c.vibration -= c.vibration * kr;
    }
    if (!s.HeadLean) {
        c.leanOffset = Vector3::Zero();
        return;
    }
    const float lateral = withinLimit(-in.sidewaysSpeed * s.LeanLateral, s.LeanLateralLimit);
    const float ahead = withinLimit(s.LeanForward * in.speedChange * -0.02f, s.LeanForwardLimit);
    c.leanOffset += (in.right * lateral + in.forward * ahead - c.leanOffset) * followWeight(6.0f, in.steps);
}

bool cabinSound(const CabinMotion& c) {
    constexpr float kCabinReach = 5.0f;  // metres: no lean, shake or vibration moves the eye farther
    constexpr float kHeadReach = 50.0f;  // metres from the vehicle's origin, in its frame
    for (const float x :
         {c.inertiaFast, c.inertiaSlow, c.shakePhase, c.prevVerticalVelocity, c.shakePitch, c.shakeRoll, c.shakeYaw})
        if (!std::isfinite(x)) return false;
    // Written as "within", so that a NaN is outside.
    return std::fabs(c.vibration) <= kCabinReach && c.shakeOffset.norm() <= kCabinReach &&
           c.leanOffset.norm() <= kCabinReach && c.smoothedHead.norm() <= kHeadReach && inWorld(c.rawHead);
}

Vector3 keepInFrontOfEyes(const Vector3& point, const Vector3& head, const Vector3& axis, float margin) {
    const float d = (point - head).dot(axis);
    return d < margin ? Vector3(point + axis * (margin - d)) : point;
}

Vector3 eyeAnchor(Velmora& v, const Quaternion& qv, const FrameSteps& steps) {
    const HostRuntime& rt = v.runtime;
    const Entity vehicle = v.driver.currentVehicle;
    const VehicleSample& s = v.sample;
    CabinMotion& c = v.cabin;
    const FirstPersonView& settings = v.settings.firstPersonView;

    if (v.profile.seatAnchored) {
        // A saddle the model lacks is not asked for with index -1: the origin stands in.
        const std::int32_t saddle = cachedBoneIndex(rt, v.profile.bones.saddle, vehicle, kSaddleBone);
        const Vector3 seat = saddle != -1 ? invoke(rt, natives::bonePosition, vehicle, saddle) : s.vehiclePosition;
        Vector3 eye = seat + s.vehicleUp * 0.4f + s.vehicleForward * 0.32f;
        c.rawHead = eye;  // the guard keeps the camera in front of this eye, not a stale head
        return eye;
    }
    const Vector3& o = v.profile.eyeOffset;
    const Vector3 mount = invoke(rt, natives::entityPointToWorld, vehicle, o.x(), o.y(), o.z());
    const std::int32_t headBone = cachedBoneIndex(rt, v.profile.bones.head, v.driver.playerPed, kHeadBone);
    const Vector3 head = headBone != -1 ? invoke(rt, natives::bonePosition, v.driver.playerPed, headBone) : mount;
    // With the special-ability fix the head is followed in wall-clock time, as measured.
    const FrameSteps step = settings.SpecialAbilityFix ? v.timing.steps(v.clock.RealFrameSeconds, kStepAt60) : steps;
    const Vector3 followed =
        followHead(c, vehicle, qv.conjugate() * (head - s.vehiclePosition), settings.HeadFollowRate, step);
    c.rawHead = head;
    return settings.MountPoint != 0 ? mount : Vector3(s.vehiclePosition + qv * followed);
}

void updateCabinMotion(Velmora& v, float dt) {
    const FirstPersonView& settings = v.settings.firstPersonView;
    const Entity vehicle = v.driver.currentVehicle;
    CabinInputs in;
    in.dt = dt;
    in.steps = frameSteps(v);
    in.realFrameSeconds = v.clock.RealFrameSeconds;
    in.timeScale = v.clock.timeScale;
    in.speedChange = v.sample.speedChange;
    in.right = v.sample.vehicleRight;
    in.forward = v.sample.vehicleForward;
    if (dt > 0.0f) {
        if (settings.TerrainShake) in.velocity = v.sample.vehicleVelocity;  // this frame's sample
        if (settings.HeadLean) in.sidewaysSpeed = invoke(v.runtime, natives::entitySpeedVector, vehicle, true).x();
    }
    cabinMotionStep(v.cabin, settings, in);
}

}  // namespace velmora
