// velmora-sim: runs the plug-in frame by frame in the simulated world.
//   velmora-sim run SCENARIO [--ini PATH] [--trace PATH] [--draws PATH] [--log PATH] [--ini-out PATH]
//                            [--frames N] [--fps N] [--jitter R [--seed S]]
//   velmora-sim frame-rates [SCENARIO...] [--ini PATH] [--jitter R [--seed S]]
//   velmora-sim chaos [--seed N] [--runs N] [--frames N] [--sound] [--scenario PATH]
//   velmora-sim list
//   velmora-sim show NAME
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <tuple>
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

// A Markdown table: each scenario at 30, 60 and 144 frames a second (and at 60 with uneven
// frames when asked) against the same scenario at 240.
int frameRateReport(std::vector<std::string> names, const velmora::sim::RunOptions& options, float jitter,
                    std::uint32_t seed) {
    using namespace velmora::sim;
    constexpr double kWindowSeconds = 1.5;  // seconds after an event
    if (names.empty()) {
        for (const BuiltinScenario& b : builtinScenarios()) {
            const std::string name = b.name;
            if (name.rfind("chase-", 0) == 0 || name.rfind("fp-", 0) == 0 || name == "drive" ||
                name == "first-person-entry")
                names.push_back(name);
        }
    }
    std::cout << "| scenario | frames a second | position RMS / max (m) | rotation RMS / max (deg) "
                 "| outside event windows: position / rotation max | largest change relative to the car outside them "
                 "(m/s) |\n"
              << "|---|---|---|---|---|---|\n";
    auto line = [](const std::string& name, const std::string& rate, const PathDeviation& d,
                   const PathDeviation& outside, std::size_t windows, float change) {
        char text[320];
        char out[96] = "same";
        if (windows > 0)
            std::snprintf(out, sizeof out, "%.4f / %.3f (%zu window%s)", static_cast<double>(outside.positionMax),
                          static_cast<double>(outside.rotationMax), windows, windows == 1 ? "" : "s");
        std::snprintf(text, sizeof text, "| %s | %s | %.4f / %.4f | %.3f / %.3f | %s | %.3f |\n", name.c_str(),
                      rate.c_str(), static_cast<double>(d.positionRms), static_cast<double>(d.positionMax),
                      static_cast<double>(d.rotationRms), static_cast<double>(d.rotationMax), out,
                      static_cast<double>(change));
        std::cout << text;
    };
    for (const std::string& name : names) {
        const Scenario scenario = findScenario(name);
        const auto reference = played(atFrameRate(scenario, 240.0f), options);
        const Scenario reference240 = atFrameRate(scenario, 240.0f);
        auto measure = [&](const Scenario& at, const std::string& rate) {
            const auto path = played(at, options);
            std::vector<EventWindow> windows = eventWindows(scenario, at, kWindowSeconds);
            for (const auto& trace : {std::cref(path), std::cref(reference)}) {
                for (const EventWindow& w : switchWindows(trace.get(), kWindowSeconds)) windows.push_back(w);
                for (const EventWindow& w : flightWindows(trace.get(), kWindowSeconds)) windows.push_back(w);
                for (const EventWindow& w : cutWindows(trace.get())) windows.push_back(w);
            }
            line(name, rate, comparePaths(path, reference), comparePaths(path, reference, windows), windows.size(),
                 largestRelativeChange(path, windows));
        };
        measure(reference240, "240");
        for (const float rate : {30.0f, 60.0f, 144.0f})
            measure(atFrameRate(scenario, rate), std::to_string(static_cast<int>(rate)));
        if (jitter > 0.0f)
            measure(withJitter(scenario, 60.0f, jitter, seed),
                    "60 ± " + std::to_string(std::lround(jitter * 100.0f)) + "%");
    }
    return 0;
}

int runTool(int argc, char** argv) {
    using namespace velmora::sim;
    namespace tools = velmora::tools;
    CLI::App app{"Runs Velmora in a simulated game world and traces what the player sees", "velmora-sim"};
    app.set_version_flag("--version", "velmora-sim " VELMORA_VERSION);
    app.require_subcommand(1);

    std::string scenarioName, iniPath, tracePath, drawsPath, logPath, iniOutPath;
    int frames = 0;
    float fps = 0.0f, jitter = 0.0f;
    std::uint32_t jitterSeed = 1;
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
    auto* runJitter =
        run->add_option("--jitter", jitter,
                        "uneven frames: each frame's length drawn between (1 - R) and (1 + R) times 1/fps")
            ->check(CLI::Range(0.0f, 0.9f));
    run->add_option("--seed", jitterSeed, "the seed of the uneven frames (default 1)")->needs(runJitter);

    std::vector<std::string> rateScenarios;
    auto* rates = app.add_subcommand(
        "frame-rates", "Play scenarios at 30, 60 and 144 frames per second and compare the camera path with 240");
    rates->add_option("SCENARIO", rateScenarios,
                      "scenarios to compare (default: every built-in chase and first-person scenario and drive)");
    rates->add_option("--ini", iniPath, "settings file to copy into each run's folder as Velmora.ini");
    auto* ratesJitter = rates->add_option("--jitter", jitter, "also play each at 60 with frames this uneven (0 to 0.9)")
                            ->check(CLI::Range(0.0f, 0.9f));
    rates->add_option("--seed", jitterSeed, "the seed of the uneven frames (default 1)")->needs(ratesJitter);

    ChaosOptions chaos;
    bool sound = false;
    std::string chaosScenario;
    auto* chaosCommand = app.add_subcommand(
        "chaos", "Play random scenarios in a game that at times answers badly, checking the camera every frame");
    chaosCommand->add_option("--seed", chaos.seed, "the first run's seed (run i plays seed + i)");
    chaosCommand->add_option("--runs", chaos.runs, "how many random scenarios")->check(CLI::Range(1, 1'000'000));
    chaosCommand->add_option("--frames", chaos.framesPerRun, "frames of each")
        ->check(CLI::Range(1, kMaxScenarioFrames));
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
        if (rates->parsed()) return frameRateReport(rateScenarios, options, jitter, jitterSeed);
        if (frames > 0) options.frames = frames;
        Scenario scenario = findScenario(scenarioName);
        if (jitter > 0.0f) {
            scenario = withJitter(scenario, fps > 0.0f ? fps : 1.0f / scenario.dt, jitter, jitterSeed);
        } else if (fps > 0.0f) {
            scenario = atFrameRate(scenario, fps);
        }
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
                std::cerr << "velmora-sim: the run ended with no Velmora.ini; nothing written to " << iniOutPath
                          << "\n";
                return 2;
            }
            if (!std::filesystem::copy_file(ini, iniOutPath, std::filesystem::copy_options::overwrite_existing,
                                            error)) {
                std::cerr << "velmora-sim: cannot write " << iniOutPath << " (" << error.message() << ")\n";
                return 2;
            }
            std::cout << "ini: " << iniOutPath << "\n";
        }
        if (traceToOutput && !std::cout.flush()) return 2;
        for (auto [stream, path, label] :
             {std::tuple{&trace, &tracePath, "trace"}, std::tuple{&draws, &drawsPath, "draws"}}) {
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

}  // namespace

int main(int argc, char** argv) {
    return velmora::tools::guardedMain("velmora-sim", [&] { return runTool(argc, argv); });
}
