#include "sim/scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "input/keys.h"

namespace velmora::sim {
namespace {

using nlohmann::json;

constexpr Entity kFirstVehicleHandle = 0x3001;
constexpr int kDefaultEnterFrames = 20;
constexpr int kDefaultExitFrames = 15;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw ScenarioError(where + ": " + what);
}

void allowOnly(const json& object, const std::string& where, std::initializer_list<const char*> keys) {
    if (!object.is_object()) fail(where, "expected an object");
    for (const auto& [key, value] : object.items()) {
        if (std::find_if(keys.begin(), keys.end(), [&](const char* k) { return key == k; }) == keys.end()) {
            std::string known;
            for (const char* k : keys) known += std::string(known.empty() ? "" : ", ") + k;
            fail(where, "unknown field \"" + key + "\" (known: " + known + ")");
        }
    }
}

float number(const json& object, const char* key, float fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    if (!object[key].is_number()) fail(where, std::string("\"") + key + "\" must be a number");
    return object[key].get<float>();
}

int integer(const json& object, const char* key, int fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    if (!object[key].is_number_integer()) fail(where, std::string("\"") + key + "\" must be a whole number");
    return object[key].get<int>();
}

bool flag(const json& object, const char* key, bool fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    if (!object[key].is_boolean()) fail(where, std::string("\"") + key + "\" must be true or false");
    return object[key].get<bool>();
}

std::string text(const json& object, const char* key, const std::string& where) {
    if (!object.contains(key) || !object[key].is_string())
        fail(where, std::string("\"") + key + "\" must be given as a text");
    return object[key].get<std::string>();
}

Vector3 vector(const json& object, const char* key, const Vector3& fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    const json& v = object[key];
    if (!v.is_array() || v.size() != 3 || !v[0].is_number() || !v[1].is_number() || !v[2].is_number())
        fail(where, std::string("\"") + key + "\" must be [x, y, z]");
    return Vector3(v[0].get<float>(), v[1].get<float>(), v[2].get<float>());
}

// Every event kind with the fields it takes.
struct EventKind {
    const char* name;
    std::initializer_list<const char*> fields;
    std::initializer_list<const char*> required;
};

const EventKind kEventKinds[] = {
    {"enter", {"frame", "do", "vehicle", "frames"}, {"vehicle"}},
    {"exit", {"frame", "do", "frames"}, {}},
    {"press", {"frame", "do", "control"}, {"control"}},
    {"hold", {"frame", "do", "control", "frames"}, {"control", "frames"}},
    {"key", {"frame", "do", "key", "frames"}, {"key"}},
    {"look", {"frame", "do", "x", "y", "frames", "device"}, {}},
    {"drive", {"frame", "do", "vehicle", "speed", "yawRate", "accel"}, {"vehicle"}},
    {"pose", {"frame", "do", "vehicle", "position", "heading", "pitch", "roll"}, {"vehicle"}},
    {"bumps", {"frame", "do", "vehicle", "amplitude", "frequency"}, {"vehicle"}},
    {"airborne", {"frame", "do", "vehicle", "frames"}, {"vehicle", "frames"}},
    {"attach", {"frame", "do", "vehicle", "other"}, {"vehicle", "other"}},
    {"detach", {"frame", "do", "vehicle"}, {"vehicle"}},
    {"focus", {"frame", "do", "value"}, {"value"}},
    {"setViewMode", {"frame", "do", "value"}, {"value"}},
    {"pause", {"frame", "do", "frames"}, {"frames"}},
    {"gears", {"frame", "do", "left", "right", "back", "frames"}, {}},
    {"cheat", {"frame", "do", "text"}, {"text"}},
    {"timeScale", {"frame", "do", "value"}, {"value"}},
    {"player", {"frame", "do", "hasControl", "dead", "arrested", "busted", "exists"}, {}},
    {"broken", {"frame", "do", "vehicle", "value"}, {"vehicle"}},
    {"remove", {"frame", "do", "vehicle"}, {"vehicle"}},
    {"obstacle", {"frame", "do", "min", "max"}, {"min", "max"}},
    {"clearObstacles", {"frame", "do"}, {}},
};

const EventKind* findKind(const std::string& name) {
    for (const EventKind& kind : kEventKinds)
        if (name == kind.name) return &kind;
    return nullptr;
}

void checkEvent(const json& event, const std::string& where, const std::set<std::string>& vehicleNames) {
    if (!event.is_object()) fail(where, "an event must be an object");
    const int frame = integer(event, "frame", -1, where);
    if (frame < 0) fail(where, "\"frame\" must be given, 0 or more");
    const std::string action = text(event, "do", where);
    const EventKind* kind = findKind(action);
    if (kind == nullptr) {
        std::string known;
        for (const EventKind& k : kEventKinds) known += std::string(known.empty() ? "" : ", ") + k.name;
        fail(where, "unknown action \"" + action + "\" (known: " + known + ")");
    }
    allowOnly(event, where + " (" + action + ")", kind->fields);
    for (const char* field : kind->required)
        if (!event.contains(field)) fail(where + " (" + action + ")", std::string("\"") + field + "\" is required");
    for (const char* field : {"vehicle", "other"}) {
        if (!event.contains(field)) continue;
        const std::string name = text(event, field, where);
        if (!vehicleNames.count(name)) fail(where, "no vehicle named \"" + name + "\" in the world");
    }
    if (event.contains("control") && controlId(event["control"].is_string() ? event["control"].get<std::string>() : "") < 0 &&
        !event["control"].is_number_integer())
        fail(where, "unknown control " + event["control"].dump() + " (known: viewChange, control75, lookBehind, lookBack, aim)");
    if (event.contains("key") && keyCodeOf(text(event, "key", where)) < 0)
        fail(where, "\"" + event["key"].get<std::string>() + "\" is not a key name of the settings file");
    if (event.contains("frames") && integer(event, "frames", 1, where) < 1) fail(where, "\"frames\" must be 1 or more");
}

std::string settingText(const json& value, const std::string& where) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
    if (value.is_number()) return value.dump();
    fail(where, "a setting must be a text, a number or true/false");
}

