// The link to the manual-transmission plug-in Gears.asi, when it is loaded in the process.
#pragma once

namespace velmora {

struct Velmora;

struct GearsLink {
    void* gearsModule = nullptr;  // the loaded Gears.asi, or null
    bool gearsLinked = false;     // bound at start-up
};

void linkGears(Velmora& v);
void unlinkGears(Velmora& v);

}  // namespace velmora
