// The frame driver end to end: the plug-in runs in the simulated world, scenarios drive
// the player, and the tests read what the game was told and what the plug-in decided.
#include "plugin/frame_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "plugin/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using sim::Simulation;
using testing::makeRun;
using testing::runUntil;

// A compact that the player sits in from the start; events go in between.
std::string inCar(const std::string& events, int frames = 200, const std::string& world = "") {
    return R"({"frames": )" + std::to_string(frames) + R"(, "world": {)" + world +
           R"("player": {"in": "car"}, "vehicles": [{"name": "car", "model": "compact", "position": [0, 0, 0.5], "speed": 5}]},
              "events": [)" +
           events + "]}";
}

TEST(Startup, NotifiesInPiecesOfNinetyNineThenLoadsTheSettings) {
    auto run = makeRun(inCar(""), std::string("[3rdPersonView]\nfov = 70\n"));
    run->start();
    EXPECT_EQ(run->world.allNotifications,
              std::vector<std::string>{"~y~Velmora~w~ is running.   ~y~F11~w~ to open settings"});
    EXPECT_EQ(run->plugin.settings.thirdPersonView.fov, 70.0f);
    EXPECT_EQ(run->plugin.driver.cameraMode, CameraMode::ThirdPerson);
    // A long text goes out in pieces: one begin, three pieces (99, 99, 1), one post.
    run->world.log = sim::FrameLog{};
    const std::string text(199, 'x');
    showNotification(run->plugin, text);
    EXPECT_EQ(run->world.log.notifications, std::vector<std::string>{text});
    EXPECT_EQ(run->world.log.callsByHash[natives::addText.hash], 3);
    auto withoutFile = makeRun(inCar(""));
    withoutFile->start();
    ASSERT_EQ(withoutFile->world.allNotifications.size(), 2u);
    EXPECT_EQ(withoutFile->world.allNotifications[1], "~r~Velmora~w~: Velmora.ini not found");
}

TEST(ViewMode, RememberedAfterTheGraceAndWrittenBackOnLeaving) {
    // In the car from the start: the remembered view 1 picks the medium chase camera. Out at 25;
    // the grace of 1.5 s ends at 115.
    auto run = makeRun(inCar(R"({"frame": 20, "do": "exit", "frames": 5},
        {"frame": 60, "do": "setViewMode", "value": 0}, {"frame": 130, "do": "setViewMode", "value": 2},
        {"frame": 140, "do": "setViewMode", "value": 3}, {"frame": 160, "do": "enter", "vehicle": "car", "frames": 5})"));
    const FrameDriver& d = run->plugin.driver;
    runUntil(*run, 10);
    EXPECT_EQ(std::pair(d.cameraIndex, run->world.onFootViewMode), std::pair(1, 1));
    runUntil(*run, 26);  // out of the car: the medium view is left to the game
    EXPECT_EQ(std::pair(d.wasInVehicle, run->world.onFootViewMode), std::pair(false, 1));
    struct Remembered {
        int frame, mode;
    };  // near within the grace, read after it; far; 3 ignored
    for (const Remembered& r : {Remembered{100, 1}, Remembered{125, 0}, Remembered{135, 2}, Remembered{155, 2}}) {
        runUntil(*run, r.frame);
        EXPECT_EQ(d.rememberedViewMode, r.mode) << r.frame;
    }
    runUntil(*run, 170);  // back in: the far chase camera
    EXPECT_TRUE(run->trace().back().scripted);
    EXPECT_EQ(std::pair(run->trace().back().plugin.cameraIndex, run->world.onFootViewMode), std::pair(2, 2));
}

TEST(ViewMode, IntoFirstPersonWithItsClipsAndControlSeventyFiveLetsTheGameViewBackUntilOnFoot) {
    // Medium, far at 5, first person at 10; control 75 at 20; out at 40 to 42; the game's view set
    // to medium after the grace, in again at 150 to 152: the chase camera is back at once.
    auto run = makeRun(inCar(R"({"frame": 5, "do": "press", "control": "viewChange"},
        {"frame": 10, "do": "press", "control": "viewChange"}, {"frame": 20, "do": "press", "control": "control75"},
        {"frame": 40, "do": "exit", "frames": 3}, {"frame": 140, "do": "setViewMode", "value": 1},
        {"frame": 150, "do": "enter", "vehicle": "car", "frames": 3})",
                             160));
    auto clips = [&] {
        const sim::ScriptedCamera& c = run->world.cameras.at(run->plugin.camera.cameraHandle);
        return std::pair{c.nearClip, c.farClip};
    };
    runUntil(*run, 8);
    EXPECT_EQ(clips(), (std::pair{0.15f, 800.0f}));
    runUntil(*run, 12);
    EXPECT_EQ(run->plugin.driver.cameraMode, CameraMode::FirstPerson);
    EXPECT_EQ(clips(), (std::pair{0.05f, 740.0f}));
    run->run();
    for (int f = 20; f < 150; ++f) EXPECT_FALSE(run->trace().at(static_cast<std::size_t>(f)).scripted) << f;
    EXPECT_TRUE(run->trace().at(155).scripted);
}

