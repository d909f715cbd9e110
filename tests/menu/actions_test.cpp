// The menu's actions: presets and resets touch only their own fields; saving writes the 43
// values and keeps everything else of the file; the user slots round-trip; and no failure
// ever truncates the file or claims to have saved.
#include "menu/actions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/load.h"
#include "config/save.h"
#include "shell/velmora.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::FakePlatform;
using testing::TempDir;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Runs in a fresh folder of its own, where the actions find "Velmora.ini".
class InFolder {
public:
    InFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(dir.path()); }
    ~InFolder() { std::filesystem::current_path(previous_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    std::filesystem::path file() const { return dir.path() / "Velmora.ini"; }
    TempDir dir;

private:
    std::filesystem::path previous_;
};

struct Plugin {
    FakePlatform os;
    Velmora v;
    Plugin() { v.platform = os.table(); }
};

TEST(MenuActions, PresetsAndResetsTouchOnlyTheirFields) {
    Plugin p;
    SettingsRecord& s = p.v.settings;
    s.firstPersonView.yawOffset = 3.0f;
    // Preset 2, then the first-person reset (which is preset 1, not the file defaults).
    runMenuAction(p.v, 3);
    EXPECT_EQ(menuStatusText(p.v.menu), "Preset 2 applied");
    EXPECT_EQ(s.firstPersonView.fov, 59.0f);
    EXPECT_EQ(s.firstPersonView.forwardOffset, -0.03f);
    SettingsRecord expected = s;
    runMenuAction(p.v, 5);
    expected.firstPersonView.fov = 61.0f;
    expected.firstPersonView.forwardOffset = -0.05f;
    expected.firstPersonView.pitchOffset = -6.0f;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.firstPersonView.yawOffset, 3.0f);
    EXPECT_EQ(menuStatusText(p.v.menu), "First person reset");
    runMenuAction(p.v, 4);
    EXPECT_EQ(s.firstPersonView.HeadFollowRate, 100.0f);
    EXPECT_EQ(s.firstPersonView.heightOffset, 0.0f);

    // The near camera reset: element 0 of each camera array, nothing else.
    PerCameraSettings& c = s.thirdPersonView.perCamera;
    for (PerCamera* a : {&c.distance, &c.height, &c.fov, &c.angle, &c.distanceOffset, &c.heightOffset}) a->fill(9.0f);
    runMenuAction(p.v, 6);
    EXPECT_EQ(c.distance, (PerCamera{0.4f, 9.0f, 9.0f}));
    EXPECT_EQ(c.height, (PerCamera{0.0f, 9.0f, 9.0f}));
    EXPECT_EQ(c.fov, (PerCamera{77.5f, 9.0f, 9.0f}));
    EXPECT_EQ(c.angle, (PerCamera{3.5f, 9.0f, 9.0f}));
    EXPECT_EQ(menuStatusText(p.v.menu), "Near camera reset");

    // Feel and tracking: its seven values, the shake switch and InertiaAffectsPitch as they were.
    s.firstPersonView.TerrainShake = false;
    s.InertiaAffectsPitch = true;
    runMenuAction(p.v, 9);
    EXPECT_EQ(s.firstPersonView.ShakeTerrain, 0.00015f);
    EXPECT_EQ(s.firstPersonView.ShakeMaxOffset, 0.012f);
    EXPECT_EQ(s.firstPersonView.ShakeRotation, 0.25f);
    EXPECT_FALSE(s.firstPersonView.TerrainShake);
    EXPECT_TRUE(s.InertiaAffectsPitch);

    // Codes no row carries do nothing, not even a status.
    p.v.menu.status = {};
    for (const std::int32_t code : {0, 10, 99, 106, 140}) runMenuAction(p.v, code);
    EXPECT_EQ(menuStatusText(p.v.menu), "");
}

