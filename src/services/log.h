// Velmora.log: what happened, for a player who has to ask. Each line is the time since
// start, a level and one sentence, handed to the platform's log sink. Start-up, reloads,
// toggles and the camera's comings and goings write a line each; a fault guarded every frame
// writes when it begins and then at most once per quiet spell; a steady frame writes nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/natives.h"

namespace velmora {

struct Velmora;

enum class LogLevel : std::uint8_t { Info, Warning, Error };

// The log stops here, its last line saying so: a game left running for days with a fault
// that keeps coming back must not fill the disk.
inline constexpr std::size_t kLogCapBytes = std::size_t{256} * 1024;
// A guarded fault that keeps happening writes again only after this many seconds.
inline constexpr double kFaultQuietSeconds = 10.0;

// Faults the plug-in guards against every frame.
enum class LogFault : std::uint8_t {
    ChasePoseHeldBack,        // the chase camera's pose was not finite or out of the world
    FirstPersonPoseHeldBack,  // the same for first person
    LookBehindPoseHeldBack,   // the same for the look-behind view
    CameraNotMade,            // the game made no scripted camera
    MemoryRefused,            // a game-memory address the OS says cannot be read or written
    Count
};

struct FaultLatch {
    double lastWritten = -1.0;    // seconds since start; negative: never written
    std::uint32_t unwritten = 0;  // occurrences since the last line
};

struct LogState {
    bool started = false;
    std::int64_t startTicks = 0;  // performance counter at start-up
    std::size_t written = 0;      // bytes handed to the sink
    bool full = false;            // the cap was reached and said so
    std::array<FaultLatch, static_cast<std::size_t>(LogFault::Count)> faults{};
    Entity unsupportedVehicle = 0;  // the last unsupported vehicle logged, so it is said once
};

// Starts the clock the lines are timed by; start-up calls it first.
void startLog(Velmora& v);

// Writes one line: "   12.345  warning  sentence".
void logLine(Velmora& v, LogLevel level, std::string_view sentence);

// A line with printf-style numbers in it.
[[gnu::format(printf, 3, 4)]] void logFormat(Velmora& v, LogLevel level, const char* format, ...);

// A guarded fault: written the first time, then once per kFaultQuietSeconds at most with
// the count of those not written.
void logFault(Velmora& v, LogFault fault, std::string_view sentence);

}  // namespace velmora
