#include "sim/world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "cammath/cammath.h"

namespace velmora::sim {
namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kGameFov = 50.0f;  // degrees, the game's own camera
// The game's own chase views, near, medium and far: metres behind and above the target.
constexpr float kGameChaseDistance[3] = {4.5f, 6.0f, 8.0f};
constexpr float kGameChaseHeight[3] = {1.4f, 1.9f, 2.6f};

Quaternion turn(float degrees, int axis) {
    return Quaternion(Eigen::AngleAxisf(degrees * kDegToRad, Vector3::Unit(axis)));
}

const BoneDefinition* findBone(const std::vector<BoneDefinition>& bones, const char* name) {
    for (const BoneDefinition& bone : bones)
        if (bone.name == name) return &bone;
    return nullptr;
}

// Where a towed or pulled vehicle hangs: the parent's hitch bone meets the child's front.
Vector3 hitchOnParent(const VehicleModel& parent) {
    if (const BoneDefinition* b = findBone(parent.bones, "attach_female")) return b->offset;
    if (const BoneDefinition* b = findBone(parent.bones, "tow_arm")) return b->offset;
    return Vector3(0.0f, -parent.halfSize.y(), 0.0f);
}

Vector3 hitchOnChild(const VehicleModel& child) {
    if (const BoneDefinition* b = findBone(child.bones, "attach_male")) return b->offset;
    return Vector3(0.0f, child.halfSize.y(), 0.0f);
}

void followParent(World& world, SimVehicle& child) {
    const SimVehicle* parent = world.findVehicle(child.attachedTo);
    if (parent == nullptr || !parent->exists) {
        child.attachedTo = 0;
        return;
    }
    const Pose parentPose = vehiclePose(world, *parent);
    child.yaw = parent->yaw;
    child.pitch = parent->pitch;
    child.roll = 0.0f;
    child.speed = parent->speed;
    child.bumpHeight = 0.0f;
    const Quaternion childOrientation = orientationOf(child.yaw, child.pitch, child.roll);
    child.position = parentPose.position + parentPose.orientation * hitchOnParent(*parent->model) -
                     childOrientation * hitchOnChild(*child.model);
}

void moveVehicle(World& world, SimVehicle& vehicle) {
    const float dt = world.dt;
    vehicle.speed += vehicle.accel * dt;
    vehicle.yaw = wrapDegrees180(vehicle.yaw + vehicle.yawRate * dt);
    const Vector3 forward = orientationOf(vehicle.yaw, vehicle.pitch, vehicle.roll) * Vector3(0.0f, 1.0f, 0.0f);
    vehicle.position += forward * (vehicle.speed * dt);
    if (vehicle.bumpAmplitude > 0.0f && dt > 0.0f) {
        vehicle.bumpPhase += kTwoPi * vehicle.bumpFrequency * dt;
        const float height = vehicle.bumpAmplitude * std::sin(vehicle.bumpPhase);
        vehicle.verticalVelocity = (height - vehicle.bumpHeight) / dt;
        vehicle.bumpHeight = height;
    } else if (dt > 0.0f) {
        vehicle.verticalVelocity = 0.0f;
    }
    if (vehicle.airborneFrames > 0 && dt > 0.0f) --vehicle.airborneFrames;
}

// Held inputs last their frames; presses last one frame.
void ageInputs(World& world) {
    for (ControlState& c : world.controls) {
        if (c.framesLeft > 0) --c.framesLeft;
        c.held = c.framesLeft > 0;
        c.justPressed = false;
    }
    world.controlDisabled.fill(false);
    for (std::size_t k = 0; k < world.keys.size(); ++k) {
        if (world.keyFrames[k] > 0) --world.keyFrames[k];
        world.keys[k] = world.keyFrames[k] > 0;
    }
    if (world.aimFrames > 0 && --world.aimFrames == 0) world.aiming = false;
    if (world.lookFrames > 0 && --world.lookFrames == 0) world.lookX = world.lookY = 0.0f;
    GearsStandIn& g = world.gears;
    if (g.leftFrames > 0 && --g.leftFrames == 0) g.lookingLeft = false;
    if (g.rightFrames > 0 && --g.rightFrames == 0) g.lookingRight = false;
    if (g.backFrames > 0 && --g.backFrames == 0) g.lookingBack = false;
    world.menuTrigger = false;
}

void advanceCharacter(World& world) {
    SimCharacter& player = world.player;
    if (player.transitionFrames > 0) --player.transitionFrames;
    if (player.transitionFrames > 0) return;
    if (player.seat == SeatState::Entering) {
        player.seat = SeatState::Seated;
    } else if (player.seat == SeatState::Exiting) {
        if (const SimVehicle* vehicle = world.findVehicle(player.vehicle)) {
            const Pose pose = vehiclePose(world, *vehicle);
            player.position = pose.position + pose.orientation * Vector3(-1.6f, 0.0f, 0.0f);
            player.yaw = vehicle->yaw;
        }
        player.seat = SeatState::OnFoot;
        player.vehicle = 0;
    }
}

// A segment against a box given in its own frame; t of entry and the entry face's normal.
bool segmentBox(const Vector3& from, const Vector3& to, const Vector3& lo, const Vector3& hi, float& tHit,
                Vector3& normal) {
    const Vector3 d = to - from;
    float tEnter = -std::numeric_limits<float>::infinity();
    float tExit = std::numeric_limits<float>::infinity();
    int enterAxis = -1;
    float enterSign = 0.0f;
    for (int axis = 0; axis < 3; ++axis) {
        if (std::fabs(d[axis]) < 1e-9f) {
            if (from[axis] < lo[axis] || from[axis] > hi[axis]) return false;
            continue;
        }
        float t0 = (lo[axis] - from[axis]) / d[axis];
        float t1 = (hi[axis] - from[axis]) / d[axis];
        float sign = -1.0f;  // entering through the low face: normal points to -axis
        if (t0 > t1) {
            std::swap(t0, t1);
            sign = 1.0f;
        }
        if (t0 > tEnter) {
            tEnter = t0;
            enterAxis = axis;
            enterSign = sign;
        }
        tExit = std::min(tExit, t1);
    }
    // A segment that starts inside the box does not report it.
    if (enterAxis < 0 || tEnter < 0.0f || tEnter > 1.0f || tEnter > tExit) return false;
    tHit = tEnter;
    normal = Vector3::Zero();
    normal[enterAxis] = enterSign;
    return true;
}

}  // namespace

