// The current vehicle: its motion sampled every frame, its body measured from its bones on
// events, and the six chase parameters blended toward the selected chase camera.
#pragma once

#include <array>
#include <cstdint>

#include "host/natives.h"
#include "host/types.h"
#include "thirdperson/bone_names.h"

namespace velmora {

struct Velmora;

struct VehicleSample {
    Vector3 vehiclePosition = Vector3::Zero();  // metres, world, the vehicle's origin
    Rotation vehicleRotation;                   // degrees, convention 2
    Vector3 vehicleVelocity = Vector3::Zero();  // metres per second, world
    Vector3 vehicleForward = Vector3::Zero();   // forward axis as the host gives it
    float vehicleSpeed = 0.0f;                  // metres per second as the host gives it
    Vector3 vehicleRight = Vector3::Zero();     // unit, from yaw and roll only
    Vector3 vehicleUp = Vector3::Zero();        // right x forward, not normalised
    float speedChange = 0.0f;                   // change of |velocity| times the frame step, as at 60 fps
    float travelBlend = 0.0f;                   // 0..1: 1 follows the body, 0 the travel direction
    float previousSpeedMagnitude = 0.0f;        // |velocity| of the previous sample
};

// One bone's index on one entity, asked for once: a name answers the same index for as long
// as the entity lives.
struct CachedBone {
    Entity entity = 0;        // whose index this is; 0 before the first question
    std::int32_t index = -1;  // -1 when the entity has no such bone
};

// The index of the named bone on the entity, from the slot when it holds that entity's.
std::int32_t cachedBoneIndex(const HostRuntime& runtime, CachedBone& slot, Entity entity, const char* name);

// The bone indices the cameras use, looked up once per entity. Emptied on entering a vehicle
// and on a settings reload (a handle seen before may now be another model); another handle
// looks them up afresh.
struct BoneIndexCache {
    Entity vehicle = 0;                                       // whose table indices these are; 0 for none
    std::array<std::int32_t, kVehicleBoneNameCount> index{};  // by table entry; -1 when missing
    std::int32_t seat = -1;                                   // "seat_dside_f"
    std::int32_t wheel = -1;                                  // "steeringwheel"
    CachedBone head;                                          // "SKEL_Head" of the player's character
    CachedBone saddle;                                        // "seat_f" of a motorcycle or bicycle
    // The first of the look-behind view's rear bones the vehicle has: its place in that list
    // (-1 for none) and its index.
    Entity rearOf = 0;
    std::int32_t rearBone = -1;
    std::int32_t rearIndex = -1;
};

// How far a body's bones reach from its origin: ahead along its forward axis, behind it, and
// up along its up axis; each at least 0.
struct BodyExtents {
    float front = 0.0f;
    float rear = 0.0f;
    float up = 0.0f;
    bool sound = true;  // false when the body's own pose was broken: nothing was measured
};

struct VehicleProfile {
    std::int32_t vehicleClass = 0;        // the game's class number
    bool seatAnchored = false;            // motorcycles and bicycles: the eye sits on the seat bone
    bool vehicleSupported = false;        // the cameras run only in these classes
    Vector3 eyeOffset = Vector3::Zero();  // metres, vehicle frame: the driver's eye point
    float frontExtent = 0.0f;             // metres of body ahead of the origin
    float rearExtent = 0.0f;              // metres of body behind the origin
    float upExtent = 0.0f;                // metres of body above the origin
    float chaseDistance = 0.0f;           // metres from the look-at point to the chase camera
    float chaseHeight = 0.0f;             // metres of the look-at point above the origin
    float tallLift = 0.0f;                // metres, 0..2, extra length for tall vehicles
    float angleLift = 0.0f;               // metres the camera angle raises the look-at point
    bool hasTowArm = false;               // the vehicle has a "tow_arm" bone
    bool hasAttachFemale = false;         // the vehicle has an "attach_female" bone
    BoneIndexCache bones;                 // the bone indices the measurement found
};

// The chase camera's current values, blended toward the selected camera's settings.
struct ChaseParameters {
    float distance = 0.4f;           // metres
    float height = 0.0f;             // metres
    float fov = 77.5f;               // degrees
    float angle = 3.5f;              // degrees
    float distanceOffset = 0.0f;     // metres
    float aimOffset = 0.0f;          // degrees
    bool chaseBlendStarted = false;  // false: the next step snaps (cleared on entering a vehicle)
    bool chaseBlendSettled = false;  // every value is within its threshold of its target
};

// The class numbers that decide how the cameras treat a vehicle.
bool isSeatAnchoredClass(std::int32_t vehicleClass);
bool isSupportedClass(std::int32_t vehicleClass);

// The speed-change value of a sample: the change of speed times the frame step as it is at
// 60 frames per second, whatever the frame rate; 0 for a frame without time.
float speedChangeOf(float speed, float previousSpeed, float step);

// Reads the current vehicle's motion, once per frame.
void sampleVehicle(Velmora& v);

// Measures the current vehicle's body from its bones: class, eye point, extents and the
// chase geometry, in one walk of the bone table whose indices are looked up once per
// vehicle. Uses the axes of the last sample.
void measureVehicle(Velmora& v);

// The chase geometry (distance, height, tall lift, angle lift) from the measured body and
// the current chase parameters; no native calls.
void deriveChaseGeometry(Velmora& v);

// Moves the chase parameters toward the selected chase camera's settings: at once on the
// first call after entering a vehicle, eased afterwards.
void stepChaseParameters(Velmora& v);

// An attached vehicle's length, front and rear, as the attachment check takes it: one walk
// of the bone table, each name looked up once and each found bone's position read once.
float vehicleLength(Velmora& v, Entity entity);

}  // namespace velmora
