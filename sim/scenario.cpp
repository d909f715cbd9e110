#include "sim/scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "input/keys.h"

namespace velmora::sim {
namespace {

using nlohmann::json;

constexpr Entity kFirstVehicleHandle = 0x3001;
constexpr int kDefaultEnterFrames = 20;
constexpr int kDefaultExitFrames = 15;

[[noreturn]] void fail(const std::string& where, const std::string& what) { throw ScenarioError(where + ": " + what); }

void allowOnly(const json& object, const std::string& where, std::initializer_list<const char*> keys) {
    if (!object.is_object()) fail(where, "expected an object");
    for (const auto& item : object.items()) {
        const std::string& key = item.key();
        if (std::find_if(keys.begin(), keys.end(), [&](const char* k) { return key == k; }) == keys.end()) {
            std::string known;
            for (const char* k : keys) known.append(known.empty() ? "" : ", ").append(k);
            fail(where, std::string("unknown field \"").append(key).append("\" (known: ").append(known).append(")"));
        }
    }
}

// The ranges a scenario's numbers may take: wide enough for any scene, narrow enough that
// every value stays a finite float through the world's arithmetic. A number is checked
// before it is narrowed, so nothing wraps or turns infinite on the way in.
struct Range {
    double lo, hi;
    const char* says;
};
constexpr Range kAnyNumber{-1e6, 1e6, "between -1000000 and 1000000"};
constexpr Range kPlace{-1e5, 1e5, "metres, within 100000 of the origin"};
constexpr Range kAngle{-3600.0, 3600.0, "degrees between -3600 and 3600"};
constexpr Range kSpeed{-1000.0, 1000.0, "metres per second between -1000 and 1000"};
constexpr Range kAcceleration{-1000.0, 1000.0, "metres per second squared between -1000 and 1000"};
constexpr Range kTurnRate{-3600.0, 3600.0, "degrees per second between -3600 and 3600"};
constexpr Range kFrameSeconds{1e-4, 10.0, "seconds between 0.0001 and 10"};
constexpr Range kTimeScale{1e-3, 100.0, "between 0.001 and 100"};
constexpr Range kLookAmount{-100.0, 100.0, "between -100 and 100"};
constexpr Range kBumpHeight{0.0, 10.0, "metres between 0 and 10"};
constexpr Range kBumpFrequency{0.0, 100.0, "bumps a second between 0 and 100"};
constexpr Range kWidth{1e-3, 1e4, "metres between 0.001 and 10000"};
constexpr Range kFrames{1.0, kMaxScenarioFrames, "frames between 1 and 1000000"};
constexpr Range kFrameNumber{0.0, kMaxScenarioFrames, "a frame between 0 and 1000000"};
constexpr Range kViewMode{0.0, 4.0, "0, 1, 2, 3 or 4"};
constexpr Range kModIndex{-1.0, 255.0, "-1 (stock) or a mod index up to 255"};
constexpr Range kControl{0.0, 1000.0, "a control number between 0 and 1000"};
constexpr Range kOffset{-1e9, 1e9, "a whole number between -1000000000 and 1000000000"};

[[noreturn]] void badValue(const std::string& where, const char* key, const char* form, const Range& range) {
    fail(where, std::string("\"") + key + "\" must be " + form + ", " + range.says);
}

double checkedNumber(const json& v, const std::string& where, const char* key, const Range& range) {
    if (!v.is_number()) badValue(where, key, "a number", range);
    const double x = v.get<double>();
    if (!std::isfinite(x) || x < range.lo || x > range.hi) badValue(where, key, "a number", range);
    return x;
}

float number(const json& object, const char* key, float fallback, const std::string& where,
             const Range& range = kAnyNumber) {
    if (!object.contains(key)) return fallback;
    return static_cast<float>(checkedNumber(object[key], where, key, range));
}

int integer(const json& object, const char* key, int fallback, const std::string& where, const Range& range) {
    if (!object.contains(key)) return fallback;
    const json& v = object[key];
    if (!v.is_number_integer()) badValue(where, key, "a whole number", range);
    // Read at full width first: a value past the range must not wrap into it.
    if (v.is_number_unsigned()) {
        const auto x = v.get<std::uint64_t>();
        if (x > static_cast<std::uint64_t>(range.hi) || static_cast<double>(x) < range.lo)
            badValue(where, key, "a whole number", range);
        return static_cast<int>(x);
    }
    const auto x = v.get<std::int64_t>();
    if (static_cast<double>(x) < range.lo || static_cast<double>(x) > range.hi)
        badValue(where, key, "a whole number", range);
    return static_cast<int>(x);
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

std::string optionalText(const json& object, const char* key, const std::string& fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    return text(object, key, where);
}

// A part of the scenario that must be an object or a list when it is there.
json member(const json& object, const char* key, const json& fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    const json& v = object[key];
    if (fallback.is_array() && !v.is_array()) fail(where, std::string("\"") + key + "\" must be a list");
    if (fallback.is_object() && !v.is_object()) fail(where, std::string("\"") + key + "\" must be an object");
    return v;
}

Vector3 vector(const json& object, const char* key, const Vector3& fallback, const std::string& where,
               const Range& range = kPlace) {
    if (!object.contains(key)) return fallback;
    const json& v = object[key];
    if (!v.is_array() || v.size() != 3) fail(where, std::string("\"") + key + "\" must be [x, y, z], " + range.says);
    Vector3 out;
    for (int i = 0; i < 3; ++i)
        out[i] = static_cast<float>(checkedNumber(v[static_cast<std::size_t>(i)], where, key, range));
    return out;
}

// Every event kind with the fields it takes.
struct EventKind {
    const char* name;
    std::initializer_list<const char*> fields;
    std::initializer_list<const char*> required;
    int defaultFrames = 1;  // the length of one without "frames", at the scenario's rate
};

const EventKind kEventKinds[] = {
    {"enter", {"frame", "do", "vehicle", "frames"}, {"vehicle"}, kDefaultEnterFrames},
    {"exit", {"frame", "do", "frames"}, {}, kDefaultExitFrames},
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
    if (!event.contains("frame")) fail(where, "\"frame\" must be given");
    integer(event, "frame", 0, where, kFrameNumber);
    const std::string action = text(event, "do", where);
    const EventKind* kind = findKind(action);
    if (kind == nullptr) {
        std::string known;
        for (const EventKind& k : kEventKinds) known.append(known.empty() ? "" : ", ").append(k.name);
        fail(where, std::string("unknown action \"").append(action).append("\" (known: ").append(known).append(")"));
    }
    const std::string whereAction = where + " (" + action + ")";
    allowOnly(event, whereAction, kind->fields);
    for (const char* field : kind->required)
        if (!event.contains(field)) fail(whereAction, std::string("\"").append(field).append("\" is required"));
    for (const char* field : {"vehicle", "other"}) {
        if (!event.contains(field)) continue;
        const std::string name = text(event, field, where);
        if (!vehicleNames.count(name)) fail(where, "no vehicle named \"" + name + "\" in the world");
    }
    if (event.contains("control")) {
        const json& control = event["control"];
        if (control.is_number_integer()) {
            integer(event, "control", 0, where, kControl);
        } else if (!control.is_string() || controlId(control.get<std::string>()) < 0) {
            fail(where, "unknown control " + control.dump() +
                            " (known: viewChange, control75, lookBehind, lookBack, aim, or a control number)");
        }
    }
    if (event.contains("key") && keyCodeOf(text(event, "key", where)) < 0)
        fail(where, "\"" + event["key"].get<std::string>() + "\" is not a key name of the settings file");
    integer(event, "frames", 1, where, kFrames);
    if (const std::string device = optionalText(event, "device", "mouse", where);
        device != "mouse" && device != "gamepad")
        fail(where, "\"device\" must be \"mouse\" or \"gamepad\"");
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
        for (const json& r : member(world["ground"], "ramps", json::array(), "world.ground"))
            allowOnly(r, "world.ground.ramps", {"start", "end", "width", "startHeight", "endHeight"});
    }
    if (world.contains("player")) allowOnly(world["player"], "world.player", {"model", "position", "heading", "in"});
    if (world.contains("memory"))
        allowOnly(world["memory"], "world.memory", {"flagsPattern", "viewPattern", "moduleReadable", "flagsOffset"});
    if (world.contains("gears")) {
        allowOnly(world["gears"], "world.gears", {"present", "missing"});
        for (const json& name : member(world["gears"], "missing", json::array(), "world.gears"))
            if (!name.is_string()) fail("world.gears", "\"missing\" must list export names as texts");
    }
    for (const json& v : member(world, "vehicles", json::array(), "world")) {
        allowOnly(
            v, "world.vehicles",
            {"name", "model", "position", "heading", "pitch", "roll", "speed", "accel", "yawRate", "bumps", "spoiler"});
        const std::string model = text(v, "model", "world.vehicles");
        if (findVehicleModel(model) == nullptr) fail("world.vehicles", "unknown model \"" + model + "\"");
        text(v, "name", "world.vehicles");
    }
    for (const json& o : member(world, "obstacles", json::array(), "world"))
        allowOnly(o, "world.obstacles", {"min", "max"});
}

}  // namespace

bool isPlayerInput(const std::string& action) {
    for (const char* input : {"press", "hold", "key", "look", "gears", "focus", "cheat"})
        if (action == input) return true;
    return false;
}

int eventFrames(const ScenarioEvent& event) {
    const EventKind* kind = findKind(event.action);
    if (kind == nullptr) return 0;
    const bool lasts = std::find_if(kind->fields.begin(), kind->fields.end(), [](const char* f) {
                           return std::string_view(f) == "frames";
                       }) != kind->fields.end();
    return lasts ? event.args.value("frames", kind->defaultFrames) : 0;
}

int controlId(const std::string& name) {
    if (name == "viewChange") return 0;
    if (name == "control75") return 75;
    if (name == "lookBehind") return 26;
    if (name == "lookBack") return 79;
    if (name == "aim") return 25;  // aiming is the player's state; the id is its game control
    return -1;
}

namespace {

Scenario parseScenarioText(const std::string& jsonText, const std::string& name) {
    json doc;
    try {
        doc = json::parse(jsonText);
    } catch (const json::exception& e) {  // a syntax error, or a number beyond any double
        throw ScenarioError(name + ": not valid JSON: " + e.what());
    }
    allowOnly(doc, name, {"description", "frames", "dt", "realDt", "world", "events", "settings"});
    Scenario s;
    s.name = name;
    s.description = optionalText(doc, "description", "", name);
    s.frames = integer(doc, "frames", 600, name, kFrames);
    s.dt = number(doc, "dt", 1.0f / 60.0f, name, kFrameSeconds);  // a pause event stops time
    s.realDt = number(doc, "realDt", s.dt, name, kFrameSeconds);
    s.lookSeconds = s.realDt;
    s.world = member(doc, "world", json::object(), name);
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

    const json events = member(doc, "events", json::array(), name);
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
                s.settings[section][key] = settingText(value, "settings." + section + ("." + key));
        }
    }

