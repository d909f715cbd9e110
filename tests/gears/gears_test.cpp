// The link to the manual-transmission plug-in in simulated drives: the exports it binds, and
// that it is asked only while linked and only through the exports it has.
#include "gears/gears.h"

#include <gtest/gtest.h>

#include "plugin/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using testing::runUntil;

// The player drives a compact; the plug-in's answers are scripted by the events.
std::unique_ptr<sim::Simulation> drive(const std::string& gears, const std::string& events) {
    return testing::makeRun(R"({"frames": 120, "world": {"gears": )" + gears + R"(, "player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "speed": 5}]}, "events": [)" +
                            events + "]}");
}

TEST(GearsInPlay, LinkedItsLooksAreHeardEveryFrameUntilItIsUnlinked) {
    auto run =
        drive(R"({"present": true})", R"({"frame": 20, "do": "gears", "left": true, "back": true, "frames": 60})");
    runUntil(*run, 18);
    EXPECT_EQ(run->world.gears.exportLookups, 16);
    int queries = run->world.gears.lookQueries;
    runUntil(*run, 28);
    EXPECT_EQ(run->world.gears.lookQueries - queries, 30);  // right is not held: left, right, back each frame
    runUntil(*run, 45);                                     // 0.15 a frame: full after 7 frames
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 1.0f);
    EXPECT_TRUE(run->plugin.look.lookBackHeld);
    unlinkGears(run->plugin);  // still asking for both, no longer heard or asked
    queries = run->world.gears.lookQueries;
    runUntil(*run, 60);
    EXPECT_EQ(run->world.gears.lookQueries, queries);
    EXPECT_EQ(run->plugin.look.lookKeyAxis, 0.0f);
    EXPECT_FALSE(run->plugin.look.lookBackHeld);
}

TEST(GearsInPlay, AbsentItIsNeitherLinkedNorAskedAndAMissingExportAnswersNo) {
    const std::string left = R"({"frame": 20, "do": "gears", "left": true, "frames": 30})";
    auto absent = drive(R"({"present": false})", left);
    runUntil(*absent, 45);
    EXPECT_FALSE(absent->plugin.gears.gearsLinked);
    EXPECT_EQ(absent->world.gears.exportLookups + absent->world.gears.lookQueries, 0);
    auto run = drive(R"({"present": true, "missing": ["MT_LookingLeft"]})",
                     left + R"(, {"frame": 60, "do": "gears", "right": true, "frames": 30})");
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
