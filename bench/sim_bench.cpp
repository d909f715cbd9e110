// Whole frames in the simulated game, the simulator's own work included: what a frame costs
// end to end on Linux, not what it costs the player (frame_bench times the plug-in alone).
//
// Targets, on one core of the CI machine:
//   - an ordinary chase-camera frame (33 native calls): under 20 microseconds;
//   - a measurement of the vehicle with its bone indices known (29 native calls): under
//     20 microseconds, the simulator's bone lookups included.
#include <benchmark/benchmark.h>

#include "plugin/frame_driver.h"
#include "sim/runner.h"

namespace {

using namespace velmora;

sim::Scenario longDrive() {
    return sim::parseScenario(R"({"frames": 1000000, "world": {"player": {"in": "car"},
        "vehicles": [{"name": "car", "model": "compact", "position": [0, 0, 0.5], "speed": 15, "yawRate": 5}]}})",
                              "bench");
}

void simulatedGameChaseFrame(benchmark::State& state) {
    sim::Simulation run(longDrive());
    for (int i = 0; i < 120; ++i) run.step();  // past the entry blend
    for (auto _ : state) run.step();
    state.SetLabel(std::to_string(run.lastLog().nativeCalls) + " native calls a frame");
}
BENCHMARK(simulatedGameChaseFrame);

void simulatedGameMeasurement(benchmark::State& state) {
    sim::Simulation run(longDrive());
    for (int i = 0; i < 10; ++i) run.step();
    for (auto _ : state) measureVehicle(run.plugin);
}
BENCHMARK(simulatedGameMeasurement);

}  // namespace