    // Every value the run will read is read once now, so that a scenario fails when it is
    // loaded, with its place named, never in the middle of a run.
    World scratch;
    setUpWorld(scratch, s);
    for (const ScenarioEvent& event : s.events) {
        if (event.frame == scratch.frame && &event != &s.events.front()) continue;
        scratch.frame = event.frame;
        applyEvents(scratch, s);
    }
    return s;
}

}  // namespace

Scenario parseScenario(const std::string& jsonText, const std::string& name) {
    try {
        return parseScenarioText(jsonText, name);
    } catch (const ScenarioError& e) {
        const std::string what = e.what();
        if (what.rfind(name + ":", 0) == 0) throw;
        throw ScenarioError(name + ": " + what);  // a place inside the world: say which file too
    }
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
    const double scale =
        static_cast<double>(scenario.dt) * static_cast<double>(framesPerSecond);  // new frames per old frame
    auto scaled = [scale](int frames) { return std::max(1, static_cast<int>(std::lround(frames * scale))); };
    s.dt = 1.0f / framesPerSecond;
    s.realDt = static_cast<float>(static_cast<double>(scenario.realDt) / scale);
    if (static_cast<double>(scenario.frames) * scale > kMaxScenarioFrames)
        fail(scenario.name, "at " + std::to_string(static_cast<int>(framesPerSecond)) +
                                " frames a second the run would be longer than 1000000 frames");
    s.frames = scaled(scenario.frames);
    for (ScenarioEvent& e : s.events) {
        // An input seen on frame k was made during the frame before it ended, from frame k - 1 on:
        // at another rate it is seen on the first frame that ends after that moment.
        e.frame = isPlayerInput(e.action) ? static_cast<int>(std::floor((e.frame - 1) * scale + 1e-9)) + 1
                                          : static_cast<int>(std::lround(e.frame * scale));
        e.frame = std::max(0, e.frame);
        e.args["frame"] = e.frame;
        // An event's length is game time: one left at its default lasts as long as at the
        // scenario's own rate too.
        if (const int length = eventFrames(e); length > 0) e.args["frames"] = scaled(length);
    }
    return s;
}

