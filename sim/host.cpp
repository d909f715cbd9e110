#include "sim/host.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "gears/gears.h"

namespace velmora::sim {
namespace {

Vector3 nanVector() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return Vector3(nan, nan, nan);
}

void storeVector(game::Vector3Slots* out, const Vector3& v) {
    if (out == nullptr) return;
    out->x = v.x();
    out->y = v.y();
    out->z = v.z();
}

}  // namespace

SimHost* SimHost::active_ = nullptr;

SimHost::SimHost(World& world) : world_(world) {
    active_ = this;
    answerPlayerAndTime();
    answerViewAndControls();
    answerHud();
    answerCameras();
    answerVehicles();
}

SimHost::~SimHost() {
    if (active_ == this) active_ = nullptr;
}

void SimHost::fail(std::string message) {
    if (!error_) error_ = std::move(message);
}

void SimHost::beginCall(std::uint64_t hash) {
    pendingHash_ = hash;
    slots_.clear();
}

void SimHost::push(std::uint64_t value) { slots_.push_back(value); }

std::uint64_t* SimHost::call() {
    result_.fill(0);
    ++world_.log.nativeCalls;
    ++world_.log.callsByHash[pendingHash_];
    const auto it = handlers_.find(pendingHash_);
    char message[160];
    if (it == handlers_.end()) {
        std::snprintf(message, sizeof message, "unanswered native 0x%016" PRIx64 " on frame %d", pendingHash_,
                      world_.frame);
        fail(message);
        return result_.data();
    }
    if (slots_.size() != it->second.arity) {
        std::snprintf(message, sizeof message, "native %s (0x%016" PRIx64 ") called with %zu arguments, expects %zu",
                      it->second.name, pendingHash_, slots_.size(), it->second.arity);
        fail(message);
        return result_.data();
    }
    it->second.run(slots_.data(), result_.data());
    if (hostility != nullptr) {
        const std::uint64_t answered = result_[0];
        it->second.spoil(*hostility, pendingHash_, slots_.data(), result_.data());
        // A camera the game failed to make is not there: the world loses the one it made.
        if (pendingHash_ == game::CREATE_CAM_WITH_PARAMS.hash && result_[0] != answered) {
            const auto made = static_cast<CameraHandle>(answered & 0xffffffffu);
            world_.cameras.erase(made);
            if (world_.activeCamera == made) world_.activeCamera = 0;
        }
    }
    return result_.data();
}

HostRuntime SimHost::runtime() const {
    HostRuntime rt{};
    rt.scriptRegister = [](void*, ScriptFunction) {};
    rt.scriptUnregister = [](void*) {};
    rt.scriptWait = [](std::uint32_t) {
        ++active_->world_.log.yields;
        if (active_->onYield) active_->onYield();
    };
    rt.nativeInit = [](std::uint64_t hash) { active_->beginCall(hash); };
    rt.nativePush64 = [](std::uint64_t value) { active_->push(value); };
    rt.nativeCall = []() { return active_->call(); };
    rt.getScriptHandleBaseAddress = [](std::int32_t handle) -> std::uint8_t* {
        SimVehicle* vehicle = active_->world_.findVehicle(handle);
        if (Hostility* h = active_->hostility; h != nullptr && h->strikes()) return nullptr;
        return vehicle != nullptr && vehicle->exists ? vehicle->memory.data() : nullptr;
    };
    return rt;
}

// ---------------------------------------------------------------------------------------
// The manual-transmission stand-in's exports.

