#include "menu/menu.h"

#include <cstdio>
#include <cstring>

#include "menu/actions.h"
#include "plugin/velmora.h"

namespace velmora {
namespace {

// Virtual-key codes of the menu's own keys.
constexpr std::int32_t kUpKey = 38, kDownKey = 40, kLeftKey = 37, kRightKey = 39, kEnterKey = 13, kBackKey = 8;
// The game's controls that share the menu's keys; it must not act on them while the menu is open.
constexpr std::int32_t kSuppressedControls[] = {27, 188, 187, 189, 190, 201, 202, 19, 37};
constexpr float kRepeatDelay = 0.35f;  // seconds before a held key repeats

struct Colour {
    std::int32_t r, g, b, a;
};
constexpr Colour kWhite{255, 255, 255, 255};
constexpr Colour kBar{15, 25, 40, 235};
constexpr Colour kSelectedRow{245, 245, 245, 230};
constexpr Colour kRow{0, 0, 0, 165};
constexpr Colour kSelectedText{10, 10, 10, 255};
constexpr Colour kDescription{0, 0, 0, 190};
constexpr Colour kStatusBar{20, 90, 40, 230};
constexpr float kLeft = 0.16f, kWidth = 0.26f;  // every rectangle's centre x and width
constexpr float kFirstRowY = 0.188f, kRowHeight = 0.03f;

bool held(const Velmora& v, std::int32_t code) { return v.platform.getAsyncKeyState(code) < 0; }

// A key that is held now and was not when last read. Codes outside 0..255 (a menu key code
// from the file) never press and never reach the latch.
bool pressEdge(Velmora& v, std::int32_t code, bool isHeld) {
    if (code < 0 || code > 255) return false;
    std::uint8_t& latch = v.menu.keyLatch[static_cast<std::size_t>(code)];
    const bool edge = isHeld && latch == 0;
    latch = isHeld ? 1 : 0;
    return edge;
}

bool pressEdge(Velmora& v, std::int32_t code) { return code >= 0 && code <= 255 && pressEdge(v, code, held(v, code)); }

void drawText(const Velmora& v, float x, float y, float scale, const char* text, std::int32_t font, Colour c,
              bool outline) {
    const HostRuntime& rt = v.runtime;
    invoke(rt, natives::setTextFont, font);
    invoke(rt, natives::setTextScale, scale, scale);
    invoke(rt, natives::setTextColour, c.r, c.g, c.b, c.a);
    invoke(rt, natives::setTextWrap, 0.0f, 1.0f);
    invoke(rt, natives::setTextCentred, false);
    if (outline) invoke(rt, natives::setTextOutline);
    invoke(rt, natives::beginTextDraw, "STRING");
    invoke(rt, natives::addText, text);
    invoke(rt, natives::endTextDraw, x, y, 0);
}

void drawRect(const Velmora& v, float y, float height, Colour c) {
    invoke(v.runtime, natives::drawRectangle, kLeft, y, kWidth, height, c.r, c.g, c.b, c.a, false);
}

void drawMenu(const Velmora& v) {
    const MenuState& m = v.menu;
    drawRect(v, 0.14f, 0.055f, kBar);
    // The catalogue's texts are literals, so each view's data() is NUL-terminated.
    drawText(v, 0.038f, 0.123f, 0.42f, m.page.title.data(), 1, kWhite, true);
    const auto n = static_cast<std::int32_t>(m.page.size());
    for (std::int32_t i = 0; i < n; ++i) {
        const float y = kFirstRowY + kRowHeight * static_cast<float>(i);
        const bool selected = i == m.selection;
        drawRect(v, y + 0.013f, kRowHeight, selected ? kSelectedRow : kRow);
        const Colour text = selected ? kSelectedText : kWhite;
        const MenuItem& item = m.page[static_cast<std::size_t>(i)];
        drawText(v, 0.04f, y, 0.3f, item.label.data(), 0, text, !selected);
        const MenuValueText value = menuValueText(item);
        if (!value.view().empty()) drawText(v, 0.235f, y, 0.3f, value.c_str(), 0, text, !selected);
    }
    const float y = kFirstRowY + kRowHeight * static_cast<float>(n);
    drawRect(v, y + 0.012f, 0.026f, kBar);
    char counter[32];
    std::snprintf(counter, sizeof counter, "%d / %d", m.selection + 1, n);
    drawText(v, 0.245f, y + 0.002f, 0.28f, counter, 0, kWhite, true);
    drawText(v, 0.04f, y + 0.002f, 0.28f, "Arrows  Enter  Backspace", 0, kWhite, true);
    if (m.selection < n && !m.page[static_cast<std::size_t>(m.selection)].description.empty()) {
        drawRect(v, y + 0.05f, 0.042f, kDescription);
        drawText(v, 0.04f, y + 0.036f, 0.26f, m.page[static_cast<std::size_t>(m.selection)].description.data(), 0,
                 kWhite, true);
    }
    if (m.status.timer > 0.0f) {
        drawRect(v, 0.1f, 0.03f, kStatusBar);
        drawText(v, 0.04f, 0.089f, 0.3f, m.status.text.data(), 0, kWhite, true);
    }
}

void buildPage(Velmora& v) { buildMenuPage(v.settings, v.menu.currentPage, v.menu.page); }

}  // namespace

void setMenuStatus(MenuState& menu, const char* text) {
    std::snprintf(menu.status.text.data(), menu.status.text.size(), "%s", text);
    menu.status.timer = kMenuStatusSeconds;
}

std::string_view menuStatusText(const MenuState& menu) { return menu.status.text.data(); }

int menuStepDirection(MenuState& m, bool leftPressed, bool rightPressed, bool leftHeld, bool rightHeld, float seconds) {
    int d = 0;
    if (leftPressed) {
        m.holdTime = 0.0f;
        m.repeatTimer = 0.0f;
        d = -1;
    }
    if (rightPressed) {  // Right wins when both go down in the same frame
        m.holdTime = 0.0f;
        m.repeatTimer = 0.0f;
        d = 1;
    }
    if (!leftHeld && !rightHeld) {
        m.holdTime = 0.0f;
        m.repeatTimer = 0.0f;
        return d;
    }
    m.holdTime += seconds;
    m.repeatTimer -= seconds;
    if (m.holdTime > kRepeatDelay && m.repeatTimer <= 0.0f) {
        d = leftHeld ? -1 : 1;
        m.repeatTimer = m.holdTime > 2.5f ? 0.01f : (m.holdTime > 1.2f ? 0.03f : 0.08f);
    }
    return d;
}

MenuValueText menuValueText(const MenuItem& item) {
    MenuValueText out;
    char* text = out.text.data();
    switch (item.kind) {
        case MenuItemKind::PageLink:
            std::strcpy(text, ">");
            break;
        case MenuItemKind::Float:
            if (item.value == nullptr) break;
            // A number too long for the row is cut, never written past it.
            std::snprintf(text, out.text.size(), item.step < 0.001f ? "%.5f" : (item.step < 0.01f ? "%.3f" : "%.2f"),
                          static_cast<double>(*item.value));
            break;
        case MenuItemKind::Toggle:
            if (item.flag != nullptr) std::strcpy(text, *item.flag ? "ON" : "OFF");
            break;
        default:
            break;
    }
    return out;
}

void menuStep(Velmora& v) {
    MenuState& m = v.menu;
    const HostRuntime& rt = v.runtime;
    // The first-person camera's measurement while it is in charge; otherwise the wall clock as
    // the menu has always stood it in: 0.016 s for each 1/60 s.
    const bool measured = v.clock.measuredTick + 1 == v.clock.frameTicks;
    const float seconds = measured ? v.clock.RealFrameSeconds : countedSeconds(v.timing.wallClock(v.clock));
    if (m.status.timer > 0.0f) m.status.timer -= seconds;

    bool toggle = pressEdge(v, v.settings.keyMappings.menuKeyCode);
    if (!toggle) {
        // The text's hash never changes: asked for once.
        if (m.triggerHash == 0) m.triggerHash = invoke(rt, natives::hashOfText, "cpc");
        toggle = invoke(rt, natives::cheatTyped, m.triggerHash);
    }
    if (toggle) {
        m.open = !m.open;
        if (m.open) {
            m.currentPage = kRootPage;
            m.selection = 0;
            m.depth = 0;
        }
    }
    if (!m.open) return;

    for (const std::int32_t control : kSuppressedControls)
        invoke(rt, natives::disableControlThisFrame, 0, control, true);

    buildPage(v);
    auto n = static_cast<std::int32_t>(m.page.size());
    if (n == 0) return;

    if (pressEdge(v, kUpKey)) m.selection = (m.selection + n - 1) % n;
    if (pressEdge(v, kDownKey)) m.selection = (m.selection + 1) % n;

    const bool leftHeld = held(v, kLeftKey), rightHeld = held(v, kRightKey);
    const bool leftPressed = pressEdge(v, kLeftKey, leftHeld), rightPressed = pressEdge(v, kRightKey, rightHeld);
    const int d = menuStepDirection(m, leftPressed, rightPressed, leftHeld, rightHeld, seconds);
    if (d != 0) {
        MenuItem& item = m.page[static_cast<std::size_t>(m.selection)];
        if (item.kind == MenuItemKind::Float && item.value != nullptr) *item.value += static_cast<float>(d) * item.step;
        if (item.kind == MenuItemKind::Toggle && item.flag != nullptr) *item.flag = !*item.flag;
        // Chase-camera geometry edits show at once.
        if (v.camera.cameraActive && v.driver.cameraMode == CameraMode::ThirdPerson) measureVehicle(v);
    }

    if (pressEdge(v, kEnterKey)) {
        const MenuItem& item = m.page[static_cast<std::size_t>(m.selection)];
        switch (item.kind) {
            case MenuItemKind::Action:
                runMenuAction(v, item.code);
                break;
            case MenuItemKind::Toggle:
                if (item.flag != nullptr) *item.flag = !*item.flag;
                break;
            case MenuItemKind::PageLink:
                // Deeper than the stack still navigates, but is not remembered.
                if (m.depth < kMenuStackDepth)
                    m.pageStack[static_cast<std::size_t>(m.depth++)] = {m.currentPage, m.selection};
                m.currentPage = static_cast<std::uint32_t>(item.code);
                m.selection = 0;
                break;
            default:
                break;
        }
    }
    if (pressEdge(v, kBackKey)) {
        if (m.depth > 0) {
            const MenuPageEntry& back = m.pageStack[static_cast<std::size_t>(--m.depth)];
            m.currentPage = back.page;
            m.selection = back.selection;
        } else {
            m.open = false;  // this frame's drawing still completes
        }
    }

    buildPage(v);
    n = static_cast<std::int32_t>(m.page.size());
    if (m.selection >= n) m.selection = n - 1;
    drawMenu(v);
}

}  // namespace velmora
