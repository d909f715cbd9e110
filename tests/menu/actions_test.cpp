// The menu's actions: presets and resets touch only their own fields; saving writes the 43
// values and keeps everything else of the file; the user slots round-trip; and no failure
// ever truncates the file or claims to have saved.
#include "menu/actions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "config/load.h"
#include "plugin/velmora.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::FakePlatform;
using testing::readFile;
using testing::TempDir;

// The plug-in, run in a fresh folder of its own where the actions find "Velmora.ini".
struct InFolder {
    TempDir dir;
    std::filesystem::path previous = std::filesystem::current_path();
    FakePlatform os;
    Velmora v;
    explicit InFolder(const std::string& ini = "", bool write = true) {
        std::filesystem::current_path(dir.path());
        if (write) std::ofstream(file(), std::ios::binary) << ini;
        v.platform = os.table();
    }
    ~InFolder() { std::filesystem::current_path(previous); }
    std::filesystem::path file() const { return dir.path() / "Velmora.ini"; }
    std::string status() const { return std::string(menuStatusText(v.menu)); }
};

// The fields of a group, in the order a slot writes them (yawOffset is not one): group 0
// first person, 1 to 3 the near, medium and far camera; and 4, the feel and tracking values.
const std::pair<const char*, float FirstPersonView::*> kFirstPersonSlot[] = {
    {"fov", &FirstPersonView::fov},
    {"heightOffset", &FirstPersonView::heightOffset},
    {"forwardOffset", &FirstPersonView::forwardOffset},
    {"sideOffset", &FirstPersonView::sideOffset},
    {"pitchOffset", &FirstPersonView::pitchOffset},
    {"rollOffset", &FirstPersonView::rollOffset},
    {"HeadFollowRate", &FirstPersonView::HeadFollowRate}};
using Cameras = PerCameraSettings;
const std::pair<const char*, PerCamera Cameras::*> kCameraSlot[] = {{"fov", &Cameras::fov},
                                                                    {"distance", &Cameras::distance},
                                                                    {"height", &Cameras::height},
                                                                    {"angle", &Cameras::angle},
                                                                    {"distanceOffset", &Cameras::distanceOffset},
                                                                    {"heightOffset", &Cameras::heightOffset}};

void setGroup(SettingsRecord& s, int group, const std::vector<float>& values) {
    FirstPersonView& f = s.firstPersonView;
    float* const feel[] = {&s.thirdPersonView.InertiaForce,
                           &f.ShakeTerrain,
                           &f.ShakeMaxOffset,
                           &f.ShakeRotation,
                           &f.LookWeight,
                           &f.RecenterTime,
                           &f.RecenterEase};
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (group == 0) f.*kFirstPersonSlot[j].second = values[j];
        if (group >= 1 && group <= 3) (s.thirdPersonView.perCamera.*kCameraSlot[j].second)[group - 1] = values[j];
        if (group == 4) *feel[j] = values[j];
    }
}

// Every field a preset, reset or slot may set, away from any value one of them gives; yawOffset
// and the switches the feel reset leaves alone away from their defaults.
SettingsRecord scrambled() {
    SettingsRecord s;
    for (int group = 0; group <= 4; ++group)
        setGroup(s, group, std::vector<float>(group == 0 || group == 4 ? 7 : 6, 9.0f));
    s.firstPersonView.yawOffset = 9.0f;
    s.firstPersonView.TerrainShake = false;
    s.InertiaAffectsPitch = true;
    return s;
}

// Each preset and reset sets its own values, touches nothing else (yawOffset, the other
// cameras, the shake switch, InertiaAffectsPitch) and says what it did; the first-person
// reset is preset 1, not the file defaults. Codes no row carries do nothing, not even a status.
TEST(MenuActions, EachPresetAndResetSetsItsValuesAndNothingElse) {
    struct Case {
        std::int32_t code;
        const char* status;
        int group;  // as setGroup; -1: nothing
        std::vector<float> values;
    };
    const Case cases[] = {
        {2, "Preset 1 applied", 0, {61, -0.036f, -0.05f, 0.01f, -6, -1.5f, 146.5f}},
        {3, "Preset 2 applied", 0, {59, -0.036f, -0.03f, 0.01f, -6.5f, -1.5f, 146.5f}},
        {4, "Preset 3 applied", 0, {55, 0, 0, 0.01f, -6.5f, -1.5f, 100}},
        {5, "First person reset", 0, {61, -0.036f, -0.05f, 0.01f, -6, -1.5f, 146.5f}},
        {6, "Near camera reset", 1, {77.5f, 0.4f, 0, 3.5f, 0, 0}},  // fov, distance, height, angle, offsets
        {7, "Medium camera reset", 2, {77.5f, 1.2f, 0.3f, 3.5f, 0, 0}},
        {8, "Far camera reset", 3, {77.5f, 2.0f, 0.55f, 3.5f, 0, 0}},
        {9, "Feel and tracking reset", 4, {1.0f, 0.00015f, 0.012f, 0.25f, 14, 1.6f, 2.0f}},
        {0, "", -1, {}},
        {10, "", -1, {}},
        {99, "", -1, {}},
        {106, "", -1, {}},
        {140, "", -1, {}},
    };
    for (const Case& c : cases) {
        Velmora v;
        v.settings = scrambled();
        SettingsRecord expected = scrambled();
        setGroup(expected, c.group, c.values);
        runMenuAction(v, c.code);
        EXPECT_EQ(v.settings, expected) << "code " << c.code;
        EXPECT_EQ(menuStatusText(v.menu), c.status) << "code " << c.code;
    }
}

