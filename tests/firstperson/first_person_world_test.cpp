// The first-person camera in the simulated world, judged where its values are defined: in the car's frame, with the
// shake, the guard or the inertia switched off where they would hide what is being checked. Expected values are
// worked out by hand from the catalogue's bones and the chosen settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plugin/velmora.h"
#include "sim/catalogue.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using sim::TraceRow;

// The player gets into "car" from first person on foot at frame 2; the own camera runs from
// frame 58. `fp` holds 1stPersonView settings and `world` more world fields, as JSON members.
std::unique_ptr<sim::Simulation> firstPerson(const std::string& car, const std::string& events, int frames,
                                             const std::string& fp = "", const std::string& world = "") {
    return testing::makeRun(R"({"frames": )" + std::to_string(frames) + R"(, "settings": {"1stPersonView": {)" + fp +
                            R"(}}, "world": {"onFootViewMode": 4, "player": {"position": [-2, 0, 0]}, )" + world +
                            R"("vehicles": [{"name": "car", )" + car + R"(}]},
        "events": [{"frame": 2, "do": "enter", "vehicle": "car", "frames": 10})" +
                            events + "]}");
}

float wrap180(float degrees) { return std::remainder(degrees, 360.0f); }

// A point in the frame of a car standing level at the row's heading: x right, y forward, z up.
Vector3 inCar(const TraceRow& row, const Vector3& fromTo) {
    return sim::orientationOf(row.vehicleYaw, 0.0f, 0.0f).transpose() * fromTo;
}

TEST(FirstPersonCamera, OffsetsGuardInertiaAndAnglesInTheCarsFrame) {
    // A standing car at heading 30 (rolled where a row says), without shake. From frame 100 the
    // mouse turns the view 2.5 degrees a frame for 32 frames: 80 to the left, where a view axis
    // is (-sin 80, cos 80, 0) in the car. The camera's offset from the head in the car's frame,
    // at rest (frame 99) and in that look (frame 135), and its angles from the car's at rest.
    const float skip = std::nanf("");
    struct Case {
        const char* what;
        const char* fp;
        Vector3 rest, looked;
        Rotation angles{};
        const char* car = "";
    };
    const Case cases[] = {
        {"head-space offsets turn with the view: 0.1 right, -0.04 along it, 0.05 up",
         R"("InertiaEffects": 0, "EyePlaneGuard": 0, "sideOffset": 0.1)",
         {0.1f, -0.04f, 0.05f},
         {0.0567571f, 0.0915349f, 0.05f}},
        {"car-space offsets stay on the car's axes",
         R"("InertiaEffects": 0, "EyePlaneGuard": 0, "HeadSpaceOffsets": 0, "sideOffset": 0.2, "forwardOffset": 0.3,
            "heightOffset": 0.1)",
         {0.2f, 0.3f, 0.1f},
         {0.2f, 0.3f, 0.1f}},
        {"car space: the guard measures and pushes along the car's forward axis",
         R"("InertiaEffects": 0, "HeadSpaceOffsets": 0, "sideOffset": 0.1, "forwardOffset": -0.2)",
         {0.1f, 0.08f, 0.05f},
         {0.1f, 0.08f, 0.05f}},
        {"head space: the guard measures and pushes along the view: 0.08 along it",
         R"("InertiaEffects": 0, "forwardOffset": -0.2)",
         {0, 0.08f, 0.05f},
         {-0.0787846f, 0.0138919f, 0.05f}},
        {"in front of the eyes the guard leaves it be",
         R"("InertiaEffects": 0, "forwardOffset": 0.1)",
         {0, 0.1f, 0.05f},
         {-0.0984808f, 0.0173648f, 0.05f}},
        {"at rest the inertia, (0 - 0.3)·0.175, shifts 0.0525 forward",
         R"("EyePlaneGuard": 0)",
         {0, 0.0125f, 0.05f},
         {skip, 0, 0}},
        {"held to MaxInertiaShift", R"("EyePlaneGuard": 0, "MaxInertiaShift": 0.02)", {0, -0.02f, 0.05f}, {skip, 0, 0}},
        {"a negative limit allows none",
         R"("EyePlaneGuard": 0, "MaxInertiaShift": -0.002)",
         {0, -0.04f, 0.05f},
         {skip, 0, 0}},
        {"pitch and yaw offsets look up and to the left",
         R"("pitchOffset": 5, "yawOffset": 10)",
         {skip, 0, 0},
         {skip, 0, 0},
         {5, 0, 10}},
        {"on a car rolled 20: (1 - 0.35)·20 + the roll offset 3",
         R"("rollOffset": 3)",
         {skip, 0, 0},
         {skip, 0, 0},
         {0, 16, 0},
         R"(, "roll": 20)"},
    };
    for (const Case& c : cases) {
        auto run = firstPerson(std::string(R"("model": "compact", "heading": 30)") + c.car,
                               R"(, {"frame": 100, "do": "look", "x": -0.5, "y": 0, "frames": 32})", 136,
                               std::string(R"("TerrainShake": 0, )") + c.fp);
        run->run();
        const Vector3 head = run->plugin.cabin.rawHead;  // the car stands: the same every frame
        const TraceRow &rest = run->trace().at(99), &looked = run->trace().at(135);
        for (const auto& [row, at] : {std::pair{&rest, c.rest}, std::pair{&looked, c.looked}}) {
            EXPECT_TRUE(std::isnan(at.x()) || (inCar(*row, row->cameraPosition - head) - at).norm() < 1e-4f)
                << c.what << ": " << inCar(*row, row->cameraPosition - head).transpose();
        }
        const Vector3 angles(rest.cameraRotation.x, rest.cameraRotation.y,
                             wrap180(rest.cameraRotation.z - rest.vehicleYaw));
        EXPECT_LT((angles - Vector3(c.angles.x, c.angles.y, c.angles.z)).cwiseAbs().maxCoeff(), 1e-3f)
            << c.what << ": " << angles.transpose();
        const float lookedYaw = wrap180(looked.cameraRotation.z - looked.vehicleYaw);
        EXPECT_TRUE(*c.car != '\0' || std::fabs(lookedYaw - 80 - c.angles.z) < 1e-3f) << c.what << ": " << lookedYaw;
    }
}

