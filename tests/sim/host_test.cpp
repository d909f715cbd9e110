// The simulated host as a plug-in meets it: the runtime contract, the OS seam, game memory,
// the manual-transmission stand-in, scenarios and deterministic traces.
#include "sim/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "gears/gears.h"
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

TEST(SimHost, AnswersEveryNativeThePluginDeclares) {
    World world = simpleWorld();
    SimHost host(world);
#define VELMORA_CHECK_ANSWERED(name, hash, ...) EXPECT_TRUE(host.answers(hash)) << #name;
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
    EXPECT_NE(strict.error()->find("vehicleClass"), std::string::npos) << *strict.error();
}

TEST(SimHost, CountsCallsPerFrameAndPerHash) {
    World world = simpleWorld();
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    invoke(rt, natives::frameTime);
    invoke(rt, natives::frameTime);
    invoke(rt, natives::playerId);
    EXPECT_EQ(world.log.nativeCalls, 3);
    EXPECT_EQ(world.log.callsByHash[natives::frameTime.hash], 2);
    advanceWorld(world);
    EXPECT_EQ(world.log.nativeCalls, 0);
}

// The two memory probes as the plug-in performs them, on the bytes the host lays out.
std::ptrdiff_t findPattern(const ModuleImage& image, std::initializer_list<int> pattern) {
    const std::vector<int> p(pattern);
    for (std::size_t i = 0; i + p.size() <= image.size; ++i) {
        bool match = true;
        for (std::size_t k = 0; k < p.size() && match; ++k) match = p[k] < 0 || image.base[i + k] == p[k];
        if (match) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

TEST(SimHost, GameMemoryHoldsBothPatternsAndTheBlocksBehindThem) {
    World world = simpleWorld();
    SimHost host(world);
    const Platform os = host.platform();
    const ModuleImage image = os.mainModuleImage();
    ASSERT_NE(image.base, nullptr);

    const std::ptrdiff_t flags = findPattern(image, {0x48, 0x85, 0xC0, 0x74, 0x3C, 0x8B, 0x80, -1, -1, -1, -1, 0xC1, 0xE8, 0x0F});
    ASSERT_GE(flags, 0);
    std::int32_t offset;
    std::memcpy(&offset, image.base + flags + 7, 4);
    EXPECT_EQ(offset, 1404);

    const std::ptrdiff_t view = findPattern(image, {0x48, 0x8B, 0xC7, 0xF3, 0x0F, 0x10, 0x0D});
    ASSERT_GE(view, 0);
    const std::uint8_t* p = image.base + view - 29;
    std::int32_t rel;
    std::memcpy(&rel, p, 4);
    const std::uint8_t* q = p + rel;
    std::memcpy(&rel, q + 7, 4);
    const std::uint8_t* cell = q + 11 + rel;
    ASSERT_TRUE(os.isReadable(cell, 8));
    std::uintptr_t block;
    std::memcpy(&block, cell, sizeof block);
    const auto* direction = reinterpret_cast<const std::uint8_t*>(block) + 512;
    ASSERT_TRUE(os.isReadable(direction, 12));
    float d[3];
    std::memcpy(d, direction, sizeof d);
    EXPECT_NEAR(Vector3(d[0], d[1], d[2]).norm(), 1.0f, 1e-4f);

    // Entity memory leads to the model's flags word.
    std::uint8_t* entity = host.runtime().getScriptHandleBaseAddress(world.vehicles[0].handle);
    ASSERT_NE(entity, nullptr);
    std::uintptr_t info;
    std::memcpy(&info, entity + 32, sizeof info);
    auto* word = reinterpret_cast<std::uint8_t*>(info) + 1404 + 20;
    EXPECT_TRUE(os.isReadable(word, 4));
    EXPECT_TRUE(os.isWritable(word, 4));
    EXPECT_FALSE(os.isWritable(image.base, 4));  // code is not writable
    EXPECT_FALSE(os.isReadable(reinterpret_cast<const void*>(0x10), 4));
    EXPECT_EQ(host.runtime().getScriptHandleBaseAddress(0x7777), nullptr);

    // A scenario can take the patterns away or make the module unreadable.
    World bare = simpleWorld(R"(, "memory": {"flagsPattern": false, "viewPattern": false})");
    SimHost bareHost(bare);
    const ModuleImage empty = bareHost.platform().mainModuleImage();
    EXPECT_LT(findPattern(empty, {0x48, 0x8B, 0xC7, 0xF3, 0x0F, 0x10, 0x0D}), 0);
    World closed = simpleWorld(R"(, "memory": {"moduleReadable": false})");
    SimHost closedHost(closed);
    EXPECT_EQ(closedHost.platform().mainModuleImage().base, nullptr);
}

TEST(SimHost, TheManualTransmissionStandIn) {
    World absent = simpleWorld();
    SimHost none(absent);
    EXPECT_EQ(none.platform().getModuleHandle("Gears.asi"), nullptr);

    World world = simpleWorld(R"(, "gears": {"present": true, "missing": ["MT_LookingBack"]})");
    SimHost host(world);
    const Platform os = host.platform();
    void* module = os.getModuleHandle("Gears.asi");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(os.getModuleHandle("Other.asi"), nullptr);
    for (const char* name : kGearsExportNames) {
        const bool missing = std::string(name) == "MT_LookingBack";
        EXPECT_EQ(os.getProcAddress(module, name) == nullptr, missing) << name;
    }
    EXPECT_EQ(os.getProcAddress(module, "MT_NoSuchExport"), nullptr);
    auto left = reinterpret_cast<bool (*)()>(os.getProcAddress(module, "MT_LookingLeft"));
    EXPECT_FALSE(left());
    world.gears.lookingLeft = true;
    EXPECT_TRUE(left());
    EXPECT_EQ(world.gears.lookQueries, 2);
}

TEST(SimScenario, MistakesAreNamed) {
    struct Case {
        const char* json;
        const char* fragment;
    };
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
              "camFov,gameViewMode,gameCameraMode,heading,mode,cameraIndex,modEnabled,cameraActive,notifications,"
              "nativeCalls");
}

}  // namespace
}  // namespace velmora::sim
