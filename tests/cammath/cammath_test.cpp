#include "cammath/cammath.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "shell/natives.h"
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
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b), cc = std::cos(c),
                 sc = std::sin(c);
    // Rz·Ry·Rx multiplied out.
    return {{{cc * cb, cc * sb * sa - sc * ca, cc * sb * ca + sc * sa},
             {sc * cb, sc * sb * sa + cc * ca, sc * sb * ca - cc * sa},
             {-sb, cb * sa, cb * ca}}};
}

TEST(EulerToQuaternion, RotatesTheBasisLikeTheHandBuiltMatrix) {
    const Rotation rotations[] = {
        {0, 0, 0},      {10, 20, 30},   {-45, 0, 90},  {0, 0, 180},    {0, 0, 179.9f}, {89, 0, -90},
        {-30, 60, -150}, {5, -170, 270}, {0, 90, 0},    {120, 10, 45},  {-89.9f, 1, 1}, {0, 0, -180},
    };
    for (const Rotation& r : rotations) {
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
}

TEST(EulerToQuaternion, FigureAndConventions) {
    const Quaternion identity = EulerToQuaternion({0, 0, 0});
    EXPECT_EQ(identity.coeffs(), Quaternion::Identity().coeffs());
    // qZ(30)·qY(20)·qX(10), worked out independently in double precision.
    const Quaternion q = EulerToQuaternion({10, 20, 30});
    EXPECT_NEAR(q.x(), 0.0381346f, 1e-6f);
    EXPECT_NEAR(q.y(), 0.1893079f, 1e-6f);
    EXPECT_NEAR(q.z(), 0.2392983f, 1e-6f);
    EXPECT_NEAR(q.w(), 0.9515485f, 1e-6f);

    const Vector3 forward(0, 1, 0);
    EXPECT_TRUE(near3(EulerToQuaternion({0, 0, 90}) * forward, Vector3(-1, 0, 0)));  // heading 90 faces -X
    EXPECT_GT((EulerToQuaternion({30, 0, 0}) * forward).z(), 0.49f);                 // positive pitch looks up
    EXPECT_LT((EulerToQuaternion({0, 30, 0}) * Vector3(1, 0, 0)).z(), -0.49f);      // positive roll dips the right
}

Quaternion axisTurn(float degrees, int axis) {
    return Quaternion(Eigen::AngleAxisf(degrees * kDegToRad, Vector3::Unit(axis)));
}

TEST(QuaternionToEuler, TakesApartYawThenPitchThenRoll) {
    // The decomposition has pitch in the middle: q = qZ(yaw)·qX(pitch)·qY(roll).
    const Rotation rotations[] = {{10, 20, 30}, {-45, 0, 90}, {0, 0, 179.5f}, {80, -120, -60}, {-85, 5, 10}};
    for (const Rotation& r : rotations) {
        const Quaternion q = axisTurn(r.z, 2) * axisTurn(r.x, 0) * axisTurn(r.y, 1);
        const Rotation back = QuaternionToEuler(q);
        EXPECT_NEAR(back.x, r.x, 2e-3f);
        EXPECT_NEAR(back.y, r.y, 2e-3f);
        EXPECT_NEAR(back.z, r.z, 2e-3f);
    }
    // Yaw comes back in (-180, 180].
    EXPECT_NEAR(QuaternionToEuler(axisTurn(270, 2)).z, -90.0f, 1e-3f);
}

TEST(QuaternionToEuler, InvertsEulerToQuaternionWhenRollIsZero) {
    // With roll 0 both orders are Rz·Rx, which is what lets the cameras drop roll and
    // convert back exactly; with roll they differ.
    for (const Rotation& r : {Rotation{10, 0, 30}, Rotation{-60, 0, -150}, Rotation{85, 0, 5}}) {
        const Rotation back = QuaternionToEuler(EulerToQuaternion(r));
        EXPECT_NEAR(back.x, r.x, 2e-3f);
        EXPECT_NEAR(back.y, 0.0f, 2e-3f);
        EXPECT_NEAR(back.z, r.z, 2e-3f);
    }
    const Rotation rolled = QuaternionToEuler(EulerToQuaternion({10, 20, 30}));
    EXPECT_GT(std::fabs(rolled.z - 30.0f), 1.0f);
}

TEST(QuaternionToEuler, ASlightlyLongQuaternionAtTheVerticalStaysFinite) {
    // |q| a little over 1 at pitch 90: 2(wx + yz) = 1.00025 would make asin's NaN.
    const Quaternion q(0.7072f, 0.7072f, 0.0f, 0.0f);
    const Rotation r = QuaternionToEuler(q);
    EXPECT_TRUE(std::isfinite(r.x));
    EXPECT_NEAR(r.x, 90.0f, 1e-3f);
    EXPECT_NEAR(QuaternionToEuler(Quaternion(0.7072f, -0.7072f, 0, 0)).x, -90.0f, 1e-3f);
}

TEST(QuaternionSlerp, EdgesAndShortestPath) {
    const Quaternion a = EulerToQuaternion({0, 0, 0});
    const Quaternion b = EulerToQuaternion({0, 0, 90});
    EXPECT_TRUE(QuaternionSlerp(a, b, 0.0f).isApprox(a));
    EXPECT_TRUE(QuaternionSlerp(a, b, 1.0f).isApprox(b));
    EXPECT_NEAR(QuaternionToEuler(QuaternionSlerp(a, b, 0.5f)).z, 45.0f, 1e-3f);

    // The negated quaternion is the same rotation: the path stays the short one.
    const Quaternion negB(-b.w(), -b.x(), -b.y(), -b.z());
    EXPECT_NEAR(QuaternionToEuler(QuaternionSlerp(a, negB, 0.5f)).z, 45.0f, 1e-3f);

    // q1 = -q0: the sign flip makes them equal, the linear weights apply, q0 comes back.
    const Quaternion q0 = EulerToQuaternion({20, 10, 70});
    const Quaternion q1(-q0.w(), -q0.x(), -q0.y(), -q0.z());
    for (const float t : {0.0f, 0.3f, 1.0f}) EXPECT_TRUE(QuaternionSlerp(q0, q1, t).coeffs().isApprox(q0.coeffs(), 1e-6f));
}

TEST(LookRotation, TurnsForwardOntoTheDirectionAndKeepsTheHorizon) {
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
    Vector3 ahead(0, 1, 0);
    EXPECT_NEAR(std::fabs(LookRotation(ahead).w()), 1.0f, kTolerance);  // identity up to sign
    Vector3 right(1, 0, 0);
    const Rotation r = QuaternionToEuler(LookRotation(right));
    EXPECT_NEAR(r.x, 0.0f, 1e-3f);
    EXPECT_NEAR(r.y, 0.0f, 1e-3f);
    EXPECT_NEAR(r.z, -90.0f, 1e-3f);
}

TEST(LookRotation, DegenerateDirectionsGiveTheDocumentedFiniteAnswers) {
    Vector3 zero(0, 0, 0);
    EXPECT_TRUE(LookRotation(zero).coeffs().isApprox(Quaternion::Identity().coeffs()));

    Vector3 up(0, 0, 5);
    const Quaternion lookUp = LookRotation(up);
    EXPECT_TRUE(near3(up, Vector3(0, 0, 1)));
    EXPECT_TRUE(isUnit(lookUp));
    EXPECT_TRUE(near3(lookUp * Vector3(0, 1, 0), Vector3(0, 0, 1)));   // looks up
    EXPECT_TRUE(near3(lookUp * Vector3(0, 0, 1), Vector3(0, -1, 0)));  // heading 0
    EXPECT_NEAR(QuaternionToEuler(lookUp).x, 90.0f, 0.05f);  // asin is steep next to 1

    Vector3 down(0, 0, -0.5f);
    const Quaternion lookDown = LookRotation(down);
    EXPECT_TRUE(near3(lookDown * Vector3(0, 1, 0), Vector3(0, 0, -1)));
    EXPECT_TRUE(near3(lookDown * Vector3(0, 0, 1), Vector3(0, 1, 0)));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    Vector3 broken(nan, 1, 0);
    EXPECT_TRUE(LookRotation(broken).coeffs().allFinite());

    // Along a custom up vector: oriented by world up instead.
    Vector3 along(1, 0, 0);
    const Quaternion q = LookRotationUp(along, Vector3(2, 0, 0));
    EXPECT_TRUE(near3(q * Vector3(0, 1, 0), Vector3(1, 0, 0)));
    EXPECT_GT((q * Vector3(0, 0, 1)).z(), 0.99f);
    Vector3 any(0.2f, 0.9f, 0.1f);
    EXPECT_TRUE(LookRotationUp(any, Vector3(0, 0, 0)).coeffs().allFinite());
}

TEST(LookRotationUp, TheUpVectorSetsTheRoll) {
    Vector3 d(0, 1, 0);
    const Quaternion q = LookRotationUp(d, Vector3(1, 0, 1));  // up tilted toward +X
    EXPECT_TRUE(near3(q * Vector3(0, 1, 0), Vector3(0, 1, 0)));
    EXPECT_TRUE(near3(q * Vector3(0, 0, 1), Vector3(0.70710677f, 0, 0.70710677f)));
}

TEST(LookBasis, ColumnsAreRightTrueUpAndBackward) {
    Vector3 d(0, 2, 0);
    const Matrix3 m = LookBasis(d, worldUp());
    EXPECT_TRUE(near3(m.col(0), Vector3(1, 0, 0)));
    EXPECT_TRUE(near3(m.col(1), Vector3(0, 0, 1)));
    EXPECT_TRUE(near3(m.col(2), Vector3(0, -1, 0)));
}

struct LookDeltaCase {
    const char* what;
    LookAxes axes;
    float deadzone;
    bool easing;
    float yaw;    // expected raw delta, with LookWeight 0
    float pitch;
};

TEST(ReadLookDelta, RawDeltasFromMouseAndStick) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Stick at 0.5 without dead zone, eased: 1 - cos(0.5 * pi/2) = 0.2928932, times 2.
    const LookDeltaCase cases[] = {
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
    };
    for (const LookDeltaCase& c : cases) {
        InputSettings input;
        input.gamepadDeadzone = c.deadzone;
        input.gamepadEasing = c.easing;
        LookSmoothing state;
        const LookDelta d = lookDeltaFromAxes(c.axes, input, 0.0f, 0.016f, state);
        EXPECT_NEAR(d.yaw, c.yaw, 1e-5f) << c.what;
        EXPECT_NEAR(d.pitch, c.pitch, 1e-5f) << c.what;
        EXPECT_EQ(state.yaw, 0.0f) << c.what << ": no smoothing at LookWeight 0";
    }
}

