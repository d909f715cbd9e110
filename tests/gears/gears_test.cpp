// The link to the manual-transmission plug-in: binding its exports through a recording OS
// seam, then its look answers in simulated drives.
#include "gears/gears.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "shell/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

using testing::runUntil;

// An OS seam that records which module and exports are asked for and answers each export
// with its own address, so the binding order can be read back.
struct LinkSeam {
    static inline bool present = true;
    static inline std::string missing;  // one export answered with null
    static inline std::vector<std::string> modules, lookups;
    static inline char module = 0;
    static inline std::array<char, 16> targets{};

    static Platform table(bool isPresent, std::string missingExport) {
        present = isPresent;
        missing = std::move(missingExport);
        modules.clear();
        lookups.clear();
        Platform p{};
        p.getModuleHandle = [](const char* name) -> void* {
            modules.emplace_back(name);
            return present && std::string(name) == "Gears.asi" ? &module : nullptr;
        };
        p.getProcAddress = [](void* m, const char* name) -> void* {
            lookups.emplace_back(name);
            if (m != &module || missing == name || lookups.size() > targets.size()) return nullptr;
            return &targets[lookups.size() - 1];
        };
        return p;
    }
};

TEST(LinkGears, BindsEveryExportInOrderGoesOnPastAMissingOneAndLinksNothingWithoutTheModule) {
    struct Case { bool present; std::string missing; };
    for (const Case& c : {Case{false, ""}, Case{true, ""}, Case{true, "MT_GetVersion"}, Case{true, "MT_LookingRight"},
                          Case{true, "MT_LookingBack"}}) {
        Velmora v;
        v.platform = LinkSeam::table(c.present, c.missing);
        linkGears(v);
        const std::string what = (c.present ? "present, missing " : "absent ") + c.missing;
        const std::vector<std::string> names(kGearsExportNames.begin(), kGearsExportNames.end());
        EXPECT_EQ(LinkSeam::modules, std::vector<std::string>{"Gears.asi"});
        EXPECT_EQ(v.gears.gearsLinked, c.present) << what;
        EXPECT_EQ(v.gears.gearsModule, c.present ? &LinkSeam::module : nullptr) << what;
        EXPECT_EQ(LinkSeam::lookups, c.present ? names : std::vector<std::string>{}) << what;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const void* expected = c.present && c.missing != names[i] ? &LinkSeam::targets[i] : nullptr;
            EXPECT_EQ(v.gears.exports[i], expected) << names[i] << ", " << what;
        }
        unlinkGears(v);
        EXPECT_FALSE(v.gears.gearsLinked) << what;
    }
}

// The player drives a compact; the plug-in's answers are scripted by the events.
std::unique_ptr<sim::Simulation> drive(const std::string& gears, const std::string& events,
                                       const std::string& settings = "") {
    return testing::makeRun(R"({"frames": 120, "world": {"gears": )" + gears +
                                R"(, "player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "speed": 5}]}, "events": [)" + events + "]}",
                            settings);
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

// Switched off in the settings, the plug-in is still linked at start-up but never asked.
TEST(GearsInPlay, SwitchedOffOrAbsentThePlugInIsNeverAsked) {
    struct Case { const char* what; const char* gears; const char* settings; int lookups; };
    for (const Case& c : {Case{"switched off", R"({"present": true})", "[general]\nGetInputFromGearsAsi = 0\n", 16},
                          Case{"absent", R"({"present": false})", "", 0}}) {
        auto run = drive(c.gears, kLeftFrom20, c.settings);
        runUntil(*run, 45);
        EXPECT_EQ(run->plugin.gears.gearsLinked, c.lookups == 16) << c.what;
        EXPECT_EQ(run->world.gears.exportLookups, c.lookups) << c.what;
        EXPECT_EQ(run->world.gears.lookQueries, 0) << c.what;
    }
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
