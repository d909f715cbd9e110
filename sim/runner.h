// A whole simulated run on Linux: a session and one fresh plug-in instance. The plug-in
// starts up, then runs one frame tick per game frame in the run's own folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "plugin/velmora.h"
#include "sim/session.h"

namespace velmora::sim {

struct RunOptions {
    std::optional<std::string> iniPath;            // copied into the working folder as Velmora.ini
    std::optional<int> frames;                     // overrides the scenario's frame count
    std::optional<std::filesystem::path> workDir;  // default: a fresh temporary folder
    bool observedColumns = false;                  // trace the plug-in's state as the game sees it
};

// Writes the run's Velmora.ini into the folder: the given file with the scenario's
// settings written over it; no file when there is neither.
void writeRunSettings(const Scenario& scenario, const std::optional<std::string>& iniPath,
                      const std::filesystem::path& folder);

class Simulation {
public:
    explicit Simulation(const Scenario& scenario, RunOptions options = {});
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    void start();  // frame 0's events, then the plug-in's start-up
    bool step();   // one frame tick and its yield; false once the run is over
    void run();    // start, then step to the end

    bool finished() const { return session.finished(); }
    const std::optional<std::string>& error() const { return session.error(); }
    const std::vector<TraceRow>& trace() const { return session.trace(); }
    const FrameLog& lastLog() const { return session.lastLog(); }
    const std::string& pluginLog() const { return session.host.log; }  // Velmora.log
    std::string summary() const { return session.summary(); }
    const std::filesystem::path& workDir() const { return workDir_; }

    Session session;
    Scenario& scenario;
    World& world;
    Velmora plugin;

private:
    std::filesystem::path workDir_;
    bool ownWorkDir_ = false;
    bool started_ = false;
};

}  // namespace velmora::sim
