#include "firstperson/first_person.h"

#include <algorithm>
#include <cmath>

#include "firstperson/cabin.h"
#include "firstperson/look_around.h"
#include "firstperson/look_behind.h"
#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr std::int32_t kReticle = 14;
constexpr std::int32_t kGameCameraModeFirstPerson = 4;
constexpr float kAimFov = 60.0f;     // degrees while aiming
constexpr int kRenderKeepMs = 3000;  // the render switch of every first-person frame

bool finite(const Rotation& r) { return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z); }

// Keeps rendering through the scripted camera, without an ease.
void keepRendering(const HostRuntime& rt) {
    invoke(rt, natives::renderScriptedCameras, true, false, kRenderKeepMs, true, false, 0);
}

Quaternion vehicleOrientation(const Velmora& v) {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
    invoke(v.runtime, natives::entityQuaternion, v.driver.currentVehicle, &x, &y, &z, &w);
    return Quaternion(w, x, y, z);
}

// Seat-anchored vehicles rest on their direction of travel, blended toward the body as
// they leave the ground; uphill is how much the travel climbs.
struct SeatRest {
    Quaternion orientation = Quaternion::Identity();
    Vector3 travel = Vector3::Zero();
    float uphill = 0.0f;
};

SeatRest seatRest(const VehicleSample& s, const Quaternion& qv) {
    SeatRest rest;
    rest.travel = s.vehicleSpeed >= 1.25f && s.vehicleForward.dot(s.vehicleVelocity) > 0.12f ? s.vehicleVelocity
                                                                                             : s.vehicleForward;
    Vector3 direction = rest.travel;  // LookRotation normalises its argument
    rest.orientation = QuaternionSlerp(LookRotation(direction), qv, s.travelBlend);
    rest.uphill = (1.0f - s.travelBlend) * std::max(0.0f, std::min(s.vehicleForward.dot(worldUp()), 0.5f));
    return rest;
}

// The turn of the look keys about the vehicle's up axis: lookLeftAngle for the axis's
// negative side (the look-right key), lookRightAngle for its positive side.
Quaternion lookKeyTurn(float axis, const FirstPersonView& s) {
    const float angle = axis < 0.0f ? axis * s.lookLeftAngle : axis * s.lookRightAngle;
    const float half = 0.5f * angle * kDegToRad;
    return Quaternion(std::cos(half), 0.0f, 0.0f, std::sin(half));
}

// Everything a first-person frame changes, so that a frame that ends non-finite is undone.
struct FrameSnapshot {
    CabinMotion cabin;
    LookAround look;
    FirstPersonState state;
};

}  // namespace

float speedZoomTarget(float speed, const FirstPersonView& s) {
    const float reference = s.SpeedZoomAtSpeed > 0.0f ? s.SpeedZoomAtSpeed : 1.0f;
    const float u = std::min(speed / reference, 1.0f);
    return (1.0f - (1.0f - u) * (1.0f - u)) * s.SpeedZoomAmount;
}

float aimedFov(float fov, float aimBlend) { return aimBlend > 0.001f ? fov + (kAimFov - fov) * aimBlend : fov; }

void measureFrame(FrameClock& c, std::int64_t counter, float gameFrameTime) {
    const bool afterGap = c.measuredTick + 1 != c.frameTicks;
    if (c.lastCounter != 0 && !afterGap && c.counterFrequency > 0) {
        const double seconds = static_cast<double>(counter - c.lastCounter) / static_cast<double>(c.counterFrequency);
        c.RealFrameSeconds = std::clamp(static_cast<float>(seconds), 0.0001f, 0.2f);
    }
    c.lastCounter = counter;
    c.measuredTick = c.frameTicks;
    const float scale = c.RealFrameSeconds > 0.0f ? gameFrameTime / c.RealFrameSeconds : 1.0f;
    c.timeScale = std::clamp(scale, 0.05f, 1.0f);
}

