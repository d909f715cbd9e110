#include "support/literal_measurement.h"

#include <algorithm>
#include <cmath>

#include "shell/velmora.h"
#include "thirdperson/bone_names.h"

namespace velmora::testing {
namespace {

enum class Reach { Rear, Front, Up };

Vector3 unit(const Vector3& v) { return v.squaredNorm() > 0.0f ? Vector3(v / v.norm()) : v; }

// The greatest reach of the entity's bones from its origin in one direction; at least 0.
float measureExtent(const Velmora& v, Entity e, Reach reach) {
    const HostRuntime& rt = v.runtime;
    const Vector3 origin = invoke(rt, natives::entityPosition, e, true);
    Vector3 n;
    if (reach == Reach::Up) {
        const Rotation r = invoke(rt, natives::entityRotation, e, 0);
        const float ry = r.y * 0.017453292f, rz = r.z * 0.017453292f;
        const Vector3 right(std::cos(rz) * std::cos(ry), std::sin(rz) * std::cos(ry), -std::sin(ry));
        n = unit(-right.cross(invoke(rt, natives::entityForward, e)));
    } else {
        const Vector3 f = unit(invoke(rt, natives::entityForward, e));
        n = reach == Reach::Rear ? f : Vector3(-f);
    }
    float best = 0.0f;
    for (const std::string_view name : VehicleBoneNames) {
        const std::int32_t i = invoke(rt, natives::boneIndex, e, name.data());
        if (i == -1) continue;
        best = std::max(best, (origin - invoke(rt, natives::bonePosition, e, i)).dot(n));
    }
    return best;
}

struct Bone {
    bool found;
    Vector3 at;
};

Bone bone(const Velmora& v, Entity e, const char* name) {
    const std::int32_t i = invoke(v.runtime, natives::boneIndex, e, name);
    if (i == -1) return {false, Vector3::Zero()};
    return {true, invoke(v.runtime, natives::bonePosition, e, i)};
}

void measure(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const Entity e = v.driver.currentVehicle;
    VehicleProfile& p = v.profile;
    const VehicleSample& s = v.sample;

    p.vehicleClass = invoke(rt, natives::vehicleClass, e);
    // The eye point, with the plug-in's stand-ins for a missing seat, wheel or windscreen.
    const Vector3 r = unit(s.vehicleRight), f = unit(s.vehicleForward);
    const Bone seat = bone(v, e, "seat_dside_f");
    const Bone wheelBone = bone(v, e, "steeringwheel");
    const Bone windscreen = bone(v, e, "windscreen");
    const Vector3 S = seat.found ? seat.at : Vector3(s.vehiclePosition - 0.4f * r);
    const Vector3 W = wheelBone.found ? wheelBone.at : Vector3(S + 0.45f * f);
    float rise = 0.695f, gap = -0.56f;
    if (p.vehicleClass >= 3 && p.vehicleClass <= 6) rise = 0.675f;
    if (p.vehicleClass == 7) rise = 0.645f, gap = -0.61f;
    Vector3 eye = S + rise * s.vehicleUp;
    eye += r * (r.dot(W) - r.dot(eye));
    if (windscreen.found) eye += f * (gap + f.dot(windscreen.at) - f.dot(eye));
    const float d = f.dot(W) - f.dot(eye);
    if (d < 0.285f) eye += f * (d - 0.285f);
    p.eyeOffset = invoke(rt, natives::worldPointToEntity, e, eye.x(), eye.y(), eye.z());
    p.seatAnchored = p.vehicleClass == 8 || p.vehicleClass == 13;
    p.vehicleSupported = (p.vehicleClass >= 0 && p.vehicleClass <= 12) || (p.vehicleClass >= 17 && p.vehicleClass <= 20);

    p.rearExtent = measureExtent(v, e, Reach::Rear);
    p.frontExtent = measureExtent(v, e, Reach::Front);
    p.upExtent = measureExtent(v, e, Reach::Up);

    float h = std::max(0.0f, std::min(p.upExtent + 0.5f, 2.0f));
    float dist = p.rearExtent + 0.7f;
    p.tallLift = 0.0f;
    if (h > 1.75f) {
        const float x = (h - 1.75f) * 4.0f * 1.9f + 0.1f;
        p.tallLift = x;
        h += 0.5f * x;
        dist += x;
    }
    if (p.seatAnchored) {
        dist += 1.0f;
        h = 1.38f;
    }
    p.chaseDistance = v.chase.distanceOffset + 1.45f + dist + v.chase.distance;
    p.chaseHeight = h + v.chase.height;
    p.angleLift = std::tan(v.chase.angle * 3.1415927f / 180.0f) * p.chaseDistance;

    p.hasTowArm = invoke(rt, natives::boneIndex, e, "tow_arm") != -1;
    p.hasAttachFemale = invoke(rt, natives::boneIndex, e, "attach_female") != -1;
}

float lengthOf(Velmora& v, Entity e) { return measureExtent(v, e, Reach::Front) + measureExtent(v, e, Reach::Rear); }

}  // namespace

MeasurementOverride literalMeasurement() { return {measure, lengthOf, measure}; }

}  // namespace velmora::testing
