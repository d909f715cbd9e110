// velmora-wine-check: the Linux half of the Wine tests.
//
//   velmora-wine-check reference SCENARIO [--ini PATH] [--frames N] [--log PATH] --trace PATH
//       plays the scenario in the Linux simulator under the conditions of the Wine run and
//       writes its trace (and the plug-in's Velmora.log);
//   velmora-wine-check compare LINUX.csv WINDOWS.csv
//       exit 0 when the traces agree, 1 when they differ, 2 when a file cannot be read.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "sim/runner.h"
#include "sim/scenario.h"
#include "trace_compare.h"

namespace {

using namespace velmora::sim;

// Under Wine the plug-in runs in a process of its own and its memory probes scan the test
// host's executable, which holds neither code pattern; the trace is written from outside
// the plug-in. The reference is played the same way.
int reference(const std::string& scenarioName, const RunOptions& base, const std::string& tracePath,
              const std::string& logPath) {
    Scenario scenario = findScenario(scenarioName);
    scenario.world["memory"]["flagsPattern"] = false;
    scenario.world["memory"]["viewPattern"] = false;
    RunOptions options = base;
    options.observedColumns = true;
    Simulation simulation(scenario, options);
    simulation.run();
    std::cout << simulation.summary();
    std::cout << "Gears.asi look queries answered: " << simulation.world.gears.lookQueries << "\n";
    if (!writeTraceFile(tracePath, simulation.trace())) {
        std::cerr << "velmora-wine-check: cannot write " << tracePath << "\n";
        return 2;
    }
    if (!logPath.empty()) {
        std::ofstream log(logPath, std::ios::binary);
        log << simulation.pluginLog();
        if (!log.flush()) {
            std::cerr << "velmora-wine-check: cannot write " << logPath << "\n";
            return 2;
        }
    }
    if (simulation.error()) {
        std::cerr << "velmora-wine-check: " << *simulation.error() << "\n";
        return 1;
    }
    return 0;
}

int compare(const std::string& linuxPath, const std::string& windowsPath) {
    std::ifstream expected(linuxPath, std::ios::binary), actual(windowsPath, std::ios::binary);
    if (!expected || !actual) {
        std::cerr << "velmora-wine-check: cannot read " << (expected ? windowsPath : linuxPath) << "\n";
        return 2;
    }
    const auto comparison = velmora::winetest::compareTraces(expected, actual);
    std::cout << velmora::winetest::describe(comparison);
    return comparison.agree() ? 0 : 1;
}

int usage() {
    std::cerr << "usage: velmora-wine-check reference SCENARIO [--ini PATH] [--frames N] [--log PATH] --trace PATH\n"
                 "       velmora-wine-check compare LINUX.csv WINDOWS.csv\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "compare" && argc == 4) return compare(argv[2], argv[3]);
    if (command != "reference" || argc < 3) return usage();

    RunOptions options;
    std::string tracePath, logPath;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--ini") {
            options.iniPath = argv[i + 1];
        } else if (option == "--frames") {
            options.frames = std::atoi(argv[i + 1]);
        } else if (option == "--trace") {
            tracePath = argv[i + 1];
        } else if (option == "--log") {
            logPath = argv[i + 1];
        } else {
            return usage();
        }
    }
    if (tracePath.empty() || argc % 2 == 0) return usage();
    try {
        return reference(argv[2], options, tracePath, logPath);
    } catch (const ScenarioError& e) {
        std::cerr << "velmora-wine-check: " << e.what() << "\n";
        return 2;
    }
}
