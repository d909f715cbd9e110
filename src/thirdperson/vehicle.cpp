#include "thirdperson/vehicle.h"

#include <algorithm>
#include <cmath>

#include "plugin/velmora.h"
#include "thirdperson/bone_names.h"

namespace velmora {
namespace {

Vector3 unitOrZero(const Vector3& v) {
    const float sq = v.squaredNorm();
    return sq > 0.0f ? Vector3(v / std::sqrt(sq)) : v;
}

// The six chase values and the settings they follow, with their settled thresholds.
struct ChaseField {
    float ChaseParameters::*value;
    const PerCamera PerCameraSettings::*setting;
    float threshold;
};

constexpr ChaseField kChaseFields[] = {
    {&ChaseParameters::distance, &PerCameraSettings::distance, 0.002f},
    {&ChaseParameters::height, &PerCameraSettings::height, 0.002f},
    {&ChaseParameters::fov, &PerCameraSettings::fov, 0.02f},
    {&ChaseParameters::angle, &PerCameraSettings::angle, 0.02f},
    {&ChaseParameters::distanceOffset, &PerCameraSettings::distanceOffset, 0.002f},
    {&ChaseParameters::aimOffset, &PerCameraSettings::heightOffset, 0.02f},
};

// Class constants: eye rise above the seat and the eye's gap behind the windscreen.
struct CabinConstants {
    float eyeRise;
    float windscreenGap;
};

CabinConstants cabinConstants(std::int32_t vehicleClass) {
    if (vehicleClass >= 3 && vehicleClass <= 6) return {0.675f, -0.56f};
    if (vehicleClass == 7) return {0.645f, -0.61f};
    return {0.695f, -0.56f};
}

constexpr float kWheelClearance = 0.285f;  // metres the eye stays behind the steering wheel

// The table entries the measurement reads besides the extents (the table is a constant, so
// these are found before any frame).
std::size_t tableEntry(std::string_view name) {
    for (std::size_t i = 0; i < VehicleBoneNames.size(); ++i)
        if (VehicleBoneNames[i] == name) return i;
    return 0;  // every name asked for is in the table; the bone-name tests hold it so
}
const std::size_t kWindscreenEntry = tableEntry("windscreen");
const std::size_t kTowArmEntry = tableEntry("tow_arm");
const std::size_t kHitchEntry = tableEntry("attach_female");

struct CabinBone {
    bool found = false;
    Vector3 position = Vector3::Zero();
};

// A cabin bone by its index; a missing one is not asked for with index -1.
CabinBone cabinBone(const Velmora& v, Entity vehicle, std::int32_t index) {
    if (index == -1) return {};
    return {true, invoke(v.runtime, natives::bonePosition, vehicle, index)};
}

// The driver's eye point in the world, from the seat, the steering wheel and the windscreen.
// A vehicle without one of them gets a stand-in built from the others: the seat 0.4 m left
// of the origin, the wheel 0.45 m ahead of the seat, and without a windscreen the eye stays
// over the seat.
Vector3 eyePoint(const Velmora& v, Entity vehicle, std::int32_t vehicleClass) {
    const VehicleSample& s = v.sample;
    const BoneIndexCache& bones = v.profile.bones;
    const Vector3 right = unitOrZero(s.vehicleRight);
    const Vector3 forward = unitOrZero(s.vehicleForward);
    const CabinBone seat = cabinBone(v, vehicle, bones.seat);
    CabinBone wheel = cabinBone(v, vehicle, bones.wheel);
    const CabinBone windscreen = cabinBone(v, vehicle, bones.index[kWindscreenEntry]);

    const Vector3 seatPoint = seat.found ? seat.position : Vector3(s.vehiclePosition - 0.4f * right);
    if (!wheel.found) wheel.position = seatPoint + 0.45f * forward;
    const CabinConstants c = cabinConstants(vehicleClass);

    Vector3 p = seatPoint + c.eyeRise * s.vehicleUp;
    p += right * (right.dot(wheel.position) - right.dot(p));  // on the steering wheel's line
    if (windscreen.found) p += forward * (c.windscreenGap + forward.dot(windscreen.position) - forward.dot(p));
    const float gap = forward.dot(wheel.position) - forward.dot(p);
    if (gap < kWheelClearance) p += forward * (gap - kWheelClearance);
    return p;
}

// Looks the current vehicle's bones up, unless the cache holds them already.
void lookUpBones(Velmora& v, Entity vehicle) {
    BoneIndexCache& bones = v.profile.bones;
    if (bones.vehicle == vehicle && vehicle != 0) return;
    const HostRuntime& rt = v.runtime;
    for (std::size_t i = 0; i < VehicleBoneNames.size(); ++i)
        bones.index[i] = invoke(rt, natives::boneIndex, vehicle, VehicleBoneNames[i].data());
    bones.seat = invoke(rt, natives::boneIndex, vehicle, "seat_dside_f");
    bones.wheel = invoke(rt, natives::boneIndex, vehicle, "steeringwheel");
    bones.vehicle = vehicle;
}

// No bone of a vehicle the camera follows lies farther from its origin than this, in metres
// (the longest trailers are under 20 m): a bone answered beyond is broken data.
constexpr float kBodyReach = 50.0f;

// One walk over the found bones: the greatest reach of each from the origin o along the
// body's forward axis f (behind and ahead) and its up axis. A bone the game places beyond
// reach (or nowhere) is left out; a body whose own pose is broken measures nothing.
BodyExtents walkBody(Velmora& v, Entity entity, const BoneIndexCache* cache) {
    const HostRuntime& rt = v.runtime;
    const Vector3 origin = invoke(rt, natives::entityPosition, entity, true);
    const Vector3 forwardAxis = invoke(rt, natives::entityForward, entity);
    const Rotation r = invoke(rt, natives::entityRotation, entity, 0);
    const float y = r.y * kDegToRad, z = r.z * kDegToRad;
    const Vector3 right(std::cos(z) * std::cos(y), std::sin(z) * std::cos(y), -std::sin(y));
    const Vector3 behind = unitOrZero(forwardAxis);
    const Vector3 below = unitOrZero(-right.cross(forwardAxis));
    BodyExtents body;
    if (!inWorld(origin) || !behind.allFinite() || behind.isZero() || !below.allFinite()) {
        body.sound = false;
        return body;
    }
    for (std::size_t i = 0; i < VehicleBoneNames.size(); ++i) {
        const std::int32_t index =
            cache != nullptr ? cache->index[i] : invoke(rt, natives::boneIndex, entity, VehicleBoneNames[i].data());
        if (index < 0) continue;  // -1 is "no such bone"; no bone has another negative index
        const Vector3 toOrigin = origin - invoke(rt, natives::bonePosition, entity, index);
        if (!(toOrigin.norm() <= kBodyReach)) continue;
        body.rear = std::max(body.rear, toOrigin.dot(behind));
        body.front = std::max(body.front, -toOrigin.dot(behind));
        body.up = std::max(body.up, toOrigin.dot(below));
    }
    return body;
}

}  // namespace

void measureVehicle(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const Entity vehicle = v.driver.currentVehicle;
    VehicleProfile& profile = v.profile;

    // The game's classes are 0 to 22; another answer is broken data and keeps the class
    // last measured, as an eye offset beyond the body's reach keeps the last eye point.
    if (const std::int32_t vehicleClass = invoke(rt, natives::vehicleClass, vehicle);
        vehicleClass >= 0 && vehicleClass <= 22)
        profile.vehicleClass = vehicleClass;
    lookUpBones(v, vehicle);
    const Vector3 eye = eyePoint(v, vehicle, profile.vehicleClass);
    if (const Vector3 offset = invoke(rt, natives::worldPointToEntity, vehicle, eye.x(), eye.y(), eye.z());
        offset.norm() <= kBodyReach)
        profile.eyeOffset = offset;
    profile.seatAnchored = isSeatAnchoredClass(profile.vehicleClass);
    profile.vehicleSupported = isSupportedClass(profile.vehicleClass);

    // A walk on broken data keeps the body as last measured.
    if (const BodyExtents body = walkBody(v, vehicle, &profile.bones); body.sound) {
        profile.rearExtent = body.rear;
        profile.frontExtent = body.front;
        profile.upExtent = body.up;
    }
    deriveChaseGeometry(v);

    profile.hasTowArm = profile.bones.index[kTowArmEntry] != -1;
    profile.hasAttachFemale = profile.bones.index[kHitchEntry] != -1;
}

std::int32_t cachedBoneIndex(const HostRuntime& runtime, CachedBone& slot, Entity entity, const char* name) {
    if (slot.entity != entity || entity == 0) {
        slot.index = invoke(runtime, natives::boneIndex, entity, name);
        slot.entity = entity;
    }
    return slot.index;
}

float speedChangeOf(float speed, float previousSpeed, float step) {
    // The change of speed times the frame step is the acceleration times the step squared:
    // it would shrink with the square of the frame rate. Taken as the acceleration times
    // (1/60 s)², it is the same value at 60 frames per second and at any other rate.
    if (!(step > 0.0f)) return 0.0f;
    constexpr float kReferenceStep = 1.0f / 60.0f;
    return (speed - previousSpeed) / step * kReferenceStep * kReferenceStep;
}

bool isSeatAnchoredClass(std::int32_t vehicleClass) { return vehicleClass == 8 || vehicleClass == 13; }

bool isSupportedClass(std::int32_t vehicleClass) {
    return (vehicleClass >= 0 && vehicleClass <= 12) || (vehicleClass >= 17 && vehicleClass <= 20);
}

void sampleVehicle(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const Entity vehicle = v.driver.currentVehicle;
    VehicleSample& s = v.sample;
    s.vehiclePosition = invoke(rt, natives::entityPosition, vehicle, true);
    s.vehicleRotation = invoke(rt, natives::entityRotation, vehicle, 2);
    s.vehicleVelocity = invoke(rt, natives::entityVelocity, vehicle);
    s.vehicleForward = invoke(rt, natives::entityForward, vehicle);
    s.vehicleSpeed = s.vehicleVelocity.norm();  // the game's speed is this vector's length

    // In the air or upside down the camera follows the body; on its wheels, the travel.
    const bool followBody =
        invoke(rt, natives::isEntityInAir, vehicle) || invoke(rt, natives::isEntityUpsideDown, vehicle);
    const float blended =
        s.travelBlend + ((followBody ? 1.0f : 0.0f) - s.travelBlend) * followWeight(12.0f, frameSteps(v));
    if (std::isfinite(blended)) s.travelBlend = blended;  // a broken frame time must not stick

    const float roll = s.vehicleRotation.y * kDegToRad;
    const float yaw = s.vehicleRotation.z * kDegToRad;
    s.vehicleRight = Vector3(std::cos(yaw) * std::cos(roll), std::sin(yaw) * std::cos(roll), -std::sin(roll));
    s.vehicleUp = s.vehicleRight.cross(s.vehicleForward);

    s.speedChange = speedChangeOf(s.vehicleVelocity.norm(), s.previousSpeedMagnitude, frameTimestepNow(v));
    s.previousSpeedMagnitude = s.vehicleVelocity.norm();
}

float vehicleLength(Velmora& v, Entity entity) {
    const BodyExtents body = walkBody(v, entity, nullptr);
    return body.front + body.rear;
}

void deriveChaseGeometry(Velmora& v) {
    VehicleProfile& profile = v.profile;
    const ChaseParameters& chase = v.chase;
    float height = std::max(0.0f, std::min(profile.upExtent + 0.5f, 2.0f));
    float distance = profile.rearExtent + 0.7f;
    profile.tallLift = 0.0f;
    if (height > 1.75f) {
        // Tall vehicles: the camera goes further back and higher, up to 2 m more.
        const float extra = (height - 1.75f) * 4.0f * 1.9f + 0.1f;
        profile.tallLift = extra;
        height += 0.5f * extra;
        distance += extra;
    }
    if (profile.seatAnchored) {
        distance += 1.0f;
        height = 1.38f;
    }
    profile.chaseDistance = chase.distanceOffset + 1.45f + distance + chase.distance;
    profile.chaseHeight = height + chase.height;
    profile.angleLift = std::tan(chase.angle * 3.1415927f / 180.0f) * profile.chaseDistance;
}

void stepChaseParameters(Velmora& v) {
    ChaseParameters& chase = v.chase;
    const PerCameraSettings& targets = v.settings.thirdPersonView.perCamera;
    const auto i = static_cast<std::size_t>(std::clamp(v.driver.cameraIndex, 0, 2));

    if (!chase.chaseBlendStarted) {
        for (const ChaseField& f : kChaseFields) chase.*f.value = (targets.*f.setting)[i];
        chase.chaseBlendStarted = true;
        chase.chaseBlendSettled = true;
        // The vehicle was measured with the parameters it had before the snap; its chase
        // geometry must follow the new ones, or the camera sits at the old distance.
        deriveChaseGeometry(v);
        return;
    }
    // In wall-clock time with the special-ability fix (so slow motion does not slow the blend),
    // in game time without it; either way the step of 60 frames a second, composed.
    const FrameSteps steps = v.settings.firstPersonView.SpecialAbilityFix ? v.timing.wallClock(v.clock) : frameSteps(v);
    const float t = std::clamp(v.settings.thirdPersonView.CameraSwitchSpeed * steps.stepAt60, 0.0f, 1.0f);
    const float w = composedWeight((2.0f - t) * t * 0.75f, steps);
    bool settled = true;
    for (const ChaseField& f : kChaseFields) {
        float& value = chase.*f.value;
        const float target = (targets.*f.setting)[i];
        value += (target - value) * w;
        settled = settled && std::fabs(value - target) < f.threshold;
    }
    chase.chaseBlendSettled = settled;
}

}  // namespace velmora
