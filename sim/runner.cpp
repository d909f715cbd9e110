#include "sim/runner.h"

#include <atomic>
#include <random>

#include "config/ini.h"
#include "plugin/frame_driver.h"

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

std::string modeLabelOf(const Velmora& plugin, const World& world) {
    if (!characterSeated(world)) return "on foot";
    const FrameDriver& d = plugin.driver;
    if (!d.modEnabled) return "game camera (mod off)";
    const SimVehicle* vehicle = world.findVehicle(world.player.vehicle);
    if (vehicle != nullptr && !isSupportedClass(vehicle->model->vehicleClass))
        return "game camera (unsupported vehicle)";
    if (d.handOffPending) return "game first person";
    if (d.cameraMode == CameraMode::FirstPerson) return "first person";
    return chaseLabel(d.cameraIndex);
}

}  // namespace

void writeRunSettings(const Scenario& scenario, const std::optional<std::string>& iniPath,
                      const std::filesystem::path& folder) {
    const std::filesystem::path target = folder / "Velmora.ini";
    if (iniPath) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(*iniPath, error))
            throw ScenarioError(*iniPath + ": " +
                                (std::filesystem::exists(*iniPath, error) ? "not a file" : "no such settings file"));
        if (!std::filesystem::copy_file(*iniPath, target, std::filesystem::copy_options::overwrite_existing, error))
            throw ScenarioError(*iniPath + ": cannot copy it into the run's folder (" + error.message() + ")");
    }
    if (scenario.settings.empty()) return;
    IniDocument document;
    if (iniPath) loadIniFile(document, target.string().c_str());
    for (const auto& [section, keys] : scenario.settings)
        for (const auto& [key, value] : keys) document.SetValue(section.c_str(), key.c_str(), value.c_str());
    if (!saveIniFile(document, target.string().c_str()))
        throw ScenarioError("cannot write the settings file in " + folder.string());
}

Simulation::Simulation(const Scenario& s, RunOptions options)
    : session(s, options.frames.value_or(s.frames)), scenario(session.scenario), world(session.world) {
    if (options.workDir) {
        workDir_ = *options.workDir;
        std::filesystem::create_directories(workDir_);
    } else {
        workDir_ = freshFolder();
        ownWorkDir_ = true;
    }
    try {
        writeRunSettings(scenario, options.iniPath, workDir_);
    } catch (...) {
        // The destructor does not run for a constructor that throws: the folder goes here.
        if (ownWorkDir_) {
            std::error_code ignored;
            std::filesystem::remove_all(workDir_, ignored);
        }
        throw;
    }
    plugin.runtime = session.host.runtime();
    plugin.platform = session.host.platform();
    if (!options.observedColumns) {
        session.pluginColumns = [this] {
            PluginColumns c;
            c.mode = plugin.driver.cameraMode == CameraMode::FirstPerson ? "first" : "third";
            c.cameraIndex = plugin.driver.cameraIndex;
            c.modEnabled = plugin.driver.modEnabled;
            c.cameraActive = plugin.camera.cameraActive;
            c.menuOpen = plugin.menu.open;
            c.menuPage = static_cast<std::int32_t>(plugin.menu.currentPage);
            c.menuRow = plugin.menu.selection;
            return c;
        };
        session.modeLabel = [this] { return modeLabelOf(plugin, world); };
    }
}

Simulation::~Simulation() {
    if (ownWorkDir_) {
        std::error_code ignored;
        std::filesystem::remove_all(workDir_, ignored);
    }
}

void Simulation::start() {
    if (started_) return;
    started_ = true;
    InFolder inFolder(workDir_);
    session.begin();
    startup(plugin);
}

bool Simulation::step() {
    if (!started_) start();
    if (session.finished()) return false;
    InFolder inFolder(workDir_);
    frameTick(plugin);
    plugin.runtime.scriptWait(0);
    return !session.finished();
}

void Simulation::run() {
    start();
    while (step()) {
    }
}

}  // namespace velmora::sim