namespace {

World* gearsWorld = nullptr;  // the world the exported functions answer from

bool gearsLookingLeft() {
    ++gearsWorld->gears.lookQueries;
    return gearsWorld->gears.lookingLeft;
}
bool gearsLookingRight() {
    ++gearsWorld->gears.lookQueries;
    return gearsWorld->gears.lookingRight;
}
bool gearsLookingBack() {
    ++gearsWorld->gears.lookQueries;
    return gearsWorld->gears.lookingBack;
}
int gearsOtherExport() { return 0; }

bool inRegion(const void* address, std::size_t bytes, const std::uint8_t* base, std::size_t size) {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    const auto b = reinterpret_cast<std::uintptr_t>(base);
    return base != nullptr && a >= b && bytes <= size && a - b <= size - bytes;
}

bool writableRegion(const World& world, const void* address, std::size_t bytes) {
    if (inRegion(address, bytes, world.memory.viewBlock.data(), world.memory.viewBlock.size())) return true;
    for (const auto& [name, block] : world.memory.modelInfo)
        if (inRegion(address, bytes, block.data(), block.size())) return true;
    for (const SimVehicle& v : world.vehicles)
        if (inRegion(address, bytes, v.memory.data(), v.memory.size())) return true;
    return false;
}

}  // namespace

Platform SimHost::platform() const {
    gearsWorld = &world_;
    Platform p{};
    p.isGameForeground = [] { return active_->world_.focus; };
    p.getAsyncKeyState = [](std::int32_t code) -> std::int16_t {
        if (code < 0 || code >= 256) return 0;
        return active_->world_.keys[static_cast<std::size_t>(code)] ? static_cast<std::int16_t>(0x8000) : 0;
    };
    p.getModuleHandle = [](const char* name) -> void* {
        World& w = active_->world_;
        if (w.gears.present && std::strcmp(name, "Gears.asi") == 0) return &w.gears;
        return nullptr;
    };
    p.getProcAddress = [](void* module, const char* name) -> void* {
        World& w = active_->world_;
        if (module != &w.gears) return nullptr;
        ++w.gears.exportLookups;
        if (std::find(w.gears.missingExports.begin(), w.gears.missingExports.end(), name) !=
            w.gears.missingExports.end())
            return nullptr;
        if (std::strcmp(name, "MT_LookingLeft") == 0) return reinterpret_cast<void*>(&gearsLookingLeft);
        if (std::strcmp(name, "MT_LookingRight") == 0) return reinterpret_cast<void*>(&gearsLookingRight);
        if (std::strcmp(name, "MT_LookingBack") == 0) return reinterpret_cast<void*>(&gearsLookingBack);
        for (const char* known : kGearsExportNames)
            if (std::strcmp(name, known) == 0) return reinterpret_cast<void*>(&gearsOtherExport);
        return nullptr;
    };
    p.mainModuleImage = []() -> ModuleImage {
        const GameMemory& m = active_->world_.memory;
        if (!m.moduleReadable) return ModuleImage{};
        return ModuleImage{m.image.data(), m.image.size()};
    };
    // A 10 MHz counter driven by the world's wall clock, so timing is deterministic.
    p.queryPerformanceCounter = [] {
        double ahead = 0.0;
        if (Hostility* h = active_->hostility; h != nullptr) ahead = h->clockAhead += h->clockJump();
        return static_cast<std::int64_t>(std::llround((active_->world_.wallClock + ahead) * 1e7));
    };
    p.queryPerformanceFrequency = []() -> std::int64_t { return 10'000'000; };
    p.isReadable = [](const void* address, std::size_t bytes) {
        const World& w = active_->world_;
        if (Hostility* h = active_->hostility; h != nullptr && h->strikes()) {
            ++h->refusedReads;
            return false;
        }
        return inRegion(address, bytes, w.memory.image.data(), w.memory.image.size()) ||
               writableRegion(w, address, bytes);
    };
    p.isWritable = [](const void* address, std::size_t bytes) {
        return writableRegion(active_->world_, address, bytes);
    };
    p.replaceFile = [](const char* from, const char* to) { return std::rename(from, to) == 0; };
    p.writeFile = writeFileToDisk;
    p.isWritableFile = isWritableOnDisk;
    p.appendLog = [](const char* bytes, std::size_t size) { active_->log.append(bytes, size); };
    p.fullPath = [](const char* path, char* out, std::size_t capacity) {
        std::error_code error;
        const std::string full = std::filesystem::absolute(path, error).string();
        if (error || full.size() >= capacity) return false;
        std::memcpy(out, full.c_str(), full.size() + 1);
        return true;
    };
    return p;
}

