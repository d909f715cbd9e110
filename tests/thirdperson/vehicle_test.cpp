// The vehicle profile: what the body measurement makes of the catalogue's bones, the chase
// geometry rules, the motion sample and the blending of the chase parameters.
#include "thirdperson/vehicle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "shell/velmora.h"
#include "sim/catalogue.h"
#include "support/scenario_run.h"
#include "thirdperson/bone_names.h"

namespace velmora {
namespace {

using testing::makeRun;
using testing::runUntil;

// A player seated in one vehicle of the model, after the measurement on entering.
std::unique_ptr<sim::Simulation> seatedIn(const std::string& model, float heading = 0.0f, const std::string& extra = "") {
    auto run = makeRun(R"({"frames": 200, "world": {"onFootViewMode": 0, "player": {"in": "v"}, "vehicles": [
        {"name": "v", "model": ")" + model + R"(", "position": [3, -2, 0.5], "heading": )" + std::to_string(heading) +
                       extra + "}]}}");
    runUntil(*run, 4);
    return run;
}

Vector3 boneOf(const sim::VehicleModel& model, const char* name) {
    for (const sim::BoneDefinition& b : model.bones)
        if (b.name == name) return b.offset;
    ADD_FAILURE() << model.name << " has no " << name;
    return Vector3::Zero();
}

TEST(VehicleProfile, EyePointFromSeatWheelAndWindscreen) {
    struct Case { const char* model; float rise, gap; };  // the class constants
    const Case cases[] = {{"compact", 0.695f, -0.56f}, {"sports", 0.675f, -0.56f}, {"super", 0.645f, -0.61f},
                          {"suv", 0.695f, -0.56f},     {"van", 0.695f, -0.56f}};
    for (const Case& c : cases) {
        const sim::VehicleModel& model = *sim::findVehicleModel(c.model);
        const Vector3 seat = boneOf(model, "seat_dside_f"), wheel = boneOf(model, "steeringwheel"),
                      glass = boneOf(model, "windscreen");
        // In the vehicle's own frame: up from the seat, across to the wheel's line, |gap|
        // behind the windscreen, and at least 0.285 behind the wheel.
        Vector3 expected(wheel.x(), c.gap + glass.y(), seat.z() + c.rise);
        expected.y() = std::min(expected.y(), wheel.y() - 0.285f);
        for (const float heading : {0.0f, 37.0f, -120.0f}) {
            auto run = seatedIn(c.model, heading);
            const Vector3 eye = run->plugin.profile.eyeOffset;
            EXPECT_LT((eye - expected).cwiseAbs().maxCoeff(), 2e-4f)
                << c.model << " at " << heading << ": " << eye.transpose() << " vs " << expected.transpose();
        }
    }
}

TEST(VehicleProfile, AVehicleWithoutCabinBonesStillGetsASoundEyePoint) {
    auto run = seatedIn("bare", 25.0f);
    const Vector3 eye = run->plugin.profile.eyeOffset;
    // Over a seat 0.4 m left of the origin, at the eye rise, not at the origin's "bone".
    EXPECT_LT((eye - Vector3(-0.4f, 0.0f, 0.695f)).cwiseAbs().maxCoeff(), 1e-3f) << eye.transpose();
}

TEST(VehicleProfile, ExtentsClassesAndChaseGeometry) {
    struct Case { const char* model; int vehicleClass; bool supported, seatAnchored, towArm, hitch; };
    const Case cases[] = {
        {"compact", 0, true, false, false, false},   {"super", 7, true, false, false, false},
        {"van", 12, true, false, false, false},      {"towtruck", 11, true, false, true, false},
        {"tractor", 20, true, false, false, true},   {"motorcycle", 8, true, true, false, false},
        {"bicycle", 13, false, true, false, false},  {"boat", 14, false, false, false, false},
        {"helicopter", 15, false, false, false, false},
    };
    for (const Case& c : cases) {
        auto run = seatedIn(c.model, 15.0f);
        const VehicleProfile& p = run->plugin.profile;
        const sim::VehicleModel& model = *sim::findVehicleModel(c.model);
        EXPECT_EQ(p.vehicleClass, c.vehicleClass) << c.model;
        EXPECT_EQ(p.vehicleSupported, c.supported) << c.model;
        EXPECT_EQ(p.seatAnchored, c.seatAnchored) << c.model;
        EXPECT_EQ(p.hasTowArm, c.towArm) << c.model;
        EXPECT_EQ(p.hasAttachFemale, c.hitch) << c.model;
        if (!c.supported) continue;  // the camera never starts, nothing else is measured later

        // The extents are the furthest measured bones along the body's own axes.
        float front = 0.0f, rear = 0.0f, up = 0.0f;
        for (const sim::BoneDefinition& b : model.bones) {
            if (std::find(VehicleBoneNames.begin(), VehicleBoneNames.end(), b.name) == VehicleBoneNames.end()) continue;
            front = std::max(front, b.offset.y());
            rear = std::max(rear, -b.offset.y());
            up = std::max(up, b.offset.z());
        }
        EXPECT_NEAR(p.frontExtent, front, 1e-3f) << c.model;
        EXPECT_NEAR(p.rearExtent, rear, 1e-3f) << c.model;

        // The chase geometry; a player seated from the start has the medium camera (the
        // remembered view starts at 1): distance 1.2, height 0.3, angle 3.5.
        float h = std::max(0.0f, std::min(up + 0.5f, 2.0f));
        float d = rear + 0.7f, tall = 0.0f;
        if (h > 1.75f) {
            tall = (h - 1.75f) * 7.6f + 0.1f;
            h += 0.5f * tall;
            d += tall;
        }
        if (c.seatAnchored) {
            d += 1.0f;
            h = 1.38f;
        }
        EXPECT_NEAR(p.tallLift, tall, 1e-3f) << c.model;
        EXPECT_EQ(run->plugin.driver.cameraIndex, 1);
        EXPECT_NEAR(p.chaseDistance, 1.45f + d + 1.2f, 1e-3f) << c.model;
        EXPECT_NEAR(p.chaseHeight, h + 0.3f, 1e-3f) << c.model;
        EXPECT_NEAR(p.angleLift, std::tan(3.5f * 0.017453292f) * p.chaseDistance, 1e-4f) << c.model;
    }
    EXPECT_GT(seatedIn("van")->plugin.profile.tallLift, 1.0f);  // the tall-vehicle rule is exercised
}

TEST(VehicleSample, AxesSpeedChangeAndTravelBlend) {
    auto run = seatedIn("compact", 30.0f, R"(, "speed": 10, "accel": 3, "roll": 4)");
    runUntil(*run, 40);
    const VehicleSample& s = run->plugin.sample;
    // Right from yaw and roll only; up is right x forward.
    const float yaw = s.vehicleRotation.z * 0.017453292f, roll = s.vehicleRotation.y * 0.017453292f;
    EXPECT_NEAR(s.vehicleRight.x(), std::cos(yaw) * std::cos(roll), 1e-5f);
    EXPECT_NEAR(s.vehicleRight.z(), -std::sin(roll), 1e-5f);
    EXPECT_LT((s.vehicleUp - s.vehicleRight.cross(s.vehicleForward)).norm(), 1e-6f);
    EXPECT_GT(s.vehicleUp.z(), 0.99f);
    // Speeding up by 3 m/s^2: |v| grows 0.05 a frame, times the frame step.
    EXPECT_NEAR(s.speedChange, 0.05f / 60.0f, 1e-5f);
    // On its wheels the camera follows the direction of travel: the blend stays at 0.
    EXPECT_EQ(s.travelBlend, 0.0f);

    // In the air, and upside down, it runs toward 1 (the body) at 12 per second, unclamped:
    // 1 - 0.8^n after n frames at 60 per second; back on its wheels toward 0 the same way.
    sim::startJump(run->world, run->world.vehicles[0], 30);  // a half-second jump
    const float expected[] = {0.2f, 0.36f, 0.488f};
    for (const float e : expected) {
        runUntil(*run, run->world.frame + 1);
        EXPECT_NEAR(s.travelBlend, e, 1e-5f);
    }
    runUntil(*run, run->world.frame + 40);  // landed about 10 frames ago
    EXPECT_LT(s.travelBlend, 0.2f);
    run->world.vehicles[0].roll = 180.0f;
    runUntil(*run, run->world.frame + 30);
    EXPECT_GT(s.travelBlend, 0.99f);
}

TEST(ChaseParameters, SnapThenEaseTowardTheSelectedCamera) {
    Velmora v;  // SpecialAbilityFix is on: the blend runs on RealFrameSeconds (0.016), no natives
    v.driver.cameraIndex = 1;
    stepChaseParameters(v);  // the first call snaps
    EXPECT_EQ(v.chase.distance, 1.2f);
    EXPECT_EQ(v.chase.height, 0.3f);
    EXPECT_TRUE(v.chase.chaseBlendStarted);
    EXPECT_TRUE(v.chase.chaseBlendSettled);

    stepChaseParameters(v);  // nothing to do: settled at once
    EXPECT_TRUE(v.chase.chaseBlendSettled);

    v.driver.cameraIndex = 2;  // toward far: t = 2.6 * 0.016, w = (2 - t) t 0.75
    const float t = 2.6f * 0.016f, w = (2.0f - t) * t * 0.75f;
    stepChaseParameters(v);
    EXPECT_NEAR(v.chase.distance, 1.2f + 0.8f * w, 1e-6f);
    EXPECT_NEAR(v.chase.height, 0.3f + 0.25f * w, 1e-6f);
    EXPECT_FALSE(v.chase.chaseBlendSettled);
    int frames = 1;
    while (!v.chase.chaseBlendSettled && frames < 1000) {
        stepChaseParameters(v);
        ++frames;
    }
    // The distance is the slowest: 0.8 down to 0.002 by (1 - w) a frame.
    EXPECT_EQ(frames, static_cast<int>(std::ceil(std::log(0.002f / 0.8f) / std::log(1.0f - w))));
    EXPECT_NEAR(v.chase.distance, 2.0f, 0.002f);

    // Out-of-range indexes use the nearest end.
    for (const auto& [index, distance] : {std::pair{-1, 0.4f}, std::pair{5, 2.0f}}) {
        Velmora fresh;
        fresh.driver.cameraIndex = index;
        stepChaseParameters(fresh);
        EXPECT_EQ(fresh.chase.distance, distance) << index;
    }
}

}  // namespace
}  // namespace velmora
