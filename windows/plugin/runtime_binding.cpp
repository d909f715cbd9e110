#include "runtime_binding.h"

namespace velmora::win {

bool bindRuntime(void* module, ExportLookup lookup, HostRuntime& runtime) {
    if (module == nullptr) return false;
    std::array<void*, kRuntimeExportNames.size()> found{};
    for (std::size_t i = 0; i < found.size(); ++i) {
        found[i] = lookup(module, kRuntimeExportNames[i]);
        if (found[i] == nullptr) return false;
    }
    HostRuntime bound;
    bound.scriptRegister = reinterpret_cast<decltype(bound.scriptRegister)>(found[0]);
    bound.scriptUnregister = reinterpret_cast<decltype(bound.scriptUnregister)>(found[1]);
    bound.scriptWait = reinterpret_cast<decltype(bound.scriptWait)>(found[2]);
    bound.nativeInit = reinterpret_cast<decltype(bound.nativeInit)>(found[3]);
    bound.nativePush64 = reinterpret_cast<decltype(bound.nativePush64)>(found[4]);
    bound.nativeCall = reinterpret_cast<decltype(bound.nativeCall)>(found[5]);
    bound.getScriptHandleBaseAddress = reinterpret_cast<decltype(bound.getScriptHandleBaseAddress)>(found[6]);
    runtime = bound;
    return true;
}

}  // namespace velmora::win