TEST(ReadLookDelta, SensitivitiesScaleTheirOwnDevice) {
    InputSettings input;
    input.mouseSensibility = 2.0f;
    input.gamepadSensibility = 3.0f;
    input.gamepadEasing = false;
    LookSmoothing state;
    EXPECT_NEAR(lookDeltaFromAxes({0.1f, 0, true}, input, 0, 0.016f, state).yaw, -1.0f, 1e-6f);
    EXPECT_NEAR(lookDeltaFromAxes({0.1f, 0, false}, input, 0, 0.016f, state).yaw, -0.6f, 1e-6f);
    // Huge enough to overflow: treated as no look rather than an infinite turn.
    input.mouseSensibility = 3e38f;
    EXPECT_EQ(lookDeltaFromAxes({1.0f, 1.0f, true}, input, 0, 0.016f, state).yaw, 0.0f);
}

TEST(ReadLookDelta, SmoothingFollowsTheDeltaAndDecaysInsideTheDeadZone) {
    InputSettings input;
    input.gamepadDeadzone = 0.2f;
    LookSmoothing state;
    // LookWeight 14 at 0.016 s: a = 0.224 of the way each frame.
    const LookDelta first = lookDeltaFromAxes({0.2f, 0, true}, input, 14.0f, 0.016f, state);
    EXPECT_NEAR(first.yaw, -1.0f * 0.224f, 1e-6f);
    const LookDelta second = lookDeltaFromAxes({0.2f, 0, true}, input, 14.0f, 0.016f, state);
    EXPECT_NEAR(second.yaw, -0.224f + 0.224f * (-1.0f + 0.224f), 1e-6f);
    // The stick inside its dead zone: the state decays toward 0 but is not 0 yet.
    const LookDelta resting = lookDeltaFromAxes({0.05f, 0, false}, input, 14.0f, 0.016f, state);
    EXPECT_LT(resting.yaw, 0.0f);
    EXPECT_GT(resting.yaw, second.yaw);
    // A frame time long enough clamps the factor at 1: the delta itself.
    EXPECT_EQ(lookDeltaFromAxes({0.2f, 0, true}, input, 14.0f, 1.0f, state).yaw, -1.0f);

    // With a dead zone of 1 and NaN axes, the state stays finite whatever comes.
    input.gamepadDeadzone = 1.0f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int frame = 0; frame < 10; ++frame) lookDeltaFromAxes({nan, 1.0f, false}, input, 14.0f, 0.016f, state);
    EXPECT_TRUE(std::isfinite(state.yaw) && std::isfinite(state.pitch));
}

