#include "config/load.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/schema.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;
using testing::asUtf16;
using namespace std::string_literals;

struct Notifications {
    std::vector<std::string> texts;
    LoadNotifier notifier() {
        return LoadNotifier{[](void* self, const char* text) { static_cast<Notifications*>(self)->texts.push_back(text); },
                            this};
    }
};

// Loads the text as a settings file into a fresh record.
SettingsRecord loadText(const std::string& text) {
    TempDir dir;
    SettingsRecord settings;
    Notifications notes;
    EXPECT_TRUE(loadSettingsFile(settings, notes.notifier(), dir.write("Velmora.ini", text).c_str()));
    EXPECT_TRUE(notes.texts.empty());
    return settings;
}

float loadNumber(const char* section, const char* key, const std::string& text) {
    const SettingsRecord s = loadText(std::string("[") + section + "]\n" + key + " = " + text + "\n");
    return numberField(s, *findSettingKey(section, key));
}

TEST(LoadNumbers, TheWholeTextMustBeOneFiniteNumber) {
    struct Case { const char* text; float expected; };  // first-person fov; 59 is its default
    // The library trims blanks; trailing text, two numbers and an inline comment are not
    // accepted, nor are non-finite texts, or 1e39: finite as a double, infinite as a float.
    const Case cases[] = {
        {"70", 70.0f},   {"   70\t", 70.0f}, {"-3.5", -3.5f},  {"1e1", 10.0f},     {".5", 0.5f},
        {"61f", 59.0f},  {"6 1", 59.0f},     {"", 59.0f},      {"seventy", 59.0f}, {"70 ; wide", 59.0f},
        {"nan", 59.0f},  {"-inf", 59.0f},    {"infinity", 59.0f}, {"1e999", 59.0f}, {"1e39", 59.0f},
        {"3.4e38", 3.4e38f},
    };
    for (const Case& c : cases) EXPECT_EQ(loadNumber("1stPersonView", "fov", c.text), c.expected) << '"' << c.text << '"';
    // 63 characters are read; 64 are over the library's limit, so the default.
    EXPECT_EQ(loadNumber("1stPersonView", "fov", std::string(62, '0') + "7"), 7.0f);
    EXPECT_EQ(loadNumber("1stPersonView", "fov", std::string(63, '0') + "7"), 59.0f);
}

// menuKeyCode, 122 by default; DynamicFov and GetInputFromGearsAsi, off and on by default,
// are on when their integer is above zero.
TEST(LoadIntegers, DecimalOrHexWholeTextAndIntegerSwitchesOnAboveZero) {
    struct Case { const char* text; std::int32_t code; bool dynamicFov, gears; };
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max(), kMin = -kMax - 1;
    const Case cases[] = {
        {"0x7A", 122, true, true},  {"0X7a", 122, true, true}, {"123", 123, true, true}, {"+5", 5, true, true},
        {"-3", -3, false, false},   {"0", 0, false, false},    {"12abc", 122, false, true}, {"0x", 122, false, true},
        {"7.5", 122, false, true},  {"F11", 122, false, true}, {"true", 122, false, true}, {"", 122, false, true},
        {"99999999999", kMax, true, true}, {"-99999999999", kMin, false, false},  // saturates as on Windows
    };
    for (const Case& c : cases) {
        const std::string text = std::string("=") + c.text + "\n";
        const SettingsRecord s = loadText("[keyMappings]\nmenuKeyCode" + text + "[3rdPersonView]\nDynamicFov" + text +
                                          "[general]\nGetInputFromGearsAsi" + text);
        EXPECT_EQ(s.keyMappings.menuKeyCode, c.code) << '"' << c.text << '"';
        EXPECT_EQ(s.thirdPersonView.DynamicFov, c.dynamicFov) << '"' << c.text << '"';
        EXPECT_EQ(s.general.GetInputFromGearsAsi, c.gears) << '"' << c.text << '"';
    }
}

TEST(LoadSwitches, OnlyTheFirstLettersCount) {
    struct Case { const char* text; bool expected; };  // HeadLean; on by default
    const Case cases[] = {
        {"off", false}, {"Off", false}, {"on", true}, {"ON", true}, {"Yes", true}, {"no", false},
        {"true", true}, {"False", false}, {"1", true}, {"0", false}, {"yesterday", true},
        {"nope", false}, {"maybe", true}, {"2", true}, {"o", true}, {"", true},
    };
    for (const Case& c : cases) {
        const SettingsRecord s = loadText(std::string("[1stPersonView]\nHeadLean = ") + c.text + "\n");
        EXPECT_EQ(s.firstPersonView.HeadLean, c.expected) << '"' << c.text << '"';
    }
}

