// The in-game settings menu.
#pragma once

namespace velmora {

struct Velmora;

void menuStep(Velmora& v);

}  // namespace velmora