Scenario withJitter(const Scenario& scenario, float framesPerSecond, float jitter, std::uint32_t seed) {
    Scenario s = scenario;
    // The engine is the standard's own sequence; its numbers are turned into fractions here,
    // as the library's distributions may differ from one library to the next.
    std::mt19937 random(seed);
    auto fraction = [&random] { return static_cast<double>(random() >> 8) / 16777216.0; };  // [0, 1)
    const double nominal = 1.0 / static_cast<double>(framesPerSecond);
    const double total = static_cast<double>(scenario.frames) * static_cast<double>(scenario.dt);
    std::vector<double> starts;  // game time at each frame, the world moved into it by its length
    s.frameSeconds.clear();
    for (double t = 0.0;;) {
        const double spread = static_cast<double>(jitter);
        const double length = nominal * (1.0 - spread + 2.0 * spread * fraction());
        if (!s.frameSeconds.empty()) t += length;
        if (t > total + 0.5 * nominal) break;
        if (s.frameSeconds.size() >= static_cast<std::size_t>(kMaxScenarioFrames))
            fail(scenario.name, "with uneven frames the run would be longer than 1000000 frames");
        s.frameSeconds.push_back(static_cast<float>(length));
        starts.push_back(t);
    }
    const double own = static_cast<double>(scenario.dt);
    // Every event, and the end of every event that lasts, falls on a frame: the frame nearest
    // it is moved to its moment, a shift of at most half a frame shared by the two frames
    // either side, so that the world is the same at the same game time.
    std::vector<double> moments;
    for (const ScenarioEvent& e : scenario.events) {
        const int from = isPlayerInput(e.action) ? e.frame - 1 : e.frame;  // as atFrameRate takes them
        moments.push_back(from * own);
        if (const int length = eventFrames(e); length > 0) moments.push_back((from + length) * own);
    }
    for (const double t : moments) {
        const auto after = std::lower_bound(starts.begin(), starts.end(), t);
        if (after == starts.end() || after == starts.begin()) continue;
        const auto nearest = (t - *(after - 1) <= *after - t) ? after - 1 : after;
        const auto i = static_cast<std::size_t>(nearest - starts.begin());
        if (i == 0 || i + 1 >= starts.size() || *nearest == t) continue;
        const double shift = t - *nearest;
        s.frameSeconds[i] = static_cast<float>(static_cast<double>(s.frameSeconds[i]) + shift);
        s.frameSeconds[i + 1] = static_cast<float>(static_cast<double>(s.frameSeconds[i + 1]) - shift);
        *nearest = t;
    }
    auto frameAt = [&](double t) {  // the frame whose game time is nearest
        const auto after = std::lower_bound(starts.begin(), starts.end(), t);
        if (after == starts.begin()) return 0;
        if (after == starts.end()) return static_cast<int>(starts.size()) - 1;
        const auto before = after - 1;
        return static_cast<int>((t - *before <= *after - t ? before : after) - starts.begin());
    };
    s.dt = static_cast<float>(nominal);
    s.realDt = static_cast<float>(static_cast<double>(scenario.realDt) * nominal / own);
    s.frames = static_cast<int>(starts.size());
    for (ScenarioEvent& e : s.events) {
        const bool input = isPlayerInput(e.action);
        const int from = input ? e.frame - 1 : e.frame;
        const int at = std::max(0, frameAt(from * own) + (input ? 1 : 0));
        if (const int length = eventFrames(e); length > 0)
            e.args["frames"] = std::max(1, frameAt((from + length) * own) + (input ? 1 : 0) - at);
        e.frame = at;
        e.args["frame"] = at;
    }
    std::stable_sort(s.events.begin(), s.events.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.frame < b.frame; });
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
    if (!v.is_array() || v.size() != 2) fail(where, std::string("\"") + key + "\" must be [x, y], " + kPlace.says);
    return Vector2(static_cast<float>(checkedNumber(v[0], where, key, kPlace)),
                   static_cast<float>(checkedNumber(v[1], where, key, kPlace)));
}

}  // namespace

