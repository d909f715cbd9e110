// Every built-in scenario does what its description promises, played with the shipped settings. The expected values
// are worked out here from the camera formulas and the catalogue's bones; the checks read what the game was shown
// (the trace) wherever that can tell, and the plug-in's state only where it cannot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "config/load.h"
#include "config/schema.h"
#include "plugin/velmora.h"
#include "sim/runner.h"

namespace velmora {
namespace {

using sim::Simulation;
using sim::TraceRow;

constexpr float kDt = 1.0f / 60.0f;

// Plays a built-in scenario with the shipped settings and `fp`'s 1stPersonView values over them.
std::unique_ptr<Simulation> played(const char* name, const std::function<void(Simulation&)>& eachFrame = {},
                                   const std::map<std::string, std::string>& fp = {}) {
    sim::RunOptions options;
    options.iniPath = VELMORA_DEFAULT_INI_PATH;
    sim::Scenario scenario = sim::findScenario(name);
    for (const auto& [key, value] : fp) scenario.settings["1stPersonView"][key] = value;
    auto run = std::make_unique<Simulation>(scenario, options);
    run->start();
    for (bool more = true; more;) {
        more = run->step();
        if (eachFrame) eachFrame(*run);
    }
    EXPECT_FALSE(run->error()) << name << ": " << run->error().value_or("");
    EXPECT_EQ(static_cast<int>(run->trace().size()), run->scenario.frames) << name;
    EXPECT_EQ(run->world.allNotifications.size(), 1u) << name;  // found the settings
    const sim::Faults& f = run->world.faults;
    EXPECT_TRUE(f.fovOutOfRange == 0 && f.cameraUnderGround == 0 && f.textCut == 0)
        << name << ": " << f.fovOutOfRange << " " << f.cameraUnderGround << " " << f.textCut;
    for (const TraceRow& r : run->trace())
        if (!r.cameraPosition.allFinite() || !std::isfinite(r.cameraFov)) ADD_FAILURE() << name << " " << r.frame;
    return run;
}

// The chase rod with the shipped settings, worked out from the catalogue's bones (as the vehicle
// tests show): its length 1.45 + rear + 0.7 + distance, the base point's height min(up + 0.5, 2)
// + height above the origin, and the look-at point's, tan 3.5° × length + 0.15 above that.
struct Rod {
    float length, base, lookAt;
};
constexpr Rod kCompactRod[3] = {{4.55f, 1.57f, 1.99829f}, {5.35f, 1.87f, 2.34722f}, {6.15f, 2.12f, 2.64615f}};
constexpr Rod kSportsRod{5.55f, 1.71f, 2.19945f}, kTowTruckRod{6.15f, 1.96f, 2.48615f},
    kTractorRod{6.45f, 2.02f, 2.5645f}, kMotorcycleRod{5.2f, 1.68f, 2.14805f}, kSuvNearRod{4.95f, 1.72f, 2.17275f};

// A follower x += (target - x)·rate·dt after n frames from x0, in closed form.
float followed(float x0, float target, float rate, int frames) {
    return target + (x0 - target) * std::pow(1.0f - rate * kDt, static_cast<float>(frames));
}

float wrap180(float degrees) { return std::remainder(degrees, 360.0f); }

// The camera's offset in the car's frame (x right, y forward, z up; yaw only).
Vector3 offsetInCar(const TraceRow& r) {
    return sim::orientationOf(r.vehicleYaw, 0, 0).transpose() * (r.cameraPosition - r.vehiclePosition);
}

float yawFromCar(const TraceRow& r) { return wrap180(r.cameraRotation.z - r.vehicleYaw); }

// The camera's distance from the look-at point at a height above the car's origin.
float fromLookAt(const TraceRow& r, float height) {
    return (r.cameraPosition - r.vehiclePosition - Vector3(0, 0, height)).norm();
}

const TraceRow& at(const Simulation& run, int frame) { return run.trace().at(static_cast<std::size_t>(frame)); }

// From bounds[0] to bounds[1] - 1 the scripted camera shows (or, if not `first`, the game's),
// from there to bounds[2] - 1 the other, and so on.
::testing::AssertionResult shown(const Simulation& run, bool first, const std::vector<int>& bounds) {
    bool scripted = first;
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i, scripted = !scripted)
        for (int f = bounds[i]; f < bounds[i + 1]; ++f)
            if (at(run, f).scripted != scripted)
                return ::testing::AssertionFailure()
                       << "frame " << f << " shows the " << (scripted ? "game's" : "scripted") << " camera";
    return ::testing::AssertionSuccess();
}

TEST(BuiltinScenario, Drive) {
    auto run = played("drive");
    // Seated at frame 30; its tick waits a frame for the new vehicle, so the camera shows
    // from 31, in the medium view the player had on foot, until the player is out (775).
    EXPECT_TRUE(shown(*run, false, {0, 31, 775, 900}));
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
    EXPECT_EQ(at(*run, 775).minimap, -1);         // on foot the minimap is the game's again
}

TEST(BuiltinScenario, ChaseCycle) {
    auto run = played("chase-cycle");
    // Settled on the rod of each camera: its length from the look-at point. The body is measured only while a blend
    // is under way, so the rod stops within the settled threshold (0.002, one step further at most) of its length.
    for (const auto& [frame, camera] : {std::pair{149, 0}, std::pair{299, 1}, std::pair{449, 2}, std::pair{659, 0}})
        EXPECT_NEAR(fromLookAt(at(*run, frame), kCompactRod[camera].lookAt), kCompactRod[camera].length, 2.5e-3f)
            << frame;
    // Each change blends: the camera moves out (or back in) a little every frame, never jumps.
    auto reach = [&](int f) { return -offsetInCar(at(*run, f)).y(); };
    struct Blend {
        int from, to;
        float sign;
    };
    for (const Blend& b : {Blend{150, 298, 1.0f}, Blend{300, 448, 1.0f}, Blend{541, 658, -1.0f}})
        for (int f = b.from; f < b.to; ++f) {
            const float step = b.sign * (reach(f + 1) - reach(f));
            EXPECT_TRUE(step >= -1e-3f && step < 0.1f) << f << ": " << step;
        }
    EXPECT_TRUE(at(*run, 451).onFootViewMode == 4 && at(*run, 541).onFootViewMode == 0);  // first person in 450..540
}

// The view from c along a direction, upright: its columns right, forward and up.
Quaternion lookAlong(const Vector3& direction) {
    const Vector3 f = direction.normalized(), r = f.cross(Vector3::UnitZ()).normalized();
    Matrix3 m;
    m << r, f, r.cross(f);
    return Quaternion(m);
}

TEST(BuiltinScenario, ChaseCorner) {
    // In the bend, with no look and the car on its wheels, the camera aims from its rod end C at
    // the look-at point A, turned toward the middle of the body (the sports car reaches 2.2 m
    // each way): worked out with Eigen's own slerp.
    float largestBias = 0.0f;
    auto run = played("chase-corner", [&](Simulation& r) {
        const TraceRow& row = r.trace().back();
        if (row.frame < 200 || row.frame > 359) return;
        const Vector3 a = row.vehiclePosition + Vector3(0, 0, kSportsRod.lookAt), c = r.plugin.chaseState.trailPoint;
        const Vector3 forward = r.plugin.sample.vehicleForward;
        const Quaternion qA = lookAlong(a - c);
        const float along = ((qA * Vector3::UnitY()).dot(forward) + 1.0f) * 0.5f;
        const Quaternion qM = lookAlong(a - 2.2f * forward - c).slerp(0.5f * along, lookAlong(a + 2.2f * forward - c));
        const Quaternion qE = qA.slerp(std::max(along, 0.875f) * 0.15f, qM);
        const Vector3 view = qE * Vector3::UnitY();
        EXPECT_LT((row.cameraPosition - (a - kSportsRod.length * view)).norm(), 2e-3f) << row.frame;
        EXPECT_NEAR(wrap180(row.cameraRotation.z - std::atan2(-view.x(), view.y()) * 57.29578f), 0.0f, 0.02f)
            << row.frame;
        EXPECT_NEAR(row.cameraRotation.x, std::asin(view.z()) * 57.29578f - 3.5f, 0.02f) << row.frame;
        largestBias = std::max(largestBias, qE.angularDistance(qA) * 57.29578f);
    });
    EXPECT_GT(largestBias, 0.1f);  // it acts: about 2 cm at the camera
    // Deep in the left-hand bend the camera trails inside it and looks out of it; on the
    // straight it is back behind the car.
    EXPECT_TRUE(offsetInCar(at(*run, 350)).x() < -0.3f && yawFromCar(at(*run, 350)) < -5.0f);
    EXPECT_TRUE(std::fabs(offsetInCar(at(*run, 599)).x()) < 0.05f && std::fabs(yawFromCar(at(*run, 599))) < 0.5f);
}

TEST(BuiltinScenario, ChaseWall) {
    // The wall's face toward the car is at y = -9. While the car backs toward it the camera
    // stops 0.22 in front of it (and 0.12 further along the view); it never shows the far side,
    // and once the car has driven off it is back on its rod.
    auto run = played("chase-wall");
    for (const TraceRow& row : run->trace()) EXPECT_GT(row.cameraPosition.y(), -9.0f) << row.frame;
    EXPECT_NEAR(at(*run, 199).cameraPosition.y(), -9.0f + 0.22f + 0.12f, 0.02f);  // held in front of it
    EXPECT_FALSE(run->plugin.chaseState.obstructed);
    EXPECT_NEAR(fromLookAt(at(*run, 419), kCompactRod[1].lookAt), kCompactRod[1].length, 2e-3f);
}

// A load hitched at frame `attachAt` and unhooked at `detachAt`: the attachment check runs
// about once a second, so the new targets come at most a second later; from then on the
// rod's length and the look-at point's lift follow at 1.75 and 1.45 per second.
void checkAttachment(const char* scenario, const Rod& g, float length, float lift, int attachAt, int detachAt) {
    int hitched = -1, unhooked = -1;
    std::map<int, float> heights;  // by frame
    auto run = played(scenario, [&](Simulation& r) {
        const int frame = r.trace().back().frame;  // the frame just played
        const ChaseState& c = r.plugin.chaseState;
        if (hitched < 0 && c.attachmentHeightTarget == lift) hitched = frame;
        if (hitched >= 0 && unhooked < 0 && frame > detachAt && c.attachmentHeightTarget == 0.0f) unhooked = frame;
        heights[frame] = c.attachmentHeight;
    });
    ASSERT_TRUE(hitched >= attachAt && hitched <= attachAt + 62) << scenario << ": " << hitched;
    EXPECT_NEAR(run->plugin.chaseState.attachmentLengthTarget, 0.0f, 1e-6f);
    for (const int n : {0, 10, 100})
        EXPECT_NEAR(heights.at(hitched + n), followed(0.0f, lift, 1.45f, n + 1), 1e-4f) << scenario << " " << n;
    // Just before unhooking, the camera hangs on the lengthened rod from the raised look-at point.
    const int before = detachAt - 1;
    const float rod = g.length + followed(0.0f, length, 1.75f, before - hitched + 1);
    const float raised = followed(0.0f, lift, 1.45f, before - hitched + 1);
    EXPECT_NEAR(fromLookAt(at(*run, before), g.lookAt + raised), rod, 5e-3f) << scenario;
    // Unhooked: both ease back toward nothing.
    ASSERT_TRUE(unhooked > detachAt && unhooked <= detachAt + 62) << scenario << ": " << unhooked;
    EXPECT_LT(heights.rbegin()->second, heights.at(unhooked));
}

TEST(BuiltinScenario, ChaseTowAndTrailer) {
    // The loads' lengths from their bones: the compact 2 + 2, the trailer 5.1 (its king pin) + 6.
    checkAttachment("chase-tow", kTowTruckRod, 4.0f + 2.0f, 0.75f, 60, 300);
    checkAttachment("chase-trailer", kTractorRod, 11.1f + 1.85f, 1.45f, 60, 400);
}

TEST(BuiltinScenario, ChaseLook) {
    auto run = played("chase-look", [&](Simulation& r) {
        // Aiming from 660 holds the free look, so the rod hangs from the look-at point raised by
        // 0.22·aimBlend and the camera aims from its rod end C at the unraised point A.
        const TraceRow& row = r.trace().back();
        if (row.frame < 661 || row.frame > 699) return;
        const float aim = 1.0f - std::pow(1.0f - 8.0f * kDt, static_cast<float>(row.frame - 659));
        const Vector3 a = row.vehiclePosition + Vector3(0, 0, kCompactRod[1].lookAt);
        const Vector3 rod = kCompactRod[1].length * (a - r.plugin.chaseState.trailPoint).normalized();
        const Vector3 expected = a + Vector3(0, 0, 0.22f * aim) - rod;
        EXPECT_LT((row.cameraPosition - expected).norm(), 2e-3f) << row.frame;
    });
    // The car turns at 4 degrees per second; the frame for side looks follows its
    // orientation at (|v|·0.017 + 1.39)·3 per second, so it lags by w(1 - t)/t with w the
    // turn per frame and t the follower's step: 0.77 degrees at 12 m/s.
    const float t = (12.0f * 0.017f + 1.39f) * 3.0f * kDt;
    const float lag = (4.0f * kDt) * (1.0f - t) / t;
    struct Look {
        int frame;
        float yaw;
        const char* what;
    };
    const Look looks[] = {
        {369, 90.0f - lag, "look-left key: lookRightAngle to the left"},
        {439, -90.0f - lag, "look-right key: lookLeftAngle to the right"},
        {509, 180.0f - lag, "look-behind control"},
        {569, 90.0f - lag, "the manual-transmission plug-in's left look"},
        {629, 180.0f - lag, "its look back"},
    };
    for (const Look& l : looks) EXPECT_NEAR(wrap180(yawFromCar(at(*run, l.frame)) - l.yaw), 0.0f, 0.05f) << l.what;
    // The mouse turns the view right and up, the stick left and down; both are held a
    // second, then the rod takes over again.
    EXPECT_TRUE(yawFromCar(at(*run, 95)) < -30.0f && at(*run, 95).cameraRotation.x > 15.0f);
    EXPECT_TRUE(yawFromCar(at(*run, 239)) > 20.0f && at(*run, 239).cameraRotation.x < -20.0f);
    EXPECT_NEAR(wrap180(yawFromCar(at(*run, 146)) - yawFromCar(at(*run, 95))), 0.0f, 4.0f);  // held (the car turns on)
    // Aiming from frame 660: the field of view narrows toward 60 as the aim follower
    // (8 per second) rises: 1 - (1 - 8/60)^40 after 40 frames.
    const float aim = 1.0f - std::pow(1.0f - 8.0f * kDt, 40.0f);
    EXPECT_NEAR(at(*run, 699).cameraFov, 77.5f + (60.0f - 77.5f) * aim, 1e-3f);
}

TEST(BuiltinScenario, ChaseJump) {
    // Off the ramp's end the car is in the air for 1.0182 s (61 frames, the flight worked out in the world's tests).
    // The chase camera follows the body there: the travel blend runs toward 1 at 12 per second, unclamped, 1 - 0.8^n
    // after n frames in the air, and back toward 0 the same way once it has landed.
    std::map<int, float> blend;  // by frame
    auto run =
        played("chase-jump", [&](Simulation& r) { blend[r.trace().back().frame] = r.plugin.sample.travelBlend; });
    const auto& rows = run->trace();
    const auto takeOff = std::find_if(rows.begin(), rows.end(), [](const TraceRow& r) { return r.inAir; });
    const auto landing = std::find_if(takeOff, rows.end(), [](const TraceRow& r) { return !r.inAir; });
    ASSERT_NE(landing, rows.end());
    const int first = takeOff->frame, frames = landing->frame - first;
    EXPECT_NEAR(frames, 61, 1);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const TraceRow& r) { return r.inAir; }), frames);
    for (int n = 1; n <= frames; ++n)
        EXPECT_NEAR(blend[first + n - 1], 1.0f - std::pow(0.8f, static_cast<float>(n)), 1e-5f) << n;
    EXPECT_NEAR(blend[first + frames + 9], blend[first + frames - 1] * std::pow(0.8f, 10.0f), 1e-5f);
}

