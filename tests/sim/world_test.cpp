// The simulated game must answer as the game does, or the camera tests built on it prove
// nothing. Each expectation here comes from the game's documented meaning of a native or
// from a rotation built by hand, never from the world's own formulas.
#include "sim/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "host/natives.h"
#include "sim/host.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

::testing::AssertionResult near3(const Vector3& a, const Vector3& b, float tolerance = 1e-4f) {
    if ((a - b).cwiseAbs().maxCoeff() <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a.transpose() << " vs " << b.transpose();
}

World worldWith(const std::string& worldJson) {
    World world;
    setUpWorld(world, parseScenario(R"({"world": {)" + worldJson + "}}", "test"));
    return world;
}

std::string oneCar(const std::string& carFields, const std::string& extra = "") {
    return R"("vehicles": [{"name": "car", "model": "compact")" + carFields + "}]" + extra;
}

// A turn about a world axis built with Eigen's axis-angle, not the world's own matrices.
Matrix3 turn(int axis, float degrees) {
    return Eigen::AngleAxisf(degrees * 3.14159265f / 180.0f, Vector3::Unit(axis)).toRotationMatrix();
}
float angleAbout(const Rotation& r, int axis) { return axis == 0 ? r.x : (axis == 1 ? r.y : r.z); }

TEST(SimRotations, EveryOrderDecomposesToAnglesThatRebuildTheBody) {
    // The body: yaw 30, pitch 10, roll 20 in the game's body order, R = Rz·Rx·Ry.
    World world = worldWith(oneCar(R"(, "heading": 30, "pitch": 10, "roll": 20)"));
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    const Entity car = world.vehicles[0].handle;
    const Matrix3 body = turn(2, 30) * turn(0, 10) * turn(1, 20);
    // Order codes name the axes in the order they apply: R = third · second · first.
    const int axes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int order = 0; order < 6; ++order) {
        const Rotation r = invoke(rt, natives::entityRotation, car, order);
        const int* a = axes[order];
        const Matrix3 rebuilt =
            turn(a[2], angleAbout(r, a[2])) * turn(a[1], angleAbout(r, a[1])) * turn(a[0], angleAbout(r, a[0]));
        EXPECT_LT((rebuilt - body).cwiseAbs().maxCoeff(), 1e-5f) << "order " << order;
    }
    const Rotation r2 = invoke(rt, natives::entityRotation, car, 2);
    EXPECT_TRUE(near3(Vector3(r2.x, r2.y, r2.z), Vector3(10, 20, 30), 1e-3f));
    // The quaternion, forward axis and heading are the same body.
    float x, y, z, w;
    invoke(rt, natives::entityQuaternion, car, &x, &y, &z, &w);
    const Quaternion q(w, x, y, z);
    EXPECT_NEAR(q.norm(), 1.0f, 1e-6f);
    EXPECT_LT((q.toRotationMatrix() - body).cwiseAbs().maxCoeff(), 1e-5f);
    EXPECT_TRUE(near3(invoke(rt, natives::entityForward, car), body.col(1)));
    EXPECT_NEAR(invoke(rt, natives::entityHeading, car), 30.0f, 1e-3f);
    // A heading past 180 is reported in 0..360.
    World south = worldWith(oneCar(R"(, "heading": -150)"));
    SimHost southHost(south);
    EXPECT_NEAR(invoke(southHost.runtime(), natives::entityHeading, south.vehicles[0].handle), 210.0f, 1e-3f);
}

