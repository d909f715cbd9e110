// The vehicle profile: what the body measurement makes of the catalogue's bones, the chase
// geometry rules, the motion sample and the blending of the chase parameters.
#include "thirdperson/vehicle.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plugin/velmora.h"
#include "sim/catalogue.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using testing::makeRun;
using testing::runUntil;

// A player seated in one vehicle of the model (or of `body`, a variant of it), after the
// measurement on entering; `settings` holds the scenario's settings sections as JSON members.
std::unique_ptr<sim::Simulation> seatedIn(const std::string& model, float heading = 0.0f, const std::string& extra = "",
                                          const sim::VehicleModel* body = nullptr, const std::string& settings = "") {
    auto run = makeRun(R"({"frames": 200, "settings": {)" + settings + R"(}, "world": {"onFootViewMode": 0,
        "player": {"in": "v"}, "vehicles": [{"name": "v", "model": ")" +
                       model + R"(", "position": [3, -2, 0.5],
        "heading": )" + std::to_string(heading) +
                       extra + "}]}}");
    if (body != nullptr) run->world.vehicles[0].model = body;
    runUntil(*run, 4);
    return run;
}

TEST(VehicleProfile, EyePointFromSeatWheelAndWindscreen) {
    // In the car's frame, from the catalogue's cabin bones: x on the wheel's line; y the
    // windscreen's plus the class gap (-0.56, -0.61 for class 7), but at least 0.285 behind the
    // wheel (which decides it for the catalogue's cars, not with their wheel 0.5 further ahead);
    // z the seat's plus the class rise (0.695, 0.675 for classes 3 to 6, 0.645 for class 7).
    struct Case {
        const char* model;
        Vector3 eye;
        float wheelAhead = 0.0f;
    };
    const Case cases[] = {{"compact", {-0.38f, -0.085f, 0.845f}},     {"sports", {-0.4f, -0.185f, 0.715f}},
                          {"super", {-0.43f, 0.065f, 0.645f}},        {"suv", {-0.42f, -0.035f, 1.015f}},
                          {"van", {-0.44f, 1.265f, 1.295f}},          {"bare", {-0.4f, 0.0f, 0.695f}},
                          {"compact", {-0.38f, 0.14f, 0.845f}, 0.5f}, {"super", {-0.43f, 0.24f, 0.645f}, 0.5f}};
    for (const Case& c : cases) {
        sim::VehicleModel body = *sim::findVehicleModel(c.model);
        for (sim::BoneDefinition& b : body.bones)
            if (b.name == "steeringwheel") b.offset.y() += c.wheelAhead;
        for (const float heading : {0.0f, 37.0f, -120.0f}) {
            const Vector3 eye = seatedIn(c.model, heading, "", &body)->plugin.profile.eyeOffset;
            EXPECT_LT((eye - c.eye).cwiseAbs().maxCoeff(), 2e-4f)
                << c.model << " at " << heading << ": " << eye.transpose();
        }
    }
}

TEST(VehicleProfile, ExtentsClassesAndChaseGeometry) {
    // From the catalogue's bones of the measured table: front and rear the bumpers (a motorcycle's
    // front hub 0.73 and exhaust 0.85), up the roof bone; the medium camera (1.2, 0.3, 3.5 degrees)
    // gives the rod 1.45 + rear + 0.7 + 1.2 (+1 on a saddle), the height min(up + 0.5, 2) + 0.3
    // (1.38 + 0.3 on a saddle), the angle lift tan 3.5° × the rod. The van's 1.61 is tall:
    // (2 - 1.75)·7.6 + 0.1 = 2 more rod and 1 more height. A distance offset adds to the rod.
    struct Case {
        const char* model;
        int vehicleClass;
        bool supported, seatAnchored, towArm = false, hitch = false;
        float front = 0, rear = 0, tall = 0, distance = 0, height = 0, lift = 0;
        const char* settings = "";
    };
    const Case cases[] = {
        {"compact", 0, true, false, false, false, 2.0f, 2.0f, 0, 5.35f, 1.87f, 0.327220f},
        {"compact", 0, true, false, false, false, 2.0f, 2.0f, 0, 5.85f, 1.87f, 0.357801f,
         R"("3rdPersonView": {"distanceOffsetMedium": 0.5})"},
        {"super", 7, true, false, false, false, 2.3f, 2.3f, 0, 5.65f, 1.55f, 0.345569f},
        {"van", 12, true, false, false, false, 2.65f, 2.65f, 2.0f, 8.0f, 3.3f, 0.489301f},
        {"towtruck", 11, true, false, true, false, 2.8f, 2.8f, 0, 6.15f, 1.96f, 0.376150f},
        {"tractor", 20, true, false, false, true, 3.1f, 3.1f, 0, 6.45f, 2.02f, 0.394499f},
        {"motorcycle", 8, true, true, false, false, 0.73f, 0.85f, 0, 5.2f, 1.68f, 0.318046f},
        {"bicycle", 13, false, true},
        {"boat", 14, false, false},
        {"helicopter", 15, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.settings);
        auto run = seatedIn(c.model, 15.0f, "", nullptr, c.settings);
        const VehicleProfile& p = run->plugin.profile;
        EXPECT_EQ(p.vehicleClass, c.vehicleClass);
        EXPECT_EQ(p.vehicleSupported, c.supported);
        EXPECT_EQ(p.seatAnchored, c.seatAnchored);
        EXPECT_EQ(p.hasTowArm, c.towArm);
        EXPECT_EQ(p.hasAttachFemale, c.hitch);
        if (!c.supported) continue;  // the camera never starts, nothing else is measured later
        const float got[] = {p.frontExtent, p.rearExtent, p.tallLift, p.chaseDistance, p.chaseHeight, p.angleLift};
        const float want[] = {c.front, c.rear, c.tall, c.distance, c.height, c.lift};
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], want[i], 1e-3f) << i;
    }
}

