#include "thirdperson/chase_camera.h"

#include "shell/velmora.h"

namespace velmora {

// The chase camera is the next piece to land; until then the frame reaches these steps and
// they leave the game's camera alone.
void updateChaseCamera(Velmora&) {}
void refreshAttachment(Velmora&) {}

}  // namespace velmora
