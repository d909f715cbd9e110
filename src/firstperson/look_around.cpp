#include "firstperson/look_around.h"

#include <algorithm>
#include <cmath>

#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr float kHeldLook = 2.0f;          // seconds the timer holds at while input is active
constexpr float kMinimumEase = 0.01f;      // smallest exponent of the return curve
constexpr float kGamepadHeadLook = 0.6f;   // the stick turns the head slower than the mouse
constexpr float kHeadLookDegrees = -5.0f;  // degrees per frame at full axis

}  // namespace

float recenterWeight(float lookHold, const FirstPersonView& s) {
    const float span = std::max(s.RecenterTime, 0.01f);
    const float r = std::max(lookHold / span, 0.0f);
    return 1.0f - std::pow(1.0f - std::min(r, 1.0f), std::max(s.RecenterEase, kMinimumEase));
}

Rotation limitLook(const Rotation& look, float vehicleHeading, const FirstPersonView& s) {
    const float pitch = std::max(s.LookPitchMin, std::min(look.x, s.LookPitchMax));
    float relative = wrapDegrees180(look.z - vehicleHeading);
    relative = std::max(-s.LookYawLimitRight, std::min(relative, s.LookYawLimitLeft));
    return Rotation{pitch, 0.0f, wrapDegreesFloor360(relative + vehicleHeading)};
}

Quaternion updateLookAround(Velmora& v, const Quaternion& rest, const FrameSteps& steps) {
    LookAround& look = v.lookAround;
    const FirstPersonView& s = v.settings.firstPersonView;
    if (v.driver.aimHeld || v.look.lookInputActive) {
        if (look.lookHold < 0.00001f) look.LookQuat = rest;  // the view had fully returned
        look.lookHold = startedTimer(kHeldLook, steps);
        LookDelta delta;
        if (v.profile.seatAnchored) {
            delta = ReadLookDelta(v.runtime, v.settings, v.timing.steps(v.clock.RealFrameSeconds, kStepAt60),
                                  steps.steps, v.lookSmoothing);
        } else {
            // The head turns with the raw axes: no sensitivity, dead zone, easing or smoothing.
            // A non-finite axis counts as resting, as it does for the stick reading. The mouse
            // moved by so much this frame; the stick turns by so much a 1/60 s.
            const LookAxes axes = readLookAxes(v.runtime);
            const float gain = (axes.keyboardMouse ? 1.0f : kGamepadHeadLook * steps.steps) * kHeadLookDegrees;
            delta =
                LookDelta{std::isfinite(axes.h) ? axes.h * gain : 0.0f, std::isfinite(axes.v) ? axes.v * gain : 0.0f};
        }
        const Rotation turned = QuaternionToEuler(look.LookQuat * EulerToQuaternion({delta.pitch, 0.0f, delta.yaw}));
        const float heading = invoke(v.runtime, natives::entityHeading, v.driver.currentVehicle);
        look.LookQuat = EulerToQuaternion(limitLook(turned, heading, s));
    }
    look.lookHold = std::max(0.0f, std::min(look.lookHold - countedSeconds(steps), kHeldLook));
    return QuaternionSlerp(rest, look.LookQuat, recenterWeight(look.lookHold, s));
}

}  // namespace velmora