TEST(BuiltinScenario, ChaseUnsupported) {
    auto run = played("chase-unsupported");
    // The boat (seated 10 to 80) and the helicopter (105 to 170) keep the game's camera,
    // and the minimap is left to the game. The motorcycle sits its camera a metre further
    // back and at 1.38 m (plus the medium camera's 0.3), seat-anchored.
    EXPECT_TRUE(shown(*run, false, {0, 196, 300}));
    EXPECT_TRUE(at(*run, 60).minimap == -1 && at(*run, 150).minimap == -1);
    EXPECT_NEAR(fromLookAt(at(*run, 299), kMotorcycleRod.lookAt), kMotorcycleRod.length, 2e-3f);
}

TEST(BuiltinScenario, ChaseBroken) {
    auto run = played("chase-broken");
    // NaN from frame 100 to 129: the camera keeps the pose of frame 100, then trails again.
    for (int f = 101; f < 130; ++f) EXPECT_EQ(at(*run, f).cameraPosition, at(*run, 100).cameraPosition) << f;
    // The car turns steadily throughout: recovered, the camera trails it as it did before.
    EXPECT_NEAR(yawFromCar(at(*run, 299)), yawFromCar(at(*run, 99)), 0.5f);
    EXPECT_NEAR(offsetInCar(at(*run, 299)).norm(), offsetInCar(at(*run, 99)).norm(), 0.05f);
}

