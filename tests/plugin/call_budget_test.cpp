// The native calls of each kind of frame, counted in the simulated game. Every call costs the player
// time, so the counts are exact: each frame type is the sum of the steps its algorithm takes, written
// out here by native; the budgets are the ceilings the counts must stay under.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>

#include "plugin/velmora.h"
#include "sim/catalogue.h"
#include "sim/runner.h"
#include "thirdperson/bone_names.h"

namespace velmora {
namespace {

using Calls = std::map<std::string, int>;

Calls operator+(Calls a, const Calls& b) {
    for (const auto& [name, count] : b) a[name] += count;
    return a;
}

// Calls by native name from "name name*2 ...": once each, or as often as the count says.
Calls calls(const std::string& text) {
    Calls out;
    std::istringstream names(text);
    for (std::string name; names >> name;) {
        const std::size_t star = name.find('*');
        out[name.substr(0, star)] += star == std::string::npos ? 1 : std::stoi(name.substr(star + 1));
    }
    return out;
}

// The frame driver's every frame: the player's state, the typed menu trigger, look axes, aim and time step.
const Calls kEveryFrame = calls(
    "playerId playerCharacter doesEntityExist isPlayerControlOn isEntityDead "
    "isPlayerBeingArrested cheatTyped controlValue*2 isPlayerAiming frameTimestep");
const Calls kOnFoot = calls("isCharacterInAnyVehicle isCharacterEnteringVehicle unlockMinimapAngle setGameCameraMode");
// Seated with the cameras in charge: the view mode kept, the controls taken, the minimap held.
const Calls kSeated = calls(
    "isCharacterInAnyVehicle vehicleOfCharacter setGameViewMode disableControlThisFrame*2 "
    "isDisabledControlJustPressed isControlPressed*2 lockMinimapAngle");
const Calls kSample = calls(
    "entityPosition entityRotation entityVelocity entityForward isEntityInAir "
    "isEntityUpsideDown frameTime");
// The chase update: the car's orientation, one obstacle probe and its result, the field of view.
const Calls kChase = calls(
    "entityQuaternion startSegmentProbe segmentProbeResult setCameraFov setCameraPosition "
    "setCameraRotation");
// First person; on a motorcycle the eye sits over the saddle bone, without the mount point.
const std::string kFirstPersonCalls =
    "isCharacterEnteringVehicle isControlJustPressed entityQuaternion bonePosition vehicleAcceleration "
    "entitySpeedVector stopCameraPointing setPhoneOverlayScale declareFirstPersonView renderScriptedCameras "
    "setGameCameraMode setCameraFov setCameraPosition setCameraRotation";
const Calls kFirstPerson = calls(kFirstPersonCalls + " entityPointToWorld"), kOnTheSaddle = calls(kFirstPersonCalls);
// Looking behind in first person: the rear bone and the spoiler instead of the head and the cabin motion.
const Calls kFirstPersonBehind = calls(
    "isCharacterEnteringVehicle isControlJustPressed entityQuaternion bonePosition "
    "vehicleMod stopCameraPointing renderScriptedCameras setCameraPosition "
    "setCameraRotation");

constexpr int kChaseBudget = 33, kMeasurementBudget = 400, kWorstBudget = 450;

std::map<std::uint64_t, std::string> nativeNames() {
    std::map<std::uint64_t, std::string> names;
#define VELMORA_NAME_NATIVE(name, hash, ...) names[hash] = #name;
    VELMORA_NATIVES(VELMORA_NAME_NATIVE)
#undef VELMORA_NAME_NATIVE
    return names;
}

Calls byName(const std::map<std::uint64_t, int>& byHash) {
    static const auto names = nativeNames();
    Calls calls;
    for (const auto& [hash, count] : byHash)
        calls[names.count(hash) != 0 ? names.at(hash) : std::to_string(hash)] += count;
    return calls;
}

int total(const Calls& calls) {
    return std::accumulate(calls.begin(), calls.end(), 0, [](int n, const auto& call) { return n + call.second; });
}

std::unique_ptr<sim::Simulation> started(const sim::Scenario& scenario) {
    sim::RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    auto run = std::make_unique<sim::Simulation>(scenario, options);
    run->start();
    return run;
}

// The calls of the given frame of a scenario.
Calls callsOfFrame(const char* scenario, int frame) {
    auto run = started(sim::findScenario(scenario));
    while (run->step())
        if (run->trace().back().frame == frame) return byName(run->lastLog().callsByHash);
    ADD_FAILURE() << scenario << " has no frame " << frame;
    return {};
}

TEST(CallBudget, EachFrameTypeAsksTheGameOnlyWhatItNeeds) {
    struct Case {
        const char* what;
        const char* scenario;
        int frame;
        Calls expected;
        int budget;  // 0: none of its own, the worst frame's only
    };
    const Case cases[] = {
        {"on foot", "drive", 10, kEveryFrame + kOnFoot, 0},
        {"ordinary chase", "drive", 100, kEveryFrame + kSeated + kSample + kChase, kChaseBudget},
        {"chase, looking behind", "look-behind", 60, kEveryFrame + kSeated + kSample + kChase, kChaseBudget},
        {"first person", "drive", 430, kEveryFrame + kSeated + kSample + kFirstPerson, 0},
        {"first person on a motorcycle", "fp-bike", 200, kEveryFrame + kSeated + kSample + kOnTheSaddle, 0},
        {"first person, looking behind", "fp-behind", 85, kEveryFrame + kSeated + kSample + kFirstPersonBehind, 0},
    };
    for (const Case& c : cases) {
        const Calls calls = callsOfFrame(c.scenario, c.frame);
        EXPECT_EQ(calls, c.expected) << c.what;
        EXPECT_LE(total(calls), c.budget > 0 ? c.budget : kWorstBudget) << c.what;
    }
}

bool hasBone(const sim::VehicleModel& model, std::string_view name) {
    return std::ranges::any_of(model.bones, [&](const sim::BoneDefinition& b) { return b.name == name; });
}

TEST(CallBudget, AMeasurementLooksEachBoneUpOncePerVehicle) {
    // The calls measureVehicle makes on a compact: its class, every table name and the two
    // cabin bones outside the table looked up (the first time only), the position of every
    // bone it has of the table and of the three cabin bones, the eye point into the car's
    // frame, and the walk's origin, forward axis and rotation.
    const sim::VehicleModel& compact = *sim::findVehicleModel("compact");
    int tableBones = 0;
    for (const std::string_view name : VehicleBoneNames) tableBones += hasBone(compact, name) ? 1 : 0;
    int cabinBones = 0;
    for (const char* name : {"seat_dside_f", "steeringwheel", "windscreen"})
        cabinBones += hasBone(compact, name) ? 1 : 0;
    ASSERT_GT(tableBones, 10);
    const int firstTime = 1 + (kVehicleBoneNameCount + 2) + (tableBones + cabinBones) + 1 + 3;
    const int again = firstTime - (kVehicleBoneNameCount + 2);
    auto run = started(sim::findScenario("drive"));
    while (run->step() && run->trace().back().frame < 100) {
    }
    ASSERT_TRUE(run->plugin.camera.cameraActive);
    auto measured = [&] {
        const int before = run->world.log.nativeCalls;
        measureVehicle(run->plugin);
        return run->world.log.nativeCalls - before;
    };
    EXPECT_EQ(measured(), again);
    run->plugin.profile.bones = {};  // as entering a vehicle or a reload leaves it
    EXPECT_EQ(measured(), firstTime);
    EXPECT_LE(firstTime, kMeasurementBudget);
}

TEST(CallBudget, AReloadLooksTheBonesUpAfresh) {
    // A reload may follow an edit of anything, the model under a handle included: its
    // measurement asks for every index again, once; the frame driver's measurement after it
    // uses them.
    auto run = started(sim::parseScenario(R"({"frames": 60, "world": {"player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "speed": 8}]},
        "events": [{"frame": 30, "do": "key", "key": "F10", "frames": 2}]})",
                                          "reload"));
    int reloads = 0;
    while (run->step()) {
        const sim::TraceRow& row = run->trace().back();
        const Calls calls = byName(run->lastLog().callsByHash);
        if (row.frame < 5 || calls.count("vehicleClass") == 0) continue;
        ++reloads;
        EXPECT_EQ(calls.at("vehicleClass"), 2) << "frame " << row.frame;
        EXPECT_EQ(calls.at("boneIndex"), kVehicleBoneNameCount + 2) << "frame " << row.frame;
    }
    EXPECT_EQ(reloads, 1);
}

