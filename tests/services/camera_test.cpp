// The scripted camera's lifecycle and the two uses of game memory: the call sequences
// against a recording runtime, the memory effects in simulated runs.
#include "services/camera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plugin/velmora.h"
#include "support/fake_runtime.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using testing::FakeRuntime;
using testing::makeRun;
using testing::runUntil;
using Call = std::pair<std::uint64_t, std::vector<std::uint64_t>>;

template <class R, class... Args, class... Given>
Call call(const Native<R(Args...)>& native, Given... given) {
    return {native.hash, {toSlot<Args>(given)...}};
}

// The calls as recorded, with the camera name checked and its pointer zeroed.
std::vector<Call> lifecycleCalls(const FakeRuntime& fake) {
    std::vector<Call> out;
    for (const auto& c : fake.calls()) {
        out.emplace_back(c.hash, c.slots);
        if (c.hash == natives::createCamera.hash &&
            std::string_view(fromSlot<const char*>(c.slots[0])) == "DEFAULT_SCRIPTED_CAMERA")
            out.back().second[0] = 0;
    }
    return out;
}

TEST(CameraLifecycle, CreateEasesInAtTheVehicleSeedsTheHeadingAndReleaseEasesOutByMode) {
    // A game yaw a hair below 0 (-0.00001) would round to 360 itself, outside [0, 360).
    struct Case {
        CameraMode mode;
        bool existing;
        std::int32_t easeMs;
        float gameYaw, heading;
    };
    for (const Case& c : {Case{CameraMode::ThirdPerson, false, 650, -30.0f, 330.0f},
                          Case{CameraMode::FirstPerson, false, 300, 370.0f, 10.0f},
                          Case{CameraMode::FirstPerson, false, 300, -0.00001f, 0.0f},
                          Case{CameraMode::ThirdPerson, true, 650, 180.0f, 180.0f}}) {
        FakeRuntime fake;
        fake.answer(natives::createCamera, CameraHandle{0x55});
        fake.answer(natives::gameCameraRotation, Rotation{-10.0f, 0.0f, c.gameYaw});
        Velmora v;
        v.runtime = fake.table();
        v.driver.cameraMode = c.mode;
        v.sample.vehiclePosition = Vector3(1.0f, 2.0f, 3.0f);
        v.sample.vehicleRotation = Rotation{4.0f, 5.0f, 6.0f};
        v.settings.thirdPersonView.fov = 70.0f;
        v.settings.thirdPersonView.perCamera.fov = {66.0f, 66.0f, 66.0f};  // the chase fov
        v.settings.firstPersonView.fov = 63.0f;
        v.camera.cameraActive = c.existing;
        v.camera.cameraHandle = c.existing ? 0x44 : 0;
        createCamera(v);
        const bool third = c.mode == CameraMode::ThirdPerson;
        const std::string what = "game yaw " + std::to_string(c.gameYaw);
        std::vector<Call> expected = {call(natives::createCamera, static_cast<const char*>(nullptr), 1.0f, 2.0f, 3.0f,
                                           4.0f, 5.0f, 6.0f, 70.0f, true, 2),
                                      call(natives::setCameraActive, 0x55, true),
                                      call(natives::renderScriptedCameras, true, true, c.easeMs, true, false, 0),
                                      call(natives::gameCameraRotation, 2),
                                      call(natives::setCinematicCamera, false),
                                      call(natives::setCameraNearClip, 0x55, third ? 0.15f : 0.05f),
                                      call(natives::setCameraFarClip, 0x55, third ? 800.0f : 740.0f),
                                      call(natives::setCameraFov, 0x55, third ? 66.0f : 63.0f),
                                      call(natives::setGameCameraMode, 1)};
        if (c.existing)  // the old camera goes first, never left behind
            expected.insert(expected.begin(),
                            {call(natives::setCameraActive, 0x44, false), call(natives::destroyCamera, 0x44, true)});
        EXPECT_EQ(lifecycleCalls(fake), expected) << what;
        EXPECT_TRUE(v.camera.cameraActive && v.camera.cameraHandle == 0x55);
        EXPECT_FLOAT_EQ(v.driver.smoothedHeading, c.heading) << what;
        EXPECT_EQ(v.lookAround.lookHold, third ? 0.25f : 0.0f);
        EXPECT_EQ(v.driver.headingCatchUp, third ? 1.0f : 0.0f);
        // Released twice: the chase camera eases out over 500 ms, first person cuts, and
        // without a camera a release costs one call.
        fake.clearCalls();
        releaseCamera(v, ReleaseReason::OnFoot);
        releaseCamera(v, ReleaseReason::OnFoot);
        expected = {call(natives::unlockMinimapAngle), call(natives::setCameraActive, 0x55, false),
                    call(natives::destroyCamera, 0x55, true),
                    call(natives::renderScriptedCameras, false, third, third ? 500 : 0, true, false, 0),
                    call(natives::unlockMinimapAngle)};
        EXPECT_EQ(lifecycleCalls(fake), expected) << what;
        EXPECT_FALSE(v.camera.cameraActive);
    }
}