TEST(BuiltinScenario, FirstPersonEntry) {
    auto run = played("first-person-entry");
    // Seated at 15: for 45 frames (16 to 60) the game shows its own first person, which the
    // plug-in asked for on foot; the own camera starts on frame 61.
    EXPECT_TRUE(shown(*run, false, {0, 61, 130}));
    for (int f = 16; f <= 60; ++f) {
        const TraceRow& r = at(*run, f);
        EXPECT_TRUE(r.vehicleViewMode == 4 && (r.cameraPosition - r.vehiclePosition).norm() < 1.5f)
            << f;  // in the cabin
    }
    EXPECT_EQ(at(*run, 130).onFootViewMode, 4);  // out again: first person stays the game's view
    // The phone's scale is the shipped PhoneOverlayScale (0, under 0.999) once the own camera runs.
    EXPECT_TRUE(at(*run, 60).phoneScale == -1.0f && at(*run, 61).phoneScale == 0.0f);
}

TEST(BuiltinScenario, Handoff) {
    auto run = played("handoff");
    // Medium, far at 60, then the game's own first person from 150 until the press at 210,
    // after which the near chase camera comes back.
    EXPECT_TRUE(shown(*run, true, {1, 150, 211, 360}));
    for (int f = 151; f <= 210; ++f) EXPECT_EQ(at(*run, f).vehicleViewMode, 4) << f;
    EXPECT_NEAR(fromLookAt(at(*run, 359), kSuvNearRod.lookAt), kSuvNearRod.length, 2.5e-3f);
}

