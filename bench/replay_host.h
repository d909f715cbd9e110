// A zero-cost host for benchmarks: a frame's native calls are recorded once from the
// simulated game, then answered from that table, so that a timed frame measures the
// plug-in's own work and nothing of the game's.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "host/platform.h"
#include "host/runtime.h"

namespace velmora::bench {

struct RecordedCall {
    std::uint64_t hash = 0;
    std::array<std::uint64_t, 3> result{};  // the result area as the game left it
    // What the game wrote through the out-parameters: by argument place, up to four.
    std::array<std::uint8_t, 4> outPlace{};
    std::array<std::uint8_t, 4> outSize{};
    std::array<std::array<std::uint8_t, 24>, 4> outBytes{};
    std::uint8_t outCount = 0;
    std::uint8_t slotCount = 0;  // argument slots pushed
};

struct Recording {
    std::vector<RecordedCall> calls;
};

// Wraps a runtime: every call goes on to it and is written down, result and out-parameters.
// One recorder at a time.
HostRuntime recordingRuntime(const HostRuntime& inner, Recording& into);

// Answers the recorded calls in order, again and again: rewind before each frame. A call of
// another native than the recording has at that place, or one call too many, is counted as a
// divergence and answered with zeros.
HostRuntime replayRuntime(const Recording& recording);
void rewindReplay();
std::size_t replayedCalls();      // since the last rewind
std::size_t replayDivergences();  // since the replay began

// Makes the recorded calls through the runtime with nothing around them: what the replay
// host itself costs a frame, to tell apart from the plug-in's own work.
void callThrough(const HostRuntime& runtime, const Recording& recording);

// A platform with no key held, the game in front, and a performance counter the benchmark
// moves on by one 60 Hz frame with advanceReplayClock.
Platform replayPlatform();
void advanceReplayClock();

}  // namespace velmora::bench
