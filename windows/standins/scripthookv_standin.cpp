// A stand-in for the game's script runtime, ScriptHookV.dll, for the Wine tests: the seven
// runtime functions (exported under the runtime's decorated names by the .def file) are
// answered by the simulated world, which lives in this DLL, and registered scripts run on
// fibres the way the runtime runs them: one turn per game frame, each ending at the
// script's scriptWait. The test host drives it through standin_api.h.
//
// A registered script's module also reads the simulated world's wall clock: its imports of
// the performance counter are redirected to this DLL, which answers as the Linux
// simulator's host does, so that timing measured by the plug-in is the same on both sides.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/platform.h"
#include "host/runtime.h"
#include "import_patch.h"
#include "sim/runner.h"
#include "sim/session.h"
#include "standin_api.h"

namespace {

using velmora::ScriptFunction;
using namespace velmora::sim;

struct Script {
    void* module = nullptr;
    ScriptFunction main = nullptr;
    void* fiber = nullptr;  // made on the script's first turn, not inside the loader's lock
};

struct Standin {
    std::unique_ptr<Session> session;
    velmora::HostRuntime world{};     // the session's answers to the seven functions
    velmora::Platform clock{};        // the session's performance counter, as the Linux host serves it
    std::map<void*, int> redirected;  // registered modules: counter import slots redirected
    std::vector<std::unique_ptr<Script>> scripts;
    Script* running = nullptr;  // the script whose fibre has the thread, if any
    void* hostFiber = nullptr;
    StandinStatus status{};
    std::string error;  // a failure of the stand-in itself
};

Standin standin;

int copyText(const std::string& text, char* out, int size) {
    if (out != nullptr && size > 0) std::snprintf(out, static_cast<std::size_t>(size), "%s", text.c_str());
    return static_cast<int>(text.size());
}

void fail(const std::string& message) {
    if (standin.error.empty()) standin.error = message;
}

bool cameraShown() { return standin.session && observedPluginColumns(standin.session->world).cameraActive; }

void WINAPI runScript(void* parameter) {
    auto* script = static_cast<Script*>(parameter);
    script->main();
    // A script that returns has stopped for good; the fibre must not end, since that
    // would end the thread.
    standin.status.scriptEnded = 1;
    for (;;) SwitchToFiber(standin.hostFiber);
}

bool playing() { return standin.session && !standin.session->finished() && standin.error.empty(); }

// ---------------------------------------------------------------------------------------
// The performance counter of the simulated world, for registered modules' imports.

// The simulated counter's rate: the Linux host's, and fixed, as Windows keeps it fixed too.
constexpr std::int64_t kCounterFrequency = 10'000'000;

// Before a scenario is open the counter stands where every world's wall clock starts, so
// that a read then and a read in the first frame are the same instant, as they are on
// Linux, where nothing runs before the session; and the counter never goes back.
std::int64_t counterBeforeOpen() {
    static const std::int64_t start = std::llround(World{}.wallClock * static_cast<double>(kCounterFrequency));
    return start;
}

BOOL WINAPI simulatedQueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    ++standin.status.counterReads;
    count->QuadPart = standin.clock.queryPerformanceCounter != nullptr ? standin.clock.queryPerformanceCounter()
                                                                       : counterBeforeOpen();
    return TRUE;
}

BOOL WINAPI simulatedQueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    frequency->QuadPart = standin.clock.queryPerformanceFrequency != nullptr ? standin.clock.queryPerformanceFrequency()
                                                                             : kCounterFrequency;
    return TRUE;
}

// Where a module may import the counter from: KERNEL32 itself, or the API set that
// carries it, which some import libraries name instead.
constexpr const char* kCounterDlls[] = {"kernel32.dll", "api-ms-win-core-profile-l1-1-0.dll"};

