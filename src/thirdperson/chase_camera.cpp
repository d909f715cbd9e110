#include "thirdperson/chase_camera.h"

#include <algorithm>
#include <cmath>

#include "plugin/velmora.h"

namespace velmora {
namespace {

const Vector3 kBack(0.0f, -1.0f, 0.0f);
const Vector3 kAhead(0.0f, 1.0f, 0.0f);

constexpr float kFreeLookPitchMin = -62.0f;  // degrees
constexpr float kFreeLookPitchMax = 40.0f;
constexpr float kAimFov = 60.0f;               // degrees while aiming
constexpr std::int32_t kReticle = 14;          // the HUD component shown while aiming
constexpr float kDynamicFovSpeedCap = 110.0f;  // metres per second, without the limit switch

constexpr float kHitTolerance = 0.5f;  // metres off the probed segment a true hit may lie
constexpr float kLostReach = 100.0f;   // metres beyond the rod: followers farther are lost

bool finite(const Vector3& v) { return v.allFinite(); }

// How far p lies from the segment from a to b; NaN when any of them is not finite.
float distanceToSegment(const Vector3& p, const Vector3& a, const Vector3& b) {
    const Vector3 ab = b - a;
    const float lengthSquared = ab.squaredNorm();
    const float t = lengthSquared > 0.0f ? std::clamp((p - a).dot(ab) / lengthSquared, 0.0f, 1.0f) : 0.0f;
    return (a + t * ab - p).norm();
}
bool finite(const Quaternion& q) { return q.coeffs().allFinite(); }

// A direction LookRotation can turn a camera onto: not zero, not straight up or down.
bool lookable(const Vector3& d) {
    return d.allFinite() && d.squaredNorm() > 0.0f && d.cross(worldUp()).squaredNorm() > 0.0f;
}

// LookRotation of a direction, or the fallback when the direction gives none.
Quaternion lookOr(Vector3 direction, const Quaternion& fallback) {
    return lookable(direction) ? LookRotation(direction) : fallback;
}

// Everything a chase frame changes, so that a frame that ends non-finite can be undone.
struct FrameSnapshot {
    ChaseState chase;
    LookAround look;
};

bool stateFinite(const Velmora& v) {
    const ChaseState& c = v.chaseState;
    return finite(c.vehicleQuat) && finite(c.motionQuat) && finite(c.trailPoint) && finite(c.obstructedPoint) &&
           finite(c.lastBase) && std::isfinite(c.attachmentHeight) && std::isfinite(c.attachmentLength) &&
           finite(v.lookAround.LookQuat) && std::isfinite(v.lookAround.lookHold);
}

float dynamicFov(const ThirdPersonView& s, float speed) {
    // A reference speed of exactly 0 would divide by zero: the widest view is then reached
    // at once and held, which is what a reference "at no speed at all" asks for. A negative
    // one is well defined and follows the formula (the view narrows with speed).
    if (s.DynamicFovMaxAtSpeed == 0.0f) return s.DynamicFovMax;
    const float cap = s.DynamicFovMaxLimit ? s.DynamicFovMaxAtSpeed : kDynamicFovSpeedCap;
    return s.DynamicFovMin + (s.DynamicFovMax - s.DynamicFovMin) * std::min(speed, cap) / s.DynamicFovMaxAtSpeed;
}

float attachmentLengthNow(Velmora& v) {
    ChaseState& c = v.chaseState;
    const Entity vehicle = v.driver.currentVehicle;
    if (v.profile.hasTowArm) {
        const Entity towed = invoke(v.runtime, natives::towedEntity, vehicle);
        if (towed == 0) {
            c.attachmentHeightTarget = 0.0f;
            c.towedHandle = 0;
            c.towedLength = 0.0f;
            return 0.0f;
        }
        if (towed != c.towedHandle) {
            c.attachmentHeightTarget = 0.75f;
            c.towedLength = vehicleLength(v, towed) + 2.0f;
            c.towedHandle = towed;
        }
        return c.towedLength;
    }
    if (v.profile.hasAttachFemale && invoke(v.runtime, natives::isTrailerAttached, vehicle)) {
        Entity trailer = 0;
        invoke(v.runtime, natives::hasTrailer, vehicle, &trailer);
        if (trailer != 0) {
            if (trailer != c.trailerHandle) {
                c.attachmentHeightTarget = 1.45f;
                c.trailerLength = vehicleLength(v, trailer) + 1.85f;
                c.trailerHandle = trailer;
            }
            return c.trailerLength;
        }
    }
    c.attachmentHeightTarget = 0.0f;
    c.trailerHandle = 0;
    c.trailerLength = 0.0f;
    return 0.0f;
}

// The rod turns toward the look-at point, dragged from where its free end was: at 60 frames a
// second from the free end straight to the look-at point. At another rate it turns as a
// 60th of a second's drag would turn it, times the frame's steps: the look-at point's motion
// over the frame is taken at its pace over a 60th (so the rod's lever is the same), and turned
// with the bend to the direction it has over a 60th (so the rod swings out as far). A rod with
// no direction keeps the one it had.
void turnRod(ChaseState& c, const Vector3& lookAt, const FrameSteps& steps) {
    Vector3 rod = lookAt - c.trailPoint;
    if (!lookable(rod)) return;
    const float s = steps.steps;
    const Vector3 drag = lookAt - c.lastLookAt;
    if (s == 1.0f || !c.lookAtKnown) {
        c.motionQuat = LookRotationUp(rod, worldUp());
    } else if (s > 0.0f) {
        Vector3 sixtieth = drag / s;
        const Eigen::Vector2f was(c.lastDrag.x(), c.lastDrag.y()), now(drag.x(), drag.y());
        if (c.lastDragSteps > 0.0f && was.squaredNorm() > 0.0f && now.squaredNorm() > 0.0f) {
            // The bend: how far the drag's heading turns in a 60th of a second.
            const float turn = std::atan2(was.x() * now.y() - was.y() * now.x(), was.dot(now));
            const float perSixtieth = turn / (0.5f * (s + c.lastDragSteps));
            sixtieth = Eigen::AngleAxisf(0.5f * perSixtieth * (1.0f - s), worldUp()) * sixtieth;
        }
        Vector3 before = c.lastLookAt - c.trailPoint;
        Vector3 after = c.lastLookAt + sixtieth - c.trailPoint;
        if (lookable(before) && lookable(after)) {
            const Quaternion from = LookRotationUp(before, worldUp());
            c.motionQuat = QuaternionSlerp(from, LookRotationUp(after, worldUp()), s).normalized();
        } else {
            c.motionQuat = LookRotationUp(rod, worldUp());
        }
    }
    if (s > 0.0f) {
        c.lastDrag = drag;
        c.lastDragSteps = s;
    }
    c.lastLookAt = lookAt;
    c.lookAtKnown = true;
}

}  // namespace

void seedChaseState(Velmora& v, const Vector3& viewDirection) {
    ChaseState& c = v.chaseState;
    // A view direction the camera cannot look along falls back on the vehicle's own.
    const Quaternion q = lookOr(viewDirection, lookOr(v.sample.vehicleForward, Quaternion::Identity()));
    v.lookAround.LookQuat = q;
    c.vehicleQuat = q;
    c.motionQuat = q;
    const float length = v.profile.chaseDistance + c.attachmentLength;
    const float height = v.profile.chaseHeight + v.profile.tallLift + 0.14f;
    c.trailPoint = v.sample.vehiclePosition + length * (q * kBack) + Vector3(0.0f, 0.0f, height);
    c.lookAtKnown = false;
}

void refreshAttachment(Velmora& v) {
    ChaseState& c = v.chaseState;
    const FrameSteps steps = frameSteps(v);
    const float late = v.timing.periodicCheck(c.attachmentCheck, steps);
    if (late < 0.0f) return;
    const float height = c.attachmentHeightTarget, length = c.attachmentLengthTarget;
    c.attachmentLengthTarget = attachmentLengthNow(v);
    // A new target takes effect, as at 60 frames a second, a 60th of a second before the
    // moment of the check: a check that lands later on a frame, or a frame of another length,
    // is made up for by the followers' next step.
    if (c.attachmentLengthTarget != length || c.attachmentHeightTarget != height)
        c.attachmentCatchUp = late + steps.stepAt60 - countedSeconds(steps);
}

void updateChaseCamera(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const FrameSnapshot before{v.chaseState, v.lookAround};
    ChaseState& c = v.chaseState;
    LookAround& look = v.lookAround;
    const VehicleSample& s = v.sample;
    const VehicleProfile& profile = v.profile;
    const ThirdPersonView& settings = v.settings.thirdPersonView;
    const FrameDriver& d = v.driver;
    const CameraHandle camera = v.camera.cameraHandle;

    stepChaseParameters(v);
    // The blend changes the chase parameters, not the body: the geometry is derived again from
    // the body as last measured, with no walk of its bones.
    if (!v.chase.chaseBlendSettled) deriveChaseGeometry(v);
    const ChaseParameters& params = v.chase;

    const float lift = profile.angleLift + 0.15f;
    const FrameSteps dt = frameSteps(v);
    const FrameSteps attached =
        c.attachmentCatchUp != 0.0f ? v.timing.steps(countedSeconds(dt) + c.attachmentCatchUp, kStepAt60) : dt;
    c.attachmentCatchUp = 0.0f;
    c.attachmentHeight += (c.attachmentHeightTarget - c.attachmentHeight) * followWeight(1.45f, attached);
    c.attachmentLength += (c.attachmentLengthTarget - c.attachmentLength) * followWeight(1.75f, attached);

    const Vector3 base = s.vehiclePosition + worldUp() * profile.chaseHeight;
    // A car that is suddenly far from where the followers are (a teleport, or a frame of
    // broken data now past) would have them fly after it for seconds: they start afresh
    // behind it instead.
    const float reach = kLostReach + profile.chaseDistance + c.attachmentLength;
    if (!((c.trailPoint - base).norm() <= reach) || (c.obstructed && !((c.obstructedPoint - base).norm() <= reach))) {
        seedChaseState(v, s.vehicleForward);
        c.obstructed = false;
        c.lastBase = base;
    }

    float qx = 0.0f, qy = 0.0f, qz = 0.0f, qw = 1.0f;
    invoke(rt, natives::entityQuaternion, d.currentVehicle, &qx, &qy, &qz, &qw);
    const float follow = followWeight((s.vehicleVelocity.norm() * 0.017f + 1.39f) * 3.0f, dt);
    c.vehicleQuat = QuaternionSlerp(c.vehicleQuat, Quaternion(qw, qx, qy, qz), follow);

    const Vector3 lookAt = base + worldUp() * (c.attachmentHeight + lift);
    turnRod(c, lookAt, dt);

    float behind = 0.0f;
    float yaw = 0.0f;
    if (!lookBehindHeldNow(v) && !v.look.lookBackHeld) {
        const float axis = v.look.lookKeyAxis;
        yaw = axis < 0.0f ? axis * settings.lookLeftAngle : axis * settings.lookRightAngle;
    } else {
        behind = 1.0f;
        yaw = 180.0f;
    }

    Quaternion view = c.motionQuat;
    if (d.aimHeld || v.look.lookInputActive) {
        if (look.lookHold < 0.0001f) look.LookQuat = c.motionQuat;  // free look starts from the view
        look.lookHold = startedTimer(2.0f, dt);
        const LookDelta delta = ReadLookDelta(rt, v.settings, v.timing.wallClock(v.clock), dt.steps, v.lookSmoothing);
        const Rotation turned = QuaternionToEuler(look.LookQuat * EulerToQuaternion({delta.pitch, 0.0f, delta.yaw}));
        const float pitch = std::clamp(turned.x, kFreeLookPitchMin, kFreeLookPitchMax);
        look.LookQuat = EulerToQuaternion({pitch, 0.0f, turned.z});
    }
    if (std::fabs(yaw) >= 0.001f) {
        // A side look or look-behind turns about the vehicle's own up axis.
        const float half = 0.5f * yaw * kDegToRad;
        look.LookQuat = c.vehicleQuat * Quaternion(std::cos(half), 0.0f, 0.0f, std::sin(half));
    }
    const float weight = std::clamp(behind + std::fabs(v.look.lookKeyAxis) + look.lookHold, 0.0f, 1.0f);
    look.lookHold = std::clamp(look.lookHold - countedSeconds(dt), 0.0f, 2.0f);
    if (weight >= 0.99f) {
        view = look.LookQuat;
    } else {
        look.LookQuat = view;
    }

    float fov = params.fov;
    if (settings.DynamicFov) fov = dynamicFov(settings, s.vehicleSpeed);
    if (d.aimBlend > 0.005f) fov += (kAimFov - fov) * d.aimBlend;
    if (std::isfinite(fov)) invoke(rt, natives::setCameraFov, camera, fov);
    if (d.aimHeld) invoke(rt, natives::showHudComponent, kReticle);

    const float length = profile.chaseDistance + c.attachmentLength;
    const float cameraLift = lift + 0.22f * d.aimBlend;
    const Vector3 raised = base + worldUp() * (c.attachmentHeight + cameraLift);
    const Vector3 rodEnd = raised + length * (view * kBack);
    c.trailPoint = rodEnd;

    const std::int32_t probe = invoke(rt, natives::startSegmentProbe, base.x(), base.y(), base.z(), rodEnd.x(),
                                      rodEnd.y(), rodEnd.z(), 1, d.currentVehicle, 7);
    std::int32_t hit = 0;
    Entity hitEntity = 0;
    NativeVector3 hitPoint{}, hitNormal{};
    invoke(rt, natives::segmentProbeResult, probe, &hit, &hitPoint, &hitNormal, &hitEntity);
    const Vector3 hitAt(hitPoint.x, hitPoint.y, hitPoint.z);
    Vector3 normal(hitNormal.x, hitNormal.y, hitNormal.z);
    // A hit is believed only where it can be: on the probed segment. Anywhere else it is
    // broken data, and the camera would fly to it; a normal that is no unit vector pushes off
    // by nothing.
    if (hit != 0 && !(distanceToSegment(hitAt, base, rodEnd) <= kHitTolerance)) hit = 0;
    if (!(std::fabs(normal.norm() - 1.0f) <= 0.1f)) normal = Vector3::Zero();
    const Vector3 held = hitAt + 0.22f * normal + 0.12f * (view * kAhead);

    // Aim a little toward the middle of the body: between its front and rear ends, more the
    // more the camera looks along the car, fading out while a look is in force.
    const Quaternion qA = lookOr(lookAt - rodEnd, view);
    const Quaternion qF = lookOr(lookAt + profile.frontExtent * s.vehicleForward - rodEnd, qA);
    const Quaternion qR = lookOr(lookAt - profile.rearExtent * s.vehicleForward - rodEnd, qA);
    const float along = ((qA * kAhead).dot(s.vehicleForward) + 1.0f) * 0.5f;
    const Quaternion qM = QuaternionSlerp(qR, qF, std::clamp(0.5f * along, 0.0f, 1.0f));
    const float bias = std::min(1.0f - weight, 1.0f - s.travelBlend) * std::max(along, 0.875f) * 0.15f;
    const Quaternion qE = QuaternionSlerp(qA, qM, bias);
    const Rotation aim = QuaternionToEuler(qE);
    const Vector3 biased = raised + length * (qE * kBack);

    Vector3 output = biased;
    if (hit == 0) {
        if (c.obstructed) {
            // Easing back out, the held point rides with the car: eased in the world alone, it
            // would trail a moving car by speed/7 for ever and never drop back.
            c.obstructedPoint += base - c.lastBase;
            c.obstructedPoint += (biased - c.obstructedPoint) * followWeight(7.0f, dt);
            if ((c.obstructedPoint - biased).norm() < 0.05f) {
                c.obstructed = false;
            } else {
                output = c.obstructedPoint;
            }
        }
    } else {
        if (!c.obstructed) {
            c.obstructed = true;
            c.obstructedPoint = biased;
        }
        c.obstructedPoint += (held - c.obstructedPoint) * followWeight(20.0f, dt);
        output = c.obstructedPoint;
    }
    c.lastBase = base;

    const float pitch = aim.x - params.angle + params.aimOffset;
    // A pose that is not finite (or flung out of the world by a broken answer) never reaches
    // the game: the camera keeps its last good pose and the frame's changes are undone, so
    // the next good frame starts from sound state.
    if (!inWorld(output) || !std::isfinite(pitch) || !std::isfinite(aim.z)) {
        logFault(v, LogFault::ChasePoseHeldBack,
                 "the chase camera's pose came out not finite or out of the world: the camera kept its last pose");
        v.chaseState = before.chase;
        v.lookAround = before.look;
        if (!stateFinite(v) && s.vehiclePosition.allFinite()) {
            seedChaseState(v, s.vehicleForward);
            if (!std::isfinite(look.lookHold)) look.lookHold = 0.0f;  // seeding leaves the hold alone
        }
        return;
    }
    invoke(rt, natives::setCameraPosition, camera, output.x(), output.y(), output.z());
    setCameraRotation(v, Rotation{pitch, 0.0f, aim.z});
}

}  // namespace velmora
