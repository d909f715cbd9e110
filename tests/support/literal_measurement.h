// The vehicle measurement written the plain way, to hold the plug-in's cheaper one to the
// same camera: every extent its own walk of the bone table (each name looked up, each found
// bone's position read), the cabin and hitch bones looked up by name every time, and a whole
// measurement on every frame of a chase-parameter blend.
#pragma once

#include "thirdperson/vehicle.h"

namespace velmora::testing {

MeasurementOverride literalMeasurement();

}  // namespace velmora::testing
