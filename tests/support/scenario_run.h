// Builds simulated runs from inline scenarios for end-to-end tests.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sim/runner.h"
#include "support/temp_dir.h"

namespace velmora::testing {

// A run of the scenario text; settingsText, when given, is the run's Velmora.ini.
inline std::unique_ptr<sim::Simulation> makeRun(const std::string& scenarioJson,
                                                const std::optional<std::string>& settingsText = std::nullopt) {
    sim::RunOptions options;
    TempDir source;
    if (settingsText) options.iniPath = source.write("Velmora.ini", *settingsText);
    return std::make_unique<sim::Simulation>(sim::parseScenario(scenarioJson, "test"), options);
}

// Steps the run until the world reaches the frame (after that frame's events), or the end.
inline void runUntil(sim::Simulation& run, int frame) {
    run.start();
    while (!run.finished() && run.world.frame < frame) run.step();
}

}  // namespace velmora::testing
