// The simulated game world: everything the plug-in's natives read and write, moved on by
// scripted kinematics one frame at a time. Deterministic: no clocks, no randomness.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cammath/types.h"
#include "sim/catalogue.h"
#include "shell/natives.h"

namespace velmora::sim {

inline constexpr Entity kPlayerCharacter = 0x1001;  // the player's character handle
inline constexpr PlayerId kPlayer = 1;
inline constexpr int kControlCount = 256;

// A world pose: position and orientation, with the angles of the game's convention 2.
struct Pose {
    Vector3 position = Vector3::Zero();
    Quaternion orientation = Quaternion::Identity();
};

// The orientation of a body with yaw, pitch and roll in degrees as the game's natives give
// them in convention 2: yaw about z, then pitch about x, then roll about y.
Quaternion orientationOf(float yaw, float pitch, float roll);

struct SimVehicle {
    Entity handle = 0;
    std::string name;                  // the scenario's name for it
    const VehicleModel* model = nullptr;
    bool exists = true;

    // Scripted kinematics.
    Vector3 position = Vector3::Zero();  // metres, the origin without the bump offset
    float yaw = 0.0f;                    // degrees; 0 faces +Y, 90 faces -X
    float pitch = 0.0f;                  // degrees, nose up positive
    float roll = 0.0f;                   // degrees
    float speed = 0.0f;                  // metres per second along the forward axis
    float accel = 0.0f;                  // metres per second squared
    float yawRate = 0.0f;                // degrees per second, positive turns left
    float bumpAmplitude = 0.0f;          // metres of vertical jolt on rough ground
    float bumpFrequency = 0.0f;          // hertz
    float bumpPhase = 0.0f;              // radians
    float bumpHeight = 0.0f;             // metres, current vertical offset
    float verticalVelocity = 0.0f;       // metres per second from the bumps
    int airborneFrames = 0;              // frames left off the ground
    bool brokenData = false;             // answers NaN for its motion (robustness scenarios)

    // Attachments.
    Entity towedEntity = 0;  // held by this vehicle's tow arm
    Entity trailer = 0;      // attached to this vehicle's hitch
    Entity attachedTo = 0;   // the vehicle this one hangs on, 0 when free

    // Entity memory: the model information pointer sits at byte 32.
    std::array<std::uint8_t, 64> memory{};
};

enum class SeatState { OnFoot, Entering, Seated, Exiting };

struct SimCharacter {
    Entity handle = kPlayerCharacter;
    const CharacterModel* model = nullptr;
    bool exists = true;
    bool playing = true;
    bool dead = false;
    bool arrested = false;
    Vector3 position = Vector3::Zero();  // on foot
    float yaw = 0.0f;
    SeatState seat = SeatState::OnFoot;
    Entity vehicle = 0;       // the vehicle being entered, sat in or left
    int transitionFrames = 0; // frames left of entering or exiting
};

// A control by the game's numbering; held and pressed-this-frame.
struct ControlState {
    bool held = false;
    bool justPressed = false;
    int framesLeft = 0;  // frames it stays held
};

struct ScriptedCamera {
    CameraHandle handle = 0;
    Pose pose;
    Rotation rotation;      // degrees as last set, convention 2
    float fov = 0.0f;
    float nearClip = 0.0f;
    float farClip = 0.0f;
    bool active = false;
};

// What the player sees: a pose and a field of view.
struct View {
    Pose pose;
    Rotation rotation;
    float fov = 0.0f;
    bool scripted = false;
};

struct TextDraw {
    float x = 0.0f, y = 0.0f, scale = 0.0f;
    std::int32_t font = 0;
    std::array<std::int32_t, 4> colour{};
    bool dropShadow = false;
    std::string text;
};

struct RectDraw {
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
    std::array<std::int32_t, 4> colour{};
};

struct Obstacle {
    Vector3 min = Vector3::Zero();
    Vector3 max = Vector3::Zero();
};

// The manual-transmission plug-in's stand-in: present or not, which exports it has, and
// its scripted look answers.
struct GearsStandIn {
    bool present = false;
    std::vector<std::string> missingExports;
    bool lookingLeft = false, lookingRight = false, lookingBack = false;
    int leftFrames = 0, rightFrames = 0, backFrames = 0;
    int exportLookups = 0;  // GetProcAddress calls on it
    int lookQueries = 0;    // calls of the three look queries
};

// Game memory: the executable's image with the two code patterns, the view block the second
// pattern leads to, model information blocks and entity blocks.
struct GameMemory {
    bool moduleReadable = true;
    bool flagsPattern = true;
    bool viewPattern = true;
    std::int32_t flagsOffset = 1404;      // the offset the game's code holds
    std::vector<std::uint8_t> image;      // the main module's bytes
    std::vector<std::uint8_t> viewBlock;  // direction at +512
    std::map<std::string, std::vector<std::uint8_t>> modelInfo;  // by model name
};

// What happened in one frame, for the trace and the tests.
struct FrameLog {
    std::vector<std::string> notifications;
    std::vector<TextDraw> texts;
    std::vector<RectDraw> rects;
    std::vector<std::pair<std::int32_t, std::int32_t>> disabledControls;  // (group, control)
    std::map<std::uint64_t, int> callsByHash;
    int nativeCalls = 0;
    int yields = 0;  // scriptWait calls
};

struct World {
    // Time.
    int frame = 0;
    float time = 0.0f;          // game seconds
    float dt = 1.0f / 60.0f;    // game seconds of this frame; 0 while paused
    float baseDt = 1.0f / 60.0f;
    float realDt = 1.0f / 60.0f;  // wall-clock seconds per frame
    double wallClock = 1.0;       // seconds, for the performance counter
    int pausedFrames = 0;