void setUpWorld(World& world, const Scenario& scenario) {
    world = World{};
    world.dt = world.baseDt = scenario.dt;
    world.realDt = scenario.realDt;
    world.lookSeconds = scenario.lookSeconds;
    world.frameSeconds = scenario.frameSeconds;
    world.wallPerGameSecond = scenario.realDt / scenario.dt;
    if (!world.frameSeconds.empty()) world.realDt = frameLength(world) * world.wallPerGameSecond;
    const json& w = scenario.world;
    world.onFootViewMode = integer(w, "onFootViewMode", 1, "world", kViewMode);
    world.vehicleViewMode = integer(w, "vehicleViewMode", 1, "world", kViewMode);
    world.timeScale = number(w, "timeScale", 1.0f, "world", kTimeScale);
    world.dt = frameLength(world) * world.timeScale;
    world.focus = flag(w, "focus", true, "world");
    world.keyboardMouse = flag(w, "keyboardMouse", true, "world");

    const json ground = member(w, "ground", json::object(), "world");
    world.ground.height = number(ground, "height", 0.0f, "world.ground", kPlace);
    for (const json& r : member(ground, "ramps", json::array(), "world.ground")) {
        Ramp ramp;
        ramp.start = point2(r, "start", "world.ground.ramps");
        ramp.end = point2(r, "end", "world.ground.ramps");
        ramp.width = number(r, "width", 4.0f, "world.ground.ramps", kWidth);
        ramp.startHeight = number(r, "startHeight", world.ground.height, "world.ground.ramps", kPlace);
        ramp.endHeight = number(r, "endHeight", world.ground.height, "world.ground.ramps", kPlace);
        if ((ramp.end - ramp.start).norm() <= 0.0f) fail("world.ground.ramps", "a ramp needs two different ends");
        world.ground.ramps.push_back(ramp);
    }

    const json player = member(w, "player", json::object(), "world");
    const std::string playerModel = optionalText(player, "model", "player", "world.player");
    world.player.model = findCharacterModel(playerModel);
    if (world.player.model == nullptr) fail("world.player", "unknown model \"" + playerModel + "\"");
    world.player.position = vector(player, "position", Vector3(-3.0f, 0.0f, 0.0f), "world.player");
    world.player.yaw = number(player, "heading", 0.0f, "world.player", kAngle);

    const json vehicles = member(w, "vehicles", json::array(), "world");
    world.vehicles.reserve(vehicles.size());
    Entity handle = kFirstVehicleHandle;
    for (const json& v : vehicles) {
        SimVehicle vehicle;
        vehicle.handle = handle++;
        vehicle.name = v["name"].get<std::string>();
        vehicle.model = findVehicleModel(v["model"].get<std::string>());
        vehicle.position = vector(v, "position", Vector3::Zero(), "world.vehicles");
        vehicle.yaw = number(v, "heading", 0.0f, "world.vehicles", kAngle);
        vehicle.pitch = number(v, "pitch", 0.0f, "world.vehicles", kAngle);
        vehicle.roll = number(v, "roll", 0.0f, "world.vehicles", kAngle);
        vehicle.speed = number(v, "speed", 0.0f, "world.vehicles", kSpeed);
        vehicle.accel = number(v, "accel", 0.0f, "world.vehicles", kAcceleration);
        vehicle.yawRate = number(v, "yawRate", 0.0f, "world.vehicles", kTurnRate);
        vehicle.spoiler = integer(v, "spoiler", -1, "world.vehicles", kModIndex);
        const json bumps = member(v, "bumps", json::object(), "world.vehicles");
        vehicle.bumpAmplitude = number(bumps, "amplitude", 0.0f, "world.vehicles.bumps", kBumpHeight);
        vehicle.bumpFrequency = number(bumps, "frequency", 0.0f, "world.vehicles.bumps", kBumpFrequency);
        settleOnGround(world, vehicle);  // vehicles start standing on the ground
        world.vehicles.push_back(vehicle);
    }
    for (const json& o : member(w, "obstacles", json::array(), "world"))
        world.obstacles.push_back(Obstacle{vector(o, "min", Vector3::Zero(), "world.obstacles"),
                                           vector(o, "max", Vector3::Zero(), "world.obstacles")});

    const json gears = member(w, "gears", json::object(), "world");
    world.gears.present = flag(gears, "present", false, "world.gears");
    for (const json& missing : member(gears, "missing", json::array(), "world.gears"))
        world.gears.missingExports.push_back(missing.get<std::string>());

    const json memory = member(w, "memory", json::object(), "world");
    world.memory.flagsPattern = flag(memory, "flagsPattern", true, "world.memory");
    world.memory.viewPattern = flag(memory, "viewPattern", true, "world.memory");
    world.memory.moduleReadable = flag(memory, "moduleReadable", true, "world.memory");
    world.memory.flagsOffset = integer(memory, "flagsOffset", 1404, "world.memory", kOffset);
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
        SimVehicle* vehicle =
            e.contains("vehicle") ? world.findVehicleByName(e["vehicle"].get<std::string>()) : nullptr;
        const int frames = integer(e, "frames", 1, where, kFrames);

        if (a == "enter") {
            // The first half walks up and opens the door, the second climbs onto the seat.
            world.player.vehicle = vehicle->handle;
            world.player.seat = SeatState::Entering;
            world.player.transitionFrames = integer(e, "frames", kDefaultEnterFrames, where, kFrames);
            world.player.seatFrames = world.player.transitionFrames / 2;
        } else if (a == "exit") {
            if (world.player.seat == SeatState::Seated) {
                world.player.seat = SeatState::Exiting;
                world.player.transitionFrames = integer(e, "frames", kDefaultExitFrames, where, kFrames);
            }
        } else if (a == "press" || a == "hold") {
            const int id = e["control"].is_string() ? controlId(e["control"].get<std::string>())
                                                    : integer(e, "control", 0, where, kControl);
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
            world.lookX = number(e, "x", 0.0f, where, kLookAmount);
            world.lookY = number(e, "y", 0.0f, where, kLookAmount);
            world.lookFrames = frames;
            world.keyboardMouse = optionalText(e, "device", "mouse", where) != "gamepad";
        } else if (a == "drive") {
            vehicle->speed = number(e, "speed", vehicle->speed, where, kSpeed);
            vehicle->yawRate = number(e, "yawRate", vehicle->yawRate, where, kTurnRate);
            vehicle->accel = number(e, "accel", vehicle->accel, where, kAcceleration);
            vehicle->coasting = false;
        } else if (a == "pose") {
            vehicle->position = vector(e, "position", vehicle->position, where);
            vehicle->yaw = number(e, "heading", vehicle->yaw, where, kAngle);
            vehicle->pitch = number(e, "pitch", vehicle->pitch, where, kAngle);
            vehicle->roll = number(e, "roll", vehicle->roll, where, kAngle);
            settleOnGround(world, *vehicle);
        } else if (a == "bumps") {
            vehicle->bumpAmplitude = number(e, "amplitude", 0.0f, where, kBumpHeight);
            vehicle->bumpFrequency = number(e, "frequency", 0.0f, where, kBumpFrequency);
        } else if (a == "airborne") {
            startJump(world, *vehicle, frames);
        } else if (a == "attach") {
            attachVehicle(world, *vehicle, *world.findVehicleByName(e["other"].get<std::string>()));
        } else if (a == "detach") {
            detachVehicles(world, *vehicle);
        } else if (a == "focus") {
            world.focus = flag(e, "value", true, where);
        } else if (a == "setViewMode") {
            world.onFootViewMode = integer(e, "value", 1, where, kViewMode);
        } else if (a == "pause") {
            world.pausedFrames = frames;
            world.dt = 0.0f;
        } else if (a == "timeScale") {
            world.timeScale = number(e, "value", 1.0f, where, kTimeScale);
            if (world.pausedFrames == 0) world.dt = frameLength(world) * world.timeScale;
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
            world.obstacles.push_back(
                Obstacle{vector(e, "min", Vector3::Zero(), where), vector(e, "max", Vector3::Zero(), where)});
        } else if (a == "clearObstacles") {
            world.obstacles.clear();
        }
    }
}

}  // namespace velmora::sim
