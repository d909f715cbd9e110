// The scenario loader on any text: a scenario, or a ScenarioError that names the problem;
// never a crash, an uncaught exception or a value out of its range.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "invariants.h"
#include "sim/scenario.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::Scenario scenario;
    try {
        scenario = sim::parseScenario(text, "fuzz");
    } catch (const sim::ScenarioError& e) {
        fuzz::expect(std::string(e.what()).rfind("fuzz", 0) == 0, "an error names the scenario");
        return 0;
    }
    fuzz::expect(scenario.frames >= 1 && scenario.frames <= sim::kMaxScenarioFrames, "a run's length is in range");
    fuzz::expect(std::isfinite(scenario.dt) && scenario.dt > 0.0f, "the frame time is a positive number");
    fuzz::expect(
        std::is_sorted(scenario.events.begin(), scenario.events.end(),
                       [](const sim::ScenarioEvent& a, const sim::ScenarioEvent& b) { return a.frame < b.frame; }),
        "events are in frame order");
    for (const sim::ScenarioEvent& e : scenario.events)
        fuzz::expect(e.frame >= 0 && e.frame <= sim::kMaxScenarioFrames, "an event's frame is in range");
    return 0;
}
