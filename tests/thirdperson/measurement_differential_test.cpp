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
#include "support/trace_differential.h"

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

TEST(MeasurementDifferential, EveryBuiltinScenarioShowsTheSameCamera) {
    constexpr float kTolerance = 1e-4f;                // metres, and degrees of field of view
    constexpr float kAngle = kTolerance * 57.29578f;  // 1e-4 radians, in degrees
    testing::TraceDifference worst;
    for (const sim::BuiltinScenario& scenario : sim::builtinScenarios()) {
        SCOPED_TRACE(scenario.name);
        const auto cheap = play(scenario.name, false);
        const auto plain = play(scenario.name, true);
        const testing::TraceDifference d = testing::compareTraces(cheap->trace(), plain->trace(), kTolerance, kAngle);
        EXPECT_EQ(d.frames, 0) << "first at frame " << d.firstFrame;
        EXPECT_LE(d.fov, kTolerance);
        worst.position = std::max(worst.position, d.position);
        worst.rotation = std::max(worst.rotation, d.rotation);
        worst.fov = std::max(worst.fov, d.fov);
        // The plain measurement really ran: a scenario with a camera measured a vehicle, and
        // the plain way costs more calls for it.
        long cheapCalls = 0, plainCalls = 0;
        bool cameraShown = false;
        for (const sim::TraceRow& row : cheap->trace()) cheapCalls += row.nativeCalls, cameraShown |= row.scripted;
        for (const sim::TraceRow& row : plain->trace()) plainCalls += row.nativeCalls;
        if (cameraShown) {
            EXPECT_GT(plainCalls, cheapCalls);
        } else {
            EXPECT_EQ(plainCalls, cheapCalls);
        }
    }
    std::printf("largest differences: position %.3g m, rotation %.3g deg, field of view %.3g deg\n",
                static_cast<double>(worst.position), static_cast<double>(worst.rotation), static_cast<double>(worst.fov));
}

}  // namespace
}  // namespace velmora
