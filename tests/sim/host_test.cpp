// The simulated host as a plug-in meets it: the runtime contract, the OS seam's limits on
// game memory, scenarios and deterministic traces.
#include "sim/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "shell/natives.h"
#include "sim/runner.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

World simpleWorld(const std::string& extra = "") {
    World world;
    setUpWorld(world, parseScenario(R"({"world": {"vehicles": [{"name": "car", "model": "compact"}])" + extra + "}}",
                                    "test"));
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
#define VELMORA_CHECK_ANSWERED(name, hash, ...)                                            \
    EXPECT_TRUE(host.answers(hash)) << #name;                                              \
    EXPECT_EQ(argumentCountOf(natives::name), host.argumentCount(hash)) << #name;
    VELMORA_NATIVES(VELMORA_CHECK_ANSWERED)
#undef VELMORA_CHECK_ANSWERED
}

TEST(SimHost, AnUnansweredNativeOrAWrongCallStopsTheRunWithItsHash) {
    World world = simpleWorld();
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    rt.nativeInit(0x0123456789abcdefull);
    rt.nativePush64(1);
    const std::uint64_t* area = rt.nativeCall();
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area[0], 0u);
    ASSERT_TRUE(host.error());
    EXPECT_NE(host.error()->find("0x0123456789abcdef"), std::string::npos) << *host.error();

    World other = simpleWorld();
    SimHost strict(other);
    const HostRuntime rt2 = strict.runtime();
    rt2.nativeInit(natives::vehicleClass.hash);  // takes one argument; none given
    rt2.nativeCall();
    ASSERT_TRUE(strict.error());
    EXPECT_NE(strict.error()->find("GET_VEHICLE_CLASS"), std::string::npos) << *strict.error();
}

// The probes that walk game memory are checked end to end in the camera tests; here, what
// the host must refuse them.
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
    struct Case { const char* json; const char* fragment; };
    const Case cases[] = {
        {"{", "not valid JSON"},
        {R"({"frames": 0})", "\"frames\" must be 1 or more"},
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

TEST(SimScenario, EveryBuiltinRunsToTheEndWithTheShippedSettings) {
    RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    for (const BuiltinScenario& builtin : builtinScenarios()) {
        Simulation run(parseScenario(builtin.json, builtin.name), options);
        run.run();
        EXPECT_FALSE(run.error()) << builtin.name << ": " << run.error().value_or("");
        EXPECT_EQ(static_cast<int>(run.trace().size()), run.scenario.frames) << builtin.name;
        EXPECT_EQ(run.world.allNotifications.size(), 1u) << builtin.name;  // found the settings
        for (const TraceRow& row : run.trace())
            ASSERT_TRUE(row.cameraPosition.allFinite() && std::isfinite(row.cameraFov)) << builtin.name << " " << row.frame;
    }
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
    EXPECT_EQ(first.substr(0, first.find('\n')),
              "frame,t,inVehicle,vehicle,vehX,vehY,vehZ,vehYaw,speed,view,camX,camY,camZ,camPitch,camRoll,camYaw,"
              "camFov,onFootViewMode,vehicleViewMode,cinematic,minimap,mode,cameraIndex,modEnabled,cameraActive,notifications,"
              "nativeCalls,menuOpen,menuPage,menuRow");
}

}  // namespace
}  // namespace velmora::sim
