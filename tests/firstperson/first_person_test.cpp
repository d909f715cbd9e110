// The first-person camera's arithmetic on plain values: the head follower, the inertia
// signal, the cabin motion's switches and pauses, the eye-plane guard, the recentering
// weight, the look limits, the speed zoom, the aim and the wall-clock measurement. Values
// are worked out by hand from the camera's formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "firstperson/cabin.h"
#include "cammath/timing.h"
#include "firstperson/first_person.h"
#include "firstperson/look_around.h"
#include "thirdperson/vehicle.h"

namespace velmora {
namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr FrameSteps kOneStep{kDt, 1.0f};   // a frame at 60 a second
constexpr FrameSteps k0016{0.016f, 1.0f};   // a frame the wall clock measured at 0.016 s

TEST(HeadFollower, FollowsInTheVehiclesFrameAndJumpsWhenFarOrNew) {
    CabinMotion c;
    const Vector3 start(0.0f, 0.0f, 1.0f);
    EXPECT_EQ(followHead(c, 7, start, 9.0f, k0016), start);  // the first call takes the head
    // 2.9 m away: followed by 9 × 0.016 = 0.144 of the way.
    const Vector3 near(2.9f, 0.0f, 1.0f);
    EXPECT_NEAR(followHead(c, 7, near, 9.0f, k0016).x(), 0.144f * 2.9f, 1e-5f);
    // More than 3 m from the followed point: a jump onto the head.
    const Vector3 far = c.smoothedHead + Vector3(0.0f, 3.01f, 0.0f);
    EXPECT_EQ(followHead(c, 7, far, 9.0f, k0016), far);
    // Another vehicle starts afresh, however near.
    const Vector3 other = far + Vector3(0.1f, 0.0f, 0.0f);
    EXPECT_EQ(followHead(c, 8, other, 9.0f, k0016), other);
    EXPECT_EQ(c.headVehicle, 8);
}

TEST(Inertia, TheSignalFromItsTwoFollowers) {
    // Off: nothing, and the followers keep their values.
    CabinMotion c;
    c.inertiaFast = 0.5f;
    EXPECT_EQ(inertiaStep(c, false, 0.25f, 0.001f, 10.0f, kOneStep), 0.0f);
    EXPECT_EQ(c.inertiaFast, 0.5f);
    // At rest and settled: (0 + 0 - 0.3) × 0.175.
    CabinMotion rest;
    EXPECT_NEAR(inertiaStep(rest, true, 0.25f, 0.0f, 0.0f, kOneStep), -0.0525f, 1e-6f);
    // Accelerating at 4 m/s² (a speed change of 4/3600 a frame) at 10 m/s with a drive
    // figure of 0.25: a = 0.4722; fast = a × dt × 1.725, slow = a × dt × 0.765.
    CabinMotion go;
    const float a = 0.25f * (4.0f / 3600.0f) * 1700.0f;
    const float fast = a * kDt * 1.725f, slow = a * kDt * 0.765f;
    EXPECT_NEAR(inertiaStep(go, true, 0.25f, 4.0f / 3600.0f, 10.0f, kOneStep), (10.0f * 0.01295f + fast - slow - 0.3f) * 0.175f, 1e-6f);
    EXPECT_NEAR(go.inertiaFast, fast, 1e-7f);
    EXPECT_NEAR(go.inertiaSlow, slow, 1e-7f);
    // Standing still, the slow follower also catches up at 8 per second; the signal is
    // clamped to 0.1 either way.
    CabinMotion standing;
    standing.inertiaFast = 2.0f;
    inertiaStep(standing, true, 0.0f, 0.0f, 0.0f, kOneStep);
    const float fastAfter = 2.0f - 2.0f * kDt * 1.725f;
    EXPECT_NEAR(standing.inertiaSlow, fastAfter * kDt * 8.0f, 1e-6f);
    CabinMotion hard;
    hard.inertiaFast = 10.0f;
    EXPECT_EQ(inertiaStep(hard, true, 0.0f, 0.0f, 50.0f, kOneStep), 0.1f);
}

TEST(Inertia, TheSpeedChangeIsTheSameAtEveryFrameRate) {
    // 4 m/s² is 4/3600 at 60 frames per second, as the change of speed times the step; so it
    // stays at 144 frames per second, and a frame without time has none.
    EXPECT_NEAR(speedChangeOf(10.0f + 4.0f / 60.0f, 10.0f, 1.0f / 60.0f), 4.0f / 3600.0f, 1e-7f);
    EXPECT_NEAR(speedChangeOf(10.0f + 4.0f / 144.0f, 10.0f, 1.0f / 144.0f), 4.0f / 3600.0f, 1e-7f);
    EXPECT_EQ(speedChangeOf(12.0f, 10.0f, 0.0f), 0.0f);
}

TEST(CabinMotion, SwitchesAndPauses) {
    FirstPersonView s;
    CabinInputs moving;
    moving.dt = kDt;
    moving.steps = kOneStep;
    moving.velocity = Vector3(0.0f, 10.0f, 0.4f);
    moving.sidewaysSpeed = -0.6f;
    moving.right = Vector3(1.0f, 0.0f, 0.0f);
    moving.forward = Vector3(0.0f, 1.0f, 0.0f);
    CabinMotion c;
    for (int i = 0; i < 30; ++i) cabinMotionStep(c, s, moving);
    // The lean: -(-0.6) × 0.045 = 0.027, limited to 0.02, approached at 6 per second.
    EXPECT_NEAR(c.leanOffset.x(), 0.02f * (1.0f - std::pow(1.0f - 6.0f * kDt, 30.0f)), 1e-5f);
    // The shake stays within its limit: |offset| ≤ 0.6·A horizontally and A vertically.
    EXPECT_LE(c.shakeOffset.head<2>().cwiseAbs().maxCoeff(), 0.6f * s.ShakeMaxOffset * 0.5f);
    EXPECT_NE(c.shakePitch, 0.0f);

    // Paused: nothing moves.
    const CabinMotion paused = c;
    CabinInputs still = moving;
    still.dt = 0.0f;
    still.steps.steps = 0.0f;
    cabinMotionStep(c, s, still);
    EXPECT_EQ(c.shakeOffset, paused.shakeOffset);
    EXPECT_EQ(c.shakePitch, paused.shakePitch);
    EXPECT_EQ(c.leanOffset, paused.leanOffset);
    EXPECT_EQ(c.shakePhase, paused.shakePhase);

    // Shake switched off: the positional shake goes at once, the rotational shake and the
    // vibration fade at 20 per second, and the lean still follows its own switch.
    FirstPersonView off = s;
    off.TerrainShake = false;
    c.vibration = 0.004f;
    const float pitch = c.shakePitch;
    cabinMotionStep(c, off, moving);
    EXPECT_EQ(c.shakeOffset, Vector3::Zero());
    EXPECT_NEAR(c.shakePitch, pitch * (1.0f - 20.0f * kDt), 1e-7f);
    EXPECT_NEAR(c.vibration, 0.004f * (1.0f - 20.0f * kDt), 1e-8f);
    for (int i = 0; i < 300; ++i) cabinMotionStep(c, off, moving);
    EXPECT_NEAR(c.shakePitch, 0.0f, 1e-6f);
    EXPECT_NEAR(c.leanOffset.x(), 0.02f, 1e-5f);
    off.HeadLean = false;
    cabinMotionStep(c, off, moving);
    EXPECT_EQ(c.leanOffset, Vector3::Zero());
}

TEST(EyePlaneGuard, PutsTheCameraOntoThePlaneItMeasures) {
    const Vector3 head(1.0f, 2.0f, 3.0f);
    struct Case { Vector3 point, axis; float along; const char* what; };
    const float c = std::cos(80.0f * 3.14159265f / 180.0f), s = std::sin(80.0f * 3.14159265f / 180.0f);
    const Case cases[] = {
        {head + Vector3(0.0f, -0.2f, 0.05f), Vector3(0, 1, 0), 0.08f, "behind the eyes: onto the plane"},
        {head + Vector3(0.0f, 0.3f, 0.05f), Vector3(0, 1, 0), 0.3f, "well in front: untouched"},
        {head + Vector3(0.0f, 0.02f, 0.0f), Vector3(-s, c, 0), 0.08f, "in an 80 degree side look"},
        {head + Vector3(0.3f, 0.0f, 0.0f), Vector3(-1, 0, 0), 0.08f, "looking straight to the side"},
    };
    for (const Case& k : cases) {
        const Vector3 p = keepInFrontOfEyes(k.point, head, k.axis, 0.08f);
        EXPECT_NEAR((p - head).dot(k.axis), k.along, 1e-5f) << k.what;
        // Only the distance along the axis changes.
        const Vector3 moved = p - k.point;
        EXPECT_NEAR((moved - k.axis * moved.dot(k.axis)).norm(), 0.0f, 1e-6f) << k.what;
    }
}

TEST(LookAround, TheRecenteringWeight) {
    FirstPersonView s;  // RecenterTime 1.6, RecenterEase 2
    struct Case { float hold, time, ease, weight; const char* what; };
    const Case cases[] = {
        {2.0f, 1.6f, 2.0f, 1.0f, "input: full look"},
        {1.6f, 1.6f, 2.0f, 1.0f, "the last moment of the hold"},
        {0.8f, 1.6f, 2.0f, 0.75f, "half way back: 1 - 0.5²"},
        {1.44f, 1.6f, 2.0f, 0.99f, "a tenth of the way back, ease 2: still 0.99"},
        {0.48f, 1.6f, 1.0f, 0.3f, "ease 1 returns linearly"},
        {0.0f, 1.6f, 2.0f, 0.0f, "back at rest"},
        {0.5f, 0.0f, 2.0f, 1.0f, "a return time of 0 counts as 0.01"},
        {2.0f, 1.6f, 0.0f, 1.0f, "ease 0, holding: 1, not 0^0 of a vanished look"},
        {2.0f, 1.6f, -2.0f, 1.0f, "a negative ease, holding: finite"},
        {0.8f, 1.6f, -2.0f, 1.0f - std::pow(0.5f, 0.01f), "a negative ease returning: as 0.01"},
    };
    for (const Case& k : cases) {
        s.RecenterTime = k.time;
        s.RecenterEase = k.ease;
        const float w = recenterWeight(k.hold, s);
        EXPECT_TRUE(std::isfinite(w)) << k.what;
        EXPECT_NEAR(w, k.weight, 1e-5f) << k.what;
    }
}

TEST(LookAround, LimitsAboutTheVehiclesHeading) {
    FirstPersonView s;  // yaw 95 left, 100 right; pitch -62..40
    struct Case { Rotation look; float heading; Rotation limited; };
    const Case cases[] = {
        {{10, 7, 50}, 30, {10, 0, 50}},      // within: roll dropped
        {{50, 0, 200}, 30, {40, 0, 125}},    // 170 left of the heading: 95; pitch 40
        {{-80, 0, 300}, 30, {-62, 0, 300}},  // 90 right: kept; pitch -62
        {{0, 0, 100}, 350, {0, 0, 85}},      // across north: 110 left of 350 is 95
        {{0, 0, 200}, 350, {0, 0, 250}},     // 150 right of 350: 100
    };
    for (const Case& k : cases) {
        const Rotation r = limitLook(k.look, k.heading, s);
        EXPECT_NEAR(r.x, k.limited.x, 1e-4f);
        EXPECT_EQ(r.y, 0.0f);
        EXPECT_NEAR(r.z, k.limited.z, 1e-3f) << k.look.z << " about " << k.heading;
    }
}

TEST(FieldOfView, SpeedZoomAndAim) {
    FirstPersonView s;  // SpeedZoomAmount 12 at 55 m/s
    struct Case { float speed, atSpeed, zoom; };
    const Case cases[] = {
        {0.0f, 55.0f, 0.0f},
        {20.0f, 55.0f, (1.0f - (35.0f / 55.0f) * (35.0f / 55.0f)) * 12.0f},
        {55.0f, 55.0f, 12.0f},
        {90.0f, 55.0f, 12.0f},
        {0.5f, 0.0f, 0.75f * 12.0f},  // a reference of 0 or less counts as 1 m/s
        {1.0f, -5.0f, 12.0f},
    };
    for (const Case& k : cases) {
        s.SpeedZoomAtSpeed = k.atSpeed;
        EXPECT_NEAR(speedZoomTarget(k.speed, s), k.zoom, 1e-4f) << k.speed << " at " << k.atSpeed;
    }
    EXPECT_EQ(aimedFov(75.0f, 1.0f), 60.0f);
    EXPECT_EQ(aimedFov(75.0f, 0.5f), 67.5f);
    EXPECT_EQ(aimedFov(75.0f, 0.001f), 75.0f);  // at 0.001 or less the aim is not applied
}

TEST(FrameClock, MeasuresConsecutiveFramesAndStartsAfreshAfterAGap) {
    FrameClock c;
    c.counterFrequency = 1000;
    auto tick = [&](std::int64_t counter, float dt) {
        ++c.frameTicks;
        measureFrame(c, counter, dt);
    };
    tick(5000, 0.01f);  // the first measurement has nothing to measure against
    EXPECT_EQ(c.RealFrameSeconds, 0.016f);
    tick(5020, 0.01f);  // 20 ms of wall clock, 10 ms of game time
    EXPECT_NEAR(c.RealFrameSeconds, 0.02f, 1e-6f);
    EXPECT_NEAR(c.timeScale, 0.5f, 1e-5f);
    tick(6000, 0.02f);  // a 980 ms hitch is clamped to 0.2 s
    EXPECT_NEAR(c.RealFrameSeconds, 0.2f, 1e-6f);
    tick(6000, 0.02f);  // no time at all: at least 0.1 ms
    EXPECT_NEAR(c.RealFrameSeconds, 0.0001f, 1e-8f);
    EXPECT_EQ(c.timeScale, 1.0f);
    tick(6020, 0.02f);
    ++c.frameTicks;     // a frame without a measurement (a look-behind)
    ++c.frameTicks;
    tick(6500, 0.02f);  // starts afresh: the gap is not taken as a frame
    EXPECT_NEAR(c.RealFrameSeconds, 0.02f, 1e-6f);
    tick(6517, 0.017f);
    EXPECT_NEAR(c.RealFrameSeconds, 0.017f, 1e-6f);
}

}  // namespace
}  // namespace velmora

