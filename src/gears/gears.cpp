#include "gears/gears.h"

#include <string>

#include "plugin/velmora.h"

namespace velmora {

void linkGears(Velmora& v) {
    GearsLink& g = v.gears;
    g.gearsModule = v.platform.getModuleHandle("Gears.asi");
    if (g.gearsModule == nullptr) {
        logLine(v, LogLevel::Info, "Gears.asi is not loaded: the look keys work on their own");
        return;
    }
    g.gearsLinked = true;
    for (std::size_t i = 0; i < kGearsExportNames.size(); ++i)
        g.exports[i] = v.platform.getProcAddress(g.gearsModule, kGearsExportNames[i]);
    // Only the three looks are used; a version without one of them just does not look that way.
    std::string missing;
    for (const GearsLook look : {GearsLook::Left, GearsLook::Right, GearsLook::Back}) {
        const auto i = static_cast<std::size_t>(look);
        if (g.exports[i] == nullptr) missing += std::string(missing.empty() ? "" : ", ") + kGearsExportNames[i];
    }
    if (missing.empty()) {
        logLine(v, LogLevel::Info, "Gears.asi linked: its look requests are used");
    } else {
        logLine(v, LogLevel::Warning, "Gears.asi linked, but it lacks " + missing + ": those looks are not used");
    }
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
