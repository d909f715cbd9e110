#include "support/scenario_run.h"

#include <fstream>

#include "support/temp_dir.h"

namespace velmora::testing {

std::unique_ptr<sim::Simulation> makeRun(const std::string& scenarioJson,
                                         const std::optional<std::string>& settingsText) {
    sim::RunOptions options;
    TempDir source;
    if (settingsText) options.iniPath = source.write("Velmora.ini", *settingsText);
    auto run = std::make_unique<sim::Simulation>(sim::parseScenario(scenarioJson, "test"), options);
    return run;
}

void runUntil(sim::Simulation& run, int frame) {
    run.start();
    while (!run.finished() && run.world.frame < frame) run.step();
}

}  // namespace velmora::testing
