#include "sim/runner.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <sstream>

#include "config/ini.h"
#include "shell/frame_driver.h"

namespace velmora::sim {
namespace {

// The plug-in opens its settings by bare name, so it runs inside the run's folder.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path previous_;
};

std::filesystem::path freshFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (;;) {
        auto folder = std::filesystem::temp_directory_path() /
                      ("velmora-sim-" + std::to_string(random()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(folder)) return folder;
    }
}

// Velmora.ini of the run: the given file with the scenario's settings written over it.
void writeSettings(const Scenario& scenario, const RunOptions& options, const std::filesystem::path& folder) {
    const std::filesystem::path target = folder / "Velmora.ini";
    if (options.iniPath) std::filesystem::copy_file(*options.iniPath, target, std::filesystem::copy_options::overwrite_existing);
    if (scenario.settings.empty()) return;
    IniDocument document;
    if (options.iniPath) loadIniFile(document, target.string().c_str());
    for (const auto& [section, keys] : scenario.settings)
        for (const auto& [key, value] : keys) document.SetValue(section.c_str(), key.c_str(), value.c_str());
    if (!saveIniFile(document, target.string().c_str()))
        throw ScenarioError("cannot write the settings file in " + folder.string());
}

}  // namespace

Simulation::Simulation(Scenario s, RunOptions options)
    : scenario(std::move(s)), host_(world) {
    setUpWorld(world, scenario);
    framesToRun_ = options.frames.value_or(scenario.frames);
    if (options.workDir) {
        workDir_ = *options.workDir;
        std::filesystem::create_directories(workDir_);
    } else {
        workDir_ = freshFolder();
        ownWorkDir_ = true;
    }
    writeSettings(scenario, options, workDir_);
    plugin.runtime = host_.runtime();
    plugin.platform = host_.platform();
    host_.onYield = [this] { endFrame(); };
}

Simulation::~Simulation() {
    if (ownWorkDir_) {
        std::error_code ignored;
        std::filesystem::remove_all(workDir_, ignored);
    }
}

std::string Simulation::modeLabel() const {
    static constexpr const char* kChase[] = {"near chase", "medium chase", "far chase"};
    if (!characterSeated(world)) return "on foot";
    const FrameDriver& d = plugin.driver;
    if (!d.modEnabled) return "game camera (mod off)";
    if (d.handOffPending) return "game first person";
    if (d.cameraMode == CameraMode::FirstPerson) return "first person";
    return kChase[std::clamp(d.cameraIndex, 0, 2)];
}

PluginColumns Simulation::pluginColumns() const {
    PluginColumns c;
    c.mode = plugin.driver.cameraMode == CameraMode::FirstPerson ? "first" : "third";
    c.cameraIndex = plugin.driver.cameraIndex;
    c.modEnabled = plugin.driver.modEnabled;
    c.cameraActive = plugin.camera.cameraActive;
    return c;
}

void Simulation::endFrame() {
    if (finished_) return;
    trace_.push_back(captureRow(world, pluginColumns()));
    lastLog_ = world.log;
    const std::string mode = modeLabel();
    if (mode != lastMode_) {
        modeChanges_.push_back(ModeChange{world.frame, lastMode_, mode});
        lastMode_ = mode;
    }
    if (static_cast<int>(trace_.size()) >= framesToRun_ || host_.error()) {
        finished_ = true;
        return;
    }
    advanceWorld(world);
    applyEvents(world, scenario);
    refreshViewBlock(world);
}

void Simulation::start() {
    if (started_) return;
    started_ = true;
    InFolder inFolder(workDir_);
    applyEvents(world, scenario);
    refreshViewBlock(world);
    startup(plugin);
}

bool Simulation::step() {
    if (!started_) start();
    if (finished_) return false;
    InFolder inFolder(workDir_);
    frameTick(plugin);
    plugin.runtime.scriptWait(0);
    return !finished_;
}

void Simulation::run() {
    start();
    while (step()) {
    }
}

std::string Simulation::summary() const {
    std::ostringstream out;
    out << "scenario: " << scenario.name << "\n";
    if (!scenario.description.empty()) out << "  " << scenario.description << "\n";
    out << "frames run: " << trace_.size() << "\n";
    out << "notifications posted: " << world.allNotifications.size() << "\n";
    for (const std::string& text : world.allNotifications) out << "  \"" << text << "\"\n";
    out << "mode changes: " << (modeChanges_.empty() ? 0 : modeChanges_.size() - 1) << "\n";
    for (const ModeChange& change : modeChanges_)
        out << "  frame " << change.frame << ": " << (change.from.empty() ? "start" : change.from) << " -> " << change.to << "\n";
    std::vector<int> calls;
    for (const TraceRow& row : trace_) calls.push_back(row.nativeCalls);
    std::sort(calls.begin(), calls.end());
    if (!calls.empty())
        out << "native calls per frame: min " << calls.front() << ", median " << calls[calls.size() / 2] << ", max "
            << calls.back() << "\n";
    if (host_.error()) out << "stopped: " << *host_.error() << "\n";
    return out.str();
}

}  // namespace velmora::sim
