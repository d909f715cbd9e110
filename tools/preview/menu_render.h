// The settings menu as the game lays it out: every text and rectangle of a frame's draw
// calls on a neutral 1920x1080 screen.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "sim/world.h"

namespace velmora::preview {

inline constexpr int kScreenWidth = 1920;
inline constexpr int kScreenHeight = 1080;
inline constexpr Colour kNeutralScreen{0.42, 0.42, 0.42};

// A text's line height as a fraction of the screen's height per unit of text scale. The
// game's own fonts are not at hand: DejaVu Sans stands in for them, sized so that its line
// (ascent plus descent) is this tall; font 1, the game's script face, is drawn in DejaVu
// Serif italic. Widths therefore differ from the game's by a few per cent.
inline constexpr double kLineHeightPerScale = 0.075;

struct MenuPage {
    int frame = 0;      // the first frame that shows it
    std::string title;  // its first text
    const std::vector<sim::DrawCall>* calls = nullptr;
};

// One page per distinct title, at the first frame that draws it, in order of appearance.
// Frames without text are not pages.
std::vector<MenuPage> menuPages(const std::vector<std::pair<int, std::vector<sim::DrawCall>>>& draws);

// Game texts carry colour codes such as ~y~ and ~w~; the picture shows the text without them.
std::string withoutColourCodes(const std::string& text);

void drawMenu(cairo_t* cr, const std::vector<sim::DrawCall>& calls, int width, int height);
Surface renderMenu(const std::vector<sim::DrawCall>& calls, int width = kScreenWidth, int height = kScreenHeight);

}  // namespace velmora::preview
