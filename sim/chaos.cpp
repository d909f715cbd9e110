#include "sim/chaos.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

#include <nlohmann/json.hpp>

#include "cammath/cammath.h"
#include "sim/runner.h"
#include "thirdperson/vehicle.h"

namespace velmora::sim {
namespace {

using nlohmann::json;

constexpr float kWorldExtent = 1e6f;         // metres: no pose handed to the game lies beyond
constexpr double kRecoverySeconds = 1.0;     // good data back: the camera is behind the car by then
constexpr double kEventSettleSeconds = 4.0;  // after an input or a change, the camera may still move on
constexpr float kChaseReach = 60.0f;         // metres: the far view with a trailer's room and more
constexpr float kCockpitReach = 4.0f;        // metres from the vehicle's origin to any eye point
constexpr float kSteadyTurnRate = 90.0f;     // degrees a second: beyond, the chase lags by design

const char* const kModels[] = {"compact", "sports",     "super",   "suv",  "van",        "towtruck", "tractor",
                               "trailer", "motorcycle", "bicycle", "boat", "helicopter", "roadster", "bare"};
const char* const kControls[] = {"viewChange", "lookBehind", "lookBack", "aim", "control75"};
const char* const kKeys[] = {"F10", "1", "B", "N", "F11", "UP", "DOWN", "LEFT", "RIGHT", "RETURN", "BACKSPACE"};

class Dice {
public:
    explicit Dice(std::uint64_t seed) : rng_(seed) {}
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    bool chance(double p) { return real(0.0, 1.0) < p; }
    template <class T, std::size_t N>
    const T& oneOf(const T (&items)[N]) {
        return items[static_cast<std::size_t>(between(0, static_cast<int>(N) - 1))];
    }
    std::mt19937_64& engine() { return rng_; }

private:
    std::mt19937_64 rng_;
};

double frameTime(Dice& d) {
    const double roll = d.real(0.0, 1.0);
    if (roll < 0.45) return 1.0 / 60.0;
    if (roll < 0.55) return 1.0 / 144.0;
    if (roll < 0.65) return 1.0 / 30.0;
    if (roll < 0.75) return d.real(0.0001, 0.1);
    if (roll < 0.85) return 0.3;
    if (roll < 0.92) return 1.0;
    return d.real(0.0001, 1.0);
}

json vec3(double x, double y, double z) { return json::array({x, y, z}); }

json randomEvent(Dice& d, int frame, const std::vector<std::string>& names, const std::vector<std::string>& models) {
    const auto vehicleIndex = static_cast<std::size_t>(d.between(0, static_cast<int>(names.size()) - 1));
    const std::string& vehicle = names[vehicleIndex];
    json e = {{"frame", frame}};
    switch (d.between(0, 23)) {
        case 0:
        case 1:
            e["do"] = "enter", e["vehicle"] = vehicle, e["frames"] = d.between(1, 40);
            break;
        case 2:
            e["do"] = "exit", e["frames"] = d.between(1, 30);
            break;
        case 3:
        case 4:
            e["do"] = "press";
            if (d.chance(0.2))
                e["control"] = 80;  // the cinematic camera's
            else
                e["control"] = d.oneOf(kControls);
            break;
        case 5:
            e["do"] = "hold", e["control"] = d.oneOf(kControls), e["frames"] = d.between(1, 180);
            break;
        case 6:
        case 7:
            e["do"] = "key", e["key"] = d.oneOf(kKeys), e["frames"] = d.between(1, 40);
            break;
        case 8:
            e["do"] = "look", e["x"] = d.real(-100, 100), e["y"] = d.real(-100, 100), e["frames"] = d.between(1, 90);
            e["device"] = d.chance(0.5) ? "mouse" : "gamepad";
            break;
        case 9:
        case 10: {
            e["do"] = "drive", e["vehicle"] = vehicle;
            const bool huge = d.chance(0.2);
            e["speed"] = huge ? d.real(-1000, 1000) : d.real(-15, 45);
            e["yawRate"] = d.chance(0.2) ? d.real(-720, 720) : d.real(-40, 40);
            e["accel"] = d.chance(0.2) ? d.real(-1000, 1000) : d.real(-5, 5);
            break;
        }
        case 11: {
            e["do"] = "pose", e["vehicle"] = vehicle;
            e["pitch"] = d.chance(0.3) ? (d.chance(0.5) ? 90.0 : -90.0) : d.real(-30, 30);
            e["roll"] = d.chance(0.3) ? 180.0 : d.real(-45, 45);
            e["heading"] = d.real(-720, 720);
            break;
        }
        case 12:
            e["do"] = "bumps", e["vehicle"] = vehicle, e["amplitude"] = d.real(0, 0.5), e["frequency"] = d.real(0, 20);
            break;
        case 13:
            e["do"] = "airborne", e["vehicle"] = vehicle, e["frames"] = d.between(1, 120);
            break;
        case 14: {
            // Hitch anything on the first towing vehicle, or unhook it again soon.
            const auto tower = std::find_if(models.begin(), models.end(),
                                            [](const std::string& m) { return m == "tractor" || m == "towtruck"; });
            if (tower == models.end() || names.size() < 2) {
                e["do"] = "clearObstacles";
                break;
            }
            const auto at = static_cast<std::size_t>(tower - models.begin());
            if (d.chance(0.5)) {
                std::size_t other = vehicleIndex == at ? (at + 1) % names.size() : vehicleIndex;
                e["do"] = "attach", e["vehicle"] = names[at], e["other"] = names[other];
            } else {
                e["do"] = "detach", e["vehicle"] = names[at];
            }
            break;
        }
        case 15:
            e["do"] = "focus", e["value"] = d.chance(0.5);
            break;
        case 16:
            e["do"] = "setViewMode", e["value"] = d.oneOf({0, 1, 2, 4});
            break;
        case 17:
            e["do"] = "pause", e["frames"] = d.between(1, 120);
            break;
        case 18:
            e["do"] = "timeScale", e["value"] = d.chance(0.5) ? 1.0 : d.real(0.001, 100);
            break;
        case 19:
            e["do"] = "gears", e["left"] = d.chance(0.3), e["right"] = d.chance(0.3), e["back"] = d.chance(0.3);
            e["frames"] = d.between(1, 90);
            break;
        case 20:
            e["do"] = "player";
            e["hasControl"] = d.chance(0.8), e["dead"] = d.chance(0.1), e["arrested"] = d.chance(0.1);
            e["busted"] = d.chance(0.1), e["exists"] = d.chance(0.9);
            break;
        case 21:
            e["do"] = "broken", e["vehicle"] = vehicle, e["value"] = d.chance(0.5);
            break;
        case 22:
            if (d.chance(0.3)) {
                e["do"] = "remove", e["vehicle"] = vehicle;
            } else {
                e["do"] = "cheat", e["text"] = "cpc";
            }
            break;
        default: {
            const double x = d.real(-30, 30), y = d.real(-30, 30);
            if (d.chance(0.7)) {
                e["do"] = "obstacle", e["min"] = vec3(x, y, 0),
                e["max"] = vec3(x + d.real(0.2, 10), y + d.real(0.2, 10), d.real(0.5, 8));
            } else {
                e["do"] = "clearObstacles";
            }
        }
    }
    return e;
}

// The last frame an event keeps the world moving by its own hand: its held or timed frames.
int eventEnd(const ScenarioEvent& e) { return e.frame + e.args.value("frames", 20); }

float horizontalAngleCos(Vector3 a, Vector3 b) {
    a.z() = 0.0f;
    b.z() = 0.0f;
    if (a.norm() < 0.3f * 0.3f || b.norm() < 1e-3f) return 1.0f;  // too steep or too close to judge
    return a.normalized().dot(b.normalized());
}

}  // namespace

std::string randomScenarioText(std::uint64_t seed, int frames) {
    Dice d(seed);
    json doc;
    doc["description"] = "chaos " + std::to_string(seed);
    doc["frames"] = frames;
    const double dt = frameTime(d);
    doc["dt"] = dt;
    doc["realDt"] = d.chance(0.8) ? dt : frameTime(d);

    json world;
    world["onFootViewMode"] = d.oneOf({0, 1, 2, 4});
    world["vehicleViewMode"] = d.oneOf({0, 1, 2, 3, 4});
    world["keyboardMouse"] = d.chance(0.6);
    world["player"] = {{"model", d.chance(0.9) ? "player" : "headless"}};
    std::vector<std::string> names, models;
    json vehicles = json::array();
    const int count = d.between(1, 4);
    for (int i = 0; i < count; ++i) {
        const std::string model =
            i == 0 && d.chance(0.7) ? d.oneOf({"compact", "sports", "tractor", "motorcycle"}) : d.oneOf(kModels);
        names.push_back("v" + std::to_string(i));
        models.push_back(model);
        vehicles.push_back({{"name", names.back()},
                            {"model", model},
                            {"position", vec3(12.0 * i, 0, 0)},
                            {"heading", d.real(-180, 180)},
                            {"speed", d.real(0, 20)},
                            {"yawRate", d.real(-10, 10)}});
    }
    world["vehicles"] = vehicles;
    if (d.chance(0.5)) world["player"]["in"] = names.front();
    world["gears"] = {{"present", d.chance(0.3)}};
    if (d.chance(0.3)) world["gears"]["missing"] = json::array({"MT_LookingBack"});
    world["memory"] = {{"flagsPattern", d.chance(0.9)},
                       {"viewPattern", d.chance(0.9)},
                       {"moduleReadable", d.chance(0.9)},
                       {"flagsOffset", d.chance(0.7) ? 1404 : d.between(-100, 9000)}};
    if (d.chance(0.4))
        world["ground"] = {
            {"ramps",
             json::array({{{"start", {0, 20}}, {"end", {0, 60}}, {"width", 8}, {"endHeight", d.real(-5, 10)}}})}};
    doc["world"] = world;
    if (d.chance(0.3)) doc["settings"] = {{"1stPersonView", {{"UseOwnFirstPersonCamera", d.chance(0.5) ? 1 : 0}}}};

    json events = json::array();
    for (int frame = d.between(0, 30); frame < frames; frame += d.between(3, 120))
        events.push_back(randomEvent(d, frame, names, models));
    doc["events"] = events;
    return doc.dump();
}

std::vector<std::string> frameFaults(const Simulation& run) {
    std::vector<std::string> faults;
    const World& w = run.world;
    if (run.error()) faults.push_back("the run stopped: " + *run.error());
    if (w.cameras.size() > 1) faults.push_back(std::to_string(w.cameras.size()) + " scripted cameras exist");
    for (const auto& [handle, camera] : w.cameras) {
        const Vector3& p = camera.pose.position;
        if (!p.allFinite() || p.cwiseAbs().maxCoeff() > kWorldExtent) {
            char text[160];
            std::snprintf(text, sizeof text, "camera at (%g, %g, %g), outside the world", static_cast<double>(p.x()),
                          static_cast<double>(p.y()), static_cast<double>(p.z()));
            faults.emplace_back(text);
        }
        if (!camera.pose.orientation.allFinite()) faults.emplace_back("camera orientation not finite");
        if (!(camera.fov >= 1.0f && camera.fov <= 130.0f))
            faults.push_back("field of view " + std::to_string(camera.fov) + " outside 1..130");
    }
    if (w.minimapAngle < -1 || w.minimapAngle > 360)
        faults.push_back("minimap locked at " + std::to_string(w.minimapAngle));
    return faults;
}

namespace {

struct RunTally {
    double calmSince = 0.0;      // wall seconds: when the game last answered badly
    double eventsSettled = 0.0;  // when the last event's doing has settled
    double hostileUntil = 0.0;
    double calmUntil = 0.0;
    bool waitingForRecovery = false;
    double recoveryStarted = 0.0;
};

// Whether the camera should sit behind the car now: seated in a sound, supported vehicle
// that turns no faster than the chase can follow, with the plug-in's chase camera shown.
bool chaseExpected(const Simulation& run, const SimVehicle*& vehicle) {
    const World& w = run.world;
    const Velmora& v = run.plugin;
    if (!characterSeated(w) || !w.player.exists || w.player.dead || w.player.arrested || w.player.busted ||
        !w.player.control)
        return false;
    vehicle = w.findVehicle(w.player.vehicle);
    if (vehicle == nullptr || !vehicle->exists || vehicle->brokenData ||
        !isSupportedClass(vehicle->model->vehicleClass))
        return false;
    // Turning faster than the chase follows, or far out where the plug-in takes positions for
    // broken data (the generator's huge speeds in fast motion get there), it is not judged.
    if (std::abs(vehicle->yawRate) * w.timeScale > kSteadyTurnRate || w.pausedFrames > 0) return false;
    if (!(vehiclePose(w, *vehicle).position.cwiseAbs().maxCoeff() < 0.9f * kWorldReach)) return false;
    return v.driver.modEnabled && !v.driver.handOffPending && v.camera.cameraActive;
}

// Where the shown camera stands against the car; empty when it is where it belongs.
std::string misplacement(const Simulation& run, const SimVehicle& vehicle) {
    const World& w = run.world;
    const auto it = w.cameras.find(w.activeCamera);
    if (it == w.cameras.end()) return "no camera is shown";
    const Pose pose = vehiclePose(w, vehicle);
    const Vector3 toCar = pose.position - it->second.pose.position;
    char text[200];
    if (run.plugin.driver.cameraMode == CameraMode::FirstPerson) {
        if (toCar.norm() <= kCockpitReach) return {};
        std::snprintf(text, sizeof text, "first-person camera %.1f m from the car", static_cast<double>(toCar.norm()));
        return text;
    }
    if (toCar.norm() > kChaseReach) {
        std::snprintf(text, sizeof text, "chase camera %.1f m from the car", static_cast<double>(toCar.norm()));
        return text;
    }
    return {};
}

// Whether the chase camera stands ahead of the car: more than 110 degrees from both its nose
// and its travel. A chase seeded while the game answered a wrong forward axis starts there
// and swings behind only as the car drives; counted, not a broken promise.
bool chaseAhead(const Simulation& run, const SimVehicle& vehicle) {
    const World& w = run.world;
    const auto it = w.cameras.find(w.activeCamera);
    if (it == w.cameras.end() || run.plugin.driver.cameraMode == CameraMode::FirstPerson) return false;
    const Pose pose = vehiclePose(w, vehicle);
    const Vector3 toCar = pose.position - it->second.pose.position;
    return horizontalAngleCos(pose.orientation.col(1), toCar) <= -0.34f &&
           horizontalAngleCos(vehicleVelocity(w, vehicle), toCar) <= -0.34f;
}

void playOne(std::uint64_t seed, const ChaosOptions& options, ChaosReport& report) {
    int found = 0;  // a run's first few findings tell its story; the rest are counted
    auto addFinding = [&](int frame, std::string what) {
        ++report.faultyFrames;
        if (++found <= 3 && report.findings.size() < 100) report.findings.push_back({seed, frame, std::move(what)});
    };
    Scenario scenario;
    try {
        scenario = parseScenario(randomScenarioText(seed, options.framesPerRun), "chaos " + std::to_string(seed));
    } catch (const ScenarioError& e) {
        addFinding(0, std::string("the generator made a scenario the loader refuses: ") + e.what());
        return;
    }

    Simulation run(scenario);
    std::ofstream trace;
    if (!options.tracePath.empty() && seed == options.seed) {
        trace.open(options.tracePath, std::ios::binary);
        trace << traceHeader() << '\n';
        run.session.onRow = [&trace](const TraceRow& row) { trace << formatTraceRow(row) << '\n'; };
    }
    Hostility hostility(seed * 7919u + 17u);
    Dice dice(seed ^ 0x9e3779b97f4a7c15ull);
    if (options.hostile) run.session.host.hostility = &hostility;
    for (const SimVehicle& vehicle : run.world.vehicles) hostility.knownHandles.push_back(vehicle.handle);
    hostility.knownHandles.push_back(run.world.player.handle);

    RunTally tally;
    tally.calmUntil = run.world.wallClock + dice.real(1.0, 4.0);
    // Events in frame order: each keeps the world busy from its frame to the end of its held
    // or timed frames, so the last busy frame of those begun is all that needs keeping.
    std::size_t nextEvent = 0;
    int busyUntil = -1;
    int underGroundBefore = 0;
    // Each frame is judged as it ends, before the world moves on: the camera against the car
    // it was placed behind.
    auto judgeFrame = [&] {
        const int frame = run.world.frame;
        const double now = run.world.wallClock;
        ++report.frames;
        report.nativeCalls += run.world.log.nativeCalls;
        if (hostility.active) {
            ++report.hostileFrames;
            tally.calmSince = now;
        }
        for (; nextEvent < scenario.events.size() && scenario.events[nextEvent].frame <= frame; ++nextEvent)
            busyUntil = std::max(busyUntil, eventEnd(scenario.events[nextEvent]));
        if (busyUntil >= frame) tally.eventsSettled = std::max(tally.eventsSettled, now + kEventSettleSeconds);
        if (run.plugin.camera.cameraActive) ++report.framesWithCamera;

        for (std::string& fault : frameFaults(run)) addFinding(frame, std::move(fault));
        if (run.world.faults.cameraUnderGround > underGroundBefore) ++report.camerasUnderGround;
        underGroundBefore = run.world.faults.cameraUnderGround;

        // Good data back, nothing else stirring: within a second the camera is where it
        // belongs, and it stays there.
        const SimVehicle* vehicle = nullptr;
        const bool quiet = !hostility.active && now >= tally.eventsSettled;
        if (quiet && chaseExpected(run, vehicle)) {
            const std::string wrong = misplacement(run, *vehicle);
            const double waited = now - tally.recoveryStarted;
            if (tally.waitingForRecovery && (wrong.empty() || waited >= kRecoverySeconds)) {
                tally.waitingForRecovery = false;
                ++report.recoveries;
                if (!wrong.empty()) addFinding(frame, wrong + ", a second after good data returned");
                if (chaseAhead(run, *vehicle)) ++report.aheadAfterRecovery;
            } else if (!tally.waitingForRecovery && !wrong.empty() && now - tally.calmSince >= kRecoverySeconds) {
                addFinding(frame, wrong + ", on a quiet frame");
            }
        } else if (!quiet) {
            tally.waitingForRecovery = false;  // something else moves the camera now
        }
    };
    run.session.onRow = [&, write = run.session.onRow](const TraceRow& row) {
        if (write) write(row);
        judgeFrame();
    };
    run.start();
    while (!run.finished()) {
        const double now = run.world.wallClock;
        // The game's mood for this frame.
        if (options.hostile) {
            if (hostility.active && now >= tally.hostileUntil) {
                hostility.active = false;
                tally.calmUntil = now + dice.real(1.5, 5.0);
                tally.waitingForRecovery = true;
                tally.recoveryStarted = now;
            } else if (!hostility.active && now >= tally.calmUntil) {
                hostility.active = true;
                hostility.rate = dice.real(0.02, 0.6);
                tally.hostileUntil = now + dice.real(0.1, 3.0);
            }
        }
        for (const auto& [handle, camera] : run.world.cameras)
            if (std::find(hostility.knownHandles.begin(), hostility.knownHandles.end(), handle) ==
                hostility.knownHandles.end())
                hostility.knownHandles.push_back(handle);

        const bool more = run.step();
        if (run.error() || !more) break;
    }
    ++report.runs;
    report.spoiledAnswers += hostility.spoiledAnswers;
    report.refusedReads += hostility.refusedReads;
    report.clockJumps += hostility.clockJumps;
}

}  // namespace

ChaosReport runChaos(const ChaosOptions& options, const std::function<void(const ChaosReport&)>& progress) {
    ChaosReport report;
    for (int i = 0; i < options.runs; ++i) {
        playOne(options.seed + static_cast<std::uint64_t>(i), options, report);
        if (progress) progress(report);
    }
    return report;
}

std::string formatChaosReport(const ChaosOptions& options, const ChaosReport& report) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "chaos: %d runs of %d frames from seed %llu, %s\n"
                  "  frames played         %lld (%lld while the game answered badly, %lld with the camera shown)\n"
                  "  answers spoiled       %lld natives, %lld memory reads refused, %lld clock stalls\n"
                  "  native calls          %lld\n"
                  "  recoveries checked    %d (the camera back at the car a second after good data;\n"
                  "                        %d of them with the chase camera still ahead of it)\n"
                  "  cameras under ground  %d frames\n"
                  "  broken promises       %lld (the first of each run below)\n",
                  report.runs, options.framesPerRun, static_cast<unsigned long long>(options.seed),
                  options.hostile ? "hostile game" : "sound game", report.frames, report.hostileFrames,
                  report.framesWithCamera, report.spoiledAnswers, report.refusedReads, report.clockJumps,
                  report.nativeCalls, report.recoveries, report.aheadAfterRecovery, report.camerasUnderGround,
                  report.faultyFrames);
    std::string out = text;
    for (const ChaosFinding& f : report.findings)
        out += "  FAULT seed " + std::to_string(f.seed) + " frame " + std::to_string(f.frame) + ": " + f.what + "\n";
    return out;
}

}  // namespace velmora::sim
