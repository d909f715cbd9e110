// Velmora.log: what a player finds after a session, read back from the simulated game's log
// sink, and the log's own rules (line form, the cap, the quiet spell of a repeated fault).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/schema.h"
#include "ini_tool.h"
#include "plugin/velmora.h"
#include "sim/runner.h"
#include "sim/scenario.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

struct LogLine {
    std::string time, level, sentence;
};

// Splits the log into its lines, each checked for the form "   12.345  warning  sentence".
std::vector<LogLine> linesOf(const std::string& log) {
    static const std::regex form(R"(^ *(\d+\.\d{3})  (info|warning|error) +(\S.*)$)");
    std::vector<LogLine> lines;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t end = log.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "a line without its line end: " << log.substr(start);
        if (end == std::string::npos) break;
        const std::string text = log.substr(start, end - start);
        std::smatch m;
        EXPECT_TRUE(std::regex_match(text, m, form)) << "not a log line: " << text;
        if (!m.empty()) lines.push_back({m[1], m[2], m[3]});
        start = end + 2;
    }
    return lines;
}

// The index of the first line at or after `from` whose sentence starts with `prefix`; -1 if none.
int find(const std::vector<LogLine>& lines, const std::string& prefix, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<std::size_t>(i)].sentence.rfind(prefix, 0) == 0) return i;
    return -1;
}

std::string dump(const std::vector<LogLine>& lines) {
    std::string out;
    for (const LogLine& l : lines) out += l.time + " " + l.level + " " + l.sentence + "\n";
    return out;
}

struct Played {
    std::string log;
    std::vector<LogLine> lines;
    std::vector<std::size_t> sizeAfterFrame;  // the log's size after each frame
};

// Plays a scenario (its text, or a builtin's name) with the given Velmora.ini text (none when
// empty) and answers the log. `atFrame` runs before each frame, with the run's folder.
Played play(const std::string& scenario, const std::string& ini,
            const std::function<void(int, const std::filesystem::path&)>& atFrame = {}) {
    testing::TempDir folder;
    sim::RunOptions options;
    options.workDir = folder.path() / "game";
    if (!ini.empty()) options.iniPath = folder.write("Velmora.ini", ini);
    sim::Simulation run(scenario.starts_with("{") ? sim::parseScenario(scenario, "log") : sim::findScenario(scenario),
                        options);
    Played p;
    run.start();
    for (int frame = 1;; ++frame) {
        if (atFrame) atFrame(frame, *options.workDir);
        if (!run.step()) break;
        p.sizeAfterFrame.push_back(run.pluginLog().size());
    }
    EXPECT_FALSE(run.error()) << run.error().value_or("");
    p.log = run.pluginLog();
    p.lines = linesOf(p.log);
    return p;
}

// A compact the player gets into at frame 2, with more world fields and events.
std::string entering(int frames, const std::string& events = "", const std::string& world = "") {
    return R"({"frames": )" + std::to_string(frames) + R"(, "world": {)" + world + (world.empty() ? "" : ", ") +
           R"("vehicles": [{"name": "car", "model": "compact"}]},
        "events": [{"frame": 2, "do": "enter", "vehicle": "car", "frames": 5})" +
           events + "]}";
}

TEST(Log, AStartWithABrokenIniNamesEachValueTheLoaderDidNotTakeByItsLine) {
    const std::string ini =
        "; a player's file\r\n[3rdPersonView]\r\nfov = abc\r\ncameraAngle = 45\r\ndistanceNear = 500\r\n"
        "[1stPersonView]\r\nUseOwnFirstPersonCamera = yess\r\n"
        "[KeyMappings]\r\ntoggleModKey = f10\r\nreloadSettingsKey = F10\r\n";
    const Played p = play(entering(120), ini);
    const auto& l = p.lines;
    ASSERT_GE(l.size(), 8u) << p.log;
    EXPECT_EQ(l[0].sentence, "Velmora " VELMORA_VERSION " started");
    const int read = find(l, "settings read from ");
    ASSERT_GE(read, 0) << dump(l);
    const LogLine& readLine = l[static_cast<std::size_t>(read)];
    EXPECT_EQ(readLine.level, "info");
    EXPECT_TRUE(readLine.sentence.ends_with("/game/Velmora.ini")) << "the full path";
    // Expected words worked out from the file: the line, the value as written, what the loader does.
    const std::vector<std::string> expected = {
        "Velmora.ini:3: fov = \"abc\" is not accepted (it is not a number); the loader uses the default ",
        "Velmora.ini:4: cameraAngle = 45 is outside 0 to 20; the loader uses 20",
        "Velmora.ini:5: distanceNear = 500 is outside the sensible range ",
        "Velmora.ini:7: UseOwnFirstPersonCamera = \"yess\" reads as 1 (on): only its first letters count",
        "Velmora.ini:9: toggleModKey = \"f10\" names no key, so this key does nothing; key names are upper case: "
        "did you mean F10?",
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const LogLine& line = l[static_cast<std::size_t>(read) + 1 + i];
        EXPECT_EQ(line.level, "warning");
        EXPECT_EQ(line.sentence.rfind(expected[i], 0), 0u) << line.sentence;
    }
    // The checker says the same of the same lines.
    for (const initool::LintFinding& f : initool::lintSettingsText(ini)) {
        const std::string said = "Velmora.ini:" + std::to_string(f.line) + ": " + f.message;
        EXPECT_GE(find(l, said), 0) << "the log lacks the checker's " << said;
    }
}

