#include "contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora::preview {
namespace {

constexpr double kGap = 12.0;          // pixels between cells
constexpr double kCaptionLine = 18.0;  // pixels a caption line
constexpr double kTitleHeight = 34.0;
constexpr double kHeadingHeight = 24.0;
const Colour kPaper{0.97, 0.97, 0.95};
const Colour kInk{0.1, 0.1, 0.1};

}  // namespace

std::vector<std::string> captionOf(const FrameRecord& f) {
    const CameraPlacement p = placementOf(f);
    char line[160];
    std::snprintf(line, sizeof line, "%.2f m behind, %.2f m above, pitch %.1f deg, fov %.1f deg",
                  static_cast<double>(p.behind), static_cast<double>(p.height), static_cast<double>(f.cameraRotation.x),
                  static_cast<double>(f.fov));
    return {f.mode + ", frame " + std::to_string(f.frame), line};
}

Surface contactSheet(const std::vector<SheetCell>& cells, int columns, const std::string& title,
                     const std::vector<std::string>& columnHeadings) {
    columns = std::max(1, columns);
    double cellWidth = 0.0, imageHeight = 0.0;
    std::size_t captionLines = 0;
    for (const SheetCell& c : cells) {
        if (c.image != nullptr) {
            cellWidth = std::max(cellWidth, kSheetScale * widthOf(*c.image));
            imageHeight = std::max(imageHeight, kSheetScale * heightOf(*c.image));
        }
        captionLines = std::max(captionLines, c.caption.size());
    }
    const double cellHeight = imageHeight + kCaptionLine * static_cast<double>(captionLines) + 6.0;
    const int rows = std::max(1, static_cast<int>((cells.size() + static_cast<std::size_t>(columns) - 1) /
                                                  static_cast<std::size_t>(columns)));
    const double top = kTitleHeight + (columnHeadings.empty() ? 0.0 : kHeadingHeight);
    const int width = static_cast<int>(std::ceil(kGap + columns * (cellWidth + kGap)));
    const int height = static_cast<int>(std::ceil(top + kGap + rows * (cellHeight + kGap)));
    Surface surface = makeSurface(std::max(width, 400), height);
    const Context context = drawOn(surface);
    cairo_t* cr = context.get();
    setColour(cr, kPaper);
    cairo_paint(cr);
    drawLabel(cr, kGap, 8.0, title, 16.0, kInk, true);
    for (std::size_t c = 0; c < columnHeadings.size(); ++c)
        drawLabel(cr, kGap + static_cast<double>(c) * (cellWidth + kGap), kTitleHeight, columnHeadings[c], 14.0, kInk,
                  true);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::size_t row = i / static_cast<std::size_t>(columns), column = i % static_cast<std::size_t>(columns);
        const double x = kGap + static_cast<double>(column) * (cellWidth + kGap);
        const double y = top + kGap + static_cast<double>(row) * (cellHeight + kGap);
        if (cells[i].image != nullptr) {
            cairo_save(cr);
            cairo_translate(cr, x, y);
            cairo_scale(cr, kSheetScale, kSheetScale);
            cairo_set_source_surface(cr, cells[i].image->get(), 0.0, 0.0);
            cairo_paint(cr);
            cairo_restore(cr);
        }
        for (std::size_t l = 0; l < cells[i].caption.size(); ++l)
            drawLabel(cr, x, y + imageHeight + 3.0 + kCaptionLine * static_cast<double>(l), cells[i].caption[l], 13.0,
                      kInk, l == 0);
    }
    return surface;
}

}  // namespace velmora::preview
