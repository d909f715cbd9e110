#include "thirdperson/vehicle.h"

#include "shell/velmora.h"

namespace velmora {

bool isSeatAnchoredClass(std::int32_t vehicleClass) { return vehicleClass == 8 || vehicleClass == 13; }

bool isSupportedClass(std::int32_t vehicleClass) {
    return (vehicleClass >= 0 && vehicleClass <= 12) || (vehicleClass >= 17 && vehicleClass <= 20);
}

// The motion sample and the chase parameters arrive with the chase camera.
void sampleVehicle(Velmora&) {}
void stepChaseParameters(Velmora&) {}

void measureVehicle(Velmora& v) {
    VehicleProfile& profile = v.profile;
    profile.vehicleClass = invoke(v.runtime, natives::vehicleClass, v.driver.currentVehicle);
    profile.seatAnchored = isSeatAnchoredClass(profile.vehicleClass);
    profile.vehicleSupported = isSupportedClass(profile.vehicleClass);
}

}  // namespace velmora
