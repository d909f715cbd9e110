// Scenarios replayed at another frame rate, and the comparison of two camera paths.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/frame_rates.h"
#include "sim/host.h"
#include "sim/runner.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

TEST(FrameRates, AScenarioAtAnotherRateKeepsItsGameTime) {
    const Scenario written =
        parseScenario(R"({"frames": 600, "world": {"vehicles": [{"name": "car", "model": "compact"}]},
        "events": [
        {"frame": 45, "do": "press", "control": "lookBehind"},
        {"frame": 60, "do": "hold", "control": "aim", "frames": 30},
        {"frame": 90, "do": "look", "x": 0.6, "y": -0.3, "frames": 10, "device": "mouse"},
        {"frame": 120, "do": "look", "x": 0.5, "y": 0.2, "frames": 3, "device": "gamepad"},
        {"frame": 150, "do": "pause", "frames": 1}, {"frame": 200, "do": "enter", "vehicle": "car"},
        {"frame": 300, "do": "exit"}]})",
                      "rates");
    // The mouse's x and y: what the game reads.
    struct Case {
        float fps;
        int frames, pressAt, holdAt, holdFor, lookFor, pauseFor, enterFor, exitFor;
        float mouseX, mouseY;
    };
    // An input seen on frame k at 60 was made after frame k - 1: at another rate it is seen on the first frame that
    // ends after (k - 1)/60 s. The press on frame 45 is made after 44/60 s: on frame 23 at 30 a second (which ends at
    // 46/60 s), 106 at 144 (floor(44 × 2.4) + 1), 177 at 240; the hold on 60 likewise on 30, 142 and 237. A one-frame
    // pause stays a frame long; a mouse moves twice as far a frame at 30 (0.6 to 1.2, which reads as the most the
    // game reads, 1). Getting in and out take their default 20 and 15 frames' time at any rate (7.5 frames rounds to
    // 8).
    const Case cases[] = {{60.0f, 600, 45, 60, 30, 10, 1, 20, 15, 0.6f, -0.3f},
                          {30.0f, 300, 23, 30, 15, 5, 1, 10, 8, 1.0f, -0.6f},
                          {144.0f, 1440, 106, 142, 72, 24, 2, 48, 36, 0.25f, -0.125f},
                          {240.0f, 2400, 177, 237, 120, 40, 4, 80, 60, 0.15f, -0.075f}};
    for (const Case& c : cases) {
        const Scenario s = atFrameRate(written, c.fps);
        SCOPED_TRACE(c.fps);
        EXPECT_FLOAT_EQ(s.dt, 1.0f / c.fps);
        EXPECT_EQ(s.frames, c.frames);
        ASSERT_EQ(s.events.size(), 7u);
        EXPECT_EQ(s.events[0].frame, c.pressAt);
        EXPECT_EQ(s.events[0].args["frame"].get<int>(), c.pressAt);
        EXPECT_FALSE(s.events[0].args.contains("frames"));  // a press is one frame at any rate
        EXPECT_EQ(s.events[1].frame, c.holdAt);
        EXPECT_EQ(s.events[1].args["frames"].get<int>(), c.holdFor);
        EXPECT_EQ(s.events[2].args["frames"].get<int>(), c.lookFor);
        World world;
        setUpWorld(world, s);
        SimHost host(world);
        for (const int at : {s.events[2].frame, s.events[3].frame}) {
            while (world.frame < at) advanceWorld(world);
            applyEvents(world, s);
            const bool mouse = at == s.events[2].frame;  // a stick's deflection is no distance: read as it is
            EXPECT_NEAR(invoke(host.runtime(), natives::controlValue, 2, 1), mouse ? c.mouseX : 0.5f, 1e-6f);
            EXPECT_NEAR(invoke(host.runtime(), natives::controlValue, 2, 2), mouse ? c.mouseY : 0.2f, 1e-6f);
        }
        EXPECT_EQ(s.events[4].args["frames"].get<int>(), c.pauseFor);
        EXPECT_EQ(s.events[5].args["frames"].get<int>(), c.enterFor);
        EXPECT_EQ(s.events[6].args["frames"].get<int>(), c.exitFor);
    }
    // The built-in scenarios move the mouse no further a frame than the game reads (1) even at
    // 30 frames a second, where a frame holds two of theirs.
    for (const BuiltinScenario& b : builtinScenarios())
        for (const ScenarioEvent& e : parseScenario(b.json, b.name).events)
            for (const char* axis : {"x", "y"})
                EXPECT_TRUE(e.args.value("device", "mouse") != "mouse" ||
                            2.0 * std::fabs(e.args.value(axis, 0.0)) <= 1.0)
                    << b.name << ", frame " << e.frame;
}

