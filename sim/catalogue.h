// The simulated world's models: vehicles with their class and a plausible bone layout in
// metres, and character models with their bones. Positions are in the model's own frame:
// x to the right, y forward, z up, from the model's origin.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/types.h"

namespace velmora::sim {

struct BoneDefinition {
    std::string name;  // as the game's bone-index native is asked for it
    Vector3 offset;    // metres, model frame (x right, y forward, z up)
};

struct VehicleModel {
    std::string name;           // catalogue name used by scenarios: "compact", "van", ...
    std::int32_t vehicleClass;  // the game's class number (0 compact, 7 super, 8 motorcycle, ...)
    std::vector<BoneDefinition> bones;
    Vector3 halfSize;           // metres: half the body's width, length and height (collision box)
    float groundClearance;      // metres from the ground up to the origin
    float acceleration = 0.3f;  // the game's per-model drive figure (about 0.3 for road cars)
};

struct CharacterModel {
    std::string name;                   // "player", "headless"
    std::vector<BoneDefinition> bones;  // relative to the character's origin
};

std::span<const VehicleModel> vehicleModels();
const VehicleModel* findVehicleModel(std::string_view name);  // null when unknown

std::span<const CharacterModel> characterModels();
const CharacterModel* findCharacterModel(std::string_view name);

// The seated character's origin in the vehicle frame of a model (the driver's seat), so
// that the head bone ends up at a believable eye point.
Vector3 driverSeatOffset(const VehicleModel& model);

}  // namespace velmora::sim