TEST(SaveAll, WritesTheFortyThreeValuesAndKeepsTheRestOfTheFile) {
    InFolder p("[1stPersonView]\nfov = 70\nlookLeftAngle = 33\n[Preset.Near.Slot1]\ndistance = 2.5\n");
    p.v.settings.firstPersonView.fov = 61.0f;
    p.v.settings.InertiaAffectsPitch = true;
    p.v.settings.thirdPersonView.perCamera.angle[Far] = 7.25f;
    runMenuAction(p.v, 1);
    EXPECT_EQ(p.status(), "Settings saved to the ini");
    IniDocument saved;
    ASSERT_TRUE(loadIniFile(saved, p.file().string().c_str()));
    EXPECT_STREQ(saved.GetValue("1stPersonView", "fov"), "61.000000");
    EXPECT_STREQ(saved.GetValue("1stPersonView", "EyePlaneGuard"), "1");
    EXPECT_STREQ(saved.GetValue("3rdPersonView", "InertiaAffectsPitch"), "1");
    EXPECT_STREQ(saved.GetValue("1stPersonView", "lookLeftAngle"), "33");  // carried through
    EXPECT_STREQ(saved.GetValue("Preset.Near.Slot1", "distance"), "2.5");  // carried through
    EXPECT_EQ(saved.GetSectionSize("1stPersonView") + saved.GetSectionSize("3rdPersonView"), 43 + 1);  // lookLeftAngle
    const std::string text = readFile(p.file());  // the fov key kept its place, first in its section
    EXPECT_LT(text.find("fov = 61.000000"), text.find("lookLeftAngle"));
    SettingsRecord reloaded;  // a reload reads every saved value back
    ASSERT_TRUE(loadSettingsFile(reloaded, {}, p.file().string().c_str()));
    EXPECT_EQ(reloaded.firstPersonView.fov, 61.0f);
    EXPECT_EQ(reloaded.thirdPersonView.perCamera.angle[Far], 7.25f);
    EXPECT_EQ(reloaded.firstPersonView.lookLeftAngle, 33.0f);
}

TEST(SaveAll, KeepsAStrayLineAtTheTopAndTheCommentUnderItWithItsSection) {
    // A line the loader skips, first in the file (after a UTF-8 mark): the save writes it back
    // where it stood, and the comment under it stays the section's, saved after saved.
    InFolder p("\xEF\xBB\xBFmy settings\n; the keys\n\n[keyMappings]\nmenuKey = F11\n");
    runMenuAction(p.v, 1);
    EXPECT_EQ(p.status(), "Settings saved to the ini");
    const std::string first = readFile(p.file());
    EXPECT_EQ(first.rfind("my settings\n; the keys\n[keyMappings]\n", 0), 0u) << first;
    runMenuAction(p.v, 1);
    EXPECT_EQ(readFile(p.file()), first);
}

