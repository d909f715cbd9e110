// Every built-in scenario does what its description promises, played with the shipped
// settings. The expected values are worked out here from the camera formulas and the
// catalogue's bones; the checks read what the game was shown (the trace) wherever that can
// tell, and the plug-in's state only where it cannot.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>

#include "shell/velmora.h"
#include "sim/runner.h"
#include "support/expected_chase.h"

namespace velmora {
namespace {

using sim::Simulation;
using sim::TraceRow;
using testing::defaultChaseOf;
using testing::followed;

constexpr float kDt = 1.0f / 60.0f;

std::unique_ptr<Simulation> played(const char* name, const std::function<void(Simulation&)>& eachFrame = {}) {
    sim::RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    auto run = std::make_unique<Simulation>(sim::findScenario(name), options);
    run->start();
    while (run->step())
        if (eachFrame) eachFrame(*run);
    EXPECT_FALSE(run->error()) << name << ": " << run->error().value_or("");
    EXPECT_EQ(run->world.faults.fovOutOfRange, 0) << name;
    EXPECT_EQ(run->world.faults.cameraUnderGround, 0) << name;
    return run;
}

float wrap180(float degrees) { return std::remainder(degrees, 360.0f); }

// The camera's offset in the car's frame (x right, y forward, z up; yaw only).
Vector3 offsetInCar(const TraceRow& r) {
    const float yaw = r.vehicleYaw * 3.14159265f / 180.0f;
    const Vector3 d = r.cameraPosition - r.vehiclePosition;
    return Vector3(std::cos(yaw) * d.x() + std::sin(yaw) * d.y(), -std::sin(yaw) * d.x() + std::cos(yaw) * d.y(), d.z());
}

float yawFromCar(const TraceRow& r) { return wrap180(r.cameraRotation.z - r.vehicleYaw); }

// The camera's distance from the look-at point at a height above the car's origin.
float fromLookAt(const TraceRow& r, float height) {
    return (r.cameraPosition - (r.vehiclePosition + Vector3(0, 0, height))).norm();
}

// Frames [first, last] all show (or all do not show) the scripted camera.
::testing::AssertionResult scriptedOver(const Simulation& run, int first, int last, bool scripted) {
    for (int f = first; f <= last; ++f)
        if (run.trace().at(static_cast<std::size_t>(f)).scripted != scripted)
            return ::testing::AssertionFailure() << "frame " << f << " shows the " << (scripted ? "game's" : "scripted")
                                                 << " camera";
    return ::testing::AssertionSuccess();
}

const TraceRow& at(const Simulation& run, int frame) { return run.trace().at(static_cast<std::size_t>(frame)); }

TEST(BuiltinScenario, Drive) {
    auto run = played("drive");
    // Seated at frame 30; its tick waits a frame for the new vehicle, so the camera shows
    // from 31, in the medium view the player had on foot, until the player is out (775).
    EXPECT_TRUE(scriptedOver(*run, 0, 30, false));
    EXPECT_TRUE(scriptedOver(*run, 31, 774, true));
    EXPECT_TRUE(scriptedOver(*run, 775, 899, false));
    // The game's view mode follows the cycle a frame after each press: far, first person,
    // near, medium; on leaving it keeps the medium view.
    const std::pair<int, int> modes[] = {{100, 1}, {361, 2}, {421, 4}, {481, 0}, {601, 1}, {775, 1}, {899, 1}};
    for (const auto& [frame, mode] : modes) EXPECT_EQ(at(*run, frame).onFootViewMode, mode) << frame;
    // In the right-hand bend the camera's heading crosses north: the heading handed to the
    // minimap follows it the short way round, frame by frame. It follows at 6 per second,
    // so a turn of 25 degrees per second leaves it w(1 - s)/s = 3.75 degrees behind (w the
    // turn per frame, s = 0.1 the follower's step), and the whole degrees cut up to 1 more.
    for (int f = 120; f < 360; ++f) {
        const TraceRow& r = at(*run, f);
        EXPECT_LE(std::fabs(wrap180(static_cast<float>(r.minimap) - r.cameraRotation.z)), 3.75f + 1.0f + 0.5f) << f;
        EXPECT_LE(std::fabs(wrap180(static_cast<float>(r.minimap - at(*run, f - 1).minimap))), 2.0f) << f;
    }
    EXPECT_LT(at(*run, 330).vehicleYaw, -60.0f);  // 2.5 s at -25 degrees per second
    EXPECT_EQ(at(*run, 775).minimap, -1);           // on foot the minimap is the game's again
}

TEST(BuiltinScenario, ChaseCycle) {
    auto run = played("chase-cycle");
    // Settled on the rod of each camera: its length from the look-at point.
    struct Settled { int frame, camera; };
    for (const Settled& s : {Settled{149, 0}, Settled{299, 1}, Settled{449, 2}, Settled{659, 0}}) {
        // The body is measured only while a blend is under way, so the rod stops within the
        // settled threshold (0.002, one step further at most) of its length.
        const testing::ChaseGeometry g = defaultChaseOf("compact", s.camera);
        EXPECT_NEAR(fromLookAt(at(*run, s.frame), g.lookAtHeight()), g.distance, 2.5e-3f) << s.frame;
    }
    // Each change blends: the camera moves out (or back in) a little every frame, never jumps.
    auto reach = [&](int f) { return -offsetInCar(at(*run, f)).y(); };
    struct Blend { int from, to; float sign; };
    for (const Blend& b : {Blend{150, 298, 1.0f}, Blend{300, 448, 1.0f}, Blend{541, 658, -1.0f}}) {
        for (int f = b.from; f < b.to; ++f) {
            const float step = b.sign * (reach(f + 1) - reach(f));
            EXPECT_GE(step, -1e-3f) << f;
            EXPECT_LT(step, 0.1f) << f;
        }
    }
    EXPECT_EQ(at(*run, 451).onFootViewMode, 4);  // first person between 450 and 540
    EXPECT_EQ(at(*run, 541).onFootViewMode, 0);
}

// The aim bias of one chase frame, worked out with Eigen from the frame's rod end C: the
// view from C at the look-at point A, turned toward the middle of the body.
struct Biased {
    Vector3 position;
    float yaw, pitch;   // degrees
    float biasDegrees;  // angle between the biased view and the plain one
};

Quaternion lookAlong(const Vector3& direction) {
    const Vector3 f = direction.normalized();
    const Vector3 r = f.cross(Vector3::UnitZ()).normalized();
    Matrix3 m;
    m.col(0) = r;
    m.col(1) = f;
    m.col(2) = r.cross(f);
    return Quaternion(m);
}

Biased aimBias(const Vector3& a, const Vector3& c, const Vector3& forward, float front, float rear, float distance,
               float travelBlend) {
    const Quaternion qA = lookAlong(a - c);
    const Quaternion qF = lookAlong(a + front * forward - c);
    const Quaternion qR = lookAlong(a - rear * forward - c);
    const float along = ((qA * Vector3::UnitY()).dot(forward) + 1.0f) * 0.5f;
    const Quaternion qM = qR.slerp(std::clamp(0.5f * along, 0.0f, 1.0f), qF);
    const float k = (1.0f - travelBlend) * std::max(along, 0.875f) * 0.15f;
    const Quaternion qE = qA.slerp(k, qM);
    const Vector3 view = qE * Vector3::UnitY();
    Biased b;
    b.position = a - distance * view;
    b.yaw = std::atan2(-view.x(), view.y()) * 57.29578f;
    b.pitch = std::asin(view.z()) * 57.29578f;
    b.biasDegrees = qE.angularDistance(qA) * 57.29578f;
    return b;
}

TEST(BuiltinScenario, ChaseCorner) {
    const testing::BodyReach body = testing::bodyReachOf("sports");
    const testing::ChaseGeometry g = defaultChaseOf("sports", 1);
    float largestBias = 0.0f;
    auto run = played("chase-corner", [&](Simulation& r) {
        const int frame = r.world.frame - 1;  // the frame just played
        if (frame < 200 || frame > 359) return;
        // In the bend, with no look and the car on its wheels, the camera aims along the
        // rod, turned toward the middle of the body by the bias.
        const TraceRow& row = r.trace().back();
        const Vector3 a = row.vehiclePosition + Vector3(0, 0, g.lookAtHeight());
        const Vector3 forward = r.plugin.sample.vehicleForward;
        const Biased expected =
            aimBias(a, r.plugin.chaseState.trailPoint, forward, body.front, body.rear, g.distance, 0.0f);
        EXPECT_LT((row.cameraPosition - expected.position).norm(), 2e-3f) << frame;
        EXPECT_NEAR(wrap180(row.cameraRotation.z - expected.yaw), 0.0f, 0.02f) << frame;
        EXPECT_NEAR(row.cameraRotation.x, expected.pitch - 3.5f, 0.02f) << frame;
        largestBias = std::max(largestBias, expected.biasDegrees);
    });
    EXPECT_GT(largestBias, 0.1f);  // it acts: about 2 cm at the camera
    // Deep in the left-hand bend the camera trails inside it and looks out of it; on the
    // straight it is back behind the car.
    EXPECT_LT(offsetInCar(at(*run, 350)).x(), -0.3f);
    EXPECT_LT(yawFromCar(at(*run, 350)), -5.0f);
    EXPECT_NEAR(offsetInCar(at(*run, 599)).x(), 0.0f, 0.05f);
    EXPECT_NEAR(yawFromCar(at(*run, 599)), 0.0f, 0.5f);
}

TEST(BuiltinScenario, ChaseWall) {
    const testing::ChaseGeometry g = defaultChaseOf("compact", 1);
    // The wall's face toward the car is at y = -9. While the car backs toward it the camera
    // stops 0.22 in front of it (and 0.12 further along the view); it never shows the far side.
    int snaps = 0;
    Vector3 held = Vector3::Zero();      // the held point after the last frame
    Vector3 lastBase = Vector3::Zero();  // and the base point it rides with
    bool wasObstructed = false;
    auto run = played("chase-wall", [&](Simulation& r) {
        const TraceRow& row = r.trace().back();
        EXPECT_GT(row.cameraPosition.y(), -9.0f) << row.frame;
        const bool obstructed = r.plugin.chaseState.obstructed;
        const Vector3 base = row.vehiclePosition + Vector3(0, 0, g.height);
        // Easing back out (riding with the car), the camera drops onto its free point only
        // once within 0.05 of it: one ease step (7 per second) from the last held point is
        // then within 0.05/(1 - 7dt).
        if (wasObstructed && !obstructed) {
            ++snaps;
            EXPECT_LT((row.cameraPosition - (held + base - lastBase)).norm(), 0.05f / (1.0f - 7.0f * kDt)) << row.frame;
        }
        wasObstructed = obstructed;
        held = r.plugin.chaseState.obstructedPoint;
        lastBase = base;
    });
    EXPECT_NEAR(at(*run, 199).cameraPosition.y(), -9.0f + 0.22f + 0.12f, 0.02f);
    EXPECT_EQ(snaps, 1);
    EXPECT_NEAR(fromLookAt(at(*run, 419), g.lookAtHeight()), g.distance, 2e-3f);
}

// A load hitched at frame `attachAt` and unhooked at `detachAt`: the attachment check runs
// about once a second, so the new targets come at most a second later; from then on the
// rod's length and the look-at point's lift follow at 1.75 and 1.45 per second.
void checkAttachment(const char* scenario, const char* truck, const char* load, float margin, float lift,
                     int attachAt, int detachAt) {
    const testing::BodyReach reach = testing::bodyReachOf(load);
    const float length = reach.front + reach.rear + margin;
    int hitched = -1, unhooked = -1;
    std::map<int, float> heights;  // by frame
    auto run = played(scenario, [&](Simulation& r) {
        const int frame = r.world.frame - 1;
        const ChaseState& c = r.plugin.chaseState;
        if (hitched < 0 && c.attachmentHeightTarget == lift) hitched = frame;
        if (hitched >= 0 && unhooked < 0 && frame > detachAt && c.attachmentHeightTarget == 0.0f) unhooked = frame;
        heights[frame] = c.attachmentHeight;
    });
    ASSERT_GE(hitched, attachAt) << scenario;
    EXPECT_LE(hitched, attachAt + 62) << scenario;
    EXPECT_NEAR(run->plugin.chaseState.attachmentLengthTarget, 0.0f, 1e-6f);
    for (const int n : {0, 10, 100}) {
        EXPECT_NEAR(heights.at(hitched + n), followed(0.0f, lift, 1.45f, kDt, n + 1), 1e-4f)
            << scenario << " " << n << " frames after the hitch is seen";
    }
    // Just before unhooking, the camera hangs on the lengthened rod from the raised look-at point.
    const int before = detachAt - 1;
    const testing::ChaseGeometry g = defaultChaseOf(truck, 1);
    const float rod = g.distance + followed(0.0f, length, 1.75f, kDt, before - hitched + 1);
    const float raised = followed(0.0f, lift, 1.45f, kDt, before - hitched + 1);
    EXPECT_NEAR(fromLookAt(at(*run, before), g.lookAtHeight(raised)), rod, 5e-3f) << scenario;
    // Unhooked: both ease back toward nothing.
    ASSERT_GT(unhooked, detachAt) << scenario;
    EXPECT_LE(unhooked, detachAt + 62) << scenario;
    EXPECT_LT(heights.rbegin()->second, heights.at(unhooked));
}

TEST(BuiltinScenario, ChaseTowAndTrailer) {
    checkAttachment("chase-tow", "towtruck", "compact", 2.0f, 0.75f, 60, 300);
    checkAttachment("chase-trailer", "tractor", "trailer", 1.85f, 1.45f, 60, 400);
}

TEST(BuiltinScenario, ChaseLook) {
    auto run = played("chase-look");
    // The car turns at 4 degrees per second; the frame for side looks follows its
    // orientation at (|v|·0.017 + 1.39)·3 per second, so it lags by w(1 - t)/t with w the
    // turn per frame and t the follower's step: 0.77 degrees at 12 m/s.
    const float t = (12.0f * 0.017f + 1.39f) * 3.0f * kDt;
    const float lag = (4.0f * kDt) * (1.0f - t) / t;
    struct Look { int frame; float yaw; const char* what; };
    const Look looks[] = {
        {369, 90.0f - lag, "look-left key: lookRightAngle to the left"},
        {439, -90.0f - lag, "look-right key: lookLeftAngle to the right"},
        {509, 180.0f - lag, "look-behind control"},
        {569, 90.0f - lag, "the manual-transmission plug-in's left look"},
        {629, 180.0f - lag, "its look back"},
    };
    for (const Look& l : looks) EXPECT_NEAR(wrap180(yawFromCar(at(*run, l.frame)) - l.yaw), 0.0f, 0.05f) << l.what;
    // Looking behind, the camera is the rod's length ahead of the car, looking back.
    EXPECT_GT(offsetInCar(at(*run, 509)).y(), 0.9f * defaultChaseOf("compact", 1).distance);

    // The mouse turns the view right and up, the stick left and down; both are held a
    // second, then the rod takes over again.
    EXPECT_LT(yawFromCar(at(*run, 89)), -30.0f);
    EXPECT_GT(at(*run, 89).cameraRotation.x, 15.0f);
    EXPECT_GT(yawFromCar(at(*run, 239)), 20.0f);
    EXPECT_LT(at(*run, 239).cameraRotation.x, -20.0f);
    EXPECT_NEAR(wrap180(yawFromCar(at(*run, 140)) - yawFromCar(at(*run, 89))), 0.0f, 4.0f);  // held (the car turns on)

    // Aiming from frame 660: the field of view narrows toward 60 as the aim follower
    // (8 per second) rises: 1 - (1 - 8/60)^40 after 40 frames.
    const float aim = 1.0f - std::pow(1.0f - 8.0f * kDt, 40.0f);
    EXPECT_NEAR(at(*run, 699).cameraFov, 77.5f + (60.0f - 77.5f) * aim, 1e-3f);
}

TEST(BuiltinScenario, WhileAimingTheCameraRisesByTheAimLift) {
    // Aiming holds the free look, so the rod hangs from the look-at point raised by
    // 0.22·aimBlend and the camera aims from its rod end C at the unraised point A.
    const testing::ChaseGeometry g = defaultChaseOf("compact", 1);
    auto run = played("chase-look", [&](Simulation& r) {
        const int frame = r.world.frame - 1;
        if (frame < 661 || frame > 699) return;
        const float aim = 1.0f - std::pow(1.0f - 8.0f * kDt, static_cast<float>(frame - 659));
        const TraceRow& row = r.trace().back();
        const Vector3 a = row.vehiclePosition + Vector3(0, 0, g.lookAtHeight());
        const Vector3 raised = a + Vector3(0, 0, 0.22f * aim);
        const Vector3 c = r.plugin.chaseState.trailPoint;
        const Vector3 expected = raised - g.distance * (a - c).normalized();
        EXPECT_LT((row.cameraPosition - expected).norm(), 2e-3f) << frame;
    });
}

TEST(BuiltinScenario, ChaseUnsupported) {
    auto run = played("chase-unsupported");
    // The boat (seated 10 to 80) and the helicopter (105 to 170) keep the game's camera,
    // and the minimap is left to the game.
    EXPECT_TRUE(scriptedOver(*run, 0, 195, false));
    EXPECT_EQ(at(*run, 60).minimap, -1);
    EXPECT_EQ(at(*run, 150).minimap, -1);
    // The motorcycle sits its camera a metre further back and at 1.38 m (plus the medium
    // camera's 0.3), seat-anchored.
    EXPECT_TRUE(scriptedOver(*run, 196, 299, true));
    const testing::ChaseGeometry g = defaultChaseOf("motorcycle", 1, true);
    EXPECT_NEAR(g.height, 1.38f + 0.3f, 1e-6f);
    EXPECT_NEAR(fromLookAt(at(*run, 299), g.lookAtHeight()), g.distance, 2e-3f);
}

TEST(BuiltinScenario, ChaseBroken) {
    auto run = played("chase-broken");
    // NaN from frame 100 to 129: the camera keeps the pose of frame 100, then trails again.
    for (int f = 101; f < 130; ++f) EXPECT_EQ(at(*run, f).cameraPosition, at(*run, 100).cameraPosition) << f;
    for (const TraceRow& r : run->trace()) ASSERT_TRUE(r.cameraPosition.allFinite() && std::isfinite(r.cameraFov));
    // The car turns steadily throughout: recovered, the camera trails it as it did before.
    EXPECT_NEAR(yawFromCar(at(*run, 299)), yawFromCar(at(*run, 99)), 0.5f);
    EXPECT_NEAR(offsetInCar(at(*run, 299)).norm(), offsetInCar(at(*run, 99)).norm(), 0.05f);
}

TEST(BuiltinScenario, FirstPersonEntry) {
    auto run = played("first-person-entry");
    // Seated at 15: for 45 frames (16 to 60) the game shows its own first person, which the
    // plug-in asked for on foot; the own camera starts on frame 61.
    EXPECT_TRUE(scriptedOver(*run, 0, 60, false));
    for (int f = 16; f <= 60; ++f) {
        EXPECT_EQ(at(*run, f).vehicleViewMode, 4) << f;
        EXPECT_LT((at(*run, f).cameraPosition - at(*run, f).vehiclePosition).norm(), 1.5f) << f;  // in the cabin
    }
    EXPECT_TRUE(scriptedOver(*run, 61, 129, true));
    EXPECT_EQ(at(*run, 130).onFootViewMode, 4);  // out again: first person stays the game's view
}

TEST(BuiltinScenario, Handoff) {
    auto run = played("handoff");
    // Medium, far at 60, then the game's own first person from 150 until the press at 210,
    // after which the near chase camera comes back.
    EXPECT_TRUE(scriptedOver(*run, 1, 149, true));
    EXPECT_TRUE(scriptedOver(*run, 150, 210, false));
    for (int f = 151; f <= 210; ++f) EXPECT_EQ(at(*run, f).vehicleViewMode, 4) << f;
    EXPECT_TRUE(scriptedOver(*run, 211, 359, true));
    const testing::ChaseGeometry near = defaultChaseOf("suv", 0);
    EXPECT_NEAR(fromLookAt(at(*run, 359), near.lookAtHeight()), near.distance, 2.5e-3f);
}

TEST(BuiltinScenario, Toggle) {
    auto run = played("toggle");
    // Released at 40: off. Held from 90, the focus lost at 110 counts as a release: on. The
    // focus back at 130 with the key still held, released at 150: off again.
    EXPECT_TRUE(scriptedOver(*run, 1, 39, true));
    EXPECT_TRUE(scriptedOver(*run, 40, 109, false));
    EXPECT_TRUE(scriptedOver(*run, 110, 149, true));
    EXPECT_TRUE(scriptedOver(*run, 150, 199, false));
    EXPECT_EQ(at(*run, 60).minimap, -1);  // switched off, nothing of Velmora's is left
}

TEST(BuiltinScenario, LookBehind) {
    float storedWhileHeld = -1.0f;
    auto run = played("look-behind", [&](Simulation& r) {
        if (r.world.frame - 1 == 89) storedWhileHeld = r.plugin.driver.smoothedHeading;
    });
    // The chase camera starts on frame 1 with a full catch-up: the minimap gets its heading at once.
    EXPECT_NEAR(at(*run, 1).minimap, static_cast<int>(wrap180(at(*run, 1).cameraRotation.z) + 360.0f) % 360, 1);
    // Held from 50 to 89: the camera looks back along the car (heading 30 + 180) and the
    // minimap gets that heading, while the stored heading points the other way.
    for (int f = 50; f < 90; ++f) {
        const TraceRow& r = at(*run, f);
        EXPECT_NEAR(wrap180(static_cast<float>(r.minimap) - r.cameraRotation.z), 0.0f, 1.0f) << f;
    }
    EXPECT_NEAR(wrap180(at(*run, 89).cameraRotation.z - 210.0f), 0.0f, 0.5f);
    EXPECT_NEAR(wrap180(storedWhileHeld - 30.0f), 0.0f, 2.0f);
}

TEST(BuiltinScenario, Unsupported) {
    auto run = played("unsupported");
    EXPECT_TRUE(scriptedOver(*run, 0, 225, false));
    // In the boat the game's own view key works: nothing disabled it.
    EXPECT_NE(at(*run, 41).vehicleViewMode, at(*run, 39).vehicleViewMode);
    EXPECT_TRUE(scriptedOver(*run, 226, 299, true));
}

}  // namespace
}  // namespace velmora
