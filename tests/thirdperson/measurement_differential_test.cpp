// The plug-in measures a vehicle with one walk of its bones and derives a blend frame's
// geometry from that body; the plain measurement walks the bones three times and measures
// again on every blend frame. Every built-in scenario, played both ways, must show the game
// the same thing.
//
// The only allowed difference: the plain way reads the bones again on every blend frame,
// while the car has moved on. The body's reach is a difference of world positions projected
// on the car's axes, so it comes out the same up to float rounding (the positions are some
// hundred metres from the origin, where a float's step is about 3e-5 m). Positions must
// agree within 1e-4 m and the field of view within 1e-4 degrees; rotations within 1e-4
// radians, the angle 1e-4 m subtends from 1 m: the camera aims along a rod of several
// metres, so a rounding of the rod's far end turns its aim by about that much.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "shell/velmora.h"
#include "sim/runner.h"
#include "support/literal_measurement.h"

namespace velmora {
namespace {

std::unique_ptr<sim::Simulation> play(const char* name, bool literal) {
    sim::RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    auto run = std::make_unique<sim::Simulation>(sim::findScenario(name), options);
    if (literal) run->plugin.measurementOverride = testing::literalMeasurement();
    run->run();
    EXPECT_FALSE(run->error()) << name;
    return run;
}

// Degrees apart across the ±180 seam, in radians.
float radiansApart(float a, float b) { return std::fabs(std::remainder(a - b, 360.0f)) * 0.017453292f; }

TEST(MeasurementDifferential, EveryBuiltinScenarioShowsTheSameCamera) {
    constexpr float kTolerance = 1e-4f;
    float worstPosition = 0.0f, worstRotation = 0.0f, worstFov = 0.0f;
    for (const sim::BuiltinScenario& scenario : sim::builtinScenarios()) {
        SCOPED_TRACE(scenario.name);
        const auto cheap = play(scenario.name, false);
        const auto plain = play(scenario.name, true);
        const auto& a = cheap->trace();
        const auto& b = plain->trace();
        ASSERT_EQ(a.size(), b.size());
        long cheapCalls = 0, plainCalls = 0;
        bool cameraShown = false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const sim::TraceRow& x = a[i];
            const sim::TraceRow& y = b[i];
            cheapCalls += x.nativeCalls;
            plainCalls += y.nativeCalls;
            cameraShown = cameraShown || x.scripted;
            const std::string at = "frame " + std::to_string(x.frame);
            // Whatever the camera does, the world and the plug-in's state are unchanged.
            EXPECT_EQ(x.frame, y.frame);
            EXPECT_EQ(x.vehiclePosition, y.vehiclePosition) << at;
            EXPECT_EQ(x.vehicleYaw, y.vehicleYaw) << at;
            EXPECT_EQ(x.speed, y.speed) << at;
            EXPECT_EQ(x.inVehicle, y.inVehicle) << at;
            EXPECT_EQ(x.scripted, y.scripted) << at;
            EXPECT_EQ(x.onFootViewMode, y.onFootViewMode) << at;
            EXPECT_EQ(x.vehicleViewMode, y.vehicleViewMode) << at;
            EXPECT_EQ(x.cinematic, y.cinematic) << at;
            EXPECT_EQ(x.minimap, y.minimap) << at;
            EXPECT_EQ(x.notifications, y.notifications) << at;
            EXPECT_EQ(x.plugin.mode, y.plugin.mode) << at;
            EXPECT_EQ(x.plugin.cameraIndex, y.plugin.cameraIndex) << at;
            EXPECT_EQ(x.plugin.modEnabled, y.plugin.modEnabled) << at;
            EXPECT_EQ(x.plugin.cameraActive, y.plugin.cameraActive) << at;
            EXPECT_EQ(x.plugin.menuOpen, y.plugin.menuOpen) << at;
            EXPECT_EQ(x.plugin.menuPage, y.plugin.menuPage) << at;
            EXPECT_EQ(x.plugin.menuRow, y.plugin.menuRow) << at;
            const float position = (x.cameraPosition - y.cameraPosition).cwiseAbs().maxCoeff();
            const float rotation = std::max({radiansApart(x.cameraRotation.x, y.cameraRotation.x),
                                             radiansApart(x.cameraRotation.y, y.cameraRotation.y),
                                             radiansApart(x.cameraRotation.z, y.cameraRotation.z)});
            const float fov = std::fabs(x.cameraFov - y.cameraFov);
            EXPECT_LE(position, kTolerance) << at;
            EXPECT_LE(rotation, kTolerance) << at;
            EXPECT_LE(fov, kTolerance) << at;
            worstPosition = std::max(worstPosition, position);
            worstRotation = std::max(worstRotation, rotation);
            worstFov = std::max(worstFov, fov);
        }
        // The plain measurement really ran: a scenario with a camera measured a vehicle, and
        // the plain way costs more calls for it.
        if (cameraShown) {
            EXPECT_GT(plainCalls, cheapCalls);
        } else {
            EXPECT_EQ(plainCalls, cheapCalls);
        }
    }
    std::printf("largest differences: position %.3g m, rotation %.3g rad, field of view %.3g deg\n",
                static_cast<double>(worstPosition), static_cast<double>(worstRotation), static_cast<double>(worstFov));
}

}  // namespace
}  // namespace velmora