Quaternion orientationOf(float yaw, float pitch, float roll) { return turn(yaw, 2) * turn(pitch, 0) * turn(roll, 1); }

SimVehicle* World::findVehicle(Entity handle) {
    for (SimVehicle& v : vehicles)
        if (v.handle == handle) return &v;
    return nullptr;
}

const SimVehicle* World::findVehicle(Entity handle) const {
    for (const SimVehicle& v : vehicles)
        if (v.handle == handle) return &v;
    return nullptr;
}

SimVehicle* World::findVehicleByName(const std::string& name) {
    for (SimVehicle& v : vehicles)
        if (v.name == name) return &v;
    return nullptr;
}

Pose vehiclePose(const World&, const SimVehicle& vehicle) {
    Pose pose;
    pose.position = vehicle.position + Vector3(0.0f, 0.0f, vehicle.bumpHeight);
    pose.orientation = orientationOf(vehicle.yaw, vehicle.pitch, vehicle.roll);
    return pose;
}

Vector3 vehicleVelocity(const World& world, const SimVehicle& vehicle) {
    const Pose pose = vehiclePose(world, vehicle);
    return pose.orientation * Vector3(0.0f, vehicle.speed, 0.0f) + Vector3(0.0f, 0.0f, vehicle.verticalVelocity);
}

Rotation rotationConvention2(const Quaternion& q) { return QuaternionToEuler(q); }

Rotation rotationConvention0(const Quaternion& q) {
    // R = Rz(z)·Ry(y)·Rx(x): the right axis is (cos z cos y, sin z cos y, -sin y).
    const Matrix3 m = q.toRotationMatrix();
    const float y = std::asin(std::clamp(-m(2, 0), -1.0f, 1.0f));
    const float x = std::atan2(m(2, 1), m(2, 2));
    const float z = std::atan2(m(1, 0), m(0, 0));
    return Rotation{x * kRadToDeg, y * kRadToDeg, z * kRadToDeg};
}