TEST(SaveAll, WritesTheFortyThreeValuesAndKeepsTheRestOfTheFile) {
    InFolder folder;
    std::ofstream(folder.file(), std::ios::binary) << "[1stPersonView]\nfov = 70\nlookLeftAngle = 33\n"
                                                      "[Preset.Near.Slot1]\ndistance = 2.5\n";
    Plugin p;
    p.v.settings.firstPersonView.fov = 61.0f;
    p.v.settings.InertiaAffectsPitch = true;
    p.v.settings.thirdPersonView.perCamera.angle[Far] = 7.25f;
    runMenuAction(p.v, 1);
    EXPECT_EQ(menuStatusText(p.v.menu), "Settings saved to the ini");

    IniDocument saved;
    ASSERT_TRUE(loadIniFile(saved, folder.file().string().c_str()));
    EXPECT_STREQ(saved.GetValue("1stPersonView", "fov"), "61.000000");
    EXPECT_STREQ(saved.GetValue("1stPersonView", "EyePlaneGuard"), "1");
    EXPECT_STREQ(saved.GetValue("3rdPersonView", "InertiaAffectsPitch"), "1");
    EXPECT_STREQ(saved.GetValue("1stPersonView", "lookLeftAngle"), "33");   // carried through
    EXPECT_STREQ(saved.GetValue("Preset.Near.Slot1", "distance"), "2.5");  // carried through
    std::size_t written = 0;
    for (const char* section : {"1stPersonView", "3rdPersonView"}) {
        CSimpleIniA::TNamesDepend keys;
        saved.GetAllKeys(section, keys);
        written += keys.size();
    }
    EXPECT_EQ(written, 43u + 1u);  // and lookLeftAngle
    // The fov key kept its place, first in its section.
    const std::string text = readFile(folder.file());
    EXPECT_LT(text.find("fov = 61.000000"), text.find("lookLeftAngle"));

    // A reload reads every saved value back.
    SettingsRecord reloaded;
    ASSERT_TRUE(loadSettingsFile(reloaded, {}, folder.file().string().c_str()));
    EXPECT_EQ(reloaded.firstPersonView.fov, 61.0f);
    EXPECT_EQ(reloaded.thirdPersonView.perCamera.angle[Far], 7.25f);
    EXPECT_EQ(reloaded.firstPersonView.lookLeftAngle, 33.0f);
}