TEST(Log, AUtf16IniIsReadAndTheMenusSavesWriteItAsUtf8KeepingEveryLineTheyDoNotChange) {
    // The shipped file as Notepad saves it as "Unicode", played through the menu tour, which
    // saves a slot and then everything.
    const std::string shipped = initool::defaultSettingsFile();
    std::string saved;
    const std::string crlf = std::regex_replace(shipped, std::regex("\n"), "\r\n");  // Notepad's line ends
    const Played p = play("menu-tour", testing::asUtf16(crlf),
                          [&](int, const auto& game) { saved = testing::readFile(game / "Velmora.ini"); });
    const int read = find(p.lines, "settings read from ");
    ASSERT_GE(read, 0) << dump(p.lines);
    EXPECT_TRUE(p.lines[static_cast<std::size_t>(read)].sentence.ends_with("Velmora.ini (UTF-16 text, read as UTF-8)"));
    EXPECT_EQ(find(p.lines, "Velmora.ini:"), -1) << "every value taken as written";
    // Said once, at the first save, the slot's; the second finds UTF-8 text.
    const int converted = find(p.lines, "menu: Velmora.ini was UTF-16 text; it is saved as UTF-8 now");
    EXPECT_EQ(converted, find(p.lines, "menu: Saved to slot 1") + 1) << dump(p.lines);
    EXPECT_EQ(find(p.lines, "menu: Velmora.ini was UTF-16", converted + 1), -1);
    EXPECT_GE(find(p.lines, "menu: Settings saved to the ini"), 0);
    // Every line of the file but those of the saved keys is in the saved file as it was.
    EXPECT_EQ(saved.find('\0'), std::string::npos);
    std::set<std::string> savedKeys, savedLines;
    for (int place = 1; place <= kSavedSettingCount; ++place)
        savedKeys.insert(std::string(savedSettingKey(place)->section) + "/" + savedSettingKey(place)->key + " = ");
    std::istringstream savedText(saved), shippedText(shipped);
    for (std::string line; std::getline(savedText, line);) savedLines.insert(line.substr(0, line.find('\r')));
    std::string section;
    int lines = 0, kept = 0;
    for (std::string line; std::getline(shippedText, line);) {
        if (line.empty()) continue;
        ++lines;
        if (line.starts_with("[")) section = line.substr(1, line.find(']') - 1);
        if (savedKeys.count(section + "/" + line.substr(0, line.find('=') + 2)) > 0) continue;
        EXPECT_EQ(savedLines.count(line), 1u) << "lost: " << line;
        ++kept;
    }
    EXPECT_EQ(kept, lines - 42);  // the 43 saved keys but InertiaAffectsPitch, which the shipped file lacks
}

