// The first-person eye point and the cabin's motion: the head follower, the inertia shift,
// terrain shake, engine vibration and head lean, the framing offsets and the eye-plane
// guard. Reading the game is kept apart from the arithmetic, which takes plain values.
#pragma once

#include <cstdint>

#include "cammath/timing.h"
#include "config/settings.h"
#include "host/natives.h"
#include "host/types.h"

namespace velmora {

struct Velmora;

struct CabinMotion {
    Vector3 smoothedHead = Vector3::Zero();  // metres, vehicle frame: the head as followed
    bool headInitialised = false;            // smoothedHead has been set for headVehicle
    Entity headVehicle = 0;                  // the vehicle whose frame smoothedHead is in
    Vector3 rawHead = Vector3::Zero();       // metres, world: this frame's head (seat eye point on bikes)
    float inertiaFast = 0.0f;                // quick follower of the acceleration signal
    float inertiaSlow = 0.0f;                // slow follower of the acceleration signal
    float shakePhase = 0.0f;                 // running phase of the shake noise
    float prevVerticalVelocity = 0.0f;       // m/s, z of the velocity at the last shake update
    Vector3 shakeOffset = Vector3::Zero();   // metres, world: positional terrain shake
    float shakePitch = 0.0f;                 // degrees, added to the camera rotation
    float shakeRoll = 0.0f;                  // degrees
    float shakeYaw = 0.0f;                   // degrees
    float vibration = 0.0f;                  // metres, engine vibration height
    Vector3 leanOffset = Vector3::Zero();    // metres, world: the head's lean
};

// Every number of the cabin's motion is finite and within what a cabin can do (offsets of a
// few metres at most): a frame that leaves one broken is undone, or a value taken from a
// frame of broken data would be kept for good.
bool cabinSound(const CabinMotion& c);

// ---------------------------------------------------------------------------------------
// Arithmetic on plain values.

// The head follower in the vehicle's frame (so that it does not trail a moving car): jumps
// onto the head when it is new, belongs to another vehicle or is more than 3 m away, and
// otherwise follows at HeadFollowRate. Answers the followed head in the vehicle's frame.
Vector3 followHead(CabinMotion& cabin, Entity vehicle, const Vector3& headInVehicle, float followRate,
                   const FrameSteps& steps);

// The inertia shift signal, -0.1..0.1 (positive pushes the eye back); followers untouched
// when inertia is off.
float inertiaStep(CabinMotion& c, bool enabled, float driveFigure, float speedChange, float speed,
                  const FrameSteps& dt);

// The shake noise: frac(sin(phase·12.9898 + k)·43758.547) - 0.5, in float.
float shakeNoise(float phase, float k);

// What the cabin motion update reads from the game this frame.
struct CabinInputs {
    float dt = 0.0f;                    // game frame time
    FrameSteps steps{kStepAt60, 0.0f};  // the game frame time as the followers take it
    float realFrameSeconds = 0.016f;
    float timeScale = 1.0f;
    Vector3 velocity = Vector3::Zero();  // world velocity of the vehicle
    float sidewaysSpeed = 0.0f;          // x of the velocity in the vehicle's own frame
    float speedChange = 0.0f;
    Vector3 right = Vector3::Zero();  // the sample's axes
    Vector3 forward = Vector3::Zero();
};

// Terrain shake, engine vibration and head lean for one frame. With the shake off, the
// positional shake is zero at once and the rotational shake and vibration ease to zero,
// while the lean follows its own switch; nothing moves in a frame without game time.
void cabinMotionStep(CabinMotion& cabin, const FirstPersonView& settings, const CabinInputs& in);

// The eye-plane guard: a camera point less than the margin in front of the head along the
// axis is moved along that axis onto the plane. The axis must be a unit vector.
Vector3 keepInFrontOfEyes(const Vector3& point, const Vector3& head, const Vector3& axis, float margin);

// ---------------------------------------------------------------------------------------
// With the game.

// The eye anchor of this frame: the followed head (or the mount point) in head mode, the
// point over the seat in seat-anchored mode; qv is the vehicle's orientation.
Vector3 eyeAnchor(Velmora& v, const Quaternion& qv, const FrameSteps& steps);

// The cabin motion update, reading the vehicle's velocity and own-frame speed.
void updateCabinMotion(Velmora& v, float dt);

}  // namespace velmora