TEST(SaveAll, NeverTruncatesTheFileAndNeverClaimsASaveThatDidNotHappen) {
    const std::string original = "[1stPersonView]\nfov = 70\n; a note of the player's\n";
    const std::string utf16 = testing::asUtf16(original);
    const char* const kNotWritten = "could not be written";
    const char* const kNotRead = "could not be read";
    struct Case {
        const char* what;
        void (*arrange)(InFolder&, Plugin&);
        std::string file;  // Velmora.ini as it is before the save
        SaveResult result;
        const char* why;   // the end of both saves' status lines
    };
    const auto none = [](InFolder&, Plugin&) {};
    const Case cases[] = {
        {"the file cannot be replaced", [](InFolder&, Plugin& p) { p.os.replaceFails = true; }, original,
         SaveResult::NotWritten, kNotWritten},
        {"the new file cannot be written",
         [](InFolder& f, Plugin&) { std::filesystem::create_directory(f.dir.path() / "Velmora.ini.tmp"); }, original,
         SaveResult::NotWritten, kNotWritten},
        {"the write fails midway", [](InFolder&, Plugin& p) { p.os.writeCutAfter = 20; }, original,
         SaveResult::NotWritten, kNotWritten},
        {"the disk is full", [](InFolder&, Plugin& p) { p.os.writeCutAfter = 0; }, original, SaveResult::NotWritten,
         kNotWritten},
        // Read-only as the OS tells it, whoever runs the test (root may write any file itself).
        {"the file is read-only", [](InFolder&, Plugin& p) { p.os.readOnly = true; }, original,
         SaveResult::NotWritten, kNotWritten},
        // Files that cannot be read whole: a save would write away what follows the break.
        {"a NUL byte", none, original + '\0' + "[input]\nmouseSensibility = 2\n", SaveResult::NotReadable, kNotRead},
        {"UTF-16 cut off mid-character", none, utf16 + "[", SaveResult::NotReadable, kNotRead},
        {"UTF-16 with half a surrogate pair", none, utf16 + "\x3D\xD8" + utf16.substr(2), SaveResult::NotReadable,
         kNotRead},
        {"UTF-16 without its mark", none, utf16.substr(2), SaveResult::NotReadable, kNotRead},
    };
    for (const Case& c : cases) {
        InFolder folder;
        std::ofstream(folder.file(), std::ios::binary) << c.file;
        Plugin p;
        c.arrange(folder, p);
        EXPECT_EQ(saveAllSettingsFile(p.v.platform, p.v.settings), c.result) << c.what;
        runMenuAction(p.v, 1);
        EXPECT_EQ(menuStatusText(p.v.menu), std::string("Not saved: Velmora.ini ") + c.why) << c.what;
        runMenuAction(p.v, 104);
        EXPECT_EQ(menuStatusText(p.v.menu), std::string("Slot 3 not saved: Velmora.ini ") + c.why) << c.what;
        EXPECT_EQ(readFile(folder.file()), c.file) << c.what;
        EXPECT_FALSE(std::filesystem::is_regular_file(folder.dir.path() / "Velmora.ini.tmp")) << c.what;
    }

    {
        // A settings file that is there but cannot be read is not replaced by one without its contents.
        InFolder unreadable;
        std::filesystem::create_directory(unreadable.file());
        Plugin p;
        runMenuAction(p.v, 1);
        EXPECT_EQ(menuStatusText(p.v.menu), "Not saved: Velmora.ini could not be read");
        EXPECT_TRUE(std::filesystem::is_directory(unreadable.file()));
    }
    {
        // The file vanishes after it was read and before the new one is in place: the new one
        // is whole, the player's note carried over from the read.
        InFolder vanishing;
        std::ofstream(vanishing.file(), std::ios::binary) << original;
        Plugin p;
        p.os.vanishOnWrite = vanishing.file().string();
        runMenuAction(p.v, 1);
        EXPECT_EQ(menuStatusText(p.v.menu), "Settings saved to the ini");
        const std::string saved = readFile(vanishing.file());
        EXPECT_NE(saved.find("; a note of the player's"), std::string::npos);
        EXPECT_NE(saved.find("ShakeRotation = "), std::string::npos);
    }
    // No file yet: a new one with the 43 values.
    InFolder empty;
    Plugin fresh;
    runMenuAction(fresh.v, 1);
    EXPECT_EQ(menuStatusText(fresh.v.menu), "Settings saved to the ini");
    SettingsRecord reloaded;
    EXPECT_TRUE(loadSettingsFile(reloaded, {}, empty.file().string().c_str()));
}