TraceRow row(float t, const Vector3& position, float yaw, bool scripted = true) {
    TraceRow r;
    r.t = static_cast<double>(t);
    r.scripted = scripted;
    r.cameraPosition = position;
    r.cameraRotation = Rotation{0.0f, 0.0f, yaw};
    return r;
}

TEST(FrameRates, PathsAreComparedAtTheSameGameTime) {
    // The reference moves 1 m a second along x and turns 10 degrees a second, at 4 frames a
    // second; the path is sampled at 2 frames a second, between reference frames.
    std::vector<TraceRow> reference;
    for (int i = 0; i <= 8; ++i) {
        const float t = 0.25f * static_cast<float>(i);
        reference.push_back(row(t, Vector3(t, 0, 0), 10.0f * t));
    }
    std::vector<TraceRow> same, apart;
    for (int i = 0; i < 4; ++i) {
        const float t = 0.125f + 0.5f * static_cast<float>(i);
        same.push_back(row(t, Vector3(t, 0, 0), 10.0f * t));
        // 0.1 m off on the first two, 0.3 m on the others; 2 degrees off, then 4.
        const float off = i < 2 ? 0.1f : 0.3f;
        apart.push_back(row(t, Vector3(t, off, 0), 10.0f * t + (i < 2 ? 2.0f : 4.0f)));
    }
    const PathDeviation none = comparePaths(same, reference);
    EXPECT_EQ(none.samples, 4);
    EXPECT_NEAR(none.positionMax, 0.0f, 1e-6f);
    EXPECT_NEAR(none.rotationMax, 0.0f, 0.02f);  // an acos near 1 is coarse
    const PathDeviation d = comparePaths(apart, reference);
    EXPECT_EQ(d.samples, 4);
    EXPECT_NEAR(d.positionMax, 0.3f, 1e-5f);
    EXPECT_NEAR(d.positionRms, std::sqrt((2 * 0.01f + 2 * 0.09f) / 4), 1e-5f);
    EXPECT_NEAR(d.rotationMax, 4.0f, 0.02f);
    EXPECT_NEAR(d.rotationRms, std::sqrt((2 * 4.0f + 2 * 16.0f) / 4), 0.02f);
    // Frames without the scripted camera, on either side, are not compared; nor is a frame past the reference's end.
    apart[0].scripted = false;
    reference[4].scripted = false;  // t 1.0, a neighbour of the path's t 1.125
    apart.push_back(row(5.0f, Vector3::Zero(), 0.0f));
    EXPECT_EQ(comparePaths(apart, reference).samples, 2);
}

// The camera's heading at a game time, from a run of the scenario at a frame rate.
float yawAt(const std::string& json, float fps, double t) {
    RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    Simulation run(atFrameRate(parseScenario(json, "held stick"), fps), options);
    run.run();
    for (const TraceRow& row : run.trace())
        if (row.t >= t - 1e-6) return row.cameraRotation.z;
    return 0.0f;
}

TEST(FrameRates, AHeldStickTurnsTheViewAsFastAtEveryRate) {
    // The chase camera's free look: the stick at 0.5, eased, turns 2·(1 - cos(0.5·90°)) =
    // 0.5858 degrees a 60th of a second, 35.15 a second, once the look smoothing has caught up.
    // The first-person head turns 5 × 0.6 = 3 degrees a 60th at full stick, 36 a second at 0.2.
    struct Case {
        const char* what;
        std::string json;
        double from;
        float degreesPerSecond;
    };
    const Case cases[] = {
        {"chase",
         R"({"frames": 240, "world": {"player": {"in": "car"}, "vehicles": [{"name": "car", "model": "compact"}]},
            "events": [{"frame": 60, "do": "look", "x": -0.5, "frames": 120, "device": "gamepad"}]})",
         2.0, 35.147f},
        {"first person", R"({"frames": 300, "world": {"onFootViewMode": 4, "player": {"position": [-2, 0, 0]},
            "vehicles": [{"name": "car", "model": "compact"}]},
            "events": [{"frame": 2, "do": "enter", "vehicle": "car", "frames": 10},
                       {"frame": 120, "do": "look", "x": -0.2, "frames": 120, "device": "gamepad"}]})",
         2.5, 36.0f},
    };
    for (const Case& c : cases)
        for (const float fps : {30.0f, 60.0f, 144.0f, 240.0f}) {
            const float turned = std::remainder(yawAt(c.json, fps, c.from + 0.5) - yawAt(c.json, fps, c.from), 360.0f);
            EXPECT_NEAR(turned / 0.5f, c.degreesPerSecond, 0.01f * c.degreesPerSecond) << c.what << " at " << fps;
        }
}

}  // namespace
}  // namespace velmora::sim