// The game's two frame-time answers, replaced while `brokenTime` holds a value.
HostRuntime gameRuntime{};
std::uint64_t lastHash = 0;
std::optional<float> brokenTime;
void tapFrameTime(sim::Simulation& run) {
    gameRuntime = run.plugin.runtime;
    run.plugin.runtime.nativeInit = [](std::uint64_t hash) { gameRuntime.nativeInit(lastHash = hash); };
    run.plugin.runtime.nativeCall = [] {
        std::uint64_t* result = gameRuntime.nativeCall();
        if (brokenTime && (lastHash == natives::frameTime.hash || lastHash == natives::frameTimestep.hash))
            std::memcpy(result, &*brokenTime, sizeof(float));
        return result;
    };
}

TEST(FrameTime, NegativeInfiniteOrNaNAnswersAreFramesInWhichNoTimePassed) {
    // Out of the car at 25 with the game's view set to far at 30; the frame time is broken in
    // frames 26 to 85. The grace of 1.5 s counts 90 frames with time: far is remembered at 175.
    for (const float broken : {-1.0f, -INFINITY, NAN, INFINITY}) {
        auto run = makeRun(
            inCar(R"({"frame": 20, "do": "exit", "frames": 5}, {"frame": 30, "do": "setViewMode", "value": 2})"));
        tapFrameTime(*run);
        runUntil(*run, 26);
        brokenTime = broken;
        runUntil(*run, 86);
        brokenTime.reset();
        runUntil(*run, 170);
        EXPECT_EQ(run->plugin.driver.rememberedViewMode, 1) << broken;
        runUntil(*run, 180);
        EXPECT_EQ(run->plugin.driver.rememberedViewMode, 2) << broken;
    }
}

TEST(ToggleKey, ToggleAndReloadOnOneKeyShareTheLatchAndTheToggleWins) {
    // F10 released at 12 and at 32, with the fov set to 99 before: sharing one key the toggle
    // wins (off, then on) and no reload puts 59 back; with keys of their own the release reloads.
    struct Case {
        const char* keys;
        bool offBetween;
        float fov;
    };
    for (const Case& c : {Case{"toggleModKey = F10\nreloadSettingsKey = VK_F10\n", true, 99.0f},
                          Case{"reloadSettingsKey = F10\n", false, 59.0f}}) {
        auto run = makeRun(inCar(R"({"frame": 10, "do": "key", "key": "F10", "frames": 3},
                                    {"frame": 30, "do": "key", "key": "F10", "frames": 3})",
                                 50),
                           std::string("[keyMappings]\n") + c.keys);
        runUntil(*run, 5);
        run->plugin.settings.firstPersonView.fov = 99.0f;
        runUntil(*run, 20);
        EXPECT_EQ(run->plugin.driver.modEnabled, !c.offBetween) << c.keys;
        runUntil(*run, 40);
        EXPECT_TRUE(run->plugin.driver.modEnabled) << c.keys;
        EXPECT_EQ(run->plugin.settings.firstPersonView.fov, c.fov) << c.keys;
    }
}

TEST(Guards, AFailingGuardOrAnUnsupportedVehicleLeavesTheGameAlone) {
    // Each guard in turn, for 20 frames, in a car that Velmora otherwise has: what the game
    // shows must be its own camera, and no control may be taken from it.
    auto run = makeRun(R"({"frames": 260, "world": {"player": {"in": "boat"},
        "vehicles": [{"name": "boat", "model": "boat"}, {"name": "car", "model": "compact", "position": [10, 0, 0]}]},
        "events": [{"frame": 20, "do": "exit", "frames": 2}, {"frame": 30, "do": "enter", "vehicle": "car", "frames": 2},
                   {"frame": 60, "do": "player", "dead": true}, {"frame": 80, "do": "player", "dead": false},
                   {"frame": 110, "do": "player", "arrested": true}, {"frame": 130, "do": "player", "arrested": false},
                   {"frame": 160, "do": "player", "hasControl": false}, {"frame": 180, "do": "player", "hasControl": true},
                   {"frame": 210, "do": "player", "exists": false}, {"frame": 230, "do": "player", "exists": true}]})");
    run->run();
    auto gameAlone = [&](int frame) {
        const sim::TraceRow& row = run->trace().at(static_cast<std::size_t>(frame));
        return !row.scripted && row.minimap == -1;
    };
    EXPECT_TRUE(gameAlone(10));  // the boat is not supported
    struct Span {
        int from, to;
        bool alone;
        const char* what;
    };
    const Span spans[] = {
        {34, 59, false, "in the car"},      {60, 79, true, "dead"},          {82, 109, false, "alive again"},
        {110, 129, true, "being arrested"}, {132, 159, false, "free again"}, {160, 179, true, "without control"},
        {182, 209, false, "control back"},  {210, 229, true, "gone"},        {232, 259, false, "back"}};
    for (const Span& span : spans)
        for (int f = span.from; f <= span.to; ++f) EXPECT_EQ(gameAlone(f), span.alone) << span.what << ", frame " << f;
}

}  // namespace
}  // namespace velmora
