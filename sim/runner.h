// A whole simulated run: the world, its host, one fresh plug-in instance and the trace.
// The plug-in starts up, then runs one frame tick per game frame; every time its script
// yields, the game frame ends: the trace gets its row and the world moves on.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/velmora.h"
#include "sim/host.h"
#include "sim/scenario.h"
#include "sim/trace.h"
#include "sim/world.h"

namespace velmora::sim {

struct RunOptions {
    std::optional<std::string> iniPath;  // copied into the working folder as Velmora.ini
    std::optional<int> frames;           // overrides the scenario's frame count
    std::optional<std::filesystem::path> workDir;  // default: a fresh temporary folder
};

struct ModeChange {
    int frame = 0;
    std::string from, to;
};

class Simulation {
public:
    explicit Simulation(Scenario scenario, RunOptions options = {});
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    void start();   // frame 0's events, then the plug-in's start-up
    bool step();    // one frame tick and its yield; false once the run is over
    void run();     // start, then step to the end

    bool finished() const { return finished_; }
    const std::optional<std::string>& error() const { return host_.error(); }
    const std::vector<TraceRow>& trace() const { return trace_; }
    const std::vector<ModeChange>& modeChanges() const { return modeChanges_; }
    // What happened in the last finished frame (the world's own log is the current frame's).
    const FrameLog& lastLog() const { return lastLog_; }
    const std::filesystem::path& workDir() const { return workDir_; }

    // Printed by velmora-sim: frames, notifications, mode changes, native calls per frame.
    std::string summary() const;

    Scenario scenario;
    World world;
    Velmora plugin;

private:
    void endFrame();
    PluginColumns pluginColumns() const;
    std::string modeLabel() const;

    SimHost host_;
    std::vector<TraceRow> trace_;
    std::vector<ModeChange> modeChanges_;
    FrameLog lastLog_;
    std::string lastMode_;
    int framesToRun_ = 0;
    bool started_ = false;
    bool finished_ = false;
    std::filesystem::path workDir_;
    bool ownWorkDir_ = false;
};

}  // namespace velmora::sim
