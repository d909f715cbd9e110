#include "support/trace_differential.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace velmora::testing {
namespace {

float degreesApart(float a, float b) { return std::fabs(std::remainder(a - b, 360.0f)); }

}  // namespace

TraceDifference compareTraces(const std::vector<sim::TraceRow>& a, const std::vector<sim::TraceRow>& b,
                              float positionTolerance, float angleTolerance) {
    TraceDifference d;
    EXPECT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const sim::TraceRow& x = a[i];
        const sim::TraceRow& y = b[i];
        const std::string at = "frame " + std::to_string(x.frame);
        // Whatever the camera does, the world and the plug-in's state are unchanged.
        EXPECT_EQ(x.frame, y.frame);
        EXPECT_EQ(x.vehiclePosition, y.vehiclePosition) << at;
        EXPECT_EQ(x.vehicleYaw, y.vehicleYaw) << at;
        EXPECT_EQ(x.speed, y.speed) << at;
        EXPECT_EQ(x.inAir, y.inAir) << at;
        EXPECT_EQ(x.inVehicle, y.inVehicle) << at;
        EXPECT_EQ(x.scripted, y.scripted) << at;
        EXPECT_EQ(x.onFootViewMode, y.onFootViewMode) << at;
        EXPECT_EQ(x.vehicleViewMode, y.vehicleViewMode) << at;
        EXPECT_EQ(x.cinematic, y.cinematic) << at;
        EXPECT_EQ(x.minimap, y.minimap) << at;
        EXPECT_EQ(x.phoneScale, y.phoneScale) << at;
        EXPECT_EQ(x.notifications, y.notifications) << at;
        EXPECT_EQ(x.plugin.mode, y.plugin.mode) << at;
        EXPECT_EQ(x.plugin.cameraIndex, y.plugin.cameraIndex) << at;
        EXPECT_EQ(x.plugin.modEnabled, y.plugin.modEnabled) << at;
        EXPECT_EQ(x.plugin.cameraActive, y.plugin.cameraActive) << at;
        EXPECT_EQ(x.plugin.menuOpen, y.plugin.menuOpen) << at;
        EXPECT_EQ(x.plugin.menuPage, y.plugin.menuPage) << at;
        EXPECT_EQ(x.plugin.menuRow, y.plugin.menuRow) << at;
        const float position = (x.cameraPosition - y.cameraPosition).cwiseAbs().maxCoeff();
        const float rotation = std::max({degreesApart(x.cameraRotation.x, y.cameraRotation.x),
                                         degreesApart(x.cameraRotation.y, y.cameraRotation.y),
                                         degreesApart(x.cameraRotation.z, y.cameraRotation.z)});
        const float fov = std::fabs(x.cameraFov - y.cameraFov);
        // Written as "not within", so that a NaN counts as apart.
        if (!(position <= positionTolerance && rotation <= angleTolerance && fov <= angleTolerance)) {
            if (d.frames++ == 0) d.firstFrame = x.frame;
        }
        d.position = std::max(d.position, position);
        d.rotation = std::max(d.rotation, rotation);
        d.fov = std::max(d.fov, fov);
    }
    return d;
}

}  // namespace velmora::testing
