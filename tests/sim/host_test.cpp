// The simulated host as a plug-in meets it: the runtime contract, the OS seam's limits on
// game memory, scenarios (the reference's examples among them) and deterministic traces.
#include "sim/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "host/natives.h"
#include "sim/runner.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

World simpleWorld() {
    World world;
    setUpWorld(world, parseScenario(R"({"world": {"vehicles": [{"name": "car", "model": "compact"}]}})", "test"));
    return world;
}

// The plug-in's declarations against the game's: every native it calls is answered, and it
// pushes as many arguments as the game reads (a missing one would hold stale data).
template <class R, class... Args>
constexpr std::size_t argumentCountOf(const Native<R(Args...)>&) {
    return sizeof...(Args);
}

TEST(SimHost, AnswersEveryNativeThePluginDeclaresWithTheGamesArgumentCount) {
    World world = simpleWorld();
    SimHost host(world);
#define VELMORA_CHECK_ANSWERED(name, hash, ...) \
    EXPECT_TRUE(host.answers(hash)) << #name;   \
    EXPECT_EQ(argumentCountOf(natives::name), host.argumentCount(hash)) << #name;
    VELMORA_NATIVES(VELMORA_CHECK_ANSWERED)
#undef VELMORA_CHECK_ANSWERED
}

TEST(SimHost, AnUnansweredNativeOrAWrongCallStopsTheRunWithItsHash) {
    // An unknown hash (still answered with zeros), and a known native given none of its one argument.
    for (const auto& [hash, named] : {std::pair{std::uint64_t{0x0123456789abcdef}, "0x0123456789abcdef"},
                                      std::pair{natives::vehicleClass.hash, "GET_VEHICLE_CLASS"}}) {
        World world = simpleWorld();
        SimHost host(world);
        host.runtime().nativeInit(hash);
        if (hash != natives::vehicleClass.hash) host.runtime().nativePush64(1);
        const std::uint64_t* area = host.runtime().nativeCall();
        ASSERT_NE(area, nullptr);
        EXPECT_EQ(area[0], 0u);
        ASSERT_TRUE(host.error());
        EXPECT_NE(host.error()->find(named), std::string::npos) << *host.error();
    }
}

// The probes that walk game memory are checked end to end in the camera tests; here, what the host must refuse them.
TEST(SimHost, GameCodeIsReadOnlyAndStrayAddressesLeadNowhere) {
    World world = simpleWorld();
    SimHost host(world);
    const Platform os = host.platform();
    const ModuleImage image = os.mainModuleImage();
    ASSERT_NE(image.base, nullptr);
    EXPECT_TRUE(os.isReadable(image.base, 4));
    EXPECT_FALSE(os.isWritable(image.base, 4));
    EXPECT_FALSE(os.isReadable(reinterpret_cast<const void*>(0x10), 4));
    EXPECT_EQ(host.runtime().getScriptHandleBaseAddress(0x7777), nullptr);
}

