#include "input/look_input.h"

#include "shell/velmora.h"

namespace velmora {

// Look input lands with the chase camera; until then no look is requested.
void updateLookInputActivity(Velmora&) {}
void updateLookInput(Velmora&) {}

}  // namespace velmora
