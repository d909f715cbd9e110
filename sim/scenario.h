// Scenarios: what happens in a simulated run, frame by frame. A scenario is a JSON document
// (a file, or one of the built-in named ones): the world at the start and a list of events.
// The format is documented in docs/scenarios.md.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/world.h"

namespace velmora::sim {

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The longest run a scenario may ask for, at any frame rate: over four hours at 60 frames a
// second. The trace of such a run is streamed to its file, not kept.
inline constexpr int kMaxScenarioFrames = 1'000'000;

struct ScenarioEvent {
    int frame = 0;
    std::string action;   // the "do" field
    nlohmann::json args;  // the whole event object
};

// The check reads the implicit members of a record of JSON values as throwing where they
// must not; nothing of ours is declared noexcept here.
struct Scenario {  // NOLINT(bugprone-exception-escape)
    std::string name;
    std::string description;
    int frames = 600;
    float dt = 1.0f / 60.0f;            // game seconds per frame
    float realDt = 1.0f / 60.0f;        // wall-clock seconds per frame
    float lookSeconds = 1.0f / 60.0f;   // the wall-clock frame the mouse movements are written for: realDt as written
    std::vector<float> frameSeconds;    // uneven frames: each frame's game seconds at normal speed; empty: dt each
    nlohmann::json world;               // the start of the world
    std::vector<ScenarioEvent> events;  // sorted by frame, stable
    // Settings written on top of the run's Velmora.ini: section -> key -> text.
    std::map<std::string, std::map<std::string, std::string>> settings;
};

// Parses and checks a scenario; throws ScenarioError naming what is wrong.
Scenario parseScenario(const std::string& text, const std::string& name);
Scenario loadScenarioFile(const std::string& path);

// The scenario played at another frame rate over the same game time: the frame time and the
// wall-clock frame time, the run's length and every event's frame and length are scaled
// from the scenario's own rate (an event lands on the nearest frame, an input on the first
// frame that ends after the frame before it at the scenario's rate began; a press stays one
// frame long; an event's default length scales too). Mouse look moves the view by so much a frame,
// so the game reads its amounts scaled with the frame's length; a stick's deflection it reads
// as it is.
Scenario atFrameRate(const Scenario& scenario, float framesPerSecond);

// The scenario played over the same game time with uneven frames: each frame's length drawn
// at random (seeded, the same for a seed on every machine) between (1 - jitter) and
// (1 + jitter) times 1/framesPerSecond; events land on the frame nearest their game time.
Scenario withJitter(const Scenario& scenario, float framesPerSecond, float jitter, std::uint32_t seed);

struct BuiltinScenario {
    const char* name;
    const char* json;
};
std::span<const BuiltinScenario> builtinScenarios();

// A built-in by name, or a JSON file by path.
Scenario findScenario(const std::string& nameOrPath);

// Builds the world of frame 0 from the scenario.
void setUpWorld(World& world, const Scenario& scenario);

// Applies the events of the world's current frame.
void applyEvents(World& world, const Scenario& scenario);

// The events that are the player's input (a press, a key, a look...), which the plug-in reads
// once a frame: what it sees on a frame was done during that frame.
bool isPlayerInput(const std::string& action);

// How many frames an event lasts, its default when it gives none; 0 for an event that does
// not last (a press lasts one frame but has no length to give).
int eventFrames(const ScenarioEvent& event);

// Control names of the scenario format and the game's control ids behind them.
int controlId(const std::string& name);

}  // namespace velmora::sim
