#include "menu/menu.h"

#include "shell/velmora.h"

namespace velmora {

// The menu has an issue of its own; until it lands the step does nothing.
void menuStep(Velmora&) {}

}  // namespace velmora