std::int32_t boneIndexOf(const std::vector<BoneDefinition>& bones, const std::string& name) {
    for (std::size_t i = 0; i < bones.size(); ++i)
        if (bones[i].name == name) return static_cast<std::int32_t>(i);
    return -1;
}

bool characterSeated(const World& world) { return world.player.seat == SeatState::Seated; }

Pose characterPose(const World& world) {
    const SimCharacter& player = world.player;
    Pose pose;
    const SimVehicle* vehicle = world.findVehicle(player.vehicle);
    if (player.seat == SeatState::OnFoot || vehicle == nullptr) {
        pose.position = player.position;
        pose.orientation = orientationOf(player.yaw, 0.0f, 0.0f);
        return pose;
    }
    const Pose car = vehiclePose(world, *vehicle);
    pose.orientation = car.orientation;
    // Beside the door while getting in or out, in the seat otherwise.
    const Vector3 seat = driverSeatOffset(*vehicle->model);
    const Vector3 local = player.seat == SeatState::Seated ? seat : Vector3(-1.6f, seat.y(), seat.z());
    pose.position = car.position + car.orientation * local;
    return pose;
}

View gameCameraView(const World& world) {
    View view;
    view.fov = kGameFov;
    const SimVehicle* vehicle = characterSeated(world) ? world.findVehicle(world.player.vehicle) : nullptr;
    const Pose target = vehicle != nullptr ? vehiclePose(world, *vehicle) : characterPose(world);
    const float yaw = rotationConvention2(target.orientation).z;
    const bool firstPerson = world.gameCameraMode == 4 || world.gameViewMode == 4;
    if (firstPerson) {
        const Pose body = characterPose(world);
        const CharacterModel* model = world.player.model;
        const std::int32_t head = model != nullptr ? boneIndexOf(model->bones, "SKEL_Head") : -1;
        const Vector3 eye = head >= 0 ? model->bones[static_cast<std::size_t>(head)].offset : Vector3(0, 0, 0.65f);
        view.pose.position = body.position + body.orientation * eye;
        view.pose.orientation = target.orientation;
        view.rotation = rotationConvention2(target.orientation);
        return view;
    }
    const auto index = static_cast<std::size_t>(std::clamp(world.gameViewMode, 0, 2));
    const Quaternion level = orientationOf(yaw, 0.0f, 0.0f);
    view.pose.position = target.position - level * Vector3(0.0f, kGameChaseDistance[index], 0.0f) +
                         Vector3(0.0f, 0.0f, kGameChaseHeight[index]);
    view.rotation = Rotation{-10.0f, 0.0f, yaw};
    view.pose.orientation = orientationOf(yaw, -10.0f, 0.0f);
    return view;
}

View shownView(const World& world) {
    View target = gameCameraView(world);
    const auto camera = world.cameras.find(world.renderedCamera);
    if (world.renderOn && camera != world.cameras.end() && camera->second.active) {
        target.pose = camera->second.pose;
        target.rotation = camera->second.rotation;
        target.fov = camera->second.fov;
        target.scripted = true;
    }
    if (world.easeSeconds <= 0.0f || world.easeElapsed >= world.easeSeconds) return target;
    const float w = world.easeElapsed / world.easeSeconds;
    View blended = target;
    blended.pose.position = world.easeFrom.pose.position + (target.pose.position - world.easeFrom.pose.position) * w;
    blended.pose.orientation = world.easeFrom.pose.orientation.slerp(w, target.pose.orientation).normalized();
    blended.rotation = rotationConvention2(blended.pose.orientation);
    blended.fov = world.easeFrom.fov + (target.fov - world.easeFrom.fov) * w;
    return blended;
}