void checkWorld(const json& world) {
    allowOnly(world, "world",
              {"onFootViewMode", "vehicleViewMode", "player", "vehicles", "obstacles", "ground", "gears", "focus",
               "keyboardMouse", "memory", "timeScale"});
    if (world.contains("ground")) {
        allowOnly(world["ground"], "world.ground", {"height", "ramps"});
        for (const json& r : world["ground"].value("ramps", json::array()))
            allowOnly(r, "world.ground.ramps", {"start", "end", "width", "startHeight", "endHeight"});
    }
    if (world.contains("player")) allowOnly(world["player"], "world.player", {"model", "position", "heading", "in"});
    if (world.contains("memory"))
        allowOnly(world["memory"], "world.memory", {"flagsPattern", "viewPattern", "moduleReadable", "flagsOffset"});
    if (world.contains("gears")) allowOnly(world["gears"], "world.gears", {"present", "missing"});
    for (const json& v : world.value("vehicles", json::array())) {
        allowOnly(v, "world.vehicles",
                  {"name", "model", "position", "heading", "pitch", "roll", "speed", "accel", "yawRate", "bumps", "spoiler"});
        const std::string model = text(v, "model", "world.vehicles");
        if (findVehicleModel(model) == nullptr) fail("world.vehicles", "unknown model \"" + model + "\"");
        text(v, "name", "world.vehicles");
    }
    for (const json& o : world.value("obstacles", json::array())) allowOnly(o, "world.obstacles", {"min", "max"});
}

}  // namespace

int controlId(const std::string& name) {
    if (name == "viewChange") return 0;
    if (name == "control75") return 75;
    if (name == "lookBehind") return 26;
    if (name == "lookBack") return 79;
    if (name == "aim") return 25;  // aiming is the player's state; the id is its game control
    return -1;
}