TEST(SimScenario, MistakesAreNamed) {
    struct Case {
        const char* json;
        const char* fragment;
    };
    const Case cases[] = {
        // Wrong types and numbers out of range are named, never wrapped, cut or let through (the command line's tests
        // give a number past any double, a wrapping count and a number for a text).
        {"{", "not valid JSON"},
        {R"({"frames": 0})", "\"frames\" must be a whole number, frames between 1 and 1000000"},
        {R"({"frames": 2147483647})", "frames between 1 and 1000000"},
        {R"({"frames": 2.5})", "\"frames\" must be a whole number"},
        {R"({"dt": 1e300})", "\"dt\" must be a number, seconds between 0.0001 and 10"},
        {R"({"dt": 0})", "seconds between 0.0001 and 10"},
        {R"({"world": []})", "\"world\" must be an object"},
        {R"({"world": {"onFootViewMode": "first"}})", "\"onFootViewMode\" must be a whole number, 0, 1, 2, 3 or 4"},
        {R"({"world": {"focus": "yes"}})", "\"focus\" must be true or false"},
        {R"({"world": {"keyboardMouse": 1}})", "\"keyboardMouse\" must be true or false"},
        {R"({"world": {"player": {"model": 7}}})", "world.player: \"model\" must be given as a text"},
        {R"({"world": {"gears": {"missing": "MT_LookingLeft"}}})", "\"missing\" must be a list"},
        {R"({"world": {"gears": {"missing": [5]}}})", "export names as texts"},
        {R"({"world": {"vehicles": [{"name": "a", "model": "compact", "speed": 1e300}]}})",
         "\"speed\" must be a number, metres per second between -1000 and 1000"},
        {R"({"world": {"vehicles": [{"name": "a", "model": "compact", "position": [0, "x", 0]}]}})",
         "\"position\" must be a number"},
        {R"({"events": [{"frame": 1, "do": "look", "x": 1, "device": 1}]})", "\"device\" must be given as a text"},
        {R"({"events": [{"frame": 1, "do": "look", "x": 1, "device": "keyboard"}]})",
         "must be \"mouse\" or \"gamepad\""},
        {R"({"events": [{"frame": 1, "do": "press", "control": 4294967321}]})", "a control number between 0 and 1000"},
        {R"({"events": [{"frame": 5000000, "do": "exit"}]})", "a frame between 0 and 1000000"},
        {R"({"world": {"vehicles": [{"name": "a", "model": "compact"}]},
             "events": [{"frame": 3, "do": "drive", "vehicle": "a", "yawRate": "left"}]})",
         "frame 3 drive: \"yawRate\" must be a number"},
        {R"({"colour": 1})", "unknown field \"colour\""},
        {R"({"world": {"vehicles": [{"name": "a", "model": "tank"}]}})", "unknown model \"tank\""},
        {R"({"events": [{"frame": 1, "do": "fly"}]})", "unknown action \"fly\""},
        {R"({"events": [{"frame": 1, "do": "enter", "vehicle": "car"}]})", "no vehicle named \"car\""},
        {R"({"events": [{"frame": 1, "do": "key", "key": "b"}]})", "not a key name"},
        {R"({"events": [{"frame": 1, "do": "press", "control": "jump"}]})", "unknown control"},
        {R"({"events": [{"frame": 1, "do": "hold", "control": "aim"}]})", "\"frames\" is required"},
        {R"({"events": [{"do": "exit"}]})", "\"frame\" must be given"},
    };
    for (const Case& c : cases) {
        try {
            parseScenario(c.json, "case");
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const ScenarioError& e) {
            EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(findScenario("no-such-builtin"), ScenarioError);
}

TEST(SimTrace, TheSameScenarioGivesTheSameTraceByteForByte) {
    auto traceOf = [] {
        Simulation run(findScenario("drive"));
        run.run();
        std::ostringstream out;
        writeTrace(out, run.trace());
        return out.str();
    };
    const std::string first = traceOf();
    EXPECT_GT(first.size(), 10000u);
    EXPECT_EQ(first, traceOf());
}

// The scenario reference's examples, as they stand in docs/scenarios.md: each loads and runs,
// and the document's example does what the text under it says.
TEST(SimScenario, TheReferencesExamplesRunAsWritten) {
    std::stringstream text;
    text << std::ifstream(VELMORA_SOURCE_DIR "/docs/scenarios.md").rdbuf();
    const std::string doc = text.str();
    std::vector<std::string> examples;
    for (std::size_t at = doc.find("```json\n"); at != std::string::npos; at = doc.find("```json\n", at)) {
        at += 8;
        const std::size_t end = doc.find("\n```", at);
        if (end == std::string::npos) break;
        examples.push_back(doc.substr(at, end - at));
    }
    ASSERT_FALSE(examples.empty());
    for (std::size_t i = 0; i < examples.size(); ++i) {
        Simulation run(parseScenario(examples[i], "example " + std::to_string(i + 1)));
        run.run();
        EXPECT_FALSE(run.error()) << run.error().value_or("");
        EXPECT_EQ(run.session.framesRun(), run.scenario.frames);
        if (i > 0) continue;
        // The document's example: on foot, in the medium view, then far, the game's first person, near.
        std::vector<std::string> modes;
        for (const ModeChange& change : run.session.modeChanges()) modes.push_back(change.to);
        EXPECT_EQ(modes, (std::vector<std::string>{"on foot", "medium chase", "far chase", "game first person",
                                                   "near chase"}));
    }
}

}  // namespace
}  // namespace velmora::sim