// A compact the player drives and a sports car beside it; memory as the scenario says.
std::string parked(const std::string& memory, const std::string& events = "") {
    return R"({"frames": 200, "world": {"memory": {)" + memory + R"(}, "player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "speed": 3},
                     {"name": "other", "model": "sports", "position": [10, 0, 0.5]}]}, "events": [)" +
           events + "]}";
}

// The view block is found at start-up unless its code pattern or the module is missing; the
// chase camera seeds from the game's view when it has the block, else from the vehicle's
// forward axis, and the drive runs on either way.
TEST(ApplyModeSettings, ChaseSeedsFromTheGameViewOrElseFromTheVehiclesForwardAxis) {
    struct Case {
        const char* memory;
        bool unreadableBlock;
        Vector3 seeded;
    };
    const Vector3 across(1.0f, 0.0f, 0.0f), forward(0.0f, 1.0f, 0.0f);
    for (const Case& c : {Case{"", false, across}, Case{R"("viewPattern": false)", false, forward},
                          Case{R"("moduleReadable": false)", false, forward}, Case{"", true, forward}}) {
        auto run = makeRun(parked(c.memory));
        runUntil(*run, 10);
        Velmora& v = run->plugin;
        const std::string what = std::string(c.memory) + (c.unreadableBlock ? " unreadable" : "");
        EXPECT_TRUE(v.camera.cameraActive) << what;
        const auto block = reinterpret_cast<std::uintptr_t>(run->world.memory.viewBlock.data());
        EXPECT_EQ(v.camera.gameViewBlock, *c.memory == '\0' ? block : 0u) << what;
        // The game camera looks across the car, along +X.
        std::memcpy(run->world.memory.viewBlock.data() + 512, across.data(), 3 * sizeof(float));
        if (c.unreadableBlock) v.camera.gameViewBlock = 0x10;
        applyModeSettings(v);
        EXPECT_LT((v.lookAround.LookQuat * Vector3(0.0f, 1.0f, 0.0f) - c.seeded).norm(), 1e-4f) << what;
        // The rod hangs straight back from the look: behind the car unless the block says otherwise.
        const Vector3 rod = v.chaseState.trailPoint - v.sample.vehiclePosition;
        EXPECT_LT(rod.dot(c.seeded), -1.0f) << what;
        EXPECT_NEAR(rod.x() * c.seeded.y() - rod.y() * c.seeded.x(), 0.0f, 1e-3f) << what;
    }
}