bool writeFileToDisk(const char* path, const void* bytes, std::size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    // Flushed, not synced: the hosts of the simulated game need no durability across a crash.
    bool whole = std::fwrite(bytes, 1, size, file) == size && std::fflush(file) == 0;
    whole = std::fclose(file) == 0 && whole;
    if (!whole) std::remove(path);  // ours, and not whole
    return whole;
}

bool isWritableOnDisk(const char* path) {
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// ---------------------------------------------------------------------------------------
// Natives.

void SimHost::answerPlayerAndTime() {
    World& w = world_;
    using namespace game;
    on(PLAYER_ID, [] { return kPlayer; });
    on(PLAYER_PED_ID, [&w] { return w.player.handle; });
    on(DOES_ENTITY_EXIST, [&w](Handle e) {
        if (e == w.player.handle) return w.player.exists;
        const SimVehicle* v = w.findVehicle(e);
        return v != nullptr && v->exists;
    });
    on(IS_PLAYER_CONTROL_ON, [&w](Handle id) { return id == kPlayer && w.player.control; });
    on(IS_ENTITY_DEAD, [&w](Handle e, bool) {
        if (e == w.player.handle) return w.player.dead;
        const SimVehicle* v = w.findVehicle(e);
        return v != nullptr && v->wrecked;
    });
    // From the start of an arrest (hands up), or only while the busted screen shows.
    on(IS_PLAYER_BEING_ARRESTED, [&w](Handle id, bool atArresting) {
        return id == kPlayer && (atArresting ? w.player.arrested || w.player.busted : w.player.busted);
    });
    // Both are this frame's game time step, slowed by the time scale like everything else.
    on(TIMESTEP, [&w] { return w.dt; });
    on(GET_FRAME_TIME, [&w] { return w.dt; });
    on(IS_PLAYER_FREE_AIMING, [&w](Handle id) { return id == kPlayer && w.aiming; });
    // Seated until out; with atGetIn also while climbing onto the seat.
    on(IS_PED_IN_ANY_VEHICLE, [&w](Handle e, bool atGetIn) {
        if (e != w.player.handle) return false;
        const SeatState seat = w.player.seat;
        return seat == SeatState::Seated || seat == SeatState::Exiting || (atGetIn && characterClimbingIn(w));
    });
    on(GET_VEHICLE_PED_IS_USING, [&w](Handle e) {
        if (e != w.player.handle || w.player.seat == SeatState::OnFoot) return Handle{0};
        return w.player.vehicle;
    });
    on(IS_PED_GETTING_INTO_A_VEHICLE,
       [&w](Handle e) { return e == w.player.handle && w.player.seat == SeatState::Entering; });
    on(GET_VEHICLE_PED_IS_TRYING_TO_ENTER, [&w](Handle e) {
        return e == w.player.handle && w.player.seat == SeatState::Entering ? w.player.vehicle : Handle{0};
    });
}

void SimHost::answerViewAndControls() {
    World& w = world_;
    using namespace game;
    on(GET_FOLLOW_PED_CAM_VIEW_MODE, [&w] { return w.onFootViewMode; });
    on(SET_FOLLOW_PED_CAM_VIEW_MODE, [&w](std::int32_t mode) {
        if (mode == 0 || mode == 1 || mode == 2 || mode == 4) w.onFootViewMode = mode;
    });
    on(SET_FOLLOW_VEHICLE_CAM_VIEW_MODE, [&w](std::int32_t mode) {
        if (mode >= 0 && mode <= 4) w.vehicleViewMode = mode;
    });
    on(GET_GAMEPLAY_CAM_ROT, [&w](std::int32_t order) {
        const Rotation r = decomposeRotation(gameCameraView(w).pose.orientation, order);
        return Vector3(r.x, r.y, r.z);
    });
    // Whole degrees; a value outside 0..360 unlocks.
    on(LOCK_MINIMAP_ANGLE, [&w](std::int32_t angle) { w.minimapAngle = angle < 0 || angle > 360 ? -1 : angle; });
    on(UNLOCK_MINIMAP_ANGLE, [&w] { w.minimapAngle = -1; });

    auto control = [&w](std::int32_t id) {
        return id >= 0 && id < kControlCount ? w.controls[static_cast<std::size_t>(id)] : ControlState{};
    };
    auto disabled = [&w](std::int32_t id) {
        return id >= 0 && id < kControlCount && w.controlDisabled[static_cast<std::size_t>(id)];
    };
    // Every pad index acts alike.
    on(DISABLE_CONTROL_ACTION, [&w](std::int32_t pad, std::int32_t id, bool) {
        w.log.disabledControls.emplace_back(pad, id);
        if (id >= 0 && id < kControlCount) w.controlDisabled[static_cast<std::size_t>(id)] = true;
    });
    on(IS_DISABLED_CONTROL_JUST_PRESSED, [control](std::int32_t, std::int32_t id) { return control(id).justPressed; });
    on(IS_CONTROL_JUST_PRESSED,
       [control, disabled](std::int32_t, std::int32_t id) { return control(id).justPressed && !disabled(id); });
    on(IS_CONTROL_PRESSED,
       [control, disabled](std::int32_t, std::int32_t id) { return control(id).held && !disabled(id); });
    // Normalised to -1..1, whatever the device. A mouse reports its movement in the frame: the
    // scenario's amount for a frame of its own length, scaled to this frame's (a movement
    // further than the game reads in a frame reads 1); a stick its deflection.
    on(GET_CONTROL_NORMAL, [&w, disabled](std::int32_t, std::int32_t id) {
        if (disabled(id)) return 0.0f;
        const float amount = id == 1 ? w.lookX : (id == 2 ? w.lookY : 0.0f);
        const float frame = w.keyboardMouse ? w.realDt / w.lookSeconds : 1.0f;
        return std::clamp(amount * frame, -1.0f, 1.0f);
    });
    on(IS_USING_KEYBOARD_AND_MOUSE, [&w](std::int32_t) { return w.keyboardMouse; });
    on(GET_HASH_KEY, [](const char* text) { return text != nullptr ? textHash(text) : 0u; });
    // Reading the typed cheat clears it.
    on(HAS_PC_CHEAT_WITH_HASH_BEEN_ACTIVATED, [&w](Hash hash) {
        const bool typed = w.typedCheat != 0 && w.typedCheat == hash;
        w.typedCheat = 0;
        return typed;
    });
}

void SimHost::answerHud() {
    World& w = world_;
    using namespace game;
    on(BEGIN_TEXT_COMMAND_THEFEED_POST, [&w](const char*) { w.pendingText.clear(); });
    // The game shows at most 99 characters of a component; more is the plug-in's fault.
    on(ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, [&w](const char* text) {
        if (text == nullptr) return;
        const std::string_view component(text);
        if (component.size() > kTextComponentLimit && w.faults.textCut++ == 0) w.faults.firstTextCutFrame = w.frame;
        w.pendingText += component.substr(0, kTextComponentLimit);
    });
    on(END_TEXT_COMMAND_THEFEED_POST_TICKER, [&w](bool, bool) {
        w.log.notifications.push_back(w.pendingText);
        w.allNotifications.push_back(w.pendingText);
        ++w.notificationsTotal;
        w.pendingText.clear();
        return w.notificationsTotal;
    });
    on(SET_TEXT_FONT, [&w](std::int32_t font) { w.pendingDraw.font = font; });
    on(SET_TEXT_SCALE, [&w](float, float size) { w.pendingDraw.scale = size; });
    on(SET_TEXT_COLOUR, [&w](std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a) {
        w.pendingDraw.colour = {r, g, b, a};
    });
    on(SET_TEXT_WRAP, [&w](float start, float end) {
        w.pendingDraw.wrapStart = start;
        w.pendingDraw.wrapEnd = end;
    });
    on(SET_TEXT_CENTRE, [&w](bool centre) { w.pendingDraw.centre = centre; });
    on(SET_TEXT_OUTLINE, [&w] { w.pendingDraw.outline = true; });
    on(BEGIN_TEXT_COMMAND_DISPLAY_TEXT, [&w](const char*) { w.pendingText.clear(); });
    on(END_TEXT_COMMAND_DISPLAY_TEXT, [&w](float x, float y, std::int32_t) {
        DrawCall draw = w.pendingDraw;
        draw.kind = DrawCall::Kind::Text;
        draw.x = x;
        draw.y = y;
        draw.text = w.pendingText;
        w.log.draws.push_back(draw);
        w.pendingDraw = DrawCall{};
        w.pendingText.clear();
    });
    on(DRAW_RECT, [&w](float x, float y, float width, float height, std::int32_t r, std::int32_t g, std::int32_t b,
                       std::int32_t a, bool) {
        DrawCall rect;
        rect.kind = DrawCall::Kind::Rect;
        rect.x = x;
        rect.y = y;
        rect.width = width;
        rect.height = height;
        rect.colour = {r, g, b, a};
        w.log.draws.push_back(rect);
    });
}

void SimHost::answerCameras() {
    World& w = world_;
    using namespace game;
    // A field of view outside 1..130 is the plug-in's fault: counted, never quietly shown.
    auto checkFov = [&w](float fov) {
        if (fov >= 1.0f && fov <= 130.0f) return;
        if (w.faults.fovOutOfRange++ == 0) {
            w.faults.firstFovFrame = w.frame;
            w.faults.firstFov = fov;
        }
    };
    auto activate = [&w](CameraHandle h, bool active) {
        const auto it = w.cameras.find(h);
        if (it == w.cameras.end()) return;
        it->second.active = active;
        if (active) {
            w.activeCamera = h;
        } else if (w.activeCamera == h) {
            w.activeCamera = 0;
        }
    };
    on(CREATE_CAM_WITH_PARAMS, [&w, checkFov, activate](const char*, float x, float y, float z, float rx, float ry,
                                                        float rz, float fov, bool active, std::int32_t order) {
        checkFov(fov);
        ScriptedCamera camera;
        camera.handle = w.nextCamera++;
        camera.pose.position = Vector3(x, y, z);
        camera.pose.orientation = composeRotation(Rotation{rx, ry, rz}, order);
        camera.fov = fov;
        w.cameras[camera.handle] = camera;
        activate(camera.handle, active);
        return camera.handle;
    });
    on(SET_CAM_ACTIVE, activate);
    on(RENDER_SCRIPT_CAMS, [&w](bool render, bool ease, std::int32_t ms, bool easeCoords, bool, Any) {
        if (render == w.renderOn) return;  // asking for the state it is in starts no new ease
        w.easeFrom = shownView(w);
        w.renderOn = render;
        w.easeSeconds = ease ? static_cast<float>(ms) / 1000.0f : 0.0f;
        w.easeElapsed = 0.0f;
        w.easePosition = easeCoords;
    });
    on(SET_CINEMATIC_MODE_ACTIVE, [&w](bool on) { w.cinematic = on; });
    on(DESTROY_CAM, [&w](Handle h, bool) {
        w.cameras.erase(h);
        if (w.activeCamera == h) w.activeCamera = 0;
    });
    auto withCamera = [&w](Handle h, auto&& apply) {
        const auto it = w.cameras.find(h);
        if (it != w.cameras.end()) apply(it->second);
    };
    on(SET_CAM_NEAR_CLIP,
       [withCamera](Handle h, float v) { withCamera(h, [v](ScriptedCamera& c) { c.nearClip = v; }); });
    on(SET_CAM_FAR_CLIP, [withCamera](Handle h, float v) { withCamera(h, [v](ScriptedCamera& c) { c.farClip = v; }); });
    on(SET_CAM_FOV, [withCamera, checkFov](Handle h, float v) {
        checkFov(v);
        withCamera(h, [v](ScriptedCamera& c) { c.fov = v; });
    });
    on(SET_CAM_COORD, [withCamera](Handle h, float x, float y, float z) {
        withCamera(h, [&](ScriptedCamera& c) { c.pose.position = Vector3(x, y, z); });
    });
    on(SET_CAM_ROT, [withCamera](Handle h, float x, float y, float z, std::int32_t order) {
        withCamera(h, [&](ScriptedCamera& c) { c.pose.orientation = composeRotation(Rotation{x, y, z}, order); });
    });
    on(GET_CAM_ROT, [&w](Handle h, std::int32_t order) {
        const auto it = w.cameras.find(h);
        if (it == w.cameras.end()) return Vector3(Vector3::Zero());
        const Rotation r = decomposeRotation(it->second.pose.orientation, order);
        return Vector3(r.x, r.y, r.z);
    });
    on(STOP_CAM_POINTING, [](Handle) {});
    on(SHOW_HUD_COMPONENT_THIS_FRAME, [](std::int32_t) {});
    on(SET_SCRIPTED_CAMERA_IS_FIRST_PERSON_THIS_FRAME, [](bool) {});
    on(SET_MOBILE_PHONE_SCALE, [&w](float scale) { w.phoneScale = scale; });
}

void SimHost::answerVehicles() {
    World& w = world_;
    using namespace game;
    // A vehicle query on a handle that is not a vehicle answers as the game does for an
    // invalid entity: zeros.
    auto vehicleAt = [&w](Handle e) -> const SimVehicle* {
        const SimVehicle* v = w.findVehicle(e);
        return v != nullptr && v->exists ? v : nullptr;
    };
    auto poseOf = [&w, vehicleAt](Handle e) -> std::optional<Pose> {
        if (const SimVehicle* v = vehicleAt(e)) return vehiclePose(w, *v);
        if (e == w.player.handle) return characterPose(w);
        return std::nullopt;
    };
    auto bonesOf = [&w, vehicleAt](Handle e) -> const std::vector<BoneDefinition>* {
        if (const SimVehicle* v = vehicleAt(e)) return &v->model->bones;
        if (e == w.player.handle && w.player.model != nullptr) return &w.player.model->bones;
        return nullptr;
    };
    auto broken = [vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->brokenData;
    };
    auto velocityOf = [&w, vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? vehicleVelocity(w, *v) : Vector3(Vector3::Zero());
    };

    on(GET_ENTITY_COORDS, [poseOf, broken](Handle e, bool) {
        if (broken(e)) return nanVector();
        const auto pose = poseOf(e);
        return pose ? pose->position : Vector3(Vector3::Zero());
    });
    on(GET_ENTITY_ROTATION, [poseOf](Handle e, std::int32_t order) {
        const auto pose = poseOf(e);
        if (!pose) return Vector3(Vector3::Zero());
        const Rotation r = decomposeRotation(pose->orientation, order);
        return Vector3(r.x, r.y, r.z);
    });
    on(GET_ENTITY_QUATERNION, [poseOf](Handle e, float* x, float* y, float* z, float* qw) {
        const Quaternion q = quaternionOfMatrix(poseOf(e).value_or(Pose{}).orientation);
        if (x != nullptr) *x = q.x();
        if (y != nullptr) *y = q.y();
        if (z != nullptr) *z = q.z();
        if (qw != nullptr) *qw = q.w();
    });
    on(GET_ENTITY_VELOCITY, [velocityOf, broken](Handle e) { return broken(e) ? nanVector() : velocityOf(e); });
    // In the entity's own frame (+y ahead) when relative, else in the world.
    on(GET_ENTITY_SPEED_VECTOR, [poseOf, velocityOf](Handle e, bool relative) {
        Vector3 v = velocityOf(e);
        if (!relative) return v;
        return Vector3(poseOf(e).value_or(Pose{}).orientation.transpose() * v);
    });
    on(GET_ENTITY_FORWARD_VECTOR, [poseOf](Handle e) {
        const auto pose = poseOf(e);
        return pose ? Vector3(pose->orientation.col(1)) : Vector3(Vector3::Zero());
    });
    on(GET_ENTITY_SPEED, [velocityOf](Handle e) { return velocityOf(e).norm(); });
    on(GET_ENTITY_HEADING, [poseOf](Handle e) {
        const auto pose = poseOf(e);
        return pose ? wrap360(headingOf(pose->orientation.col(1))) : 0.0f;
    });
    on(GET_OFFSET_FROM_ENTITY_IN_WORLD_COORDS, [poseOf](Handle e, float x, float y, float z) {
        const Pose pose = poseOf(e).value_or(Pose{});
        return Vector3(pose.position + pose.orientation * Vector3(x, y, z));
    });
    on(GET_OFFSET_FROM_ENTITY_GIVEN_WORLD_COORDS, [poseOf](Handle e, float x, float y, float z) {
        const Pose pose = poseOf(e).value_or(Pose{});
        return Vector3(pose.orientation.transpose() * (Vector3(x, y, z) - pose.position));
    });
    on(GET_ENTITY_BONE_INDEX_BY_NAME, [bonesOf](Handle e, const char* name) {
        const auto* bones = bonesOf(e);
        return bones != nullptr && name != nullptr ? boneIndexOf(*bones, name) : -1;
    });
    // Index -1, or one past the model's bones, answers the entity's origin.
    on(GET_WORLD_POSITION_OF_ENTITY_BONE, [poseOf, bonesOf](Handle e, std::int32_t index) {
        const Pose pose = poseOf(e).value_or(Pose{});
        const auto* bones = bonesOf(e);
        if (bones == nullptr || index < 0 || static_cast<std::size_t>(index) >= bones->size()) return pose.position;
        return Vector3(pose.position + pose.orientation * (*bones)[static_cast<std::size_t>(index)].offset);
    });
    on(GET_VEHICLE_CLASS, [vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? v->model->vehicleClass : 0;
    });
    on(IS_ENTITY_IN_AIR, [vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->inAir();
    });
    on(IS_ENTITY_UPSIDEDOWN, [poseOf](Handle e) {
        const auto pose = poseOf(e);
        return pose && isUpsideDown(*pose);
    });
    on(GET_VEHICLE_ACCELERATION, [vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? v->model->acceleration : 0.0f;
    });
    // Mod type 0 is the spoiler; no other mod is ever fitted here.
    on(GET_VEHICLE_MOD, [vehicleAt](Handle e, std::int32_t type) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && type == 0 ? v->spoiler : -1;
    });
    on(GET_ENTITY_ATTACHED_TO_TOW_TRUCK, [vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? v->towedEntity : 0;
    });
    on(IS_VEHICLE_ATTACHED_TO_TRAILER, [vehicleAt](Handle e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->trailer != 0;
    });
    on(GET_VEHICLE_TRAILER_VEHICLE, [vehicleAt](Handle e, Handle* out) {
        const SimVehicle* v = vehicleAt(e);
        if (v == nullptr || v->trailer == 0) return false;
        if (out != nullptr) *out = v->trailer;
        return true;
    });
    on(START_EXPENSIVE_SYNCHRONOUS_SHAPE_TEST_LOS_PROBE,
       [&w](float x1, float y1, float z1, float x2, float y2, float z2, std::int32_t flags, Handle ignored,
            std::int32_t) {
           w.probes.push_back(World::PendingProbe{Vector3(x1, y1, z1), Vector3(x2, y2, z2), flags, ignored, false});
           return static_cast<std::int32_t>(w.probes.size());
       });
    // Ready at once; reading the result releases the probe, so its handle is invalid after.
    on(GET_SHAPE_TEST_RESULT,
       [&w](std::int32_t handle, std::int32_t* hit, Vector3Slots* point, Vector3Slots* normal, Handle* entity) {
           if (handle < 1 || static_cast<std::size_t>(handle) > w.probes.size()) return 0;
           World::PendingProbe& probe = w.probes[static_cast<std::size_t>(handle - 1)];
           if (probe.released) return 0;
           probe.released = true;
           const ProbeHit result = probeSegment(w, probe.from, probe.to, probe.flags, probe.ignored);
           if (hit != nullptr) *hit = result.hit ? 1 : 0;
           storeVector(point, result.point);
           storeVector(normal, result.normal);
           if (entity != nullptr) *entity = result.entity;
           return 2;
       });
}

}  // namespace velmora::sim
