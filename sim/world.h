// The simulated game world: everything the plug-in's natives read and write, moved on by
// scripted kinematics one frame at a time. Deterministic: no clocks, no randomness. Its
// rotations and transforms come from sim/rotation.h, never from the plug-in's camera maths.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <Eigen/Core>

#include "host/natives.h"
#include "host/types.h"
#include "sim/catalogue.h"
#include "sim/rotation.h"

namespace velmora::sim {

using Vector2 = Eigen::Vector2f;

inline constexpr Entity kPlayerCharacter = 0x1001;  // the player's character handle
inline constexpr PlayerId kPlayer = 0;              // the local player's index in story mode
inline constexpr int kControlCount = 256;
inline constexpr float kGravity = 9.81f;               // metres per second squared
inline constexpr float kRollingDeceleration = 1.5f;    // metres per second squared, an unhooked load
inline constexpr float kLandingSettleSeconds = 0.12f;  // a landed body's tilt eases onto the slope so fast

// A world pose: position and orientation (a rotation matrix: its columns are the body's
// right, forward and up axes in the world).
struct Pose {
    Vector3 position = Vector3::Zero();
    Matrix3 orientation = Matrix3::Identity();
};

// A body's orientation by yaw, pitch and roll in degrees, in the game's body order (2).
inline Matrix3 orientationOf(float yaw, float pitch, float roll) { return bodyOrientation(yaw, pitch, roll); }

// The ground: a plane at `height`, and ramps on it. A ramp is a strip of `width` metres from
// `start` to `end` whose surface rises linearly from startHeight to endHeight; where ramps
// overlap the plane or each other, the highest surface is the ground.
struct Ramp {
    Vector2 start = Vector2::Zero();
    Vector2 end = Vector2::Zero();
    float width = 0.0f;
    float startHeight = 0.0f;
    float endHeight = 0.0f;
};

struct Ground {
    float height = 0.0f;
    std::vector<Ramp> ramps;
};

// A vehicle's ground track in double precision: the rear axle's place, the heading and the
// speed as last written to the float pose. A long run at a high frame rate moves a vehicle by
// small steps; summed in float they would drift by millimetres, summed here they do not.
struct GroundTrack {
    double axleX = 0.0, axleY = 0.0;  // metres, the rear axle's horizontal place
    double yaw = 0.0;                 // degrees
    double speed = 0.0;               // metres per second
    float writtenX = 0.0f, writtenY = 0.0f, writtenYaw = 0.0f, writtenSpeed = 0.0f;  // as last written in float
    bool set = false;  // false until the first move; a pose set from outside reseeds it
};

struct SimVehicle {
    Entity handle = 0;
    std::string name;  // the scenario's name for it
    const VehicleModel* model = nullptr;
    bool exists = true;
    bool wrecked = false;
    std::int32_t spoiler = -1;  // fitted spoiler mod, -1 when stock

    // Scripted kinematics. On its wheels the body rides on the ground, turning about its rear
    // axle; where the ground falls away faster than gravity pulls, it flies off on a ballistic
    // path and lands on the ground beneath.
    Vector3 position = Vector3::Zero();  // metres, the origin without the bump and jump offsets
    float yaw = 0.0f;                    // degrees; 0 faces +Y, 90 faces -X
    float pitch = 0.0f;                  // degrees, nose up positive, on top of the ground's slope
    float roll = 0.0f;                   // degrees, on top of the ground's slope
    float groundPitch = 0.0f;            // degrees, the slope under the body along it
    float groundRoll = 0.0f;             // degrees, the slope under the body across it
    float speed = 0.0f;                  // metres per second along the forward axis, at the rear axle
    float accel = 0.0f;                  // metres per second squared
    float yawRate = 0.0f;                // degrees per second, positive turns left
    bool coasting = false;               // unhooked: rolls to a stop
    float bumpAmplitude = 0.0f;          // metres of vertical jolt on rough ground
    float bumpFrequency = 0.0f;          // hertz
    float bumpPhase = 0.0f;              // radians
    float bumpHeight = 0.0f;             // metres, current vertical offset
    float bumpVelocity = 0.0f;           // metres per second from the bumps

    // A scripted jump (the `airborne` event): up and down on a parabola over a whole number of
    // frames at normal speed, counted, so that float rounding never adds a frame.
    float jumpFrames = 0.0f;    // frames of normal-speed game time it lasts; 0 for none
    float jumpElapsed = 0.0f;   // frames of it gone
    float jumpHeight = 0.0f;    // metres above the track, now
    float jumpVelocity = 0.0f;  // metres per second, upward, now

    // A flight off an edge of the ground.
    bool flying = false;
    Vector3 flightVelocity = Vector3::Zero();  // metres per second, world, of the origin
    float flightPitch = 0.0f;                  // degrees: the body keeps its attitude in the air
    float flightRoll = 0.0f;
    float settlePitch = 0.0f;  // degrees of a landing's tilt left, easing onto the slope
    float settleRoll = 0.0f;
    GroundTrack track;

    bool brokenData = false;  // answers NaN for its motion (robustness scenarios)