TEST(Log, NamesTheProbesTheLinkAndEachCameraWithItsReasonInOrder) {
    // A compact entered at frame 2 (in first person where the world says onFootViewMode 4), with
    // the events given and no settings file unless the case has one.
    struct Case {  // more world fields and events; sentence starts said in this order, and not said
        const char *what, *world, *events, *ini;
        std::vector<std::string> said, notSaid;
    };
    const std::vector<Case> cases = {
        {"a sound game",
         R"("onFootViewMode": 4)",
         "",
         "",
         {"game-view probe: pattern found at 0x", "camera created: first person",
          "model-flags probe: pattern found at 0x"},
         {"game-view probe: its", "model-flags probe: its"}},
        {"no view pattern",
         R"("memory": {"viewPattern": false})",
         "",
         "",
         {"game-view probe: its code pattern was not found; the chase camera starts behind the vehicle"},
         {"game-view probe: pattern found"}},
        {"no flags pattern",
         R"("memory": {"flagsPattern": false}, "onFootViewMode": 4)",
         "",
         "",
         {"game-view probe: pattern found",
          "model-flags probe: its code pattern was not found; VehicleModelInfoFlagsOffset = 1404 from the settings is "
          "used"},
         {}},
        {"an unreadable executable",
         R"("memory": {"moduleReadable": false}, "onFootViewMode": 4)",
         "",
         "",
         {"game-view probe: the game's executable cannot be read",
          "model-flags probe: the game's executable cannot be read"},
         {}},
        {"no manual-transmission plug-in",
         "",
         "",
         "",
         {"Gears.asi is not loaded: the look keys work on their own"},
         {}},
        {"the plug-in", R"("gears": {"present": true})", "", "", {"Gears.asi linked: its look requests are used"}, {}},
        {"the plug-in without some exports",
         R"("gears": {"present": true, "missing": ["MT_LookingBack", "MT_GetVersion"]})",
         "",
         "",
         {"Gears.asi linked, but it lacks MT_LookingBack: those looks are not used"},
         {}},
        {"leaving the car",
         R"("onFootViewMode": 0)",
         R"(, {"frame": 100, "do": "exit", "frames": 5})",
         "",
         {"camera created: near chase", "camera released: the player left the vehicle"},
         {}},
        {"the toggle key twice",
         R"("onFootViewMode": 0)",
         R"(, {"frame": 60, "do": "key", "key": "1", "frames": 2},
            {"frame": 100, "do": "key", "key": "1", "frames": 2})",
         "",
         {"camera created: near chase", "switched off (toggle key)", "camera released: Velmora is switched off",
          "switched on (toggle key)", "camera created: near chase"},
         {}},
        {"the player dies",
         R"("onFootViewMode": 0)",
         R"(, {"frame": 100, "do": "player", "dead": true})",
         "",
         {"camera created", "camera released: the player is gone, dead, arrested or not in control"},
         {}},
        {"first person handed to the game",
         R"("onFootViewMode": 0)",
         R"(, {"frame": 50, "do": "press", "control": "viewChange"}, {"frame": 60, "do": "press", "control": "viewChange"},
            {"frame": 70, "do": "press", "control": "viewChange"})",
         "[1stPersonView]\r\nUseOwnFirstPersonCamera = 0\r\n",
         {"camera created: near chase", "camera released: first person is handed to the game's own camera"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Played p = play(entering(160, c.events, c.world), c.ini);
        if (*c.ini == '\0') {  // said once, as a warning, at the start
            const int missing = find(p.lines, "settings file ");
            ASSERT_GE(missing, 0) << dump(p.lines);
            const LogLine& line = p.lines[static_cast<std::size_t>(missing)];
            EXPECT_TRUE(line.sentence.ends_with("Velmora.ini not found: Velmora runs with its defaults"))
                << line.sentence;
            EXPECT_EQ(line.level, "warning");
        }
        int at = 0;
        for (const std::string& s : c.said) {
            at = find(p.lines, s, at);
            ASSERT_GE(at, 0) << "missing or out of order: " << s << "\n" << dump(p.lines);
            ++at;
        }
        for (const std::string& s : c.notSaid) EXPECT_EQ(find(p.lines, s), -1) << s;
    }
}

TEST(Log, AReloadReadsTheFileAgainAndNamesWhatIsNowWrong) {
    const std::string good = "[KeyMappings]\r\nreloadSettingsKey = F10\r\n";
    const std::string scenario = entering(200, R"(, {"frame": 80, "do": "key", "key": "F10", "frames": 2},
                                                   {"frame": 150, "do": "key", "key": "F10", "frames": 2})");
    const Played p = play(scenario, good, [&](int frame, const std::filesystem::path& folder) {
        if (frame == 60) std::ofstream(folder / "Velmora.ini") << good + "[3rdPersonView]\r\nfov = 61f\r\n";
        if (frame == 120) std::filesystem::remove(folder / "Velmora.ini");
    });
    const auto& l = p.lines;
    const int first = find(l, "settings read from ");
    const int reload = find(l, "settings reloaded from ");
    ASSERT_GE(first, 0) << dump(l);
    ASSERT_GT(reload, first) << dump(l);
    EXPECT_EQ(find(l, "Velmora.ini:"), reload + 1) << "nothing wrong before the reload\n" << dump(l);
    EXPECT_EQ(find(l, "Velmora.ini:4: fov = \"61f\" is not accepted (it is not a number)"), reload + 1);
    // A reload after the file went: the settings stay, and the log says why.
    const int gone = find(l, "settings file ", reload);
    ASSERT_GT(gone, reload) << dump(l);
    EXPECT_TRUE(l[static_cast<std::size_t>(gone)].sentence.ends_with("not found: the settings stay as they were"));
}