TEST(FirstPersonCamera, AimingGivesSixtyDegreesWhateverTheSpeedZoom) {
    // At 40 m/s the speed zoom alone would give 59 + (1 - (15/55)²)·12 = 70.1074 degrees.
    auto run = firstPerson(R"("model": "compact")", R"(, {"frame": 20, "do": "drive", "vehicle": "car", "speed": 40},
        {"frame": 60, "do": "hold", "control": "aim", "frames": 400})",
                           400);
    run->run();
    EXPECT_NEAR(run->trace().back().cameraFov, 60.0f, 2e-3f);
}

TEST(FirstPersonCamera, AMotorcycleInASteadyTurnLooksAlongItsTravel) {
    // Turning at 40 degrees a second about its rear hub, 0.73 m behind its origin, at 15 m/s:
    // the origin travels atan(0.73 × 0.698132 / 15) = 1.9459 degrees left of the body's heading.
    auto run = firstPerson(R"("model": "motorcycle")",
                           R"(, {"frame": 20, "do": "drive", "vehicle": "car", "speed": 15, "yawRate": 40})", 200);
    run->run();
    for (int f = 120; f < 200; ++f) {
        const TraceRow& row = run->trace().at(static_cast<std::size_t>(f));
        EXPECT_NEAR(wrap180(row.cameraRotation.z - row.vehicleYaw), 1.9459f, 0.02f) << f;
        EXPECT_NEAR(row.cameraRotation.x, 0.0f, 0.02f) << f;
    }
}

TEST(LookAround, HeldInTheWorldWhileTheCarTurnsStillWhilePausedAndAsLongAsThePlayerAims) {
    // RecenterTime 0.5: a look holds 1.5 s of game time after its last input, then returns within 0.5 s. The mouse
    // looks 25 degrees right (frames 100 to 109); the car turns 0.5 degrees a frame for 80 frames from 110, while the
    // game stands still in frames 130 to 189 (no time passes into 131 to 189): 40 degrees. The hold lasts to frame
    // 258. Then a look 25 degrees left while aiming from 400.
    auto run = firstPerson(R"("model": "compact")", R"(,
        {"frame": 100, "do": "look", "x": 0.5, "y": 0, "frames": 10},
        {"frame": 110, "do": "drive", "vehicle": "car", "yawRate": 30}, {"frame": 130, "do": "pause", "frames": 60},
        {"frame": 249, "do": "drive", "vehicle": "car", "yawRate": 0},
        {"frame": 400, "do": "look", "x": -0.5, "y": 0, "frames": 10},
        {"frame": 400, "do": "hold", "control": "aim", "frames": 240})",
                           640, R"("TerrainShake": 0, "RecenterTime": 0.5)");
    run->run();
    auto at = [&](int f) { return run->trace().at(static_cast<std::size_t>(f)); };
    for (int f = 110; f <= 255; f += 5) EXPECT_NEAR(wrap180(at(f).cameraRotation.z + 25.0f), 0.0f, 0.01f) << f;
    EXPECT_NEAR(wrap180(at(260).vehicleYaw - 40.0f), 0.0f, 0.01f);
    EXPECT_NEAR(wrap180(at(330).cameraRotation.z - 40.0f), 0.0f, 0.01f);  // returned onto the car
    for (int f = 420; f < 640; f += 10) EXPECT_NEAR(wrap180(at(f).cameraRotation.z - 65.0f), 0.0f, 0.01f) << f;
}

