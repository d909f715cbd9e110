// The settings menu: its pages, the navigation with its page stack and key repeat, the
// values it edits, and what it draws, checked against the layout written out here.
#include "menu/menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/velmora.h"
#include "sim/host.h"
#include "sim/scenario.h"

namespace velmora {
namespace {

// The menu alone in the simulated game: keys are held in the world, each frame runs the
// menu step, and the world records what it draws.
class MenuHarness {
public:
    MenuHarness() {
        sim::setUpWorld(world, sim::parseScenario("{}", "menu"));
        v.runtime = host.runtime();
        v.platform = host.platform();
    }
    // One frame with these keys held (virtual-key codes).
    void frame(std::initializer_list<int> held = {}) {
        sim::advanceWorld(world);
        world.keys.fill(false);
        for (const int key : held) world.keys[static_cast<std::size_t>(key)] = true;
        menuStep(v);
    }
    // Each key pressed for one frame, then released for one.
    void press(std::initializer_list<int> keys) {
        for (const int key : keys) {
            frame({key});
            frame();
        }
    }
    void press(int key) { press({key}); }
    const std::vector<sim::DrawCall>& draws() const { return world.log.draws; }

    sim::World world;
    sim::SimHost host{world};
    Velmora v;
};

constexpr int kF11 = 122, kUp = 38, kDown = 40, kLeft = 37, kRight = 39, kEnter = 13, kBack = 8;

// What a row is bound to in a record: the number a float row edits or the switch a toggle
// flips, of the camera the page is for (0 on the other pages).
struct Bound {
    float* value = nullptr;
    bool* flag = nullptr;
};
using Binding = Bound (*)(SettingsRecord&, std::size_t camera);
#define NUMBER(path) [](SettingsRecord& s, std::size_t) { return Bound{&s.path, nullptr}; }
#define SWITCH(path) [](SettingsRecord& s, std::size_t) { return Bound{nullptr, &s.path}; }
#define CAMERA(array) [](SettingsRecord& s, std::size_t i) { return Bound{&s.thirdPersonView.perCamera.array[i]}; }
#define FP(field) NUMBER(firstPersonView.field)
#define FP_SWITCH(field) SWITCH(firstPersonView.field)

// One row: kind 0 link, 1 number, 3 toggle, 4 action; bind null when the row binds nothing;
// code the page a link opens or the action a row runs, on the camera pages one per camera.
struct Row {
    const char* label;
    int kind;
    Binding bind;
    float step;
    std::array<std::int32_t, 3> code;
    const char* description;
};
constexpr float kNo = 0.01f;  // the step of a row that has none of its own
constexpr const char* kStores = "Stores the values above in the ini under your own slot";

// Written out by hand from the page layout players see, one line a row.
const Row kRootRows[] = {
    {"First person settings", 0, nullptr, kNo, {1}, "Field of view, camera position and feel inside the car"},
    {"Third person cameras", 0, nullptr, kNo, {3}, "The three distances cycled with V, and how they follow the car"},
    {"Save everything to the ini", 4, nullptr, kNo, {1}, "Writes the current values so they survive a restart"},
};
const Row kFirstPersonRows[] = {
    {"Use own first person camera",
     3,
     FP_SWITCH(UseOwnFirstPersonCamera),
     kNo,
     {},
     "Off hands first person back to the game. Everything below only applies when this is on"},
    {"Presets", 0, nullptr, kNo, {2}, "Ready made setups and your own saved slots"},
    {"Field of view", 1, FP(fov), 0.25f, {}, "How wide the view is. Higher shows more of the cabin"},
    {"Height offset", 1, FP(heightOffset), 0.002f, {}, "Raises or lowers the eyes"},
    {"Forward offset", 1, FP(forwardOffset), 0.002f, {}, "Negative pulls back from the wheel, positive leans in"},
    {"Side offset", 1, FP(sideOffset), 0.002f, {}, "Moves the eyes across the seat"},
    {"Pitch offset", 1, FP(pitchOffset), 0.1f, {}, "Tilts the view down or up without moving it"},
    {"Yaw offset", 1, FP(yawOffset), 0.1f, {}, "Turns the view sideways without moving it"},
    {"Roll offset", 1, FP(rollOffset), 0.1f, {}, "Leans the horizon"},
    {"Head follow rate", 1, FP(HeadFollowRate), 0.5f, {}, "How tightly the camera sticks to the head"},
    {"Max inertia shift", 1, FP(MaxInertiaShift), 0.002f, {}, "How far acceleration may push the camera"},
    {"Eye plane margin", 1, FP(EyePlaneMargin), 0.002f, {}, "Safety distance kept in front of the head"},
    {"Eye plane guard", 3, FP_SWITCH(EyePlaneGuard), kNo, {}, "Stops the camera slipping behind the head"},
    {"Speed zoom amount", 1, FP(SpeedZoomAmount), 0.5f, {}, "Extra field of view gained with speed"},
    {"Look weight", 1, FP(LookWeight), 0.5f, {}, "Lower feels heavier. This is the sense of mass when you look around"},
    {"Recenter time", 1, FP(RecenterTime), 0.05f, {}, "Seconds the view takes to drift back to its resting point"},
    {"Recenter ease", 1, FP(RecenterEase), 0.1f, {}, "Higher settles more softly at the end"},
    {"Reset to defaults", 4, nullptr, kNo, {5}, "Back to the tuned first person setup"},
};
const Row kPresetRows[] = {
    {"Preset 1  -  recommended", 4, nullptr, kNo, {2}, "fov 61, pulled back slightly, weighted tracking"},
    {"Preset 2  -  closer", 4, nullptr, kNo, {3}, "fov 59, a little nearer the wheel"},
    {"Preset 3  -  neutral", 4, nullptr, kNo, {4}, "fov 55, no offsets, closest to stock framing"},
    {"Save to my slot 1", 4, nullptr, kNo, {100}, kStores},
    {"Load my slot 1", 4, nullptr, kNo, {101}, ""},
    {"Save to my slot 2", 4, nullptr, kNo, {102}, kStores},
    {"Load my slot 2", 4, nullptr, kNo, {103}, ""},
    {"Save to my slot 3", 4, nullptr, kNo, {104}, kStores},
    {"Load my slot 3", 4, nullptr, kNo, {105}, ""},
};
const Row kThirdPersonRows[] = {
    {"Near camera", 0, nullptr, kNo, {4}, "The first view after first person"},
    {"Medium camera", 0, nullptr, kNo, {5}, ""},
    {"Far camera", 0, nullptr, kNo, {6}, ""},
    {"Feel and tracking", 0, nullptr, kNo, {7}, "Inertia, terrain, weight and how the camera follows the car"},
};
const Row kCameraRows[] = {
    // near, medium and far
    {"Field of view", 1, CAMERA(fov), 0.5f, {}, "This camera has its own field of view"},
    {"Distance", 1, CAMERA(distance), 0.02f, {}, "Higher moves this camera further behind the car"},
    {"Height", 1, CAMERA(height), 0.01f, {}, "Moves the camera itself up or down, keeping its distance"},
    {"Camera angle", 1, CAMERA(angle), 0.1f, {}, "Raise it to look further down the road from this camera"},
    {"Distance offset", 1, CAMERA(distanceOffset), 0.01f, {}, "Fine trim on top of the distance above"},
    {"Aim up or down",
     1,
     CAMERA(heightOffset),
     0.25f,
     {},
     "Tilts the view without moving the camera. Positive looks up, negative looks down"},
    {"Save to my slot 1", 4, nullptr, kNo, {110, 120, 130}, kStores},
    {"Load my slot 1", 4, nullptr, kNo, {111, 121, 131}, ""},
    {"Save to my slot 2", 4, nullptr, kNo, {112, 122, 132}, kStores},
    {"Load my slot 2", 4, nullptr, kNo, {113, 123, 133}, ""},
    {"Save to my slot 3", 4, nullptr, kNo, {114, 124, 134}, kStores},
    {"Load my slot 3", 4, nullptr, kNo, {115, 125, 135}, ""},
    {"Reset this camera", 4, nullptr, kNo, {6, 7, 8}, ""},
};
const Row kFeelRows[] = {
    {"Inertia force",
     1,
     NUMBER(thirdPersonView.InertiaForce),
     0.05f,
     {},
     "How much the camera swings with acceleration and cornering"},
    {"Inertia affects pitch",
     3,
     SWITCH(InertiaAffectsPitch),
     kNo,
     {},
     "Lets the inertia tilt the view as well as move it"},
    {"Terrain shake", 3, FP_SWITCH(TerrainShake), kNo, {}, "Vibration over potholes, kerbs and rough ground"},
    {"Terrain shake amount", 1, FP(ShakeTerrain), 0.00005f, {}, "How hard bumps hit the camera"},
    {"Shake limit", 1, FP(ShakeMaxOffset), 0.002f, {}, "The shake never moves the camera further than this"},
    {"Shake rotation", 1, FP(ShakeRotation), 0.05f, {}, "How much bumps also pitch the view"},
    {"Look weight", 1, FP(LookWeight), 0.5f, {}, "Lower feels heavier when you look around"},
    {"Recenter time", 1, FP(RecenterTime), 0.05f, {}, ""},
    {"Recenter ease", 1, FP(RecenterEase), 0.1f, {}, ""},
    {"Reset feel and tracking", 4, nullptr, kNo, {9}, ""},
};

// Every page in turn into the same list (which each build empties first): its title and each
// row's every field; building changes no setting; a page above 7 gives no rows and leaves the title.
TEST(MenuCatalogue, EveryRowOfEveryPage) {
    struct Page {
        std::uint32_t id;
        const char* title;
        std::span<const Row> rows;
        std::size_t camera;
    };
    const Page pages[] = {{0, "VELMORA", kRootRows, 0},       {1, "FIRST PERSON", kFirstPersonRows, 0},
                          {2, "PRESETS", kPresetRows, 0},     {3, "THIRD PERSON", kThirdPersonRows, 0},
                          {4, "NEAR CAMERA", kCameraRows, 0}, {5, "MEDIUM CAMERA", kCameraRows, 1},
                          {6, "FAR CAMERA", kCameraRows, 2},  {7, "FEEL AND TRACKING", kFeelRows, 0}};
    SettingsRecord s;
    MenuPage page;
    for (const Page& p : pages) {
        buildMenuPage(s, p.id, page);
        EXPECT_EQ(page.title, p.title);
        ASSERT_EQ(page.size(), p.rows.size()) << p.title;
        for (std::size_t i = 0; i < page.size(); ++i) {
            const MenuItem& item = page[i];
            const Row& row = p.rows[i];
            SCOPED_TRACE(std::string(p.title) + " row " + std::to_string(i + 1) + " " + row.label);
            const Bound bound = row.bind != nullptr ? row.bind(s, p.camera) : Bound{};
            EXPECT_EQ(item.label, row.label);
            EXPECT_EQ(static_cast<int>(item.kind), row.kind);
            EXPECT_EQ(item.value, bound.value);
            EXPECT_EQ(item.flag, bound.flag);
            EXPECT_EQ(item.step, row.step);
            EXPECT_EQ(item.code, row.code[p.camera]);
            EXPECT_EQ(item.description, row.description);
        }
    }
    EXPECT_EQ(s, SettingsRecord{});
    buildMenuPage(s, 8, page);
    EXPECT_TRUE(page.empty());
    EXPECT_EQ(page.title, "FEEL AND TRACKING");
}

// Five decimals for a step below 0.001, three below 0.01, else two. Every float fits whole: 1e30
// is the float 1000000015047466219876688855040, and -FLT_MAX with five decimals is 46 characters.
TEST(MenuCatalogue, ValueTexts) {
    using enum MenuItemKind;
    struct Case {
        MenuItemKind kind;
        float value, step;
        bool on;
        const char* text;
    };
    for (Case c : {Case{PageLink, 1, 0.01f, true, ">"}, Case{Action, 1, 0.01f, true, ""},
                   Case{Toggle, 1, 0.01f, true, "ON"}, Case{Toggle, 1, 0.01f, false, "OFF"},
                   Case{Float, 1.23456f, 0.00005f, true, "1.23456"}, Case{Float, 1.23456f, 0.002f, true, "1.235"},
                   Case{Float, 1.23456f, 0.01f, true, "1.23"}, Case{Float, 1.23456f, 0.5f, true, "1.23"},
                   Case{Float, -1e30f, 0.01f, true, "-1000000015047466219876688855040.00"},
                   Case{Float, -std::numeric_limits<float>::max(), 0.00005f, true,
                        "-340282346638528859811704183484516925440.00000"}}) {
        MenuItem item;
        item.kind = c.kind;
        item.value = c.kind == Float ? &c.value : nullptr;
        item.flag = c.kind == Toggle ? &c.on : nullptr;
        item.step = c.step;
        EXPECT_EQ(menuValueText(item).view(), c.text);
    }
}

TEST(MenuNavigation, OpensAtTheRootWrapsAndGoesBack) {
    MenuHarness h;
    MenuState& m = h.v.menu;
    // Each press and where it leaves the menu: Up and Down wrap on the root page (3 rows), Enter
    // goes to the first-person page and on to its "Presets" (row 1), Backspace returns row by
    // row and closes the menu from the root.
    struct Step {
        int key;
        bool open;
        std::uint32_t page;
        std::int32_t selection, depth;
    };
    const Step steps[] = {{kF11, true, 0, 0, 0},   {kUp, true, 0, 2, 0},   {kDown, true, 0, 0, 0},
                          {kEnter, true, 1, 0, 1}, {kDown, true, 1, 1, 1}, {kEnter, true, 2, 0, 2},
                          {kBack, true, 1, 1, 1},  {kBack, true, 0, 0, 0}, {kBack, false, 0, 0, 0}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        h.press(s.key);
        EXPECT_EQ(std::tuple(m.open, m.currentPage, m.selection, m.depth),
                  std::tuple(s.open, s.page, s.selection, s.depth))
            << "step " << i;
    }
    // Reopened, the menu starts at the root with an empty stack whatever it last showed; the
    // typed trigger closes it.
    m.currentPage = 7;
    m.selection = 4;
    m.depth = 3;
    h.press(kF11);
    EXPECT_EQ(std::tuple(m.open, m.currentPage, m.selection, m.depth), std::tuple(true, 0u, 0, 0));
    h.world.typedCheat = sim::textHash("cpc");
    h.frame();
    EXPECT_FALSE(m.open);
}

TEST(MenuNavigation, DeeperThanSevenStillNavigatesButIsNotRemembered) {
    MenuHarness h;
    MenuState& m = h.v.menu;
    h.press(kF11);
    m.depth = 7;
    for (int i = 0; i < 7; ++i) m.pageStack[static_cast<std::size_t>(i)] = {3, static_cast<std::int32_t>(i % 4)};
    h.press(kEnter);  // "First person settings"
    EXPECT_EQ(m.currentPage, 1u);
    EXPECT_EQ(m.depth, 7);
    for (int i = 6; i >= 0; --i) {
        h.press(kBack);
        EXPECT_EQ(std::tuple(m.depth, m.currentPage, m.selection), std::tuple(i, 3u, i % 4));
    }
    h.press(kBack);
    EXPECT_FALSE(m.open);
}

// The frames of a hold of Left, Right or both (pressed on frame 0) that step, as frame * 10 + 1
// for Right and frame * 10 - 1 for Left.
std::vector<int> repeats(bool left, bool right, float seconds, int frames) {
    MenuState m;
    std::vector<int> out;
    for (int frame = 0; frame < frames; ++frame)
        if (const int d = menuStepDirection(m, left && frame == 0, right && frame == 0, left, right, seconds))
            out.push_back(frame * 10 + d);
    return out;
}

TEST(MenuNavigation, TheKeyRepeat) {
    // Right held for one second at 60 frames per second: a step at the press, then one each
    // time the repeat timer runs out once the hold passes 0.35 s: every 0.08 s, which the
    // frames make 5 (0.083 s). The first repeat falls on the 21st frame's hold of exactly
    // 0.35 s, which float sums may put on either side.
    const std::vector<int> right = repeats(false, true, 1.0f / 60.0f, 60);
    ASSERT_EQ(right.size(), 9u);
    EXPECT_EQ(right[0], 1);
    EXPECT_TRUE(right[1] == 201 || right[1] == 211) << right[1];
    for (std::size_t i = 2; i < right.size(); ++i) EXPECT_EQ(right[i] - right[i - 1], 50);
    // Left with frames of 1/64 s: the first repeat at 23/64 s > 0.35 s, the next 0.08 s (5.12
    // frames) on; past 1.2 s (77/64 s) every 0.03 s (2 frames), past 2.5 s every frame.
    const std::vector<int> left = repeats(true, false, 1.0f / 64.0f, 170);
    auto steps = [&left](int frame) { return std::ranges::count(left, frame * 10 - 1) == 1; };
    EXPECT_EQ(std::vector<int>(left.begin(), left.begin() + 3), (std::vector<int>{-1, 219, 279}));
    EXPECT_TRUE(steps(76) && !steps(77) && steps(78));
    for (int frame = 161; frame < 170; ++frame) EXPECT_TRUE(steps(frame)) << frame;
    // Both going down in one frame step as Right; both held repeat as Left.
    EXPECT_EQ(repeats(true, true, 1.0f / 60.0f, 30), (std::vector<int>{1, right[1] - 2, right[2] - 2}));
    // Letting go stops the repeat.
    MenuState both;
    EXPECT_EQ(menuStepDirection(both, true, true, true, true, 0.016f), 1);
    EXPECT_EQ(menuStepDirection(both, false, false, false, false, 0.016f), 0);
    EXPECT_EQ(both.holdTime, 0.0f);
}

TEST(MenuEditing, FloatsStepTogglesFlipAnyWay) {
    MenuHarness h;
    FirstPersonView& f = h.v.settings.firstPersonView;
    h.press({kF11, kEnter, kDown, kDown});  // first person page, "Field of view", step 0.25
    h.press({kRight, kRight, kLeft});
    EXPECT_EQ(f.fov, 59.25f);
    h.press({kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown});  // "Eye plane guard" (row 12)
    ASSERT_EQ(h.v.menu.selection, 12);
    h.press(kLeft);  // Left flips a toggle as Right and Enter do
    EXPECT_FALSE(f.EyePlaneGuard);
    h.press(kEnter);
    EXPECT_TRUE(f.EyePlaneGuard);
}

TEST(MenuKeys, AMenuKeyCodeOutsideTheKeyTableNeverPresses) {
    for (const std::int32_t code : {-5, 256, 100000}) {
        MenuHarness h;
        h.v.settings.keyMappings.menuKeyCode = code;
        h.world.keys.fill(true);  // every key the game has is held
        menuStep(h.v);
        EXPECT_FALSE(h.v.menu.open) << code;
    }
}

TEST(MenuKeys, TheGameIgnoresTheMenusKeysOnlyWhileItIsOpen) {
    MenuHarness h;
    h.frame();
    EXPECT_TRUE(h.world.log.disabledControls.empty());
    h.frame({kF11});
    const std::vector<std::pair<std::int32_t, std::int32_t>> suppressed = {
        {0, 27}, {0, 188}, {0, 187}, {0, 189}, {0, 190}, {0, 201}, {0, 202}, {0, 19}, {0, 37}};
    EXPECT_EQ(h.world.log.disabledControls, suppressed);
}

// A drawn call as the layout table gives it, fractions to four places: a rectangle's centre,
// size and colour; a text's place, scale, font, colour, shadow and words (wrapped or centred
// would be the menu's fault: it never asks for either).
std::string described(const sim::DrawCall& d) {
    char out[256];
    const auto& c = d.colour;
    auto f = [](float value) { return static_cast<double>(value); };
    if (d.kind == sim::DrawCall::Kind::Rect) {
        std::snprintf(out, sizeof out, "rect %.4f %.4f %.4f %.4f %d,%d,%d,%d", f(d.x), f(d.y), f(d.width), f(d.height),
                      c[0], c[1], c[2], c[3]);
    } else {
        const bool laidOut = d.centre || d.wrapStart != 0.0f || d.wrapEnd != 1.0f;
        std::snprintf(out, sizeof out, "text %.4f %.4f %.2f %d %d,%d,%d,%d%s%s %s", f(d.x), f(d.y), f(d.scale), d.font,
                      c[0], c[1], c[2], c[3], d.outline ? " shadow" : "", laidOut ? " wrapped" : "", d.text.c_str());
    }
    return out;
}

TEST(MenuDrawing, OneFrameOfTheRootPageFollowsTheLayout) {
    MenuHarness h;
    h.frame({kF11});
    // Rows at y = 0.188 + 0.03 i, the selected one light with dark text; the footer at
    // y = 0.188 + 0.03 × 3 = 0.278, its texts 0.002 below; the description 0.05 below that.
    const std::vector<std::string> layout = {
        "rect 0.1600 0.1400 0.2600 0.0550 15,25,40,235",
        "text 0.0380 0.1230 0.42 1 255,255,255,255 shadow VELMORA",
        "rect 0.1600 0.2010 0.2600 0.0300 245,245,245,230",
        "text 0.0400 0.1880 0.30 0 10,10,10,255 First person settings",
        "text 0.2350 0.1880 0.30 0 10,10,10,255 >",
        "rect 0.1600 0.2310 0.2600 0.0300 0,0,0,165",
        "text 0.0400 0.2180 0.30 0 255,255,255,255 shadow Third person cameras",
        "text 0.2350 0.2180 0.30 0 255,255,255,255 shadow >",
        "rect 0.1600 0.2610 0.2600 0.0300 0,0,0,165",
        "text 0.0400 0.2480 0.30 0 255,255,255,255 shadow Save everything to the ini",
        "rect 0.1600 0.2900 0.2600 0.0260 15,25,40,235",
        "text 0.2450 0.2800 0.28 0 255,255,255,255 shadow 1 / 3",
        "text 0.0400 0.2800 0.28 0 255,255,255,255 shadow Arrows  Enter  Backspace",
        "rect 0.1600 0.3280 0.2600 0.0420 0,0,0,190",
        "text 0.0400 0.3140 0.26 0 255,255,255,255 shadow Field of view, camera position and feel inside the car",
    };
    std::vector<std::string> drawn;
    for (const sim::DrawCall& d : h.draws()) drawn.push_back(described(d));
    EXPECT_EQ(drawn, layout);
    // A status line comes last while its 2.5 s last; the timer runs on the wall clock.
    setMenuStatus(h.v.menu, "Preset 1 applied");
    h.frame();
    ASSERT_GE(h.draws().size(), 2u);
    EXPECT_EQ(described(h.draws()[h.draws().size() - 2]), "rect 0.1600 0.1000 0.2600 0.0300 20,90,40,230");
    EXPECT_EQ(described(h.draws().back()), "text 0.0400 0.0890 0.30 0 255,255,255,255 shadow Preset 1 applied");
    EXPECT_NEAR(h.v.menu.status.timer, 2.5f - h.v.clock.RealFrameSeconds, 1e-6f);
}

}  // namespace
}  // namespace velmora
