// The chase camera end to end in the simulated world: where the rod puts the camera on a
// straight and in a bend, the blends, the looks, the obstacle handling, attachments, the
// field of view, and that nothing non-finite ever reaches the game.
#include "thirdperson/chase_camera.h"

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

std::string carRun(const std::string& car, const std::string& events, int frames = 400) {
    return R"({"frames": )" + std::to_string(frames) + R"(, "world": {"player": {"in": "car"}, )"
           R"("vehicles": [{"name": "car", "model": "compact", "position": [0, 0, 0.5])" + car + R"(}]},
              "events": [)" + events + "]}";
}

const sim::ScriptedCamera& cameraOf(const sim::Simulation& run) {
    return run.world.cameras.at(run.plugin.camera.cameraHandle);
}

// The last finished frame as the trace has it: the car and the camera of the same frame.
const sim::TraceRow& lastRow(const sim::Simulation& run) { return run.trace().back(); }

// The camera's offset in the car's own frame (x right, y forward, z up) in the last frame.
Vector3 offsetInCar(const sim::Simulation& run) {
    const sim::TraceRow& row = lastRow(run);
    return sim::orientationOf(row.vehicleYaw, 0.0f, 0.0f).transpose() * (row.cameraPosition - row.vehiclePosition);
}

// The camera's yaw relative to the car's in the last frame, in (-180, 180].
float yawFromCar(const sim::Simulation& run) {
    return wrapDegrees180(lastRow(run).cameraRotation.z - lastRow(run).vehicleYaw);
}

TEST(ChaseCamera, LookBehindAndSideLooksTurnAboutTheCar) {
    auto run = makeRun(carRun("", R"({"frame": 100, "do": "hold", "control": "lookBehind", "frames": 60},
        {"frame": 200, "do": "key", "key": "B", "frames": 60},
        {"frame": 300, "do": "key", "key": "N", "frames": 60})", 400),
                       std::string("[3rdPersonView]\nlookLeftAngle = 90\nlookRightAngle = 60\n"));
    runUntil(*run, 150);  // looking behind: ahead of the car by the rod's length, looking back
    const VehicleProfile& p = run->plugin.profile;
    Vector3 offset = offsetInCar(*run);
    EXPECT_NEAR(offset.x(), 0.0f, 1e-3f);
    EXPECT_GT(offset.y(), p.chaseDistance * 0.9f);
    EXPECT_NEAR(std::fabs(yawFromCar(*run)), 180.0f, 0.1f);

    // The look-left key drives the axis to +1, which turns the view by lookRightAngle to the
    // car's left; the look-right key to -1, by lookLeftAngle to its right.
    runUntil(*run, 250);
    EXPECT_NEAR(run->plugin.look.lookKeyAxis, 1.0f, 1e-6f);
    EXPECT_NEAR(yawFromCar(*run), 60.0f, 0.1f);
    runUntil(*run, 350);
    EXPECT_NEAR(yawFromCar(*run), -90.0f, 0.1f);
}