void updateFirstPersonCamera(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const FirstPersonView& s = v.settings.firstPersonView;
    const FrameDriver& d = v.driver;
    const VehicleSample& sample = v.sample;
    const CameraHandle camera = v.camera.cameraHandle;

    if (lookBehindHeldNow(v) || v.look.lookBackHeld) {
        placeLookBehindCamera(v);
        keepRendering(rt);
        return;
    }
    const FrameSnapshot before{v.cabin, v.lookAround, v.firstPerson};
    // The game answers the frame time and the vehicle's orientation alike all frame: each is
    // read once and used wherever the update needs it.
    const float dt = frameTimeNow(v);
    const FrameSteps steps = frameSteps(v);
    const Quaternion qv = vehicleOrientation(v);
    bool sound = true;  // nothing non-finite has been handed to the game this frame

    const Vector3 eye = eyeAnchor(v, qv, steps);

    float fov = s.fov;
    if (s.SpeedZoom) {
        const float speed = sample.vehicleVelocity.norm();  // this frame's sample
        v.firstPerson.speedZoom =
            SmoothToward(v.firstPerson.speedZoom, speedZoomTarget(speed, s), s.SpeedZoomSmoothing, steps);
        fov += v.firstPerson.speedZoom;
    } else {
        v.firstPerson.speedZoom = 0.0f;
    }
    fov = aimedFov(fov, d.aimBlend);
    if (std::isfinite(fov)) {
        invoke(rt, natives::setCameraFov, camera, fov);
    } else {
        sound = false;
    }
    if (d.aimHeld) invoke(rt, natives::showHudComponent, kReticle);

    const float driveFigure = s.InertiaEffects ? invoke(rt, natives::vehicleAcceleration, d.currentVehicle) : 0.0f;
    const float inertia =
        inertiaStep(v.cabin, s.InertiaEffects, driveFigure, sample.speedChange, sample.vehicleSpeed, steps);
    invoke(rt, natives::stopCameraPointing, camera);

    SeatRest seat;
    Quaternion rest = qv;
    if (v.profile.seatAnchored) {
        seat = seatRest(sample, qv);
        rest = seat.orientation;
    }
    const Quaternion turned = rest * lookKeyTurn(v.look.lookKeyAxis, s);
    const Quaternion shown = updateLookAround(v, turned, steps);
    const Rotation r = QuaternionToEuler(shown);
    const CabinMotion& c = v.cabin;
    const Rotation finalRotation{r.x + s.pitchOffset + c.shakePitch,
                                 (1.0f - s.HorizonLock) * r.y + s.rollOffset + c.shakeRoll,
                                 r.z + s.yawOffset + c.shakeYaw};
    const Quaternion fq = EulerToQuaternion(finalRotation);
    const Rotation set = QuaternionToEuler(fq);
    if (finite(set)) {
        setCameraRotation(v, set);
    } else {
        sound = false;
    }

    // The lean and vibration of the last cabin update come first; this frame's shake after it.
    Vector3 p = eye + c.leanOffset + worldUp() * c.vibration +
                (rest * Vector3(0.0f, -1.0f, 0.0f)) * withinLimit(inertia, s.MaxInertiaShift);
    updateCabinMotion(v, dt);
    p += v.cabin.shakeOffset;
    if (v.profile.seatAnchored) {
        const float length = seat.travel.norm();
        const Vector3 travel = length > 0.0f ? Vector3(seat.travel / length) : seat.travel;
        p += worldUp() * (seat.uphill * 0.155f) - travel * (seat.uphill * 0.54f);
    }
    if (s.HeadSpaceOffsets) {
        p += s.heightOffset * (fq * Vector3::UnitZ()) + s.forwardOffset * (fq * Vector3::UnitY()) +
             s.sideOffset * (fq * Vector3::UnitX());
    } else {
        p += s.heightOffset * sample.vehicleUp + s.forwardOffset * sample.vehicleForward +
             s.sideOffset * sample.vehicleRight;
    }

    measureFrame(v.clock, v.clock.counter, dt);  // the counter as read at this frame's start
    patchModelFlags(v, d.currentVehicle);
    if (s.DeclareFirstPersonToEngine && (s.DeclareFirstPersonWhileAiming || !d.aimHeld))
        invoke(rt, natives::declareFirstPersonView, true);
    if (s.PhoneOverlayScale < 0.999f) invoke(rt, natives::setPhoneOverlayScale, s.PhoneOverlayScale);
    invoke(rt, natives::setGameCameraMode, kGameCameraModeFirstPerson);

    if (s.EyePlaneGuard) {
        // The camera is put back onto the plane it is measured against: along the view axis
        // with head-space offsets, along the vehicle's forward axis otherwise.
        Vector3 axis = s.HeadSpaceOffsets ? Vector3(fq * Vector3::UnitY()) : sample.vehicleForward;
        if (axis.squaredNorm() > 0.0f) axis.normalize();
        p = keepInFrontOfEyes(p, c.rawHead, axis, s.EyePlaneMargin);
    }
    // The followers this frame moved must be sound too, or a NaN kept now would hold every
    // later frame back.
    if (inWorld(p) && sound && cabinSound(v.cabin) && std::isfinite(v.firstPerson.speedZoom)) {
        invoke(rt, natives::setCameraPosition, camera, p.x(), p.y(), p.z());
    } else {
        // A pose that is not finite, or out of the world, never reaches the game: the camera
        // keeps its last one and the frame's changes to the followers are undone.
        logFault(
            v, LogFault::FirstPersonPoseHeldBack,
            "the first-person camera's pose came out not finite or out of the world: the camera kept its last pose");
        v.cabin = before.cabin;
        v.lookAround = before.look;
        v.firstPerson = before.state;
        if (!cabinSound(v.cabin)) v.cabin = CabinMotion{};  // kept from before this guard: start afresh
    }
    keepRendering(rt);
}

}  // namespace velmora
