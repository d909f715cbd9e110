#include "sim/catalogue.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace velmora::sim {
namespace {

BoneDefinition bone(std::string_view name, float x, float y, float z) {
    return BoneDefinition{std::string(name), Vector3(x, y, z)};
}

// A road car's proportions. Every car bone is placed from these few numbers, so the
// cabin, the body ends and the collision box cannot drift apart from one model to the next.
// Heights are above the origin, which sits at axle height, unless noted otherwise.
struct CarShape {
    float length;        // bumper to bumper
    float width;         // body side to body side
    float height;        // ground to roof
    float clearance;     // ground to origin: the wheel radius
    float wheelbase;     // front axle to rear axle
    float track;         // wheel centre to wheel centre across the car
    float seatX;         // driver's hip point, left of the centre line...
    float seatY;         // ...along the car...
    float seatZ;         // ...and above the origin
    float rearGlassY;    // rear window, at the back of the cabin
    float engineY;       // ahead of the cabin for a front engine, behind it for a mid engine
    float acceleration;  // the game's per-model drive figure
};

VehicleModel layOutCar(std::string_view name, std::int32_t vehicleClass, const CarShape& s) {
    const float halfLength = 0.5f * s.length;
    const float halfWidth = 0.5f * s.width;
    const float axleY = 0.5f * s.wheelbase;
    const float wheelX = 0.5f * s.track;
    const float roofZ = s.height - s.clearance - 0.08f;  // the roof bone sits just under the skin

    std::vector<BoneDefinition> bones = {
        bone("chassis", 0.0f, 0.0f, 0.0f),
        bone("bodyshell", 0.0f, 0.0f, 0.5f * roofZ),
        // Cabin: the wheel is where a seated driver's hands reach, the glass beyond it.
        bone("seat_dside_f", s.seatX, s.seatY, s.seatZ),
        bone("seat_pside_f", -s.seatX, s.seatY, s.seatZ),
        bone("door_dside_f", -halfWidth, s.seatY + 0.2f, s.seatZ + 0.3f),
        bone("door_pside_f", halfWidth, s.seatY + 0.2f, s.seatZ + 0.3f),
        bone("steeringwheel", s.seatX, s.seatY + 0.45f, s.seatZ + 0.38f),
        bone("windscreen", 0.0f, s.seatY + 0.95f, s.seatZ + 0.6f),
        bone("roof", 0.0f, s.seatY - 0.15f, roofZ),
        // Front end.
        bone("bumper_f", 0.0f, halfLength, 0.1f),
        bone("headlight_l", -(halfWidth - 0.2f), halfLength - 0.1f, 0.35f),
        bone("headlight_r", halfWidth - 0.2f, halfLength - 0.1f, 0.35f),
        bone("engine", 0.0f, s.engineY, 0.3f),
        bone("steering", 0.0f, axleY, 0.1f),
        bone("wing_lf", -halfWidth, axleY, 0.35f),
        bone("wing_rf", halfWidth, axleY, 0.35f),
        // Rear end.
        bone("windscreen_r", 0.0f, s.rearGlassY, s.seatZ + 0.55f),
        bone("brakelight_m", 0.0f, s.rearGlassY - 0.05f, roofZ - 0.05f),
        bone("boot", 0.0f, -halfLength + 0.35f, 0.45f),
        bone("bumper_r", 0.0f, -halfLength, 0.1f),
        bone("brakelight_l", -(halfWidth - 0.15f), -halfLength + 0.05f, 0.45f),
        bone("brakelight_r", halfWidth - 0.15f, -halfLength + 0.05f, 0.45f),
        bone("exhaust", 0.5f * halfWidth, -halfLength + 0.1f, -0.1f),
        bone("petrolcap", halfWidth, -axleY + 0.3f, 0.4f),
    };
    struct Corner {
        std::string_view suffix;
        float side;  // -1 left, +1 right
        float end;   // +1 front, -1 rear
    };
    for (const Corner& c :
         {Corner{"lf", -1.0f, 1.0f}, Corner{"rf", 1.0f, 1.0f}, Corner{"lr", -1.0f, -1.0f}, Corner{"rr", 1.0f, -1.0f}}) {
        const std::string suffix(c.suffix);
        bones.push_back(bone("wheel_" + suffix, c.side * wheelX, c.end * axleY, 0.0f));
        bones.push_back(bone("hub_" + suffix, c.side * wheelX, c.end * axleY, 0.0f));
        bones.push_back(bone("suspension_" + suffix, c.side * (wheelX - 0.15f), c.end * axleY, 0.1f));
    }
    return VehicleModel{std::string(name), vehicleClass,
                        std::move(bones),  Vector3(halfWidth, halfLength, 0.5f * s.height),
                        s.clearance,       s.acceleration};
}

// A car with extra bones of its own, such as a tow arm.
VehicleModel withBones(VehicleModel model, std::initializer_list<BoneDefinition> extra) {
    model.bones.insert(model.bones.end(), extra.begin(), extra.end());
    return model;
}

// A car stripped of the named bones, for models that lack parts of the usual layout.
VehicleModel withoutBones(VehicleModel model, std::initializer_list<std::string_view> names) {
    std::erase_if(model.bones,
                  [&](const BoneDefinition& b) { return std::ranges::find(names, b.name) != names.end(); });
    return model;
}

// The driver's hip point runs from 0.3 m above the ground in the super car to nearly 1 m in
// the van, always low enough that a seated character's head stays under the roof. The van, tow
// truck and tractor sit their driver ahead of the centre, over the front axle, as cab-forward
// bodies do.
// clang-format off
//                            length width  height clear. wbase  track
//                            seatX   seatY   seatZ  rearGlassY engineY acceleration
constexpr CarShape kCompact { 4.0f, 1.75f, 1.45f, 0.30f, 2.55f, 1.50f,
                             -0.38f, -0.25f,  0.15f, -1.6f,   1.35f, 0.25f};
constexpr CarShape kSports  { 4.4f, 1.85f, 1.30f, 0.31f, 2.55f, 1.58f,
                             -0.40f, -0.35f,  0.04f, -1.3f,   1.45f, 0.32f};
constexpr CarShape kSuper   { 4.6f, 2.00f, 1.15f, 0.32f, 2.70f, 1.70f,
                             -0.43f, -0.10f,  0.00f, -0.9f,  -1.1f, 0.379f};
constexpr CarShape kSuv     { 4.8f, 1.95f, 1.70f, 0.40f, 2.85f, 1.65f,
                             -0.42f, -0.20f,  0.32f, -2.2f,   1.55f, 0.27f};
constexpr CarShape kVan     { 5.3f, 2.00f, 2.05f, 0.36f, 3.40f, 1.72f,
                             -0.44f,  1.10f,  0.60f, -2.5f,   2.1f, 0.2f};
constexpr CarShape kTowTruck{ 5.6f, 2.00f, 1.62f, 0.38f, 3.40f, 1.70f,
                             -0.44f,  0.55f,  0.36f, -0.05f,  2.1f, 0.18f};
constexpr CarShape kTractor { 6.2f, 2.45f, 1.80f, 0.50f, 3.90f, 2.00f,
                             -0.45f,  1.35f,  0.35f,  0.55f,  2.3f, 0.17f};
constexpr CarShape kSedan   { 4.6f, 1.80f, 1.45f, 0.32f, 2.75f, 1.55f,
                             -0.40f, -0.30f,  0.14f, -1.1f,   1.5f, 0.28f};
// clang-format on

// The fifth wheel and the trailer's king pin meet about 1.2 m above the ground.
constexpr float kHitchAboveGround = 1.2f;

VehicleModel trailer() {
    constexpr float halfLength = 6.0f;
    constexpr float clearance = 0.5f;
    constexpr float axleY = -halfLength + 1.6f;
    return VehicleModel{
        "trailer",
        11,
        {
            bone("chassis", 0.0f, 0.0f, 0.3f),
            bone("bodyshell", 0.0f, 0.0f, 1.8f),
            bone("attach_male", 0.0f, halfLength - 0.9f, kHitchAboveGround - clearance),
            bone("legs", 0.0f, halfLength - 2.2f, 0.2f),
            bone("door_hatch_l", -0.6f, -halfLength, 1.8f),
            bone("door_hatch_r", 0.6f, -halfLength, 1.8f),
            bone("bumper_r", 0.0f, -halfLength, 0.4f),
            bone("brakelight_l", -1.05f, -halfLength + 0.05f, 0.5f),
            bone("brakelight_r", 1.05f, -halfLength + 0.05f, 0.5f),
            // Tandem axle: a middle pair ahead of the rear pair.
            bone("wheel_lm1", -0.9f, axleY + 1.3f, 0.0f),
            bone("wheel_rm1", 0.9f, axleY + 1.3f, 0.0f),
            bone("hub_lm1", -0.9f, axleY + 1.3f, 0.0f),
            bone("hub_rm1", 0.9f, axleY + 1.3f, 0.0f),
            bone("wheel_lr", -0.9f, axleY, 0.0f),
            bone("wheel_rr", 0.9f, axleY, 0.0f),
            bone("hub_lr", -0.9f, axleY, 0.0f),
            bone("hub_rr", 0.9f, axleY, 0.0f),
        },
        Vector3(1.25f, halfLength, 2.0f),
        clearance,
        0.0f,  // no drive of its own
    };
}

VehicleModel motorcycle() {
    return VehicleModel{
        "motorcycle",
        8,
        {
            bone("chassis", 0.0f, 0.0f, 0.2f),
            bone("bodyshell", 0.0f, 0.0f, 0.35f),
            bone("seat_f", 0.0f, -0.2f, 0.49f),
            bone("handlebars", 0.0f, 0.4f, 0.72f),
            bone("forks_u", 0.0f, 0.55f, 0.6f),
            bone("forks_l", 0.0f, 0.7f, 0.05f),
            bone("swingarm", 0.0f, -0.35f, 0.1f),
            bone("wheel_lf", 0.0f, 0.73f, 0.0f),
            bone("wheel_lr", 0.0f, -0.73f, 0.0f),
            bone("hub_lf", 0.0f, 0.73f, 0.0f),
            bone("hub_lr", 0.0f, -0.73f, 0.0f),
            bone("engine", 0.0f, 0.1f, 0.15f),
            bone("petroltank", 0.0f, 0.15f, 0.55f),
            bone("petrolcap", 0.0f, 0.2f, 0.62f),
            bone("exhaust", 0.18f, -0.85f, 0.15f),
            bone("headlight_l", 0.0f, 0.85f, 0.6f),
            bone("brakelight_m", 0.0f, -0.95f, 0.5f),
        },
        Vector3(0.4f, 1.05f, 0.58f),
        0.31f,
        0.36f,
    };
}

VehicleModel bicycle() {
    return VehicleModel{
        "bicycle",
        13,
        {
            bone("chassis", 0.0f, 0.0f, 0.3f),
            bone("seat_f", 0.0f, -0.25f, 0.62f),
            bone("handlebars", 0.0f, 0.35f, 0.72f),
            bone("forks_u", 0.0f, 0.42f, 0.6f),
            bone("forks_l", 0.0f, 0.52f, 0.05f),
            bone("swingarm", 0.0f, -0.3f, 0.05f),
            bone("crank", 0.0f, -0.02f, -0.07f),
            bone("pedal_l", -0.15f, -0.02f, -0.07f),
            bone("pedal_r", 0.15f, -0.02f, -0.07f),
            bone("wheel_lf", 0.0f, 0.52f, 0.0f),
            bone("wheel_lr", 0.0f, -0.52f, 0.0f),
        },
        Vector3(0.3f, 0.87f, 0.55f),
        0.34f,
        0.12f,
    };
}

VehicleModel boat() {
    return VehicleModel{
        "boat",
        14,
        {
            bone("chassis", 0.0f, 0.0f, 0.0f),
            bone("bodyshell", 0.0f, 0.0f, 0.3f),
            bone("seat_dside_f", -0.45f, -0.5f, 0.4f),
            bone("steeringwheel", -0.45f, -0.05f, 0.8f),
            bone("windscreen", 0.0f, 0.3f, 1.1f),
            bone("engine", 0.0f, -2.4f, 0.3f),
            bone("static_prop", 0.0f, -2.9f, -0.4f),
            bone("rudder", 0.0f, -2.95f, -0.3f),
        },
        Vector3(1.15f, 3.0f, 0.9f),
        0.5f,
        0.3f,
    };
}

VehicleModel helicopter() {
    return VehicleModel{
        "helicopter",
        15,
        {
            bone("chassis", 0.0f, 0.0f, 0.0f),
            bone("bodyshell", 0.0f, 0.5f, 0.8f),
            bone("seat_dside_f", -0.35f, 1.6f, 0.4f),
            bone("engine", 0.0f, 0.0f, 1.6f),
            bone("rotor_main", 0.0f, 0.3f, 2.3f),
            bone("tail", 0.0f, -3.8f, 1.2f),
            bone("rotor_rear", 0.2f, -4.9f, 1.5f),
        },
        Vector3(1.2f, 5.0f, 1.6f),
        0.5f,
        0.3f,
    };
}

std::vector<VehicleModel> buildVehicleModels() {
    return {
        layOutCar("compact", 0, kCompact),
        layOutCar("sports", 6, kSports),
        layOutCar("super", 7, kSuper),
        layOutCar("suv", 2, kSuv),
        layOutCar("van", 12, kVan),
        withBones(layOutCar("towtruck", 11, kTowTruck),
                  {bone("tow_arm", 0.0f, -kTowTruck.length / 2.0f + 0.6f, 0.5f),
                   bone("tow_mount_a", 0.0f, -kTowTruck.length / 2.0f + 0.05f, 0.15f)}),
        withBones(layOutCar("tractor", 20, kTractor),
                  {bone("attach_female", 0.0f, -kTractor.wheelbase / 2.0f, kHitchAboveGround - kTractor.clearance)}),
        trailer(),
        motorcycle(),
        bicycle(),
        boat(),
        helicopter(),
        // An open two-seater: no rear window, so a rear view starts from its bumper.
        withoutBones(layOutCar("roadster", 6, kSports), {"windscreen_r"}),
        // A sedan body without a cabin or tail: the cameras must cope with such models.
        withoutBones(layOutCar("bare", 1, kSedan),
                     {"seat_dside_f", "steeringwheel", "windscreen", "windscreen_r", "bumper_r", "brakelight_m", "boot",
                      "brakelight_l", "brakelight_r"}),
    };
}

// A seated pose: the origin is the hip point on the seat, the hands at the wheel's rim.
CharacterModel player() {
    return CharacterModel{
        "player",
        {
            bone("SKEL_ROOT", 0.0f, 0.0f, 0.0f),
            bone("SKEL_Pelvis", 0.0f, -0.02f, 0.08f),
            bone("SKEL_Spine3", 0.0f, -0.04f, 0.42f),
            bone("SKEL_Neck_1", 0.0f, 0.0f, 0.56f),
            bone("SKEL_Head", 0.0f, 0.05f, 0.65f),
            bone("SKEL_L_Hand", -0.18f, 0.42f, 0.38f),
            bone("SKEL_R_Hand", 0.18f, 0.42f, 0.38f),
        },
    };
}

CharacterModel headless() {
    CharacterModel model = player();
    model.name = "headless";
    std::erase_if(model.bones, [](const BoneDefinition& b) { return b.name == "SKEL_Head"; });
    return model;
}

const std::vector<VehicleModel> kVehicleModels = buildVehicleModels();
const std::vector<CharacterModel> kCharacterModels = {player(), headless()};

const BoneDefinition* findBone(const std::vector<BoneDefinition>& bones, std::string_view name) {
    const auto it = std::ranges::find(bones, name, &BoneDefinition::name);
    return it == bones.end() ? nullptr : &*it;
}

template <typename Model>
const Model* findByName(const std::vector<Model>& models, std::string_view name) {
    const auto it = std::ranges::find(models, name, &Model::name);
    return it == models.end() ? nullptr : &*it;
}

}  // namespace

std::span<const VehicleModel> vehicleModels() { return kVehicleModels; }

const VehicleModel* findVehicleModel(std::string_view name) { return findByName(kVehicleModels, name); }

std::span<const CharacterModel> characterModels() { return kCharacterModels; }

const CharacterModel* findCharacterModel(std::string_view name) { return findByName(kCharacterModels, name); }

Vector3 driverSeatOffset(const VehicleModel& model) {
    if (const BoneDefinition* seat = findBone(model.bones, "seat_dside_f")) return seat->offset;
    // A saddle bone marks the saddle's top; the rider's hip point is a little above it.
    if (const BoneDefinition* saddle = findBone(model.bones, "seat_f"))
        return saddle->offset + Vector3(0.0f, 0.0f, 0.1f);
    // No seat bone at all: where a car's driver usually sits.
    return Vector3(-0.4f, 0.0f, 0.1f);
}

}  // namespace velmora::sim
