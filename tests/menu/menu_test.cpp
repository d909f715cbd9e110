// The settings menu: its pages, the navigation with its page stack and key repeat, the
// values it edits, and what it draws, checked against the layout written out here.
#include "menu/menu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "shell/velmora.h"
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
    // A key pressed for one frame, then released for one.
    void press(int key) {
        frame({key});
        frame();
    }
    const std::vector<sim::DrawCall>& draws() const { return world.log.draws; }

    sim::World world;
    sim::SimHost host{world};
    Velmora v;
};

constexpr int kF11 = 122, kUp = 38, kDown = 40, kLeft = 37, kRight = 39, kEnter = 13, kBack = 8;

TEST(MenuCatalogue, PagesRowsAndBindings) {
    SettingsRecord s;
    MenuPage items;
    items.title = "kept";
    struct Page { std::uint32_t id; const char* title; std::size_t rows; };
    const Page pages[] = {{0, "VELMORA", 3},         {1, "FIRST PERSON", 18},  {2, "PRESETS", 9},
                          {3, "THIRD PERSON", 4},    {4, "NEAR CAMERA", 13},   {5, "MEDIUM CAMERA", 13},
                          {6, "FAR CAMERA", 13},     {7, "FEEL AND TRACKING", 10}};
    for (const Page& p : pages) {
        buildMenuPage(s, p.id, items);
        EXPECT_EQ(items.title, p.title);
        EXPECT_EQ(items.size(), p.rows) << p.title;
    }
    items.title = "kept";
    buildMenuPage(s, 8, items);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(items.title, "kept");

    // The medium camera's page edits the medium camera's settings and nothing else.
    buildMenuPage(s, 5, items);
    const SettingsRecord before = s;
    *items[1].value += 0.5f;
    EXPECT_EQ(s.thirdPersonView.perCamera.distance[Medium], 1.7f);
    s.thirdPersonView.perCamera.distance[Medium] = before.thirdPersonView.perCamera.distance[Medium];
    EXPECT_EQ(s, before);
    // Its slot rows carry the codes of group 2 (save even, load odd), then its reset.
    const std::int32_t codes[] = {120, 121, 122, 123, 124, 125, 7};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(items[6 + i].code, codes[i]) << items[6 + i].label;
    EXPECT_EQ(items[8].label, "Save to my slot 2");
    EXPECT_EQ(items[9].label, "Load my slot 2");
    // Row 2 of page 7 flips InertiaAffectsPitch.
    buildMenuPage(s, 7, items);
    EXPECT_EQ(items[1].flag, &s.InertiaAffectsPitch);
}

TEST(MenuCatalogue, ValueTexts) {
    float value = 1.23456f;
    bool on = true;
    struct Case { MenuItem item; const char* text; };
    auto row = [&](MenuItemKind kind, float step) {
        MenuItem item;
        item.kind = kind;
        item.value = kind == MenuItemKind::Float ? &value : nullptr;
        item.flag = kind == MenuItemKind::Toggle ? &on : nullptr;
        item.step = step;
        return item;
    };
    const MenuItem link = row(MenuItemKind::PageLink, 0.01f), action = row(MenuItemKind::Action, 0.01f);
    const MenuItem fine = row(MenuItemKind::Float, 0.00005f), mid = row(MenuItemKind::Float, 0.002f);
    const MenuItem coarse = row(MenuItemKind::Float, 0.01f), half = row(MenuItemKind::Float, 0.5f);
    const MenuItem toggle = row(MenuItemKind::Toggle, 0.01f);
    const Case cases[] = {{link, ">"},        {action, ""},         {fine, "1.23456"}, {mid, "1.235"},
                          {coarse, "1.23"},   {half, "1.23"},       {toggle, "ON"}};
    for (const Case& c : cases) EXPECT_EQ(menuValueText(c.item).view(), c.text) << c.text;
    on = false;
    EXPECT_EQ(menuValueText(toggle).view(), "OFF");
    // Every float fits whole, decimals and sign included: 1e30 is the float
    // 1000000015047466219876688855040, and the widest, -FLT_MAX with five decimals, is 46 characters.
    value = -1e30f;
    EXPECT_EQ(menuValueText(coarse).view(), "-1000000015047466219876688855040.00");
    value = -std::numeric_limits<float>::max();
    EXPECT_EQ(menuValueText(fine).view(), "-340282346638528859811704183484516925440.00000");
}

