// The script runtime's seven functions, imported from ScriptHookV.dll at link time. An ASI
// loader loads only the .asi files of the game folder; importing the runtime is what brings
// ScriptHookV.dll into the process, and it is loaded by the time our library entry runs.
//
// The runtime exports them under MSVC-decorated C++ names. MSVC produces those names from
// the declarations below (the types are the ones it decorates into them), so there they
// keep C++ linkage. MinGW's g++ decorates differently: there they have C linkage, and the
// import library made from scripthookv-mingw.def maps each plain name to the decorated
// export.
#pragma once

#include <windows.h>

#if defined(_MSC_VER)
#define VELMORA_RUNTIME_IMPORT __declspec(dllimport)
#else
#define VELMORA_RUNTIME_IMPORT extern "C" __declspec(dllimport)
#endif

VELMORA_RUNTIME_IMPORT void scriptRegister(HMODULE module, void (*script)());
VELMORA_RUNTIME_IMPORT void scriptUnregister(HMODULE module);
VELMORA_RUNTIME_IMPORT void scriptWait(DWORD milliseconds);
VELMORA_RUNTIME_IMPORT void nativeInit(UINT64 hash);
VELMORA_RUNTIME_IMPORT void nativePush64(UINT64 value);
VELMORA_RUNTIME_IMPORT PUINT64 nativeCall();
VELMORA_RUNTIME_IMPORT BYTE* getScriptHandleBaseAddress(int handle);

#undef VELMORA_RUNTIME_IMPORT