TEST(ReadLookDelta, ReadsTheTwoLookControlsOfGroupTwo) {
    testing::FakeRuntime fake;
    const HostRuntime runtime = fake.table();
    fake.answer(natives::lastInputWasKeyboardMouse, true);
    fake.answer(natives::controlValue, 0.1f);
    SettingsRecord settings;
    settings.firstPersonView.LookWeight = 0.0f;
    LookSmoothing state;
    const LookDelta d = ReadLookDelta(runtime, settings, 0.016f, state);
    EXPECT_NEAR(d.yaw, -0.5f, 1e-6f);
    EXPECT_NEAR(d.pitch, -0.5f, 1e-6f);
    ASSERT_EQ(fake.calls().size(), 3u);
    EXPECT_EQ(fake.calls()[0].slots, (std::vector<std::uint64_t>{2, 1}));
    EXPECT_EQ(fake.calls()[1].slots, (std::vector<std::uint64_t>{2, 2}));
    EXPECT_EQ(fake.calls()[2].hash, natives::lastInputWasKeyboardMouse.hash);
    EXPECT_EQ(fake.calls()[2].slots, (std::vector<std::uint64_t>{2}));
}

TEST(Wrap, DegreeWrapping) {
    struct Case {
        float in, wrap360, floor360, wrap180;
    };
    const Case cases[] = {
        {-90, 270, 270, -90}, {360, 0, 0, 0},       {725, 5, 5, 5},       {-720, 0, 0, 0},
        {180, 180, 180, -180}, {-180, 180, 180, -180}, {190, 190, 190, -170}, {359.5f, 359.5f, 359.5f, -0.5f},
        {-0.00001f, 0, 0, 0},  // rounds to 360 before the wrap; 0 after
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(WrapDegrees360(c.in), c.wrap360, 1e-4f) << c.in;
        EXPECT_NEAR(wrapDegreesFloor360(c.in), c.floor360, 1e-4f) << c.in;
        EXPECT_NEAR(wrapDegrees180(c.in), c.wrap180, 1e-4f) << c.in;
    }
}

