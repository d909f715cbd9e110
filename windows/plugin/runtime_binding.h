// Binds the script runtime's seven functions from the loaded ScriptHookV.dll. The runtime
// exports them under MSVC-decorated C++ names, which MinGW cannot produce from
// declarations, so they are looked up by name instead of linked.
#pragma once

#include <array>

#include "shell/runtime.h"

namespace velmora::win {

inline constexpr const char* kRuntimeModuleName = "ScriptHookV.dll";

// The exported names, in the order of the fields of HostRuntime.
inline constexpr std::array<const char*, 7> kRuntimeExportNames = {
    "?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z",
    "?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z",
    "?scriptWait@@YAXK@Z",
    "?nativeInit@@YAX_K@Z",
    "?nativePush64@@YAX_K@Z",
    "?nativeCall@@YAPEA_KXZ",
    "?getScriptHandleBaseAddress@@YAPEAEH@Z",
};

// Finds one export of a module, or answers null (GetProcAddress on Windows).
using ExportLookup = void* (*)(void* module, const char* name);

// Fills the table from the module, all or nothing: when the module is null or lacks any of
// the seven, the table is left as it was and the answer is false, so a plug-in loaded
// without the runtime stays inert instead of calling through a null pointer.
bool bindRuntime(void* module, ExportLookup lookup, HostRuntime& runtime);

}  // namespace velmora::win
