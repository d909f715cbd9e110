#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "config/load.h"
#include "config/schema.h"
#include "ini_tool.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using initool::LintFinding;
using testing::TempDir;
using namespace std::string_view_literals;

std::string readFile(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(Dump, EveryFieldOneLineInTheLoadersOrder) {
    SettingsRecord settings;
    settings.keyMappings.lookLeftKey = "";
    settings.firstPersonView.HeadLean = false;
    const std::vector<std::string> out = lines(initool::dumpSettings(settings));
    ASSERT_EQ(out.size(), 88u);
    EXPECT_EQ(out[0], "keyMappings.reloadSettingsKey=F10");
    EXPECT_EQ(out[2], "keyMappings.lookLeftKey=");  // an empty name prints nothing after '='
    EXPECT_EQ(out[4], "keyMappings.menuKeyCode=122");
    EXPECT_EQ(out[15], "3rdPersonView.distanceNear=0.4");  // the shortest text that reads back as 0.4f
    EXPECT_EQ(out[48], "1stPersonView.HeadLean=false");
    EXPECT_EQ(out[87], "3rdPersonView.InertiaAffectsPitch=false");
}

TEST(Dump, TheSlotsAFileHoldsAsLoadingThemWouldTakeThem) {
    TempDir dir;
    const std::string path =
        dir.write("Velmora.ini",
                  "[Preset.Far.Slot3]\ndistance = 2.5\nfov = wide\n[preset.firstperson.slot1]\nfov = 61\n"
                  "[1stPersonView]\nfov = 70\n");
    EXPECT_EQ(lines(initool::dumpSlots(path)),
              (std::vector<std::string>{"Preset.FirstPerson.Slot1.fov=61", "Preset.Far.Slot3.distance=2.5"}));
    EXPECT_EQ(initool::dumpSlots(dir.path().string() + "/none.ini"), "");
}

// The JSON form holds the same record as the plain one, each section once, and the slots.
TEST(Dump, JsonHoldsTheSameRecordAndTheSlots) {
    TempDir dir;
    const std::string path =
        dir.write("Velmora.ini", "[Preset.Far.Slot3]\ndistance = 2.5\n[3rdPersonView]\nfov = 61.25\n");
    SettingsRecord settings;
    ASSERT_TRUE(loadSettingsFile(settings, {}, path.c_str()));
    settings.keyMappings.lookLeftKey = "A\"B";  // a name that must be escaped
    const nlohmann::ordered_json json = nlohmann::ordered_json::parse(initool::dumpJson(settings, path));
    std::size_t keys = 0;
    for (const std::string& line : lines(initool::dumpSettings(settings))) {
        const std::size_t dot = line.find('.'), equals = line.find('=');
        const nlohmann::ordered_json& value = json.at(line.substr(0, dot)).at(line.substr(dot + 1, equals - dot - 1));
        const std::string plain = line.substr(equals + 1);
        EXPECT_EQ(value.is_string() ? value.get<std::string>() : value.dump(), plain) << line;
        ++keys;
    }
    std::size_t jsonKeys = 0;
    for (const auto& [section, values] : json.items())
        if (section != "slots") jsonKeys += values.size();
    EXPECT_EQ(jsonKeys, keys);  // nothing more, and no section twice (a repeated one would hide keys)
    EXPECT_EQ(json.at("3rdPersonView").at("fov").dump(), "61.25");
    EXPECT_EQ(json.at("slots").dump(), R"({"Preset.Far.Slot3":{"distance":2.5}})");
}

TEST(Lint, FindsWhatTheLoaderWillNotTakeAsWritten) {
    // The finding's line (0: the file is clean) and a fragment of its message.
    struct LintCase {
        const char* what;
        std::string_view text;
        int line;
        const char* fragment;
    };
    // UTF-16 is read as the text it is; where its reading breaks off, the finding says so.
    const std::string wide = testing::asUtf16("[1stPersonView]\r\nfov = 61f\r\n");
    const std::string wideInput = testing::asUtf16("[input]\r\nmouseSensibility = 2\r\n");
    const std::string wideCut = wideInput + "x", wideBroken = wideInput + "\x3D\xD8x" + '\0';
    const LintCase cases[] = {
        {"clean", "[1stPersonView]\nfov = 61\n; comment\n\n# other\n[keyMappings]\nlookLeftKey = LSHIFT\n", 0, ""},
        {"saved switches and the menu-only key",
         "[3rdPersonView]\nInertiaAffectsPitch = 1\n[1stPersonView]\nEyePlaneGuard = 1\n", 0, ""},
        {"not a number", "[1stPersonView]\nfov = 61f\n", 2,
         "fov = \"61f\" is not accepted (it is not a number); the loader uses the default 59 instead"},
        {"inline comment", "[1stPersonView]\nfov = 61 ; wide\n", 2, "put comments on their own line"},
        {"not finite", "[input]\nmouseSensibility = inf\n", 2, "not a finite number"},
        {"too long", "[input]\nmouseSensibility = 1.000000000000000000000000000000000000000000000000000000000000000\n",
         2, "longer than 63 characters"},
        {"chained fallback", "[3rdPersonView]\nfov = 70\nfovNear = wide\n", 3,
         "the loader uses the value of fov, 70, instead"},
        {"clamp", "[3rdPersonView]\ncameraAngle = 25\n", 2, "cameraAngle = 25 is outside 0 to 20; the loader uses 20"},
        {"dead zone clamp", "[input]\ngamepadDeadzone = -0.5\n", 2, "outside 0 to 1; the loader uses 0"},
        {"integer switch word", "[3rdPersonView]\nDynamicFov = true\n", 2,
         "the loader uses the default 0 (off) instead; write 1 for on"},
        {"unknown switch", "[1stPersonView]\nHeadLean = maybe\n", 2,
         "is not a switch; the loader uses the default 1 (on)"},
        {"switch read by its first letter", "[1stPersonView]\nHeadLean = nope\n", 2, "reads as 0 (off)"},
        {"menu key as a name", "[keyMappings]\nmenuKeyCode = F11\n", 2, "write 122 for F11"},
        // The menu key at the edges of the Windows virtual-key codes, which run from 1 to 254.
        {"menu key 0", "[keyMappings]\nmenuKeyCode = 0\n", 2, "menuKeyCode = 0 is not a virtual-key code"},
        {"menu key 1", "[keyMappings]\nmenuKeyCode = 1\n", 0, ""},
        {"menu key 254", "[keyMappings]\nmenuKeyCode = 254\n", 0, ""},
        {"menu key 255", "[keyMappings]\nmenuKeyCode = 255\n", 2, "menuKeyCode = 255 is not a virtual-key code"},
        {"menu key 256", "[keyMappings]\nmenuKeyCode = 256\n", 2, "menuKeyCode = 256 is not a virtual-key code"},
        {"lower-case key name", "[keyMappings]\nlookLeftKey = b\n", 2, "did you mean B?"},
        {"misspelt key name", "[keyMappings]\nreloadSettingsKey = F1O\n", 2, "did you mean F10?"},
        {"empty key name", "[keyMappings]\ntoggleModKey =\n", 2, "toggleModKey is empty"},
        {"unknown key", "[1stPersonView]\nfvo = 70\n", 2,
         "unknown key \"fvo\" in [1stPersonView] is ignored by the loader; did you mean fov?"},
        {"key in the wrong section", "[3rdPersonView]\nShakeTerrain = 1\n", 2, "it belongs in [1stPersonView]"},
        {"unknown section", "[1stPersonVeiw]\nfov = 70\n", 1, "did you mean 1stPersonView?"},
        {"duplicate", "[input]\nmouseSensibility = 1\nMOUSESENSIBILITY = 2\n", 3,
         "given again in [input] (first on line 2); the last one wins"},
        {"outside any section", "fov = 70\n", 1, "stands before any [section]"},
        {"no equals sign", "[input]\nmouseSensibility 2\n", 2, "it has no '='"},
        {"unterminated header", "[input\nmouseSensibility = 2\n", 1, "has no closing ']'"},
        {"Windows line ends", "[input]\r\nmouseSensibility = 2\r\nfoo = 1\r\n", 3, "unknown key \"foo\""},
        {"slot key", "[preset.near.slot1]\ndistanse = 2\n", 2, "did you mean distance?"},
        {"slot value", "[Preset.FirstPerson.Slot3]\nfov = wide\n", 2, "loading the slot leaves that value as it is"},
        {"slot number out of range", "[Preset.Far.Slot4]\nfov = 70\n", 1, "did you mean Preset.Far.Slot1?"},
        {"beyond the sensible range", "[1stPersonView]\nfov = 500\n", 2,
         "fov = 500 is outside the sensible range 30 to 120; the loader takes it as written"},
        {"negative distance", "[3rdPersonView]\ndistanceMedium = -100\n", 2, "outside the sensible range -2 to 15"},
        {"a blend that never moves", "[3rdPersonView]\nCameraSwitchSpeed = 0\n", 2,
         "outside the sensible range 0.1 to 20"},
        {"within the sensible range", "[1stPersonView]\nfov = 120\nHorizonLock = 0\n", 0, ""},
        {"NUL byte", "[input]\nmouseSensibility = 2\n\0[1stPersonView]\nfov = x\n"sv, 3, "NUL byte"},
        {"NUL byte after old Mac line ends", "[input]\rmouseSensibility = 2\r\r\0"sv, 4, "NUL byte"},
        {"NUL byte within a line", "[input]\r\nmouseSensibility = 2\0junk\r\n"sv, 2, "NUL byte"},
        {"UTF-16", wide, 2, "fov = \"61f\" is not accepted"},
        {"UTF-16 cut off", wideCut, 3, "cut off in the middle of a character here; the loader reads nothing after it"},
        {"UTF-16 with half a surrogate pair", wideBroken, 3, "holds a broken character here"},
        {"UTF-16 without its mark", std::string_view(wide).substr(2), 1, "UTF-16 text without a byte-order mark"},
    };
    for (const LintCase& c : cases) {
        const std::vector<LintFinding> findings = initool::lintSettingsText(c.text);
        ASSERT_EQ(findings.size(), c.line == 0 ? 0u : 1u)
            << c.what << ": " << (findings.empty() ? "" : findings.back().message);
        if (c.line == 0) continue;
        EXPECT_EQ(findings[0].line, c.line) << c.what;
        EXPECT_NE(findings[0].message.find(c.fragment), std::string::npos) << c.what << ": " << findings[0].message;
    }
}

TEST(Lint, ClosestMatch) {
    const std::vector<std::string> names = {"fov", "forwardOffset", "sideOffset"};
    for (const auto& [typed, meant] : {std::pair{"FOV", "fov"}, std::pair{"forwardOfset", "forwardOffset"},
                                       std::pair{"sideOffste", "sideOffset"}, std::pair{"completely different", ""}})
        EXPECT_EQ(initool::closestMatch(typed, names), meant) << typed;
}

TEST(DefaultIni, TheShippedFileLoadsToExactlyTheDefaultsWithEveryKeyUnderAComment) {
    // Windows line ends throughout, for Notepad.
    const std::string text = initool::defaultSettingsFile();
    std::string crlf;
    for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(readFile(VELMORA_DEFAULT_INI_PATH), crlf);
    SettingsRecord settings;
    ASSERT_TRUE(loadSettingsFile(settings, LoadNotifier{}, VELMORA_DEFAULT_INI_PATH));
    EXPECT_EQ(settings, loadDefaults());  // its lint is the command line's check_default_ini
    // Every loaded key is in it, each under a comment line.
    const std::vector<std::string> all = lines(text);
    int keyLines = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].empty() || all[i][0] == ';' || all[i][0] == '[') continue;
        ++keyLines;
        EXPECT_TRUE(i > 0 && all[i - 1][0] == ';') << all[i];
    }
    EXPECT_EQ(keyLines, 87);
}

TEST(DefaultIni, TheCommittedKeyReferenceIsCurrent) {
    EXPECT_EQ(readFile(VELMORA_SOURCE_DIR "/docs/settings.md"), initool::settingsReference())
        << "run: velmora-ini reference --output docs/settings.md";
}

}  // namespace
}  // namespace velmora
