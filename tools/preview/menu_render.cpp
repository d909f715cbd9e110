#include "menu_render.h"

#include <algorithm>
#include <set>

namespace velmora::preview {
namespace {

double channel(std::int32_t v) { return std::clamp(v, 0, 255) / 255.0; }

void setFont(cairo_t* cr, std::int32_t font, double lineHeight) {
    if (font == 1)
        cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_BOLD);
    else
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, lineHeight);
    cairo_font_extents_t e;
    cairo_font_extents(cr, &e);
    // Scale the face so that its whole line, ascent plus descent, is the line height.
    if (e.ascent + e.descent > 0.0) cairo_set_font_size(cr, lineHeight * lineHeight / (e.ascent + e.descent));
}

double advanceOf(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return e.x_advance;
}

// Breaks the text at spaces into lines no wider than `limit` pixels (a lone long word stays whole).
std::vector<std::string> wrapped(cairo_t* cr, const std::string& text, double limit) {
    std::vector<std::string> lines;
    std::string line, word;
    const auto flushWord = [&] {
        if (word.empty()) return;
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && advanceOf(cr, candidate) > limit) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        word.clear();
    };
    for (const char c : text) {
        if (c == ' ')
            flushWord();
        else
            word += c;
    }
    flushWord();
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

void drawText(cairo_t* cr, const sim::DrawCall& call, int width, int height) {
    const double lineHeight = kLineHeightPerScale * static_cast<double>(call.scale) * height;
    setFont(cr, call.font, lineHeight);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    const double x = static_cast<double>(call.x) * width;
    const double wrapLeft = static_cast<double>(call.wrapStart) * width;
    const double wrapRight = static_cast<double>(call.wrapEnd) * width;
    // Left-aligned text wraps at the box's right edge; centred text within the whole box.
    const double limit = call.centre ? wrapRight - wrapLeft : wrapRight - x;
    const std::vector<std::string> lines = wrapped(cr, withoutColourCodes(call.text), std::max(limit, 1.0));
    double top = static_cast<double>(call.y) * height;
    for (const std::string& line : lines) {
        const double left = call.centre ? x - 0.5 * advanceOf(cr, line) : x;
        cairo_move_to(cr, left, top + font.ascent);
        cairo_text_path(cr, line.c_str());
        if (call.outline) {
            cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, channel(call.colour[3]));
            cairo_set_line_width(cr, std::max(1.5, lineHeight * 0.08));
            cairo_stroke_preserve(cr);
        }
        cairo_set_source_rgba(cr, channel(call.colour[0]), channel(call.colour[1]), channel(call.colour[2]),
                              channel(call.colour[3]));
        cairo_fill(cr);
        top += lineHeight;
    }
}

}  // namespace

std::string withoutColourCodes(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '~') {
            const std::size_t close = text.find('~', i + 1);
            if (close != std::string::npos && close - i <= 3) {
                i = close;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<MenuPage> menuPages(const std::vector<std::pair<int, std::vector<sim::DrawCall>>>& draws) {
    std::vector<MenuPage> pages;
    std::set<std::string> seen;
    for (const auto& [frame, calls] : draws) {
        const auto title = std::find_if(calls.begin(), calls.end(),
                                        [](const sim::DrawCall& c) { return c.kind == sim::DrawCall::Kind::Text; });
        if (title == calls.end() || !seen.insert(title->text).second) continue;
        pages.push_back(MenuPage{frame, title->text, &calls});
    }
    return pages;
}

void drawMenu(cairo_t* cr, const std::vector<sim::DrawCall>& calls, int width, int height) {
    cairo_save(cr);
    for (const sim::DrawCall& call : calls) {
        if (call.kind == sim::DrawCall::Kind::Rect) {
            // A rectangle's position is its centre.
            const double w = static_cast<double>(call.width) * width, h = static_cast<double>(call.height) * height;
            cairo_rectangle(cr, static_cast<double>(call.x) * width - 0.5 * w,
                            static_cast<double>(call.y) * height - 0.5 * h, w, h);
            cairo_set_source_rgba(cr, channel(call.colour[0]), channel(call.colour[1]), channel(call.colour[2]),
                                  channel(call.colour[3]));
            cairo_fill(cr);
        } else {
            drawText(cr, call, width, height);
        }
    }
    cairo_restore(cr);
}

Surface renderMenu(const std::vector<sim::DrawCall>& calls, int width, int height) {
    Surface surface = makeSurface(width, height);
    const Context cr = drawOn(surface);
    setColour(cr.get(), kNeutralScreen);
    cairo_paint(cr.get());
    drawMenu(cr.get(), calls, width, height);
    return surface;
}

}  // namespace velmora::preview