Scenario parseScenario(const std::string& jsonText, const std::string& name) {
    json doc;
    try {
        doc = json::parse(jsonText);
    } catch (const json::parse_error& e) {
        throw ScenarioError(name + ": not valid JSON: " + e.what());
    }
    allowOnly(doc, name, {"description", "frames", "dt", "realDt", "world", "events", "settings"});
    Scenario s;
    s.name = name;
    s.description = doc.value("description", "");
    s.frames = integer(doc, "frames", 600, name);
    if (s.frames < 1) fail(name, "\"frames\" must be 1 or more");
    s.dt = number(doc, "dt", 1.0f / 60.0f, name);
    if (!(s.dt > 0.0f)) fail(name, "\"dt\" must be above 0 (use a pause event to stop time)");
    s.realDt = number(doc, "realDt", s.dt, name);
    if (!(s.realDt > 0.0f)) fail(name, "\"realDt\" must be above 0");
    s.world = doc.value("world", json::object());
    checkWorld(s.world);

    std::set<std::string> vehicleNames;
    for (const json& v : s.world.value("vehicles", json::array())) {
        if (!vehicleNames.insert(v["name"].get<std::string>()).second)
            fail(name, "two vehicles are named \"" + v["name"].get<std::string>() + "\"");
    }
    if (s.world.contains("player") && s.world["player"].contains("in")) {
        const std::string in = text(s.world["player"], "in", "world.player");
        if (!vehicleNames.count(in)) fail("world.player", "no vehicle named \"" + in + "\"");
    }

    const json events = doc.value("events", json::array());
    if (!events.is_array()) fail(name, "\"events\" must be a list");
    for (std::size_t i = 0; i < events.size(); ++i) {
        const std::string where = name + ": event " + std::to_string(i + 1);
        checkEvent(events[i], where, vehicleNames);
        s.events.push_back(ScenarioEvent{events[i]["frame"].get<int>(), events[i]["do"].get<std::string>(), events[i]});
    }
    std::stable_sort(s.events.begin(), s.events.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.frame < b.frame; });

    if (doc.contains("settings")) {
        const json& settings = doc["settings"];
        if (!settings.is_object()) fail(name, "\"settings\" must map sections to keys");
        for (const auto& [section, keys] : settings.items()) {
            if (!keys.is_object()) fail(name, "settings." + section + " must map keys to values");
            for (const auto& [key, value] : keys.items())
                s.settings[section][key] = settingText(value, "settings." + section + "." + key);
        }
    }
    return s;
}

Scenario loadScenarioFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ScenarioError(path + ": cannot read the file");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return parseScenario(bytes.str(), path);
}

Scenario atFrameRate(const Scenario& scenario, float framesPerSecond) {
    Scenario s = scenario;
    const double scale = static_cast<double>(scenario.dt) * static_cast<double>(framesPerSecond);  // new frames per old frame
    auto scaled = [scale](int frames) { return std::max(1, static_cast<int>(std::lround(frames * scale))); };
    s.dt = 1.0f / framesPerSecond;
    s.realDt = static_cast<float>(static_cast<double>(scenario.realDt) / scale);
    s.frames = scaled(scenario.frames);
    for (ScenarioEvent& e : s.events) {
        e.frame = static_cast<int>(std::lround(e.frame * scale));
        e.args["frame"] = e.frame;
        if (e.args.contains("frames")) e.args["frames"] = scaled(e.args["frames"].get<int>());
        if (e.action == "look" && e.args.value("device", "mouse") != "gamepad") {
            for (const char* axis : {"x", "y"})
                if (e.args.contains(axis)) e.args[axis] = e.args[axis].get<double>() / scale;
        }
    }
    return s;
}

Scenario findScenario(const std::string& nameOrPath) {
    for (const BuiltinScenario& b : builtinScenarios())
        if (nameOrPath == b.name) return parseScenario(b.json, b.name);
    if (nameOrPath.find(".json") == std::string::npos && nameOrPath.find('/') == std::string::npos) {
        std::string known;
        for (const BuiltinScenario& b : builtinScenarios()) known += std::string(known.empty() ? "" : ", ") + b.name;
        throw ScenarioError("no built-in scenario \"" + nameOrPath + "\" (built-in: " + known + ")");
    }
    return loadScenarioFile(nameOrPath);
}

namespace {

Vector2 point2(const json& object, const char* key, const std::string& where) {
    if (!object.contains(key)) fail(where, std::string("\"") + key + "\" is required");
    const json& v = object[key];
    if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number())
        fail(where, std::string("\"") + key + "\" must be [x, y]");
    return Vector2(v[0].get<float>(), v[1].get<float>());
}

// A vehicle's launch for a jump that lands after `frames` frames at normal speed.
float launchSpeed(const World& world, int frames) { return 0.5f * kGravity * static_cast<float>(frames) * world.baseDt; }

}  // namespace

