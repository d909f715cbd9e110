// The look keys, the manual-transmission plug-in's look answers and the analogue look
// activity, read against a started simulated world whose inputs the tests set directly.
#include "input/look_input.h"

#include <gtest/gtest.h>

#include <cstring>

#include "plugin/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

// The player sits in a car and Gears.asi is loaded; no frame has run yet, so nothing but
// the test calls the look input.
std::unique_ptr<sim::Simulation> startedRun() {
    auto run = testing::makeRun(R"({"frames": 10, "world": {"gears": {"present": true},
        "player": {"in": "car"}, "vehicles": [{"name": "car", "model": "compact"}]}})");
    run->start();
    return run;
}

constexpr std::size_t kLeftKey = 'B', kRightKey = 'N', kLookBack = 79;  // the default look keys, control 79

TEST(LookInputActivity, EitherAnalogueAxisBeyondFiveThousandthsCounts) {
    auto run = startedRun();
    struct Case {
        float x, y;
        bool active;
    };
    for (const Case& c :
         {Case{0.0f, 0.0f, false}, Case{0.004f, 0.004f, false}, Case{-0.004f, 0.004f, false}, Case{0.005f, 0.0f, false},
          Case{0.006f, 0.0f, true}, Case{0.0f, -0.006f, true}, Case{-0.5f, 0.0f, true}, Case{0.0f, 1.0f, true}}) {
        run->world.lookX = c.x;
        run->world.lookY = c.y;
        run->plugin.look.lookInputActive = !c.active;  // must be written, not kept
        updateLookInputActivity(run->plugin);
        EXPECT_EQ(run->plugin.look.lookInputActive, c.active) << c.x << ", " << c.y;
    }
}

// One update from a given axis with a 0.1 step (9 per second over 1/90 s). Held: l and r
// the look keys, b control 79 (look back), L, R and B the plug-in's answers; u means the
// game has lost the focus. The plug-in is asked only for what the keys and the control
// leave open, and never while switched off.
TEST(LookInput, EachInputMovesTheAxisOneStepAndThePlugInIsAskedOnlyWhatIsLeftOpen) {
    struct Case {
        const char* what;
        float start;
        const char* held;
        bool fromGears;
        float axis;
        bool back;
        int queries;
    };
    const Case cases[] = {
        {"left key", 0.5f, "l", true, 0.6f, false, 2},
        {"right key", 0.5f, "r", true, 0.4f, false, 2},
        {"both keys look back", 0.5f, "lr", true, 0.4f, true, 1},
        {"control 79", 0.5f, "b", true, 0.4f, true, 2},
        {"left beats look back", 0.5f, "lb", true, 0.6f, true, 1},
        {"rest from above", 0.5f, "", true, 0.4f, false, 3},
        {"rest from below", -0.5f, "", true, -0.4f, false, 3},
        {"rest never passes 0 from above", 0.05f, "", true, 0.0f, false, 3},
        {"rest never passes 0 from below", -0.05f, "", true, 0.0f, false, 3},
        {"rest at 0", 0.0f, "", true, 0.0f, false, 3},
        {"left clamps at 1", 0.95f, "l", true, 1.0f, false, 2},
        {"right clamps at -1", -0.95f, "r", true, -1.0f, false, 2},
        {"a key without the focus", 0.5f, "lu", true, 0.4f, false, 3},
        {"plug-in left", 0.5f, "L", true, 0.6f, false, 3},
        {"plug-in right", 0.5f, "R", true, 0.4f, false, 3},
        {"plug-in back", 0.5f, "B", true, 0.4f, true, 3},
        {"plug-in left and right key", 0.5f, "Lr", true, 0.4f, true, 2},
        {"plug-in left, switched off", 0.5f, "L", false, 0.4f, false, 0},
        {"plug-in back, switched off", 0.5f, "B", false, 0.4f, false, 0},
        {"plug-in right, switched off", -0.5f, "R", false, -0.4f, false, 0},
        {"control 79, switched off", 0.5f, "b", false, 0.4f, true, 0},
    };
    auto run = startedRun();
    sim::World& w = run->world;
    w.dt = 1.0f / 90.0f;
    for (const Case& c : cases) {
        const auto held = [&c](char input) { return std::strchr(c.held, input) != nullptr; };
        w.keys[kLeftKey] = held('l');
        w.keys[kRightKey] = held('r');
        w.controls[kLookBack].held = held('b');
        w.gears.lookingLeft = held('L');
        w.gears.lookingRight = held('R');
        w.gears.lookingBack = held('B');
        w.focus = !held('u');
        run->plugin.settings.general.GetInputFromGearsAsi = c.fromGears;
        run->plugin.look.lookKeyAxis = c.start;
        run->plugin.look.lookBackHeld = !c.back;  // must be written, not kept
        const int before = w.gears.lookQueries;
        updateLookInput(run->plugin);
        EXPECT_NEAR(run->plugin.look.lookKeyAxis, c.axis, 1e-5f) << c.what;
        EXPECT_EQ(run->plugin.look.lookBackHeld, c.back) << c.what;
        EXPECT_EQ(w.gears.lookQueries - before, c.queries) << c.what;
    }
}

}  // namespace
}  // namespace velmora
