// How far a camera path played at one frame rate strays from the same scenario played at
// another: the frame-rate independence of the plug-in's formulas, measured.
#pragma once

#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/trace.h"

namespace velmora::sim {

// Game time around a discrete event of a run. An event lands on a frame: at the nearest one,
// up to half a frame early or late, and the camera's answer to it starts with that frame's
// step (a frame's length before it, in effect), so what follows differs from the reference
// for a while.
struct EventWindow {
    double from = 0.0;  // game seconds
    double to = 0.0;
};

struct PathDeviation {
    float positionRms = 0.0f;  // metres
    float positionMax = 0.0f;
    float rotationRms = 0.0f;  // degrees: the angle between the two orientations
    float rotationMax = 0.0f;
    int samples = 0;  // frames compared
};

// Compares every frame of the path that shows the scripted camera with the reference path at
// the same game time (between its two nearest frames, positions along the line and
// orientations along the shorter arc), where the reference shows it too. Frames inside any
// of the windows are left out.
PathDeviation comparePaths(const std::vector<TraceRow>& path, const std::vector<TraceRow>& reference,
                           const std::vector<EventWindow>& skip = {});

// The windows of a scenario's discrete events as played: a press, a key, the start and end
// of a held input, getting in and out, a pause... each opens a window from a frame before it
// to `after` seconds after the frame it landed on. A hitch or an unhooking is picked up by the
// attachment check about a second later, on a frame: its window runs for a check's period and
// `after` more. Changes of a vehicle's motion (drive, bumps) are not discrete: the world
// moves the vehicle on exactly whatever the frame.
std::vector<EventWindow> eventWindows(const Scenario& written, const Scenario& played, double after);

// The windows after each frame a run switches between the game's camera and the scripted one:
// the switch waits on frames (the frame of a vehicle change is one more), so it lands at
// another game time at another rate, and the ease between the two follows it.
std::vector<EventWindow> switchWindows(const std::vector<TraceRow>& path, double after);

// The windows after each take-off and landing of the player's vehicle: the world's flight is
// exact in time, but the game's "in the air" is read once a frame.
std::vector<EventWindow> flightWindows(const std::vector<TraceRow>& path, double after);

// The windows around each cut of a run: a frame in which the camera jumps (more than half a
// metre relative to the vehicle, or 20 degrees, or a few centimetres where the frames around
// it hardly move), as a look that reaches full weight makes it.
// A cut comes on the first frame past a threshold, so up to a frame apart at two rates.
std::vector<EventWindow> cutWindows(const std::vector<TraceRow>& path);

// The largest change, from one frame to the next, of where the camera sits relative to the
// vehicle (in the vehicle's frame, by its heading), per second of the frame: a camera that
// moves smoothly with the car stays low at any frame rate, a stutter shows as a peak. In
// metres per second, over frames that show the scripted camera in a vehicle.
float largestRelativeChange(const std::vector<TraceRow>& path, const std::vector<EventWindow>& skip = {});

}  // namespace velmora::sim
