// The host runtime seam: the seven functions of the script runtime, held as a table of
// function pointers. The Windows backend fills it from ScriptHookV.dll; the simulated
// host fills it with its own world. Everything above this table is portable.
#pragma once

#include <cstdint>

namespace velmora {

using ScriptFunction = void (*)();

struct HostRuntime {
    void (*scriptRegister)(void* module, ScriptFunction script);       // once, on process attach
    void (*scriptUnregister)(void* module);                            // once, on process detach
    void (*scriptWait)(std::uint32_t milliseconds);                    // yields the script fibre
    void (*nativeInit)(std::uint64_t hash);                            // begins a native call
    void (*nativePush64)(std::uint64_t value);                         // appends one argument slot
    std::uint64_t* (*nativeCall)();                                    // runs it; returns the result area
    std::uint8_t* (*getScriptHandleBaseAddress)(std::int32_t handle);  // entity memory, or null
};

}  // namespace velmora