TEST(SimWorld, MotionIsConsistentFrameToFrame) {
    // Turning at ω about its rear axle, the body's middle also moves ω·lead to the left, lead
    // being how far the origin sits ahead of the rear hubs: 1.275 m for the sports car (half its
    // 2.55 m wheelbase), 0.73 m for the motorcycle, whose one rear hub is its axle.
    struct Case {
        const char* model;
        float yawRate, lead;
    };
    for (const Case& c : {Case{"sports", 30.0f, 1.275f}, Case{"motorcycle", 40.0f, 0.73f}}) {
        World world = worldWith(std::string(R"("vehicles": [{"name": "car", "model": ")") + c.model +
                                R"(", "speed": 10, "yawRate": )" + std::to_string(c.yawRate) +
                                R"(, "bumps": {"amplitude": 0.05, "frequency": 2}}])");
        SimHost host(world);
        const HostRuntime rt = host.runtime();
        const Entity car = world.vehicles[0].handle;
        const float side = -c.yawRate * 3.14159265f / 180.0f * c.lead;
        for (int frame = 0; frame < 120; ++frame) {
            const Vector3 before = invoke(rt, natives::entityPosition, car, true);
            const Vector3 velocity = invoke(rt, natives::entityVelocity, car);
            EXPECT_NEAR(invoke(rt, natives::entitySpeed, car), velocity.norm(), 1e-4f);
            // In the body's own frame: ahead at the speed, sideways by the swing, up and down
            // with the bumps; in the world, that turned by the body.
            const Vector3 own = invoke(rt, natives::entitySpeedVector, car, true);
            EXPECT_NEAR(own.x(), side, 1e-4f) << c.model;
            EXPECT_NEAR(own.y(), 10.0f, 1e-3f);
            EXPECT_TRUE(near3(invoke(rt, natives::entitySpeedVector, car, false), velocity));
            advanceWorld(world);
            const Vector3 moved = invoke(rt, natives::entityPosition, car, true) - before;
            EXPECT_NEAR(Vector3(moved.x(), moved.y(), 0).norm(), std::hypot(10.0f, side) * world.baseDt, 1e-4f);
        }
        // Two seconds of the turn.
        EXPECT_NEAR(wrap180(invoke(rt, natives::entityRotation, car, 2).z - 2.0f * c.yawRate), 0.0f, 1e-3f);
    }
}

// The world alone, without the plug-in: each frame's events at its start, then `look` at it and through the natives.
template <class Look>
void playWorld(const Scenario& scenario, Look look) {
    World world;
    setUpWorld(world, scenario);
    SimHost host(world);
    for (; world.frame < scenario.frames; advanceWorld(world)) {
        applyEvents(world, scenario);
        look(world, host.runtime());
    }
}

Scenario scenarioAt(const std::string& json, float framesPerSecond) {
    return atFrameRate(parseScenario(json, "test"), framesPerSecond);
}

TEST(SimWorld, AVehicleDrivesOnePathWhateverTheFrameRate) {
    const float rates[] = {30.0f, 60.0f, 144.0f, 240.0f};
    // By hand: at 10 m/s and 30 degrees a second the sports car's rear axle, 1.275 m behind its origin, runs on a
    // circle of radius 10/0.5236 = 19.0986 m about (-19.0986, -1.275). After 3 s, a quarter turn, the axle is at
    // (-19.0986, 17.8236) and the origin 1.275 m ahead of it along -X: (-20.3736, 17.8236).
    for (const float fps : rates) {
        const Scenario s = scenarioAt(R"({"frames": 181, "world": {"vehicles": [
            {"name": "car", "model": "sports", "speed": 10, "yawRate": 30}]}})",
                                      fps);
        playWorld(s, [&](const World& w, const HostRuntime&) {
            if (w.frame != std::lround(3.0f * fps)) return;
            EXPECT_TRUE(near3(w.vehicles[0].position, Vector3(-20.3736f, 17.8236f, 0.31f), 1e-3f)) << fps;
            EXPECT_NEAR(w.vehicles[0].yaw, 90.0f, 0.01f) << fps;
        });
    }
    // At 25 m/s through two lane changes, a bend at 20 degrees a second while speeding up and a
    // braking straight: every sixth of a second, the same place within 1 mm and the same heading
    // within 0.01 degrees at every rate as at 240.
    const std::string drive =
        R"({"frames": 480, "world": {"vehicles": [{"name": "car", "model": "compact", "speed": 25}]},
        "events": [{"frame": 30, "do": "drive", "vehicle": "car", "yawRate": 12},
                   {"frame": 60, "do": "drive", "vehicle": "car", "yawRate": -12},
                   {"frame": 90, "do": "drive", "vehicle": "car", "yawRate": 0},
                   {"frame": 120, "do": "drive", "vehicle": "car", "yawRate": 20, "accel": 2},
                   {"frame": 300, "do": "drive", "vehicle": "car", "yawRate": 0, "accel": -3}]})";
    std::map<float, std::vector<std::pair<Vector3, float>>> paths;
    for (const float fps : rates) {
        const int every = static_cast<int>(fps) / 6;
        playWorld(scenarioAt(drive, fps), [&](const World& w, const HostRuntime&) {
            if (w.frame % every == 0) paths[fps].emplace_back(w.vehicles[0].position, w.vehicles[0].yaw);
        });
    }
    for (const float fps : rates) {
        ASSERT_EQ(paths[fps].size(), paths[240.0f].size());
        for (std::size_t i = 0; i < paths[fps].size(); ++i) {
            EXPECT_TRUE(near3(paths[fps][i].first, paths[240.0f][i].first, 1e-3f))
                << fps << " fps, " << i / 6.0 << " s";
            EXPECT_NEAR(wrap180(paths[fps][i].second - paths[240.0f][i].second), 0.0f, 0.01f) << fps;
        }
    }
}

