// The simulated world must answer consistently, or the camera tests built on it prove
// nothing: rotations, quaternions and axes agree, motion and pauses add up, a trailer hangs
// on its hitch, and the probe hits what lies between and ignores what it is told to.
#include "sim/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "cammath/cammath.h"
#include "shell/natives.h"
#include "sim/host.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

::testing::AssertionResult near3(const Vector3& a, const Vector3& b, float tolerance = 1e-4f) {
    if ((a - b).cwiseAbs().maxCoeff() <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x() << ", " << a.y() << ", " << a.z() << ") vs (" << b.x() << ", "
                                         << b.y() << ", " << b.z() << ")";
}

World worldWith(const std::string& vehiclesJson, const std::string& extra = "") {
    World world;
    setUpWorld(world, parseScenario(R"({"world": {"vehicles": )" + vehiclesJson + extra + "}}", "test"));
    return world;
}

struct Pose3 { float heading, pitch, roll; };

TEST(SimWorld, RotationsQuaternionsAndAxesAgree) {
    const Pose3 poses[] = {{0, 0, 0}, {90, 0, 0}, {-135, 0, 0}, {30, 10, 0}, {200, -5, 12}, {45, 20, -30}};
    for (const Pose3& p : poses) {
        World world = worldWith(R"([{"name": "car", "model": "compact", "position": [1, 2, 0.5], "heading": )" +
                                std::to_string(p.heading) + R"(, "pitch": )" + std::to_string(p.pitch) +
                                R"(, "roll": )" + std::to_string(p.roll) + "}]");
        SimHost host(world);
        const HostRuntime rt = host.runtime();
        const Entity car = world.vehicles[0].handle;

        float x, y, z, w;
        invoke(rt, natives::entityQuaternion, car, &x, &y, &z, &w);
        const Quaternion q(w, x, y, z);
        EXPECT_NEAR(q.norm(), 1.0f, 1e-5f);

        // Convention 2 is the plug-in's own decomposition of the quaternion.
        const Rotation r2 = invoke(rt, natives::entityRotation, car, 2);
        EXPECT_NEAR(r2.x, p.pitch, 1e-3f);
        EXPECT_NEAR(r2.y, p.roll, 1e-3f);
        EXPECT_NEAR(r2.z, wrapDegrees180(p.heading), 1e-3f);  // in (-180, 180], like the decomposition's

        // Forward is +Y turned; convention 0's right axis is the body's +X.
        const Vector3 forward = invoke(rt, natives::entityForward, car);
        EXPECT_TRUE(near3(forward, q * Vector3(0, 1, 0)));
        const Rotation r0 = invoke(rt, natives::entityRotation, car, 0);
        const float cz = std::cos(r0.z * kDegToRad), sz = std::sin(r0.z * kDegToRad);
        const float cy = std::cos(r0.y * kDegToRad), sy = std::sin(r0.y * kDegToRad);
        EXPECT_TRUE(near3(Vector3(cz * cy, sz * cy, -sy), q * Vector3(1, 0, 0)));
    }
    const World facingWest = worldWith(R"([{"name": "car", "model": "compact", "heading": 90}])");
    EXPECT_TRUE(near3(vehiclePose(facingWest, facingWest.vehicles[0]).orientation * Vector3(0, 1, 0), Vector3(-1, 0, 0)));
}

TEST(SimWorld, MotionIsConsistentFrameToFrame) {
    World world = worldWith(R"([{"name": "car", "model": "sports", "heading": 0, "speed": 10, "yawRate": 30,
                                 "bumps": {"amplitude": 0.05, "frequency": 2}}])");
    SimHost host(world);
    const HostRuntime rt = host.runtime();
    const Entity car = world.vehicles[0].handle;
    for (int frame = 0; frame < 120; ++frame) {
        const Vector3 before = invoke(rt, natives::entityPosition, car, true);
        const Vector3 velocity = invoke(rt, natives::entityVelocity, car);
        const Vector3 forward = invoke(rt, natives::entityForward, car);
        // Velocity is the forward axis times the speed, plus the bumps' vertical part.
        EXPECT_TRUE(near3(Vector3(velocity.x(), velocity.y(), 0), Vector3(forward.x(), forward.y(), 0) * 10.0f, 1e-3f));
        EXPECT_NEAR(invoke(rt, natives::entitySpeed, car), velocity.norm(), 1e-4f);

        advanceWorld(world);
        const Vector3 after = invoke(rt, natives::entityPosition, car, true);
        const Vector3 moved = after - before;
        EXPECT_NEAR(Vector3(moved.x(), moved.y(), 0).norm(), 10.0f * world.baseDt, 1e-4f);
    }
    // Two seconds at 30 degrees per second.
    EXPECT_NEAR(invoke(rt, natives::entityRotation, car, 2).z, 60.0f, 0.05f);
}

