// The chase camera end to end in the simulated world: the side and rear looks, the free look's
// pitch limits, the obstacle handling and the field of view.
#include "thirdperson/chase_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "plugin/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

// A compact the player sits in, played to its end: the trace.
std::unique_ptr<sim::Simulation> played(const std::string& car, const std::string& events, int frames,
                                        const std::string& settings = "") {
    auto run = testing::makeRun(R"({"frames": )" + std::to_string(frames) +
                                    R"(, "world": {"player": {"in": "car"}, )"
                                    R"("vehicles": [{"name": "car", "model": "compact", "position": [0, 0, 0.5])" +
                                    car + R"(}]},
              "events": [)" + events +
                                    "]}",
                                settings);
    run->run();
    return run;
}

float yawFromCar(const sim::TraceRow& row) { return wrapDegrees180(row.cameraRotation.z - row.vehicleYaw); }

TEST(ChaseCamera, LookBehindAndSideLooksTurnAboutTheCar) {
    auto run = played("", R"({"frame": 100, "do": "hold", "control": "lookBehind", "frames": 60},
        {"frame": 200, "do": "key", "key": "B", "frames": 60}, {"frame": 300, "do": "key", "key": "N", "frames": 60})",
                      400, "[3rdPersonView]\nlookLeftAngle = 90\nlookRightAngle = 60\n");
    // Looking behind: ahead of the car by the rod's length (5.35 for the compact's medium camera), looking back.
    const sim::TraceRow& behind = run->trace().at(149);
    const Vector3 offset =
        sim::orientationOf(behind.vehicleYaw, 0, 0).transpose() * (behind.cameraPosition - behind.vehiclePosition);
    EXPECT_TRUE(std::fabs(offset.x()) < 1e-3f && offset.y() > 5.35f * 0.9f) << offset.transpose();
    EXPECT_NEAR(std::fabs(yawFromCar(behind)), 180.0f, 0.1f);
    // The look-left key drives the axis to +1, which turns the view by lookRightAngle to the
    // car's left; the look-right key to -1, by lookLeftAngle to its right.
    EXPECT_NEAR(yawFromCar(run->trace().at(249)), 60.0f, 0.1f);
    EXPECT_NEAR(yawFromCar(run->trace().at(349)), -90.0f, 0.1f);
}

TEST(ChaseCamera, FreeLookPitchStaysWithinItsLimits) {
    // The mouse pushes up hard, then down hard; the camera pitch is the look's minus the 3.5 degree camera angle.
    auto run = played("", R"({"frame": 60, "do": "look", "x": 0, "y": -1, "frames": 60},
        {"frame": 130, "do": "look", "x": 0, "y": 1, "frames": 80})",
                      225);
    const auto [lowest, highest] =
        std::ranges::minmax(run->trace(), {}, [](const sim::TraceRow& r) { return r.cameraRotation.x; });
    EXPECT_NEAR(highest.cameraRotation.x, 40.0f - 3.5f, 0.05f);
    EXPECT_NEAR(lowest.cameraRotation.x, -62.0f - 3.5f, 0.05f);
}

TEST(ChaseCamera, PullsInFrontOfAnObstacleQuicklyAndEasesBackOut) {
    // A standing car; a tall wall appears across the rod at frame 100 and goes at 200.
    auto run = played("", R"({"frame": 100, "do": "obstacle", "min": [-5, -4, 0], "max": [5, -3.5, 6]},
        {"frame": 200, "do": "clearObstacles"})",
                      320);
    auto at = [&](int frame) { return run->trace()[static_cast<std::size_t>(frame)].cameraPosition; };
    const Vector3 free = at(99);
    const Vector3 held = at(190);  // settled in front of the wall: 0.22 off it, 0.12 toward the car
    EXPECT_NEAR(held.y(), -3.5f + 0.22f + 0.12f, 0.02f);
    // In at 20 per second: a third of the remaining way a frame at 60 frames per second.
    EXPECT_LT((at(100) - (free + (held - free) / 3.0f)).norm(), 1e-3f);
    EXPECT_LT((at(101) - (free + (held - free) * (1.0f - 4.0f / 9.0f))).norm(), 1e-3f);
    // Out at 7 per second; it drops onto the free point on the first frame that leaves it within
    // 0.05: after n steps the gap is |held - free|·k^n.
    const float k = 1.0f - 7.0f / 60.0f;
    EXPECT_LT((at(200) - (free + (held - free) * k)).norm(), 1e-3f);
    EXPECT_LT((at(201) - (free + (held - free) * k * k)).norm(), 1e-3f);
    const int steps = static_cast<int>(std::ceil(std::log(0.05f / (held - free).norm()) / std::log(k)));
    EXPECT_GE((at(200 + steps - 2) - free).norm(), 0.05f);  // still held a frame before
    EXPECT_EQ(at(200 + steps - 1), free);
    EXPECT_EQ(at(300), free);
    EXPECT_FALSE(run->plugin.chaseState.obstructed);
}

TEST(ChaseCamera, FieldOfViewWithSpeedAndAiming) {
    struct Case {
        float speed;
        std::string settings;
        float fov;
        const char* events = "";
    };
    const std::string dynamic = "[3rdPersonView]\nDynamicFov = 1\n";  // 68 to 75 at 60 m/s
    const Case cases[] = {
        {30, dynamic, 71.5f},      // 68 + 7 * 30/60
        {90, dynamic, 78.5f},      // beyond the maximum without the limit
        {150, dynamic, 80.8333f},  // capped at 110 m/s
        {90, dynamic + "DynamicFovMaxLimit = 1\n", 75.0f},
        {30, dynamic + "DynamicFovMaxAtSpeed = 0\n", 75.0f},    // no reference speed: the widest view at once
        {30, dynamic + "DynamicFovMaxAtSpeed = -60\n", 64.5f},  // a negative one follows: 68 + 7 * 30/-60
        {30, dynamic + "DynamicFovMaxAtSpeed = -60\nDynamicFovMaxLimit = 1\n", 75.0f},  // capped: 68 + 7 * -60/-60
        {30, "", 77.5f},                                                                // off: the camera's own 77.5
        {30, dynamic, 60.0f, R"({"frame": 10, "do": "hold", "control": "aim", "frames": 200})"},
    };
    for (const Case& c : cases) {  // past the render switch's ease
        auto run = played(R"(, "speed": )" + std::to_string(c.speed), c.events, 80, c.settings);
        EXPECT_NEAR(run->trace().back().cameraFov, c.fov, 1e-3f) << c.speed << " " << c.settings << c.events;
    }
}

}  // namespace
}  // namespace velmora
