#include "input/keys.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/fake_platform.h"

namespace velmora {
namespace {

using testing::FakePlatform;

TEST(KeyNames, LettersDigitsTableNamesAndLookupRules) {
    struct Case {
        const char* name;
        std::int32_t code;
    };
    const Case cases[] = {
        // "1" is the top-row digit, not the number pad's 0x61; no case folding, no trimming.
        {"A", 0x41},  {"Z", 0x5A}, {"0", 0x30}, {"9", 0x39}, {"1", 0x31},   {"b", -1}, {"f10", -1}, {" F10", -1},
        {"F10 ", -1}, {"", -1},    {"AB", -1},  {"F25", -1}, {"NUM10", -1}, {"-", -1}, {"ÄÖ", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(keyCodeOf(c.name), c.code) << '"' << c.name << '"';
    // Every other name with its code, as the list of key names gives them: a mistyped name
    // or code in the table fails here.
    const std::string table =
        "LMB=01 RMB=02 CANCEL=03 MMB=04 XB1=05 XB2=06 BACKSPACE=08 TAB=09 CLEAR=0C RETURN=0D ALT=12 "
        "PAUSE=13 CAPSLOCK=14 ESCAPE=1B SPACE=20 PAGEUP=21 PAGEDOWN=22 END=23 HOME=24 LEFT=25 UP=26 "
        "RIGHT=27 DOWN=28 SELECT=29 PRINT=2A EXECUTE=2B PRINTSCREEN=2C INSERT=2D DELETE=2E HELP=2F "
        "LWIN=5B RWIN=5C APPS=5D SLEEP=5F *=6A PLUS=6B ,=6C MINUS=6D .=6E /=6F NUMLOCK=90 SCROLL=91 "
        "LSHIFT=A0 RSHIFT=A1 LCTRL=A2 RCTRL=A3 LMENU=A4 RMENU=A5 BROWSER_BACK=A6 BROWSER_FORWARD=A7 "
        "BROWSER_REFRESH=A8 BROWSER_STOP=A9 BROWSER_SEARCH=AA BROWSER_FAVORITES=AB BROWSER_HOME=AC "
        "VOLUME_MUTE=AD VOLUME_DOWN=AE VOLUME_UP=AF MEDIA_NEXT_TRACK=B0 MEDIA_PREV_TRACK=B1 "
        "MEDIA_STOP=B2 MEDIA_PLAY_PAUSE=B3 LAUNCH_MAIL=B4 LAUNCH_MEDIA_SELECT=B5 LAUNCH_APP1=B6 "
        "LAUNCH_APP2=B7 PLAY=FA ZOOM=FB VK_OEM_1=BA VK_OEM_PLUS=BB VK_OEM_COMMA=BC VK_OEM_MINUS=BD "
        "VK_OEM_PERIOD=BE VK_OEM_2=BF VK_OEM_3=C0 VK_OEM_4=DB VK_OEM_5=DC VK_OEM_6=DD VK_OEM_7=DE "
        "VK_OEM_8=DF VK_OEM_102=E2 ";
    std::istringstream names(table);
    int written = 0;
    for (std::string entry; names >> entry; ++written) {
        const auto equals = entry.find('=');
        EXPECT_EQ(keyCodeOf(entry.substr(0, equals)), std::stoi(entry.substr(equals + 1), nullptr, 16)) << entry;
    }
    EXPECT_EQ(written, 139 - 58);
    // The ranges that run in step.
    for (int i = 0; i <= 9; ++i) EXPECT_EQ(keyCodeOf("NUM" + std::to_string(i)), 0x60 + i) << i;
    for (int i = 1; i <= 24; ++i) {
        EXPECT_EQ(keyCodeOf("F" + std::to_string(i)), 0x6F + i) << i;
        EXPECT_EQ(keyCodeOf("VK_F" + std::to_string(i)), 0x6F + i) << i;
    }
    EXPECT_EQ(keyNameTable().size(), 139u);
}

struct KeyStateTest : ::testing::Test {
    FakePlatform fake;
    Platform platform = fake.table();
    KeyStateTable keys;
};

TEST_F(KeyStateTest, ReleaseFiresOnceOnTheFirstCallThatSeesTheKeyUpOrTheFocusGone) {
    // The B key held or not and the game in focus or not, then what one call sees.
    struct Step {
        bool held, focus, down, released;
    };
    const Step steps[] = {
        {false, true, false, false},                               // never pressed
        {true, true, true, false},   {true, true, true, false},    // held
        {false, true, false, true},  {false, true, false, false},  // let go: exactly once
        {true, true, true, false},   {true, false, false, true},   // still held, but another window has the focus
        {true, false, false, false}, {true, true, true, false},
        {false, true, false, true},  // back in focus, still held: a new press
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        fake.down[0x42] = steps[i].held;
        fake.foreground = steps[i].focus;
        EXPECT_EQ(isKeyDown(platform, 0x42), steps[i].down) << "step " << i;
        EXPECT_EQ(keyReleased(platform, keys, 0x42), steps[i].released) << "step " << i;
    }
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
