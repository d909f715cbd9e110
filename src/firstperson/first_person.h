// Velmora's own first-person camera.
#pragma once

namespace velmora {

struct Velmora;

void updateFirstPersonCamera(Velmora& v);

}  // namespace velmora
