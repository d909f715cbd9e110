// The look keys, the look-back request and the activity of the analogue look controls, as
// three per-frame values both cameras read.
#pragma once

namespace velmora {

struct Velmora;

struct LookInput {
    float lookKeyAxis = 0.0f;      // -1..1: look-left drives it toward +1, look-right toward -1
    bool lookBackHeld = false;     // a look back is requested this frame
    bool lookInputActive = false;  // an analogue look control is away from rest this frame
};

void updateLookInputActivity(Velmora& v);
void updateLookInput(Velmora& v);

}  // namespace velmora
