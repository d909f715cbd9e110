// The look keys, the manual-transmission plug-in's look answers and the analogue look
// activity, read against a started simulated world whose inputs the tests set directly.
#include "input/look_input.h"

#include <gtest/gtest.h>

#include "shell/velmora.h"
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

constexpr std::size_t kLeftKey = 'B';   // the default lookLeftKey
constexpr std::size_t kRightKey = 'N';  // the default lookRightKey
constexpr std::size_t kLookBack = 79;

TEST(LookInputActivity, EitherAnalogueAxisBeyondFiveThousandthsCounts) {
    auto run = startedRun();
    struct Case {
        float x, y;
        bool active;
    };
    const Case cases[] = {
        {0.0f, 0.0f, false},    {0.004f, 0.004f, false}, {-0.004f, 0.004f, false}, {0.005f, 0.0f, false},
        {0.006f, 0.0f, true},   {0.0f, -0.006f, true},   {-0.5f, 0.0f, true},      {0.0f, 1.0f, true},
    };
    for (const Case& c : cases) {
        run->world.lookX = c.x;
        run->world.lookY = c.y;
        run->plugin.look.lookInputActive = !c.active;  // must be written, not kept
        updateLookInputActivity(run->plugin);
        EXPECT_EQ(run->plugin.look.lookInputActive, c.active) << c.x << ", " << c.y;
    }
}

// One update from a given axis with a 0.1 step (9 per second over 1/90 s).
TEST(LookInput, EachInputMovesTheAxisOneStep) {
    struct Case {
        const char* what;
        float start;
        bool leftKey, rightKey, control79, gearsLeft, gearsRight, gearsBack, fromGears;
        float axis;
        bool back;
    };
    const Case cases[] = {
        {"left key", 0.5f, true, false, false, false, false, false, true, 0.6f, false},
        {"right key", 0.5f, false, true, false, false, false, false, true, 0.4f, false},
        {"both keys look back", 0.5f, true, true, false, false, false, false, true, 0.4f, true},
        {"control 79", 0.5f, false, false, true, false, false, false, true, 0.4f, true},
        {"left beats look back", 0.5f, true, false, true, false, false, false, true, 0.6f, true},
        {"rest from above", 0.5f, false, false, false, false, false, false, true, 0.4f, false},
        {"rest from below", -0.5f, false, false, false, false, false, false, true, -0.4f, false},
        {"rest never passes 0 from above", 0.05f, false, false, false, false, false, false, true, 0.0f, false},
        {"rest never passes 0 from below", -0.05f, false, false, false, false, false, false, true, 0.0f, false},
        {"rest at 0", 0.0f, false, false, false, false, false, false, true, 0.0f, false},
        {"left clamps at 1", 0.95f, true, false, false, false, false, false, true, 1.0f, false},
        {"right clamps at -1", -0.95f, false, true, false, false, false, false, true, -1.0f, false},
        {"plug-in left", 0.5f, false, false, false, true, false, false, true, 0.6f, false},
        {"plug-in right", 0.5f, false, false, false, false, true, false, true, 0.4f, false},
        {"plug-in back", 0.5f, false, false, false, false, false, true, true, 0.4f, true},
        {"plug-in left and right key", 0.5f, false, true, false, true, false, false, true, 0.4f, true},
        {"plug-in left, switched off", 0.5f, false, false, false, true, false, false, false, 0.4f, false},
        {"plug-in back, switched off", 0.5f, false, false, false, false, false, true, false, 0.4f, false},
        {"plug-in right, switched off", -0.5f, false, false, false, false, true, false, false, -0.4f, false},
    };
    auto run = startedRun();
    sim::World& w = run->world;
    w.dt = 1.0f / 90.0f;
    for (const Case& c : cases) {
        w.keys[kLeftKey] = c.leftKey;
        w.keys[kRightKey] = c.rightKey;
        w.controls[kLookBack].held = c.control79;
        w.gears.lookingLeft = c.gearsLeft;
        w.gears.lookingRight = c.gearsRight;
        w.gears.lookingBack = c.gearsBack;
        run->plugin.settings.general.GetInputFromGearsAsi = c.fromGears;
        run->plugin.look.lookKeyAxis = c.start;
        run->plugin.look.lookBackHeld = !c.back;
        updateLookInput(run->plugin);
        EXPECT_NEAR(run->plugin.look.lookKeyAxis, c.axis, 1e-5f) << c.what;
        EXPECT_EQ(run->plugin.look.lookBackHeld, c.back) << c.what;
    }
}

TEST(LookInput, ThePlugInIsAskedOnlyForWhatTheKeysAndControlLeaveOpen) {
    struct Case {
        const char* what;
        bool leftKey, rightKey, control79, fromGears;
        int queries;
    };
    const Case cases[] = {
        {"nothing held: left, right and back", false, false, false, true, 3},
        {"left key: right and back", true, false, false, true, 2},
        {"right key: left and back", false, true, false, true, 2},
        {"control 79: left and right", false, false, true, true, 2},
        {"switched off: never", false, false, false, false, 0},
        {"switched off, control 79: never", false, false, true, false, 0},
    };
    auto run = startedRun();
    sim::World& w = run->world;
    for (const Case& c : cases) {
        w.keys[kLeftKey] = c.leftKey;
        w.keys[kRightKey] = c.rightKey;
        w.controls[kLookBack].held = c.control79;
        run->plugin.settings.general.GetInputFromGearsAsi = c.fromGears;
        const int before = w.gears.lookQueries;
        updateLookInput(run->plugin);
        EXPECT_EQ(w.gears.lookQueries - before, c.queries) << c.what;
    }
}

TEST(LookInput, AFullSwingTakesANinthOfASecondAndTheReturnStopsAtZero) {
    for (const std::size_t key : {kLeftKey, kRightKey}) {
        const float sign = key == kLeftKey ? 1.0f : -1.0f;
        auto run = startedRun();
        sim::World& w = run->world;
        float& axis = run->plugin.look.lookKeyAxis;
        w.dt = 1.0f / 90.0f;  // 0.1 a frame: ten frames make 1/9 s
        w.keys[key] = true;
        for (int frame = 1; frame <= 9; ++frame) updateLookInput(run->plugin);
        EXPECT_NEAR(axis, 0.9f * sign, 1e-5f);
        updateLookInput(run->plugin);
        EXPECT_NEAR(axis, sign, 1e-5f);
        for (int frame = 0; frame < 5; ++frame) updateLookInput(run->plugin);
        EXPECT_EQ(axis, sign);  // held on: clamped at the end

        w.keys[key] = false;
        float last = axis;
        for (int frame = 0; frame < 30; ++frame) {
            updateLookInput(run->plugin);
            EXPECT_LE(axis * sign, last * sign) << "frame " << frame;
            EXPECT_GE(axis * sign, 0.0f) << "frame " << frame;  // never past the middle
            last = axis;
        }
        EXPECT_EQ(axis, 0.0f);
        EXPECT_FALSE(run->plugin.look.lookBackHeld);
    }
}

TEST(LookInput, TheKeysNeedTheGameToHaveTheFocus) {
    auto run = startedRun();
    run->world.dt = 1.0f / 90.0f;
    run->world.focus = false;
    run->world.keys[kLeftKey] = true;
    run->plugin.look.lookKeyAxis = 0.5f;
    updateLookInput(run->plugin);
    EXPECT_NEAR(run->plugin.look.lookKeyAxis, 0.4f, 1e-5f);  // not held: back toward 0
}

}  // namespace
}  // namespace velmora
