// The plug-in's whole state: one aggregate of plain per-subsystem records. The DLL holds
// exactly one; a test or a simulation builds a fresh one.
#pragma once

#include "cammath/cammath.h"
#include "config/settings.h"
#include "firstperson/clock.h"
#include "input/keys.h"
#include "shell/platform.h"
#include "shell/runtime.h"

namespace velmora {

struct Velmora {
    HostRuntime runtime{};       // host seam; filled by the backend before start-up
    Platform platform{};         // OS seam; filled by the backend before start-up
    SettingsRecord settings;     // config: every tunable value
    KeyStateTable keys;          // input: release latches of keyReleased
    LookSmoothing lookSmoothing; // cammath: ReadLookDelta's smoothed delta
    FrameClock clock;            // firstperson: RealFrameSeconds and timeScale
};

}  // namespace velmora
