#include "sim/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "thirdperson/bone_names.h"

namespace velmora::sim {
namespace {

const Vector3* boneOffset(const std::vector<BoneDefinition>& bones, std::string_view name) {
    const auto it = std::ranges::find(bones, name, &BoneDefinition::name);
    return it == bones.end() ? nullptr : &it->offset;
}

const VehicleModel& model(std::string_view name) {
    if (const VehicleModel* found = findVehicleModel(name)) return *found;
    throw std::runtime_error("no vehicle model " + std::string(name));
}

std::set<std::string> boneNames(const VehicleModel& m) {
    std::set<std::string> names;
    for (const BoneDefinition& b : m.bones)
        names.insert(b.name);
    return names;
}

constexpr std::array<std::string_view, 7> kCars = {"compact", "sports",   "super",  "suv",
                                                   "van",     "towtruck", "tractor"};

TEST(Catalogue, HoldsEveryModelWithItsClass) {
    // clang-format off
    const std::array<std::pair<std::string_view, std::int32_t>, 13> expected = {{
        {"compact", 0}, {"sports", 6}, {"super", 7}, {"suv", 2}, {"van", 12}, {"towtruck", 11},
        {"tractor", 20}, {"trailer", 11}, {"motorcycle", 8}, {"bicycle", 13}, {"boat", 14},
        {"helicopter", 15}, {"bare", 1}}};
    // clang-format on
    EXPECT_EQ(vehicleModels().size(), expected.size());
    for (const auto& [name, vehicleClass] : expected) {
        const VehicleModel* found = findVehicleModel(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->name, name);
        EXPECT_EQ(found->vehicleClass, vehicleClass) << name;
    }
    EXPECT_EQ(findVehicleModel("Compact"), nullptr);
}

// A misspelt bone would make the game's bone lookup fail silently in a scenario.
TEST(Catalogue, BoneNamesAreKnownAndUniqueWithinEachModel) {
    std::set<std::string_view> known(VehicleBoneNames.begin(), VehicleBoneNames.end());
    known.insert({"seat_dside_f", "seat_pside_f", "seat_f", "steeringwheel", "headlight_l",
                  "headlight_r", "brakelight_l", "brakelight_m", "brakelight_r", "boot", "wheel_lf",
                  "wheel_rf", "wheel_lr", "wheel_rr", "wheel_lm1", "wheel_rm1", "door_dside_f",
                  "door_pside_f"});
    for (const VehicleModel& m : vehicleModels()) {
        for (const BoneDefinition& b : m.bones) {
            EXPECT_TRUE(known.contains(b.name)) << m.name << ": unknown bone " << b.name;
        }
        EXPECT_EQ(boneNames(m).size(), m.bones.size()) << m.name << " repeats a bone";
    }
}

// Catches sign slips: every bone inside the box, each left bone mirroring its right twin.
TEST(Catalogue, BonesLieInsideTheBodyAndMirrorAcrossTheCentreLine) {
    const std::array<std::pair<std::string_view, std::string_view>, 5> sides = {
        {{"_lf", "_rf"}, {"_lr", "_rr"}, {"_lm1", "_rm1"}, {"_l", "_r"}, {"_dside_f", "_pside_f"}}};
    for (const VehicleModel& m : vehicleModels()) {
        const Vector3 low(-m.halfSize.x(), -m.halfSize.y(), -m.groundClearance);
        const Vector3 high(m.halfSize.x(), m.halfSize.y(),
                           2.0f * m.halfSize.z() - m.groundClearance);
        for (const BoneDefinition& b : m.bones) {
            const Vector3& p = b.offset;
            EXPECT_TRUE((p.array() >= low.array() - 0.05f).all() &&
                        (p.array() <= high.array() + 0.05f).all())
                << m.name << " " << b.name << " outside the body";
            for (const auto& [left, right] : sides) {
                if (!b.name.ends_with(left)) continue;
                EXPECT_LE(p.x(), 0.0f) << m.name << " " << b.name;
                const std::string twin =
                    b.name.substr(0, b.name.size() - left.size()) + std::string(right);
                if (const Vector3* q = boneOffset(m.bones, twin)) {
                    EXPECT_TRUE(p.isApprox(Vector3(-q->x(), q->y(), q->z())))
                        << m.name << " " << b.name;
                }
            }
        }
    }
}

TEST(Catalogue, CarCabinsRunSeatThenWheelThenWindscreen) {
    for (std::string_view name : kCars) {
        const VehicleModel& car = model(name);
        const Vector3* seat = boneOffset(car.bones, "seat_dside_f");
        const Vector3* wheel = boneOffset(car.bones, "steeringwheel");
        const Vector3* glass = boneOffset(car.bones, "windscreen");
        ASSERT_TRUE(seat && wheel && glass) << name;
        EXPECT_TRUE(seat->x() >= -0.45f && seat->x() <= -0.35f) << name;
        EXPECT_FLOAT_EQ(wheel->x(), seat->x()) << name;
        EXPECT_TRUE(wheel->y() > seat->y() && wheel->z() > seat->z()) << name;
        EXPECT_TRUE(glass->y() > wheel->y() && glass->z() > wheel->z()) << name;
    }
}

// Only the measured names count here: they are what the body measurement gets to see.
TEST(Catalogue, MeasuredBonesReachBothEndsOfTheBody) {
    const std::set<std::string_view> measured(VehicleBoneNames.begin(), VehicleBoneNames.end());
    for (std::string_view name :
         {"compact", "sports", "super", "suv", "van", "towtruck", "tractor", "trailer", "bare"}) {
        const VehicleModel& m = model(name);
        float front = -m.halfSize.y(), rear = m.halfSize.y();
        for (const BoneDefinition& b : m.bones) {
            if (!measured.contains(b.name)) continue;
            front = std::max(front, b.offset.y());
            rear = std::min(rear, b.offset.y());
        }
        EXPECT_NEAR(front, m.halfSize.y(), 0.2f * m.halfSize.y()) << name;
        EXPECT_NEAR(rear, -m.halfSize.y(), 0.2f * m.halfSize.y()) << name;
    }
}

TEST(Catalogue, OnlyTheVanIsTall) {
    for (std::string_view name : kCars) {
        const auto height = [](const BoneDefinition& b) { return b.offset.z(); };
        const float top = std::ranges::max(model(name).bones, {}, height).offset.z();
        if (name == "van") {
            EXPECT_GT(top, 1.5f);
        } else {
            EXPECT_LT(top, 1.25f) << name;
        }
    }
}

TEST(Catalogue, BareIsACarLackingExactlyItsCabinAndTail) {
    std::set<std::string> expected = boneNames(model("compact"));
    for (const char* removed :
         {"seat_dside_f", "steeringwheel", "windscreen", "windscreen_r", "bumper_r", "brakelight_m",
          "boot", "brakelight_l", "brakelight_r"}) {
        expected.erase(removed);
    }
    EXPECT_EQ(boneNames(model("bare")), expected);
}

TEST(Catalogue, HitchesAndTwoWheelersHaveTheirOwnBones) {
    const std::array<std::pair<std::string_view, std::vector<std::string>>, 5> required = {{
        {"towtruck", {"tow_arm"}},
        {"tractor", {"attach_female"}},
        {"trailer", {"chassis", "bodyshell", "attach_male", "bumper_r", "wheel_lr", "wheel_rr"}},
        {"motorcycle",
         {"seat_f", "handlebars", "forks_u", "forks_l", "swingarm", "wheel_lf", "wheel_lr"}},
        {"bicycle",
         {"seat_f", "handlebars", "crank", "pedal_l", "pedal_r", "wheel_lf", "wheel_lr"}},
    }};
    for (const auto& [name, bones] : required) {
        const std::set<std::string> has = boneNames(model(name));
        for (const std::string& b : bones)
            EXPECT_TRUE(has.contains(b)) << name << " lacks " << b;
        const bool driverSeat = name == "towtruck" || name == "tractor";
        EXPECT_EQ(has.contains("seat_dside_f"), driverSeat) << name;
    }
    // Coupled, the trailer's king pin sits on the tractor's fifth wheel, over its rear axle.
    const VehicleModel& tractor = model("tractor");
    const VehicleModel& trailer = model("trailer");
    const Vector3& fifthWheel = *boneOffset(tractor.bones, "attach_female");
    EXPECT_NEAR(fifthWheel.z() + tractor.groundClearance,
                boneOffset(trailer.bones, "attach_male")->z() + trailer.groundClearance, 0.01f);
    EXPECT_FLOAT_EQ(fifthWheel.y(), boneOffset(tractor.bones, "wheel_lr")->y());
}

TEST(Catalogue, SeatedPlayersHeadLandsAtAnEyePoint) {
    const CharacterModel* player = findCharacterModel("player");
    ASSERT_NE(player, nullptr);
    const Vector3 head = *boneOffset(player->bones, "SKEL_Head");
    for (std::string_view name : kCars) {
        const VehicleModel& car = model(name);
        const Vector3 eye = driverSeatOffset(car) + head;
        EXPECT_NEAR(eye.z() - boneOffset(car.bones, "seat_dside_f")->z(), 0.65f, 0.1f) << name;
        EXPECT_NEAR(boneOffset(car.bones, "steeringwheel")->y() - eye.y(), 0.4f, 0.1f) << name;
        EXPECT_LT(eye.z() + 0.08f, boneOffset(car.bones, "roof")->z())
            << name << ": head in the roof";
    }
    // A rider sits above the saddle, behind the bars.
    for (std::string_view name : {"motorcycle", "bicycle"}) {
        const VehicleModel& bike = model(name);
        const Vector3 hip = driverSeatOffset(bike);
        EXPECT_GT(hip.z(), boneOffset(bike.bones, "seat_f")->z()) << name;
        EXPECT_LT((hip + head).y(), boneOffset(bike.bones, "handlebars")->y()) << name;
    }
    // With no seat bone at all the driver still sits on the left, inside the body.
    const Vector3 fallback = driverSeatOffset(model("bare"));
    EXPECT_LT(fallback.x(), 0.0f);
    EXPECT_TRUE((fallback.cwiseAbs().array() < model("bare").halfSize.array()).all());
}

TEST(Catalogue, HeadlessIsThePlayerWithoutItsHead) {
    const CharacterModel* player = findCharacterModel("player");
    const CharacterModel* headless = findCharacterModel("headless");
    ASSERT_TRUE(player && headless);
    EXPECT_EQ(characterModels().size(), 2u);
    EXPECT_EQ(findCharacterModel("ghost"), nullptr);
    std::vector<BoneDefinition> expected = player->bones;
    std::erase_if(expected, [](const BoneDefinition& b) { return b.name == "SKEL_Head"; });
    const auto same = [](const BoneDefinition& a, const BoneDefinition& b) {
        return a.name == b.name && a.offset == b.offset;
    };
    EXPECT_TRUE(std::ranges::equal(headless->bones, expected, same));
    EXPECT_EQ(*boneOffset(player->bones, "SKEL_ROOT"), Vector3::Zero());
}

}  // namespace
}  // namespace velmora::sim
