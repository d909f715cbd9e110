#include "support/expected_chase.h"

#include <algorithm>

#include "sim/catalogue.h"
#include "thirdperson/bone_names.h"

namespace velmora::testing {

BodyReach bodyReachOf(const char* model) {
    BodyReach reach;
    for (const sim::BoneDefinition& b : sim::findVehicleModel(model)->bones) {
        if (std::find(VehicleBoneNames.begin(), VehicleBoneNames.end(), b.name) == VehicleBoneNames.end()) continue;
        reach.front = std::max(reach.front, b.offset.y());
        reach.rear = std::max(reach.rear, -b.offset.y());
        reach.up = std::max(reach.up, b.offset.z());
    }
    return reach;
}

ChaseGeometry chaseGeometryOf(const BodyReach& body, float distance, float height, float angleDegrees,
                              bool seatAnchored, float distanceOffset) {
    // Tall bodies (over 1.75 m with the half-metre margin) go back and up by up to 2 m.
    float h = std::clamp(body.up + 0.5f, 0.0f, 2.0f);
    float d = body.rear + 0.7f;
    ChaseGeometry g;
    if (h > 1.75f) {
        g.tallLift = (h - 1.75f) * 4.0f * 1.9f + 0.1f;
        h += 0.5f * g.tallLift;
        d += g.tallLift;
    }
    if (seatAnchored) {
        d += 1.0f;
        h = 1.38f;
    }
    g.distance = distanceOffset + 1.45f + d + distance;
    g.height = h + height;
    g.angleLift = std::tan(angleDegrees * 3.14159265f / 180.0f) * g.distance;
    return g;
}

ChaseGeometry defaultChaseOf(const char* model, int cameraIndex, bool seatAnchored) {
    // The shipped near, medium and far settings.
    const float distance[3] = {0.4f, 1.2f, 2.0f};
    const float height[3] = {0.0f, 0.3f, 0.55f};
    return chaseGeometryOf(bodyReachOf(model), distance[cameraIndex], height[cameraIndex], 3.5f, seatAnchored);
}

}  // namespace velmora::testing