void setUpWorld(World& world, const Scenario& scenario) {
    world = World{};
    world.dt = world.baseDt = scenario.dt;
    world.realDt = scenario.realDt;
    const json& w = scenario.world;
    world.onFootViewMode = integer(w, "onFootViewMode", 1, "world");
    world.vehicleViewMode = integer(w, "vehicleViewMode", 1, "world");
    for (const std::int32_t mode : {world.onFootViewMode, world.vehicleViewMode})
        if (mode < 0 || mode > 4) fail("world", "a view mode is 0, 1, 2, 3 or 4");
    world.timeScale = number(w, "timeScale", 1.0f, "world");
    if (!(world.timeScale > 0.0f)) fail("world", "\"timeScale\" must be above 0");
    world.dt = world.baseDt * world.timeScale;
    world.focus = flag(w, "focus", true, "world");
    world.keyboardMouse = flag(w, "keyboardMouse", true, "world");

    const json ground = w.value("ground", json::object());
    world.ground.height = number(ground, "height", 0.0f, "world.ground");
    for (const json& r : ground.value("ramps", json::array())) {
        Ramp ramp;
        ramp.start = point2(r, "start", "world.ground.ramps");
        ramp.end = point2(r, "end", "world.ground.ramps");
        ramp.width = number(r, "width", 4.0f, "world.ground.ramps");
        ramp.startHeight = number(r, "startHeight", world.ground.height, "world.ground.ramps");
        ramp.endHeight = number(r, "endHeight", world.ground.height, "world.ground.ramps");
        if (!(ramp.width > 0.0f) || (ramp.end - ramp.start).norm() <= 0.0f)
            fail("world.ground.ramps", "a ramp needs a width above 0 and two different ends");
        world.ground.ramps.push_back(ramp);
    }

    const json player = w.value("player", json::object());
    world.player.model = findCharacterModel(player.value("model", "player"));
    if (world.player.model == nullptr) fail("world.player", "unknown model \"" + player.value("model", "") + "\"");
    world.player.position = vector(player, "position", Vector3(-3.0f, 0.0f, 0.0f), "world.player");
    world.player.yaw = number(player, "heading", 0.0f, "world.player");

    const json vehicles = w.value("vehicles", json::array());
    world.vehicles.reserve(vehicles.size());
    Entity handle = kFirstVehicleHandle;
    for (const json& v : vehicles) {
        SimVehicle vehicle;
        vehicle.handle = handle++;
        vehicle.name = v["name"].get<std::string>();
        vehicle.model = findVehicleModel(v["model"].get<std::string>());
        vehicle.position = vector(v, "position", Vector3::Zero(), "world.vehicles");
        vehicle.yaw = number(v, "heading", 0.0f, "world.vehicles");
        vehicle.pitch = number(v, "pitch", 0.0f, "world.vehicles");
        vehicle.roll = number(v, "roll", 0.0f, "world.vehicles");
        vehicle.speed = number(v, "speed", 0.0f, "world.vehicles");
        vehicle.accel = number(v, "accel", 0.0f, "world.vehicles");
        vehicle.yawRate = number(v, "yawRate", 0.0f, "world.vehicles");
        vehicle.spoiler = integer(v, "spoiler", -1, "world.vehicles");
        if (v.contains("bumps")) {
            vehicle.bumpAmplitude = number(v["bumps"], "amplitude", 0.0f, "world.vehicles.bumps");
            vehicle.bumpFrequency = number(v["bumps"], "frequency", 0.0f, "world.vehicles.bumps");
        }
        settleOnGround(world, vehicle);  // vehicles start standing on the ground
        world.vehicles.push_back(vehicle);
    }
    for (const json& o : w.value("obstacles", json::array()))
        world.obstacles.push_back(Obstacle{vector(o, "min", Vector3::Zero(), "world.obstacles"),
                                           vector(o, "max", Vector3::Zero(), "world.obstacles")});

    const json gears = w.value("gears", json::object());
    world.gears.present = flag(gears, "present", false, "world.gears");
    for (const json& missing : gears.value("missing", json::array())) world.gears.missingExports.push_back(missing.get<std::string>());

    const json memory = w.value("memory", json::object());
    world.memory.flagsPattern = flag(memory, "flagsPattern", true, "world.memory");
    world.memory.viewPattern = flag(memory, "viewPattern", true, "world.memory");
    world.memory.moduleReadable = flag(memory, "moduleReadable", true, "world.memory");
    world.memory.flagsOffset = integer(memory, "flagsOffset", 1404, "world.memory");
    buildGameMemory(world);

    if (player.contains("in")) {
        world.player.vehicle = world.findVehicleByName(player["in"].get<std::string>())->handle;
        world.player.seat = SeatState::Seated;
    }
}

