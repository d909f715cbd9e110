// The chaos campaign: random valid scenarios played by the plug-in in a game that, at
// times, answers badly (sim/hostile.h), with the promises a camera plug-in must keep
// checked on every frame.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora::sim {

class Simulation;

// A random scenario the loader takes: vehicles of every kind, the player getting in and out
// mid-transition, vehicles removed while seated or answering broken data, pauses, focus
// loss, toggles and reloads mid-blend, huge speeds, pitch up to 90 and roll 180, trailers
// hooked and unhooked quickly, frame times from 0 to 1 s.
std::string randomScenarioText(std::uint64_t seed, int frames);

struct ChaosOptions {
    std::uint64_t seed = 1;  // the first run's; run i plays seed + i
    int runs = 10;
    int framesPerRun = 3000;
    bool hostile = true;    // the game answers badly at times
    std::string tracePath;  // when set, the first run's trace is written here
};

struct ChaosFinding {
    std::uint64_t seed = 0;
    int frame = 0;
    std::string what;
};

struct ChaosReport {
    int runs = 0;
    long long frames = 0;
    long long hostileFrames = 0;     // frames while the game answered badly
    long long framesWithCamera = 0;  // frames with the plug-in's camera shown
    long long spoiledAnswers = 0;    // native answers spoiled
    long long refusedReads = 0;      // readable memory reported unreadable
    long long clockJumps = 0;
    long long nativeCalls = 0;
    int recoveries = 0;                  // times good data returned and the camera was checked
    int aheadAfterRecovery = 0;          // recoveries with the chase camera still ahead of the car
    int camerasUnderGround = 0;          // frames the game would show a camera below the ground
    long long faultyFrames = 0;          // broken promises, all told
    std::vector<ChaosFinding> findings;  // the first few of each run
};

// The promises of one finished frame: every scripted camera's pose finite and in the world,
// its field of view within 1..130, at most one camera, no run error. Empty when all hold.
std::vector<std::string> frameFaults(const Simulation& run);

// Plays the campaign; `progress`, when given, hears after each run.
ChaosReport runChaos(const ChaosOptions& options, const std::function<void(const ChaosReport&)>& progress = {});

// The report as the tool prints it.
std::string formatChaosReport(const ChaosOptions& options, const ChaosReport& report);

}  // namespace velmora::sim