TEST(SimWorld, OffARampsEndAVehicleFliesOnAParabolaAndLands) {
    // A ramp rising 3 m over 20 m (slope 0.15, 8.531 degrees) taken at 15 m/s. The ground is read under the body's
    // ends, 1.2 m ahead of and behind the compact's origin, so the body leaves the ramp when its front passes the
    // top: the origin is then at y = 38.8, 2.82 m up the ramp (3.12 m with the 0.3 m clearance), moving at 15·cos =
    // 14.834 m/s ahead and 15·sin = 2.2248 m/s up. In the air z = 3.12 + 2.2248τ - 4.905τ², highest at 3.3723; it is
    // back at 0.3 when 4.905τ² - 2.2248τ - 2.82 = 0, τ = 1.0182 s, at y = 38.8 + 14.834τ = 53.904, and drives on at
    // the 14.834 m/s it carried forward.
    const std::string ramp = R"({"frames": 300, "world": {
        "vehicles": [{"name": "car", "model": "compact", "speed": 15}],
        "ground": {"ramps": [{"start": [0, 20], "end": [0, 40], "width": 6, "endHeight": 3}]}}})";
    for (const float fps : {30.0f, 60.0f, 144.0f}) {
        float highest = 0.0f, landedAt = 0.0f;
        playWorld(scenarioAt(ramp, fps), [&](const World& w, const HostRuntime& rt) {
            const Entity car = w.vehicles[0].handle;
            const bool inAir = invoke(rt, natives::isEntityInAir, car);
            const Vector3 p = invoke(rt, natives::entityPosition, car, true);
            const float pitch = invoke(rt, natives::entityRotation, car, 2).x;
            SCOPED_TRACE(::testing::Message() << fps << " fps, y " << p.y());
            if (p.y() > 38.8005f && p.y() < 53.9035f) {
                const float tau = (p.y() - 38.8f) / 14.834f;
                EXPECT_TRUE(inAir);
                EXPECT_NEAR(p.z(), 3.12f + 2.2248f * tau - 4.905f * tau * tau, 1e-3f);
                EXPECT_NEAR(pitch, 8.531f, 1e-3f);  // it keeps its attitude in the air
                highest = std::max(highest, p.z());
            } else if (p.y() < 38.7995f || p.y() > 53.9045f) {
                EXPECT_FALSE(inAir);
                if (landedAt == 0.0f && p.y() > 53.9045f) landedAt = w.frame / fps;
                if (p.y() > 54.0f) {
                    EXPECT_NEAR(p.z(), 0.3f, 1e-5f);
                    EXPECT_NEAR(invoke(rt, natives::entitySpeed, car), 14.834f, 2e-3f);
                }
                // Landed nose up, the body settles onto the ground: 8.531·e^(-t/0.12) after t s.
                EXPECT_TRUE(landedAt == 0.0f || w.frame / fps <= landedAt + 0.3f || std::fabs(pitch) < 0.71f) << pitch;
            }
        });
        EXPECT_NEAR(highest, 3.3723f, 2e-3f) << fps;  // the top, to within a frame's curvature
        EXPECT_GT(landedAt, 0.0f) << fps;
    }
}

