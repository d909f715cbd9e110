// The frame driver end to end: the plug-in runs in the simulated world, scenarios drive
// the player, and the tests read what the game was told and what the plug-in decided.
#include "shell/frame_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "shell/velmora.h"
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
              "events": [)" + events + "]}";
}

// Presses of the view-change control at the frames given, as scenario events.
std::string viewChanges(std::initializer_list<int> frames) {
    std::string events;
    for (const int f : frames)
        events += R"(, {"do": "press", "control": "viewChange", "frame": )" + std::to_string(f) + "}";
    return events.substr(2);
}

TEST(Startup, NotifiesInPiecesOfNinetyNineThenLoadsTheSettings) {
    auto withFile = makeRun(inCar(""), std::string("[3rdPersonView]\nfov = 70\n"));
    withFile->start();
    ASSERT_EQ(withFile->world.allNotifications.size(), 1u);
    EXPECT_EQ(withFile->world.allNotifications[0], "~y~Velmora~w~ is running.   ~y~F11~w~ to open settings");
    EXPECT_EQ(withFile->plugin.settings.thirdPersonView.fov, 70.0f);
    EXPECT_EQ(withFile->plugin.driver.cameraMode, CameraMode::ThirdPerson);
    // A long text goes out in pieces: one begin, three pieces (99, 99, 1), one post.
    withFile->world.log = sim::FrameLog{};
    const std::string text(199, 'x');
    showNotification(withFile->plugin, text);
    ASSERT_EQ(withFile->world.log.notifications.size(), 1u);
    EXPECT_EQ(withFile->world.log.notifications[0], text);
    EXPECT_EQ(withFile->world.log.callsByHash[natives::addText.hash], 3);

    auto withoutFile = makeRun(inCar(""));
    withoutFile->start();
    ASSERT_EQ(withoutFile->world.allNotifications.size(), 2u);
    EXPECT_EQ(withoutFile->world.allNotifications[1], "~r~Velmora~w~: Velmora.ini not found");
}

TEST(ViewMode, RememberedAfterTheGraceAndWrittenBackOnLeaving) {
    // In the car from the start: the remembered view 1 picks the medium chase camera.
    auto run = makeRun(inCar(R"({"frame": 20, "do": "exit", "frames": 5},
        {"frame": 60, "do": "setViewMode", "value": 2}, {"frame": 90, "do": "setViewMode", "value": 0},
        {"frame": 130, "do": "setViewMode", "value": 3},
        {"frame": 160, "do": "enter", "vehicle": "car", "frames": 5})"));
    runUntil(*run, 10);
    EXPECT_EQ(run->plugin.driver.cameraIndex, 1);
    EXPECT_EQ(run->world.onFootViewMode, 1);

    runUntil(*run, 26);  // out of the car: the medium view is left to the game
    EXPECT_FALSE(run->plugin.driver.wasInVehicle);
    EXPECT_EQ(run->plugin.driver.rememberedViewMode, 1);
    EXPECT_EQ(run->world.onFootViewMode, 1);

    runUntil(*run, 100);  // a change within 1.5 s of leaving is not remembered
    EXPECT_EQ(run->plugin.driver.rememberedViewMode, 1);
    runUntil(*run, 125);  // after the grace the game's view is read again
    EXPECT_EQ(run->plugin.driver.rememberedViewMode, 0);
    runUntil(*run, 150);  // a view mode of 3 is ignored
    EXPECT_EQ(run->plugin.driver.rememberedViewMode, 0);

    runUntil(*run, 170);  // back in: the remembered near view
    EXPECT_TRUE(run->plugin.driver.wasInVehicle);
    EXPECT_EQ(run->plugin.driver.cameraIndex, 0);
    EXPECT_EQ(run->world.onFootViewMode, 0);
}

TEST(ViewMode, ControlSeventyFiveSuspendsTheOwnFirstPersonCameraUntilOnFoot) {
    auto run = makeRun(inCar(viewChanges({5, 10}) + R"(, {"frame": 20, "do": "press", "control": "control75"},
                                                     {"frame": 40, "do": "exit", "frames": 3})", 60));
    runUntil(*run, 15);
    EXPECT_EQ(run->plugin.driver.cameraMode, CameraMode::FirstPerson);
    EXPECT_FALSE(run->plugin.driver.firstPersonSuspended);
    runUntil(*run, 30);
    EXPECT_TRUE(run->plugin.driver.firstPersonSuspended);
    runUntil(*run, 50);
    EXPECT_FALSE(run->plugin.driver.firstPersonSuspended);
}

TEST(ToggleKey, ToggleAndReloadOnOneKeyShareTheLatchAndTheToggleWins) {
    const std::string events = R"({"frame": 10, "do": "key", "key": "F10", "frames": 3},
                                  {"frame": 30, "do": "key", "key": "F10", "frames": 3})";
    auto shared = makeRun(inCar(events, 50), std::string("[keyMappings]\ntoggleModKey = F10\nreloadSettingsKey = VK_F10\n"));
    runUntil(*shared, 20);
    EXPECT_FALSE(shared->plugin.driver.modEnabled);
    shared->plugin.settings.firstPersonView.fov = 99.0f;  // a reload would put 59 back
    runUntil(*shared, 40);
    EXPECT_TRUE(shared->plugin.driver.modEnabled);
    EXPECT_EQ(shared->plugin.settings.firstPersonView.fov, 99.0f);

    // With keys of their own the same release reloads.
    auto apart = makeRun(inCar(events, 50), std::string("[keyMappings]\nreloadSettingsKey = F10\n"));
    runUntil(*apart, 5);
    apart->plugin.settings.firstPersonView.fov = 99.0f;
    runUntil(*apart, 20);
    EXPECT_TRUE(apart->plugin.driver.modEnabled);
    EXPECT_EQ(apart->plugin.settings.firstPersonView.fov, 59.0f);
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
    struct Span { int from, to; bool alone; const char* what; };
    const Span spans[] = {{34, 59, false, "in the car"},       {60, 79, true, "dead"},
                          {82, 109, false, "alive again"},     {110, 129, true, "being arrested"},
                          {132, 159, false, "free again"},     {160, 179, true, "without control"},
                          {182, 209, false, "control back"},   {210, 229, true, "gone"},
                          {232, 259, false, "back"}};
    for (const Span& span : spans)
        for (int f = span.from; f <= span.to; ++f) EXPECT_EQ(gameAlone(f), span.alone) << span.what << ", frame " << f;
}

}  // namespace
}  // namespace velmora
