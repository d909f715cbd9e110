// Benchmarks of the per-frame paths and of the settings load.
//
// Targets, on the machine of the CI (one core of a small x86-64 VM):
//   - keyCodeOf: under 100 ns a name (it runs for every key setting on every frame);
//   - EulerToQuaternion, QuaternionToEuler, LookRotation: under 200 ns each;
//   - loading a settings file of about a hundred lines: under 1 ms, so a reload does not
//     hitch a frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "cammath/cammath.h"
#include "config/load.h"
#include "input/keys.h"

namespace {

using namespace velmora;

void keyCodeLookup(benchmark::State& state) {
    const char* names[] = {"F10", "1", "B", "N", "VK_OEM_PLUS", "LAUNCH_MEDIA_SELECT", "nosuch"};
    for (auto _ : state) {
        for (const char* name : names) benchmark::DoNotOptimize(keyCodeOf(name));
    }
    state.SetItemsProcessed(state.iterations() * 7);
}
BENCHMARK(keyCodeLookup);

void eulerToQuaternion(benchmark::State& state) {
    Rotation r{10.0f, 20.0f, 30.0f};
    for (auto _ : state) {
        r.z += 0.001f;
        benchmark::DoNotOptimize(EulerToQuaternion(r));
    }
}
BENCHMARK(eulerToQuaternion);

void quaternionToEuler(benchmark::State& state) {
    const Quaternion q = EulerToQuaternion({10.0f, 20.0f, 30.0f});
    for (auto _ : state) benchmark::DoNotOptimize(QuaternionToEuler(q));
}
BENCHMARK(quaternionToEuler);

void lookRotation(benchmark::State& state) {
    for (auto _ : state) {
        Vector3 d(0.3f, -0.8f, 0.5f);
        benchmark::DoNotOptimize(LookRotation(d));
    }
}
BENCHMARK(lookRotation);

void loadSettingsFileOfAHundredLines(benchmark::State& state) {
    const std::string path = "velmora-bench.ini";
    {
        // About the size of a player's file: a few settings and many other lines.
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) {
            state.SkipWithError("cannot write the settings file");
            return;
        }
        std::fputs("[3rdPersonView]\nfov = 70\ndistanceNear = 0.5\ncameraAngle = 4\n[1stPersonView]\nfov = 61\n", f);
        for (int i = 0; i < 80; ++i) std::fprintf(f, "unknown%d = %d\n", i, i);
        std::fclose(f);
    }
    SettingsRecord settings;
    for (auto _ : state) benchmark::DoNotOptimize(loadSettingsFile(settings, LoadNotifier{}, path.c_str()));
    std::remove(path.c_str());
}
BENCHMARK(loadSettingsFileOfAHundredLines);

}  // namespace

BENCHMARK_MAIN();
