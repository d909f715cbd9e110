#include "sim/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

#include "thirdperson/bone_names.h"

namespace velmora::sim {
namespace {

const VehicleModel& model(std::string_view name) {
    if (const VehicleModel* found = findVehicleModel(name)) return *found;
    throw std::runtime_error("no vehicle model " + std::string(name));
}

Vector3 bone(const std::vector<BoneDefinition>& bones, std::string_view name) {
    const auto it = std::ranges::find(bones, name, &BoneDefinition::name);
    if (it != bones.end()) return it->offset;
    ADD_FAILURE() << "no bone " << name;
    return Vector3::Zero();
}

// A misspelt bone would make the game's bone lookup fail silently in a scenario; a bone
// outside the collision box, or measured bones that stop short of the body's ends, would
// give the chase camera a body other than the one the probe collides with.
TEST(Catalogue, BonesAreKnownUniqueInsideTheBodyAndMeasuredToBothEnds) {
    const std::set<std::string_view> measured(VehicleBoneNames.begin(), VehicleBoneNames.end());
    std::set<std::string_view> known = measured;
    known.insert({"seat_dside_f", "seat_pside_f", "seat_f", "steeringwheel", "headlight_l", "headlight_r",
                  "brakelight_l", "brakelight_m", "brakelight_r", "boot", "wheel_lf", "wheel_rf", "wheel_lr",
                  "wheel_rr", "wheel_lm1", "wheel_rm1", "door_dside_f", "door_pside_f"});
    // Two-wheelers, boats and aircraft have bodies the measured names do not outline.
    const std::set<std::string_view> unmeasured = {"motorcycle", "bicycle", "boat", "helicopter"};
    for (const VehicleModel& m : vehicleModels()) {
        const Vector3 low(-m.halfSize.x(), -m.halfSize.y(), -m.groundClearance),
            high(m.halfSize.x(), m.halfSize.y(), 2.0f * m.halfSize.z() - m.groundClearance);
        std::set<std::string_view> seen;
        float front = -m.halfSize.y(), rear = m.halfSize.y();
        for (const BoneDefinition& b : m.bones) {
            EXPECT_TRUE(known.contains(b.name)) << m.name << ": unknown bone " << b.name;
            EXPECT_TRUE(seen.insert(b.name).second) << m.name << " repeats " << b.name;
            EXPECT_TRUE((b.offset.array() >= low.array() - 0.05f).all() &&
                        (b.offset.array() <= high.array() + 0.05f).all())
                << m.name << " " << b.name << " outside the body";
            if (!measured.contains(b.name)) continue;
            front = std::max(front, b.offset.y());
            rear = std::min(rear, b.offset.y());
        }
        if (unmeasured.contains(m.name)) continue;
        EXPECT_NEAR(front, m.halfSize.y(), 0.2f * m.halfSize.y()) << m.name;
        EXPECT_NEAR(rear, -m.halfSize.y(), 0.2f * m.halfSize.y()) << m.name;
    }
}

TEST(Catalogue, SeatedPlayersHeadLandsAtAnEyePoint) {
    const CharacterModel* player = findCharacterModel("player");
    ASSERT_NE(player, nullptr);
    const Vector3 head = bone(player->bones, "SKEL_Head");
    for (std::string_view name : {"compact", "sports", "super", "suv", "van", "towtruck", "tractor"}) {
        const VehicleModel& car = model(name);
        const Vector3 eye = driverSeatOffset(car) + head;
        EXPECT_TRUE(eye.x() >= -0.45f && eye.x() <= -0.35f) << name << ": not the driver's side";
        EXPECT_NEAR(eye.z() - bone(car.bones, "seat_dside_f").z(), 0.65f, 0.1f) << name;
        EXPECT_NEAR(bone(car.bones, "steeringwheel").y() - eye.y(), 0.4f, 0.1f) << name;
        EXPECT_GT(bone(car.bones, "windscreen").y(), bone(car.bones, "steeringwheel").y()) << name;
        EXPECT_LT(eye.z() + 0.08f, bone(car.bones, "roof").z()) << name << ": head in the roof";
    }
    // A rider sits above the saddle, behind the bars.
    for (std::string_view name : {"motorcycle", "bicycle"}) {
        const VehicleModel& bike = model(name);
        const Vector3 hip = driverSeatOffset(bike);
        EXPECT_GT(hip.z(), bone(bike.bones, "seat_f").z()) << name;
        EXPECT_LT((hip + head).y(), bone(bike.bones, "handlebars").y()) << name;
    }
    // With no seat bone at all the driver still sits on the left, inside the body.
    const Vector3 fallback = driverSeatOffset(model("bare"));
    EXPECT_LT(fallback.x(), 0.0f);
    EXPECT_TRUE((fallback.cwiseAbs().array() < model("bare").halfSize.array()).all());
}

// Coupled, the trailer's king pin sits on the tractor's fifth wheel, over its rear axle: the
// world hangs the trailer from these two bones, so a mismatch would float or sink it.
TEST(Catalogue, TheTrailerCouplesLevelOverTheTractorsRearAxle) {
    const VehicleModel &tractor = model("tractor"), &trailer = model("trailer");
    const Vector3 fifthWheel = bone(tractor.bones, "attach_female");
    EXPECT_NEAR(fifthWheel.z() + tractor.groundClearance,
                bone(trailer.bones, "attach_male").z() + trailer.groundClearance, 0.01f);
    EXPECT_FLOAT_EQ(fifthWheel.y(), bone(tractor.bones, "wheel_lr").y());
}

}  // namespace
}  // namespace velmora::sim