TEST(SimWorld, PauseAndSlowMotionSlowGameTimeButNotTheWallClock) {
    // Paused, then at a quarter speed: the frame times and the motion follow the game's time, the
    // wall clock runs on at a 60th of a second a frame.
    for (const float scale : {0.0f, 0.25f}) {
        World world = worldWith(oneCar(R"(, "speed": 10)", scale > 0.0f ? R"(, "timeScale": 0.25)" : ""));
        SimHost host(world);
        if (scale == 0.0f) {
            world.pausedFrames = 2;
            world.dt = 0.0f;
        }
        const Platform os = host.platform();
        auto wall = [&] { return static_cast<double>(os.queryPerformanceCounter()) / os.queryPerformanceFrequency(); };
        const double wallStart = wall();
        const float y = world.vehicles[0].position.y();
        advanceWorld(world);
        EXPECT_NEAR(world.vehicles[0].position.y() - y, 10.0f * scale / 60.0f, 1e-5f) << scale;
        EXPECT_NEAR(invoke(host.runtime(), natives::frameTime), scale / 60.0f, 1e-7f) << scale;
        EXPECT_NEAR(invoke(host.runtime(), natives::frameTimestep), scale / 60.0f, 1e-7f) << scale;
        EXPECT_NEAR(wall() - wallStart, 1.0 / 60.0, 1e-6) << scale;
    }
}

TEST(SimWorld, VehiclesRestOnTheGroundAndPitchOnARamp) {
    // A ramp rising 2 m over 10 m along +Y: a slope of 0.2.
    const std::string ramp =
        R"(, "ground": {"ramps": [{"start": [0, 10], "end": [0, 20], "width": 6, "endHeight": 2}]})";
    World world = worldWith(R"("vehicles": [{"name": "flat", "model": "compact", "position": [10, 0, 7]},
                                            {"name": "up", "model": "compact", "position": [0, 15, 0]},
                                            {"name": "across", "model": "compact", "position": [0, 15, 0], "heading": 90}])" +
                            ramp);
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    const float clearance = findVehicleModel("compact")->groundClearance;
    const float slope = std::atan(0.2f) * 180.0f / 3.14159265f;  // 11.31 degrees
    // The scenario's height is ignored: a vehicle stands on its wheels.
    EXPECT_NEAR(invoke(rt, natives::entityPosition, world.vehicles[0].handle, true).z(), clearance, 1e-5f);
    // Facing up the slope: nose up by the slope, 1 m of ground under its middle.
    const Entity up = world.vehicles[1].handle;
    EXPECT_NEAR(invoke(rt, natives::entityRotation, up, 2).x, slope, 1e-3f);
    EXPECT_NEAR(invoke(rt, natives::entityRotation, up, 2).y, 0.0f, 1e-3f);
    EXPECT_NEAR(invoke(rt, natives::entityPosition, up, true).z(), 1.0f + clearance, 1e-4f);
    // Across it (facing -X, so its right side points up the slope): the right side is higher.
    float x, y, z, w;
    invoke(rt, natives::entityQuaternion, world.vehicles[2].handle, &x, &y, &z, &w);
    const Vector3 right = Quaternion(w, x, y, z) * Vector3(1, 0, 0);
    EXPECT_NEAR(right.z(), 0.2f / std::sqrt(1.04f), 1e-4f);
    EXPECT_NEAR(invoke(rt, natives::entityRotation, world.vehicles[2].handle, 2).x, 0.0f, 1e-3f);
    // On its roof it is upside down but not in the air; on its side, its up axis still above
    // the horizontal, it is not upside down.
    const Entity flat = world.vehicles[0].handle;
    for (const auto& [roll, upsideDown] : {std::pair{0.0f, false}, std::pair{180.0f, true}, std::pair{60.0f, false}}) {
        world.vehicles[0].roll = roll;
        EXPECT_EQ(invoke(rt, natives::isEntityUpsideDown, flat), upsideDown) << roll;
        EXPECT_FALSE(invoke(rt, natives::isEntityInAir, flat)) << roll;
    }
}

