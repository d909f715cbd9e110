#include "gears/gears.h"

#include "shell/velmora.h"

namespace velmora {

// The link lands with the look input; until then Gears.asi is not looked for.
void linkGears(Velmora&) {}
void unlinkGears(Velmora&) {}

}  // namespace velmora