TEST(LoadKeyNames, TakenVerbatimAfterTrimming) {
    const SettingsRecord s = loadText("[keyMappings]\nlookLeftKey =   b  \nlookRightKey =\ntoggleModKey = F10 ; x\n");
    EXPECT_EQ(s.keyMappings.lookLeftKey, "b");
    EXPECT_EQ(s.keyMappings.lookRightKey, "");
    EXPECT_EQ(s.keyMappings.toggleModKey, "F10 ; x");
    EXPECT_EQ(s.keyMappings.reloadSettingsKey, "F10");  // absent: its default
}

TEST(LoadDocument, LibraryQuirks) {
    const SettingsRecord s = loadText(
        "; a comment\n"
        "[1STPERSONVIEW]\n"
        "Fov = 61\n"
        "FOV = 62\n"          // the last of duplicates wins, whatever the case
        "# another comment\n"
        "heightoffset=0.1\n"
        "[input]\r\n"         // Windows line ends
        "mouseSensibility = 2\r\n"
        "[1stPersonView]\n"   // a section given twice is one section
        "sideOffset = 0.2\n"
        "no equals sign here\n"
        "[general\n"          // an unterminated header: the entries below it are lost
        "GetInputFromGearsAsi = 0\n");
    EXPECT_EQ(s.firstPersonView.fov, 62.0f);
    EXPECT_EQ(s.firstPersonView.heightOffset, 0.1f);
    EXPECT_EQ(s.firstPersonView.sideOffset, 0.2f);
    EXPECT_EQ(s.input.mouseSensibility, 2.0f);
    EXPECT_TRUE(s.general.GetInputFromGearsAsi);
}

TEST(LoadText, Utf16IsReadAsTextAndABreakEndsTheReading) {
    using namespace std::string_view_literals;
    struct Case { std::string_view bytes, text; TextEncoding encoding; TextBreak broken; };
    using enum TextEncoding;
    using enum TextBreak;
    // e-acute U+00E9, the euro sign U+20AC and U+1F600 (the pair D83D DE00) in UTF-8: C3 A9,
    // E2 82 AC and F0 9F 98 80.
    const auto wide = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"sv;
    const Case cases[] = {
        {"a=1\r\n"sv, "a=1\r\n"sv, SingleByte, None},
        {"a=1\n\0b=2\n"sv, "a=1\n"sv, SingleByte, Nul},
        {"\xFF\xFE\xE9\0\xAC\x20\x3D\xD8\x00\xDE"sv, wide, Utf16LE, None},
        {"\xFE\xFF\0\xE9\x20\xAC\xD8\x3D\xDE\x00"sv, wide, Utf16BE, None},
        {"\xFF\xFE"sv, ""sv, Utf16LE, None},
        {"\xFF\xFE" "a\0b"sv, "a"sv, Utf16LE, CutCharacter},           // an odd number of bytes
        {"\xFF\xFE" "a\0\x3D\xD8"sv, "a"sv, Utf16LE, CutCharacter},    // a pair's first half at the end
        {"\xFF\xFE" "a\0\x3D\xD8" "b\0"sv, "a"sv, Utf16LE, BadSurrogate},  // a first half without its second
        {"\xFF\xFE" "a\0\x00\xDE" "b\0"sv, "a"sv, Utf16LE, BadSurrogate},  // a second half alone
        {"\xFE\xFF\0" "a\0\0\0b"sv, "a"sv, Utf16BE, Nul},
    };
    for (const Case& c : cases) {
        const SettingsText t = decodeSettingsText(c.bytes);
        EXPECT_EQ(t.text, c.text) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(t.encoding, c.encoding) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(t.broken, c.broken) << ::testing::PrintToString(c.bytes);
    }
    // The loader reads Notepad's two "Unicode" files, and the part of a broken file before its break.
    for (const bool big : {false, true})
        EXPECT_EQ(loadText(asUtf16("[1stPersonView]\r\nfov = 61\r\n", big)).firstPersonView.fov, 61.0f);
    const SettingsRecord cut = loadText("[1stPersonView]\nfov = 61\n\0[input]\nmouseSensibility = 2\n"s);
    EXPECT_EQ(cut.firstPersonView.fov, 61.0f);
    EXPECT_EQ(cut.input.mouseSensibility, 1.0f);  // after the NUL: its default
}

