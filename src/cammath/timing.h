// Time for the cameras: the wall clock they read, and the rules by which their followers and
// per-frame steps take a frame's time. Every follower was tuned at 60 frames a second; its
// step composes over time (two frames of dt move it as far as one of 2·dt), so the camera is
// the same at any frame rate and, at exactly 60, the one it was tuned to be.
#pragma once

#include <cstdint>

namespace velmora {

// The frame the cameras were tuned at: 1/60 s, as the game's frame time gives it.
inline constexpr float kStepAt60 = 1.0f / 60.0f;
// What the chase camera and the menu took for the wall-clock frame time while the
// first-person camera was not measuring it: 0.016 s a frame, so 0.016 for each 1/60 s.
inline constexpr float kStandInStepAt60 = 0.016f;

// The wall clock: this frame's length, read once a frame, and the first-person camera's own
// measurement of it with the time scale.
struct FrameClock {
    float RealFrameSeconds = 0.016f;    // seconds, the first-person camera's last measured frame
    float timeScale = 1.0f;             // game time over wall-clock time, 0.05..1; first person
    float wallSeconds = kStepAt60;      // seconds, wall-clock time since the last frame tick, 0.0001..0.2
    std::int64_t counter = 0;           // performance-counter ticks read at this frame tick; 0 = none yet
    std::int64_t lastCounter = 0;       // ticks at the first-person camera's last measurement; 0 = none
    std::int64_t counterFrequency = 0;  // ticks per second, read once
    std::uint32_t frameTicks = 0;       // frame ticks so far; set by the frame driver
    std::uint32_t measuredTick = 0;     // the frame tick of the first-person camera's last measurement
};

// Reads the clock at the start of a frame tick: wallSeconds becomes the time since the last
// tick (kStepAt60 on the first), at least 0.0001 and at most 0.2 s.
void tickFrameClock(FrameClock& clock, std::int64_t counter, std::int64_t frequency);

// A frame's time as a follower takes it: `steps` steps of `stepAt60` each, the step it was
// tuned to take once per 1/60 s. A frame of 1/60 s is one step; a frame of no time, none.
struct FrameSteps {
    float stepAt60 = kStepAt60;  // seconds the follower's rate is applied over in one step
    float steps = 1.0f;          // steps this frame makes
};

// A check made about once a second, counted down in game time.
struct PeriodicCheck {
    float timer = 1.0f;  // seconds left, counted down a frame at a time (the plain form)
    double clock = 0.0;  // seconds since the last check (the composing form)
};

// The timing rules, one table per plug-in instance. A test may put the plain per-frame forms
// in (every frame one step of its own length, the wall clock stood in for), to show that at
// 60 frames a second the camera is exactly the same.
struct FrameTiming {
    // The steps of a frame of `seconds` for a follower tuned on steps of `stepAt60`.
    FrameSteps (*steps)(float seconds, float stepAt60) = nullptr;
    // The wall-clock steps the chase camera and the menu count this frame.
    FrameSteps (*wallClock)(const FrameClock& clock) = nullptr;
    // Counts a frame of a once-a-second check: how late the check is due (seconds, 0 or
    // more), or -1 when it is not due this frame.
    float (*periodicCheck)(PeriodicCheck& check, const FrameSteps& steps) = nullptr;
};

FrameSteps composedSteps(float seconds, float stepAt60);  // seconds / (1/60 s) steps
FrameSteps composedWallClock(const FrameClock& clock);    // wallSeconds, stood in at 0.016 per step
// Due every 62/60 s of game time, as the check tuned at 60 frames a second is (its 1 s, counted
// down by 60ths in float, runs out on the 61st and is checked on the frame after), on the
// first frame at or past the moment.
float composedPeriodicCheck(PeriodicCheck& check, const FrameSteps& steps);
FrameTiming composedTiming();

// The weight of a follower x += (target − x)·weight moving at `rate` per second: one step
// moves it clamp(rate·stepAt60, 0, 1) of the way (a long step lands on the target rather than
// past it), and `steps` steps compose; 0 for a frame of no time or a rate that is negative or
// not a number.
float followWeight(float rate, const FrameSteps& steps);
// A weight given per step, composed over the frame's steps.
float composedWeight(float weightPerStep, const FrameSteps& steps);
// The seconds a timer counts this frame: steps of stepAt60.
inline float countedSeconds(const FrameSteps& s) { return s.stepAt60 * s.steps; }
// A timer set to `seconds` on a frame that also counts it down: set so that it has as long
// left at the frame's end as at 60 frames a second (where the frame takes 1/60 s off it).
inline float startedTimer(float seconds, const FrameSteps& s) { return seconds - (s.stepAt60 - countedSeconds(s)); }

struct Velmora;
// This game frame's time as the plug-in's followers take it (v.timing over the frame time).
FrameSteps frameSteps(Velmora& v);

}  // namespace velmora