TEST(CallBudget, NoFrameOfAnyBuiltinScenarioGoesOverTheWorstFrameBudgetAndABlendFrameCostsNoMore) {
    int blendFrames = 0;
    for (const sim::BuiltinScenario& scenario : sim::builtinScenarios()) {
        auto run = started(sim::findScenario(scenario.name));
        int worst = 0, worstFrame = 0;
        bool blending = false;
        while (run->step()) {
            const sim::TraceRow& row = run->trace().back();
            if (row.nativeCalls > worst) worst = row.nativeCalls, worstFrame = row.frame;
            // chase-cycle blends near to medium at 150 and medium to far at 300, about 95 frames
            // each. A frame blends when it starts unsettled (the flag as the previous frame left
            // it); it costs what an ordinary chase frame costs.
            if (blending && std::string_view(scenario.name) == "chase-cycle" && row.frame > 150 && row.frame < 450) {
                ++blendFrames;
                EXPECT_EQ(byName(run->lastLog().callsByHash), kEveryFrame + kSeated + kSample + kChase) << row.frame;
            }
            blending = !run->plugin.chase.chaseBlendSettled;
            // A menu frame is the chase frame, the menu's controls taken, and what it draws:
            // eight text calls per text and one more for its outline, one call per rectangle.
            // The typed trigger is not asked for on a frame the menu key is pressed.
            if (row.plugin.menuOpen && row.frame > 0) {
                int texts = 0, outlines = 0, rects = 0;
                for (const sim::DrawCall& d : run->lastLog().draws) {
                    const bool rect = d.kind == sim::DrawCall::Kind::Rect;
                    (rect ? rects : texts) += 1;
                    outlines += !rect && d.outline ? 1 : 0;
                }
                const Calls calls = byName(run->lastLog().callsByHash);
                auto count = [&](const char* name) { return calls.count(name) != 0 ? calls.at(name) : 0; };
                if (count("vehicleClass") == 0 && count("setCameraFov") != 0) {
                    const int chase = total(kEveryFrame + kSeated + kSample + kChase) - 1 + count("cheatTyped");
                    EXPECT_LE(count("cheatTyped"), 1);
                    EXPECT_EQ(total(calls), chase + 9 + 8 * texts + outlines + rects)
                        << scenario.name << " frame " << row.frame;
                }
            }
        }
        EXPECT_LE(worst, kWorstBudget) << scenario.name << " frame " << worstFrame;
    }
    EXPECT_GT(blendFrames, 150);
}

}  // namespace
}  // namespace velmora