TEST(SaveAll, NeverTruncatesTheFileAndNeverClaimsASaveThatDidNotHappen) {
    const std::string original = "[1stPersonView]\nfov = 70\n; a note of the player's\n";
    const std::string utf16 = testing::asUtf16(original);
    const char *kNotWritten = "could not be written", *kNotRead = "could not be read";
    const auto none = [](InFolder&) {};
    struct Case {
        const char* what;
        void (*arrange)(InFolder&);
        std::string file;  // Velmora.ini as it is before the save
        const char* why;   // the end of both saves' status lines
    };
    const Case cases[] = {
        {"the file cannot be replaced", [](InFolder& p) { p.os.replaceFails = true; }, original, kNotWritten},
        {"the new file cannot be written",
         [](InFolder& p) { std::filesystem::create_directory(p.dir.path() / "Velmora.ini.tmp"); }, original,
         kNotWritten},
        {"the write fails midway", [](InFolder& p) { p.os.writeCutAfter = 20; }, original, kNotWritten},
        {"the disk is full", [](InFolder& p) { p.os.writeCutAfter = 0; }, original, kNotWritten},
        // Read-only as the OS tells it, whoever runs the test (root may write any file itself).
        {"the file is read-only", [](InFolder& p) { p.os.readOnly = true; }, original, kNotWritten},
        // Files that cannot be read whole: a save would write away what follows the break.
        {"a NUL byte", none, original + '\0' + "[input]\nmouseSensibility = 2\n", kNotRead},
        {"UTF-16 cut off mid-character", none, utf16 + "[", kNotRead},
        {"UTF-16 with half a surrogate pair", none, utf16 + "\x3D\xD8" + utf16.substr(2), kNotRead},
        {"UTF-16 without its mark", none, utf16.substr(2), kNotRead},
    };
    for (const Case& c : cases) {
        InFolder p(c.file);
        c.arrange(p);
        runMenuAction(p.v, 1);
        EXPECT_EQ(p.status(), std::string("Not saved: Velmora.ini ") + c.why) << c.what;
        runMenuAction(p.v, 104);
        EXPECT_EQ(p.status(), std::string("Slot 3 not saved: Velmora.ini ") + c.why) << c.what;
        EXPECT_EQ(readFile(p.file()), c.file) << c.what;
        EXPECT_FALSE(std::filesystem::is_regular_file(p.dir.path() / "Velmora.ini.tmp")) << c.what;
    }
    {
        // A settings file that is there but cannot be read is not replaced by one without its contents.
        InFolder unreadable("", false);
        std::filesystem::create_directory(unreadable.file());
        runMenuAction(unreadable.v, 1);
        EXPECT_EQ(unreadable.status(), "Not saved: Velmora.ini could not be read");
        EXPECT_TRUE(std::filesystem::is_directory(unreadable.file()));
    }
    {
        // The file vanishes after it was read and before the new one is in place: the new one
        // is whole, the player's note carried over from the read.
        InFolder vanishing(original);
        vanishing.os.vanishOnWrite = vanishing.file().string();
        runMenuAction(vanishing.v, 1);
        EXPECT_EQ(vanishing.status(), "Settings saved to the ini");
        const std::string saved = readFile(vanishing.file());
        EXPECT_NE(saved.find("; a note of the player's"), std::string::npos);
        EXPECT_NE(saved.find("ShakeRotation = "), std::string::npos);
    }
    // No file yet: a new one with the 43 values, in their order.
    InFolder fresh("", false);
    runMenuAction(fresh.v, 1);
    EXPECT_EQ(fresh.status(), "Settings saved to the ini");
    std::string keys;  // the file's keys and section headers in order
    std::istringstream text(readFile(fresh.file()));
    for (std::string line; std::getline(text, line);)
        if (const std::string key = line.substr(0, line.find_first_of(" =\r")); !key.empty()) keys += key + " ";
    EXPECT_EQ(keys,
              "[1stPersonView] fov heightOffset forwardOffset sideOffset pitchOffset yawOffset rollOffset "
              "HeadFollowRate MaxInertiaShift EyePlaneMargin EyePlaneGuard SpeedZoomAmount LookWeight RecenterTime "
              "RecenterEase TerrainShake ShakeTerrain ShakeMaxOffset ShakeRotation [3rdPersonView] fov cameraAngle "
              "distanceOffset heightOffset InertiaForce InertiaAffectsPitch distanceNear distanceMedium distanceFar "
              "heightNear heightMedium heightFar fovNear fovMedium fovFar angleNear angleMedium angleFar "
              "distanceOffsetNear distanceOffsetMedium distanceOffsetFar heightOffsetNear heightOffsetMedium "
              "heightOffsetFar ");
}

