// The test host of the Wine tests: a stand-in for the game process. It loads Velmora.asi
// alone with LoadLibrary, as an ASI loader does, so that the loader brings in the runtime
// stand-in (our ScriptHookV.dll, lying beside it) for the plug-in's imports and runs the
// plug-in's library entry for real; plays a scenario one game frame at a time, the
// plug-in's script running on a fibre that its scriptWait leaves; writes the trace; unloads
// the plug-in, so that its detach runs; and checks what the game would have seen.
//
//   velmora-wine-host SCENARIO [--ini PATH] [--frames N] [--trace PATH]
//   velmora-wine-host --without-runtime    (in a folder that holds no ScriptHookV.dll)
//
// Exit status: 0 when every check holds, 1 when one fails, 2 when the run cannot be set up.
//
// The plug-in reads keys and focus with the real Win32 calls, so the scenario's keys are
// typed with SendInput and its focus changes move the foreground window: the Wine prefix
// needs a display driver that lets a window take the focus (Wine's null driver does).
//
// The simulated world lives in the runtime stand-in, not here: the plug-in's memory probes
// scan this executable's image, which must not hold the code patterns the simulated world
// writes into its own fake image.
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "standin_api.h"

namespace {

constexpr const char* kStartupNotification = "~y~Velmora~w~ is running.   ~y~F11~w~ to open settings";

struct Options {
    std::string scenario;
    std::string iniPath;
    std::string tracePath;
    int frames = 0;
    bool withoutRuntime = false;
};

// The runtime stand-in's test interface, looked up by name once the plug-in has brought it in.
struct StandinApi {
    decltype(&standinOpen) open = nullptr;
    decltype(&standinGearsPresent) gearsPresent = nullptr;
    decltype(&standinRunFrame) runFrame = nullptr;
    decltype(&standinError) error = nullptr;
    decltype(&standinWriteTrace) writeTrace = nullptr;
    decltype(&standinNotification) notification = nullptr;
    decltype(&standinGetStatus) getStatus = nullptr;
    decltype(&standinGetInput) getInput = nullptr;
    decltype(&standinSummary) summary = nullptr;
};

// What the OS has been told of the player's input so far.
struct InputMirror {
    HWND window = nullptr;         // the game's window
    bool focus = true;             // it has the focus
    std::array<bool, 256> down{};  // virtual keys held down
};

int failures = 0;

void check(bool holds, const char* what) {
    std::printf("%s: %s\n", holds ? "ok" : "FAILED", what);
    if (!holds) ++failures;
}

std::string besideHost(const char* fileName) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + fileName;
}

template <class F>
bool lookUp(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function == nullptr) std::fprintf(stderr, "velmora-wine-host: the runtime stand-in lacks %s\n", name);
    return function != nullptr;
}

bool loadStandin(HMODULE module, StandinApi& api) {
    return lookUp(module, "standinOpen", api.open) && lookUp(module, "standinGearsPresent", api.gearsPresent) &&
           lookUp(module, "standinRunFrame", api.runFrame) && lookUp(module, "standinError", api.error) &&
           lookUp(module, "standinWriteTrace", api.writeTrace) &&
           lookUp(module, "standinNotification", api.notification) &&
           lookUp(module, "standinGetStatus", api.getStatus) && lookUp(module, "standinGetInput", api.getInput) &&
           lookUp(module, "standinSummary", api.summary);
}

// The game's window, brought to the front; null when no window can take the focus.
HWND showGameWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VelmoraWineHostGame";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "game", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return nullptr;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    return GetForegroundWindow() == window ? window : nullptr;
}

