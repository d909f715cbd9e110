// The near, medium and far chase cameras.
#pragma once

namespace velmora {

struct Velmora;

void updateChaseCamera(Velmora& v);
void refreshAttachment(Velmora& v);

}  // namespace velmora
