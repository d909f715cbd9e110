// Velmora.asi: the library entry and the script the runtime runs on its fibre.
#include <windows.h>

#include "gears/gears.h"
#include "runtime_binding.h"
#include "shell/camera.h"
#include "shell/frame_driver.h"
#include "shell/velmora.h"
#include "win32_platform.h"

namespace {

// The plug-in's one instance; the process-wide state lives here for the life of the process.
velmora::Velmora plugin;
bool scriptRegistered = false;  // the runtime was found at attach and runs the script

void* lookUpExport(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void scriptMain() {
    velmora::startup(plugin);
    for (;;) {
        velmora::frameTick(plugin);
        plugin.runtime.scriptWait(0);
    }
}

void attach(HMODULE module) {
    plugin.platform = velmora::win::win32Platform();
    // The runtime loads its plug-ins itself, so it is already in the process; a Velmora.asi
    // loaded anywhere else finds no runtime and stays inert.
    scriptRegistered =
        velmora::win::bindRuntime(GetModuleHandleA(velmora::win::kRuntimeModuleName), lookUpExport, plugin.runtime);
    if (scriptRegistered) plugin.runtime.scriptRegister(module, scriptMain);
}

void detach(HMODULE module) {
    if (!scriptRegistered) return;
    velmora::releaseCamera(plugin);
    velmora::unlinkGears(plugin);
    plugin.runtime.scriptUnregister(module);
    scriptRegistered = false;
}

}  // namespace

// C linkage: the C runtime's start-up code calls the entry by its plain name.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) attach(module);
    if (reason == DLL_PROCESS_DETACH) detach(module);
    return TRUE;
}