TEST(SimWorld, AJumpOfNFramesIsInTheAirForNFramesAtAnyRate) {
    // N frames at 60, and N·rate/60 (at least one) when played at another rate, and never
    // before the jump; half a second up and down tops out g(0.25 s)²/2 = 0.3066 m above the ground.
    for (const int n : {1, 10, 30}) {
        for (const float fps : {30.0f, 60.0f, 144.0f}) {
            const Scenario s =
                scenarioAt(R"({"frames": 120, "world": {"vehicles": [{"name": "car", "model": "compact"}]},
                "events": [{"frame": 10, "do": "airborne", "vehicle": "car", "frames": )" +
                               std::to_string(n) + "}]}",
                           fps);
            int airborne = 0;
            float highest = 0.0f;
            playWorld(s, [&](const World& w, const HostRuntime& rt) {
                if (invoke(rt, natives::isEntityInAir, w.vehicles[0].handle)) ++airborne;
                highest = std::max(highest, w.vehicles[0].jumpHeight);
            });
            EXPECT_EQ(airborne, std::max(1L, std::lround(n * fps / 60.0f))) << n << " frames at " << fps;
            if (n == 30 && fps != 30.0f) {  // at 30 the top falls between two frames
                EXPECT_NEAR(highest, 0.3066f, 1e-4f) << fps;
            }
        }
    }
}

TEST(SimWorld, TheProbeReportsWhatItsFlagsAskFor) {
    World world = worldWith(R"("vehicles": [{"name": "car", "model": "compact"},
                                            {"name": "van", "model": "van", "position": [0, -12, 0]}],
                               "obstacles": [{"min": [-5, -6, 0], "max": [5, -5, 3]}],
                               "ground": {"ramps": [{"start": [0, 10], "end": [0, 20], "width": 4, "endHeight": 2}]})");
    const Entity car = world.vehicles[0].handle, van = world.vehicles[1].handle;
    struct Case {
        const char* what;
        Vector3 from, to;
        std::int32_t flags;
        Entity ignored;
        bool hit;
        Vector3 point, normal;
        Entity entity;
    };
    const float n = 1.0f / std::sqrt(1.04f);
    const Vector3 none = Vector3::Zero();  // where the point is not checked
    const Case cases[] = {
        {"a wall behind the car", {0, 0, 1}, {0, -8, 1}, 1, car, true, {0, -5, 1}, {0, 1, 0}, 0},
        {"the ground below", {3, 3, 5}, {3, 3, -1}, 1, 0, true, {3, 3, 0}, {0, 0, 1}, 0},
        {"the ramp's surface", {0, 15, 5}, {0, 15, -1}, 1, 0, true, {0, 15, 1}, {0, -0.2f * n, n}, 0},
        {"world only: over the wall, the van is not reported", {0, 0, 6}, {0, -12, 1}, 1, car, false, none, none, 0},
        {"vehicles too: the van is", {0, 0, 6}, {0, -12, 1}, 3, car, true, none, none, van},
        {"world only: the car in front is not reported", {0, 10, 1}, {0, 0, 1}, 1, 0, false, none, none, 0},
        {"vehicles: the car's front face", {0, 10, 1}, {0, 0, 1}, 2, 0, true, {0, 2.0f, 1}, {0, 1, 0}, car},
        {"the ignored vehicle is never reported", {0, 10, 1}, {0, 0, 1}, 2, car, false, none, none, 0},
        {"a segment that starts below the ground", {0, 0, -1}, {0, 0, -3}, 1, 0, false, none, none, 0},
        {"clear to the side", {0, 0, 1}, {8, 0, 1}, 3, car, false, none, none, 0},
    };
    for (const Case& c : cases) {
        const ProbeHit hit = probeSegment(world, c.from, c.to, c.flags, c.ignored);
        EXPECT_EQ(hit.hit, c.hit) << c.what;
        EXPECT_EQ(hit.entity, c.entity) << c.what;
        if (!c.hit || c.point == none) continue;
        EXPECT_TRUE(near3(hit.point, c.point)) << c.what;
        EXPECT_TRUE(near3(hit.normal, c.normal)) << c.what;
    }
    // Through the natives: the result is ready at once and can be read once.
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    const std::int32_t probe = invoke(rt, natives::startSegmentProbe, 0.0f, 0.0f, 1.0f, 0.0f, -8.0f, 1.0f, 1, car, 7);
    std::int32_t hit = 0;
    Entity entity = -1;
    NativeVector3 point{}, normal{};
    EXPECT_EQ(invoke(rt, natives::segmentProbeResult, probe, &hit, &point, &normal, &entity), 2);
    EXPECT_EQ(hit, 1);
    EXPECT_NEAR(point.y, -5.0f, 1e-5f);
    EXPECT_EQ(entity, 0);
    EXPECT_EQ(invoke(rt, natives::segmentProbeResult, probe, &hit, &point, &normal, &entity), 0);  // read already
}

