#include "firstperson/look_behind.h"

#include <cmath>
#include <iterator>

#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr float kSaddleRise = 0.3f;
constexpr float kSpoilerRise = 0.3f;
constexpr std::int32_t kSpoilerMod = 0;

// The rear point, or false when the model has none of the rear bones.
bool rearBonePoint(Velmora& v, Vector3& point) {
    const HostRuntime& rt = v.runtime;
    const Entity vehicle = v.driver.currentVehicle;
    const Vector3& f = v.sample.vehicleForward;
    const Vector3& u = v.sample.vehicleUp;
    BoneIndexCache& bones = v.profile.bones;
    if (bones.rearOf != vehicle || vehicle == 0) {
        // The first rear bone the model has, found once per vehicle.
        bones.rearOf = vehicle;
        bones.rearBone = -1;
        bones.rearIndex = -1;
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(kRearBones)); ++i) {
            const std::int32_t index = invoke(rt, natives::boneIndex, vehicle, kRearBones[i].name);
            if (index == -1) continue;
            bones.rearBone = i;
            bones.rearIndex = index;
            break;
        }
    }
    if (bones.rearBone == -1) return false;
    const RearBone& bone = kRearBones[bones.rearBone];
    point = invoke(rt, natives::bonePosition, vehicle, bones.rearIndex) + u * bone.up + f * bone.forward;
    // A spoiler can be fitted or taken off at any time: asked on every frame.
    if (bone.raisable && invoke(rt, natives::vehicleMod, vehicle, kSpoilerMod) >= 0) point += u * kSpoilerRise;
    return true;
}

}  // namespace

void placeLookBehindCamera(Velmora& v) {
    const HostRuntime& rt = v.runtime;
    const Entity vehicle = v.driver.currentVehicle;
    const CameraHandle camera = v.camera.cameraHandle;
    const VehicleSample& s = v.sample;

    Vector3 p;
    if (v.profile.seatAnchored) {
        const std::int32_t saddle = cachedBoneIndex(rt, v.profile.bones.saddle, vehicle, "seat_f");
        p = (saddle != -1 ? invoke(rt, natives::bonePosition, vehicle, saddle) : s.vehiclePosition) +
            s.vehicleUp * kSaddleRise;
    } else if (!rearBonePoint(v, p)) {
        // No rear bone at all: the index -1 is never asked for; the body's measured rear end,
        // raised a little, stands in.
        const float length = s.vehicleForward.norm();
        const Vector3 back = length > 0.0f ? Vector3(s.vehicleForward / length) : Vector3::Zero();
        p = s.vehiclePosition - back * v.profile.rearExtent + s.vehicleUp * kBonelessRearRise;
    }

    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
    invoke(rt, natives::entityQuaternion, vehicle, &x, &y, &z, &w);
    // Half a turn about the vehicle's up axis, as a 180° axis-angle rotation comes out in float.
    const Quaternion q = Quaternion(w, x, y, z) * Quaternion(-4.371139e-8f, 0.0f, 0.0f, 1.0f);
    const Rotation r = QuaternionToEuler(q);
    if (!inWorld(p) || !std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z)) {
        logFault(v, LogFault::LookBehindPoseHeldBack,
                 "the look-behind view's pose came out not finite or out of the world: the camera kept its last pose");
        return;
    }
    invoke(rt, natives::setCameraPosition, camera, p.x(), p.y(), p.z());
    invoke(rt, natives::stopCameraPointing, camera);
    setCameraRotation(v, r);
}

}  // namespace velmora
