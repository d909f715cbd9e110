// Import redirection under Wine, on a module of our own (counter-probe.dll) that imports the performance counter from
// KERNEL32 as Velmora.asi does: redirectImport rewrites that module's binding and no other, finds nothing where there
// is nothing to find, and the runtime stand-in, when the module registers a script, makes its counter the simulated
// world's wall clock. Runs from the folder that holds the stand-in and the probe.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "import_patch.h"
#include "standin_api.h"
#include "wine_expect.h"

namespace {

using Probe = long long (*)();

struct ProbeModule {
    HMODULE module = nullptr;
    Probe counter = nullptr;    // the probe's own QueryPerformanceCounter call
    Probe frequency = nullptr;  // ... and QueryPerformanceFrequency call
};

template <class F>
F lookUp(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr long long kFakeCount = 123456789;

BOOL WINAPI fakeCounter(LARGE_INTEGER* value) {
    value->QuadPart = kFakeCount;
    return TRUE;
}

long long ownCounter() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

struct Region {
    void* base;
    SIZE_T size;
    DWORD protection;
    bool operator==(const Region&) const = default;
};

// The protections across the module's image, region by region.
std::vector<Region> imageProtections(HMODULE module) {
    std::vector<Region> regions;
    auto* at = reinterpret_cast<std::uint8_t*>(module);
    MEMORY_BASIC_INFORMATION info;
    while (VirtualQuery(at, &info, sizeof info) == sizeof info && info.AllocationBase == module) {
        regions.push_back(Region{info.BaseAddress, info.RegionSize, info.Protect});
        at = static_cast<std::uint8_t*>(info.BaseAddress) + info.RegionSize;
    }
    return regions;
}

// The probe's import address table, as its headers give it.
IMAGE_DATA_DIRECTORY importAddressTable(HMODULE module) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
}

void redirectReachesOnlyThatModuleAndCanBeUndone(const ProbeModule& probe) {
    const long long before = probe.counter();
    EXPECT(before > 0 && before != kFakeCount);
    // MinGW leaves the table writable; other linkers have the loader make it read-only once
    // bound, and then the patch must lift and restore the protection.
    const IMAGE_DATA_DIRECTORY iat = importAddressTable(probe.module);
    void* table = reinterpret_cast<std::uint8_t*>(probe.module) + iat.VirtualAddress;
    DWORD loaded = 0;
    EXPECT(iat.Size > 0 && VirtualProtect(table, iat.Size, PAGE_READONLY, &loaded));
    const std::vector<Region> protections = imageProtections(probe.module);
    EXPECT(!protections.empty());
    void* original = nullptr;
    // The name as the import table spells it is KERNEL32.dll; the loader ignores case.
    const int patched = redirectImport(probe.module, "kernel32.DLL", "QueryPerformanceCounter",
                                       reinterpret_cast<void*>(&fakeCounter), &original);
    EXPECT(patched == 1);
    if (patched != 1 || original == nullptr) return;  // nothing to undo
    EXPECT(probe.counter() == kFakeCount);
    EXPECT(probe.frequency() > 0 && probe.frequency() != kFakeCount);  // its other import
    EXPECT(ownCounter() != kFakeCount);                                // this program's import
    // The slot held what the loader had bound: the counter KERNEL32 exports.
    EXPECT(original ==
           reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryPerformanceCounter")));
    EXPECT(imageProtections(probe.module) == protections);  // made writable for the write only
    EXPECT(redirectImport(probe.module, "KERNEL32.dll", "QueryPerformanceCounter", original, nullptr) == 1);
    const long long after = probe.counter();
    EXPECT(after != kFakeCount && after >= before);
    VirtualProtect(table, iat.Size, loaded, &loaded);
}

void nothingIsPatchedWhereNothingMatches(const ProbeModule& probe) {
    const auto fake = reinterpret_cast<void*>(&fakeCounter);
    void* original = nullptr;
    // Another DLL, the DLL without its extension, a prefix of the name, the name in another case.
    const char* const misses[][2] = {{"nosuch.dll", "QueryPerformanceCounter"},
                                     {"kernel32", "QueryPerformanceCounter"},
                                     {"kernel32.dll", "QueryPerformance"},
                                     {"kernel32.dll", "queryperformancecounter"}};
    for (const auto& [dll, name] : misses) EXPECT(redirectImport(probe.module, dll, name, fake, &original) == 0);
    EXPECT(original == nullptr && probe.counter() != kFakeCount);
    // ntdll imports nothing at all; no module, or memory that is not an image.
    static std::uint8_t notAnImage[4096] = {};
    for (HMODULE module : {GetModuleHandleA("ntdll.dll"), HMODULE{}, reinterpret_cast<HMODULE>(notAnImage)})
        EXPECT(redirectImport(module, "kernel32.dll", "QueryPerformanceCounter", fake, nullptr) == 0);
    EXPECT(ownCounter() != kFakeCount);
}

// The runtime stand-in: the probe registers a script, as Velmora.asi does at attach.
ProbeModule scriptProbe;
void (*scriptWait)(std::uint32_t) = nullptr;
std::vector<long long> frameCounters;     // the probe's counter, one read a frame
std::vector<long long> frameFrequencies;  // ... and its frequency

void probeScript() {
    for (;;) {
        frameCounters.push_back(scriptProbe.counter());
        frameFrequencies.push_back(scriptProbe.frequency());
        scriptWait(0);
    }
}

constexpr double kRealDt = 0.02;
constexpr int kFrames = 5;

void standinAnswersFromTheWorldClock(const ProbeModule& probe) {
    HMODULE module = LoadLibraryA("ScriptHookV.dll");
    const auto scriptRegister =
        lookUp<void (*)(HMODULE, void (*)())>(module, "?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z");
    const auto scriptUnregister = lookUp<void (*)(HMODULE)>(module, "?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z");
    const auto openRun = lookUp<decltype(&standinOpen)>(module, "standinOpen");
    const auto runFrame = lookUp<decltype(&standinRunFrame)>(module, "standinRunFrame");
    const auto runError = lookUp<decltype(&standinError)>(module, "standinError");
    const auto readStatus = lookUp<decltype(&standinGetStatus)>(module, "standinGetStatus");
    scriptWait = lookUp<decltype(scriptWait)>(module, "?scriptWait@@YAXK@Z");
    if (!scriptRegister || !scriptUnregister || !scriptWait || !openRun || !runFrame || !runError || !readStatus) {
        EXPECT(!"the ScriptHookV.dll beside this program is the runtime stand-in");
        return;
    }
    scriptProbe = probe;
    scriptRegister(probe.module, probeScript);
    StandinStatus status{};
    readStatus(&status);
    EXPECT(status.counterImportsRedirected == 2);
    // No scenario yet: the counter stands still at the world clock's start, one second.
    const long long ownBefore = ownCounter();
    const long long first = probe.counter();
    Sleep(20);
    EXPECT(probe.counter() == first && first == 10'000'000);
    EXPECT(probe.frequency() == 10'000'000);
    EXPECT(ownCounter() > ownBefore);  // the process's own counter still runs
    const char* scenario = "import-patch-clock.json";
    if (FILE* file = std::fopen(scenario, "w")) {
        std::fprintf(file, "{\"frames\": %d, \"realDt\": %g}", kFrames, kRealDt);
        std::fclose(file);
    }
    char message[256] = "";
    const bool opened = openRun(scenario, nullptr, 0, message, sizeof message) != 0;
    if (!opened) std::printf("standinOpen: %s\n", message);
    EXPECT(opened);
    if (!opened) return;
    while (runFrame()) continue;
    if (runError(message, sizeof message)) std::printf("run stopped: %s\n", message);
    EXPECT(frameCounters.size() == kFrames && frameFrequencies.size() == kFrames);
    for (std::size_t k = 0; k < frameCounters.size(); ++k) {
        const double expected = (1.0 + kRealDt * static_cast<double>(k)) * 1e7;
        if (std::fabs(static_cast<double>(frameCounters[k]) - expected) > 1.0)
            std::printf("frame %zu: counter %lld, want %.0f\n", k, frameCounters[k], expected);
        EXPECT(std::fabs(static_cast<double>(frameCounters[k]) - expected) <= 1.0);
        EXPECT(frameFrequencies[k] == 10'000'000);
    }
    readStatus(&status);
    EXPECT(status.counterReads == 2 + kFrames);  // two before the scenario, one a frame
    scriptUnregister(probe.module);
    readStatus(&status);
    EXPECT(status.scriptsRegistered == 0);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ProbeModule probe;
    probe.module = LoadLibraryA("counter-probe.dll");
    probe.counter = lookUp<Probe>(probe.module, "probeCounter");
    probe.frequency = lookUp<Probe>(probe.module, "probeFrequency");
    if (probe.module == nullptr || probe.counter == nullptr || probe.frequency == nullptr) {
        std::printf("counter-probe.dll is not beside this program, or lacks its exports\n");
        return 2;
    }
    redirectReachesOnlyThatModuleAndCanBeUndone(probe);
    nothingIsPatchedWhereNothingMatches(probe);
    standinAnswersFromTheWorldClock(probe);
    std::printf("%s\n", failures == 0 ? "ok: import redirection" : "import redirection has failures");
    return failures == 0 ? 0 : 1;
}
