#include "gears/gears.h"

#include "shell/velmora.h"

namespace velmora {

void linkGears(Velmora& v) {
    GearsLink& g = v.gears;
    g.gearsModule = v.platform.getModuleHandle("Gears.asi");
    if (g.gearsModule == nullptr) return;
    g.gearsLinked = true;
    for (std::size_t i = 0; i < kGearsExportNames.size(); ++i)
        g.exports[i] = v.platform.getProcAddress(g.gearsModule, kGearsExportNames[i]);
}

void unlinkGears(Velmora& v) {
    if (v.gears.gearsModule != nullptr) v.gears.gearsLinked = false;
}

bool gearsLooking(const Velmora& v, GearsLook look) {
    void* address = v.gears.exports[static_cast<std::size_t>(look)];
    if (address == nullptr) return false;
    return reinterpret_cast<bool (*)()>(address)();
}

}  // namespace velmora
