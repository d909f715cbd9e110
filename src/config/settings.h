// The settings record: every tunable value of the plug-in, grouped as the settings file
// groups its keys and named after those keys. One record per plug-in instance; it starts
// with the defaults below, is filled from "Velmora.ini", edited live by the menu and
// partly written back by its save actions.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

// Which chase camera: the index into every per-camera array.
enum CameraIndex : std::int32_t { Near = 0, Medium = 1, Far = 2 };
inline constexpr int kChaseCameraCount = 3;

using PerCamera = std::array<float, kChaseCameraCount>;

// Section keyMappings. Keys are stored by name and resolved on every use.
struct KeyMappings {
    std::string reloadSettingsKey = "F10";  // reloads the settings file on release
    std::string toggleModKey = "1";         // flips the plug-in on and off on release
    std::string lookLeftKey = "B";          // hold to look left
    std::string lookRightKey = "N";         // hold to look right
    std::int32_t menuKeyCode = 122;         // virtual-key code (not a name) of the menu key; F11

    bool operator==(const KeyMappings&) const = default;
};

// The six values each chase camera has of its own, indexed by CameraIndex: distanceMedium
// is distance[Medium], and so on.
struct PerCameraSettings {
    PerCamera distance = {0.4f, 1.2f, 2.0f};        // metres, rod length behind the look-at point
    PerCamera height = {0.0f, 0.3f, 0.55f};         // metres, camera height
    PerCamera fov = {77.5f, 77.5f, 77.5f};          // degrees, field of view
    PerCamera angle = {3.5f, 3.5f, 3.5f};           // degrees, looks down the road when raised
    PerCamera distanceOffset = {0.0f, 0.0f, 0.0f};  // metres, trim on top of the distance
    PerCamera heightOffset = {0.0f, 0.0f, 0.0f};    // degrees, aim up (+) or down (-)

    bool operator==(const PerCameraSettings&) const = default;
};

// Section 3rdPersonView.
struct ThirdPersonView {
    float distanceOffset = 0.0f;        // base of the three distanceOffset* keys when loading
    float heightOffset = 0.0f;          // base of the three heightOffset* keys when loading
    float cameraAngle = 3.5f;           // degrees, 0..20; base of the three angle* keys when loading
    bool DynamicFov = false;            // widen the field of view with speed
    float DynamicFovMin = 0.0f;         // degrees at standstill; 68 once a file has loaded
    float DynamicFovMax = 0.0f;         // degrees at DynamicFovMaxAtSpeed; 75 once a file has loaded
    float DynamicFovMaxAtSpeed = 0.0f;  // metres per second; 60 once a file has loaded
    bool DynamicFovMaxLimit = false;    // stop widening past DynamicFovMaxAtSpeed
    float fov = 77.5f;                  // degrees, given to a new scripted camera; base of fov* keys
    float lookLeftAngle = 90.0f;        // degrees of the look to the right (the look-right key)
    PerCameraSettings perCamera;        // near, medium, far
    float CameraSwitchSpeed = 2.6f;     // per second, blend rate between the chase distances
    float lookRightAngle = 90.0f;       // degrees of the look to the left (the look-left key)
    float InertiaForce = 1.0f;          // edited and saved by the menu

    bool operator==(const ThirdPersonView&) const = default;
};

// Section 1stPersonView.
struct FirstPersonView {
    float fov = 59.0f;                       // degrees
    float heightOffset = 0.05f;              // metres, raises the eyes
    float forwardOffset = -0.04f;            // metres, negative pulls back from the wheel
    float lookLeftAngle = 75.0f;             // degrees of the look to the right (the look-right key)
    float lookRightAngle = 80.0f;            // degrees of the look to the left (the look-left key)
    bool InertiaEffects = true;              // acceleration and braking shift the camera
    bool TerrainShake = true;                // rough ground shakes the camera
    float ShakeTerrain = 0.007f;             // shake from vertical jolts
    float ShakeSpeed = 0.005f;               // shake from speed
    float ShakeMaxOffset = 0.06f;            // metres, positional shake limit
    float ShakeRotation = 0.9f;              // how much the shake also turns the view
    float EngineVibration = 0.006f;          // metres, engine vibration height
    bool HeadLean = true;                    // the head leans with cornering and braking
    float LeanLateral = 0.045f;              // sideways lean per metre per second of sideways speed
    float LeanForward = 0.03f;               // forward lean per unit of speed change
    float HorizonLock = 0.35f;               // 0 rolls with the car, 1 keeps the horizon level
    float sideOffset = 0.0f;                 // metres, across the seat
    float HeadFollowRate = 9.0f;             // per second, how tightly the camera follows the head
    float MaxInertiaShift = 0.06f;           // metres, limit of the inertia shift
    float LeanLateralLimit = 0.02f;          // metres
    float LeanForwardLimit = 0.07f;          // metres
    std::int32_t MountPoint = 0;             // non-zero: the eye is fixed to the car, not the head
    float EyePlaneMargin = 0.08f;            // metres kept in front of the head
    bool EyePlaneGuard = true;               // keeps the camera in front of the head
    bool HeadSpaceOffsets = true;            // offsets follow the view rather than the car
    bool NoHeavyBrakeAnimation = true;       // patches the vehicle model's flags word
    bool DeclareFirstPersonToEngine = true;  // tells the game a first-person view is on
    bool UseOwnFirstPersonCamera = true;     // off hands first person to the game
    float PhoneOverlayScale = 0.0f;          // phone overlay scale; 0.999 or more leaves it alone
    float LookWeight = 14.0f;                // per second, look smoothing; 0 or less: unsmoothed
    float RecenterTime = 1.6f;               // seconds the view takes to drift back
    float RecenterEase = 2.0f;               // exponent of the return curve
    bool DeclareFirstPersonWhileAiming = false;
    bool SpecialAbilityFix = true;   // follow the head in wall-clock time
    float LookYawLimitLeft = 95.0f;  // degrees from the vehicle heading
    float LookYawLimitRight = 100.0f;
    float LookPitchMin = -62.0f;                      // degrees
    float LookPitchMax = 40.0f;                       // degrees
    std::int32_t VehicleModelInfoFlagsOffset = 1404;  // bytes into the vehicle model record
    float pitchOffset = 0.0f;                         // degrees
    float yawOffset = 0.0f;                           // degrees
    float rollOffset = 0.0f;                          // degrees
    bool SpeedZoom = true;                            // widen the field of view with speed
    float SpeedZoomAmount = 12.0f;                    // degrees gained at full speed
    float SpeedZoomAtSpeed = 55.0f;                   // metres per second of full zoom
    float SpeedZoomSmoothing = 2.5f;                  // per second

    bool operator==(const FirstPersonView&) const = default;
};

// Section general.
struct GeneralSettings {
    bool GetInputFromGearsAsi = true;  // take look requests from the manual-transmission plug-in

    bool operator==(const GeneralSettings&) const = default;
};

// Section input: the analogue look reading.
struct InputSettings {
    float gamepadDeadzone = 0.0f;  // 0..1, radial dead zone of the stick
    bool gamepadEasing = true;     // ease the stick's response curve
    float gamepadSensibility = 1.0f;
    float mouseSensibility = 1.0f;

    bool operator==(const InputSettings&) const = default;
};

struct SettingsRecord {
    KeyMappings keyMappings;
    ThirdPersonView thirdPersonView;
    FirstPersonView firstPersonView;
    GeneralSettings general;
    InputSettings input;
    bool InertiaAffectsPitch = false;  // menu only: flipped and saved, never loaded

    bool operator==(const SettingsRecord&) const = default;
};

}  // namespace velmora