// ---------------------------------------------------------------------------------------
// In the simulated world.

#include "shell/velmora.h"
#include "support/scenario_run.h"

namespace velmora {
namespace {

// A car the player gets into from first person on foot; the own camera starts 46 frames
// after the seat is taken (frame 58).
std::string firstPersonIn(const std::string& car, const std::string& events, int frames = 160) {
    return R"({"frames": )" + std::to_string(frames) + R"(, "world": {"onFootViewMode": 4, "player": {"position": [-2, 0, 0]},
        "vehicles": [{"name": "car", "model": "compact")" + car + R"(}]},
        "events": [{"frame": 2, "do": "enter", "vehicle": "car", "frames": 10})" + events + "]}";
}

TEST(FirstPersonCamera, TheHorizonLockTakesAwayPartOfTheRoll) {
    // A car standing with a 20 degree roll: the view rolls (1 - 0.35) × 20 = 13 degrees.
    auto run = testing::makeRun(firstPersonIn(R"(, "roll": 20)", ""), std::string("[1stPersonView]\nHorizonLock = 0.35\n"));
    testing::runUntil(*run, 120);
    EXPECT_NEAR(run->trace().back().cameraRotation.y, 13.0f, 0.01f);
    auto level = testing::makeRun(firstPersonIn(R"(, "roll": 20)", ""), std::string("[1stPersonView]\nHorizonLock = 1\n"));
    testing::runUntil(*level, 120);
    EXPECT_NEAR(level->trace().back().cameraRotation.y, 0.0f, 0.01f);
}

TEST(FirstPersonCamera, NonFiniteVehicleDataNeverReachesTheGame) {
    // The game answers NaN for the car's position and velocity from 80 to 109.
    auto run = testing::makeRun(firstPersonIn(R"(, "speed": 6)", R"(, {"frame": 80, "do": "broken", "vehicle": "car"},
        {"frame": 110, "do": "broken", "vehicle": "car", "value": false})"));
    testing::runUntil(*run, 80);
    const Vector3 lastGood = run->trace().back().cameraPosition;
    for (int frame = 81; frame < 160; ++frame) {
        testing::runUntil(*run, frame);
        const sim::TraceRow& row = run->trace().back();
        ASSERT_TRUE(row.cameraPosition.allFinite() && std::isfinite(row.cameraFov)) << frame;
        if (frame <= 110) {
            EXPECT_EQ(row.cameraPosition, lastGood) << frame;
        }
    }
    // Recovered: back at the driver's eyes, 0.08 ahead of them.
    const Vector3 fromHead = run->trace().back().cameraPosition - run->plugin.cabin.rawHead;
    EXPECT_NEAR(fromHead.dot(run->plugin.sample.vehicleForward), 0.08f, 2e-3f);
}

}  // namespace
}  // namespace velmora
