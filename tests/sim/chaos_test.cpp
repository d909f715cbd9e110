// The chaos campaign in small: its checks catch what they promise to, its scenarios load,
// its hostile game really answers badly, and the plug-in keeps every promise through it.
#include "sim/chaos.h"

#include <gtest/gtest.h>

#include <limits>

#include "sim/runner.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

bool mentions(const std::vector<std::string>& faults, const std::string& part) {
    for (const std::string& f : faults)
        if (f.find(part) != std::string::npos) return true;
    return false;
}

// Each broken promise is named; a sound frame has none.
TEST(Chaos, FrameFaultsNameEachBrokenPromise) {
    Simulation run(parseScenario(R"({"frames": 30, "world": {"player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "speed": 5}]}})",
                                 "test"));
    run.run();
    ASSERT_EQ(run.world.cameras.size(), 1u);
    EXPECT_TRUE(frameFaults(run).empty());
    ScriptedCamera& camera = run.world.cameras.begin()->second;
    const ScriptedCamera good = camera;
    struct Case {
        const char* what;
        void (*spoil)(ScriptedCamera&);
        const char* named;
    };
    const Case cases[] = {
        {"position NaN", [](ScriptedCamera& c) { c.pose.position.x() = std::numeric_limits<float>::quiet_NaN(); },
         "outside the world"},
        {"position huge", [](ScriptedCamera& c) { c.pose.position.z() = 4.4e24f; }, "outside the world"},
        {"orientation NaN",
         [](ScriptedCamera& c) { c.pose.orientation(0, 0) = std::numeric_limits<float>::infinity(); }, "orientation"},
        {"fov negative", [](ScriptedCamera& c) { c.fov = -592876.0f; }, "field of view"},
        {"fov wide", [](ScriptedCamera& c) { c.fov = 131.0f; }, "field of view"},
    };
    for (const Case& c : cases) {
        camera = good;
        c.spoil(camera);
        EXPECT_TRUE(mentions(frameFaults(run), c.named)) << c.what;
    }
    camera = good;
    run.world.cameras[camera.handle + 1] = good;
    EXPECT_TRUE(mentions(frameFaults(run), "2 scripted cameras")) << "a second camera";
}

// Every generated scenario is one the loader takes, and the same seed makes the same one.
TEST(Chaos, RandomScenariosLoadAndRepeat) {
    for (std::uint64_t seed = 1; seed <= 200; ++seed)
        EXPECT_NO_THROW(parseScenario(randomScenarioText(seed, 3000), "chaos")) << seed;
    EXPECT_EQ(randomScenarioText(7, 500), randomScenarioText(7, 500));
    EXPECT_NE(randomScenarioText(7, 500), randomScenarioText(8, 500));
}

// Through a game that answers NaN, infinities, huge vectors, bone -1, vanished and re-used
// handles, garbage hits and unreadable memory, the plug-in keeps every promise, and the
// camera is back at the car a second after the answers turn good.
TEST(Chaos, TheCameraKeepsEveryPromiseInAHostileGame) {
    ChaosOptions options{.seed = 1, .runs = 12, .framesPerRun = 1500, .hostile = true, .tracePath = ""};
    const ChaosReport r = runChaos(options);
    // The game really answered badly, and the recovery was really judged.
    EXPECT_TRUE(r.spoiledAnswers > 1000 && r.hostileFrames > r.frames / 10 && r.recoveries > 10 &&
                r.framesWithCamera > r.frames / 10)
        << formatChaosReport(options, r);
    EXPECT_EQ(r.faultyFrames, 0) << formatChaosReport(options, r);
}

}  // namespace
}  // namespace velmora::sim
