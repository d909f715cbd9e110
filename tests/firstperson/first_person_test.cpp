// The first-person camera's arithmetic on plain values: the head follower, the inertia
// signal, the cabin's shake, vibration and lean, the recentering weight, the look limits, the
// speed zoom and the wall-clock measurement, worked out by hand at chosen inputs.
#include <gtest/gtest.h>

#include <cmath>

#include "cammath/timing.h"
#include "firstperson/cabin.h"
#include "firstperson/first_person.h"
#include "firstperson/look_around.h"
#include "thirdperson/vehicle.h"

namespace velmora {
namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr FrameSteps kOneStep{kDt, 1.0f};  // a frame at 60 a second
constexpr FrameSteps k0016{0.016f, 1.0f};  // a frame the wall clock measured at 0.016 s

TEST(HeadFollower, FollowsInTheVehiclesFrameAndJumpsWhenFarOrNew) {
    CabinMotion c;
    const Vector3 start(0.0f, 0.0f, 1.0f);
    EXPECT_EQ(followHead(c, 7, start, 9.0f, k0016), start);  // the first call takes the head
    // 2.9 m away: followed by 9 × 0.016 = 0.144 of the way.
    EXPECT_NEAR(followHead(c, 7, Vector3(2.9f, 0.0f, 1.0f), 9.0f, k0016).x(), 0.4176f, 1e-5f);
    const Vector3 far = c.smoothedHead + Vector3(0.0f, 3.01f, 0.0f);  // over 3 m: a jump
    EXPECT_EQ(followHead(c, 7, far, 9.0f, k0016), far);
    const Vector3 other = far + Vector3(0.1f, 0.0f, 0.0f);  // another vehicle starts afresh
    EXPECT_EQ(followHead(c, 8, other, 9.0f, k0016), other);
}

TEST(Inertia, TheSignalFromItsTwoFollowers) {
    // One step at 60 a second from the followers given. Worked by hand: a = drive × change × 1700; fast and slow move
    // 1.725/60 and 0.765/60 of the way to a; standing (≤ 0.02 m/s) the slow one then takes 8/60 of the gap; signal
    // (0.01295·speed + fast - slow - 0.3)·0.175 within ±0.1.
    struct Case {
        bool on;
        float drive, change, speed, fast0, slow0, fast, slow, signal;
        const char* what;
    };
    const Case cases[] = {
        {false, 0.25f, 0.001f, 10, 0.5f, 0.2f, 0.5f, 0.2f, 0.0f, "off: nothing, followers kept"},
        {true, 0.25f, 0, 0, 0, 0, 0, 0, -0.0525f, "at rest: -0.3 × 0.175"},
        {true, 0.25f, 4.0f / 3600, 10, 0, 0, 0.0135764f, 0.0060208f, -0.0285153f,
         "4 m/s² at 10 m/s: a = 0.472222, (0.1295 + 0.0075556 - 0.3)·0.175"},
        {true, 0, 0, 0, 2, 0, 1.9425f, 0.259f, 0.1f, "standing, catching up: 1.9425·8/60; 0.2421 capped"},
        {true, 0, 0, 5, 0, 2, 0, 1.9745f, -0.1f, "slow ahead while moving: -0.387 capped"},
    };
    for (const Case& k : cases) {
        CabinMotion c{.inertiaFast = k.fast0, .inertiaSlow = k.slow0};
        EXPECT_NEAR(inertiaStep(c, k.on, k.drive, k.change, k.speed, kOneStep), k.signal, 1e-6f) << k.what;
        EXPECT_NEAR(c.inertiaFast, k.fast, 1e-6f) << k.what;
        EXPECT_NEAR(c.inertiaSlow, k.slow, 1e-6f) << k.what;
    }
    // 4 m/s² is 4/3600 at 60 frames a second as the change of speed times the step; so it stays
    // at 144 a second, and a frame without time has none.
    EXPECT_NEAR(speedChangeOf(10.0f + 4.0f / 144.0f, 10.0f, 1.0f / 144.0f), 4.0f / 3600.0f, 1e-7f);
    EXPECT_EQ(speedChangeOf(12.0f, 10.0f, 0.0f), 0.0f);
}

// The shake's noise, as its hash is defined: frac(sin(phase·12.9898 + k)·43758.547) - 0.5, in float.
float noise(float phase, float k) {
    const float x = std::sin(phase * 12.9898f + k) * 43758.547f;
    return x - std::floor(x) - 0.5f;
}

TEST(CabinMotion, ShakeAndVibrationOfOneStepAtChosenInputs) {
    FirstPersonView s;
    s.ShakeSpeed = 0.5f;
    s.ShakeTerrain = 0.5f;
    // One step from rest. Worked by hand: amplitude = min(cap, min(s/3, 1)/(0.045·s + 1) ·
    // (0.5·s·0.004 + jolt·0.5·0.01) · time scale); phase (0.25·s + 12)/60; vibration gain
    // s/45 + 0.25, at most 1.25. The followers take 22/60 (offset) and 20/60 (angles) of the way.
    struct Case {
        float speed, previousVz, timeScale, cap, phase, amplitude, gain;
        const char* what;
    };
    const Case cases[] = {
        {6, -0.1f, 1, 1, 0.225f, 0.0330709f, 0.383333f, "6 m/s, a jolt of 6 m/s²: 0.042/1.27"},
        {60, 0, 0.5f, 1, 0.45f, 0.0162162f, 1.25f, "60 m/s at half speed: 0.12/3.7/2, the gain capped"},
        {1.5f, 0, 1, 1, 0.20625f, 0.00140515f, 0.283333f, "1.5 m/s: half the speed factor, 0.003/1.0675/2"},
        {6, -0.1f, 1, 0.01f, 0.225f, 0.01f, 0.383333f, "capped by ShakeMaxOffset"},
    };
    for (const Case& k : cases) {
        s.ShakeMaxOffset = k.cap;
        CabinInputs in{.dt = kDt,
                       .steps = kOneStep,
                       .realFrameSeconds = kDt,
                       .timeScale = k.timeScale,
                       .velocity = Vector3(0.0f, k.speed, 0.0f)};
        CabinMotion c{.prevVerticalVelocity = k.previousVz};
        cabinMotionStep(c, s, in);
        const float p = c.shakePhase, a = k.amplitude, kp = 22.0f / 60.0f, kr = 20.0f / 60.0f;
        EXPECT_NEAR(p, k.phase, 1e-6f) << k.what;
        const float expected[] = {noise(p, 0) * a * 0.6f * kp,
                                  noise(p, 17) * a * 0.6f * kp,
                                  noise(p, 43) * a * kp,
                                  0.9f * noise(p, 71) * a * 90 * kr,
                                  0.9f * noise(p, 103) * a * 60 * kr,
                                  0.9f * noise(p, 139) * a * 45 * kr,
                                  k.gain * noise(p * 4.5f, 211) * 0.006f};
        const float got[] = {c.shakeOffset.x(), c.shakeOffset.y(), c.shakeOffset.z(), c.shakePitch,
                             c.shakeRoll,       c.shakeYaw,        c.vibration};
        for (int i = 0; i < 7; ++i)
            EXPECT_NEAR(got[i], expected[i], 1e-4f * std::fabs(expected[i]) + 1e-9f) << k.what << " " << i;
    }
}

TEST(CabinMotion, LeanSwitchesAndPauses) {
    FirstPersonView s;
    const CabinInputs moving{.dt = kDt,
                             .steps = kOneStep,
                             .velocity = Vector3(0.0f, 10.0f, 0.4f),
                             .sidewaysSpeed = -0.6f,
                             .right = Vector3(1.0f, 0.0f, 0.0f)};
    CabinMotion c;
    for (int i = 0; i < 30; ++i) cabinMotionStep(c, s, moving);
    // The lean: 0.6 × 0.045 = 0.027, limited to 0.02, approached at 6/60 a frame: 0.02·(1 - 0.9^30).
    EXPECT_NEAR(c.leanOffset.x(), 0.0191521f, 1e-5f);
    // Braking leans it forward: 1 × −5 × −0.02 = 0.1, held to LeanForwardLimit 0.07 (not the
    // sideways limit), 6/60 of the way in a frame; speeding up leans it back as far.
    FirstPersonView strong;
    strong.LeanForward = 1.0f;
    for (const float change : {-5.0f, 5.0f}) {
        CabinMotion fresh;
        cabinMotionStep(fresh, strong,
                        {.dt = kDt, .steps = kOneStep, .speedChange = change, .forward = Vector3::UnitY()});
        EXPECT_NEAR(fresh.leanOffset.y(), change < 0.0f ? 0.007f : -0.007f, 1e-7f) << change;
    }
    const CabinMotion before = c;  // paused: nothing moves
    CabinInputs still = moving;
    still.dt = 0.0f;
    still.steps.steps = 0.0f;
    cabinMotionStep(c, s, still);
    EXPECT_TRUE(c.shakeOffset == before.shakeOffset && c.shakePitch == before.shakePitch &&
                c.leanOffset == before.leanOffset && c.shakePhase == before.shakePhase);
    // Shake switched off: the positional shake goes at once, the angles and the vibration fade
    // by 20/60 a step, and the lean still follows its own switch.
    s.TerrainShake = false;
    c.vibration = 0.003f;
    c.shakePitch = 0.3f;
    cabinMotionStep(c, s, moving);
    EXPECT_EQ(c.shakeOffset, Vector3::Zero());
    EXPECT_NEAR(c.shakePitch, 0.2f, 1e-7f);
    EXPECT_NEAR(c.vibration, 0.002f, 1e-8f);
    for (int i = 0; i < 300; ++i) cabinMotionStep(c, s, moving);
    EXPECT_NEAR(c.shakePitch, 0.0f, 1e-6f);
    EXPECT_NEAR(c.leanOffset.x(), 0.02f, 1e-5f);
    s.HeadLean = false;
    cabinMotionStep(c, s, moving);
    EXPECT_EQ(c.leanOffset, Vector3::Zero());
}

TEST(LookAround, TheRecenteringWeight) {
    FirstPersonView s;  // RecenterTime 1.6, RecenterEase 2
    struct Case {
        float hold, time, ease, weight;
        const char* what;
    };
    const Case cases[] = {
        {2.0f, 1.6f, 2.0f, 1.0f, "input: full look"},
        {1.6f, 1.6f, 2.0f, 1.0f, "the last moment of the hold"},
        {0.8f, 1.6f, 2.0f, 0.75f, "half way back: 1 - 0.5²"},
        {1.44f, 1.6f, 2.0f, 0.99f, "a tenth of the way back, ease 2: still 0.99"},
        {0.48f, 1.6f, 1.0f, 0.3f, "ease 1 returns linearly"},
        {0.0f, 1.6f, 2.0f, 0.0f, "back at rest"},
        {0.5f, 0.0f, 2.0f, 1.0f, "a return time of 0 counts as 0.01"},
        {2.0f, 1.6f, 0.0f, 1.0f, "ease 0, holding: 1, not 0^0 of a vanished look"},
        {0.8f, 1.6f, -2.0f, 0.0069075f, "a negative ease returning: as 0.01, 1 - 0.5^0.01"},
    };
    for (const Case& k : cases) {
        s.RecenterTime = k.time;
        s.RecenterEase = k.ease;
        EXPECT_NEAR(recenterWeight(k.hold, s), k.weight, 1e-5f) << k.what;
    }
}

TEST(LookAround, LimitsAboutTheVehiclesHeading) {
    FirstPersonView s;  // yaw 95 left, 100 right; pitch -62..40
    struct Case {
        Rotation look;
        float heading;
        Rotation limited;
    };
    const Case cases[] = {
        {{10, 7, 50}, 30, {10, 0, 50}},      // within: roll dropped
        {{50, 0, 200}, 30, {40, 0, 125}},    // 170 left of the heading: 95; pitch 40
        {{-80, 0, 300}, 30, {-62, 0, 300}},  // 90 right: kept; pitch -62
        {{0, 0, 100}, 350, {0, 0, 85}},      // across north: 110 left of 350 is 95
        {{0, 0, 200}, 350, {0, 0, 250}},     // 150 right of 350: 100
    };
    for (const Case& k : cases) {
        const Rotation r = limitLook(k.look, k.heading, s);
        EXPECT_TRUE(std::fabs(r.x - k.limited.x) < 1e-4f && r.y == 0.0f && std::fabs(r.z - k.limited.z) < 1e-3f)
            << k.look.z << " about " << k.heading << ": " << r.x << " " << r.y << " " << r.z;
    }
}

TEST(FieldOfView, SpeedZoomTargetAndAim) {
    FirstPersonView s;  // SpeedZoomAmount 12
    // (1 - (1 - u)²)·12 with u = speed/reference, worked by hand; a reference of 0 or less is 1.
    struct Case {
        float speed, atSpeed, zoom;
    };
    const Case cases[] = {{0, 55, 0}, {20, 55, 7.14050f}, {55, 55, 12}, {90, 55, 12}, {0.5f, 0, 9}, {1, -5, 12}};
    for (const Case& k : cases) {
        s.SpeedZoomAtSpeed = k.atSpeed;
        EXPECT_NEAR(speedZoomTarget(k.speed, s), k.zoom, 1e-4f) << k.speed << " at " << k.atSpeed;
    }
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
    c.frameTicks += 2;  // frames without a measurement (a look-behind)
    tick(6500, 0.02f);  // starts afresh: the gap is not taken as a frame
    EXPECT_NEAR(c.RealFrameSeconds, 0.02f, 1e-6f);
}

}  // namespace
}  // namespace velmora