TEST(SimWorld, AHitchedTrailerFollowsAndAnUnhookedOneRollsToAStop) {
    World world = worldWith(R"("vehicles": [{"name": "truck", "model": "tractor", "heading": 20, "speed": 8},
                                            {"name": "box", "model": "trailer", "position": [40, -30, 0]}])");
    SimVehicle &truck = world.vehicles[0], &box = world.vehicles[1];
    attachVehicle(world, truck, box);
    auto boneAt = [&world](const SimVehicle& v, const char* bone) {
        const Pose p = vehiclePose(world, v);
        return Vector3(p.position + p.orientation * v.model->bones[boneIndexOf(v.model->bones, bone)].offset);
    };
    auto hitch = [&] { return boneAt(truck, "attach_female"); };
    auto pin = [&] { return boneAt(box, "attach_male"); };
    // Hitched where it stands: lined up behind the tractor, its king pin on the fifth wheel.
    EXPECT_TRUE(near3(pin(), hitch(), 1e-4f));
    EXPECT_NEAR(box.yaw, truck.yaw, 1e-4f);
    // Into a left bend: the trailer is pulled along, its pin on the hitch, turning later than the tractor.
    truck.yawRate = 25.0f;
    for (int i = 0; i < 88; ++i) advanceWorld(world);
    EXPECT_GT(wrap180(truck.yaw - box.yaw), 5.0f);
    // It answers its true velocity, sideways swing included: the rate its origin moves, taken
    // over the frames either side (a central difference, true to the frame's square).
    SimHost host(world);
    const Vector3 before = box.position;
    advanceWorld(world);
    const Vector3 answered = invoke(host.runtime(), natives::entityVelocity, box.handle);
    advanceWorld(world);
    EXPECT_TRUE(near3(answered, (box.position - before) / (2.0f * world.baseDt), 0.01f));
    EXPECT_TRUE(near3(pin(), hitch(), 1e-3f));
    // A long straight lines it up again, moving at the tractor's speed.
    truck.yawRate = 0.0f;
    for (int i = 0; i < 900; ++i) advanceWorld(world);
    EXPECT_NEAR(wrap180(truck.yaw - box.yaw), 0.0f, 0.5f);
    EXPECT_NEAR(box.speed, 8.0f, 0.05f);
    EXPECT_TRUE(near3(pin(), hitch(), 1e-3f));
    // Unhooked at 8 m/s it rolls on and stops, slowing at 1.5 m/s² as a loaded trailer's
    // rolling drag does: after v²/2a = 64/3 = 21.33 m. The tractor drives on.
    detachVehicles(world, truck);
    EXPECT_EQ(truck.trailer, 0);
    const Vector3 released = box.position;
    for (int i = 0; i < 400; ++i) advanceWorld(world);
    EXPECT_EQ(box.speed, 0.0f);
    EXPECT_NEAR((box.position - released).norm(), 21.33f, 0.2f);
    const Vector3 stopped = box.position;
    advanceWorld(world);
    EXPECT_EQ(box.position, stopped);
}