    // Attachments.
    Entity towedEntity = 0;  // held by this vehicle's tow arm
    Entity trailer = 0;      // attached to this vehicle's hitch
    Entity attachedTo = 0;   // the vehicle this one hangs on, 0 when free

    // Entity memory: the model information pointer sits at byte 32.
    std::array<std::uint8_t, 64> memory{};

    bool inAir() const { return flying || jumpFrames > 0.0f; }
};

// Getting in has two halves: walking up and opening the door, then climbing onto the seat.
enum class SeatState { OnFoot, Entering, Seated, Exiting };

struct SimCharacter {
    Entity handle = kPlayerCharacter;
    const CharacterModel* model = nullptr;
    bool exists = true;
    bool control = true;  // the player has control (not in a cutscene)
    bool dead = false;
    bool arrested = false;               // hands up: an arrest has started
    bool busted = false;                 // the busted screen shows
    Vector3 position = Vector3::Zero();  // on foot
    float yaw = 0.0f;
    SeatState seat = SeatState::OnFoot;
    Entity vehicle = 0;        // the vehicle being entered, sat in or left
    int transitionFrames = 0;  // frames left of entering or exiting
    int seatFrames = 0;        // of an entry: its last frames, on the seat
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
    float fov = 0.0f;
    float nearClip = 0.0f;
    float farClip = 0.0f;
    bool active = false;
};

// A scripted camera's rotation in degrees, order 2, as the game would report it.
inline Rotation rotationOf(const ScriptedCamera& camera) {
    return decomposeRotation(camera.pose.orientation, kOrderBody);
}

// What the player sees: a pose and a field of view.
struct View {
    Pose pose;
    Rotation rotation;  // degrees, order 2
    float fov = 0.0f;
    bool scripted = false;
};

// One text or rectangle drawn on screen, as the game's draw calls gave it. Positions and
// sizes are screen fractions; a rectangle's position is its centre.
struct DrawCall {
    enum class Kind { Text, Rect } kind = Kind::Text;
    float x = 0.0f, y = 0.0f;
    float width = 0.0f, height = 0.0f;  // rectangles
    float scale = 0.0f;                 // texts
    std::int32_t font = 0;
    std::array<std::int32_t, 4> colour{};    // red, green, blue, alpha
    float wrapStart = 0.0f, wrapEnd = 1.0f;  // texts: the wrap box
    bool centre = false;
    bool outline = false;
    std::string text;
};

// The game shows at most this many characters of one text component.
inline constexpr std::size_t kTextComponentLimit = 99;

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
    std::int32_t flagsOffset = 1404;                             // the offset the game's code holds
    std::vector<std::uint8_t> image;                             // the main module's bytes
    std::vector<std::uint8_t> viewBlock;                         // direction at +512
    std::map<std::string, std::vector<std::uint8_t>> modelInfo;  // by model name
};

// What happened in one frame, for the trace and the tests.
struct FrameLog {
    std::vector<std::string> notifications;
    std::vector<DrawCall> draws;                                          // texts and rectangles, in call order
    std::vector<std::pair<std::int32_t, std::int32_t>> disabledControls;  // (group, control)
    std::map<std::uint64_t, int> callsByHash;
    int nativeCalls = 0;
    int yields = 0;  // scriptWait calls
};

// Faults of the plug-in that the game would show the player; the summary names them.
struct Faults {
    int fovOutOfRange = 0;  // fields of view outside 1..130 handed to a camera
    int firstFovFrame = -1;
    float firstFov = 0.0f;
    int cameraUnderGround = 0;  // frames that showed a scripted camera below the ground
    int firstUnderGroundFrame = -1;
    int textCut = 0;  // text components longer than the game shows
    int firstTextCutFrame = -1;
};

struct World {
    // Time.
    int frame = 0;
    double time = 0.0;                 // game seconds, summed in double so it stays true for hours
    float dt = 1.0f / 60.0f;           // game seconds of this frame (the world moved by them into it); 0 while paused
    float baseDt = 1.0f / 60.0f;       // game seconds per frame at normal speed (the average with uneven frames)
    float timeScale = 1.0f;            // slow motion: game time runs this fast against the wall clock
    float realDt = 1.0f / 60.0f;       // wall-clock seconds of this frame
    std::vector<float> frameSeconds;   // uneven frames: each frame's game seconds at normal speed; empty: baseDt
    float wallPerGameSecond = 1.0f;    // with uneven frames: wall-clock seconds per game second at normal speed
    float lookSeconds = 1.0f / 60.0f;  // the wall-clock frame a scenario's mouse movements are written for
    double wallClock = 1.0;            // seconds, for the performance counter
    int pausedFrames = 0;

    // The game's own view state. On foot its camera follows the on-foot view mode, seated
    // the in-vehicle one; the cinematic camera overrides the latter while it is on.
    std::int32_t onFootViewMode = 1;   // 0, 1, 2 near to far, 4 first person
    std::int32_t vehicleViewMode = 1;  // 0, 1, 2, 3 cinematic, 4 first person
    bool cinematic = false;
    std::int32_t minimapAngle = -1;  // locked angle in whole degrees, -1 while unlocked
    float phoneScale = -1.0f;        // the phone's render scale last set, -1 before any

