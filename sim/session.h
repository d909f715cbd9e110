// One simulated game session: the world, its host, the scenario's events and the trace.
// Whoever runs the plug-in (the Linux runner, or the runtime stand-in inside a Windows
// process) calls endFrame when the script yields; the session writes the frame's row and
// moves the world on.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/host.h"
#include "sim/scenario.h"
#include "sim/trace.h"
#include "sim/world.h"

namespace velmora::sim {

struct ModeChange {
    int frame = 0;
    std::string from, to;
};

// The plug-in's state as far as the game can see it: for hosts that cannot look inside the
// plug-in. mode and cameraIndex follow the game's view mode, cameraActive the rendered
// scripted camera, modEnabled whether a seated player in a supported vehicle has the
// plug-in taking the view-change controls.
PluginColumns observedPluginColumns(const World& world);
std::string observedModeLabel(const World& world);

// "near chase", "medium chase" or "far chase", for the summaries' mode changes.
const char* chaseLabel(std::int32_t cameraIndex);

class Session {
public:
    Session(Scenario scenario, int framesToRun);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void begin();     // frame 0's events
    void endFrame();  // the frame's row, then the world moves on to the next frame

    bool finished() const { return finished_; }
    const std::optional<std::string>& error() const { return host.error(); }
    const std::vector<TraceRow>& trace() const { return trace_; }
    const std::vector<ModeChange>& modeChanges() const { return modeChanges_; }
    const FrameLog& lastLog() const { return lastLog_; }  // of the last finished frame
    // Every text and rectangle drawn, by frame, in call order.
    const std::vector<std::pair<int, std::vector<DrawCall>>>& draws() const { return draws_; }
    std::string summary() const;

    // How the trace learns the plug-in's own state; observed from the world by default.
    std::function<PluginColumns()> pluginColumns;
    std::function<std::string()> modeLabel;

    // Where each frame's row and drawing go as the run makes them. With keepHistory off the
    // session keeps only what its summary needs, so a long run does not grow in memory.
    std::function<void(const TraceRow&)> onRow;
    std::function<void(int frame, const std::vector<DrawCall>&)> onDraws;
    bool keepHistory = true;
    int framesRun() const { return framesRun_; }

    Scenario scenario;
    World world;
    SimHost host;

private:
    std::vector<TraceRow> trace_;
    std::vector<ModeChange> modeChanges_;
    std::vector<std::pair<int, std::vector<DrawCall>>> draws_;
    FrameLog lastLog_;
    int framesRun_ = 0;
    std::map<int, int> framesByCallCount_;  // native calls a frame -> frames
    std::string lastMode_;
    int framesToRun_ = 0;
    bool finished_ = false;
};

}  // namespace velmora::sim
