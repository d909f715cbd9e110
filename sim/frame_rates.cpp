#include "sim/frame_rates.h"

#include <algorithm>
#include <cmath>

#include "sim/rotation.h"

namespace velmora::sim {
namespace {

Matrix3 orientation(const TraceRow& row) { return composeRotation(row.cameraRotation, kOrderBody); }

// The angle of the turn from one orientation to the other, in degrees.
float angleBetween(const Matrix3& a, const Matrix3& b) {
    const float cosine = std::clamp(((a.transpose() * b).trace() - 1.0f) * 0.5f, -1.0f, 1.0f);
    return degrees(std::acos(cosine));
}

}  // namespace

PathDeviation comparePaths(const std::vector<TraceRow>& path, const std::vector<TraceRow>& reference) {
    PathDeviation d;
    double positionSquares = 0.0, rotationSquares = 0.0;
    std::size_t j = 0;
    for (const TraceRow& row : path) {
        if (!row.scripted) continue;
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

}  // namespace velmora::sim
