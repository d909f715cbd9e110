#include "canvas.h"

#include <cstdint>
#include <fstream>

#include <fontconfig/fontconfig.h>

namespace velmora::preview {

Surface makeSurface(int width, int height) {
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
}

Context drawOn(const Surface& surface) { return Context(cairo_create(surface.get())); }

void setColour(cairo_t* cr, const Colour& c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

int widthOf(const Surface& surface) { return cairo_image_surface_get_width(surface.get()); }
int heightOf(const Surface& surface) { return cairo_image_surface_get_height(surface.get()); }

Pixel pixelAt(const Surface& surface, int x, int y) {
    cairo_surface_flush(surface.get());
    if (x < 0 || y < 0 || x >= widthOf(surface) || y >= heightOf(surface)) return {};
    const unsigned char* row = cairo_image_surface_get_data(surface.get()) +
                               static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface.get());
    std::uint32_t word = 0;
    const unsigned char* at = row + static_cast<std::ptrdiff_t>(x) * 4;
    word = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    // ARGB32 is native-endian premultiplied alpha: undo the premultiplication.
    Pixel p;
    p.a = static_cast<int>(word >> 24);
    const auto channel = [&](int shift) {
        const int v = static_cast<int>((word >> shift) & 0xffu);
        return p.a == 0 ? 0 : (v * 255 + p.a / 2) / p.a;
    };
    p.r = channel(16);
    p.g = channel(8);
    p.b = channel(0);
    return p;
}

void drawLabel(cairo_t* cr, double x, double y, const std::string& text, double size, const Colour& colour, bool bold,
               bool centred) {
    cairo_save(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    const double left = centred ? x - 0.5 * extents.x_advance : x;
    const double baseline = centred ? y + 0.5 * (font.ascent - font.descent) : y + font.ascent;
    cairo_move_to(cr, left, baseline);
    setColour(cr, colour);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

void releaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

std::string writePng(const Surface& surface, const std::string& path) {
    {
        // Cairo's own error for an unwritable path is only "error while writing to output
        // stream": try the path first so the message can name it.
        std::ofstream probe(path, std::ios::binary | std::ios::app);
        if (!probe) return "cannot write " + path;
    }
    const cairo_status_t status = cairo_surface_write_to_png(surface.get(), path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) return "cannot write " + path + ": " + cairo_status_to_string(status);
    return {};
}

}  // namespace velmora::preview
