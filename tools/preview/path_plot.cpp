#include "path_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

#include "sim/rotation.h"

namespace velmora::preview {
namespace {

constexpr double kMargin = 40.0;  // pixels around each plot
constexpr double kTimePlotHeight = 170.0;
constexpr double kTimePlotGap = 36.0;
constexpr double kTickLength = 24.0;  // pixels
constexpr int kTimePlots = 3;

const Colour kVehiclePath{0.15, 0.15, 0.15};
const Colour kInk{0.1, 0.1, 0.1};
const Colour kPaper{0.98, 0.98, 0.96};
// Camera paths of the first and the compared run.
const Colour kCameraPaths[] = {{0.85, 0.25, 0.10}, {0.10, 0.35, 0.85}};

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void frameRect(cairo_t* cr, const Rect& r) {
    setColour(cr, Colour{1.0, 1.0, 1.0});
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill_preserve(cr);
    setColour(cr, Colour{0.6, 0.6, 0.6});
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

// The strip of time plots under the top-down plot: value against frame, over mode bands.
void drawTimePlot(cairo_t* cr, const Rect& area, const std::vector<const Recording*>& runs, const std::string& title,
                  const std::function<float(const FrameRecord&)>& value) {
    frameRect(cr, area);
    const Recording& first = *runs.front();
    if (first.frames.empty()) return;
    // Against game time, so that runs at two frame rates line up.
    const double span = std::max(1e-3, static_cast<double>(first.frames.back().t));
    const auto xOf = [&](const FrameRecord& f) { return area.x + area.width * static_cast<double>(f.t) / span; };
    // Mode bands of the first run.
    for (std::size_t i = 0; i < first.frames.size();) {
        std::size_t j = i;
        while (j < first.frames.size() && first.frames[j].mode == first.frames[i].mode) ++j;
        const double right = j < first.frames.size() ? xOf(first.frames[j]) : area.x + area.width;
        setColour(cr, modeColour(first.frames[i].mode), 0.25);
        cairo_rectangle(cr, xOf(first.frames[i]), area.y, right - xOf(first.frames[i]), area.height);
        cairo_fill(cr);
        i = j;
    }
    float lo = std::numeric_limits<float>::max(), hi = std::numeric_limits<float>::lowest();
    for (const Recording* run : runs)
        for (const FrameRecord& f : run->frames) {
            lo = std::min(lo, value(f));
            hi = std::max(hi, value(f));
        }
    if (hi - lo < 1e-3f) {
        lo -= 1.0f;
        hi += 1.0f;
    }
    const auto yOf = [&](float v) { return area.y + area.height * (1.0 - static_cast<double>((v - lo) / (hi - lo))); };
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const auto& fs = runs[r]->frames;
        for (std::size_t i = 0; i < fs.size(); ++i) {
            const double x = xOf(fs[i]), y = yOf(value(fs[i]));
            if (i == 0)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        setColour(cr, kCameraPaths[std::min<std::size_t>(r, 1)]);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    drawLabel(cr, area.x, area.y - 22.0, title, 14.0, kInk, true);
    drawLabel(cr, area.x + area.width + 4.0, area.y - 7.0, formatted("%.2f", static_cast<double>(hi)), 11.0, kInk);
    drawLabel(cr, area.x + area.width + 4.0, area.y + area.height - 7.0, formatted("%.2f", static_cast<double>(lo)),
              11.0, kInk);
}

}  // namespace

Rect topDownArea(int width, int height) {
    const double below = kTimePlots * (kTimePlotHeight + kTimePlotGap) + 60.0;
    return Rect{kMargin, kMargin + 20.0, width - 2.0 * kMargin - 60.0, height - below - kMargin - 40.0};
}

Point GroundMap::operator()(const Vector3& world) const {
    return Point{originX + scale * static_cast<double>(world.x()), originY - scale * static_cast<double>(world.y())};
}

GroundMap fitGround(const std::vector<const Recording*>& runs, const Rect& area) {
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
    for (const Recording* run : runs)
        for (const FrameRecord& f : run->frames)
            for (const Vector3& p : {f.cameraPosition, f.vehiclePosition}) {
                minX = std::min(minX, static_cast<double>(p.x()));
                maxX = std::max(maxX, static_cast<double>(p.x()));
                minY = std::min(minY, static_cast<double>(p.y()));
                maxY = std::max(maxY, static_cast<double>(p.y()));
            }
    if (minX > maxX) minX = maxX = minY = maxY = 0.0;
    // At least 10 m across, so a car standing still is not blown up to fill the plot.
    const double spanX = std::max(maxX - minX, 10.0), spanY = std::max(maxY - minY, 10.0);
    const double inner = 20.0;  // pixels kept free at the edges for the ticks
    GroundMap map;
    map.scale = std::min((area.width - 2.0 * inner) / spanX, (area.height - 2.0 * inner) / spanY);
    const double midX = 0.5 * (minX + maxX), midY = 0.5 * (minY + maxY);
    map.originX = area.x + 0.5 * area.width - map.scale * midX;
    map.originY = area.y + 0.5 * area.height + map.scale * midY;
    return map;
}

Colour modeColour(const std::string& mode) {
    if (mode == "near") return {0.90, 0.45, 0.10};
    if (mode == "medium") return {0.20, 0.65, 0.25};
    if (mode == "far") return {0.20, 0.45, 0.90};
    if (mode == "first person") return {0.65, 0.25, 0.75};
    if (mode == "look-behind") return {0.85, 0.15, 0.35};
    return {0.6, 0.6, 0.6};  // on foot, the game's own camera
}

Surface renderPathPlot(const std::vector<const Recording*>& runs, int width, int height) {
    Surface surface = makeSurface(width, height);
    const Context context = drawOn(surface);
    cairo_t* cr = context.get();
    setColour(cr, kPaper);
    cairo_paint(cr);
    if (runs.empty()) return surface;

    const Rect area = topDownArea(width, height);
    frameRect(cr, area);
    const GroundMap map = fitGround(runs, area);
    drawLabel(cr, area.x, 12.0,
              "Top down (north up, equal scale): vehicle path black, camera path coloured, obstacles blue, view ticks "
              "every " +
                  std::to_string(kTickEvery) + " frames",
              14.0, kInk, true);
    // A 10 m scale bar.
    setColour(cr, kInk);
    cairo_set_line_width(cr, 2.0);
    cairo_move_to(cr, area.x + 10.0, area.y + area.height - 10.0);
    cairo_line_to(cr, area.x + 10.0 + 10.0 * map.scale, area.y + area.height - 10.0);
    cairo_stroke(cr);
    drawLabel(cr, area.x + 10.0, area.y + area.height - 30.0, "10 m", 11.0, kInk);

    // Obstacles as seen from above, cut to the plot.
    cairo_save(cr);
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_clip(cr);
    for (const sim::Obstacle& o : runs.front()->obstacles) {
        const Point a = map(o.min), b = map(o.max);
        cairo_rectangle(cr, std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
    }
    setColour(cr, Colour{0.25, 0.45, 0.80}, 0.6);
    cairo_fill(cr);
    cairo_restore(cr);

    const auto path = [&](const std::vector<FrameRecord>& fs, bool camera) {
        for (std::size_t i = 0; i < fs.size(); ++i) {
            const Point p = map(camera ? fs[i].cameraPosition : fs[i].vehiclePosition);
            if (i == 0)
                cairo_move_to(cr, p.x, p.y);
            else
                cairo_line_to(cr, p.x, p.y);
        }
    };
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const auto& fs = runs[r]->frames;
        const Colour colour = kCameraPaths[std::min<std::size_t>(r, 1)];
        if (r == 0) {
            path(fs, false);
            setColour(cr, kVehiclePath);
            cairo_set_line_width(cr, 2.0);
            cairo_stroke(cr);
        }
        path(fs, true);
        setColour(cr, colour);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        // The view direction on the ground, every few frames.
        for (std::size_t i = 0; i < fs.size(); i += kTickEvery) {
            const double yaw = static_cast<double>(sim::radians(fs[i].cameraRotation.z));
            const Point p = map(fs[i].cameraPosition);
            cairo_move_to(cr, p.x, p.y);
            // Heading 0 faces +Y (up in the plot), 90 faces -X (left).
            cairo_line_to(cr, p.x - kTickLength * std::sin(yaw), p.y - kTickLength * std::cos(yaw));
        }
        // Darker than the path they start on, which they often run along.
        setColour(cr, Colour{0.5 * colour.r, 0.5 * colour.g, 0.5 * colour.b});
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
        // Mode changes: a ring on the camera's path in the new mode's colour.
        for (std::size_t i = 1; i < fs.size(); ++i) {
            if (fs[i].mode == fs[i - 1].mode) continue;
            const Point p = map(fs[i].cameraPosition);
            cairo_new_sub_path(cr);
            cairo_arc(cr, p.x, p.y, 6.0, 0.0, 2.0 * sim::kPi);
            setColour(cr, modeColour(fs[i].mode));
            cairo_set_line_width(cr, 3.0);
            cairo_stroke(cr);
            if (r == 0) drawLabel(cr, p.x + 8.0, p.y - 8.0, std::to_string(fs[i].frame) + " " + fs[i].mode, 11.0, kInk);
        }
    }
    // Which line is which run.
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const double y = area.y + 10.0 + 18.0 * static_cast<double>(r);
        setColour(cr, kCameraPaths[std::min<std::size_t>(r, 1)]);
        cairo_rectangle(cr, area.x + area.width - 250.0, y + 3.0, 20.0, 6.0);
        cairo_fill(cr);
        drawLabel(cr, area.x + area.width - 224.0, y - 2.0, "camera, " + runs[r]->iniLabel, 12.0, kInk);
    }

    double y = area.y + area.height + kTimePlotGap + 20.0;
    const Rect first{area.x, y, area.width, kTimePlotHeight};
    drawTimePlot(cr, first, runs, "Field of view (degrees)", [](const FrameRecord& f) { return f.fov; });
    y += kTimePlotHeight + kTimePlotGap;
    drawTimePlot(cr, Rect{area.x, y, area.width, kTimePlotHeight}, runs,
                 "Camera height above the vehicle's origin (m; above the player's hips on foot)",
                 [](const FrameRecord& f) { return placementOf(f).height; });
    y += kTimePlotHeight + kTimePlotGap;
    drawTimePlot(
        cr, Rect{area.x, y, area.width, kTimePlotHeight}, runs,
        "Distance behind the vehicle along its heading (m), over " +
            formatted("%.1f", runs.front()->frames.empty() ? 0.0 : static_cast<double>(runs.front()->frames.back().t)) +
            " s of game time",
        [](const FrameRecord& f) { return placementOf(f).behind; });
    // Legend of the mode bands.
    double x = area.x;
    const double legendY = y + kTimePlotHeight + 12.0;
    std::vector<std::string> modes;
    for (const FrameRecord& f : runs.front()->frames)
        if (std::find(modes.begin(), modes.end(), f.mode) == modes.end()) modes.push_back(f.mode);
    for (const std::string& mode : modes) {
        setColour(cr, modeColour(mode), 0.5);
        cairo_rectangle(cr, x, legendY, 16.0, 12.0);
        cairo_fill(cr);
        drawLabel(cr, x + 20.0, legendY - 2.0, mode, 12.0, kInk);
        x += 30.0 + 8.0 * static_cast<double>(mode.size());
    }
    return surface;
}

}  // namespace velmora::preview
