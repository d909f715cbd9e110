// What the chase camera should do, worked out in the tests from a model's bones and the
// chase formulas (the plug-in's own code is not used): the body's reach, the chase geometry
// of a camera, and the frame-by-frame followers.
#pragma once

#include <cmath>

#include "cammath/types.h"

namespace velmora::testing {

// How far a catalogue model's measured bones (the names the measurement walks) reach from
// its origin: ahead, behind and up, in metres.
struct BodyReach {
    float front = 0.0f, rear = 0.0f, up = 0.0f;
};
BodyReach bodyReachOf(const char* model);

// The chase camera's rod and look-at height for a body and one camera's settings.
struct ChaseGeometry {
    float distance = 0.0f;   // rod length without attachments
    float height = 0.0f;     // look-at base above the origin
    float tallLift = 0.0f;
    float angleLift = 0.0f;  // tan(angle) × distance
    // The look-at point's height above the vehicle origin, with an attachment's lift.
    float lookAtHeight(float attachmentHeight = 0.0f) const { return height + attachmentHeight + angleLift + 0.15f; }
};
ChaseGeometry chaseGeometryOf(const BodyReach& body, float distance, float height, float angleDegrees,
                              bool seatAnchored = false, float distanceOffset = 0.0f);
// With the default settings of the near (0), medium (1) or far (2) camera.
ChaseGeometry defaultChaseOf(const char* model, int cameraIndex, bool seatAnchored = false);

// A follower x += (target - x)·rate·dt run for n frames from x0.
inline float followed(float x0, float target, float rate, float dt, int frames) {
    return target + (x0 - target) * std::pow(1.0f - rate * dt, static_cast<float>(frames));
}

}  // namespace velmora::testing
