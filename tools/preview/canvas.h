// Cairo image surfaces for the preview's pictures: an owning handle, colours, text in the
// bundled DejaVu faces, and PNG output.
#pragma once

#include <memory>
#include <string>

#include <cairo.h>

namespace velmora::preview {

struct SurfaceRelease {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextRelease {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;
using Context = std::unique_ptr<cairo_t, ContextRelease>;

// An ARGB image of the size given, cleared to transparent black.
Surface makeSurface(int width, int height);
Context drawOn(const Surface& surface);

struct Colour {
    double r = 0.0, g = 0.0, b = 0.0;  // 0..1
};
void setColour(cairo_t* cr, const Colour& c, double alpha = 1.0);

// The pixel at (x, y) of an image surface as 0..255 red, green, blue and alpha; all zero
// outside the image.
struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
};
Pixel pixelAt(const Surface& surface, int x, int y);

int widthOf(const Surface& surface);
int heightOf(const Surface& surface);

// A line of text with its top-left corner (or its centre, when centred) at x, y, in DejaVu
// Sans at `size` pixels.
void drawLabel(cairo_t* cr, double x, double y, const std::string& text, double size, const Colour& colour,
               bool bold = false, bool centred = false);

// Lets go of cairo's and fontconfig's process-wide font caches, once no surface is left:
// at exit, so that a leak checker sees only the program's own memory.
void releaseFontCaches();

// Writes a PNG; an empty text on success, otherwise a sentence saying why not.
std::string writePng(const Surface& surface, const std::string& path);

}  // namespace velmora::preview
