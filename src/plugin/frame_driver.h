// The spine of the plug-in: start-up and the once-per-frame driver that decides, from the
// player's state and the game's view mode, whether the game's camera or one of Velmora's
// is in charge, and runs every other per-frame step in its place.
#pragma once

#include <cstdint>
#include <string_view>

#include "cammath/timing.h"
#include "host/natives.h"

namespace velmora {

struct Velmora;

enum class CameraMode : std::int32_t { FirstPerson = 0, ThirdPerson = 1 };

// The game's view modes as the plug-in exchanges them: 0, 1, 2 the chase views, 4 first person.
inline constexpr std::int32_t kFirstPersonViewMode = 4;

struct FrameDriver {
    CameraMode cameraMode = CameraMode::ThirdPerson;  // which own camera is in charge
    std::int32_t cameraIndex = 0;                     // chase camera: 0 near, 1 medium, 2 far
    std::int32_t rememberedViewMode = 1;              // the game's view mode as last remembered: 0..2 or 4
    bool modEnabled = true;                           // the on/off switch (toggle key)
    bool wasInVehicle = false;                        // the player was in a vehicle last frame
    bool handOffPending = false;                      // the game's own first person until the next view change
    float firstPersonDelay = 0.0f;                    // seconds of game time before the own first-person camera starts
    bool firstPersonSuspended = false;                // own first person released until the player is on foot
    float leaveGraceTimer = 0.0f;                     // seconds after leaving during which the view is not remembered
    Entity playerPed = 0;                             // the player's character, read every frame
    Entity currentVehicle = 0;                        // the vehicle the player sits in
    float headingCatchUp = 0.0f;                      // 0..1; set to 1 when the chase camera starts, decays
    float smoothedHeading = 0.0f;                     // degrees [0, 360), the heading handed to the game
    bool aimHeld = false;                             // the player aims this frame
    float aimBlend = 0.0f;                            // 0..1, aimHeld smoothed
};

inline constexpr std::string_view kStartupMessage = "~y~Velmora~w~ is running.   ~y~F11~w~ to open settings";

// Start-up, once, before the first frame: notification, manual-transmission link, game-view
// probe, first settings load.
void startup(Velmora& v);

// One game frame.
void frameTick(Velmora& v);

// Posts a game notification, the text cut into pieces of at most 99 characters.
void showNotification(Velmora& v, std::string_view text);

// Loads "Velmora.ini" into the settings. A reload re-measures the vehicle and re-applies the
// mode's settings; the start-up load puts the third-person mode in charge. A file that
// cannot be read posts the "not found" notification and changes nothing.
void loadSettings(Velmora& v, bool reload);

}  // namespace velmora
