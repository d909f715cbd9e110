#include "sim/frame_rates.h"

#include <algorithm>
#include <cmath>

#include "sim/rotation.h"

namespace velmora::sim {
namespace {

Matrix3 orientation(const TraceRow& row) { return composeRotation(row.cameraRotation, kOrderBody); }

// The angle of the turn from one orientation to the other, in degrees: from the matrices'
// difference, |A - B| = 2·sqrt(2)·sin(angle/2), which stays exact for small angles where the
// trace's arccosine does not.
float angleBetween(const Matrix3& a, const Matrix3& b) {
    const double apart = static_cast<double>((a - b).norm()) / (2.0 * std::sqrt(2.0));
    return static_cast<float>(2.0 * std::asin(std::min(apart, 1.0)) * 180.0 / kPi);
}

bool skipped(double t, const std::vector<EventWindow>& skip) {
    return std::any_of(skip.begin(), skip.end(), [t](const EventWindow& w) { return t >= w.from && t <= w.to; });
}

// The game time of each frame of a scenario as played: the world moved into frame i by its
// length.
std::vector<double> frameTimes(const Scenario& s) {
    std::vector<double> times(static_cast<std::size_t>(s.frames), 0.0);
    for (std::size_t i = 1; i < times.size(); ++i)
        times[i] = times[i - 1] + static_cast<double>(i < s.frameSeconds.size() ? s.frameSeconds[i] : s.dt);
    return times;
}

}  // namespace

PathDeviation comparePaths(const std::vector<TraceRow>& path, const std::vector<TraceRow>& reference,
                           const std::vector<EventWindow>& skip) {
    PathDeviation d;
    double positionSquares = 0.0, rotationSquares = 0.0;
    std::size_t j = 0;
    for (const TraceRow& row : path) {
        if (!row.scripted || skipped(row.t, skip)) continue;
        // The reference frames on either side of this game time.
        while (j + 1 < reference.size() && reference[j + 1].t <= row.t) ++j;
        if (j + 1 >= reference.size()) break;
        const TraceRow& a = reference[j];
        const TraceRow& b = reference[j + 1];
        if (!a.scripted || !b.scripted || b.t <= a.t) continue;
        const auto w = static_cast<float>(std::clamp((row.t - a.t) / (b.t - a.t), 0.0, 1.0));
        const Vector3 position = a.cameraPosition + (b.cameraPosition - a.cameraPosition) * w;
        const Matrix3 turn = blendOrientation(orientation(a), orientation(b), w);
        const float apart = (row.cameraPosition - position).norm();
        const float turned = angleBetween(orientation(row), turn);
        positionSquares += static_cast<double>(apart * apart);
        rotationSquares += static_cast<double>(turned * turned);
        d.positionMax = std::max(d.positionMax, apart);
        d.rotationMax = std::max(d.rotationMax, turned);
        ++d.samples;
    }
    if (d.samples > 0) {
        d.positionRms = static_cast<float>(std::sqrt(positionSquares / d.samples));
        d.rotationRms = static_cast<float>(std::sqrt(rotationSquares / d.samples));
    }
    return d;
}

std::vector<EventWindow> eventWindows(const Scenario& written, const Scenario& played, double after) {
    constexpr double kCheckPeriod = 62.0 / 60.0;  // the attachment check, seconds
    constexpr double kFrameBefore = 1.0 / 30.0;   // seconds: a frame at the slowest rate measured
    const std::vector<double> times = frameTimes(played);
    const double step = static_cast<double>(written.dt);
    std::vector<EventWindow> windows;
    auto moment = [&](int writtenFrame, int playedFrame, double lasting) {
        if (playedFrame < 0 || static_cast<std::size_t>(playedFrame) >= times.size()) return;
        const double t = writtenFrame * step, landed = times[static_cast<std::size_t>(playedFrame)];
        windows.push_back({std::min(t, landed) - kFrameBefore, std::max(t, landed) + lasting});
    };
    for (std::size_t i = 0; i < written.events.size() && i < played.events.size(); ++i) {
        const ScenarioEvent& w = written.events[i];
        const ScenarioEvent& p = played.events[i];
        if (w.action == "drive" || w.action == "bumps") continue;
        const bool hitch = w.action == "attach" || w.action == "detach";
        moment(w.frame, p.frame, hitch ? kCheckPeriod + after : after);
        if (const int length = eventFrames(w); length > 0)  // a held input's end is a moment too
            moment(w.frame + length, p.frame + eventFrames(p), after);
    }
    return windows;
}

std::vector<EventWindow> switchWindows(const std::vector<TraceRow>& path, double after) {
    std::vector<EventWindow> windows;
    for (std::size_t i = 1; i < path.size(); ++i)
        if (path[i].scripted != path[i - 1].scripted) windows.push_back({path[i - 1].t, path[i].t + after});
    return windows;
}

std::vector<EventWindow> cutWindows(const std::vector<TraceRow>& path) {
    constexpr double kMargin = 1.0 / 30.0;  // seconds either side: a frame at the slowest rate measured
    auto moved = [&](std::size_t i) {       // relative to the vehicle, over frame i
        if (i == 0 || i >= path.size() || !path[i - 1].scripted || !path[i].scripted) return 0.0f;
        const TraceRow& a = path[i - 1];
        const TraceRow& b = path[i];
        return ((b.cameraPosition - b.vehiclePosition) - (a.cameraPosition - a.vehiclePosition)).norm();
    };
    std::vector<EventWindow> windows;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const TraceRow& a = path[i - 1];
        const TraceRow& b = path[i];
        if (!a.scripted || !b.scripted) continue;
        const float jump = moved(i);
        // A jump: big, or a few centimetres where the frames either side move far less (the
        // obstacle's ease snapping back onto the rod).
        const bool cut = jump > 0.5f || angleBetween(orientation(a), orientation(b)) > 20.0f ||
                         (jump > 0.04f && jump > 3.0f * std::max(moved(i - 1), moved(i + 1)));
        if (cut) windows.push_back({a.t - kMargin, b.t + kMargin});
    }
    return windows;
}

std::vector<EventWindow> flightWindows(const std::vector<TraceRow>& path, double after) {
    std::vector<EventWindow> windows;
    for (std::size_t i = 1; i < path.size(); ++i)
        if (path[i].inAir != path[i - 1].inAir) windows.push_back({path[i - 1].t, path[i].t + after});
    return windows;
}

float largestRelativeChange(const std::vector<TraceRow>& path, const std::vector<EventWindow>& skip) {
    float largest = 0.0f;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const TraceRow& a = path[i - 1];
        const TraceRow& b = path[i];
        const double seconds = b.t - a.t;
        if (!a.scripted || !b.scripted || !a.inVehicle || !b.inVehicle || a.vehicle != b.vehicle || !(seconds > 0.0) ||
            skipped(a.t, skip) || skipped(b.t, skip))
            continue;
        auto relative = [](const TraceRow& r) {
            const float yaw = radians(r.vehicleYaw);
            const Vector3 d = r.cameraPosition - r.vehiclePosition;
            // The offset in the vehicle's frame by its heading: x right, y ahead, z up.
            return Vector3(std::cos(yaw) * d.x() + std::sin(yaw) * d.y(),
                           -std::sin(yaw) * d.x() + std::cos(yaw) * d.y(), d.z());
        };
        largest = std::max(largest, (relative(b) - relative(a)).norm() / static_cast<float>(seconds));
    }
    return largest;
}

}  // namespace velmora::sim