// The same refusal through the real permissions, for a user they bind (CI runs as root).
TEST(SaveAll, LeavesAReadOnlyFileAsItIs) {
    InFolder folder;
    const std::string original = "[1stPersonView]\nfov = 70\n";
    std::ofstream(folder.file(), std::ios::binary) << original;
    std::filesystem::permissions(folder.file(), std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                    std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (std::ofstream(folder.file(), std::ios::app)) GTEST_SKIP() << "this user may write read-only files (root)";
    Plugin p;
    runMenuAction(p.v, 1);
    EXPECT_EQ(menuStatusText(p.v.menu), "Not saved: Velmora.ini could not be written");
    runMenuAction(p.v, 104);
    EXPECT_EQ(menuStatusText(p.v.menu), "Slot 3 not saved: Velmora.ini could not be written");
    EXPECT_EQ(readFile(folder.file()), original);
}

TEST(UserSlots, SaveAndLoadEachGroup) {
    InFolder folder;
    Plugin p;
    SettingsRecord& s = p.v.settings;
    // Slot 2 of the medium camera: the six keys of element 1.
    PerCameraSettings& c = s.thirdPersonView.perCamera;
    c.distance[Medium] = 1.5f;
    c.heightOffset[Medium] = -2.25f;
    c.distance[Near] = 0.7f;
    runMenuAction(p.v, 122);
    EXPECT_EQ(menuStatusText(p.v.menu), "Saved to slot 2");
    IniDocument file;
    ASSERT_TRUE(loadIniFile(file, folder.file().string().c_str()));
    EXPECT_STREQ(file.GetValue("Preset.Medium.Slot2", "distance"), "1.500000");
    EXPECT_STREQ(file.GetValue("Preset.Medium.Slot2", "heightOffset"), "-2.250000");
    CSimpleIniA::TNamesDepend keys;
    file.GetAllKeys("Preset.Medium.Slot2", keys);
    EXPECT_EQ(keys.size(), 6u);

    c.distance[Medium] = 9.0f;
    c.heightOffset[Medium] = 9.0f;
    runMenuAction(p.v, 123);
    EXPECT_EQ(menuStatusText(p.v.menu), "Slot 2 loaded");
    EXPECT_EQ(c.distance[Medium], 1.5f);
    EXPECT_EQ(c.heightOffset[Medium], -2.25f);
    EXPECT_EQ(c.distance[Near], 0.7f);

    // Saving the same slot again replaces its values in place: no second section.
    c.distance[Medium] = 1.75f;
    runMenuAction(p.v, 122);
    const std::string text = readFile(folder.file());
    EXPECT_EQ(text.find("[Preset.Medium.Slot2]"), text.rfind("[Preset.Medium.Slot2]"));
    EXPECT_NE(text.find("distance = 1.750000"), std::string::npos);

    // First person slot 1: seven values back, yawOffset untouched.
    FirstPersonView& f = s.firstPersonView;
    f.fov = 64.5f;
    f.HeadFollowRate = 20.0f;
    f.yawOffset = 1.0f;
    runMenuAction(p.v, 100);
    f.fov = 50.0f;
    f.HeadFollowRate = 1.0f;
    f.yawOffset = 2.0f;
    runMenuAction(p.v, 101);
    EXPECT_EQ(f.fov, 64.5f);
    EXPECT_EQ(f.HeadFollowRate, 20.0f);
    EXPECT_EQ(f.yawOffset, 2.0f);
    // Code 134 saves slot 3 of the far camera.
    runMenuAction(p.v, 134);
    EXPECT_EQ(menuStatusText(p.v.menu), "Saved to slot 3");
}

TEST(UserSlots, HandEditedCaseInsensitiveAndMissing) {
    InFolder folder;
    std::ofstream(folder.file(), std::ios::binary) << "[preset.near.slot1]\ndistance = 3.25\nfov = wide\n";
    Plugin p;
    const SettingsRecord before = p.v.settings;
    runMenuAction(p.v, 111);  // load near slot 1, written in lower case, with one good key
    EXPECT_EQ(menuStatusText(p.v.menu), "Slot 1 loaded");
    SettingsRecord expected = before;
    expected.thirdPersonView.perCamera.distance[Near] = 3.25f;
    EXPECT_EQ(p.v.settings, expected);
    // A slot that was never saved, or no file at all: nothing changes, and the status says so.
    runMenuAction(p.v, 113);
    EXPECT_EQ(menuStatusText(p.v.menu), "Slot 2 is empty: nothing loaded");
    std::filesystem::remove(folder.file());
    runMenuAction(p.v, 111);
    EXPECT_EQ(menuStatusText(p.v.menu), "Slot 1 not loaded: Velmora.ini could not be read");
    EXPECT_EQ(p.v.settings, expected);
}

}  // namespace
}  // namespace velmora
