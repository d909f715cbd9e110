// velmora-sim: runs the plug-in frame by frame in the simulated world.
//   velmora-sim run SCENARIO [--ini PATH] [--trace PATH] [--draws PATH] [--frames N]
//   velmora-sim list
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "sim/runner.h"
#include "sim/scenario.h"

int main(int argc, char** argv) {
    using namespace velmora::sim;
    CLI::App app{"Runs Velmora in a simulated game world and traces what the player sees", "velmora-sim"};
    app.require_subcommand(1);

    std::string scenarioName, iniPath, tracePath, drawsPath;
    int frames = 0;
    auto* run = app.add_subcommand("run", "Run a scenario: a built-in name or a JSON file");
    run->add_option("SCENARIO", scenarioName, "built-in scenario name or JSON file")->required();
    run->add_option("--ini", iniPath, "settings file to copy into the run's folder as Velmora.ini");
    run->add_option("--trace", tracePath, "write the per-frame CSV trace here");
    run->add_option("--draws", drawsPath, "write every text and rectangle drawn here, as JSON lines");
    run->add_option("--frames", frames, "run this many frames instead of the scenario's")->check(CLI::PositiveNumber);

    auto* list = app.add_subcommand("list", "List the built-in scenarios");

    CLI11_PARSE(app, argc, argv);

    if (list->parsed()) {
        for (const BuiltinScenario& builtin : builtinScenarios()) {
            const Scenario s = parseScenario(builtin.json, builtin.name);
            std::cout << s.name << "\n    " << s.description << "\n";
        }
        return 0;
    }

    try {
        RunOptions options;
        if (!iniPath.empty()) options.iniPath = iniPath;
        if (frames > 0) options.frames = frames;
        Simulation simulation(findScenario(scenarioName), options);
        simulation.run();
        std::cout << simulation.summary();
        if (!tracePath.empty()) {
            if (!writeTraceFile(tracePath, simulation.trace())) {
                std::cerr << "velmora-sim: cannot write " << tracePath << "\n";
                return 2;
            }
            std::cout << "trace: " << tracePath << "\n";
        }
        if (!drawsPath.empty()) {
            if (!writeDrawsFile(drawsPath, simulation.session.draws())) {
                std::cerr << "velmora-sim: cannot write " << drawsPath << "\n";
                return 2;
            }
            std::cout << "draws: " << drawsPath << "\n";
        }
        if (simulation.error()) {
            std::cerr << "velmora-sim: " << *simulation.error() << "\n";
            return 3;
        }
        return 0;
    } catch (const ScenarioError& e) {
        std::cerr << "velmora-sim: " << e.what() << "\n";
        return 2;
    } catch (const std::filesystem::filesystem_error& e) {
        std::cerr << "velmora-sim: " << e.what() << "\n";
        return 2;
    }
}