// The same refusal through the real permissions, for a user they bind (CI runs as root).
TEST(SaveAll, LeavesAReadOnlyFileAsItIs) {
    const std::string original = "[1stPersonView]\nfov = 70\n";
    InFolder p(original);
    std::filesystem::permissions(p.file(),
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (std::ofstream(p.file(), std::ios::app)) GTEST_SKIP() << "this user may write read-only files (root)";
    runMenuAction(p.v, 1);
    EXPECT_EQ(p.status(), "Not saved: Velmora.ini could not be written");
    runMenuAction(p.v, 104);
    EXPECT_EQ(p.status(), "Slot 3 not saved: Velmora.ini could not be written");
    EXPECT_EQ(readFile(p.file()), original);
}

TEST(UserSlots, SaveAndLoadEachGroup) {
    InFolder p("[1stPersonView]\nfov = 70\n[3rdPersonView]\nangleFar = 3\n");
    // Slot n of group g (0 first person, 1 near, 2 medium, 3 far) is saved by the code
    // 100 + 10g + 2(n - 1) and loaded by the next, in the section Preset.<group>.Slot<n>. Key j
    // of it holds 100n + 10j + (3 for first person, else g - 1) + 0.25, which "%f" writes as
    // "<that whole number>.250000".
    struct Slot {
        int group, n;
        std::int32_t save;
        std::string section;
    };
    std::vector<Slot> slots;
    const std::string names[] = {"FirstPerson", "Near", "Medium", "Far"};
    for (int g = 0; g < 4; ++g)
        for (int n = 1; n <= 3; ++n)
            slots.push_back({g, n, 100 + 10 * g + 2 * (n - 1), "Preset." + names[g] + ".Slot" + std::to_string(n)});
    auto whole = [](int g, int n, int j) { return 100 * n + 10 * j + (g == 0 ? 3 : g - 1); };
    auto values = [&](int g, int n) {
        std::vector<float> out;
        for (int j = 0; j < (g == 0 ? 7 : 6); ++j) out.push_back(static_cast<float>(whole(g, n, j)) + 0.25f);
        return out;
    };
    // Each slot saved from the defaults, then again from its own values, which replace the
    // first ones in place.
    for (const bool own : {false, true}) {
        for (const Slot& slot : slots) {
            p.v.settings = SettingsRecord{};
            for (int g = 0; own && g < 4; ++g) setGroup(p.v.settings, g, values(g, slot.n));
            runMenuAction(p.v, slot.save);
            EXPECT_EQ(p.status(), "Saved to slot " + std::to_string(slot.n)) << slot.section;
        }
    }
    IniDocument file;
    ASSERT_TRUE(loadIniFile(file, p.file().string().c_str()));
    CSimpleIniA::TNamesDepend sections;
    file.GetAllSections(sections);
    std::set<std::string> named, expected = {"1stPersonView", "3rdPersonView"};  // there before, kept
    for (const CSimpleIniA::Entry& section : sections) named.insert(section.pItem);
    for (const Slot& slot : slots) expected.insert(slot.section);
    EXPECT_EQ(named, expected);
    EXPECT_STREQ(file.GetValue("1stPersonView", "fov"), "70");
    EXPECT_STREQ(file.GetValue("3rdPersonView", "angleFar"), "3");
    const std::string text = readFile(p.file());
    for (const Slot& slot : slots) {
        const std::string header = "[" + slot.section + "]";
        EXPECT_EQ(text.find(header), text.rfind(header)) << slot.section;
        CSimpleIniA::TNamesDepend keys;
        file.GetAllKeys(slot.section.c_str(), keys);
        keys.sort(CSimpleIniA::Entry::LoadOrder());
        ASSERT_EQ(keys.size(), slot.group == 0 ? 7u : 6u) << slot.section;
        int j = 0;
        for (const CSimpleIniA::Entry& key : keys) {
            EXPECT_STREQ(key.pItem, slot.group == 0 ? kFirstPersonSlot[j].first : kCameraSlot[j].first);
            const std::string value = std::to_string(whole(slot.group, slot.n, j++)) + ".250000";
            EXPECT_EQ(file.GetValue(slot.section.c_str(), key.pItem), value) << slot.section << " " << key.pItem;
        }
        // Loading it sets the group's own fields (the far slot the far camera's) and nothing else.
        p.v.settings = scrambled();
        SettingsRecord loaded = scrambled();
        setGroup(loaded, slot.group, values(slot.group, slot.n));
        runMenuAction(p.v, slot.save + 1);
        EXPECT_EQ(p.v.settings, loaded) << slot.section;
        EXPECT_EQ(p.status(), "Slot " + std::to_string(slot.n) + " loaded") << slot.section;
    }
}

TEST(UserSlots, HandEditedCaseInsensitiveAndMissing) {
    InFolder p("[preset.near.slot1]\ndistance = 3.25\nfov = wide\n");
    SettingsRecord expected = p.v.settings;
    runMenuAction(p.v, 111);  // load near slot 1, written in lower case, with one good key
    EXPECT_EQ(p.status(), "Slot 1 loaded");
    expected.thirdPersonView.perCamera.distance[Near] = 3.25f;
    EXPECT_EQ(p.v.settings, expected);
    // A slot that was never saved, or no file at all: nothing changes, and the status says so.
    runMenuAction(p.v, 113);
    EXPECT_EQ(p.status(), "Slot 2 is empty: nothing loaded");
    std::filesystem::remove(p.file());
    runMenuAction(p.v, 111);
    EXPECT_EQ(p.status(), "Slot 1 not loaded: Velmora.ini could not be read");
    EXPECT_EQ(p.v.settings, expected);
}

}  // namespace
}  // namespace velmora
