// Velmora.asi: the library entry and the script the runtime runs on its fibre.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "gears/gears.h"
#include "plugin/frame_driver.h"
#include "plugin/velmora.h"
#include "runtime_imports.h"
#include "services/camera.h"
#include "win32_platform.h"

namespace {

// The plug-in's one instance; the process-wide state lives here for the life of the process.
velmora::Velmora plugin;

void scriptMain() {
    velmora::startup(plugin);
    for (;;) {
        velmora::frameTick(plugin);
        plugin.runtime.scriptWait(0);
    }
}

// The table the core calls the runtime through, filled from the import table. Where the
// Windows types differ from the table's portable ones only in name (HMODULE, DWORD), a
// captureless lambda converts; the others are taken as they are, so that the compiler
// checks their types against the table.
velmora::HostRuntime importedRuntime() {
    velmora::HostRuntime runtime{};
    runtime.scriptRegister = [](void* module, velmora::ScriptFunction script) {
        ::scriptRegister(static_cast<HMODULE>(module), script);
    };
    runtime.scriptUnregister = [](void* module) { ::scriptUnregister(static_cast<HMODULE>(module)); };
    runtime.scriptWait = [](std::uint32_t milliseconds) { ::scriptWait(milliseconds); };
    runtime.nativeInit = ::nativeInit;
    runtime.nativePush64 = ::nativePush64;
    runtime.nativeCall = ::nativeCall;
    runtime.getScriptHandleBaseAddress = ::getScriptHandleBaseAddress;
    return runtime;
}

// The loader runs this only once ScriptHookV.dll, which Velmora.asi imports, is loaded:
// without it the loader refuses the plug-in, so the script is always registered here.
void attach(HMODULE module) {
    plugin.platform = velmora::win::win32Platform();
    plugin.runtime = importedRuntime();
    plugin.runtime.scriptRegister(module, scriptMain);
}

void detach(HMODULE module) {
    velmora::releaseCamera(plugin, velmora::ReleaseReason::Unloaded);
    velmora::unlinkGears(plugin);
    plugin.runtime.scriptUnregister(module);
    velmora::logLine(plugin, velmora::LogLevel::Info, "unloaded");
    velmora::win::closeLog();
}

}  // namespace

// The C++ library's default terminate handler names the escaping exception's type, and
// for that links in a 45 KB demangler. The game has no console to print it on and nothing
// of ours throws across the frame, so ending the way the handler ends anyway is enough.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The C++ library's helpers for the errors our containers can raise: a size beyond what
// can be allocated, a string made from a null pointer. Its own versions link in its every
// exception class, their strings and its random device (some 60 KB). Nothing of ours tells
// these errors apart, so each is raised as the one the allocator raises anyway.
namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_length_error(const char*) { throw std::bad_alloc(); }
void __throw_logic_error(const char*) { throw std::bad_alloc(); }
}  // namespace std

// C linkage: the C runtime's start-up code calls the entry by its plain name.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) attach(module);
    if (reason == DLL_PROCESS_DETACH) detach(module);
    return TRUE;
}
