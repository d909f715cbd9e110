// The near, medium and far chase cameras: the camera hangs on a rod behind a look-at point
// above the car, is dragged along behind it, turns with free look, side looks and
// look-behind, makes room for towed vehicles and trailers and pulls in front of obstacles.
#pragma once

#include "cammath/timing.h"
#include "host/natives.h"
#include "host/types.h"

namespace velmora {

struct Velmora;

struct ChaseState {
    Quaternion vehicleQuat = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);  // slow follower of the vehicle's orientation
    Quaternion motionQuat = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);   // from the last trail point to the look-at point
    Vector3 trailPoint = Vector3::Zero();                         // metres, world: the rod's free end last frame
    bool obstructed = false;                                      // held in front of an obstacle, or easing back out
    Vector3 obstructedPoint = Vector3::Zero();  // metres, world: the smoothed camera point while obstructed
    Vector3 lastBase = Vector3::Zero();         // metres, world: the last frame's base point, which the
                                                // held point rides with while it eases back out
    Vector3 lastLookAt = Vector3::Zero();       // metres, world: the last frame's look-at point
    Vector3 lastDrag = Vector3::Zero();         // metres, world: how far it moved in the last frame
    float lastDragSteps = 0.0f;                 // that frame's length, in 60ths of a second
    bool lookAtKnown = false;                   // lastLookAt holds one (false after seeding)
    float attachmentHeightTarget = 0.0f;        // metres: 0, 0.75 towing, 1.45 pulling a trailer
    float attachmentHeight = 0.0f;              // metres, follows its target at 1.45 per second
    float attachmentLengthTarget = 0.0f;        // metres: the attached vehicle's length plus a margin
    float attachmentLength = 0.0f;              // metres, follows its target at 1.75 per second
    PeriodicCheck attachmentCheck;              // the attachment check, about once a second
    float attachmentCatchUp = 0.0f;             // seconds the attachment followers owe a check that came late
    Entity towedHandle = 0;                     // last entity seen on the tow arm
    float towedLength = 0.0f;                   // its length plus 2.0
    Entity trailerHandle = 0;                   // last trailer seen on the hitch
    float trailerLength = 0.0f;                 // its length plus 1.85
};

void updateChaseCamera(Velmora& v);
void refreshAttachment(Velmora& v);

// Seeds the rod, the orientation followers and the shared look so that the camera starts
// behind the vehicle, looking along the direction.
void seedChaseState(Velmora& v, const Vector3& viewDirection);

}  // namespace velmora