TEST(SimWorld, PauseStopsTimeAndMotion) {
    World world = worldWith(R"([{"name": "car", "model": "compact", "speed": 10}])");
    world.pausedFrames = 3;
    world.dt = 0.0f;
    const Vector3 start = world.vehicles[0].position;
    advanceWorld(world);
    advanceWorld(world);
    EXPECT_EQ(world.vehicles[0].position, start);
    EXPECT_EQ(world.dt, 0.0f);
    advanceWorld(world);
    EXPECT_GT(world.dt, 0.0f);
    EXPECT_EQ(world.time, 0.0f);
    EXPECT_GT(world.wallClock, 1.0);  // the wall clock runs on while the game is paused
}

TEST(SimWorld, TheProbeHitsWhatLiesBetweenAndIgnoresThePassedVehicle) {
    World world = worldWith(R"([{"name": "car", "model": "compact", "position": [0, 0, 0.5]},
                                {"name": "other", "model": "van", "position": [0, -12, 0.6]}])",
                            R"(, "obstacles": [{"min": [-5, -6, 0], "max": [5, -5, 3]}])");
    const Entity car = world.vehicles[0].handle;
    const Entity other = world.vehicles[1].handle;

    // Straight back from inside the car: the car itself is never reported, the wall is.
    ProbeHit hit = probeSegment(world, Vector3(0, 0, 1), Vector3(0, -8, 1), car);
    ASSERT_TRUE(hit.hit);
    EXPECT_TRUE(near3(hit.point, Vector3(0, -5, 1)));
    EXPECT_TRUE(near3(hit.normal, Vector3(0, 1, 0)));
    EXPECT_EQ(hit.entity, 0);

    // Over the wall: clear until the van further back, which is reported with its handle.
    hit = probeSegment(world, Vector3(0, 0, 6.0f), Vector3(0, -12, 1.0f), car);
    ASSERT_TRUE(hit.hit);
    EXPECT_EQ(hit.entity, other);
    EXPECT_LT(hit.point.y(), -12.0f + world.vehicles[1].model->halfSize.y() + 1e-3f);

    // Not ignoring the car: a segment that starts inside it does not report it either.
    EXPECT_FALSE(probeSegment(world, Vector3(0, 0, 1), Vector3(0, 4, 1), 0).hit);
    // Clear to the side.
    EXPECT_FALSE(probeSegment(world, Vector3(0, 0, 1), Vector3(8, 0, 1), car).hit);
    // From outside toward the car, not ignored: hit on its front face.
    hit = probeSegment(world, Vector3(0, 10, 1), Vector3(0, 0, 1), 0);
    ASSERT_TRUE(hit.hit);
    EXPECT_EQ(hit.entity, car);
    EXPECT_TRUE(near3(hit.normal, Vector3(0, 1, 0)));
}

TEST(SimWorld, AttachedVehiclesHangOnTheHitch) {
    World world = worldWith(R"([{"name": "truck", "model": "tractor", "heading": 20, "speed": 5},
                                {"name": "box", "model": "trailer", "position": [0, -30, 0]}])");
    world.vehicles[0].trailer = world.vehicles[1].handle;
    world.vehicles[1].attachedTo = world.vehicles[0].handle;
    for (int i = 0; i < 30; ++i) advanceWorld(world);
    const Pose truck = vehiclePose(world, world.vehicles[0]);
    const Pose box = vehiclePose(world, world.vehicles[1]);
    const auto& truckBones = world.vehicles[0].model->bones;
    const auto& boxBones = world.vehicles[1].model->bones;
    const Vector3 hitch = truck.position + truck.orientation * truckBones[boneIndexOf(truckBones, "attach_female")].offset;
    const Vector3 pin = box.position + box.orientation * boxBones[boneIndexOf(boxBones, "attach_male")].offset;
    EXPECT_TRUE(near3(hitch, pin));
    EXPECT_NEAR(world.vehicles[1].yaw, world.vehicles[0].yaw, 1e-4f);
}

TEST(SimWorld, TheGameCameraAndTheViewBlockFollowTheView) {
    World world = worldWith(R"([{"name": "car", "model": "compact", "heading": 90}])", R"(, "player": {"in": "car"})");
    refreshViewBlock(world);
    const View view = gameCameraView(world);
    const Vector3 forward = view.pose.orientation * Vector3(0, 1, 0);
    float stored[3];
    std::memcpy(stored, world.memory.viewBlock.data() + 512, sizeof stored);
    EXPECT_TRUE(near3(Vector3(stored[0], stored[1], stored[2]), forward));
    EXPECT_LT(forward.x(), -0.9f);  // looking where the car faces, -X
    // Behind the car, that is on its +X side.
    EXPECT_GT(view.pose.position.x(), 3.0f);
}

}  // namespace
}  // namespace velmora::sim
