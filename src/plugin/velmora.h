// The plug-in's whole state: one aggregate of plain per-subsystem records. The DLL holds
// exactly one; a test or a simulation builds a fresh one.
#pragma once

#include "cammath/cammath.h"
#include "config/settings.h"
#include "firstperson/cabin.h"
#include "firstperson/first_person.h"
#include "firstperson/look_around.h"
#include "gears/gears.h"
#include "host/platform.h"
#include "host/runtime.h"
#include "input/keys.h"
#include "input/look_input.h"
#include "menu/menu.h"
#include "plugin/frame_driver.h"
#include "services/camera.h"
#include "services/frame_reads.h"
#include "services/log.h"
#include "thirdperson/chase_camera.h"
#include "thirdperson/vehicle.h"

namespace velmora {

struct Velmora {
    HostRuntime runtime{};                  // host seam; filled by the backend before start-up
    Platform platform{};                    // OS seam; filled by the backend before start-up
    SettingsRecord settings;                // config: every tunable value
    FrameDriver driver;                     // plugin: view-mode state machine and per-frame values
    FrameReads reads;                       // services: this game frame's frame time, time step, look-behind
    CameraState camera;                     // services: the scripted camera and the memory patch
    KeyStateTable keys;                     // input: release latches of keyReleased
    LookInput look;                         // input: look axis, look back, analogue activity
    LookSmoothing lookSmoothing;            // cammath: ReadLookDelta's smoothed delta
    FrameClock clock;                       // cammath: the wall clock, RealFrameSeconds and timeScale
    FrameTiming timing = composedTiming();  // cammath: how followers take a frame's time
    VehicleSample sample;                   // thirdperson: the current vehicle's motion
    VehicleProfile profile;                 // thirdperson: the current vehicle's body
    ChaseParameters chase;                  // thirdperson: the blended chase parameters
    ChaseState chaseState;                  // thirdperson: the rod, followers, obstacle and attachment state
    LookAround lookAround;                  // firstperson: the look orientation both cameras share
    CabinMotion cabin;                      // firstperson: the head follower, inertia, shake, vibration and lean
    FirstPersonState firstPerson;           // firstperson: the speed zoom
    GearsLink gears;                        // gears: the manual-transmission link
    MenuState menu;                         // menu: the settings menu, its page stack and status line
    LogState log;                           // services: Velmora.log's clock, size and fault latches
};

}  // namespace velmora
