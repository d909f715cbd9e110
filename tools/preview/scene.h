// What the pictures are drawn from: a scenario played in the simulated game, with each
// frame's camera, vehicle and mode, the bodies of the frames to be drawn, and the menu's
// draw calls.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/types.h"
#include "sim/scenario.h"
#include "sim/trace.h"
#include "sim/world.h"

namespace velmora::preview {

// The five views the pictures name; any other state (on foot, the game's own camera) keeps
// the simulator's label and gets no default picture.
inline constexpr const char* kNamedModes[] = {"near", "medium", "far", "first person", "look-behind"};

// A box body in the world: a pose and the box's corners in the body's own frame.
struct Body {
    Vector3 position = Vector3::Zero();
    Matrix3 orientation = Matrix3::Identity();  // columns: right, forward, up
    Vector3 min = Vector3::Zero();              // metres, body frame
    Vector3 max = Vector3::Zero();
    bool player = false;         // the player's vehicle (or the player on foot)
    std::vector<Vector3> cabin;  // world positions of its seat and steering bones
};

// Everything one camera picture shows.
struct Scene {
    Vector3 cameraPosition = Vector3::Zero();
    Rotation cameraRotation;  // degrees, the bodies' order
    float fov = 50.0f;        // degrees, vertical
    std::vector<Body> bodies;
    std::vector<sim::Obstacle> obstacles;
    sim::Ground ground;
    std::optional<Vector3> eye;  // the seated driver's head bone
};

// One frame of the run, as the path plot and the labels need it.
struct FrameRecord {
    int frame = 0;
    float t = 0.0f;    // game seconds
    std::string mode;  // a named mode, or the simulator's label for the state
    Vector3 cameraPosition = Vector3::Zero();
    Rotation cameraRotation;  // degrees
    float fov = 0.0f;         // degrees
    bool inVehicle = false;
    Vector3 vehiclePosition = Vector3::Zero();  // the player's vehicle, or the player on foot
    float vehicleYaw = 0.0f;                    // degrees
};

struct Recording {
    std::string scenario;  // its name
    std::string iniLabel;  // the settings file's name, or "defaults"
    std::vector<FrameRecord> frames;
    std::vector<std::pair<int, Scene>> scenes;                      // of the frames asked for, in frame order
    std::vector<std::pair<int, std::vector<sim::DrawCall>>> draws;  // frames that drew
    std::vector<sim::Obstacle> obstacles;                           // as the last frame had them
    std::optional<std::string> error;                               // the run stopped on an unanswered native
};

// The box a vehicle model's bones span, padded to a body: the bones sit inside the skin,
// and the body's floor sits a hand's breadth above the ground rather than at the axles.
void bodyBounds(const sim::VehicleModel& model, Vector3& min, Vector3& max);

// Whether a vehicle bone belongs to the cabin (seats, steering wheel or handlebars).
bool isCabinBone(const std::string& name);

// The world as one camera picture shows it this frame.
Scene sceneOf(const sim::World& world, const sim::TraceRow& row);

// The preview's name for the simulator's mode label, with look-behind when its control is held.
std::string modeName(const std::string& simulatorLabel, bool lookBehindHeld);

// Plays the scenario with the settings file (none: the plug-in's defaults), keeping the
// scenes of the frames asked for. Throws sim::ScenarioError for a missing settings file.
Recording record(const sim::Scenario& scenario, const std::optional<std::string>& iniPath,
                 const std::set<int>& sceneFrames);

// The frames shown by default: for each named mode the run shows, the last frame of its
// longest stretch (the camera has settled by then), in frame order.
std::vector<int> defaultFrames(const std::vector<FrameRecord>& frames);

// The camera against the vehicle: metres behind it along its heading, metres above its origin.
struct CameraPlacement {
    float behind = 0.0f;
    float height = 0.0f;
};
CameraPlacement placementOf(const FrameRecord& frame);

}  // namespace velmora::preview