TEST(MenuNavigation, OpensAtTheRootWrapsAndGoesBack) {
    MenuHarness h;
    MenuState& m = h.v.menu;
    h.press(kF11);
    ASSERT_TRUE(m.open);
    h.press(kUp);  // from row 0 to the last of 3
    EXPECT_EQ(m.selection, 2);
    h.press(kDown);
    EXPECT_EQ(m.selection, 0);
    // Into the first-person page and on to the presets: the stack remembers each row.
    h.press(kEnter);
    EXPECT_EQ(m.currentPage, 1u);
    h.press(kDown);
    h.press(kEnter);
    EXPECT_EQ(m.currentPage, 2u);
    EXPECT_EQ(m.depth, 2);
    h.press(kBack);
    EXPECT_EQ(m.currentPage, 1u);
    EXPECT_EQ(m.selection, 1);
    h.press(kBack);
    EXPECT_EQ(m.currentPage, 0u);
    EXPECT_EQ(m.selection, 0);
    h.press(kBack);  // on the root page Backspace closes
    EXPECT_FALSE(m.open);
    // Reopened, the menu starts at the root whatever it last showed.
    m.currentPage = 7;
    m.selection = 4;
    h.press(kF11);
    EXPECT_EQ(m.currentPage, 0u);
    EXPECT_EQ(m.selection, 0);
    // The typed trigger toggles it as well.
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
        EXPECT_EQ(m.depth, i);
        EXPECT_EQ(m.currentPage, 3u);
        EXPECT_EQ(m.selection, i % 4);
    }
    h.press(kBack);
    EXPECT_FALSE(m.open);
}

TEST(MenuNavigation, TheKeyRepeat) {
    // Holding for one second at 60 frames per second: a step at the press, then one each
    // time the repeat timer runs out once the hold passes 0.35 s: every 0.08 s, which the
    // frames make 5 (0.083 s). The first repeat falls on the 21st frame's hold of exactly
    // 0.35 s, which float sums may put on either side.
    MenuState m;
    std::vector<int> steps;
    for (int frame = 0; frame < 60; ++frame)
        if (menuStepDirection(m, false, frame == 0, false, true, 1.0f / 60.0f) != 0) steps.push_back(frame);
    ASSERT_EQ(steps.size(), 9u);
    EXPECT_EQ(steps[0], 0);
    EXPECT_TRUE(steps[1] == 20 || steps[1] == 21) << steps[1];
    for (std::size_t i = 2; i < steps.size(); ++i) EXPECT_EQ(steps[i] - steps[i - 1], 5);

    // With frames of 1/64 s: past 1.2 s every 0.03 s (2 frames), past 2.5 s every 0.01 s (each frame).
    MenuState longer;
    std::vector<int> fired;
    for (int frame = 0; frame < 170; ++frame)
        if (menuStepDirection(longer, frame == 0, false, true, false, 1.0f / 64.0f) == -1) fired.push_back(frame);
    EXPECT_EQ(fired[1], 22);   // 23/64 s > 0.35 s
    EXPECT_EQ(fired[2], 28);   // 0.08 s is 5.12 frames: the sixth
    EXPECT_NE(std::find(fired.begin(), fired.end(), 76), fired.end());   // 77/64 s > 1.2 s: from now on 0.03 s
    EXPECT_NE(std::find(fired.begin(), fired.end(), 78), fired.end());
    EXPECT_EQ(std::find(fired.begin(), fired.end(), 77), fired.end());
    for (int frame = 161; frame < 170; ++frame) EXPECT_NE(std::find(fired.begin(), fired.end(), frame), fired.end());

    // Both keys going down in one frame step up; letting go stops the repeat.
    MenuState both;
    EXPECT_EQ(menuStepDirection(both, true, true, true, true, 0.016f), 1);
    EXPECT_EQ(menuStepDirection(both, false, false, false, false, 0.016f), 0);
    EXPECT_EQ(both.holdTime, 0.0f);
}

TEST(MenuEditing, FloatsStepTogglesFlipAnyWay) {
    MenuHarness h;
    FirstPersonView& f = h.v.settings.firstPersonView;
    h.press(kF11);
    h.press(kEnter);  // first person page
    h.press(kDown);
    h.press(kDown);   // "Field of view", step 0.25
    h.press(kRight);
    h.press(kRight);
    h.press(kLeft);
    EXPECT_EQ(f.fov, 59.25f);
    for (int i = 0; i < 10; ++i) h.press(kDown);  // "Eye plane guard" (row 12)
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
    const std::vector<std::pair<std::int32_t, std::int32_t>> suppressed = {{0, 27},  {0, 188}, {0, 187}, {0, 189}, {0, 190},
                                                                           {0, 201}, {0, 202}, {0, 19},  {0, 37}};
    EXPECT_EQ(h.world.log.disabledControls, suppressed);
}

