// Loading Velmora.ini: the defaults, written out here by hand rather than taken from the
// schema, each value form, the chained defaults and clamps, and the file's lifecycle.
#include "config/load.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config/ini.h"
#include "config/schema.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::asUtf16;
using testing::TempDir;
using namespace std::string_literals;

struct Notifications {
    std::vector<std::string> texts;
    LoadNotifier notifier() {
        return {[](void* self, const char* text) { static_cast<Notifications*>(self)->texts.push_back(text); }, this};
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

// Every key the loader reads, by section, with the value a load gives it when the file lacks it.
const std::map<std::pair<std::string, std::string>, std::string> kDocumentedDefaults = [] {
    std::istringstream table(
        "[keyMappings] reloadSettingsKey=F10 toggleModKey=1 lookLeftKey=B lookRightKey=N menuKeyCode=122 "
        "[3rdPersonView] distanceOffset=0 heightOffset=0 cameraAngle=3.5 DynamicFov=0 DynamicFovMin=68 "
        "DynamicFovMax=75 DynamicFovMaxAtSpeed=60 DynamicFovMaxLimit=0 fov=77.5 lookLeftAngle=90 lookRightAngle=90 "
        "distanceNear=0.4 distanceMedium=1.2 distanceFar=2 heightNear=0 heightMedium=0.3 heightFar=0.55 "
        "fovNear=77.5 fovMedium=77.5 fovFar=77.5 angleNear=3.5 angleMedium=3.5 angleFar=3.5 distanceOffsetNear=0 "
        "distanceOffsetMedium=0 distanceOffsetFar=0 heightOffsetNear=0 heightOffsetMedium=0 heightOffsetFar=0 "
        "CameraSwitchSpeed=2.6 InertiaForce=1 "
        "[1stPersonView] fov=59 heightOffset=0.05 forwardOffset=-0.04 lookLeftAngle=75 lookRightAngle=80 "
        "InertiaEffects=1 TerrainShake=1 ShakeTerrain=0.007 ShakeSpeed=0.005 ShakeMaxOffset=0.06 ShakeRotation=0.9 "
        "EngineVibration=0.006 HeadLean=1 LeanLateral=0.045 LeanForward=0.03 HorizonLock=0.35 sideOffset=0 "
        "HeadFollowRate=9 MaxInertiaShift=0.06 LeanLateralLimit=0.02 LeanForwardLimit=0.07 MountPoint=0 "
        "EyePlaneMargin=0.08 EyePlaneGuard=1 HeadSpaceOffsets=1 NoHeavyBrakeAnimation=1 DeclareFirstPersonToEngine=1 "
        "UseOwnFirstPersonCamera=1 PhoneOverlayScale=0 LookWeight=14 RecenterTime=1.6 RecenterEase=2 "
        "DeclareFirstPersonWhileAiming=0 SpecialAbilityFix=1 LookYawLimitLeft=95 LookYawLimitRight=100 "
        "LookPitchMin=-62 LookPitchMax=40 VehicleModelInfoFlagsOffset=1404 pitchOffset=0 yawOffset=0 rollOffset=0 "
        "SpeedZoom=1 SpeedZoomAmount=12 SpeedZoomAtSpeed=55 SpeedZoomSmoothing=2.5 "
        "[general] GetInputFromGearsAsi=1 "
        "[input] gamepadDeadzone=0 gamepadEasing=1 gamepadSensibility=1 mouseSensibility=1");
    std::map<std::pair<std::string, std::string>, std::string> t;
    std::string section;
    for (std::string entry; table >> entry;)
        if (entry[0] == '[')
            section = entry.substr(1, entry.size() - 2);
        else
            t[{section, entry.substr(0, entry.find('='))}] = entry.substr(entry.find('=') + 1);
    return t;
}();

// An empty file gives the documented defaults; the record at start is the same but for the
// three dynamic field of view keys, 0 until a file is read, and the menu-only switch is off.
TEST(Defaults, AnEmptyFileGivesTheDocumentedDefaultsAndTheStartRecordWaitsForAFile) {
    ASSERT_EQ(kDocumentedDefaults.size(), 87u);
    const SettingsRecord empty = loadText("");
    EXPECT_EQ(empty, loadDefaults());
    int checked = 0;
    for (const SettingKey& key : settingKeys()) {
        if (!key.loaded) continue;
        const auto it = kDocumentedDefaults.find({key.section, key.key});
        if (it == kDocumentedDefaults.end()) {
            ADD_FAILURE() << key.section << "." << key.key << " has no documented default";
            continue;
        }
        EXPECT_EQ(formatFieldValue(empty, key), it->second) << key.section << "." << key.key;
        ++checked;
    }
    EXPECT_EQ(checked, 87);
    SettingsRecord start = empty;
    start.thirdPersonView.DynamicFovMin = start.thirdPersonView.DynamicFovMax = 0.0f;
    start.thirdPersonView.DynamicFovMaxAtSpeed = 0.0f;
    EXPECT_EQ(SettingsRecord{}, start);
    EXPECT_FALSE(empty.InertiaAffectsPitch);
}

// One key given one text, and the field afterwards as the file would hold it: the first-person
// fov (default 59) for numbers, HeadLean (on by default) for switches, and the clamped keys.
TEST(LoadValues, EachFormTakesItsWholeTextOrGivesTheDefault) {
    struct Case {
        const char *section, *key;
        std::string text;
        const char* expected;
    };
    const char *fp = "1stPersonView", *keys = "keyMappings", *input = "input", *third = "3rdPersonView";
    const Case cases[] = {
        // The library trims blanks; trailing text, two numbers, an inline comment, non-finite
        // texts and 1e39 (finite as a double, infinite as a float) are not accepted.
        {fp, "fov", "70", "70"},
        {fp, "fov", "   70\t", "70"},
        {fp, "fov", "-3.5", "-3.5"},
        {fp, "fov", "1e1", "10"},
        {fp, "fov", ".5", "0.5"},
        {fp, "fov", "3.4e38", "3.4e+38"},
        {fp, "fov", "61f", "59"},
        {fp, "fov", "6 1", "59"},
        {fp, "fov", "", "59"},
        {fp, "fov", "seventy", "59"},
        {fp, "fov", "70 ; wide", "59"},
        {fp, "fov", "nan", "59"},
        {fp, "fov", "-inf", "59"},
        {fp, "fov", "infinity", "59"},
        {fp, "fov", "1e999", "59"},
        {fp, "fov", "1e39", "59"},
        // 63 characters are read; 64 are over the library's limit.
        {fp, "fov", std::string(62, '0') + "7", "7"},
        {fp, "fov", std::string(63, '0') + "7", "59"},
        // Switches: only the first letters count.
        {fp, "HeadLean", "off", "0"},
        {fp, "HeadLean", "Off", "0"},
        {fp, "HeadLean", "on", "1"},
        {fp, "HeadLean", "ON", "1"},
        {fp, "HeadLean", "Yes", "1"},
        {fp, "HeadLean", "no", "0"},
        {fp, "HeadLean", "true", "1"},
        {fp, "HeadLean", "False", "0"},
        {fp, "HeadLean", "1", "1"},
        {fp, "HeadLean", "0", "0"},
        {fp, "HeadLean", "yesterday", "1"},
        {fp, "HeadLean", "nope", "0"},
        {fp, "HeadLean", "maybe", "1"},
        {fp, "HeadLean", "2", "1"},
        {fp, "HeadLean", "o", "1"},
        {fp, "HeadLean", "", "1"},
        // Key names verbatim after trimming, an empty one included.
        {keys, "lookLeftKey", "  b  ", "b"},
        {keys, "lookRightKey", "", ""},
        {keys, "toggleModKey", "F10 ; x", "F10 ; x"},
        // Only cameraAngle and the dead zone are clamped; everything else is kept as written.
        {third, "cameraAngle", "25", "20"},
        {third, "cameraAngle", "-3", "0"},
        {input, "gamepadDeadzone", "-0.5", "0"},
        {input, "gamepadDeadzone", "2", "1"},
        {input, "gamepadDeadzone", "0.25", "0.25"},
        {fp, "HorizonLock", "7", "7"},
    };
    for (const Case& c : cases) {
        const SettingsRecord s = loadText(std::string("[") + c.section + "]\n" + c.key + " = " + c.text + "\n");
        EXPECT_EQ(formatFieldValue(s, *findSettingKey(c.section, c.key)), c.expected)
            << c.key << " = \"" << c.text << '"';
    }
}

// menuKeyCode, 122 by default; DynamicFov and GetInputFromGearsAsi, off and on by default,
// are on when their integer is above zero.
TEST(LoadValues, IntegersAreDecimalOrHexWholeTextsAndIntegerSwitchesAreOnAboveZero) {
    struct Case {
        const char* text;
        std::int32_t code;
        bool dynamicFov, gears;
    };
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max(), kMin = -kMax - 1;
    const Case cases[] = {
        {"0x7A", 122, true, true},         {"0X7a", 122, true, true},
        {"123", 123, true, true},          {"+5", 5, true, true},
        {"-3", -3, false, false},          {"0", 0, false, false},
        {"12abc", 122, false, true},       {"0x", 122, false, true},
        {"7.5", 122, false, true},         {"F11", 122, false, true},
        {"true", 122, false, true},        {"", 122, false, true},
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

TEST(LoadDocument, LibraryQuirks) {
    const SettingsRecord s = loadText(
        "; a comment\n"
        "[1STPERSONVIEW]\n"
        "Fov = 61\n"
        "FOV = 62\n"  // the last of duplicates wins, whatever the case
        "# another comment\n"
        "heightoffset=0.1\n"
        "[input]\r\n"  // Windows line ends
        "mouseSensibility = 2\r\n"
        "[1stPersonView]\n"  // a section given twice is one section
        "sideOffset = 0.2\n"
        "no equals sign here\n"
        "[general\n"  // an unterminated header: the entries below it are lost
        "GetInputFromGearsAsi = 0\n");
    EXPECT_EQ(s.firstPersonView.fov, 62.0f);
    EXPECT_EQ(s.firstPersonView.heightOffset, 0.1f);
    EXPECT_EQ(s.firstPersonView.sideOffset, 0.2f);
    EXPECT_EQ(s.input.mouseSensibility, 2.0f);
    EXPECT_TRUE(s.general.GetInputFromGearsAsi);
}

TEST(LoadText, Utf16IsReadAsTextAndABreakEndsTheReading) {
    using namespace std::string_view_literals;
    struct Case {
        std::string_view bytes, text;
        TextEncoding encoding;
        TextBreak broken;
    };
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
        {"\xFF\xFE"
         "a\0b"sv,
         "a"sv, Utf16LE, CutCharacter},  // an odd number of bytes
        {"\xFF\xFE"
         "a\0\x3D\xD8"sv,
         "a"sv, Utf16LE, CutCharacter},  // a pair's first half at the end
        {"\xFF\xFE"
         "a\0\x3D\xD8"
         "b\0"sv,
         "a"sv, Utf16LE, BadSurrogate},  // a first half without its second
        {"\xFF\xFE"
         "a\0\x00\xDE"
         "b\0"sv,
         "a"sv, Utf16LE, BadSurrogate},  // a second half alone
        {"\xFE\xFF\0"
         "a\0\0\0b"sv,
         "a"sv, Utf16BE, Nul},
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
    EXPECT_EQ(std::pair(cut.firstPersonView.fov, cut.input.mouseSensibility), std::pair(61.0f, 1.0f));  // 1: cut off
}

TEST(LoadChainedDefaults, PerCameraKeysFallBackToTheBaseValuesOfThisLoad) {
    // The base keys alone: each camera takes them, cameraAngle after its clamp.
    const SettingsRecord baseOnly =
        loadText("[3rdPersonView]\nfov = 70\ncameraAngle = 25\ndistanceOffset = 0.25\nheightOffset = -2\n");
    const auto& base = baseOnly.thirdPersonView.perCamera;
    EXPECT_EQ(base.fov, (PerCamera{70.0f, 70.0f, 70.0f}));
    EXPECT_EQ(base.angle, (PerCamera{20.0f, 20.0f, 20.0f}));
    EXPECT_EQ(base.distanceOffset, (PerCamera{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(base.heightOffset, (PerCamera{-2.0f, -2.0f, -2.0f}));
    EXPECT_EQ(base.distance, (PerCamera{0.4f, 1.2f, 2.0f}));

    const SettingsRecord mixed = loadText(
        "[3rdPersonView]\n"
        "fovMedium = 80\n"  // given before its base in the file: order in the file does not matter
        "fov = 70\n"
        "distanceOffset = 0.25\n"
        "distanceOffsetFar = bad\n"  // not accepted: chained like an absent key
        "heightOffsetNear = 1\n"
        "angleFar = 25\n");  // the per-camera angles are not clamped
    const auto& m = mixed.thirdPersonView.perCamera;
    EXPECT_EQ(m.fov, (PerCamera{70.0f, 80.0f, 70.0f}));
    EXPECT_EQ(m.distanceOffset, (PerCamera{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(m.heightOffset, (PerCamera{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(m.angle, (PerCamera{3.5f, 3.5f, 25.0f}));
}

TEST(LoadLifecycle, AFileThatCannotBeReadChangesNothingAndPostsTheMessage) {
    TempDir dir;
    SettingsRecord settings;  // the start-up record
    const SettingsRecord before = settings;
    Notifications notes;
    // Missing, a folder in its place, a file larger than any settings file (nothing is taken
    // from the part that was read), a device that never ends.
    const std::string large = "[1stPersonView]\nfov = 70\n";
    const std::string huge = dir.write("huge.ini", large + std::string(kMaxSettingsFileBytes - large.size() + 1, ';'));
    for (const std::string& path : {(dir.path() / "Velmora.ini").string(), dir.path().string(), huge, "/dev/zero"s})
        EXPECT_FALSE(loadSettingsFile(settings, notes.notifier(), path.c_str())) << path;
    EXPECT_EQ(settings, before);
    ASSERT_EQ(notes.texts.size(), 4u);
    EXPECT_EQ(notes.texts[0], "~r~Velmora~w~: Velmora.ini not found");
    // At the limit exactly, the file is read.
    const std::string full = dir.write("full.ini", large + std::string(kMaxSettingsFileBytes - large.size(), ';'));
    EXPECT_TRUE(loadSettingsFile(settings, notes.notifier(), full.c_str()));
    EXPECT_EQ(settings.firstPersonView.fov, 70.0f);
}

// A reload resets what the file lacks or gets wrong to its default, not to what came before.
TEST(LoadLifecycle, AReloadResetsAbsentAndBrokenKeysAndKeepsTheMenuOnlyField) {
    TempDir dir;
    SettingsRecord settings = loadText("[keyMappings]\nmenuKeyCode = 65\n");
    ASSERT_EQ(settings.keyMappings.menuKeyCode, 65);
    settings.firstPersonView.fov = 70.0f;  // as the menu left them
    settings.InertiaAffectsPitch = true;
    settings.thirdPersonView.perCamera.distance[Near] = 9.0f;
    const std::string path =
        dir.write("Velmora.ini", "[3rdPersonView]\ndistanceNear = 0.5\n[keyMappings]\nmenuKeyCode = F11\n");
    ASSERT_TRUE(loadSettingsFile(settings, {}, path.c_str()));
    EXPECT_EQ(settings.firstPersonView.fov, 59.0f);
    EXPECT_EQ(settings.keyMappings.menuKeyCode, 122);  // F11, not the 65 of the last load
    EXPECT_EQ(settings.thirdPersonView.perCamera.distance[Near], 0.5f);
    EXPECT_TRUE(settings.InertiaAffectsPitch);  // never loaded
}

}  // namespace
}  // namespace velmora
