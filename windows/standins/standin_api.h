// What the test host asks of the runtime stand-in (ScriptHookV.dll of ours), beside the
// seven runtime functions the plug-in uses. C linkage and plain records, so that nothing of
// either side's C++ runtime crosses the DLL boundary.
#pragma once

#include <cstdint>

extern "C" {

struct StandinStatus {
    std::int32_t registrations;             // scriptRegister calls
    std::int32_t unregistrations;           // scriptUnregister calls for a registered module
    std::int32_t scriptsRegistered;         // registered and not unregistered since
    std::int32_t scriptEnded;               // a script function returned (it must loop forever)
    std::int32_t cameraShown;               // the world shows a scripted camera now
    std::int32_t cameraShownAtUnregister;   // ... and did when the last unregister came
    std::int32_t gearsLookQueries;          // look queries answered for Gears.asi
    std::int32_t counterImportsRedirected;  // import slots of QueryPerformanceCounter and
                                            // QueryPerformanceFrequency redirected to the world's
                                            // wall clock in the last registered module
    std::int32_t counterReads;              // redirected QueryPerformanceCounter calls answered
    void* registeredModule;                 // module handle of the last registration
    void* unregisteredModule;               // module handle of the last unregistration
};

// The player's input as the scenario has it in the current frame; the host hands it to the
// plug-in through the real Win32 input, since the plug-in reads keys and focus there.
struct StandinInput {
    std::int32_t focus;      // the game's window has the focus
    std::uint8_t keys[256];  // 1 while the virtual key is held
};

// Loads a scenario (a built-in name or a JSON file), writes the run's Velmora.ini into the
// current folder from iniPath (may be null) and the scenario's settings, and applies frame
// 0's events. frames <= 0 runs the scenario's own count. Answers 1, or 0 with a message.
int standinOpen(const char* scenario, const char* iniPath, int frames, char* message, int size);
// 1 when the scenario has Gears.asi loaded in the process.
int standinGearsPresent();
// One game frame: every registered script runs on its fibre until it yields. Answers 1
// while the run goes on, 0 once it has run its frames or stopped on an error.
int standinRunFrame();
// 1 and the reason when the run stopped on an error (an unanswered native, ...).
int standinError(char* text, int size);
int standinWriteTrace(const char* path);
// The text of notification `index` (in posting order); 0 when there is none.
int standinNotification(int index, char* text, int size);
void standinGetStatus(StandinStatus* status);
void standinGetInput(StandinInput* input);
// The run's summary as velmora-sim prints it; answers the length it needs.
int standinSummary(char* text, int size);

// For the Gears.asi stand-in: 0 left, 1 right, 2 back; answers the scenario's look request.
int standinGearsLooking(int which);
}
