// Benchmarks of the plug-in's frames in the simulated world, simulator included.
//
// Targets, on one core of the CI machine:
//   - an ordinary chase-camera frame (about 40 native calls): under 20 microseconds;
//   - a frame that re-measures the vehicle while the chase distances blend (about 1,100
//     native calls, two passes over the bone table): under 500 microseconds, so a blend
//     stays far below a frame's budget even with the simulator's own work counted.
#include <benchmark/benchmark.h>

#include "shell/frame_driver.h"
#include "sim/runner.h"

namespace {

using namespace velmora;

sim::Scenario longDrive() {
    return sim::parseScenario(R"({"frames": 100000000, "world": {"player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "position": [0, 0, 0.5], "speed": 15, "yawRate": 5}]}})",
                              "bench");
}

void chaseFrame(benchmark::State& state) {
    sim::Simulation run(longDrive());
    for (int i = 0; i < 120; ++i) run.step();  // past the entry blend
    for (auto _ : state) run.step();
    state.SetLabel(std::to_string(run.lastLog().nativeCalls) + " native calls a frame");
}
BENCHMARK(chaseFrame);

void measureVehicleFrame(benchmark::State& state) {
    sim::Simulation run(longDrive());
    for (int i = 0; i < 10; ++i) run.step();
    for (auto _ : state) measureVehicle(run.plugin);
}
BENCHMARK(measureVehicleFrame);

}  // namespace