TEST(Log, AnUnsupportedVehicleIsNamedOnceAndASteadyDriveWritesNothing) {
    const char* scenario =
        R"({"frames": 700, "world": {"vehicles": [{"name": "boat", "model": "boat", "position": [0, 20, 0]},
            {"name": "car", "model": "compact", "position": [-20, 0, 0]}]},
        "events": [{"frame": 5, "do": "enter", "vehicle": "boat", "frames": 5},
                   {"frame": 80, "do": "exit", "frames": 5},
                   {"frame": 120, "do": "enter", "vehicle": "car", "frames": 5},
                   {"frame": 200, "do": "drive", "vehicle": "car", "speed": 20, "yawRate": 10}]})";
    const Played p = play(scenario, "");
    const int boat = find(p.lines, "this vehicle (class 14) is not supported: the game's camera stays");
    ASSERT_GE(boat, 0) << dump(p.lines);
    EXPECT_EQ(find(p.lines, "this vehicle", boat + 1), -1) << "said once for the boat";
    EXPECT_GE(find(p.lines, "camera created: ", boat), 0) << dump(p.lines);
    // From some frames after the drive begins to the end, nothing happens that a player would ask about.
    ASSERT_GT(p.sizeAfterFrame.size(), 600u);
    EXPECT_EQ(p.sizeAfterFrame[250], p.sizeAfterFrame.back()) << dump(p.lines);
}

TEST(Log, APoseHeldBackEveryFrameIsWrittenOncePerQuietSpell) {
    // The car answers NaN for its motion from frame 100 to the end: 20 seconds at 60 frames a
    // second. The guard holds the pose back every frame; the log says so at the start and then
    // once per ten seconds, counting the frames it did not write.
    const Played p = play(entering(1300, R"(, {"frame": 100, "do": "broken", "vehicle": "car"})"), "");
    std::vector<const LogLine*> held;
    for (const LogLine& l : p.lines)
        if (l.sentence.find("pose came out not finite or out of the world") != std::string::npos) held.push_back(&l);
    // 20 seconds of faults: written at 0, 10 and perhaps 20 seconds, as warnings.
    ASSERT_TRUE(held.size() == 2u || held.size() == 3u) << dump(p.lines);
    EXPECT_EQ(held[0]->level, "warning");
    EXPECT_NEAR(std::stod(held[1]->time) - std::stod(held[0]->time), 10.0, 0.05);
}

// The log's rules on their own, with a platform whose clock (in tenths of a second) the test
// moves, and a plug-in that has just started.
struct Sink {
    static inline std::string text;
    static inline std::int64_t ticks = 0;
};

class LogRules : public ::testing::Test {
protected:
    void SetUp() override {
        Sink::text.clear();
        Sink::ticks = 0;
        v.platform.appendLog = [](const char* bytes, std::size_t size) { Sink::text.append(bytes, size); };
        v.platform.queryPerformanceCounter = [] { return Sink::ticks; };
        v.platform.queryPerformanceFrequency = []() -> std::int64_t { return 10; };
        startLog(v);
    }
    Velmora v;
};

TEST_F(LogRules, StopsAtItsCapAndSaysSoOnItsLastLine) {
    const std::string sentence(200, 'x');
    for (int i = 0; i < 5000; ++i) logLine(v, LogLevel::Info, sentence);  // about 1 MiB offered
    EXPECT_LE(Sink::text.size(), kLogCapBytes);
    EXPECT_GT(Sink::text.size(), kLogCapBytes - 400) << "the cap is used, not stopped far short of";
    const std::vector<LogLine> lines = linesOf(Sink::text);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back().level, "warning");
    EXPECT_EQ(lines.back().sentence, "the log is full (256 KiB): nothing more is written until the game starts again");
    EXPECT_EQ(lines[lines.size() - 2].sentence, sentence) << "every line before it whole";
    const std::size_t full = Sink::text.size();
    logLine(v, LogLevel::Error, "after the cap");
    logFault(v, LogFault::MemoryRefused, "after the cap");
    EXPECT_EQ(Sink::text.size(), full);
    // A new game start begins a new log.
    Sink::text.clear();
    startLog(v);
    logLine(v, LogLevel::Info, "again");
    EXPECT_EQ(linesOf(Sink::text).size(), 1u);
}

TEST_F(LogRules, ARepeatedFaultWritesAtTheStartOfEachQuietSpellWithTheCountBetween) {
    // Every tenth of a second for a minute (the clock counts tenths, so times are exact).
    for (int frame = 0; frame < 600; ++frame, ++Sink::ticks) logFault(v, LogFault::MemoryRefused, "refused");
    const std::vector<LogLine> lines = linesOf(Sink::text);
    ASSERT_EQ(lines.size(), 6u) << Sink::text;  // at 0, 10, 20, 30, 40 and 50 seconds
    EXPECT_EQ(lines[0].sentence, "refused");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].sentence, "refused (99 more times since the last line)");
        EXPECT_EQ(lines[i].time, std::to_string(10 * i) + ".000");
    }
    // Another kind of fault has its own spell.
    logFault(v, LogFault::CameraNotMade, "no camera");
    EXPECT_EQ(linesOf(Sink::text).size(), 7u);
}

}  // namespace
}  // namespace velmora