TEST(VehicleProfile, AMenuEditInTheChaseCameraMeasuresTheBodyAgain) {
    // Seated in a compact in the medium camera; the menu opens on F11 and walks to the medium
    // camera's "Distance". Before Right is pressed at 40 the body gets its rear bumper 0.5 m
    // further back, which only a new measurement sees: rear 2.5, and once settled the rod is
    // 1.45 + 2.5 + 0.7 + 1.22 = 5.87 (within the settled threshold 0.002, a step further at most).
    auto run =
        makeRun(R"({"frames": 300, "world": {"player": {"in": "v"}, "vehicles": [{"name": "v", "model": "compact"}]},
        "events": [{"frame": 10, "do": "key", "key": "F11"}, {"frame": 14, "do": "key", "key": "DOWN"},
                   {"frame": 18, "do": "key", "key": "RETURN"}, {"frame": 22, "do": "key", "key": "DOWN"},
                   {"frame": 26, "do": "key", "key": "RETURN"}, {"frame": 30, "do": "key", "key": "DOWN"},
                   {"frame": 40, "do": "key", "key": "RIGHT"}]})");
    sim::VehicleModel longer = *sim::findVehicleModel("compact");
    for (sim::BoneDefinition& b : longer.bones)
        if (b.name == "bumper_r") b.offset.y() = -2.5f;
    runUntil(*run, 35);
    EXPECT_NEAR(run->plugin.profile.rearExtent, 2.0f, 1e-4f);
    run->world.vehicles[0].model = &longer;
    runUntil(*run, 41);
    EXPECT_NEAR(run->plugin.settings.thirdPersonView.perCamera.distance[Medium], 1.22f, 1e-6f);
    EXPECT_NEAR(run->plugin.profile.rearExtent, 2.5f, 1e-4f);
    run->run();
    EXPECT_NEAR(run->plugin.profile.chaseDistance, 5.87f, 2.5e-3f);
}

TEST(VehicleSample, AxesSpeedChangeAndTravelBlend) {
    auto run = seatedIn("compact", 30.0f, R"(, "speed": 10, "accel": 3, "roll": 4)");
    runUntil(*run, 40);
    const VehicleSample& s = run->plugin.sample;
    // Right and up are the body's own axes (it is not pitched): as the world orients it.
    const Matrix3 body = sim::orientationOf(30.0f, 0.0f, 4.0f);
    EXPECT_TRUE((s.vehicleRight - body.col(0)).norm() < 1e-5f && (s.vehicleUp - body.col(2)).norm() < 1e-5f);
    // Speeding up by 3 m/s²: |v| grows 0.05 a frame, times the frame step: 0.000833.
    EXPECT_NEAR(s.speedChange, 0.000833333f, 1e-5f);
    // On its wheels the camera follows the direction of travel: the blend stays at 0.
    EXPECT_EQ(s.travelBlend, 0.0f);
    // Upside down it runs toward 1, the body (in the air, as the chase-jump scenario shows).
    run->world.vehicles[0].roll = 180.0f;
    runUntil(*run, run->world.frame + 30);
    EXPECT_GT(s.travelBlend, 0.99f);
}

TEST(ChaseParameters, SnapThenEaseTowardTheSelectedCamera) {
    Velmora v;  // SpecialAbilityFix is on: the blend runs on RealFrameSeconds (0.016), no natives
    v.driver.cameraIndex = 1;
    stepChaseParameters(v);  // the first call snaps
    EXPECT_TRUE(v.chase.distance == 1.2f && v.chase.height == 0.3f);
    EXPECT_TRUE(v.chase.chaseBlendStarted && v.chase.chaseBlendSettled);
    stepChaseParameters(v);  // nothing to do: settled at once
    EXPECT_TRUE(v.chase.chaseBlendSettled);
    // Toward far: t = 2.6 × 0.016 = 0.0416, w = (2 - t)·t·0.75 = 0.0611021 of the way a step.
    v.driver.cameraIndex = 2;
    stepChaseParameters(v);
    EXPECT_NEAR(v.chase.distance, 1.2f + 0.8f * 0.0611021f, 1e-6f);
    EXPECT_NEAR(v.chase.height, 0.3f + 0.25f * 0.0611021f, 1e-6f);
    ASSERT_FALSE(v.chase.chaseBlendSettled);
    int frames = 1;
    for (; !v.chase.chaseBlendSettled && frames < 1000; ++frames) stepChaseParameters(v);
    // The distance is the slowest: 0.8 × (1 - w)^n falls below 0.002 first at n = 96
    // (log 0.0025 / log 0.938898 = 95.03).
    EXPECT_EQ(frames, 96);
    EXPECT_NEAR(v.chase.distance, 2.0f, 0.002f);
    // Out-of-range indexes use the nearest end.
    for (const auto& [index, distance] : {std::pair{-1, 0.4f}, std::pair{5, 2.0f}}) {
        v = Velmora{};
        v.driver.cameraIndex = index;
        stepChaseParameters(v);
        EXPECT_EQ(v.chase.distance, distance) << index;
    }
}

}  // namespace
}  // namespace velmora