TEST(BuiltinScenario, Toggle) {
    auto run = played("toggle");
    // Released at 40: off. Held from 90, the focus lost at 110 counts as a release: on. The
    // focus back at 130 with the key still held, released at 150: off again.
    EXPECT_TRUE(shown(*run, true, {1, 40, 110, 150, 200}));
    EXPECT_EQ(at(*run, 60).minimap, -1);  // switched off, nothing of Velmora's is left
}

TEST(BuiltinScenario, LookBehind) {
    float storedWhileHeld = -1.0f;
    auto run = played("look-behind", [&](Simulation& r) {
        if (r.trace().back().frame == 89) storedWhileHeld = r.plugin.driver.smoothedHeading;
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
    EXPECT_TRUE(shown(*run, false, {0, 226, 300}));
    // In the boat the game's own view key works: nothing disabled it.
    EXPECT_NE(at(*run, 41).vehicleViewMode, at(*run, 39).vehicleViewMode);
}

// The first-person scenarios, judged in the car's frame; played without the eye-plane guard where it would hide what
// is being checked.

TEST(BuiltinScenario, FirstPersonDrive) {
    // From the head the camera sits at the head-space offsets (0, -0.04, 0.05) plus the inertia shift, -inertia along
    // the car, plus the lean. Worked by hand for the compact (drive figure 0.25) speeding up at 4 m/s² from frame 90
    // (a = 0.25 × 4/3600 × 1700 = 0.472222, followers at 1 - 1.725/60 and 1 - 0.765/60 a frame), then at 10 m/s from
    // 240: at rest -0.0525; at frame 150 (60 frames, 4 m/s) -0.0195254; at 300 (150 frames, then 60) -0.0483444; at
    // 470 (230 after) -0.0334272. In the left bend the origin swings 25° × 0.01745 × 1.275 m = 0.556 m/s left, a lean
    // of 0.025 held to 0.02 to the right; in the right bend to the left.
    std::map<int, Vector3> fromHead;  // by frame, in the car's frame
    std::map<int, float> shake;       // the positional shake's height
    auto run = played("fp-drive",
                      [&](Simulation& r) {
                          // The run's state after a step is the plug-in's after its frame (the world has moved on):
                          // the head and the car's axes as the plug-in read them in the frame the camera was set.
                          const VehicleSample& s = r.plugin.sample;
                          const Vector3 d = r.trace().back().cameraPosition - r.plugin.cabin.rawHead;
                          fromHead[r.trace().back().frame] =
                              Vector3(d.dot(s.vehicleRight), d.dot(s.vehicleForward), d.dot(s.vehicleUp));
                          shake[r.trace().back().frame] = r.plugin.cabin.shakeOffset.z();
                      },
                      {{"EyePlaneGuard", "0"}});
    struct Place {
        int frame;
        Vector3 at;
    };
    for (const Place& p : {Place{89, {0, 0.0125f, 0.05f}}, Place{150, {0, -0.0204746f, 0.05f}},
                           Place{300, {0.02f, 0.0083444f, 0.05f}}, Place{470, {-0.02f, -0.0065728f, 0.05f}}})
        EXPECT_LT((fromHead.at(p.frame) - p.at).norm(), 2e-3f) << p.frame << ": " << fromHead.at(p.frame).transpose();
    // The speed zoom settled in the bend, where the origin moves at √(10² + 0.556²) = 10.0155 m/s:
    // 59 + (1 - (1 - 10.0155/55)²)·12.
    EXPECT_NEAR(at(*run, 479).cameraFov, 62.97246f, 1e-3f);
    // The rough ground from 620 at 8 m/s shakes it: bumps of 0.06 m at 2.5 Hz jolt by up to 0.06·(5π)² = 14.8 m/s²,
    // an amplitude up to (0.005·8·0.004 + 14.8·0.007·0.01)/1.36 = 0.00088 (far under the cap) and a height within
    // half of it; on the smooth road at 10 m/s (0.005·10·0.004)/1.45 = 0.000138.
    float rough = 0.0f, smooth = 0.0f;
    for (int f = 640; f < 800; ++f) rough = std::max(rough, std::fabs(shake.at(f)));
    for (int f = 250; f < 470; ++f) smooth = std::max(smooth, std::fabs(shake.at(f)));
    EXPECT_TRUE(rough > 0.00015f && rough <= 0.00044f && smooth <= 0.000069f) << rough << " " << smooth;
    for (int f = 801; f < 830; ++f) EXPECT_EQ(at(*run, f).cameraPosition, at(*run, 800).cameraPosition) << f;  // paused
}

TEST(BuiltinScenario, FirstPersonLook) {
    auto run = played("fp-look");
    auto yaw = [&](int f) { return wrap180(at(*run, f).cameraRotation.z - 30.0f); };
    // The mouse at 0.5 for 10 frames: -2.5 degrees a frame. The view holds while the timer (2 at the last input) is
    // above RecenterTime 1.6, that is 24 frames, then returns with the weight 1 - (1 - t/1.6)². At 180 the timer is
    // 0.8: half way back. The stick turns the head at 0.6 of the mouse's rate: 3 degrees a frame for 20 frames. The
    // look keys: B by lookRightAngle 80 to the left, N by lookLeftAngle 75 to the right. Far past the limits: 100 to
    // the right of the car.
    const std::pair<int, float> yaws[] = {{109, -25.0f}, {132, -25.0f}, {180, -25.0f * (1.0f - 0.5f * 0.5f)},
                                          {228, 0.0f},   {319, 60.0f},  {539, 80.0f},
                                          {599, -75.0f}, {699, -100.0f}};
    for (const auto& [frame, want] : yaws) EXPECT_NEAR(yaw(frame), want, frame == 180 ? 0.02f : 0.01f) << frame;
    EXPECT_NEAR(at(*run, 819).cameraRotation.x, 40.0f, 0.01f);  // and 40 up
}

TEST(BuiltinScenario, FirstPersonLookBehind) {
    std::map<int, float> realFrameSeconds;
    std::map<int, std::uint32_t> flagsWord;
    auto run = played("fp-behind", [&](Simulation& r) {
        const int frame = r.trace().back().frame;  // the frame just played
        realFrameSeconds[frame] = r.plugin.clock.RealFrameSeconds;
        std::memcpy(&flagsWord[frame], r.world.memory.modelInfo.at("compact").data() + 1404 + 20,
                    sizeof(std::uint32_t));
    });
    // Each car looks back along its axis (where from, the look-behind tests work out).
    for (const int f : {90, 230, 370, 510, 650})
        EXPECT_NEAR(wrap180(yawFromCar(at(*run, f)) - 180.0f), 0.0f, 1e-3f) << f;
    // The wall clock is not measured while looking behind, and the first frame after starts
    // afresh instead of counting the whole look as one frame.
    EXPECT_NEAR(realFrameSeconds.at(79), 1.0f / 60.0f, 1e-6f);
    for (int f = 80; f <= 100; ++f) EXPECT_EQ(realFrameSeconds.at(f), realFrameSeconds.at(79)) << f;
    for (int f = 101; f <= 105; ++f) EXPECT_NEAR(realFrameSeconds.at(f), 1.0f / 60.0f, 1e-6f) << f;
    // The heavy-brake flag is set on the compact's model while its own first person runs and
    // put back when the camera is released on foot.
    EXPECT_TRUE((flagsWord.at(70) & 0x100u) == 0x100u && flagsWord.at(125) == 0x00400000u) << flagsWord.at(70);
}

TEST(BuiltinScenario, FirstPersonBike) {
    // Without the guard and the inertia: the eye over the saddle, seat_f + 0.4 up + 0.32 ahead, and the camera at the
    // head-space offsets (0, -0.04, 0.05) from it, in the camera's frame. On the 0.2 climb the view pitches with the
    // travel, θ = atan 0.2, and uphill = sin θ = 0.196116 shifts it 0.155·uphill up and 0.54·uphill back along the
    // travel: (0, -0.04 + 0.030398 sin θ - 0.105903, 0.05 + 0.030398 cos θ).
    std::map<int, Vector3> fromEye;  // in the camera's frame: right, forward, up
    auto run = played("fp-bike",
                      [&](Simulation& r) {
                          const TraceRow& row = r.trace().back();
                          if (r.world.player.vehicle == 0) return;
                          const float pitch = row.vehiclePosition.y() > 45.0f ? 11.309932f : 0.0f;  // on the ramp
                          const Vector3 eye = row.vehiclePosition +
                                              sim::orientationOf(row.vehicleYaw, pitch, 0) * Vector3(0, 0.12f, 0.89f);
                          const Matrix3 view = sim::orientationOf(row.cameraRotation.z, row.cameraRotation.x, 0.0f);
                          fromEye[row.frame] = view.transpose() * (row.cameraPosition - eye);
                      },
                      {{"EyePlaneGuard", "0"}, {"InertiaEffects", "0"}});
    EXPECT_LT((fromEye.at(80) - Vector3(0.0f, -0.04f, 0.05f)).norm(), 1.5e-3f);
    EXPECT_NEAR(at(*run, 400).cameraRotation.x, 11.309932f, 0.05f);
    EXPECT_LT((fromEye.at(400) - Vector3(0.0f, -0.139941f, 0.079808f)).norm(), 2e-3f) << fromEye.at(400).transpose();
}

TEST(BuiltinScenario, FirstPersonAim) {
    std::map<int, std::map<std::uint64_t, int>> calls;  // by frame
    auto run = played("fp-aim", [&](Simulation& r) { calls[r.trace().back().frame] = r.lastLog().callsByHash; });
    // Aiming from 100 to 219: the aim follower reaches 1 - (1 - 8/60)^(n+1) on the n-th frame,
    // and the field of view goes that far from 90 toward 60.
    for (const int n : {0, 5, 30, 119}) {
        const float aim = 1.0f - std::pow(1.0f - 8.0f * kDt, static_cast<float>(n + 1));
        EXPECT_NEAR(at(*run, 100 + n).cameraFov, 90.0f + (60.0f - 90.0f) * aim, 1e-3f) << n;
    }
    for (int f = 70; f < 300; ++f) {
        const bool aiming = f >= 100 && f < 220;
        EXPECT_EQ(calls[f][natives::showHudComponent.hash], aiming ? 1 : 0) << f;
        EXPECT_EQ(calls[f][natives::declareFirstPersonView.hash], aiming ? 0 : 1) << f;
    }
}

TEST(BuiltinScenario, MenuTour) {
    std::set<std::string> statuses;
    std::set<std::int32_t> pages;
    auto run = played("menu-tour", [&](Simulation& r) {
        const TraceRow& row = r.trace().back();
        if (row.plugin.menuOpen) pages.insert(row.plugin.menuPage);
        for (const sim::DrawCall& d : r.lastLog().draws)
            if (d.kind == sim::DrawCall::Kind::Text && d.colour == std::array<std::int32_t, 4>{255, 255, 255, 255} &&
                std::fabs(d.y - 0.089f) < 1e-6f)
                statuses.insert(d.text);
    });
    EXPECT_EQ(pages, (std::set<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    for (const char* status :
         {"Preset 1 applied", "Saved to slot 1", "Slot 1 loaded", "Near camera reset", "Settings saved to the ini"})
        EXPECT_EQ(statuses.count(status), 1u) << status;
    // Opened with F11 at 10, closed with it at 400, reopened by typing at 420, closed with
    // Backspace on the root page at 440.
    for (const auto& [frame, open] :
         {std::pair{10, true}, std::pair{400, false}, std::pair{420, true}, std::pair{459, false}})
        EXPECT_EQ(at(*run, frame).plugin.menuOpen, open) << frame;
    EXPECT_EQ(at(*run, 420).plugin.menuPage, 0);
    // The tour's edits: the field of view held up, then preset 1 over it; the near distance
    // held up, then reset; the inertia-pitch switch flipped.
    const SettingsRecord& s = run->plugin.settings;
    EXPECT_TRUE(s.firstPersonView.fov == 61.0f && s.thirdPersonView.perCamera.distance[Near] == 0.4f &&
                s.InertiaAffectsPitch);
    // The file it saved reads back to exactly the values it had.
    SettingsRecord reloaded;
    ASSERT_TRUE(loadSettingsFile(reloaded, {}, (run->workDir() / "Velmora.ini").string().c_str()));
    for (int place = 1; place <= kSavedSettingCount; ++place) {
        const SettingKey& key = *savedSettingKey(place);
        if (!key.loaded) continue;  // InertiaAffectsPitch is written, never read back
        EXPECT_EQ(formatFieldValue(reloaded, key), formatFieldValue(s, key)) << key.section << "." << key.key;
    }
}

}  // namespace
}  // namespace velmora
