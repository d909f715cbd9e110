// The link to the manual-transmission plug-in in simulated drives: binding its exports and
// its look answers.
#include "gears/gears.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using testing::runUntil;

// The player drives a compact; the plug-in's answers are scripted by the events.
std::unique_ptr<sim::Simulation> drive(const std::string& gears, const std::string& events) {
    return testing::makeRun(R"({"frames": 120, "world": {"gears": )" + gears + R"(, "player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "speed": 5}]}, "events": [)" + events + "]}");
}

const std::string kLeftFrom20 = R"({"frame": 20, "do": "gears", "left": true, "frames": 30})";

TEST(GearsInPlay, ALookLeftFromThePlugInSwingsTheAxisAndAfterUnlinkingItIsNoLongerAsked) {
    auto run = drive(R"({"present": true})",
                     kLeftFrom20 + R"(, {"frame": 80, "do": "gears", "left": true, "back": true, "frames": 30})");
    runUntil(*run, 18);
    EXPECT_EQ(run->world.gears.exportLookups, 16);
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 0.0f);
    int queries = run->world.gears.lookQueries;
    runUntil(*run, 28);
    // Nothing held, each frame asks left, right and back: 30 queries over 10 frames.
    EXPECT_EQ(run->world.gears.lookQueries - queries, 30);
    runUntil(*run, 45);  // 0.15 a frame: full after 7 frames
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 1.0f);
    runUntil(*run, 70);
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 0.0f);

    unlinkGears(run->plugin);
    queries = run->world.gears.lookQueries;
    runUntil(*run, 100);
    EXPECT_EQ(run->world.gears.lookQueries, queries);
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 0.0f);
    EXPECT_FALSE(run->plugin.look.lookBackHeld);
}

TEST(GearsInPlay, AbsentThePlugInIsNeitherLinkedNorAsked) {
    auto run = drive(R"({"present": false})", kLeftFrom20);
    runUntil(*run, 45);
    EXPECT_FALSE(run->plugin.gears.gearsLinked);
    EXPECT_EQ(run->world.gears.exportLookups, 0);
    EXPECT_EQ(run->world.gears.lookQueries, 0);
}

TEST(GearsInPlay, AMissingLookExportAnswersNoAndTheOthersStillWork) {
    auto run = drive(R"({"present": true, "missing": ["MT_LookingLeft"]})",
                     kLeftFrom20 + R"(, {"frame": 60, "do": "gears", "right": true, "frames": 30})");
    runUntil(*run, 30);
    EXPECT_EQ(run->plugin.gears.exports[static_cast<std::size_t>(GearsLook::Left)], nullptr);
    const int queries = run->world.gears.lookQueries;
    runUntil(*run, 40);  // the plug-in answers left, but without the export that is a no
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 0.0f);
    EXPECT_EQ(run->world.gears.lookQueries - queries, 20);  // right and back only: 2 a frame
    runUntil(*run, 75);
    EXPECT_EQ(run->plugin.look.lookKeyAxis, -1.0f);
}

}  // namespace
}  // namespace velmora
