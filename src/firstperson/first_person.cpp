#include "firstperson/first_person.h"

#include "shell/velmora.h"

namespace velmora {

// The first-person camera lands after the chase cameras; until then the step does nothing.
void updateFirstPersonCamera(Velmora&) {}

}  // namespace velmora
