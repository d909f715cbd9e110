// The bone names the body measurement walks, in its order.
#pragma once

#include <array>
#include <string_view>

namespace velmora {

inline constexpr std::size_t kVehicleBoneNameCount = 342;
// Each entry views a whole string literal, so its data() is a NUL-terminated name.
extern const std::array<std::string_view, kVehicleBoneNameCount> VehicleBoneNames;

}  // namespace velmora