void sendKey(int virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    switch (virtualKey) {
        case VK_LBUTTON:
            input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
            break;
        case VK_RBUTTON:
            input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
            break;
        case VK_MBUTTON:
            input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
            break;
        case VK_XBUTTON1:
        case VK_XBUTTON2:
            input.mi.dwFlags = down ? MOUSEEVENTF_XDOWN : MOUSEEVENTF_XUP;
            input.mi.mouseData = virtualKey == VK_XBUTTON1 ? XBUTTON1 : XBUTTON2;
            break;
        default:
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>(virtualKey);
            input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(1, &input, sizeof input);
}

// Makes the OS's keys and focus those of the scenario's current frame. Answers false when
// the OS does not show them afterwards.
bool mirrorInput(const StandinInput& wanted, InputMirror& mirror) {
    const bool focus = wanted.focus != 0;
    if (focus != mirror.focus) {
        SetForegroundWindow(focus ? mirror.window : GetDesktopWindow());  // the desktop: no window has it
        mirror.focus = focus;
    }
    bool shown = (GetForegroundWindow() == mirror.window) == focus;
    for (int key = 1; key < 256; ++key) {
        const bool down = wanted.keys[key] != 0;
        if (down == mirror.down[static_cast<std::size_t>(key)]) continue;
        sendKey(key, down);
        mirror.down[static_cast<std::size_t>(key)] = down;
        shown = shown && ((GetAsyncKeyState(key) & 0x8000) != 0) == down;
    }
    return shown;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Velmora.asi in a folder without the runtime, as a player may have installed it: the
// loader must refuse it for its missing import, as it refuses every script of the runtime,
// and no ScriptHookV.dll may come in from anywhere else.
int runWithoutRuntime() {
    // A missing Velmora.asi would be refused with the same error, and a runtime beside it
    // would be found: either way the check would prove nothing.
    if (!exists(besideHost("Velmora.asi")) || exists(besideHost("ScriptHookV.dll"))) {
        std::fprintf(stderr,
                     "velmora-wine-host: --without-runtime needs Velmora.asi beside it, and no "
                     "ScriptHookV.dll\n");
        return 2;
    }
    check(GetModuleHandleA("ScriptHookV.dll") == nullptr, "no runtime is loaded before the plug-in");
    SetLastError(ERROR_SUCCESS);
    HMODULE plugin = LoadLibraryA(besideHost("Velmora.asi").c_str());
    const DWORD error = GetLastError();
    std::printf("LoadLibrary(Velmora.asi) without ScriptHookV.dll: %s, error %lu\n", plugin ? "loaded" : "refused",
                static_cast<unsigned long>(error));
    check(plugin == nullptr && error == ERROR_MOD_NOT_FOUND,
          "the loader refuses Velmora.asi with ERROR_MOD_NOT_FOUND (126)");
    check(GetModuleHandleA("ScriptHookV.dll") == nullptr, "no ScriptHookV.dll got loaded");
    if (plugin != nullptr) FreeLibrary(plugin);
    return failures == 0 ? 0 : 1;
}

int runScenario(const Options& options) {
    check(GetModuleHandleA("ScriptHookV.dll") == nullptr, "no runtime is loaded before the plug-in");
    HMODULE plugin = LoadLibraryA(besideHost("Velmora.asi").c_str());
    if (plugin == nullptr)
        std::printf("LoadLibrary(Velmora.asi): error %lu\n", static_cast<unsigned long>(GetLastError()));
    check(plugin != nullptr, "Velmora.asi loads");
    if (plugin == nullptr) return 1;

    // The plug-in's import brought the runtime in. The host takes a reference of its own, so
    // that the stand-in outlives the plug-in's unloading and can still be asked afterwards.
    HMODULE runtimeModule = nullptr;
    check(GetModuleHandleExA(0, "ScriptHookV.dll", &runtimeModule) != 0, "loading Velmora.asi loads ScriptHookV.dll");
    StandinApi api;
    if (runtimeModule == nullptr || !loadStandin(runtimeModule, api)) {
        std::fprintf(stderr, "velmora-wine-host: the ScriptHookV.dll loaded is not the runtime stand-in\n");
        return 2;
    }
    StandinStatus status{};
    api.getStatus(&status);
    check(status.registrations == 1 && status.registeredModule == plugin,
          "the library entry registers one script with the plug-in's module handle");
    // How many of Velmora.asi's counter imports now read the simulated world's wall clock;
    // the scenario test holds it to both functions.
    std::printf("Velmora.asi performance counter imports redirected: %d\n", status.counterImportsRedirected);

    // The scenario opens after the registration; the stand-in keeps the scripts registered
    // before (the run below would stop on "no script is registered" otherwise).
    char message[512] = "";
    if (!api.open(options.scenario.c_str(), options.iniPath.empty() ? nullptr : options.iniPath.c_str(), options.frames,
                  message, sizeof message)) {
        std::fprintf(stderr, "velmora-wine-host: %s\n", message);
        return 2;
    }
    // Gears.asi comes in after Velmora.asi, the order that asks the most of the plug-in: it
    // must not look for Gears.asi at attach, only at start-up, in its first frame.
    if (api.gearsPresent() && LoadLibraryA(besideHost("Gears.asi").c_str()) == nullptr) {
        std::fprintf(stderr, "velmora-wine-host: the scenario has Gears.asi loaded, but it cannot be loaded\n");
        return 2;
    }

    InputMirror mirror;
    mirror.window = showGameWindow();
    if (mirror.window == nullptr) {
        std::fprintf(stderr,
                     "velmora-wine-host: no window can take the focus; the Wine prefix needs a display "
                     "driver, such as Wine's null driver\n");
        return 2;
    }

    StandinInput input{};
    bool inputShown = true;
    do {
        api.getInput(&input);
        inputShown = mirrorInput(input, mirror) && inputShown;
    } while (api.runFrame());
    check(inputShown, "the scenario's keys and focus reach the plug-in through Win32 on every frame");
    mirrorInput(StandinInput{1, {}}, mirror);  // let go of every key
    const bool stopped = api.error(message, sizeof message) != 0;
    if (stopped) std::printf("run stopped: %s\n", message);
    check(!stopped, "the run plays to its end");
    api.getStatus(&status);
    check(status.scriptEnded == 0 && status.registrations == 1,
          "the script runs for as long as the game does, registered once");
    if (!options.tracePath.empty()) check(api.writeTrace(options.tracePath.c_str()) != 0, "the trace is written");

    const bool first = api.notification(0, message, sizeof message) != 0;
    check(first && std::strcmp(message, kStartupNotification) == 0, "the start-up notification is posted first");

    const bool shownBefore = status.cameraShown != 0;
    std::printf("scripted camera shown before unloading: %s\n", shownBefore ? "yes" : "no");
    check(FreeLibrary(plugin) != 0 && GetModuleHandleA("Velmora.asi") == nullptr, "Velmora.asi unloads");
    api.getStatus(&status);
    check(status.unregistrations == 1 && status.unregisteredModule == plugin && status.scriptsRegistered == 0,
          "the detach unregisters the script with the plug-in's module handle");
    check(status.cameraShownAtUnregister == 0 && status.cameraShown == 0,
          "the detach has released the camera by the time it unregisters");

    std::vector<char> summary(static_cast<std::size_t>(api.summary(nullptr, 0)) + 1);
    api.summary(summary.data(), static_cast<int>(summary.size()));
    std::printf("%s", summary.data());
    std::printf("Gears.asi look queries answered: %d\n", status.gearsLookQueries);
    std::printf("performance counter reads answered from the world's wall clock: %d\n", status.counterReads);
    return failures == 0 ? 0 : 1;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--without-runtime") {
            options.withoutRuntime = true;
        } else if (arg == "--ini" && hasValue) {
            options.iniPath = argv[++i];
        } else if (arg == "--trace" && hasValue) {
            options.tracePath = argv[++i];
        } else if (arg == "--frames" && hasValue) {
            options.frames = std::atoi(argv[++i]);
        } else if (options.scenario.empty() && arg.rfind("--", 0) != 0) {
            options.scenario = arg;
        } else {
            return false;
        }
    }
    return options.withoutRuntime || !options.scenario.empty();
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // keep every line if the plug-in takes the process down
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: velmora-wine-host SCENARIO [--ini PATH] [--frames N] [--trace PATH]\n"
                     "       velmora-wine-host --without-runtime\n");
        return 2;
    }
    return options.withoutRuntime ? runWithoutRuntime() : runScenario(options);
}