TEST(SimWorld, TheGameCameraFollowsTheViewModeOfWhereThePlayerIs) {
    World world = worldWith(oneCar(R"(, "heading": 90)") + R"(, "player": {"in": "car"}, "onFootViewMode": 4,
                                                             "vehicleViewMode": 2)");
    // Seated: the in-vehicle mode's far view behind the car (+X, since it faces -X), looking
    // down at the car; the on-foot first person does not count.
    View view = gameCameraView(world);
    EXPECT_TRUE(view.pose.position.x() > 7.0f && view.rotation.x < -5.0f)
        << view.pose.position.x() << " " << view.rotation.x;
    EXPECT_TRUE(near3(view.pose.orientation.col(1).cwiseProduct(Vector3(1, 1, 0)).normalized(), Vector3(-1, 0, 0)));
    // The view block the plug-in reads holds that view's direction.
    refreshViewBlock(world);
    float stored[3];
    std::memcpy(stored, world.memory.viewBlock.data() + 512, sizeof stored);
    EXPECT_TRUE(near3(Vector3(stored[0], stored[1], stored[2]), view.pose.orientation.col(1)));
    // The in-vehicle first person sits at the driver's head.
    world.vehicleViewMode = 4;
    view = gameCameraView(world);
    EXPECT_LT((view.pose.position - characterPose(world).position).norm(), 1.0f);
    // On foot the on-foot mode counts, whatever the in-vehicle one holds.
    std::tie(world.player.seat, world.player.vehicle, world.onFootViewMode) = std::tuple(SeatState::OnFoot, 0, 1);
    view = gameCameraView(world);
    EXPECT_GT((view.pose.position - characterPose(world).position).norm(), 2.0f);
}

TEST(SimWorld, ControlsActUnlessDisabledThisFrame) {
    World world = worldWith(oneCar("") + R"(, "player": {"in": "car"}, "vehicleViewMode": 1, "onFootViewMode": 0)");
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    // Each press of a control (0 view change, 80 cinematic) for a frame, disabled or not, and
    // what the game does: far is followed by first person; the on-foot view stays.
    struct Press {
        int control;
        bool disabled;
        std::int32_t vehicleViewMode;
        bool cinematic;
    };
    for (const Press& p : {Press{0, true, 1, false}, Press{0, false, 2, false}, Press{0, false, 4, false},
                           Press{80, true, 4, false}, Press{80, false, 4, true}}) {
        world.controls[static_cast<std::size_t>(p.control)] = ControlState{true, true, 1};
        if (p.disabled) invoke(rt, natives::disableControlThisFrame, 0, p.control, true);
        advanceWorld(world);
        EXPECT_EQ(world.vehicleViewMode, p.vehicleViewMode) << p.control << (p.disabled ? " disabled" : "");
        EXPECT_EQ(world.cinematic, p.cinematic) << p.control << (p.disabled ? " disabled" : "");
        EXPECT_EQ(world.onFootViewMode, 0);
    }
    invoke(rt, natives::setCinematicCamera, false);
    EXPECT_FALSE(world.cinematic);
    // A disabled control is invisible to the plain queries but not to the disabled ones.
    world.controls[0] = ControlState{true, true, 1};
    invoke(rt, natives::disableControlThisFrame, 2, 0, true);
    EXPECT_FALSE(invoke(rt, natives::isControlJustPressed, 0, 0));
    EXPECT_TRUE(invoke(rt, natives::isDisabledControlJustPressed, 2, 0));
}

TEST(SimWorld, GettingInIsTryingToEnterThenClimbingOntoTheSeat) {
    World world = worldWith(oneCar(""));
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    const Entity car = world.vehicles[0].handle;
    std::tie(world.player.vehicle, world.player.seat, world.player.transitionFrames, world.player.seatFrames) =
        std::tuple(car, SeatState::Entering, 10, 5);
    struct Expected {
        int frame;
        Entity tryingToEnter;
        bool gettingIn, inVehicle, inVehicleAtGetIn;
        Entity using_;
    };
    const Expected steps[] = {
        {0, car, true, false, false, car},                                    // walking up, opening the door
        {4, car, true, false, false, car}, {5, car, true, false, true, car},  // onto the seat
        {9, car, true, false, true, car},  {10, 0, false, true, true, car},   // seated
    };
    int frame = 0;
    for (const Expected& e : steps) {
        while (frame < e.frame) advanceWorld(world), ++frame;
        const Entity me = world.player.handle;
        EXPECT_EQ(invoke(rt, natives::vehicleCharacterIsEntering, me), e.tryingToEnter) << frame;
        EXPECT_EQ(invoke(rt, natives::isCharacterEnteringVehicle, me), e.gettingIn) << frame;
        EXPECT_EQ(invoke(rt, natives::isCharacterInAnyVehicle, me, false), e.inVehicle) << frame;
        EXPECT_EQ(invoke(rt, natives::isCharacterInAnyVehicle, me, true), e.inVehicleAtGetIn) << frame;
        EXPECT_EQ(invoke(rt, natives::vehicleOfCharacter, me), e.using_) << frame;
    }
}