TEST(LoadChainedDefaults, PerCameraKeysFallBackToTheBaseValuesOfThisLoad) {
    const SettingsRecord fovOnly = loadText("[3rdPersonView]\nfov = 70\n");
    const auto& cams = fovOnly.thirdPersonView.perCamera;
    EXPECT_EQ(cams.fov, (PerCamera{70.0f, 70.0f, 70.0f}));
    EXPECT_EQ(cams.distance, (PerCamera{0.4f, 1.2f, 2.0f}));
    EXPECT_EQ(cams.angle, (PerCamera{3.5f, 3.5f, 3.5f}));

    const SettingsRecord mixed = loadText(
        "[3rdPersonView]\n"
        "fovMedium = 80\n"       // given before its base in the file: order in the file does not matter
        "fov = 70\n"
        "distanceOffset = 0.25\n"
        "distanceOffsetFar = bad\n"  // not accepted: chained like an absent key
        "heightOffset = -2\n"
        "heightOffsetNear = 1\n");
    const auto& m = mixed.thirdPersonView.perCamera;
    EXPECT_EQ(m.fov, (PerCamera{70.0f, 80.0f, 70.0f}));
    EXPECT_EQ(m.distanceOffset, (PerCamera{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(m.heightOffset, (PerCamera{1.0f, -2.0f, -2.0f}));
}

TEST(LoadClamps, CameraAngleAndDeadZoneOnly) {
    const SettingsRecord steep = loadText("[3rdPersonView]\ncameraAngle = 25\nangleFar = 25\n");
    EXPECT_EQ(steep.thirdPersonView.cameraAngle, 20.0f);
    // The per-camera angles take the clamped base and are not clamped themselves.
    EXPECT_EQ(steep.thirdPersonView.perCamera.angle, (PerCamera{20.0f, 20.0f, 25.0f}));
    EXPECT_EQ(loadText("[3rdPersonView]\ncameraAngle = -3\n").thirdPersonView.cameraAngle, 0.0f);

    EXPECT_EQ(loadNumber("input", "gamepadDeadzone", "-0.5"), 0.0f);
    EXPECT_EQ(loadNumber("input", "gamepadDeadzone", "2"), 1.0f);
    EXPECT_EQ(loadNumber("input", "gamepadDeadzone", "0.25"), 0.25f);
    // Everything else keeps an out-of-range value as written.
    EXPECT_EQ(loadNumber("1stPersonView", "HorizonLock", "7"), 7.0f);
}

TEST(LoadLifecycle, AMissingFileChangesNothingAndPostsTheMessage) {
    TempDir dir;
    SettingsRecord settings;  // the start-up record
    const SettingsRecord before = settings;
    Notifications notes;
    EXPECT_FALSE(loadSettingsFile(settings, notes.notifier(), (dir.path() / "Velmora.ini").string().c_str()));
    EXPECT_EQ(settings, before);
    ASSERT_EQ(notes.texts.size(), 1u);
    EXPECT_EQ(notes.texts[0], "~r~Velmora~w~: Velmora.ini not found");

    // A folder in its place cannot be read either, nor a file larger than any settings file
    // (nothing is taken from the part that was read), nor a device that never ends.
    EXPECT_FALSE(loadSettingsFile(settings, notes.notifier(), dir.path().string().c_str()));
    const std::string large = "[1stPersonView]\nfov = 70\n";
    const std::string huge = dir.write("huge.ini", large + std::string(kMaxSettingsFileBytes - large.size() + 1, ';'));
    EXPECT_FALSE(loadSettingsFile(settings, notes.notifier(), huge.c_str()));
    EXPECT_FALSE(loadSettingsFile(settings, notes.notifier(), "/dev/zero"));
    EXPECT_EQ(settings, before);
    EXPECT_EQ(notes.texts.size(), 4u);
    // At the limit exactly, the file is read.
    const std::string full = dir.write("full.ini", large + std::string(kMaxSettingsFileBytes - large.size(), ';'));
    EXPECT_TRUE(loadSettingsFile(settings, notes.notifier(), full.c_str()));
    EXPECT_EQ(settings.firstPersonView.fov, 70.0f);
}

TEST(LoadLifecycle, AReloadResetsAbsentKeysAndKeepsTheMenuOnlyField) {
    TempDir dir;
    const std::string path = dir.write("Velmora.ini", "[3rdPersonView]\ndistanceNear = 0.5\n");
    SettingsRecord settings;
    settings.firstPersonView.fov = 70.0f;  // as the menu left them
    settings.InertiaAffectsPitch = true;
    settings.thirdPersonView.perCamera.distance[Near] = 9.0f;

    Notifications notes;
    ASSERT_TRUE(loadSettingsFile(settings, notes.notifier(), path.c_str()));
    EXPECT_EQ(settings.firstPersonView.fov, 59.0f);   // absent: back to its default
    EXPECT_EQ(settings.thirdPersonView.perCamera.distance[Near], 0.5f);
    EXPECT_TRUE(settings.InertiaAffectsPitch);        // never loaded
}

TEST(LoadLifecycle, AnEmptyFileGivesTheLoadDefaults) {
    const SettingsRecord empty = loadText("");
    EXPECT_EQ(empty, loadDefaults());
    // The load defaults are the start values but for the three dynamic field of view keys.
    SettingsRecord expected;
    expected.thirdPersonView.DynamicFovMin = 68.0f;
    expected.thirdPersonView.DynamicFovMax = 75.0f;
    expected.thirdPersonView.DynamicFovMaxAtSpeed = 60.0f;
    EXPECT_EQ(empty, expected);
}

}  // namespace
}  // namespace velmora