// Answers the slots redirected, or -1 when one could not be written.
int redirectCounter(HMODULE module) {
    int slots = 0;
    for (const char* dll : kCounterDlls) {
        const int counter = redirectImport(module, dll, "QueryPerformanceCounter",
                                           reinterpret_cast<void*>(&simulatedQueryPerformanceCounter), nullptr);
        const int frequency = redirectImport(module, dll, "QueryPerformanceFrequency",
                                             reinterpret_cast<void*>(&simulatedQueryPerformanceFrequency), nullptr);
        if (counter < 0 || frequency < 0) return -1;
        slots += counter + frequency;
    }
    return slots;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The seven runtime functions, exported under the runtime's names by the .def file.

extern "C" {

void standinScriptRegister(void* module, ScriptFunction main);
void standinScriptUnregister(void* module);
void standinScriptWait(std::uint32_t milliseconds);
void standinNativeInit(std::uint64_t hash);
void standinNativePush64(std::uint64_t value);
std::uint64_t* standinNativeCall();
std::uint8_t* standinGetScriptHandleBaseAddress(std::int32_t handle);

void standinScriptRegister(void* module, ScriptFunction main) {
    // Before the script's first turn, and once for a module that registers again.
    auto redirect = standin.redirected.find(module);
    if (redirect == standin.redirected.end()) {
        const int slots = redirectCounter(static_cast<HMODULE>(module));
        if (slots < 0) fail("cannot write the registering module's import address table");
        redirect = standin.redirected.emplace(module, slots < 0 ? 0 : slots).first;
    }
    standin.status.counterImportsRedirected = redirect->second;
    auto script = std::make_unique<Script>();
    script->module = module;
    script->main = main;
    standin.scripts.push_back(std::move(script));
    ++standin.status.registrations;
    standin.status.registeredModule = module;
}

void standinScriptUnregister(void* module) {
    standin.status.cameraShownAtUnregister = cameraShown() ? 1 : 0;
    standin.status.unregisteredModule = module;
    for (auto it = standin.scripts.begin(); it != standin.scripts.end();) {
        if ((*it)->module != module || it->get() == standin.running) {
            ++it;
            continue;
        }
        if ((*it)->fiber != nullptr) DeleteFiber((*it)->fiber);
        it = standin.scripts.erase(it);
        ++standin.status.unregistrations;
    }
    // The module is on its way out; one loaded later at the same address is another module.
    standin.redirected.erase(module);
}

void standinScriptWait(std::uint32_t milliseconds) {
    try {
        if (standin.world.scriptWait != nullptr) standin.world.scriptWait(milliseconds);  // the frame ends
    } catch (const std::exception& e) {
        fail(std::string("the world failed to move on: ") + e.what());
    }
    if (standin.running != nullptr) SwitchToFiber(standin.hostFiber);
}

void standinNativeInit(std::uint64_t hash) {
    if (standin.world.nativeInit != nullptr) standin.world.nativeInit(hash);
}

void standinNativePush64(std::uint64_t value) {
    if (standin.world.nativePush64 != nullptr) standin.world.nativePush64(value);
}

std::uint64_t* standinNativeCall() {
    static std::uint64_t empty[4] = {};  // before a scenario is open
    if (standin.world.nativeCall == nullptr) return empty;
    try {
        return standin.world.nativeCall();
    } catch (const std::exception& e) {
        fail(std::string("a native handler failed: ") + e.what());
        return empty;
    }
}

std::uint8_t* standinGetScriptHandleBaseAddress(std::int32_t handle) {
    return standin.world.getScriptHandleBaseAddress != nullptr ? standin.world.getScriptHandleBaseAddress(handle)
                                                               : nullptr;
}

// ---------------------------------------------------------------------------------------
// The test host's side.

int standinOpen(const char* scenario, const char* iniPath, int frames, char* message, int size) {
    try {
        Scenario s = findScenario(scenario);
        if (s.world.contains("gears") && s.world["gears"].contains("missing"))
            throw ScenarioError(
                "the Gears.asi stand-in exports all sixteen names; a scenario with missing exports "
                "runs in the Linux simulator only");
        const int count = frames > 0 ? frames : s.frames;
        writeRunSettings(s, iniPath != nullptr ? std::optional<std::string>(iniPath) : std::nullopt, ".");
        standin.session = std::make_unique<Session>(std::move(s), count);
        standin.world = standin.session->host.runtime();
        standin.clock = standin.session->host.platform();
        standin.session->begin();
        return 1;
    } catch (const std::exception& e) {
        copyText(e.what(), message, size);
        return 0;
    }
}

int standinGearsPresent() { return standin.session && standin.session->world.gears.present ? 1 : 0; }

int standinRunFrame() {
    if (!playing()) return 0;
    if (standin.hostFiber == nullptr) standin.hostFiber = ConvertThreadToFiber(nullptr);
    if (standin.hostFiber == nullptr) {
        fail("the host thread cannot become a fibre (is it one already?)");
        return 0;
    }
    if (standin.scripts.empty()) {
        fail("no script is registered");
        return 0;
    }
    for (const auto& script : standin.scripts) {
        if (script->fiber == nullptr) script->fiber = CreateFiber(0, runScript, script.get());
        if (script->fiber == nullptr) {
            fail("cannot create a fibre for the script");
            return 0;
        }
        standin.running = script.get();
        SwitchToFiber(script->fiber);
        standin.running = nullptr;
        if (standin.status.scriptEnded) fail("the script returned");
    }
    return playing() ? 1 : 0;
}

int standinError(char* text, int size) {
    std::string reason = standin.error;
    if (reason.empty() && standin.session && standin.session->error()) reason = *standin.session->error();
    if (reason.empty()) return 0;
    copyText(reason, text, size);
    return 1;
}

int standinWriteTrace(const char* path) {
    if (!standin.session) return 0;
    return writeTraceFile(path, standin.session->trace()) ? 1 : 0;
}

int standinNotification(int index, char* text, int size) {
    if (!standin.session || index < 0) return 0;
    const auto& all = standin.session->world.allNotifications;
    if (static_cast<std::size_t>(index) >= all.size()) return 0;
    copyText(all[static_cast<std::size_t>(index)], text, size);
    return 1;
}

void standinGetStatus(StandinStatus* status) {
    if (status == nullptr) return;
    standin.status.scriptsRegistered = static_cast<std::int32_t>(standin.scripts.size());
    standin.status.cameraShown = cameraShown() ? 1 : 0;
    if (standin.session) standin.status.gearsLookQueries = standin.session->world.gears.lookQueries;
    *status = standin.status;
}

void standinGetInput(StandinInput* input) {
    if (input == nullptr || !standin.session) return;
    const World& world = standin.session->world;
    input->focus = world.focus ? 1 : 0;
    for (std::size_t i = 0; i < world.keys.size(); ++i) input->keys[i] = world.keys[i] ? 1 : 0;
}

int standinSummary(char* text, int size) {
    return standin.session ? copyText(standin.session->summary(), text, size) : copyText("", text, size);
}

int standinGearsLooking(int which) {
    if (!standin.session) return 0;
    velmora::sim::GearsStandIn& gears = standin.session->world.gears;
    ++gears.lookQueries;
    if (which == 0) return gears.lookingLeft ? 1 : 0;
    if (which == 1) return gears.lookingRight ? 1 : 0;
    return gears.lookingBack ? 1 : 0;
}

}  // extern "C"