TEST(SimHost, SmallAnswersMeanWhatTheGamesMean) {
    World world = worldWith(oneCar(R"(, "spoiler": 3)") + R"(, "player": {"in": "car"})");
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    const Entity car = world.vehicles[0].handle;
    EXPECT_EQ(invoke(rt, natives::playerId), 0);
    // Bone names match without regard to case.
    const std::int32_t bumper = invoke(rt, natives::boneIndex, car, "bumper_r");
    EXPECT_TRUE(bumper >= 0 && invoke(rt, natives::boneIndex, car, "BUMPER_R") == bumper) << bumper;
    // The fitted spoiler (type 0), -1 for a stock part; the model's drive figure.
    EXPECT_TRUE(invoke(rt, natives::vehicleMod, car, 0) == 3 && invoke(rt, natives::vehicleMod, car, 1) == -1);
    EXPECT_NEAR(invoke(rt, natives::vehicleAcceleration, car), 0.3f, 0.1f);
    // A look control reads -1..1 whatever the device moved; the phone's scale is kept.
    struct Look {
        float set, read;
    };
    for (const Look& l : {Look{0.4f, 0.4f}, Look{2.5f, 1.0f}, Look{-100.0f, -1.0f}}) {
        world.lookX = world.lookY = l.set;
        EXPECT_EQ(invoke(rt, natives::controlValue, 2, 1), l.read) << l.set;
        EXPECT_EQ(invoke(rt, natives::controlValue, 2, 2), l.read) << l.set;
    }
    EXPECT_EQ(world.phoneScale, -1.0f);
    invoke(rt, natives::setPhoneOverlayScale, 0.75f);
    EXPECT_EQ(world.phoneScale, 0.75f);
    // The typed cheat, by its Jenkins hash (0x19102796 for "cpc"), is cleared when read.
    EXPECT_EQ(invoke(rt, natives::hashOfText, "cpc"), 0x19102796u);
    world.typedCheat = textHash("CPC");
    EXPECT_TRUE(invoke(rt, natives::cheatTyped, 0x19102796u));
    EXPECT_FALSE(invoke(rt, natives::cheatTyped, 0x19102796u));
    // The minimap locks to whole degrees; outside 0..360 or on unlock it is free.
    struct Lock {
        std::int32_t angle, shown;
    };
    for (const Lock& l : {Lock{90, 90}, Lock{-5, -1}, Lock{359, 359}, Lock{400, -1}}) {
        invoke(rt, natives::lockMinimapAngle, l.angle);
        EXPECT_EQ(world.minimapAngle, l.shown) << l.angle;
    }
    invoke(rt, natives::lockMinimapAngle, 10);
    invoke(rt, natives::unlockMinimapAngle);
    EXPECT_EQ(world.minimapAngle, -1);
    // A camera created active is the one rendering shows; a field of view outside 1..130 is flagged as a fault.
    const CameraHandle camera = invoke(rt, natives::createCamera, "DEFAULT_SCRIPTED_CAMERA", 1.0f, 2.0f, 3.0f, 0.0f,
                                       0.0f, 90.0f, 50.0f, true, 2);
    invoke(rt, natives::renderScriptedCameras, true, false, 0, true, false, 0);
    const View shown = shownView(world);
    EXPECT_TRUE(shown.scripted);
    EXPECT_TRUE(near3(shown.pose.position, Vector3(1, 2, 3)));
    EXPECT_NEAR(shown.rotation.z, 90.0f, 1e-3f);
    EXPECT_EQ(world.faults.fovOutOfRange, 0);
    invoke(rt, natives::setCameraFov, camera, 131.0f);
    invoke(rt, natives::setCameraFov, camera, 0.5f);
    invoke(rt, natives::setCameraFov, camera, 130.0f);
    EXPECT_EQ(world.faults.fovOutOfRange, 2);
    const CameraHandle idle = invoke(rt, natives::createCamera, "DEFAULT_SCRIPTED_CAMERA", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                     0.0f, 50.0f, false, 2);
    EXPECT_NE(world.activeCamera, idle);
}

}  // namespace
}  // namespace velmora::sim