    SimCharacter player;
    std::vector<SimVehicle> vehicles;  // filled once when the scenario is set up: entity
                                       // memory blocks live inside, so it never grows later
    std::vector<Obstacle> obstacles;
    Ground ground;

    std::array<ControlState, kControlCount> controls{};
    std::array<bool, kControlCount> controlDisabled{};
    bool aiming = false;
    int aimFrames = 0;
    float lookX = 0.0f, lookY = 0.0f;  // the two analogue look axes
    int lookFrames = 0;
    bool keyboardMouse = true;     // the last input came from keyboard and mouse
    std::uint32_t typedCheat = 0;  // hash of the cheat the player typed, 0 for none

    std::array<bool, 256> keys{};      // virtual keys held
    std::array<int, 256> keyFrames{};  // frames a key stays held
    bool focus = true;

    std::map<CameraHandle, ScriptedCamera> cameras;
    CameraHandle nextCamera = 0x2001;
    CameraHandle activeCamera = 0;  // the scripted camera last made active, 0 for none
    bool renderOn = false;
    // The ease of the render switch: from the view shown when it switched.
    View easeFrom;
    float easeSeconds = 0.0f;
    float easeElapsed = 0.0f;
    bool easePosition = true;  // the position blends too, not only the rotation

    struct PendingProbe {
        Vector3 from = Vector3::Zero();
        Vector3 to = Vector3::Zero();
        std::int32_t flags = 0;
        Entity ignored = 0;
        bool released = false;  // its result was read
    };
    std::vector<PendingProbe> probes;  // started segment probes; handle = index + 1

    GearsStandIn gears;
    GameMemory memory;

    FrameLog log;                // this frame
    int notificationsTotal = 0;  // since the start
    std::vector<std::string> allNotifications;
    Faults faults;

    // Notification and text assembly between their begin and end calls.
    std::string pendingText;
    DrawCall pendingDraw;

    SimVehicle* findVehicle(Entity handle);
    const SimVehicle* findVehicle(Entity handle) const;
    SimVehicle* findVehicleByName(const std::string& name);
};

// The game's text hash: Jenkins' one-at-a-time over the lower-cased text.
std::uint32_t textHash(std::string_view text);

// Vehicle geometry as the natives report it.
Pose vehiclePose(const World& world, const SimVehicle& vehicle);
Vector3 vehicleVelocity(const World& world, const SimVehicle& vehicle);
bool isUpsideDown(const Pose& pose);  // its up axis points below the horizontal
std::int32_t boneIndexOf(const std::vector<BoneDefinition>& bones, const std::string& name);  // ignores case

// The ground's height and surface normal under a point.
float groundHeight(const World& world, float x, float y);
Vector3 groundNormal(const World& world, float x, float y);
// Puts a vehicle on the ground where it stands: height and the slope's pitch and roll.
void settleOnGround(const World& world, SimVehicle& vehicle);
// The point a vehicle's body turns about: the middle of its rear hubs (the one rear hub of a
// motorcycle), in the model's frame.
Vector3 rearAxleOf(const VehicleModel& model);
// A scripted jump of `frames` frames at normal speed, from now: up and down on a parabola.
void startJump(const World& world, SimVehicle& vehicle, int frames);

// The character's pose and bones; seated characters ride in their vehicle's driver seat.
Pose characterPose(const World& world);
bool characterSeated(const World& world);
bool characterClimbingIn(const World& world);  // the second half of getting in: onto the seat

// The game's own camera: where it looks without a scripted camera.
View gameCameraView(const World& world);
// What the player sees this frame, with the render switch and its ease.
View shownView(const World& world);

// Segment probe: flags select what it can hit (1 the ground and world boxes, 2 vehicles,
// 4 the player's character on foot); `ignored` is one entity it never reports.
inline constexpr std::int32_t kProbeWorld = 1;
inline constexpr std::int32_t kProbeVehicles = 2;
inline constexpr std::int32_t kProbeCharacters = 4;
struct ProbeHit {
    bool hit = false;
    Vector3 point = Vector3::Zero();
    Vector3 normal = Vector3::Zero();
    Entity entity = 0;
};
ProbeHit probeSegment(const World& world, const Vector3& from, const Vector3& to, std::int32_t flags, Entity ignored);

// Hangs `child` on the parent's tow arm or hitch, lined up behind it; and lets it go.
void attachVehicle(World& world, SimVehicle& parent, SimVehicle& child);
void detachVehicles(World& world, SimVehicle& parent);

// This frame's game seconds at normal speed: its own with uneven frames, else baseDt.
float frameLength(const World& world);

// Moves the world on by one frame: the game's own reaction to this frame's controls, then
// kinematics, attachments, transitions and held inputs.
void advanceWorld(World& world);

// Notes what the frame showed the player that the plug-in should never show.
void checkShownView(World& world);

// Lays out game memory (image, view block, model blocks, entity blocks) for the vehicles.
void buildGameMemory(World& world);
// Keeps the view block's direction on the game camera's forward axis.
void refreshViewBlock(World& world);

}  // namespace velmora::sim
