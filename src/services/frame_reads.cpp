#include "services/frame_reads.h"

#include <cmath>
#include <cstdint>

#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr std::int32_t kControlGroup = 0;
constexpr std::int32_t kLookBehindControl = 26;

// A frame time the game cannot mean (not a number, infinite, negative) is a frame in which
// no time passed: every follower stands still instead of taking the broken value in.
float soundSeconds(float seconds) { return std::isfinite(seconds) && seconds > 0.0f ? seconds : 0.0f; }

}  // namespace

float frameTimeNow(Velmora& v) {
    FrameReads& r = v.reads;
    if (!r.haveFrameTime) r.frameTime = soundSeconds(invoke(v.runtime, natives::frameTime)), r.haveFrameTime = true;
    return r.frameTime;
}

float frameTimestepNow(Velmora& v) {
    FrameReads& r = v.reads;
    if (!r.haveTimestep) r.timestep = soundSeconds(invoke(v.runtime, natives::frameTimestep)), r.haveTimestep = true;
    return r.timestep;
}

bool lookBehindHeldNow(Velmora& v) {
    FrameReads& r = v.reads;
    if (!r.haveLookBehind)
        r.lookBehind = invoke(v.runtime, natives::isControlPressed, kControlGroup, kLookBehindControl),
        r.haveLookBehind = true;
    return r.lookBehind;
}

}  // namespace velmora
