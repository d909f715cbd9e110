// The plug-in's frames on a zero-cost host: each frame's native calls are recorded once from
// the simulated game, and the timed loop answers them from that table, so the time is the
// plug-in's own work. Each benchmark reports its native calls and heap allocations a frame;
// a replay that strays from the recording (another native, or another number of calls) stops
// the benchmark with an error instead of timing something else.
//
// Budgets (docs/performance.md): own CPU at most 2 µs for any steady frame, and no heap
// allocation in any frame but a settings load.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>

#include "bench/allocation_counter.h"
#include "bench/replay_host.h"
#include "plugin/frame_driver.h"
#include "sim/runner.h"

namespace {

using namespace velmora;
using bench::Recording;

// A built-in scenario played up to the frame, with the shipped settings.
std::unique_ptr<sim::Simulation> playedTo(const char* scenario, int frame) {
    sim::RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    auto run = std::make_unique<sim::Simulation>(sim::findScenario(scenario), options);
    run->start();
    while (run->world.frame < frame && run->step()) {
    }
    return run;
}

// Records what `work` asks the simulated game, then times `work` answered from the record.
// `before` runs ahead of every timed run (inside the timing: keep it to a few stores).
void replayed(benchmark::State& state, sim::Simulation& run, const std::function<void(Velmora&)>& work,
              const std::function<void(Velmora&)>& before = {}) {
    Velmora& v = run.plugin;
    Recording recording;
    const HostRuntime simulated = v.runtime;
    v.runtime = bench::recordingRuntime(simulated, recording);
    if (before) before(v);
    work(v);
    v.runtime = bench::replayRuntime(recording);
    v.platform = bench::replayPlatform();

    const std::size_t calls = recording.calls.size();
    std::size_t strayed = 0;
    const std::uint64_t allocationsBefore = bench::allocationCount();
    for (auto _ : state) {
        bench::rewindReplay();
        bench::advanceReplayClock();
        if (before) before(v);
        work(v);
        strayed += bench::replayedCalls() != calls ? 1 : 0;
    }
    const std::uint64_t allocations = bench::allocationCount() - allocationsBefore;
    if (strayed != 0 || bench::replayDivergences() != 0) {
        state.SkipWithError("the frame strayed from its recording");
        return;
    }
    state.counters["native_calls"] = static_cast<double>(calls);
    state.counters["allocations"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void frame(Velmora& v) { frameTick(v); }

// The replay host's own share of a frame: its calls made with nothing around them. A frame's
// own work is its time less this.
void hostAlone(benchmark::State& state, const char* scenario, int at) {
    auto run = playedTo(scenario, at);
    Velmora& v = run->plugin;
    Recording recording;
    const HostRuntime simulated = v.runtime;
    v.runtime = bench::recordingRuntime(simulated, recording);
    frameTick(v);
    const HostRuntime replay = bench::replayRuntime(recording);
    for (auto _ : state) {
        bench::rewindReplay();
        bench::callThrough(replay, recording);
    }
    state.counters["native_calls"] = static_cast<double>(recording.calls.size());
}
BENCHMARK_CAPTURE(hostAlone, ordinaryChase, "drive", 100);
BENCHMARK_CAPTURE(hostAlone, menuOpen, "menu-tour", 22);

void onFoot(benchmark::State& state) {
    auto run = playedTo("drive", 10);
    replayed(state, *run, frame);
}
BENCHMARK(onFoot);

void ordinaryChase(benchmark::State& state) {
    auto run = playedTo("drive", 100);
    replayed(state, *run, frame);
}
BENCHMARK(ordinaryChase);

// Every timed frame starts from the blend's first values, so each one is a blend frame.
void chaseBlend(benchmark::State& state) {
    auto run = playedTo("chase-cycle", 152);  // near to medium began at 150
    const ChaseParameters start = run->plugin.chase;
    replayed(state, *run, frame, [start](Velmora& v) { v.chase = start; });
}
BENCHMARK(chaseBlend);

void lookBehind(benchmark::State& state) {
    auto run = playedTo("look-behind", 60);  // held from 50 to 89
    replayed(state, *run, frame);
}
BENCHMARK(lookBehind);

// The measurement alone, with the bone indices known (a view change, a reload's second
// measurement, a menu edit) and looked up afresh (a new vehicle).
void remeasure(benchmark::State& state) {
    auto run = playedTo("drive", 100);
    replayed(state, *run, measureVehicle);
}
BENCHMARK(remeasure);

void measureNewVehicle(benchmark::State& state) {
    auto run = playedTo("drive", 100);
    replayed(state, *run, measureVehicle, [](Velmora& v) { v.profile.bones.vehicle = 0; });
}
BENCHMARK(measureNewVehicle);

void firstPerson(benchmark::State& state) {
    auto run = playedTo("fp-drive", 300);
    replayed(state, *run, frame);
}
BENCHMARK(firstPerson);

void firstPersonLookBehind(benchmark::State& state) {
    auto run = playedTo("fp-behind", 85);
    replayed(state, *run, frame);
}
BENCHMARK(firstPersonLookBehind);

// The first-person page open over a chase camera: 18 rows drawn.
void menuOpen(benchmark::State& state) {
    auto run = playedTo("menu-tour", 22);
    replayed(state, *run, frame);
}
BENCHMARK(menuOpen);

}  // namespace
