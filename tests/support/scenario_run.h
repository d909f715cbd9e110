// Builds simulated runs from inline scenarios for end-to-end tests.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sim/runner.h"

namespace velmora::testing {

// A run of the scenario text; settingsText, when given, is the run's Velmora.ini.
std::unique_ptr<sim::Simulation> makeRun(const std::string& scenarioJson,
                                         const std::optional<std::string>& settingsText = std::nullopt);

// Steps the run until the world reaches the frame (after that frame's events), or the end.
void runUntil(sim::Simulation& run, int frame);

}  // namespace velmora::testing
