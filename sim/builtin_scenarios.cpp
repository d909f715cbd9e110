// The built-in scenarios: short drives that show one behaviour each. docs/scenarios.md
// describes the format; `velmora-sim list` prints these with their descriptions.
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

constexpr BuiltinScenario kBuiltins[] = {
    {"drive", R"json({
  "description": "Walk to a compact, get in, drive a right-hand bend and a straight, cycle the chase views and first person, get out.",
  "frames": 900,
  "world": {
    "onFootViewMode": 1,
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "heading": 0} ]
  },
  "events": [
    {"frame": 10, "do": "enter", "vehicle": "car"},
    {"frame": 60, "do": "drive", "vehicle": "car", "speed": 12, "accel": 1.0},
    {"frame": 180, "do": "drive", "vehicle": "car", "yawRate": -25, "accel": 0},
    {"frame": 330, "do": "drive", "vehicle": "car", "yawRate": 0},
    {"frame": 360, "do": "press", "control": "viewChange"},
    {"frame": 420, "do": "press", "control": "viewChange"},
    {"frame": 480, "do": "press", "control": "viewChange"},
    {"frame": 600, "do": "press", "control": "viewChange"},
    {"frame": 700, "do": "drive", "vehicle": "car", "speed": 0, "accel": 0},
    {"frame": 760, "do": "exit"}
  ]
})json"},
    {"chase-cycle", R"json({
  "description": "On foot in the near view, get into a compact on a straight and cycle near, medium, far, first person and back to near: each chase change blends the camera out or in.",
  "frames": 660,
  "world": {
    "onFootViewMode": 0,
    "player": { "position": [-2, 0, 0] },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "speed": 10} ]
  },
  "events": [
    {"frame": 2, "do": "enter", "vehicle": "car", "frames": 10},
    {"frame": 150, "do": "press", "control": "viewChange"},
    {"frame": 300, "do": "press", "control": "viewChange"},
    {"frame": 450, "do": "press", "control": "viewChange"},
    {"frame": 540, "do": "press", "control": "viewChange"}
  ]
})json"},
    {"chase-corner", R"json({
  "description": "A long bend at speed, then a straight: the camera trails inside the bend looking out of it, aimed a little toward the middle of the body, and settles behind on the straight.",
  "frames": 600,
  "world": {
    "onFootViewMode": 1,
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "sports", "position": [0, 0, 0], "speed": 20} ]
  },
  "events": [
    {"frame": 60, "do": "drive", "vehicle": "car", "yawRate": 30},
    {"frame": 360, "do": "drive", "vehicle": "car", "yawRate": 0}
  ]
})json"},
    {"chase-wall", R"json({
  "description": "A car backs up toward a wall and drives off again: the camera pulls in front of the wall and eases back out.",
  "frames": 420,
  "world": {
    "onFootViewMode": 1,
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0]} ],
    "obstacles": [ {"min": [-6, -10, 0], "max": [6, -9, 5]} ]
  },
  "events": [
    {"frame": 30, "do": "drive", "vehicle": "car", "speed": -2},
    {"frame": 200, "do": "drive", "vehicle": "car", "speed": 0},
    {"frame": 260, "do": "drive", "vehicle": "car", "speed": 4}
  ]
})json"},
    {"chase-tow", R"json({
  "description": "A tow truck picks up a car: the rod lengthens by the car's length plus 2 m and the look-at point rises 0.75 m.",
  "frames": 420,
  "world": {
    "onFootViewMode": 1,
    "player": { "in": "truck" },
    "vehicles": [
      {"name": "truck", "model": "towtruck", "position": [0, 0, 0], "speed": 6},
      {"name": "car", "model": "compact", "position": [0, -20, 0]}
    ]
  },
  "events": [
    {"frame": 60, "do": "attach", "vehicle": "truck", "other": "car"},
    {"frame": 300, "do": "detach", "vehicle": "truck"}
  ]
})json"},
    {"chase-trailer", R"json({
  "description": "A tractor hitches a box trailer and pulls it: the rod lengthens by the trailer's length plus 1.85 m and the look-at point rises 1.45 m; unhooked, both ease back.",
  "frames": 540,
  "world": {
    "onFootViewMode": 2,
    "player": { "in": "truck" },
    "vehicles": [
      {"name": "truck", "model": "tractor", "position": [0, 0, 0], "speed": 8},
      {"name": "box", "model": "trailer", "position": [0, -30, 0]}
    ]
  },
  "events": [
    {"frame": 60, "do": "attach", "vehicle": "truck", "other": "box"},
    {"frame": 400, "do": "detach", "vehicle": "truck"}
  ]
})json"},
    {"chase-look", R"json({
  "description": "Free look with the mouse and the stick, the look keys, look-behind and the manual-transmission plug-in's looks.",
  "frames": 720,
  "world": {
    "onFootViewMode": 1,
    "player": { "in": "car" },
    "gears": { "present": true },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "speed": 12, "yawRate": 4} ]
  },
  "events": [
    {"frame": 60, "do": "look", "x": 0.5, "y": -0.25, "frames": 36, "device": "mouse"},
    {"frame": 200, "do": "look", "x": -0.8, "y": 0.9, "frames": 40, "device": "gamepad"},
    {"frame": 330, "do": "key", "key": "B", "frames": 40},
    {"frame": 400, "do": "key", "key": "N", "frames": 40},
    {"frame": 470, "do": "hold", "control": "lookBehind", "frames": 40},
    {"frame": 540, "do": "gears", "left": true, "frames": 30},
    {"frame": 600, "do": "gears", "back": true, "frames": 30},
    {"frame": 660, "do": "hold", "control": "aim", "frames": 40}
  ]
})json"},
    {"chase-jump", R"json({
  "description": "A car runs up a 3 m ramp at 15 m/s and flies off its end: about a second in the air on a parabola, the chase camera following the body rather than the travel, then it lands and drives on.",
  "frames": 360,
  "world": {
    "onFootViewMode": 1,
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "speed": 15} ],
    "ground": { "ramps": [ {"start": [0, 20], "end": [0, 40], "width": 6, "endHeight": 3} ] }
  },
  "events": []
})json"},
    {"chase-unsupported", R"json({
  "description": "A boat and a helicopter keep the game's camera; a motorcycle gets the seat-anchored chase camera.",
  "frames": 300,
  "world": {
    "onFootViewMode": 1,
    "vehicles": [
      {"name": "boat", "model": "boat", "position": [0, 20, 0]},
      {"name": "heli", "model": "helicopter", "position": [20, 0, 0]},
      {"name": "bike", "model": "motorcycle", "position": [-20, 0, 0], "speed": 0}
    ]
  },
  "events": [
    {"frame": 5, "do": "enter", "vehicle": "boat", "frames": 5},
    {"frame": 80, "do": "exit", "frames": 5},
    {"frame": 100, "do": "enter", "vehicle": "heli", "frames": 5},
    {"frame": 170, "do": "exit", "frames": 5},
    {"frame": 190, "do": "enter", "vehicle": "bike", "frames": 5},
    {"frame": 220, "do": "drive", "vehicle": "bike", "speed": 15}
  ]
})json"},
    {"chase-broken", R"json({
  "description": "The game answers NaN for the car's position and velocity for half a second: the camera holds its last good pose and recovers.",
  "frames": 300,
  "world": {
    "onFootViewMode": 1,
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "speed": 10, "yawRate": 10} ]
  },
  "events": [
    {"frame": 100, "do": "broken", "vehicle": "car", "value": true},
    {"frame": 130, "do": "broken", "vehicle": "car", "value": false}
  ]
})json"},
    {"fp-drive", R"json({
  "description": "First person in a compact: accelerate, take a left and a right bend, brake, then rough ground and a pause; the eye rides with the head, leans in the bends and shakes on the rough ground, standing still while the game is paused.",
  "frames": 900,
  "world": {
    "onFootViewMode": 4,
    "player": { "position": [-2, 0, 0] },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0]} ]
  },
  "events": [
    {"frame": 2, "do": "enter", "vehicle": "car", "frames": 10},
    {"frame": 90, "do": "drive", "vehicle": "car", "accel": 4},
    {"frame": 240, "do": "drive", "vehicle": "car", "accel": 0, "yawRate": 25},
    {"frame": 360, "do": "drive", "vehicle": "car", "yawRate": -25},
    {"frame": 480, "do": "drive", "vehicle": "car", "yawRate": 0, "accel": -5},
    {"frame": 600, "do": "drive", "vehicle": "car", "accel": 0, "speed": 0},
    {"frame": 620, "do": "drive", "vehicle": "car", "speed": 8},
    {"frame": 620, "do": "bumps", "vehicle": "car", "amplitude": 0.06, "frequency": 2.5},
    {"frame": 800, "do": "pause", "frames": 30}
  ]
})json"},
    {"fp-look", R"json({
  "description": "First person in a standing car: the mouse turns the view, which holds and then eases back; the stick; the look keys; the yaw and pitch limits.",
  "frames": 900,
  "world": {
    "onFootViewMode": 4,
    "player": { "position": [-2, 0, 0] },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "heading": 30} ]
  },
  "events": [
    {"frame": 2, "do": "enter", "vehicle": "car", "frames": 10},
    {"frame": 100, "do": "look", "x": 0.5, "y": 0, "frames": 10, "device": "mouse"},
    {"frame": 300, "do": "look", "x": -1, "y": 0, "frames": 20, "device": "gamepad"},
    {"frame": 500, "do": "key", "key": "B", "frames": 40},
    {"frame": 560, "do": "key", "key": "N", "frames": 40},
    {"frame": 640, "do": "look", "x": 0.5, "y": 0, "frames": 120, "device": "mouse"},
    {"frame": 780, "do": "look", "x": 0, "y": -0.5, "frames": 80, "device": "mouse"}
  ]
})json"},
    {"fp-behind", R"json({
  "description": "Looking behind in first person from a compact (its rear window), a compact with a spoiler (raised), a car without rear bones, a motorcycle (over the saddle) and an open roadster (its rear bumper).",
  "frames": 680,
  "world": {
    "onFootViewMode": 4,
    "player": { "position": [-2, 0, 0] },
    "vehicles": [
      {"name": "plain", "model": "compact", "position": [0, 0, 0]},
      {"name": "spoiler", "model": "compact", "position": [10, 0, 0], "spoiler": 2},
      {"name": "bare", "model": "bare", "position": [20, 0, 0], "heading": 90},
      {"name": "bike", "model": "motorcycle", "position": [30, 0, 0]},
      {"name": "roadster", "model": "roadster", "position": [40, 0, 0]}
    ]
  },
  "events": [
    {"frame": 2, "do": "enter", "vehicle": "plain", "frames": 10},
    {"frame": 80, "do": "hold", "control": "lookBehind", "frames": 20},
    {"frame": 110, "do": "exit", "frames": 10},
    {"frame": 140, "do": "enter", "vehicle": "spoiler", "frames": 10},
    {"frame": 220, "do": "hold", "control": "lookBehind", "frames": 20},
    {"frame": 250, "do": "exit", "frames": 10},
    {"frame": 280, "do": "enter", "vehicle": "bare", "frames": 10},
    {"frame": 360, "do": "hold", "control": "lookBehind", "frames": 20},
    {"frame": 390, "do": "exit", "frames": 10},
    {"frame": 420, "do": "enter", "vehicle": "bike", "frames": 10},
    {"frame": 500, "do": "hold", "control": "lookBehind", "frames": 20},
    {"frame": 530, "do": "exit", "frames": 10},
    {"frame": 560, "do": "enter", "vehicle": "roadster", "frames": 10},
    {"frame": 640, "do": "hold", "control": "lookBehind", "frames": 20}
  ]
})json"},
    {"fp-bike", R"json({
  "description": "First person on a motorcycle: the eye sits over the saddle, the view follows the direction of travel, and on a climb it shifts up and back.",
  "frames": 480,
  "world": {
    "onFootViewMode": 4,
    "player": { "position": [-2, 0, 0] },
    "vehicles": [ {"name": "bike", "model": "motorcycle", "position": [0, 0, 0]} ],
    "ground": { "ramps": [ {"start": [0, 40], "end": [0, 80], "width": 8, "endHeight": 8} ] }
  },
  "events": [
    {"frame": 2, "do": "enter", "vehicle": "bike", "frames": 10},
    {"frame": 90, "do": "drive", "vehicle": "bike", "speed": 12}
  ]
})json"},
    {"fp-aim", R"json({
  "description": "Aiming in first person: the field of view narrows from 90 to 60 and the reticle shows, and the game is not told of the first-person view while the player aims.",
  "frames": 300,
  "settings": { "1stPersonView": { "fov": 90 } },
  "world": {
    "onFootViewMode": 4,
    "player": { "position": [-2, 0, 0] },
    "vehicles": [ {"name": "car", "model": "sports", "position": [0, 0, 0]} ]
  },
  "events": [
    {"frame": 2, "do": "enter", "vehicle": "car", "frames": 10},
    {"frame": 100, "do": "hold", "control": "aim", "frames": 120}
  ]
})json"},
    {"menu-tour", R"json({
  "description": "The settings menu: opened with F11, every page walked, values edited with the key repeat, a preset, a camera reset, a user slot saved and loaded, everything saved to the ini; closed with F11, reopened by typing cpc, closed with Backspace.",
  "frames": 460,
  "world": {
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0]} ]
  },
  "events": [
    {"frame": 10, "do": "key", "key": "F11", "frames": 1},
    {"frame": 15, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 20, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 24, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 30, "do": "key", "key": "RIGHT", "frames": 90},
    {"frame": 130, "do": "key", "key": "LEFT", "frames": 1},
    {"frame": 140, "do": "key", "key": "UP", "frames": 1},
    {"frame": 145, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 150, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 160, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 164, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 168, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 175, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 185, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 190, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 200, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 205, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 210, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 215, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 220, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 225, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 230, "do": "key", "key": "RIGHT", "frames": 40},
    {"frame": 280, "do": "key", "key": "UP", "frames": 1},
    {"frame": 284, "do": "key", "key": "UP", "frames": 1},
    {"frame": 290, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 300, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 305, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 310, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 320, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 325, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 330, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 340, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 345, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 350, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 355, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 360, "do": "key", "key": "LEFT", "frames": 1},
    {"frame": 375, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 380, "do": "key", "key": "BACKSPACE", "frames": 1},
    {"frame": 385, "do": "key", "key": "DOWN", "frames": 1},
    {"frame": 390, "do": "key", "key": "RETURN", "frames": 1},
    {"frame": 400, "do": "key", "key": "F11", "frames": 1},
    {"frame": 420, "do": "cheat", "text": "cpc"},
    {"frame": 440, "do": "key", "key": "BACKSPACE", "frames": 1}
  ]
})json"},
    {"first-person-entry", R"json({
  "description": "On foot in first person: entering a car starts the own first-person camera after 45 frames.",
  "frames": 160,
  "world": {
    "onFootViewMode": 4,
    "vehicles": [ {"name": "car", "model": "sports", "position": [0, 0, 0]} ]
  },
  "events": [
    {"frame": 5, "do": "enter", "vehicle": "car", "frames": 10},
    {"frame": 120, "do": "exit", "frames": 10}
  ]
})json"},
    {"handoff", R"json({
  "description": "With the own first-person camera off, cycling past the far view hands first person to the game until the next press, which brings the near chase camera back.",
  "frames": 360,
  "settings": { "1stPersonView": { "UseOwnFirstPersonCamera": 0 } },
  "world": {
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "suv", "position": [0, 0, 0], "speed": 8} ]
  },
  "events": [
    {"frame": 60, "do": "press", "control": "viewChange"},
    {"frame": 150, "do": "press", "control": "viewChange"},
    {"frame": 210, "do": "press", "control": "viewChange"}
  ]
})json"},
    {"toggle", R"json({
  "description": "The toggle key switches Velmora off and on at its release; losing the focus while it is held counts as a release.",
  "frames": 200,
  "world": {
    "player": { "in": "car" },
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "speed": 5} ]
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
    "vehicles": [ {"name": "car", "model": "compact", "position": [0, 0, 0], "heading": 30, "speed": 10} ]
  },
  "events": [
    {"frame": 50, "do": "hold", "control": "lookBehind", "frames": 40}
  ]
})json"},
    {"unsupported", R"json({
  "description": "A boat and a helicopter: the game's camera stays in charge and the game's own view key works; a car afterwards gets Velmora's.",
  "frames": 300,
  "world": {
    "vehicles": [
      {"name": "boat", "model": "boat", "position": [0, 20, 0]},
      {"name": "heli", "model": "helicopter", "position": [20, 0, 0]},
      {"name": "car", "model": "compact", "position": [-20, 0, 0]}
    ]
  },
  "events": [
    {"frame": 5, "do": "enter", "vehicle": "boat", "frames": 5},
    {"frame": 40, "do": "press", "control": "viewChange"},
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