void applyEvents(World& world, const Scenario& scenario) {
    for (const ScenarioEvent& event : scenario.events) {
        if (event.frame != world.frame) continue;
        const json& e = event.args;
        const std::string& a = event.action;
        const std::string where = scenario.name + ": frame " + std::to_string(event.frame) + " " + a;
        SimVehicle* vehicle = e.contains("vehicle") ? world.findVehicleByName(e["vehicle"].get<std::string>()) : nullptr;
        const int frames = integer(e, "frames", 1, where);

        if (a == "enter") {
            // The first half walks up and opens the door, the second climbs onto the seat.
            world.player.vehicle = vehicle->handle;
            world.player.seat = SeatState::Entering;
            world.player.transitionFrames = integer(e, "frames", kDefaultEnterFrames, where);
            world.player.seatFrames = world.player.transitionFrames / 2;
        } else if (a == "exit") {
            if (world.player.seat == SeatState::Seated) {
                world.player.seat = SeatState::Exiting;
                world.player.transitionFrames = integer(e, "frames", kDefaultExitFrames, where);
            }
        } else if (a == "press" || a == "hold") {
            const int id = e["control"].is_string() ? controlId(e["control"].get<std::string>()) : e["control"].get<int>();
            const int length = a == "press" ? 1 : frames;
            if (id == controlId("aim")) {
                world.aiming = true;
                world.aimFrames = length;
            }
            if (id >= 0 && id < kControlCount) {
                ControlState& c = world.controls[static_cast<std::size_t>(id)];
                c.justPressed = !c.held;
                c.held = true;
                c.framesLeft = length;
            }
        } else if (a == "key") {
            const auto code = static_cast<std::size_t>(keyCodeOf(e["key"].get<std::string>()));
            world.keys[code] = true;
            world.keyFrames[code] = frames;
        } else if (a == "look") {
            world.lookX = number(e, "x", 0.0f, where);
            world.lookY = number(e, "y", 0.0f, where);
            world.lookFrames = frames;
            world.keyboardMouse = e.value("device", "mouse") != "gamepad";
        } else if (a == "drive") {
            vehicle->speed = number(e, "speed", vehicle->speed, where);
            vehicle->yawRate = number(e, "yawRate", vehicle->yawRate, where);
            vehicle->accel = number(e, "accel", vehicle->accel, where);
            vehicle->coasting = false;
        } else if (a == "pose") {
            vehicle->position = vector(e, "position", vehicle->position, where);
            vehicle->yaw = number(e, "heading", vehicle->yaw, where);
            vehicle->pitch = number(e, "pitch", vehicle->pitch, where);
            vehicle->roll = number(e, "roll", vehicle->roll, where);
            settleOnGround(world, *vehicle);
        } else if (a == "bumps") {
            vehicle->bumpAmplitude = number(e, "amplitude", 0.0f, where);
            vehicle->bumpFrequency = number(e, "frequency", 0.0f, where);
        } else if (a == "airborne") {
            vehicle->airVelocity = launchSpeed(world, frames);
        } else if (a == "attach") {
            attachVehicle(world, *vehicle, *world.findVehicleByName(e["other"].get<std::string>()));
        } else if (a == "detach") {
            detachVehicles(world, *vehicle);
        } else if (a == "focus") {
            world.focus = flag(e, "value", true, where);
        } else if (a == "setViewMode") {
            world.onFootViewMode = integer(e, "value", 1, where);
        } else if (a == "pause") {
            world.pausedFrames = frames;
            world.dt = 0.0f;
        } else if (a == "timeScale") {
            world.timeScale = number(e, "value", 1.0f, where);
            if (!(world.timeScale > 0.0f)) fail(where, "\"value\" must be above 0");
            if (world.pausedFrames == 0) world.dt = world.baseDt * world.timeScale;
        } else if (a == "gears") {
            GearsStandIn& g = world.gears;
            if (e.contains("left")) g.lookingLeft = flag(e, "left", false, where), g.leftFrames = frames;
            if (e.contains("right")) g.lookingRight = flag(e, "right", false, where), g.rightFrames = frames;
            if (e.contains("back")) g.lookingBack = flag(e, "back", false, where), g.backFrames = frames;
        } else if (a == "cheat") {
            world.typedCheat = textHash(text(e, "text", where));
        } else if (a == "player") {
            world.player.control = flag(e, "hasControl", world.player.control, where);
            world.player.dead = flag(e, "dead", world.player.dead, where);
            world.player.arrested = flag(e, "arrested", world.player.arrested, where);
            world.player.busted = flag(e, "busted", world.player.busted, where);
            world.player.exists = flag(e, "exists", world.player.exists, where);
        } else if (a == "broken") {
            vehicle->brokenData = flag(e, "value", true, where);
        } else if (a == "remove") {
            vehicle->exists = false;
        } else if (a == "obstacle") {
            world.obstacles.push_back(Obstacle{vector(e, "min", Vector3::Zero(), where), vector(e, "max", Vector3::Zero(), where)});
        } else if (a == "clearObstacles") {
            world.obstacles.clear();
        }
    }
}

}  // namespace velmora::sim
