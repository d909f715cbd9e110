#include "sim/session.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "menu/catalogue.h"
#include "thirdperson/vehicle.h"

namespace velmora::sim {
namespace {

// The page whose title the menu draws, or -1.
int menuPageTitled(const std::string& text) {
    SettingsRecord scratch;
    MenuPage built;
    for (std::uint32_t page = 0; page <= kFeelPage; ++page) {
        buildMenuPage(scratch, page, built);
        if (built.title == text) return static_cast<int>(page);
    }
    return -1;
}

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
    // The menu as drawn: open when it draws, its page by the title, its row by the counter
    // ("row / rows") in the footer.
    for (const DrawCall& draw : world.log.draws) {
        if (draw.kind != DrawCall::Kind::Text) continue;
        c.menuOpen = true;
        if (const int page = menuPageTitled(draw.text); page >= 0) c.menuPage = page;
        int row = 0, rows = 0;
        if (std::sscanf(draw.text.c_str(), "%d / %d", &row, &rows) == 2) c.menuRow = row - 1;
    }
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
    const TraceRow row = captureRow(world, pluginColumns());
    ++framesRun_;
    ++framesByCallCount_[row.nativeCalls];
    if (onRow) onRow(row);
    if (keepHistory) trace_.push_back(row);
    lastLog_ = world.log;
    if (!world.log.draws.empty()) {
        if (onDraws) onDraws(world.frame, world.log.draws);
        if (keepHistory) draws_.emplace_back(world.frame, world.log.draws);
    }
    const std::string mode = modeLabel();
    if (mode != lastMode_) {
        modeChanges_.push_back(ModeChange{world.frame, lastMode_, mode});
        lastMode_ = mode;
    }
    if (framesRun_ >= framesToRun_ || host.error()) {
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
    out << "frames run: " << framesRun_ << "\n";
    out << "notifications posted: " << world.allNotifications.size() << "\n";
    for (const std::string& text : world.allNotifications) out << "  \"" << text << "\"\n";
    // The first entry is the mode the run starts in; the lines under the count are the changes.
    if (!modeChanges_.empty()) out << "starting mode: " << modeChanges_.front().to << "\n";
    out << "mode changes: " << (modeChanges_.empty() ? 0 : modeChanges_.size() - 1) << "\n";
    for (std::size_t i = 1; i < modeChanges_.size(); ++i)
        out << "  frame " << modeChanges_[i].frame << ": " << modeChanges_[i].from << " -> " << modeChanges_[i].to
            << "\n";
    if (!framesByCallCount_.empty()) {
        // The median is the frame at half the run, counted through the sorted counts.
        int median = 0, seen = 0;
        for (const auto& [calls, frames] : framesByCallCount_) {
            seen += frames;
            if (seen > framesRun_ / 2) {
                median = calls;
                break;
            }
        }
        out << "native calls per frame: min " << framesByCallCount_.begin()->first << ", median " << median << ", max "
            << framesByCallCount_.rbegin()->first << "\n";
    }
    const Faults& f = world.faults;
    if (f.fovOutOfRange > 0)
        out << "FAULT: field of view outside 1..130 set " << f.fovOutOfRange << " times, first on frame "
            << f.firstFovFrame << " (" << f.firstFov << ")\n";
    if (f.textCut > 0)
        out << "FAULT: a text longer than the game shows (" << kTextComponentLimit << " characters) drawn " << f.textCut
            << " times, first on frame " << f.firstTextCutFrame << "\n";
    if (f.cameraUnderGround > 0)
        out << "FAULT: a scripted camera below the ground on " << f.cameraUnderGround << " frames, first on frame "
            << f.firstUnderGroundFrame << "\n";
    if (host.error()) out << "stopped: " << *host.error() << "\n";
    return out.str();
}

}  // namespace velmora::sim
