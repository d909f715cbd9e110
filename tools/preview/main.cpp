// velmora-preview: pictures of what the camera shows, where it travels and the menu, from a
// scenario played in the simulated game.
//   velmora-preview SCENARIO [--ini PATH] [--out DIR] [--at FRAME ...] [--compare OTHER.ini]
//                            [--fps N] [--compare-fps M]
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli_usage.h"
#include "contact_sheet.h"
#include "menu_render.h"
#include "path_plot.h"
#include "scene.h"
#include "sim/scenario.h"
#include "view_render.h"

namespace {

using namespace velmora::preview;
namespace sim = velmora::sim;
namespace fs = std::filesystem;

// Exit codes, as velmora-sim has them: 2 for what the command names (scenario, settings
// file, frame, folder), 3 when the simulated game stops the run.
constexpr int kBadInput = 2;
constexpr int kRunStopped = 3;

int fail(const std::string& sentence, int code = kBadInput) {
    std::cerr << "velmora-preview: " << sentence << "\n";
    return code;
}

// A file-name part: letters, digits, '-' and '_' kept, anything else a '-'.
std::string slug(const std::string& text) {
    std::string out;
    for (const char c : text) out += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '-';
    return out.empty() ? "scenario" : out;
}

std::string zeroPadded(int value, int digits) {
    std::string text = std::to_string(value);
    return std::string(
               text.size() < static_cast<std::size_t>(digits) ? static_cast<std::size_t>(digits) - text.size() : 0,
               '0') +
           text;
}

const FrameRecord* recordOf(const Recording& run, int frame) {
    if (frame < 0 || static_cast<std::size_t>(frame) >= run.frames.size()) return nullptr;
    return &run.frames[static_cast<std::size_t>(frame)];
}

const Scene* sceneAt(const Recording& run, int frame) {
    for (const auto& [f, scene] : run.scenes)
        if (f == frame) return &scene;
    return nullptr;
}

class Writer {
public:
    explicit Writer(fs::path folder) : folder_(std::move(folder)) {}
    bool write(const Surface& surface, const std::string& name, const std::string& what) {
        const std::string path = (folder_ / name).string();
        const std::string error = writePng(surface, path);
        if (!error.empty()) {
            fail(error + ".");
            return false;
        }
        std::cout << what << ": " << path << "\n";
        return true;
    }

private:
    fs::path folder_;
};

int run(int argc, char** argv) {
    namespace tools = velmora::tools;
    CLI::App app{"Draws what Velmora's camera shows in a simulated scenario, where it travels, and the menu",
                 "velmora-preview"};
    app.set_version_flag("--version", "velmora-preview " VELMORA_VERSION);
    std::string scenarioName, iniPath, outDir = "preview", compareIni;
    std::vector<int> atFrames;
    app.add_option("SCENARIO", scenarioName, "built-in scenario name or JSON file, as velmora-sim run takes it")
        ->required();
    app.add_option("--ini", iniPath, "settings file to play with (default: the plug-in's own defaults)");
    app.add_option("--out", outDir, "folder for the pictures (made when missing)");
    app.add_option("--at", atFrames, "frames to draw (default: one settled frame of each camera the run shows)")
        ->check(CLI::NonNegativeNumber);
    auto* compareOption = app.add_option("--compare", compareIni,
                                         "a second settings file: the same frames side by side, both camera paths");
    float fps = 0.0f, compareFps = 0.0f;
    app.add_option("--fps", fps, "play at this frame rate over the same game time (scenarios are written at 60)")
        ->check(CLI::Range(1.0f, 1000.0f));
    app.add_option("--compare-fps", compareFps,
                   "play again at this frame rate: the same game times side by side, both camera paths")
        ->check(CLI::Range(1.0f, 1000.0f))
        ->excludes(compareOption);
    if (const auto exit = tools::parseCommandLine(app, argc, argv)) return *exit;

    sim::Scenario scenario, compared;
    const bool comparingRates = compareFps > 0.0f;
    try {
        scenario = sim::findScenario(scenarioName);
        const float ownFps = 1.0f / scenario.dt;
        if (comparingRates) compared = sim::atFrameRate(scenario, compareFps);
        if (fps > 0.0f) scenario = sim::atFrameRate(scenario, fps);
        if (comparingRates && fps <= 0.0f) fps = ownFps;
    } catch (const sim::ScenarioError& e) {
        return fail(std::string(e.what()) + ".");
    }
    for (const std::string* ini : {&iniPath, &compareIni}) {
        std::error_code error;
        if (!ini->empty() && !fs::is_regular_file(*ini, error)) return fail(*ini + ": no such settings file.");
    }
    for (const int frame : atFrames)
        if (frame >= scenario.frames)
            return fail("frame " + std::to_string(frame) + " is past the end of " + scenario.name +
                        ", which runs frames 0 to " + std::to_string(scenario.frames - 1) + ".");
    {
        std::error_code error;
        fs::create_directories(outDir, error);
        if (error || !fs::is_directory(outDir)) return fail("cannot write to the folder " + outDir + ".");
    }

    const auto optionalIni = [](const std::string& path) {
        return path.empty() ? std::nullopt : std::optional<std::string>(path);
    };
    // The other run's frame at the game time of a frame of the first.
    const auto otherFrame = [&](int frame) {
        return comparingRates ? static_cast<int>(std::lround(frame * static_cast<double>(compareFps / fps))) : frame;
    };
    Recording base, other;
    // Each frame once, in order, however often it was asked for.
    const std::set<int> askedFor(atFrames.begin(), atFrames.end());
    std::vector<int> frames(askedFor.begin(), askedFor.end());
    try {
        if (frames.empty()) frames = defaultFrames(record(scenario, optionalIni(iniPath), {}).frames);
        const std::set<int> wanted(frames.begin(), frames.end());
        base = record(scenario, optionalIni(iniPath), wanted);
        if (!compareIni.empty()) other = record(scenario, compareIni, wanted);
        if (comparingRates) {
            std::set<int> mapped;
            for (const int frame : wanted) mapped.insert(otherFrame(frame));
            other = record(compared, optionalIni(iniPath), mapped);
            char label[64];
            std::snprintf(label, sizeof label, " at %g frames a second", static_cast<double>(fps));
            base.iniLabel += label;
            std::snprintf(label, sizeof label, " at %g frames a second", static_cast<double>(compareFps));
            other.iniLabel += label;
        }
    } catch (const sim::ScenarioError& e) {
        return fail(std::string(e.what()) + ".");
    } catch (const fs::filesystem_error& e) {
        return fail(std::string(e.what()) + ".");
    }
    for (const Recording* run : {&base, &other})
        if (run->error) return fail("the simulated game stopped the run: " + *run->error + ".", kRunStopped);

    const bool comparing = !compareIni.empty() || comparingRates;
    const std::string prefix = slug(fs::path(scenario.name).stem().string());
    Writer writer(outDir);

    // What the camera sees, frame by frame, then side by side.
    std::vector<Surface> views;  // kept alive for the sheet
    std::vector<SheetCell> cells;
    for (const int frame : frames) {
        for (const Recording* run : {&base, &other}) {
            if (run == &other && !comparing) continue;
            const int at = run == &other ? otherFrame(frame) : frame;
            const Scene* scene = sceneAt(*run, at);
            const FrameRecord* record = recordOf(*run, at);
            if (scene == nullptr || record == nullptr)
                return fail("frame " + std::to_string(frame) + " was not played.");
            views.push_back(renderView(*scene));
            const std::string otherName =
                comparingRates ? std::to_string(std::lround(compareFps)) + "fps" : fs::path(compareIni).stem().string();
            const std::string suffix = run == &other ? "-" + slug(otherName) : "";
            if (!writer.write(views.back(), prefix + "-view-" + zeroPadded(frame, 4) + (suffix + ".png"),
                              "view of frame " + std::to_string(at) + " (" + record->mode + ")"))
                return kBadInput;
        }
    }
    for (std::size_t i = 0; i < views.size(); ++i) {
        const bool second = comparing && i % 2 == 1;
        const int frame = frames[comparing ? i / 2 : i];
        cells.push_back(
            SheetCell{&views[i], captionOf(*recordOf(second ? other : base, second ? otherFrame(frame) : frame))});
    }
    if (cells.empty()) {
        std::cout << "no camera pictures: the run shows none of near, medium, far, first person and look-behind\n";
    } else {
        const std::string title = "velmora-preview " + scenario.name + (comparing ? "" : " with " + base.iniLabel);
        std::vector<std::string> headings;
        if (comparing) headings = {base.iniLabel, other.iniLabel};
        const Surface sheet = contactSheet(cells, comparing ? 2 : 3, title, headings);
        if (!writer.write(sheet, prefix + "-sheet.png", "contact sheet")) return kBadInput;
    }

    // Where it travels.
    std::vector<const Recording*> runs{&base};
    if (comparing) runs.push_back(&other);
    if (!writer.write(renderPathPlot(runs), prefix + "-path.png", "path plot")) return kBadInput;

    // The menu, one picture per page.
    int page = 0;
    for (const MenuPage& p : menuPages(base.draws)) {
        ++page;
        if (!writer.write(renderMenu(*p.calls),
                          prefix + "-menu-" + zeroPadded(page, 2) + "-" + slug(withoutColourCodes(p.title)) + ".png",
                          "menu page \"" + withoutColourCodes(p.title) + "\" at frame " + std::to_string(p.frame)))
            return kBadInput;
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    const int code = velmora::tools::guardedMain("velmora-preview", [&] { return run(argc, argv); });
    releaseFontCaches();
    return code;
}