TEST(ChaseCamera, FreeLookPitchStaysWithinItsLimits) {
    // The mouse pushes up hard, then down hard; the camera pitch is the look's minus the 3.5
    // degree camera angle.
    auto run = makeRun(carRun("", R"({"frame": 60, "do": "look", "x": 0, "y": -1, "frames": 60},
        {"frame": 130, "do": "look", "x": 0, "y": 1, "frames": 80})", 230));
    float highest = -1000.0f, lowest = 1000.0f;
    for (int frame = 60; frame < 225; ++frame) {
        runUntil(*run, frame);
        highest = std::max(highest, sim::rotationOf(cameraOf(*run)).x);
        lowest = std::min(lowest, sim::rotationOf(cameraOf(*run)).x);
    }
    EXPECT_NEAR(highest, 40.0f - 3.5f, 0.05f);
    EXPECT_NEAR(lowest, -62.0f - 3.5f, 0.05f);
}

TEST(ChaseCamera, PullsInFrontOfAnObstacleQuicklyAndEasesBackOut) {
    // A standing car; a tall wall appears across the rod at frame 100 and goes at 200.
    auto run = makeRun(carRun("", R"({"frame": 100, "do": "obstacle", "min": [-5, -4, 0], "max": [5, -3.5, 6]},
        {"frame": 200, "do": "clearObstacles"})", 320));
    run->run();
    auto at = [&](int frame) { return run->trace()[static_cast<std::size_t>(frame)].cameraPosition; };
    const Vector3 free = at(99);
    const Vector3 held = at(190);  // settled in front of the wall: 0.22 off it, 0.12 toward the car
    EXPECT_NEAR(held.y(), -3.5f + 0.22f + 0.12f, 0.02f);
    // In at 20 per second: a third of the remaining way a frame at 60 frames per second.
    EXPECT_LT((at(100) - (free + (held - free) / 3.0f)).norm(), 1e-3f);
    EXPECT_LT((at(101) - (free + (held - free) * (1.0f - 4.0f / 9.0f))).norm(), 1e-3f);
    // Out at 7 per second, then exactly back once within 0.05.
    const float k = 1.0f - 7.0f / 60.0f;
    EXPECT_LT((at(200) - (free + (held - free) * k)).norm(), 1e-3f);
    EXPECT_LT((at(201) - (free + (held - free) * k * k)).norm(), 1e-3f);
    // It drops onto the free point on the first frame that leaves it within 0.05: after n
    // steps the gap is |held - free|·k^n.
    const int steps = static_cast<int>(std::ceil(std::log(0.05f / (held - free).norm()) / std::log(k)));
    EXPECT_GE((at(200 + steps - 2) - free).norm(), 0.05f);  // still held a frame before
    EXPECT_EQ(at(200 + steps - 1), free);
    EXPECT_EQ(at(300), free);
    EXPECT_FALSE(run->plugin.chaseState.obstructed);
}

TEST(ChaseCamera, FieldOfViewWithSpeedAndAiming) {
    struct Case { float speed; const char* settings; float fov; const char* events = ""; };
    const char* dynamic = "[3rdPersonView]\nDynamicFov = 1\n";
    const std::string limited = std::string(dynamic) + "DynamicFovMaxLimit = 1\n";
    const std::string noReference = std::string(dynamic) + "DynamicFovMaxAtSpeed = 0\n";
    const std::string negative = std::string(dynamic) + "DynamicFovMaxAtSpeed = -60\n";
    const std::string negativeLimited = negative + "DynamicFovMaxLimit = 1\n";
    const Case cases[] = {
        {30, dynamic, 71.5f},               // 68 + 7 * 30/60
        {90, dynamic, 78.5f},               // beyond the maximum without the limit
        {150, dynamic, 80.8333f},           // capped at 110 m/s
        {90, limited.c_str(), 75.0f},
        {30, noReference.c_str(), 75.0f},   // no reference speed: the widest view at once
        {30, negative.c_str(), 64.5f},      // a negative one follows the formula: 68 + 7 * 30/-60
        {30, negativeLimited.c_str(), 75.0f},  // capped at -60: 68 + 7 * -60/-60
        {30, "", 77.5f},                    // off: the camera's own 77.5
        {30, dynamic, 60.0f, R"({"frame": 10, "do": "hold", "control": "aim", "frames": 200})"},
    };
    for (const Case& c : cases) {
        auto run = makeRun(carRun(R"(, "speed": )" + std::to_string(c.speed), c.events, 100), std::string(c.settings));
        runUntil(*run, 80);  // past the render switch's ease
        EXPECT_NEAR(cameraOf(*run).fov, c.fov, 1e-3f) << c.speed << " " << c.settings << c.events;
    }
}

}  // namespace
}  // namespace velmora
