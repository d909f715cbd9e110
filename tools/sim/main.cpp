// velmora-sim: runs the plug-in frame by frame in the simulated world.
//   velmora-sim run SCENARIO [--ini PATH] [--trace PATH] [--draws PATH] [--log PATH] [--ini-out PATH]
//                            [--frames N] [--fps N]
//   velmora-sim frame-rates [SCENARIO...] [--ini PATH]
//   velmora-sim chaos [--seed N] [--runs N] [--frames N] [--sound] [--scenario PATH]
//   velmora-sim list
//   velmora-sim show NAME
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <tuple>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli_usage.h"

#include "sim/chaos.h"
#include "sim/frame_rates.h"
#include "sim/runner.h"
#include "sim/scenario.h"

namespace {

std::vector<velmora::sim::TraceRow> played(const velmora::sim::Scenario& scenario,
                                           const velmora::sim::RunOptions& options) {
    velmora::sim::Simulation simulation(scenario, options);
    simulation.run();
    if (simulation.error()) throw velmora::sim::ScenarioError(scenario.name + ": " + *simulation.error());
    return simulation.trace();
}

// A Markdown table: each scenario at each rate against the same scenario at 240 frames a second.
int frameRateReport(std::vector<std::string> names, const velmora::sim::RunOptions& options) {
    using namespace velmora::sim;
    if (names.empty())
        for (const BuiltinScenario& b : builtinScenarios())
            if (std::string(b.name).rfind("chase-", 0) == 0) names.emplace_back(b.name);
    std::cout << "| scenario | frames a second | position RMS (m) | position max (m) | rotation RMS (deg) | rotation max (deg) |\n"
              << "|---|---|---|---|---|---|\n";
    for (const std::string& name : names) {
        const Scenario scenario = findScenario(name);
        const auto reference = played(atFrameRate(scenario, 240.0f), options);
        for (const float rate : {30.0f, 60.0f, 144.0f}) {
            const PathDeviation d = comparePaths(played(atFrameRate(scenario, rate), options), reference);
            char line[256];
            std::snprintf(line, sizeof line, "| %s | %.0f | %.4f | %.4f | %.3f | %.3f |\n", name.c_str(),
                          static_cast<double>(rate), static_cast<double>(d.positionRms),
                          static_cast<double>(d.positionMax), static_cast<double>(d.rotationRms),
                          static_cast<double>(d.rotationMax));
            std::cout << line;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora::sim;
    namespace tools = velmora::tools;
    CLI::App app{"Runs Velmora in a simulated game world and traces what the player sees", "velmora-sim"};
    app.set_version_flag("--version", "velmora-sim " VELMORA_VERSION);
    app.require_subcommand(1);

    std::string scenarioName, iniPath, tracePath, drawsPath, logPath, iniOutPath;
    int frames = 0;
    float fps = 0.0f;
    auto* run = app.add_subcommand("run", "Run a scenario: a built-in name or a JSON file");
    run->add_option("SCENARIO", scenarioName, "built-in scenario name or JSON file")->required();
    run->add_option("--ini", iniPath, "settings file to copy into the run's folder as Velmora.ini");
    run->add_option("--trace", tracePath, "write the per-frame CSV trace here (- for standard output)");
    run->add_option("--draws", drawsPath, "write every text and rectangle drawn here, as JSON lines");
    run->add_option("--log", logPath, "write the plug-in's Velmora.log here");
    run->add_option("--ini-out", iniOutPath,
                    "write the run's Velmora.ini here as it stands at the end (what the menu saved)");
    run->add_option("--frames", frames, "run this many frames instead of the scenario's (at most 1000000)")
        ->check(CLI::Range(1, kMaxScenarioFrames));
    run->add_option("--fps", fps, "play at this frame rate over the same game time (scenarios are written at 60)")
        ->check(CLI::Range(1.0f, 1000.0f));

    std::vector<std::string> rateScenarios;
    auto* rates = app.add_subcommand(
        "frame-rates", "Play scenarios at 30, 60 and 144 frames per second and compare the camera path with 240");
    rates->add_option("SCENARIO", rateScenarios, "scenarios to compare (default: every built-in chase scenario)");
    rates->add_option("--ini", iniPath, "settings file to copy into each run's folder as Velmora.ini");

    ChaosOptions chaos;
    bool sound = false;
    std::string chaosScenario;
    auto* chaosCommand = app.add_subcommand(
        "chaos", "Play random scenarios in a game that at times answers badly, checking the camera every frame");
    chaosCommand->add_option("--seed", chaos.seed, "the first run's seed (run i plays seed + i)");
    chaosCommand->add_option("--runs", chaos.runs, "how many random scenarios")->check(CLI::Range(1, 1'000'000));
    chaosCommand->add_option("--frames", chaos.framesPerRun, "frames of each")->check(CLI::Range(1, kMaxScenarioFrames));
    chaosCommand->add_flag("--sound", sound, "a game that always answers soundly");
    chaosCommand->add_option("--scenario", chaosScenario, "write the first run's scenario here, to replay it with run");
    chaosCommand->add_option("--trace", chaos.tracePath, "write the first run's trace here");

    auto* list = app.add_subcommand("list", "List the built-in scenarios");
    std::string shownName;
    auto* show = app.add_subcommand("show", "Print a built-in scenario's JSON, to start one's own from");
    show->add_option("NAME", shownName, "built-in scenario name")->required();

    if (const auto exit = tools::parseCommandLine(app, argc, argv)) return *exit;

    if (show->parsed()) {
        for (const BuiltinScenario& builtin : builtinScenarios()) {
            if (shownName != builtin.name) continue;
            std::cout << builtin.json << "\n";
            return 0;
        }
        try {
            findScenario(shownName);  // names the built-ins in its error
        } catch (const ScenarioError& e) {
            std::cerr << "velmora-sim: " << e.what() << "\n";
        }
        return 2;
    }
    if (list->parsed()) {
        for (const BuiltinScenario& builtin : builtinScenarios()) {
            const Scenario s = parseScenario(builtin.json, builtin.name);
            std::cout << s.name << "\n    " << s.description << "\n";
        }
        return 0;
    }

    if (chaosCommand->parsed()) {
        chaos.hostile = !sound;
        if (!chaosScenario.empty()) {
            std::ofstream out(chaosScenario, std::ios::binary);
            out << randomScenarioText(chaos.seed, chaos.framesPerRun) << "\n";
            if (!out) {
                std::cerr << "velmora-sim: cannot write " << chaosScenario << "\n";
                return 2;
            }
        }
        const ChaosReport report = runChaos(chaos, [&](const ChaosReport& r) {
            if (r.runs % 100 == 0) std::cerr << "chaos: " << r.runs << " runs, " << r.frames << " frames\n";
        });
        std::cout << formatChaosReport(chaos, report);
        return report.faultyFrames == 0 ? 0 : 1;
    }

    try {
        RunOptions options;
        if (!iniPath.empty()) options.iniPath = iniPath;
        if (rates->parsed()) return frameRateReport(rateScenarios, options);
        if (frames > 0) options.frames = frames;
        Scenario scenario = findScenario(scenarioName);
        if (fps > 0.0f) scenario = atFrameRate(scenario, fps);
        Simulation simulation(scenario, options);

        // The trace and the drawing go to their files frame by frame; nothing of the run is kept.
        // "--trace -" writes the trace to standard output, and the summary goes to standard error.
        const bool traceToOutput = tracePath == "-";
        std::ofstream trace, draws;
        std::ostream& traceOut = traceToOutput ? std::cout : trace;
        std::ostream& summaryOut = traceToOutput ? std::cerr : std::cout;
        if (!tracePath.empty()) {
            if (!traceToOutput) trace.open(tracePath, std::ios::binary);
            if (!traceOut) {
                std::cerr << "velmora-sim: cannot write " << tracePath << "\n";
                return 2;
            }
            traceOut << traceHeader() << '\n';
            simulation.session.onRow = [&traceOut](const TraceRow& row) { traceOut << formatTraceRow(row) << '\n'; };
        }
        if (!drawsPath.empty()) {
            draws.open(drawsPath, std::ios::binary);
            if (!draws) {
                std::cerr << "velmora-sim: cannot write " << drawsPath << "\n";
                return 2;
            }
            simulation.session.onDraws = [&draws](int frame, const std::vector<DrawCall>& calls) {
                writeFrameDraws(draws, frame, calls);
            };
        }
        simulation.session.keepHistory = false;
        simulation.run();
        summaryOut << simulation.summary();
        if (!logPath.empty()) {
            // Written whether or not the run went to its end: a log is most wanted when it did not.
            std::ofstream log(logPath, std::ios::binary);
            log << simulation.pluginLog();
            log.close();
            if (!log) {
                std::cerr << "velmora-sim: cannot write " << logPath << "\n";
                return 2;
            }
            std::cout << "log: " << logPath << "\n";
        }
        if (!iniOutPath.empty()) {
            // Also whether or not the run went to its end: what a save left is worth seeing then too.
            const std::filesystem::path ini = simulation.workDir() / "Velmora.ini";
            std::error_code error;
            if (!std::filesystem::is_regular_file(ini, error)) {
                std::cerr << "velmora-sim: the run ended with no Velmora.ini; nothing written to " << iniOutPath << "\n";
                return 2;
            }
            if (!std::filesystem::copy_file(ini, iniOutPath, std::filesystem::copy_options::overwrite_existing, error)) {
                std::cerr << "velmora-sim: cannot write " << iniOutPath << " (" << error.message() << ")\n";
                return 2;
            }
            std::cout << "ini: " << iniOutPath << "\n";
        }
        if (traceToOutput && !std::cout.flush()) return 2;
        for (auto [stream, path, label] : {std::tuple{&trace, &tracePath, "trace"}, std::tuple{&draws, &drawsPath, "draws"}}) {
            if (path->empty() || *path == "-") continue;
            stream->close();
            if (!*stream) {
                std::cerr << "velmora-sim: cannot write " << *path << "\n";
                return 2;
            }
            std::cout << label << ": " << *path << "\n";
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
    } catch (const std::exception& e) {
        // Not the scenario's fault: say so rather than abort.
        std::cerr << "velmora-sim: internal error: " << e.what() << "\n";
        return 3;
    }
}
