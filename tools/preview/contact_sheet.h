// Contact sheets: camera pictures side by side in a grid, each captioned with its mode and
// where the camera stands.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "scene.h"

namespace velmora::preview {

inline constexpr double kSheetScale = 0.5;  // each picture at half size on the sheet

struct SheetCell {
    const Surface* image = nullptr;
    std::vector<std::string> caption;  // one line each
};

// "near, frame 540" and "2.40 m behind, 1.10 m above, pitch -6.0 deg, fov 50.0 deg".
std::vector<std::string> captionOf(const FrameRecord& frame);

// The cells in rows of `columns`, under a title line and, when given, a heading per column.
Surface contactSheet(const std::vector<SheetCell>& cells, int columns, const std::string& title,
                     const std::vector<std::string>& columnHeadings = {});

}  // namespace velmora::preview
