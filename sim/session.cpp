#include "sim/session.h"

#include <algorithm>
#include <sstream>

#include "thirdperson/vehicle.h"

namespace velmora::sim {
namespace {

bool seatedInSupportedVehicle(const World& world) {
    if (!characterSeated(world)) return false;
    const SimVehicle* v = world.findVehicle(world.player.vehicle);
    if (v == nullptr) return false;
    return isSupportedClass(v->model->vehicleClass);
}

}  // namespace

PluginColumns observedPluginColumns(const World& world) {
    PluginColumns c;
    // In a vehicle the plug-in keeps the on-foot view mode on its own camera's.
    c.mode = world.onFootViewMode == 4 ? "first" : "third";
    c.cameraIndex = world.onFootViewMode >= 0 && world.onFootViewMode <= 2 ? world.onFootViewMode : 0;
    const auto camera = world.cameras.find(world.activeCamera);
    c.cameraActive = world.renderOn && camera != world.cameras.end() && camera->second.active;
    c.modEnabled = !seatedInSupportedVehicle(world) || !world.log.disabledControls.empty();
    return c;
}

const char* chaseLabel(std::int32_t cameraIndex) {
    static constexpr const char* kChase[] = {"near chase", "medium chase", "far chase"};
    return kChase[std::clamp(cameraIndex, 0, 2)];
}

std::string observedModeLabel(const World& world) {
    if (!characterSeated(world)) return "on foot";
    const PluginColumns c = observedPluginColumns(world);
    if (!c.cameraActive) return "game camera";
    if (c.mode == "first") return "first person";
    return chaseLabel(c.cameraIndex);
}

Session::Session(Scenario s, int framesToRun) : scenario(std::move(s)), host(world), framesToRun_(framesToRun) {
    setUpWorld(world, scenario);
    pluginColumns = [this] { return observedPluginColumns(world); };
    modeLabel = [this] { return observedModeLabel(world); };
    host.onYield = [this] { endFrame(); };
}

void Session::begin() {
    applyEvents(world, scenario);
    refreshViewBlock(world);
}

void Session::endFrame() {
    if (finished_) return;
    checkShownView(world);
    trace_.push_back(captureRow(world, pluginColumns()));
    lastLog_ = world.log;
    const std::string mode = modeLabel();
    if (mode != lastMode_) {
        modeChanges_.push_back(ModeChange{world.frame, lastMode_, mode});
        lastMode_ = mode;
    }
    if (static_cast<int>(trace_.size()) >= framesToRun_ || host.error()) {
        finished_ = true;
        return;
    }
    advanceWorld(world);
    applyEvents(world, scenario);
    refreshViewBlock(world);
}

std::string Session::summary() const {
    std::ostringstream out;
    out << "scenario: " << scenario.name << "\n";
    if (!scenario.description.empty()) out << "  " << scenario.description << "\n";
    out << "frames run: " << trace_.size() << "\n";
    out << "notifications posted: " << world.allNotifications.size() << "\n";
    for (const std::string& text : world.allNotifications) out << "  \"" << text << "\"\n";
    out << "mode changes: " << (modeChanges_.empty() ? 0 : modeChanges_.size() - 1) << "\n";
    for (const ModeChange& change : modeChanges_)
        out << "  frame " << change.frame << ": " << (change.from.empty() ? "start" : change.from) << " -> "
            << change.to << "\n";
    std::vector<int> calls;
    for (const TraceRow& row : trace_) calls.push_back(row.nativeCalls);
    std::sort(calls.begin(), calls.end());
    if (!calls.empty())
        out << "native calls per frame: min " << calls.front() << ", median " << calls[calls.size() / 2] << ", max "
            << calls.back() << "\n";
    const Faults& f = world.faults;
    if (f.fovOutOfRange > 0)
        out << "FAULT: field of view outside 1..130 set " << f.fovOutOfRange << " times, first on frame "
            << f.firstFovFrame << " (" << f.firstFov << ")\n";
    if (f.cameraUnderGround > 0)
        out << "FAULT: a scripted camera below the ground on " << f.cameraUnderGround << " frames, first on frame "
            << f.firstUnderGroundFrame << "\n";
    if (host.error()) out << "stopped: " << *host.error() << "\n";
    return out.str();
}

}  // namespace velmora::sim