TEST(SmoothToward, TheFactorIsClampedToZeroOne) {
    EXPECT_FLOAT_EQ(SmoothToward(0.0f, 10.0f, 5.0f, 0.1f), 5.0f);
    EXPECT_FLOAT_EQ(SmoothToward(0.0f, 10.0f, 50.0f, 0.1f), 10.0f);  // never overshoots
    EXPECT_FLOAT_EQ(SmoothToward(3.0f, 10.0f, -5.0f, 0.1f), 3.0f);   // never runs away
    EXPECT_FLOAT_EQ(SmoothToward(3.0f, 10.0f, 5.0f, 0.0f), 3.0f);    // paused
    EXPECT_FLOAT_EQ(SmoothToward(3.0f, 10.0f, std::numeric_limits<float>::quiet_NaN(), 0.1f), 3.0f);
    EXPECT_TRUE(near3(SmoothToward(Vector3(0, 0, 0), Vector3(2, 4, -6), 2.5f, 0.1f), Vector3(0.5f, 1, -1.5f)));
}

TEST(EntityRotation, ReadsTheRotationOfTheHandleWithTheOrder) {
    testing::FakeRuntime fake;
    fake.answer(natives::scriptedCameraRotation, Rotation{-5.0f, 0.5f, 123.0f});
    const Rotation r = EntityRotation(fake.table(), 42, 2);
    EXPECT_EQ(r.z, 123.0f);
    EXPECT_EQ(fake.calls()[0].slots, (std::vector<std::uint64_t>{42, 2}));
}

}  // namespace
}  // namespace velmora