TEST(LookBehind, TheRearPointOfEachBodyLookingBackAlongTheCarOnASlope) {
    // Each vehicle stands at heading 30 with its nose 10 degrees up, so the view looking back
    // along it has pitch -10, yaw 210 and no roll. The point in the car's frame is the first
    // rear bone of the catalogue's layout (the compact: 4 long, 1.75 wide, roof bone 1.07 up)
    // with its offsets, and 0.3 up for a fitted spoiler of any index from 0.
    struct Case {
        const char* what;
        const char* model;
        std::vector<std::string> without;
        int spoiler;
        Vector3 at;
        const char* how = R"("do": "hold", "control": "lookBehind")";
    };
    const Case cases[] = {
        {"rear window (0, -1.6, 0.7), 0.08 up and back", "compact", {}, -1, {0, -1.68f, 0.78f}},
        {"a spoiler of index 0 raises it", "compact", {}, 0, {0, -1.68f, 1.08f}},
        {"rear bumper (0, -2, 0.1), 0.18 up and 0.08 back", "compact", {"windscreen_r"}, -1, {0, -2.08f, 0.28f}},
        {"middle brake light (0, -1.65, 1.02), 0.08 up and back, raised",
         "compact",
         {"windscreen_r", "bumper_r"},
         0,
         {0, -1.73f, 1.4f}},
        {"boot (0, -1.65, 0.45), 0.28 up",
         "compact",
         {"windscreen_r", "bumper_r", "brakelight_m"},
         -1,
         {0, -1.65f, 0.73f}},
        {"left brake light (-0.725, -1.95, 0.45), 0.08 up and back, never raised",
         "compact",
         {"windscreen_r", "bumper_r", "brakelight_m", "boot"},
         0,
         {-0.725f, -2.03f, 0.53f}},
        {"no rear bone: the rear extent (the exhaust, 2.2) behind the origin, 0.5 up", "bare", {}, 0, {0, -2.2f, 0.5f}},
        {"a motorcycle: its saddle (0, -0.2, 0.49), 0.3 up, never raised", "motorcycle", {}, 0, {0, -0.2f, 0.79f}},
        {"the manual-transmission plug-in's look back",
         "compact",
         {},
         -1,
         {0, -1.68f, 0.78f},
         R"("do": "gears", "back": true)"},
    };
    for (const Case& c : cases) {
        sim::VehicleModel model = *sim::findVehicleModel(c.model);
        std::erase_if(model.bones,
                      [&](const sim::BoneDefinition& b) { return std::ranges::count(c.without, b.name) > 0; });
        auto run = firstPerson(std::string(R"("model": ")") + c.model +
                                   R"(", "heading": 30, "pitch": 10, "spoiler": )" + std::to_string(c.spoiler),
                               std::string(R"(, {"frame": 90, "frames": 10, )") + c.how + "}", 96, "",
                               R"("gears": {"present": true}, )");
        run->world.vehicles[0].model = &model;
        run->run();
        const TraceRow& row = run->trace().back();
        const Vector3 at =
            sim::orientationOf(30.0f, 10.0f, 0.0f).transpose() * (row.cameraPosition - row.vehiclePosition);
        EXPECT_LT((at - c.at).norm(), 1e-4f) << c.what << ": " << at.transpose();
        const Vector3 angles(row.cameraRotation.x, row.cameraRotation.y, wrap180(row.cameraRotation.z - 210.0f));
        EXPECT_LT((angles - Vector3(-10.0f, 0.0f, 0.0f)).cwiseAbs().maxCoeff(), 1e-3f)
            << c.what << ": " << angles.transpose();
    }
}

TEST(FirstPersonCamera, NonFiniteVehicleDataNeverReachesTheGame) {
    // The game answers NaN for the car's position and velocity from 80 to 109.
    auto run = firstPerson(R"("model": "compact", "speed": 6)", R"(, {"frame": 80, "do": "broken", "vehicle": "car"},
        {"frame": 110, "do": "broken", "vehicle": "car", "value": false})",
                           160);
    run->run();
    for (int f = 80; f < 160; ++f) {
        const TraceRow& row = run->trace().at(static_cast<std::size_t>(f));
        ASSERT_TRUE(row.cameraPosition.allFinite() && std::isfinite(row.cameraFov)) << f;
        EXPECT_TRUE(f >= 110 || row.cameraPosition == run->trace().at(79).cameraPosition) << f;
    }
    // Recovered: back at the driver's eyes, the guard's 0.08 ahead of them.
    const TraceRow& last = run->trace().back();
    EXPECT_NEAR(inCar(last, last.cameraPosition - run->plugin.cabin.rawHead).y(), 0.08f, 2e-3f);
}

}  // namespace
}  // namespace velmora
