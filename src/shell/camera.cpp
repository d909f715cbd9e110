#include "shell/camera.h"

#include "shell/velmora.h"

namespace velmora {

// The scripted camera arrives with the chase camera; until then the game's camera stays in
// charge and these steps do nothing.
void createCamera(Velmora&) {}
void releaseCamera(Velmora&) {}
void applyModeSettings(Velmora&) {}
void patchModelFlags(Velmora&, Entity) {}
void probeGameView(Velmora&) {}

}  // namespace velmora