    // The game's own view state.
    std::int32_t gameViewMode = 1;
    std::int32_t gameCameraMode = -1;  // last set by the plug-in; -1 before any
    std::int32_t heading = -1;         // last heading handed to the game; -1 before any

    SimCharacter player;
    std::vector<SimVehicle> vehicles;  // filled once when the scenario is set up: entity
                                       // memory blocks live inside, so it never grows later
    std::vector<Obstacle> obstacles;

    std::array<ControlState, kControlCount> controls{};
    std::array<bool, kControlCount> controlDisabled{};
    bool aiming = false;
    int aimFrames = 0;
    float lookX = 0.0f, lookY = 0.0f;  // the two analogue look axes
    int lookFrames = 0;
    bool keyboardMouse = true;         // the last input came from keyboard and mouse
    bool menuTrigger = false;          // the host's menu trigger fires this frame

    std::array<bool, 256> keys{};      // virtual keys held
    std::array<int, 256> keyFrames{};  // frames a key stays held
    bool focus = true;

    std::map<CameraHandle, ScriptedCamera> cameras;
    CameraHandle nextCamera = 0x2001;
    CameraHandle renderedCamera = 0;   // the active camera rendering shows, 0 for none
    bool renderOn = false;
    // The ease of the render switch: from the pose shown when it switched.
    View easeFrom;
    float easeSeconds = 0.0f;
    float easeElapsed = 0.0f;

    struct PendingProbe {
        Vector3 from = Vector3::Zero();
        Vector3 to = Vector3::Zero();
        Entity ignored = 0;
    };
    std::vector<PendingProbe> probes;  // started segment probes; handle = index + 1

    GearsStandIn gears;
    GameMemory memory;

    FrameLog log;                 // this frame
    int notificationsTotal = 0;   // since the start
    std::vector<std::string> allNotifications;

    // Notification and text assembly between their begin and end calls.
    std::string pendingText;
    TextDraw pendingDraw;

    SimVehicle* findVehicle(Entity handle);
    const SimVehicle* findVehicle(Entity handle) const;
    SimVehicle* findVehicleByName(const std::string& name);
};

// Vehicle geometry as the natives report it.
Pose vehiclePose(const World& world, const SimVehicle& vehicle);
Vector3 vehicleVelocity(const World& world, const SimVehicle& vehicle);
Rotation rotationConvention2(const Quaternion& q);
Rotation rotationConvention0(const Quaternion& q);
std::int32_t boneIndexOf(const std::vector<BoneDefinition>& bones, const std::string& name);

// The character's pose and bones; seated characters ride in their vehicle's driver seat.
Pose characterPose(const World& world);
bool characterSeated(const World& world);

// The game's own camera: where it looks without a scripted camera.
View gameCameraView(const World& world);
// What the player sees this frame, with the render switch and its ease.
View shownView(const World& world);

// Segment probe against the obstacles and every vehicle but the one ignored.
struct ProbeHit {
    bool hit = false;
    Vector3 point = Vector3::Zero();
    Vector3 normal = Vector3::Zero();
    Entity entity = 0;
};
ProbeHit probeSegment(const World& world, const Vector3& from, const Vector3& to, Entity ignored);

// Moves the world on by one frame: kinematics, attachments, transitions, held inputs.
void advanceWorld(World& world);

// Lays out game memory (image, view block, model blocks, entity blocks) for the vehicles.
void buildGameMemory(World& world);
// Keeps the view block's direction on the game camera's forward axis.
void refreshViewBlock(World& world);

}  // namespace velmora::sim
