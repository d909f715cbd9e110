#include "input/keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/fake_platform.h"

namespace velmora {
namespace {

using testing::FakePlatform;

TEST(KeyNames, EveryNameOfTheTableResolvesToItsCode) {
    // The table as its groups give it: names with codes, and the ranges that run in step.
    struct Expected {
        std::string name;
        std::int32_t code;
    };
    std::vector<Expected> expected = {
        {"LMB", 0x01}, {"RMB", 0x02}, {"CANCEL", 0x03}, {"MMB", 0x04}, {"XB1", 0x05}, {"XB2", 0x06},
        {"BACKSPACE", 0x08}, {"TAB", 0x09}, {"CLEAR", 0x0C}, {"RETURN", 0x0D}, {"ALT", 0x12},
        {"PAUSE", 0x13}, {"CAPSLOCK", 0x14}, {"ESCAPE", 0x1B}, {"SPACE", 0x20}, {"PAGEUP", 0x21},
        {"PAGEDOWN", 0x22}, {"END", 0x23}, {"HOME", 0x24}, {"LEFT", 0x25}, {"UP", 0x26},
        {"RIGHT", 0x27}, {"DOWN", 0x28}, {"SELECT", 0x29}, {"PRINT", 0x2A}, {"EXECUTE", 0x2B},
        {"PRINTSCREEN", 0x2C}, {"INSERT", 0x2D}, {"DELETE", 0x2E}, {"HELP", 0x2F},
        {"LWIN", 0x5B}, {"RWIN", 0x5C}, {"APPS", 0x5D}, {"SLEEP", 0x5F},
        {"*", 0x6A}, {"PLUS", 0x6B}, {",", 0x6C}, {"MINUS", 0x6D}, {".", 0x6E}, {"/", 0x6F},
        {"NUMLOCK", 0x90}, {"SCROLL", 0x91},
        {"LSHIFT", 0xA0}, {"RSHIFT", 0xA1}, {"LCTRL", 0xA2}, {"RCTRL", 0xA3}, {"LMENU", 0xA4}, {"RMENU", 0xA5},
        {"BROWSER_BACK", 0xA6}, {"BROWSER_FORWARD", 0xA7}, {"BROWSER_REFRESH", 0xA8}, {"BROWSER_STOP", 0xA9},
        {"BROWSER_SEARCH", 0xAA}, {"BROWSER_FAVORITES", 0xAB}, {"BROWSER_HOME", 0xAC}, {"VOLUME_MUTE", 0xAD},
        {"VOLUME_DOWN", 0xAE}, {"VOLUME_UP", 0xAF}, {"MEDIA_NEXT_TRACK", 0xB0}, {"MEDIA_PREV_TRACK", 0xB1},
        {"MEDIA_STOP", 0xB2}, {"MEDIA_PLAY_PAUSE", 0xB3}, {"LAUNCH_MAIL", 0xB4}, {"LAUNCH_MEDIA_SELECT", 0xB5},
        {"LAUNCH_APP1", 0xB6}, {"LAUNCH_APP2", 0xB7},
        {"PLAY", 0xFA}, {"ZOOM", 0xFB},
        {"VK_OEM_1", 0xBA}, {"VK_OEM_PLUS", 0xBB}, {"VK_OEM_COMMA", 0xBC}, {"VK_OEM_MINUS", 0xBD},
        {"VK_OEM_PERIOD", 0xBE}, {"VK_OEM_2", 0xBF}, {"VK_OEM_3", 0xC0}, {"VK_OEM_4", 0xDB},
        {"VK_OEM_5", 0xDC}, {"VK_OEM_6", 0xDD}, {"VK_OEM_7", 0xDE}, {"VK_OEM_8", 0xDF}, {"VK_OEM_102", 0xE2},
    };
    for (int i = 0; i <= 9; ++i) expected.push_back({"NUM" + std::to_string(i), 0x60 + i});
    for (int i = 1; i <= 24; ++i) {
        expected.push_back({"F" + std::to_string(i), 0x6F + i});
        expected.push_back({"VK_F" + std::to_string(i), 0x6F + i});
    }

    ASSERT_EQ(expected.size(), 139u);
    EXPECT_EQ(keyNameTable().size(), 139u);
    std::set<std::string> tableNames;
    for (const KeyName& k : keyNameTable()) tableNames.insert(std::string(k.name));
    for (const Expected& e : expected) {
        EXPECT_EQ(keyCodeOf(e.name), e.code) << e.name;
        EXPECT_EQ(tableNames.count(e.name), 1u) << e.name;
    }
}

TEST(KeyNames, LettersDigitsAndLookupRules) {
    struct Case {
        const char* name;
        std::int32_t code;
    };
    const Case cases[] = {
        {"A", 0x41}, {"Z", 0x5A}, {"B", 0x42}, {"0", 0x30}, {"9", 0x39},
        {"1", 0x31},      // the top-row digit, not the number pad's 0x61
        {"b", -1},        // lower-case letters are not matched
        {"F10", 0x79}, {"VK_F10", 0x79},
        {"PLUS", 0x6B}, {"VK_OEM_PLUS", 0xBB},
        {"*", 0x6A}, {",", 0x6C}, {".", 0x6E}, {"/", 0x6F},
        {"f10", -1}, {" F10", -1}, {"F10 ", -1},  // no case folding, no trimming
        {"", -1}, {"AB", -1}, {"F25", -1}, {"NUM10", -1}, {"-", -1}, {"ÄÖ", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(keyCodeOf(c.name), c.code) << '"' << c.name << '"';
}

struct KeyStateTest : ::testing::Test {
    FakePlatform fake;
    Platform platform = fake.table();
    KeyStateTable keys;
};

TEST_F(KeyStateTest, ReleaseFiresOnceOnTheFirstCallThatSeesTheKeyUp) {
    const std::int32_t b = 0x42;
    EXPECT_FALSE(keyReleased(platform, keys, b));  // never pressed
    fake.down[b] = true;
    EXPECT_FALSE(keyReleased(platform, keys, b));  // held
    EXPECT_FALSE(keyReleased(platform, keys, b));
    EXPECT_TRUE(isKeyDown(platform, b));
    fake.down[b] = false;
    EXPECT_TRUE(keyReleased(platform, keys, b));
    EXPECT_FALSE(keyReleased(platform, keys, b));  // exactly once
}

TEST_F(KeyStateTest, APressBetweenTwoCallsIsNeverSeen) {
    const std::int32_t f10 = 0x79;
    EXPECT_FALSE(keyReleased(platform, keys, f10));
    fake.down[f10] = true;   // pressed and released between two frames
    fake.down[f10] = false;
    EXPECT_FALSE(keyReleased(platform, keys, f10));
}

TEST_F(KeyStateTest, LosingTheFocusWhileHeldCountsAsRelease) {
    const std::int32_t one = 0x31;
    fake.down[one] = true;
    EXPECT_FALSE(keyReleased(platform, keys, one));
    fake.foreground = false;  // still held, but another window has the focus
    EXPECT_FALSE(isKeyDown(platform, one));
    EXPECT_TRUE(keyReleased(platform, keys, one));
    EXPECT_FALSE(keyReleased(platform, keys, one));
    // Back in focus with the key still held: a new press, released once more later.
    fake.foreground = true;
    EXPECT_FALSE(keyReleased(platform, keys, one));
    fake.down[one] = false;
    EXPECT_TRUE(keyReleased(platform, keys, one));
}

TEST_F(KeyStateTest, TwoSettingsNamingOneKeyShareItsLatch) {
    const std::int32_t toggle = keyCodeOf("F10");
    const std::int32_t reload = keyCodeOf("VK_F10");
    fake.down[0x79] = true;
    EXPECT_FALSE(keyReleased(platform, keys, toggle));
    EXPECT_FALSE(keyReleased(platform, keys, reload));
    fake.down[0x79] = false;
    EXPECT_TRUE(keyReleased(platform, keys, toggle));   // the first test of the frame sees it
    EXPECT_FALSE(keyReleased(platform, keys, reload));  // the second does not
}

TEST_F(KeyStateTest, CodesOutsideTheTableNeverReadAndNeverRelease) {
    const KeyStateTable before = keys;
    for (const std::int32_t code : {-1, -200, 256, 1000, 0x7fffffff}) {
        EXPECT_FALSE(isKeyDown(platform, code)) << code;
        EXPECT_FALSE(keyReleased(platform, keys, code)) << code;
    }
    EXPECT_EQ(fake.outOfRangeQueries, 0);
    EXPECT_EQ(keys.latched, before.latched);
    // The edges of the table are ordinary keys.
    fake.down[0] = fake.down[255] = true;
    EXPECT_TRUE(isKeyDown(platform, 0));
    EXPECT_TRUE(isKeyDown(platform, 255));
}

}  // namespace
}  // namespace velmora
