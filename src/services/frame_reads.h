// The game's values that hold all frame (the frame time, the time step and the look-behind
// control), read once a frame and shared by the driver and both cameras.
#pragma once

namespace velmora {

struct Velmora;

// The game answers these alike until the frame ends (and the vehicle-change wait ends one,
// so the driver clears them and they are read anew).
struct FrameReads {
    bool haveFrameTime = false;
    float frameTime = 0.0f;  // seconds, GET_FRAME_TIME
    bool haveTimestep = false;
    float timestep = 0.0f;  // seconds, TIMESTEP
    bool haveLookBehind = false;
    bool lookBehind = false;  // control 26 held
};

float frameTimeNow(Velmora& v);
float frameTimestepNow(Velmora& v);
bool lookBehindHeldNow(Velmora& v);

}  // namespace velmora