TEST(ScanPattern, FirstMatchWithWildcardsAndNoRetryOfTheBreakingByte) {
    struct Case {
        std::vector<std::uint8_t> image;
        std::vector<std::int16_t> pattern;
        std::ptrdiff_t at;
    };
    const Case cases[] = {
        {{0x48, 0x85, 0xC0}, {0x48, 0x85}, 0},            // at the very start
        {{0xCC, 0xCC, 0x48, 0x85}, {0x48, 0x85}, 2},      // at the very end
        {{0xCC, 0x48, 0x11, 0x85}, {0x48, -1, 0x85}, 1},  // a wildcard takes any byte
        {{0x48, 0x85, 0x48, 0x85}, {0x48, 0x85}, 0},      // the first of two
        {{0xCC, 0xCC, 0xCC}, {0x48, 0x85}, -1},           // none
        {{0xCC, 0x48}, {0x48, 0x85}, -1},                 // cut off by the end
        {{0x48, 0x48, 0x85}, {0x48, 0x85}, -1},           // the breaking 48 is not a new start
        {{0x48, 0x85}, {}, -1},                           // an empty pattern finds nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(scanPattern(c.image.data(), c.image.size(), {c.pattern.data(), c.pattern.size()}), c.at)
            << "case " << (&c - cases);
}

constexpr std::uint32_t kFlags = 0x00400000u;  // the sim's model flags word
constexpr std::uint32_t kPatched = kFlags | 0x100u;

std::uint32_t& flagsWord(sim::Simulation& run, const char* model, std::int32_t offset) {
    return *reinterpret_cast<std::uint32_t*>(run.world.memory.modelInfo.at(model).data() + offset + 20);
}

// Driving in the chase camera; the first-person camera would patch, so the tests do.
std::unique_ptr<sim::Simulation> driving(const std::string& memory, const std::string& settings = "",
                                         const std::string& events = "") {
    auto run = makeRun(parked(memory, events), settings);
    runUntil(*run, 5);
    return run;
}

Entity handleOf(sim::Simulation& run, const char* name) { return run.world.findVehicleByName(name)->handle; }

// One patch at a time, restored whether or not a camera is there (it is released first).
TEST(PatchModelFlags, ProbesOncePatchesOneVehicleAtATimeAndTheReleaseRestoresTheWord) {
    auto run = driving(R"("flagsOffset": 2000)");
    Velmora& v = run->plugin;
    const Entity car = handleOf(*run, "car"), other = handleOf(*run, "other");
    releaseCamera(v, ReleaseReason::OnFoot);
    patchModelFlags(v, car);
    EXPECT_EQ(v.settings.firstPersonView.VehicleModelInfoFlagsOffset, 2000);  // from the game's code
    EXPECT_EQ(flagsWord(*run, "compact", 2000), kPatched);
    flagsWord(*run, "compact", 2000) = 7u;  // the same vehicle again: neither saved nor set anew
    patchModelFlags(v, car);
    EXPECT_EQ(flagsWord(*run, "compact", 2000), 7u);
    patchModelFlags(v, other);  // the first goes back to its saved word before the second is set
    EXPECT_EQ(flagsWord(*run, "compact", 2000), kFlags);
    EXPECT_EQ(flagsWord(*run, "sports", 2000), kPatched);
    EXPECT_EQ(v.camera.patch.vehicle, other);
    releaseCamera(v, ReleaseReason::OnFoot);
    EXPECT_EQ(flagsWord(*run, "sports", 2000), kFlags);
    v.settings.firstPersonView.VehicleModelInfoFlagsOffset = 1404;  // no second probe takes it back
    patchModelFlags(v, car);
    EXPECT_EQ(flagsWord(*run, "compact", 1404), 0x100u);
    EXPECT_EQ(flagsWord(*run, "compact", 2000), kFlags);
}

// The probe takes the game's offset only within 1..8191; the file's offset is then used
// only within the same range (0 and -20 would hit model info + 20 and + 0, both writable).
// Switched off, nothing is probed (the probe would find 1404) and nothing patched.
TEST(PatchModelFlags, OnlyAnOffsetFromOneTo8191IsTakenOrUsedAndNoneWhenSwitchedOff) {
    struct Case {
        const char* memory;
        const char* file;
        bool patched;
        const char* more = "";
    };
    for (const Case& c :
         {Case{R"("flagsOffset": 0)", "1000", true}, Case{R"("flagsOffset": 8192)", "1000", true},
          Case{R"("flagsOffset": -4)", "1000", true}, Case{R"("moduleReadable": false)", "1000", true},
          Case{R"("flagsPattern": false)", "1000", true}, Case{R"("flagsPattern": false)", "0", false},
          Case{R"("flagsPattern": false)", "-20", false}, Case{"", "1000", false, "NoHeavyBrakeAnimation = 0\n"}}) {
        auto run =
            driving(c.memory, std::string("[1stPersonView]\nVehicleModelInfoFlagsOffset = ") + c.file + "\n" + c.more);
        const std::string what = std::string(c.memory) + ", file " + c.file + " " + c.more;
        const std::vector<std::uint8_t> before = run->world.memory.modelInfo.at("compact");
        patchModelFlags(run->plugin, handleOf(*run, "car"));
        ASSERT_EQ(run->plugin.settings.firstPersonView.VehicleModelInfoFlagsOffset, std::stoi(c.file)) << what;
        EXPECT_EQ(run->plugin.camera.patch.active, c.patched) << what;
        if (c.patched) {
            EXPECT_EQ(flagsWord(*run, "compact", 1000), 0x100u) << what;
        } else {
            EXPECT_EQ(run->world.memory.modelInfo.at("compact"), before) << what;
        }
    }
}

TEST(PatchModelFlags, TheRestoreUsesTheOffsetOfThePatchAfterAReloadChangedIt) {
    auto run = driving("", "", R"({"frame": 10, "do": "key", "key": "F10", "frames": 2})");
    patchModelFlags(run->plugin, handleOf(*run, "car"));
    ASSERT_EQ(flagsWord(*run, "compact", 1404), kPatched);
    std::ofstream(run->workDir() / "Velmora.ini") << "[1stPersonView]\nVehicleModelInfoFlagsOffset = 1000\n";
    runUntil(*run, 20);
    ASSERT_EQ(run->plugin.settings.firstPersonView.VehicleModelInfoFlagsOffset, 1000);
    releaseCamera(run->plugin, ReleaseReason::OnFoot);
    EXPECT_EQ(flagsWord(*run, "compact", 1404), kFlags);
    EXPECT_EQ(flagsWord(*run, "compact", 1000), 0u);
}

TEST(PatchModelFlags, UnreadableMemoryCostsTheFeatureNotTheGame) {
    for (const std::uintptr_t pointer : {0x0ul, 0x10ul, 0x7fff0000ul}) {
        auto run = driving("");
        sim::SimVehicle& car = *run->world.findVehicleByName("car");
        std::memcpy(car.memory.data() + 32, &pointer, sizeof pointer);  // the model info pointer
        patchModelFlags(run->plugin, car.handle);
        EXPECT_FALSE(run->plugin.camera.patch.active) << pointer;
    }
    auto run = driving("");  // the vehicle gone between the patch and its restore: the restore is dropped
    sim::SimVehicle& car = *run->world.findVehicleByName("car");
    patchModelFlags(run->plugin, car.handle);
    ASSERT_TRUE(run->plugin.camera.patch.active);
    car.exists = false;
    releaseCamera(run->plugin, ReleaseReason::OnFoot);
    EXPECT_FALSE(run->plugin.camera.patch.active);
    runUntil(*run, 30);
    EXPECT_FALSE(run->error());
}

// The probes at the edges of the executable's image (0x9000 bytes): a pattern that ends on its
// last byte is found; one cut off by the end is not; a call before the image's start or out of
// it and a load whose bytes run past its end are given up. Every read stays inside what the
// OS calls readable (the sanitizer build reports any byte read outside the image).
TEST(MemoryProbes, PatternsAtTheImageEdgesReadNothingOutsideIt) {
    const std::uint8_t view[] = {0x48, 0x8B, 0xC7, 0xF3, 0x0F, 0x10, 0x0D};
    const std::uint8_t flags[] = {0x48, 0x85, 0xC0, 0x74, 0x3C, 0x8B, 0x80, 0xD0, 0x07, 0x00, 0x00, 0xC1, 0xE8, 0x0F};
    auto put32 = [](std::vector<std::uint8_t>& image, std::int64_t at, std::int64_t value) {
        const auto v = static_cast<std::int32_t>(value);
        std::memcpy(image.data() + at, &v, sizeof v);
    };
    // Where the view pattern starts, the load's displacement counted from the image's end (0 for the
    // cell), and the call's target, which begins with the load.
    struct Case {
        const char* what;
        std::size_t viewAt;
        std::int64_t loadToEnd, callTo = 0x3000;
        bool found = false;
    };
    const Case cases[] = {
        {"view pattern on the last byte", 0x9000 - 7, 0, 0x3000, true},
        {"call before the image", 28, 0},
        {"call out of the image", 0x9000 - 7, 0, 0x40000000},
        {"load straddling the end", 0x9000 - 7, -2},
        {"load just past the end", 0x9000 - 7, 0x10},
    };
    for (const Case& c : cases) {
        auto run = makeRun(parked(R"("viewPattern": false, "flagsPattern": false)"));
        run->start();
        std::vector<std::uint8_t>& image = run->world.memory.image;
        image.resize(0x9000, 0xCC);
        std::copy(std::begin(view), std::end(view), image.begin() + static_cast<std::ptrdiff_t>(c.viewAt));
        const std::int64_t target = 0x3000, cell = 0x8000;
        if (const auto call = static_cast<std::int64_t>(c.viewAt) - 30; call >= 0) {
            image[static_cast<std::size_t>(call)] = 0xE8;
            put32(image, call + 1, c.callTo - (call + 5));
        }
        // mov rax, [rip + disp]: the cell, or a place at the image's end.
        put32(image, target + 3, (c.loadToEnd == 0 ? cell : 0x9000 + c.loadToEnd) - (target + 7));
        const auto block = reinterpret_cast<std::uintptr_t>(run->world.memory.viewBlock.data());
        std::memcpy(image.data() + cell, &block, sizeof block);
        run->plugin.camera.gameViewBlock = 0;
        probeGameView(run->plugin);
        EXPECT_EQ(run->plugin.camera.gameViewBlock, c.found ? block : 0u) << c.what;
    }

    for (const std::ptrdiff_t kept : {std::ssize(flags), std::ssize(flags) - 1}) {
        auto run = driving(R"("flagsPattern": false)");
        Velmora& v = run->plugin;
        std::vector<std::uint8_t>& image = run->world.memory.image;
        image.resize(0x9000);
        std::copy(std::begin(flags), std::begin(flags) + kept, image.end() - kept);  // ends on the last byte
        v.camera.offsetProbed = false;
        v.settings.firstPersonView.VehicleModelInfoFlagsOffset = 1404;
        patchModelFlags(v, handleOf(*run, "car"));
        EXPECT_EQ(v.settings.firstPersonView.VehicleModelInfoFlagsOffset, kept < std::ssize(flags) ? 1404 : 2000)
            << kept;
    }
}

}  // namespace
}  // namespace velmora