// One drawn call as the layout table has it.
struct Expected {
    sim::DrawCall::Kind kind;
    float x, y, width, height, scale;
    std::int32_t font;
    std::array<std::int32_t, 4> colour;
    bool outline;
    const char* text;
};

TEST(MenuDrawing, OneFrameOfTheRootPageFollowsTheLayout) {
    MenuHarness h;
    h.frame({kF11});
    using K = sim::DrawCall::Kind;
    const std::array<std::int32_t, 4> white{255, 255, 255, 255}, bar{15, 25, 40, 235};
    const std::array<std::int32_t, 4> selected{245, 245, 245, 230}, row{0, 0, 0, 165}, dark{10, 10, 10, 255};
    // Rows at y = 0.188 + 0.03 i; the footer at y = 0.188 + 0.03 × 3 = 0.278.
    const Expected layout[] = {
        {K::Rect, 0.16f, 0.14f, 0.26f, 0.055f, 0, 0, bar, false, ""},
        {K::Text, 0.038f, 0.123f, 0, 0, 0.42f, 1, white, true, "VELMORA"},
        {K::Rect, 0.16f, 0.201f, 0.26f, 0.03f, 0, 0, selected, false, ""},
        {K::Text, 0.04f, 0.188f, 0, 0, 0.3f, 0, dark, false, "First person settings"},
        {K::Text, 0.235f, 0.188f, 0, 0, 0.3f, 0, dark, false, ">"},
        {K::Rect, 0.16f, 0.231f, 0.26f, 0.03f, 0, 0, row, false, ""},
        {K::Text, 0.04f, 0.218f, 0, 0, 0.3f, 0, white, true, "Third person cameras"},
        {K::Text, 0.235f, 0.218f, 0, 0, 0.3f, 0, white, true, ">"},
        {K::Rect, 0.16f, 0.261f, 0.26f, 0.03f, 0, 0, row, false, ""},
        {K::Text, 0.04f, 0.248f, 0, 0, 0.3f, 0, white, true, "Save everything to the ini"},
        {K::Rect, 0.16f, 0.29f, 0.26f, 0.026f, 0, 0, bar, false, ""},
        {K::Text, 0.245f, 0.28f, 0, 0, 0.28f, 0, white, true, "1 / 3"},
        {K::Text, 0.04f, 0.28f, 0, 0, 0.28f, 0, white, true, "Arrows  Enter  Backspace"},
        {K::Rect, 0.16f, 0.328f, 0.26f, 0.042f, 0, 0, {0, 0, 0, 190}, false, ""},
        {K::Text, 0.04f, 0.314f, 0, 0, 0.26f, 0, white, true, "Field of view, camera position and feel inside the car"},
    };
    const auto& drawn = h.draws();
    ASSERT_EQ(drawn.size(), std::size(layout));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const sim::DrawCall& d = drawn[i];
        const Expected& e = layout[i];
        EXPECT_EQ(d.kind, e.kind) << i;
        EXPECT_NEAR(d.x, e.x, 1e-6f) << i;
        EXPECT_NEAR(d.y, e.y, 1e-6f) << i;
        EXPECT_EQ(d.colour, e.colour) << i;
        if (e.kind == K::Rect) {
            EXPECT_NEAR(d.width, e.width, 1e-6f) << i;
            EXPECT_NEAR(d.height, e.height, 1e-6f) << i;
        } else {
            EXPECT_EQ(d.text, e.text) << i;
            EXPECT_EQ(d.scale, e.scale) << i;
            EXPECT_EQ(d.font, e.font) << i;
            EXPECT_EQ(d.outline, e.outline) << i;
            EXPECT_FALSE(d.centre) << i;
            EXPECT_EQ(d.wrapStart, 0.0f) << i;
            EXPECT_EQ(d.wrapEnd, 1.0f) << i;
        }
    }
    // A status line comes last while its 2.5 s last; the timer runs on the wall clock.
    setMenuStatus(h.v.menu, "Preset 1 applied");
    h.frame();
    ASSERT_GE(h.draws().size(), 2u);
    const sim::DrawCall& statusBar = h.draws()[h.draws().size() - 2];
    EXPECT_EQ(statusBar.colour, (std::array<std::int32_t, 4>{20, 90, 40, 230}));
    EXPECT_NEAR(statusBar.y, 0.1f, 1e-6f);
    EXPECT_EQ(h.draws().back().text, "Preset 1 applied");
    EXPECT_NEAR(h.draws().back().y, 0.089f, 1e-6f);
    EXPECT_NEAR(h.v.menu.status.timer, 2.5f - h.v.clock.RealFrameSeconds, 1e-6f);
}

}  // namespace
}  // namespace velmora
