#include "scene.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "sim/rotation.h"
#include "sim/runner.h"

namespace velmora::preview {
namespace {

// A standing character's box about its hips, as the simulated game collides it.
const Vector3 kCharacterHalf(0.3f, 0.3f, 0.9f);

constexpr float kSidePadding = 0.08f;       // metres: the side bones sit on the skin's inside
constexpr float kEndPadding = 0.05f;        // metres beyond the bumpers
constexpr float kRoofPadding = 0.08f;       // metres: the roof bone sits under the skin
constexpr float kFloorAboveGround = 0.18f;  // metres of clearance under the body

const sim::BoneDefinition* findBone(const std::vector<sim::BoneDefinition>& bones, const std::string& name) {
    for (const sim::BoneDefinition& b : bones)
        if (b.name == name) return &b;
    return nullptr;
}

}  // namespace

void bodyBounds(const sim::VehicleModel& model, Vector3& min, Vector3& max) {
    min = Vector3::Constant(1e9f);
    max = Vector3::Constant(-1e9f);
    for (const sim::BoneDefinition& b : model.bones) {
        min = min.cwiseMin(b.offset);
        max = max.cwiseMax(b.offset);
    }
    if (model.bones.empty()) min = max = Vector3::Zero();
    min -= Vector3(kSidePadding, kEndPadding, 0.0f);
    max += Vector3(kSidePadding, kEndPadding, kRoofPadding);
    // The wheels hang below the origin; the body itself stops short of the ground.
    min.z() = std::min(min.z(), -model.groundClearance + kFloorAboveGround);
    max.z() = std::max(max.z(), min.z() + 0.3f);
}

bool isCabinBone(const std::string& name) {
    return name.rfind("seat", 0) == 0 || name == "steeringwheel" || name == "handlebars";
}

Scene sceneOf(const sim::World& world, const sim::TraceRow& row) {
    Scene scene;
    scene.cameraPosition = row.cameraPosition;
    scene.cameraRotation = row.cameraRotation;
    scene.fov = row.cameraFov;
    scene.obstacles = world.obstacles;
    scene.ground = world.ground;
    const bool seated = sim::characterSeated(world);
    for (const sim::SimVehicle& v : world.vehicles) {
        if (!v.exists || v.model == nullptr) continue;
        Body body;
        const sim::Pose pose = sim::vehiclePose(world, v);
        body.position = pose.position;
        body.orientation = pose.orientation;
        bodyBounds(*v.model, body.min, body.max);
        body.player = world.player.vehicle != 0 && v.handle == world.player.vehicle;
        if (body.player)
            for (const sim::BoneDefinition& b : v.model->bones)
                if (isCabinBone(b.name)) body.cabin.push_back(pose.position + pose.orientation * b.offset);
        scene.bodies.push_back(std::move(body));
    }
    const sim::Pose character = sim::characterPose(world);
    if (!seated && world.player.exists) {
        Body body;
        body.position = character.position;
        body.orientation = character.orientation;
        body.min = -kCharacterHalf;
        body.max = kCharacterHalf;
        body.player = world.player.vehicle == 0;
        scene.bodies.push_back(std::move(body));
    }
    if (seated && world.player.model != nullptr)
        if (const sim::BoneDefinition* head = findBone(world.player.model->bones, "SKEL_Head"))
            scene.eye = character.position + character.orientation * head->offset;
    return scene;
}

std::string modeName(const std::string& label, bool lookBehindHeld) {
    static const std::map<std::string, std::string> kNames = {
        {"near chase", "near"}, {"medium chase", "medium"}, {"far chase", "far"}, {"first person", "first person"}};
    const auto named = kNames.find(label);
    if (named == kNames.end()) return label;
    return lookBehindHeld ? "look-behind" : named->second;
}

Recording record(const sim::Scenario& scenario, const std::optional<std::string>& iniPath,
                 const std::set<int>& sceneFrames) {
    Recording out;
    out.scenario = scenario.name;
    out.iniLabel = iniPath ? std::filesystem::path(*iniPath).filename().string() : "defaults";
    sim::RunOptions options;
    options.iniPath = iniPath;
    sim::Simulation simulation(scenario, options);
    const sim::World& world = simulation.world;
    simulation.session.keepHistory = false;  // the recording keeps what it needs
    simulation.session.onRow = [&](const sim::TraceRow& row) {
        FrameRecord f;
        f.frame = row.frame;
        f.t = static_cast<float>(row.t);
        const auto held = [&](int control) { return world.controls[static_cast<std::size_t>(control)].held; };
        // Controls 26 and 79: look behind on foot and in a vehicle.
        f.mode = modeName(simulation.session.modeLabel(), held(26) || held(79));
        f.cameraPosition = row.cameraPosition;
        f.cameraRotation = row.cameraRotation;
        f.fov = row.cameraFov;
        f.inVehicle = row.inVehicle;
        if (row.inVehicle) {
            f.vehiclePosition = row.vehiclePosition;
            f.vehicleYaw = row.vehicleYaw;
        } else {
            const sim::Pose body = sim::characterPose(world);
            f.vehiclePosition = body.position;
            f.vehicleYaw = sim::headingOf(body.orientation.col(1));
        }
        out.frames.push_back(std::move(f));
        out.obstacles = world.obstacles;
        if (sceneFrames.count(row.frame) != 0) out.scenes.emplace_back(row.frame, sceneOf(world, row));
    };
    simulation.session.onDraws = [&](int frame, const std::vector<sim::DrawCall>& calls) {
        out.draws.emplace_back(frame, calls);
    };
    simulation.run();
    out.error = simulation.error();
    return out;
}

std::vector<int> defaultFrames(const std::vector<FrameRecord>& frames) {
    std::vector<int> chosen;
    for (const char* mode : kNamedModes) {
        std::size_t bestLength = 0, run = 0;
        int bestEnd = -1;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            run = frames[i].mode == mode ? run + 1 : 0;
            if (run > bestLength) {
                bestLength = run;
                bestEnd = frames[i].frame;
            }
        }
        if (bestEnd >= 0) chosen.push_back(bestEnd);
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

CameraPlacement placementOf(const FrameRecord& f) {
    // Heading 0 faces +Y and 90 faces -X.
    const float yaw = sim::radians(f.vehicleYaw);
    const Vector3 forward(-std::sin(yaw), std::cos(yaw), 0.0f);
    const Vector3 d = f.cameraPosition - f.vehiclePosition;
    return CameraPlacement{-d.dot(forward), d.z()};
}

}  // namespace velmora::preview
