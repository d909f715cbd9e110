#include "cammath/cammath.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "host/natives.h"
#include "support/fake_runtime.h"

namespace velmora {
namespace {

constexpr float kTolerance = 1e-5f;

::testing::AssertionResult near3(const Vector3& actual, const Vector3& expected, float tolerance = kTolerance) {
    if ((actual - expected).cwiseAbs().maxCoeff() <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.x() << ", " << actual.y() << ", " << actual.z() << ") vs ("
                                         << expected.x() << ", " << expected.y() << ", " << expected.z() << ")";
}

bool isUnit(const Quaternion& q) { return std::fabs(q.norm() - 1.0f) < 1e-5f; }

// The rotation matrix of (pitch, roll, yaw) built by hand in double precision: yaw about
// z, roll about y, pitch about x, counter-clockwise, applied pitch first.
std::array<std::array<double, 3>, 3> handMatrix(double pitch, double roll, double yaw) {
    const double a = pitch * M_PI / 180.0, b = roll * M_PI / 180.0, c = yaw * M_PI / 180.0;
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b), cc = std::cos(c);
    const double sc = std::sin(c);  // Rz·Ry·Rx multiplied out:
    return {{{cc * cb, cc * sb * sa - sc * ca, cc * sb * ca + sc * sa},
             {sc * cb, sc * sb * sa + cc * ca, sc * sb * ca - cc * sa},
             {-sb, cb * sa, cb * ca}}};
}

TEST(EulerToQuaternion, RotatesTheBasisLikeTheHandBuiltMatrix) {
    for (const Rotation& r :
         {Rotation{0, 0, 0}, Rotation{10, 20, 30}, Rotation{-45, 0, 90}, Rotation{0, 0, 180}, Rotation{0, 0, 179.9f},
          Rotation{89, 0, -90}, Rotation{-30, 60, -150}, Rotation{5, -170, 270}, Rotation{0, 90, 0},
          Rotation{120, 10, 45}, Rotation{-89.9f, 1, 1}, Rotation{0, 0, -180}}) {
        const Quaternion q = EulerToQuaternion(r);
        EXPECT_TRUE(isUnit(q)) << r.x << " " << r.y << " " << r.z;
        const auto m = handMatrix(r.x, r.y, r.z);
        for (int column = 0; column < 3; ++column) {
            const Vector3 expected(static_cast<float>(m[0][column]), static_cast<float>(m[1][column]),
                                   static_cast<float>(m[2][column]));
            EXPECT_TRUE(near3(q * Vector3::Unit(column), expected, 2e-6f))
                << "rotation " << r.x << " " << r.y << " " << r.z << ", axis " << column;
        }
    }
    // The game's conventions in its own words.
    const Vector3 forward(0, 1, 0);
    EXPECT_TRUE(near3(EulerToQuaternion({0, 0, 90}) * forward, Vector3(-1, 0, 0)));  // heading 90 faces -X
    EXPECT_GT((EulerToQuaternion({30, 0, 0}) * forward).z(), 0.49f);                 // positive pitch looks up
    EXPECT_LT((EulerToQuaternion({0, 30, 0}) * Vector3(1, 0, 0)).z(), -0.49f);       // positive roll dips the right
}

Quaternion axisTurn(float degrees, int axis) {
    return Quaternion(Eigen::AngleAxisf(degrees * 3.14159265f / 180.0f, Vector3::Unit(axis)));
}

// The decomposition has pitch in the middle: q = qZ(yaw)·qX(pitch)·qY(roll). Without roll
// that is EulerToQuaternion's Rz·Rx as well, which is what lets the cameras drop roll and
// convert back exactly; those rows go through EulerToQuaternion.
TEST(QuaternionToEuler, TakesApartYawThenPitchThenRollAndInvertsEulerToQuaternionWithoutRoll) {
    const Rotation rotations[] = {{10, 20, 30}, {-45, 0, 90}, {0, 0, 179.5f}, {80, -120, -60},
                                  {-85, 5, 10}, {10, 0, 30},  {-60, 0, -150}, {85, 0, 5}};
    for (const Rotation& r : rotations) {
        const Quaternion q =
            r.y == 0.0f ? EulerToQuaternion(r) : axisTurn(r.z, 2) * axisTurn(r.x, 0) * axisTurn(r.y, 1);
        const Rotation back = QuaternionToEuler(q);
        EXPECT_TRUE(near3(Vector3(back.x, back.y, back.z), Vector3(r.x, r.y, r.z), 2e-3f));
    }
    // Yaw comes back in (-180, 180].
    EXPECT_NEAR(QuaternionToEuler(axisTurn(270, 2)).z, -90.0f, 1e-3f);
    // |q| a little over 1 at pitch 90: 2(wx + yz) = 1.00025 would make asin's NaN.
    EXPECT_NEAR(QuaternionToEuler(Quaternion(0.7072f, 0.7072f, 0, 0)).x, 90.0f, 1e-3f);
    EXPECT_NEAR(QuaternionToEuler(Quaternion(0.7072f, -0.7072f, 0, 0)).x, -90.0f, 1e-3f);
}

TEST(QuaternionSlerp, EdgesAndShortestPath) {
    const Quaternion a = EulerToQuaternion({0, 0, 0}), b = EulerToQuaternion({0, 0, 90});
    EXPECT_TRUE(QuaternionSlerp(a, b, 0.0f).isApprox(a));
    EXPECT_TRUE(QuaternionSlerp(a, b, 1.0f).isApprox(b));
    EXPECT_NEAR(QuaternionToEuler(QuaternionSlerp(a, b, 0.5f)).z, 45.0f, 1e-3f);
    // The negated quaternion is the same rotation: the path stays the short one.
    const Quaternion negB(-b.w(), -b.x(), -b.y(), -b.z());
    EXPECT_NEAR(QuaternionToEuler(QuaternionSlerp(a, negB, 0.5f)).z, 45.0f, 1e-3f);
    // q1 = -q0: the sign flip makes them equal, the linear weights apply, q0 comes back.
    const Quaternion q0 = EulerToQuaternion({20, 10, 70}), q1(-q0.w(), -q0.x(), -q0.y(), -q0.z());
    for (const float t : {0.0f, 0.3f, 1.0f})
        EXPECT_TRUE(QuaternionSlerp(q0, q1, t).coeffs().isApprox(q0.coeffs(), 1e-6f));
}

TEST(LookRotation, TurnsForwardOntoTheDirectionKeepsTheHorizonAndAnswersDegenerateDirections) {
    const Vector3 directions[] = {{0, 1, 0}, {1, 0, 0}, {-1, -1, 0}, {0.3f, -0.8f, 0.5f}, {2, 3, -4}, {0, -5, 0.01f}};
    for (Vector3 d : directions) {
        const Vector3 unit = d.normalized();
        const Quaternion q = LookRotation(d);
        EXPECT_TRUE(isUnit(q));
        EXPECT_TRUE(near3(d, unit)) << "the caller's vector is normalised in place";
        EXPECT_TRUE(near3(q * Vector3(0, 1, 0), unit));
        EXPECT_NEAR((q * Vector3(1, 0, 0)).z(), 0.0f, kTolerance);  // no roll: right stays level
        EXPECT_GT((q * Vector3(0, 0, 1)).z(), 0.0f);                // up stays up
    }
    Vector3 zero(0, 0, 0), broken(std::numeric_limits<float>::quiet_NaN(), 1, 0), up(0, 0, 5), down(0, 0, -0.5f);
    EXPECT_TRUE(LookRotation(zero).coeffs().isApprox(Quaternion::Identity().coeffs()));
    EXPECT_TRUE(LookRotation(broken).coeffs().allFinite());
    // Straight up or down: heading 0, the picture's up being world -Y or +Y.
    const Quaternion lookUp = LookRotation(up), lookDown = LookRotation(down);
    EXPECT_TRUE(near3(lookUp * Vector3(0, 1, 0), Vector3(0, 0, 1)));
    EXPECT_TRUE(near3(lookUp * Vector3(0, 0, 1), Vector3(0, -1, 0)));
    EXPECT_TRUE(near3(lookDown * Vector3(0, 1, 0), Vector3(0, 0, -1)));
    EXPECT_TRUE(near3(lookDown * Vector3(0, 0, 1), Vector3(0, 1, 0)));
}

TEST(LookRotationUp, TheUpVectorSetsTheRollAndADegenerateOneGivesWayToWorldUp) {
    Vector3 d(0, 1, 0), along(1, 0, 0), any(0.2f, 0.9f, 0.1f);
    const Quaternion q = LookRotationUp(d, Vector3(1, 0, 1));  // up tilted toward +X
    EXPECT_TRUE(near3(q * Vector3(0, 1, 0), Vector3(0, 1, 0)));
    EXPECT_TRUE(near3(q * Vector3(0, 0, 1), Vector3(0.70710677f, 0, 0.70710677f)));
    const Quaternion parallel = LookRotationUp(along, Vector3(2, 0, 0));  // along up: oriented by world up
    EXPECT_TRUE(near3(parallel * Vector3(0, 1, 0), Vector3(1, 0, 0)));
    EXPECT_GT((parallel * Vector3(0, 0, 1)).z(), 0.99f);
    EXPECT_TRUE(LookRotationUp(any, Vector3(0, 0, 0)).coeffs().allFinite());
}

constexpr float kSixtieth = 1.0f / 60.0f;  // seconds: the step the followers were tuned on
constexpr FrameSteps kOneStep{kSixtieth, 1.0f};

TEST(ReadLookDelta, RawDeltasFromMouseAndStick) {
    // yaw and pitch: the raw delta expected with LookWeight 0.
    struct Case {
        const char* what;
        LookAxes axes;
        float deadzone;
        bool easing;
        float yaw, pitch, mouseSensitivity = 1, stickSensitivity = 1;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    // Stick at 0.5 without dead zone, eased: 1 - cos(0.5 * pi/2) = 0.2928932, times 2.
    const Case cases[] = {
        {"mouse", {0.2f, -0.1f, true}, 0.0f, true, -1.0f, 0.5f},
        {"stick, eased", {-0.5f, 0.0f, false}, 0.0f, true, 0.5857864f, 0.0f},
        {"stick, linear", {-0.5f, 0.25f, false}, 0.0f, false, 1.0f, -0.5f},
        {"stick full, eased", {-1.0f, 0.0f, false}, 0.0f, true, 2.0f, 0.0f},
        // m = 0.6, dead zone 0.2: (0.6 - 0.2)/0.8 = 0.5 along the stick's direction.
        {"radial dead zone", {0.6f, 0.0f, false}, 0.2f, false, -1.0f, 0.0f},
        {"inside the dead zone", {0.1f, 0.1f, false}, 0.2f, true, 0.0f, 0.0f},
        {"stick at rest", {0.0f, 0.0f, false}, 0.0f, true, 0.0f, 0.0f},
        {"dead zone of 1", {1.0f, 1.0f, false}, 1.0f, true, 0.0f, 0.0f},
        {"dead zone of 1, linear", {0.3f, 0.0f, false}, 1.0f, false, 0.0f, 0.0f},
        {"NaN stick axis", {nan, 0.5f, false}, 0.0f, false, 0.0f, -1.0f},
        {"infinite mouse axis", {inf, -inf, true}, 0.0f, true, 0.0f, 0.0f},
        // Each sensitivity scales its own device only.
        {"mouse sensitivity 2", {0.1f, 0.1f, true}, 0.0f, false, -1.0f, -1.0f, 2.0f, 3.0f},
        {"stick sensitivity 3", {0.1f, 0.0f, false}, 0.0f, false, -0.6f, 0.0f, 2.0f, 3.0f},
        // Huge enough to overflow: treated as no look rather than an infinite turn.
        {"overflowing sensitivity", {1.0f, 1.0f, true}, 0.0f, true, 0.0f, 0.0f, 3e38f},
    };
    for (const Case& c : cases) {
        const InputSettings input{c.deadzone, c.easing, c.stickSensitivity, c.mouseSensitivity};
        LookSmoothing state;
        const LookDelta d = lookDeltaFromAxes(c.axes, input, 0.0f, kOneStep, 1.0f, state);
        EXPECT_NEAR(d.yaw, c.yaw, 1e-5f) << c.what;
        EXPECT_NEAR(d.pitch, c.pitch, 1e-5f) << c.what;
        EXPECT_EQ(state.yaw, 0.0f) << c.what << ": no smoothing at LookWeight 0";
        // At 144 frames a second the stick turns 60/144 as far a frame, the mouse as far as it moved.
        const LookDelta fast = lookDeltaFromAxes(c.axes, input, 0.0f, kOneStep, 60.0f / 144.0f, state);
        const float share = c.axes.keyboardMouse ? 1.0f : 60.0f / 144.0f;
        EXPECT_NEAR(fast.yaw, c.yaw * share, 1e-5f) << c.what;
    }
}

TEST(ReadLookDelta, SmoothingFollowsTheDeltaAndDecaysInsideTheDeadZone) {
    InputSettings input;
    input.gamepadDeadzone = 0.2f;
    LookSmoothing state;
    // LookWeight 14 with the chase camera's stand-in step of 0.016 s: a = 0.224 of the way each frame.
    const FrameSteps standIn{0.016f, 1.0f};
    const LookDelta first = lookDeltaFromAxes({0.2f, 0, true}, input, 14.0f, standIn, 1.0f, state);
    EXPECT_NEAR(first.yaw, -1.0f * 0.224f, 1e-6f);
    const LookDelta second = lookDeltaFromAxes({0.2f, 0, true}, input, 14.0f, standIn, 1.0f, state);
    EXPECT_NEAR(second.yaw, -0.224f + 0.224f * (-1.0f + 0.224f), 1e-6f);
    // The stick inside its dead zone: the state decays toward 0 but is not 0 yet.
    const LookDelta resting = lookDeltaFromAxes({0.05f, 0, false}, input, 14.0f, standIn, 1.0f, state);
    EXPECT_LT(resting.yaw, 0.0f);
    EXPECT_GT(resting.yaw, second.yaw);
    // A step with a weight of 1 or more lands on the delta itself.
    EXPECT_EQ(lookDeltaFromAxes({0.2f, 0, true}, input, 14.0f, FrameSteps{1.0f, 1.0f}, 1.0f, state).yaw, -1.0f);
    // With a dead zone of 1 and NaN axes, the state stays finite whatever comes.
    input.gamepadDeadzone = 1.0f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int frame = 0; frame < 10; ++frame) lookDeltaFromAxes({nan, 1.0f, false}, input, 14.0f, standIn, 1.0f, state);
    EXPECT_TRUE(std::isfinite(state.yaw) && std::isfinite(state.pitch));
}

TEST(ReadLookDelta, ReadsTheTwoLookControlsOfGroupTwo) {
    testing::FakeRuntime fake;
    fake.answer(natives::lastInputWasKeyboardMouse, true);
    fake.answer(natives::controlValue, 0.1f);
    SettingsRecord settings;
    settings.firstPersonView.LookWeight = 0.0f;
    LookSmoothing state;
    const LookDelta d = ReadLookDelta(fake.table(), settings, kOneStep, 1.0f, state);
    EXPECT_NEAR(d.yaw, -0.5f, 1e-6f);
    EXPECT_NEAR(d.pitch, -0.5f, 1e-6f);
    ASSERT_EQ(fake.calls().size(), 3u);
    using Slots = std::vector<std::uint64_t>;
    EXPECT_EQ(fake.calls()[0].slots, (Slots{2, 1}));
    EXPECT_EQ(fake.calls()[1].slots, (Slots{2, 2}));
    EXPECT_EQ(fake.calls()[2].hash, natives::lastInputWasKeyboardMouse.hash);
    EXPECT_EQ(fake.calls()[2].slots, (Slots{2}));
}

TEST(Wrap, DegreeWrapping) {
    struct Case {
        float in, wrap360, floor360, wrap180;
    };
    const Case cases[] = {
        {-90, 270, 270, -90},  {360, 0, 0, 0},         {725, 5, 5, 5},        {-720, 0, 0, 0},
        {180, 180, 180, -180}, {-180, 180, 180, -180}, {190, 190, 190, -170}, {359.5f, 359.5f, 359.5f, -0.5f},
        {-0.00001f, 0, 0, 0},  // rounds to 360 before the wrap; 0 after
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(WrapDegrees360(c.in), c.wrap360, 1e-4f) << c.in;
        EXPECT_NEAR(wrapDegreesFloor360(c.in), c.floor360, 1e-4f) << c.in;
        EXPECT_NEAR(wrapDegrees180(c.in), c.wrap180, 1e-4f) << c.in;
    }
}

TEST(SmoothToward, AStepComposesOverTimeAndIsRateTimesDtAt60) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // From 0 toward 10 at `rate` per second over `seconds`: one step of 1/60 s moves rate/60 of
    // the way, and n steps compose, 1 - (1 - rate/60)^n of the way.
    struct Case {
        float rate, seconds, expected;
        const char* why;
    };
    const Case cases[] = {
        {5.0f, 1.0f / 60.0f, 10.0f * 5.0f / 60.0f, "one step: rate·dt"},
        {5.0f, 1.0f / 30.0f, 10.0f * 23.0f / 144.0f, "two steps: 1 - (11/12)² = 23/144"},
        {5.0f, 1.0f / 120.0f, 10.0f * 0.0425729f, "half a step: 1 - (11/12)^0.5"},
        {50.0f, 0.1f, 10.0f * (1.0f - 1.0f / 46656.0f), "six steps of 5/6: 1 - (1/6)^6, never past the target"},
        {90.0f, 1.0f / 240.0f, 10.0f, "a step of more than the way lands on the target"},
        {-5.0f, 0.1f, 0.0f, "a negative rate never runs away"},
        {5.0f, 0.0f, 0.0f, "paused"},
        {nan, 0.1f, 0.0f, "a broken rate"},
        {5.0f, nan, 0.0f, "a broken frame time"},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(SmoothToward(0.0f, 10.0f, c.rate, composedSteps(c.seconds, kSixtieth)), c.expected, 1e-5f) << c.why;
    EXPECT_TRUE(near3(SmoothToward(Vector3(0, 0, 0), Vector3(2, 4, -6), 15.0f, kOneStep), Vector3(0.5f, 1, -1.5f)));
    // At exactly 60 frames a second the weight is the product rate·dt to the last bit, as the
    // cameras were tuned; and any two frames make the step of their sum.
    for (const float rate : {0.765f, 1.45f, 6.0f, 8.0f, 12.0f, 20.0f, 22.0f, 59.9f}) {
        EXPECT_EQ(followWeight(rate, composedSteps(1.0f / 60.0f, kSixtieth)), rate * (1.0f / 60.0f)) << rate;
        const float a = followWeight(rate, composedSteps(0.004f, kSixtieth));
        const float b = followWeight(rate, composedSteps(0.011f, kSixtieth));
        EXPECT_NEAR(1.0f - (1.0f - a) * (1.0f - b), followWeight(rate, composedSteps(0.015f, kSixtieth)), 1e-6f)
            << rate;
    }
    // A weight tuned per step composes too: the chase camera's blend, (2 - t)·t·0.75 a step.
    EXPECT_NEAR(composedWeight(0.5f, composedSteps(1.0f / 30.0f, kSixtieth)), 0.75f, 1e-6f);
}

TEST(FrameClock, TheWallClockCountsFromFrameToFrameAndAHitchAsAFifthOfASecond) {
    FrameClock c;
    const struct {
        std::int64_t counter;
        float seconds;
        const char* what;
    } ticks[] = {
        {1000, kSixtieth, "the first tick has nothing to count from"},
        {1020, 0.02f, "20 ms at 1 kHz"},
        {3020, 0.2f, "a 2 s hitch counts as 0.2 s"},
        {3020, 0.0001f, "no time at all counts as 0.1 ms"},
    };
    for (const auto& t : ticks) {
        tickFrameClock(c, t.counter, 1000);
        EXPECT_NEAR(c.wallSeconds, t.seconds, 1e-7f) << t.what;
    }
}

}  // namespace
}  // namespace velmora