ProbeHit probeSegment(const World& world, const Vector3& from, const Vector3& to, Entity ignored) {
    ProbeHit best;
    float bestT = std::numeric_limits<float>::infinity();
    float t;
    Vector3 normal;
    for (const Obstacle& o : world.obstacles) {
        if (segmentBox(from, to, o.min, o.max, t, normal) && t < bestT) {
            bestT = t;
            best = ProbeHit{true, from + (to - from) * t, normal, 0};
        }
    }
    for (const SimVehicle& v : world.vehicles) {
        if (!v.exists || v.handle == ignored) continue;
        const Pose pose = vehiclePose(world, v);
        const Quaternion inverse = pose.orientation.conjugate();
        const Vector3 a = inverse * (from - pose.position);
        const Vector3 b = inverse * (to - pose.position);
        const Vector3 hs = v.model->halfSize;
        const Vector3 lo(-hs.x(), -hs.y(), -v.model->groundClearance);
        const Vector3 hi(hs.x(), hs.y(), 2.0f * hs.z() - v.model->groundClearance);
        if (segmentBox(a, b, lo, hi, t, normal) && t < bestT) {
            bestT = t;
            best = ProbeHit{true, from + (to - from) * t, pose.orientation * normal, v.handle};
        }
    }
    return best;
}

void advanceWorld(World& world) {
    for (SimVehicle& v : world.vehicles)
        if (v.exists && v.attachedTo == 0) moveVehicle(world, v);
    for (SimVehicle& v : world.vehicles)
        if (v.exists && v.attachedTo != 0) followParent(world, v);
    advanceCharacter(world);

    world.easeElapsed += world.realDt;
    world.time += world.dt;
    world.wallClock += static_cast<double>(world.realDt);
    ++world.frame;
    if (world.pausedFrames > 0) --world.pausedFrames;
    world.dt = world.pausedFrames > 0 ? 0.0f : world.baseDt;
    ageInputs(world);
    world.probes.clear();
    world.log = FrameLog{};
}

void buildGameMemory(World& world) {
    GameMemory& m = world.memory;
    m.viewBlock.assign(1024, 0);
    // 64 KiB of filler that matches neither pattern.
    m.image.assign(0x10000, 0xCC);
    auto put = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), m.image.begin() + static_cast<std::ptrdiff_t>(at));
    };
    auto put32 = [&](std::size_t at, std::int32_t value) { std::memcpy(m.image.data() + at, &value, 4); };

    if (m.flagsPattern) {
        // test rax, rax; je; mov eax, [rax + offset]; shr eax, 15
        put(0x1000, {0x48, 0x85, 0xC0, 0x74, 0x3C, 0x8B, 0x80});
        put32(0x1007, m.flagsOffset);
        put(0x100B, {0xC1, 0xE8, 0x0F});
    }
    if (m.viewPattern) {
        // A call 30 bytes before the pattern; its target loads the block pointer.
        const std::size_t match = 0x2000;
        const std::size_t call = match - 30;
        const std::size_t target = 0x3000;
        const std::size_t cell = 0x8000;
        put(call, {0xE8});
        put32(call + 1, static_cast<std::int32_t>(target - (call + 1 + 4)));
        put(match, {0x48, 0x8B, 0xC7, 0xF3, 0x0F, 0x10, 0x0D});
        put(target, {0x48, 0x8B, 0x05});  // mov rax, [rip + disp]
        put32(target + 3, static_cast<std::int32_t>(cell - (target + 7)));
        const auto block = reinterpret_cast<std::uintptr_t>(m.viewBlock.data());
        std::memcpy(m.image.data() + cell, &block, sizeof block);
    }
    for (SimVehicle& v : world.vehicles) {
        std::vector<std::uint8_t>& info = m.modelInfo[v.model->name];
        if (info.empty()) {
            info.assign(4096, 0);
            const std::uint32_t flags = 0x00400000u;
            const auto at = static_cast<std::size_t>(std::clamp(m.flagsOffset, 0, 4000) + 20);
            std::memcpy(info.data() + at, &flags, sizeof flags);
        }
        const auto address = reinterpret_cast<std::uintptr_t>(info.data());
        std::memcpy(v.memory.data() + 32, &address, sizeof address);
    }
    refreshViewBlock(world);
}

void refreshViewBlock(World& world) {
    if (world.memory.viewBlock.size() < 524) return;
    const Vector3 forward = gameCameraView(world).pose.orientation * Vector3(0.0f, 1.0f, 0.0f);
    const float xyz[3] = {forward.x(), forward.y(), forward.z()};
    std::memcpy(world.memory.viewBlock.data() + 512, xyz, sizeof xyz);
}

}  // namespace velmora::sim
