// The built-in scenarios: short drives that show one behaviour each. docs/scenarios.md
// describes the format; `velmora-sim list` prints these with their descriptions.
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

constexpr BuiltinScenario kBuiltins[] = {
    {"drive", R"json({
  "description": "Walk to a compact, get in, drive a bend and a straight, cycle the chase views and first person, get out.",
  "frames": 900,
  "world": {
    "gameViewMode": 1,
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0.5], "heading": 0} ]
  },
  "events": [
    {"frame": 10, "do": "enter", "vehicle": "car"},
    {"frame": 60, "do": "drive", "vehicle": "car", "speed": 12, "accel": 1.0},
    {"frame": 180, "do": "drive", "vehicle": "car", "yawRate": 25, "accel": 0},
    {"frame": 330, "do": "drive", "vehicle": "car", "yawRate": 0},
    {"frame": 360, "do": "press", "control": "viewChange"},
    {"frame": 420, "do": "press", "control": "viewChange"},
    {"frame": 480, "do": "press", "control": "viewChange"},
    {"frame": 600, "do": "press", "control": "viewChange"},
    {"frame": 700, "do": "drive", "vehicle": "car", "speed": 0, "accel": 0},
    {"frame": 760, "do": "exit"}
  ]
})json"},
    {"first-person-entry", R"json({
  "description": "On foot in first person: entering a car starts the own first-person camera after 45 frames.",
  "frames": 160,
  "world": {
    "gameViewMode": 4,
    "vehicles": [ {"name": "car", "model": "sports", "position": [0, 0, 0.5]} ]
  },
  "events": [
    {"frame": 5, "do": "enter", "vehicle": "car", "frames": 10},
    {"frame": 120, "do": "exit", "frames": 10}
  ]
})json"},
    {"handoff", R"json({
  "description": "With the own first-person camera off, cycling past the far view hands first person to the game until the next press.",
  "frames": 240,
  "settings": { "1stPersonView": { "UseOwnFirstPersonCamera": 0 } },
  "world": {
    "gameViewMode": 2,
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "suv", "position": [0, 0, 0.6], "speed": 8} ]
  },
  "events": [
    {"frame": 60, "do": "press", "control": "viewChange"},
    {"frame": 150, "do": "press", "control": "viewChange"}
  ]
})json"},
    {"toggle", R"json({
  "description": "The toggle key switches Velmora off and on at its release; losing the focus while it is held counts as a release.",
  "frames": 200,
  "world": {
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0.5], "speed": 5} ]
  },
  "events": [
    {"frame": 30, "do": "key", "key": "1", "frames": 10},
    {"frame": 90, "do": "key", "key": "1", "frames": 60},
    {"frame": 110, "do": "focus", "value": false},
    {"frame": 130, "do": "focus", "value": true}
  ]
})json"},
    {"look-behind", R"json({
  "description": "Holding the look-behind control hands the game the camera's own heading while the stored heading points the other way.",
  "frames": 150,
  "world": {
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0.5], "heading": 30, "speed": 10} ]
  },
  "events": [
    {"frame": 50, "do": "hold", "control": "lookBehind", "frames": 40}
  ]
})json"},
    {"unsupported", R"json({
  "description": "A boat and a helicopter: the game's camera stays in charge; a car afterwards gets Velmora's.",
  "frames": 300,
  "world": {
    "vehicles": [
      {"name": "boat", "model": "boat", "position": [0, 20, 0]},
      {"name": "heli", "model": "helicopter", "position": [20, 0, 1]},
      {"name": "car", "model": "compact", "position": [-20, 0, 0.5]}
    ]
  },
  "events": [
    {"frame": 5, "do": "enter", "vehicle": "boat", "frames": 5},
    {"frame": 80, "do": "exit", "frames": 5},
    {"frame": 120, "do": "enter", "vehicle": "heli", "frames": 5},
    {"frame": 180, "do": "exit", "frames": 5},
    {"frame": 220, "do": "enter", "vehicle": "car", "frames": 5}
  ]
})json"},
};

}  // namespace

std::span<const BuiltinScenario> builtinScenarios() { return kBuiltins; }

}  // namespace velmora::sim
