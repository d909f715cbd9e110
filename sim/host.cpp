#include "sim/host.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "cammath/cammath.h"
#include "gears/gears.h"
#include "shell/natives.h"

namespace velmora::sim {
namespace {

// The game's text hash: Jenkins' one-at-a-time over the lower-cased text.
std::uint32_t textHash(const char* text) {
    std::uint32_t h = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        char c = *p;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        h += static_cast<std::uint8_t>(c);
        h += h << 10;
        h ^= h >> 6;
    }
    h += h << 3;
    h ^= h >> 11;
    h += h << 15;
    return h;
}

const std::uint32_t kMenuTriggerHash = textHash("cpc");

Vector3 nanVector() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return Vector3(nan, nan, nan);
}

void storeVector(NativeVector3* out, const Vector3& v) {
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
    p.queryPerformanceCounter = [] { return static_cast<std::int64_t>(std::llround(active_->world_.wallClock * 1e7)); };
    p.queryPerformanceFrequency = []() -> std::int64_t { return 10'000'000; };
    p.isReadable = [](const void* address, std::size_t bytes) {
        const World& w = active_->world_;
        return inRegion(address, bytes, w.memory.image.data(), w.memory.image.size()) ||
               writableRegion(w, address, bytes);
    };
    p.isWritable = [](const void* address, std::size_t bytes) {
        return writableRegion(active_->world_, address, bytes);
    };
    return p;
}

// ---------------------------------------------------------------------------------------
// Natives.

void SimHost::answerPlayerAndTime() {
    World& w = world_;
    on(natives::playerId, [] { return kPlayer; });
    on(natives::playerCharacter, [&w] { return w.player.handle; });
    on(natives::doesEntityExist, [&w](Entity e) {
        if (e == w.player.handle) return w.player.exists;
        const SimVehicle* v = w.findVehicle(e);
        return v != nullptr && v->exists;
    });
    on(natives::isPlayerPlaying, [&w](PlayerId id) { return id == kPlayer && w.player.playing; });
    on(natives::isEntityDead, [&w](Entity e) { return e == w.player.handle && w.player.dead; });
    on(natives::isPlayerBeingArrested, [&w](PlayerId id, bool) { return id == kPlayer && w.player.arrested; });
    on(natives::frameTimestep, [&w] { return w.dt; });
    on(natives::frameTime, [&w] { return w.dt; });
    on(natives::isPlayerAiming, [&w](PlayerId id) { return id == kPlayer && w.aiming; });
    on(natives::isCharacterInAnyVehicle, [&w](Entity e, bool countEntering) {
        if (e != w.player.handle) return false;
        const SeatState seat = w.player.seat;
        return seat == SeatState::Seated || seat == SeatState::Exiting ||
               (countEntering && seat == SeatState::Entering);
    });
    on(natives::vehicleOfCharacter, [&w](Entity e) {
        if (e != w.player.handle || w.player.seat == SeatState::OnFoot) return Entity{0};
        return w.player.vehicle;
    });
    on(natives::isCharacterEnteringVehicle,
       [&w](Entity e) { return e == w.player.handle && w.player.seat == SeatState::Entering; });
    on(natives::isCharacterInVehicleTransition,
       [&w](Entity e) { return e == w.player.handle && w.player.seat == SeatState::Exiting; });
}

void SimHost::answerViewAndControls() {
    World& w = world_;
    on(natives::gameViewMode, [&w] { return w.gameViewMode; });
    on(natives::setGameViewMode, [&w](std::int32_t mode) { w.gameViewMode = mode; });
    on(natives::setGameCameraMode, [&w](std::int32_t mode) { w.gameCameraMode = mode; });
    on(natives::gameCameraRotation, [&w](std::int32_t) { return gameCameraView(w).rotation; });
    on(natives::setGameHeading, [&w](std::int32_t heading) { w.heading = heading; });

    auto control = [&w](std::int32_t id) {
        return id >= 0 && id < kControlCount ? w.controls[static_cast<std::size_t>(id)] : ControlState{};
    };
    on(natives::disableControlThisFrame, [&w](std::int32_t group, std::int32_t id, bool) {
        w.log.disabledControls.emplace_back(group, id);
        if (id >= 0 && id < kControlCount) w.controlDisabled[static_cast<std::size_t>(id)] = true;
    });
    on(natives::isDisabledControlJustPressed, [control](std::int32_t, std::int32_t id) { return control(id).justPressed; });
    // The plain queries do not see a control the script disabled this frame.
    on(natives::isControlJustPressed, [&w, control](std::int32_t, std::int32_t id) {
        return control(id).justPressed && !(id >= 0 && id < kControlCount && w.controlDisabled[static_cast<std::size_t>(id)]);
    });
    on(natives::isControlPressed, [&w, control](std::int32_t, std::int32_t id) {
        return control(id).held && !(id >= 0 && id < kControlCount && w.controlDisabled[static_cast<std::size_t>(id)]);
    });
    on(natives::controlValue, [&w](std::int32_t group, std::int32_t id) {
        if (group != 2) return 0.0f;
        return id == 1 ? w.lookX : (id == 2 ? w.lookY : 0.0f);
    });
    on(natives::lastInputWasKeyboardMouse, [&w](std::int32_t) { return w.keyboardMouse; });
    on(natives::hashOfText, [](const char* text) { return text != nullptr ? textHash(text) : 0u; });
    on(natives::isMenuTriggered, [&w](std::uint32_t hash) { return hash == kMenuTriggerHash && w.menuTrigger; });
}

void SimHost::answerHud() {
    World& w = world_;
    on(natives::beginNotification, [&w](const char*) { w.pendingText.clear(); });
    on(natives::addText, [&w](const char* text) {
        if (text != nullptr) w.pendingText += text;
    });
    on(natives::postNotification, [&w](bool, bool) {
        w.log.notifications.push_back(w.pendingText);
        w.allNotifications.push_back(w.pendingText);
        ++w.notificationsTotal;
        w.pendingText.clear();
    });
    on(natives::setTextFont, [&w](std::int32_t font) { w.pendingDraw.font = font; });
    on(natives::setTextScale, [&w](float, float scale) { w.pendingDraw.scale = scale; });
    on(natives::setTextColour, [&w](std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a) {
        w.pendingDraw.colour = {r, g, b, a};
    });
    on(natives::setTextWrap, [](float, float) {});
    on(natives::setTextCentred, [](bool) {});
    on(natives::setTextDropShadow, [&w] { w.pendingDraw.dropShadow = true; });
    on(natives::beginTextDraw, [&w](const char*) { w.pendingText.clear(); });
    on(natives::endTextDraw, [&w](float x, float y) {
        TextDraw draw = w.pendingDraw;
        draw.x = x;
        draw.y = y;
        draw.text = w.pendingText;
        w.log.texts.push_back(draw);
        w.pendingDraw = TextDraw{};
        w.pendingText.clear();
    });
    on(natives::drawRectangle, [&w](float x, float y, float width, float height, std::int32_t r, std::int32_t g,
                                    std::int32_t b, std::int32_t a) {
        w.log.rects.push_back(RectDraw{x, y, width, height, {r, g, b, a}});
    });
}

void SimHost::answerCameras() {
    World& w = world_;
    on(natives::createCamera, [&w](const char*, float x, float y, float z, float rx, float ry, float rz, float fov,
                                   bool, std::int32_t) {
        ScriptedCamera camera;
        camera.handle = w.nextCamera++;
        camera.pose.position = Vector3(x, y, z);
        camera.rotation = Rotation{rx, ry, rz};
        camera.pose.orientation = orientationOf(rz, rx, ry);
        camera.fov = fov;
        w.cameras[camera.handle] = camera;
        return camera.handle;
    });
    on(natives::setCameraActive, [&w](CameraHandle h, bool active) {
        const auto it = w.cameras.find(h);
        if (it == w.cameras.end()) return;
        it->second.active = active;
        if (active) {
            w.renderedCamera = h;
        } else if (w.renderedCamera == h) {
            w.renderedCamera = 0;
        }
    });
    on(natives::renderScriptedCameras, [&w](bool on, bool ease, std::int32_t ms, bool, bool) {
        if (on == w.renderOn) return;  // asking for the state it is in starts no new ease
        w.easeFrom = shownView(w);
        w.renderOn = on;
        w.easeSeconds = ease ? static_cast<float>(ms) / 1000.0f : 0.0f;
        w.easeElapsed = 0.0f;
    });
    on(natives::afterCameraCreated, [](std::int32_t) {});
    on(natives::beforeCameraRelease, [] {});
    on(natives::destroyCamera, [&w](CameraHandle h, bool) {
        w.cameras.erase(h);
        if (w.renderedCamera == h) w.renderedCamera = 0;
    });
    auto withCamera = [&w](CameraHandle h, auto&& apply) {
        const auto it = w.cameras.find(h);
        if (it != w.cameras.end()) apply(it->second);
    };
    on(natives::setCameraNearClip, [withCamera](CameraHandle h, float v) { withCamera(h, [v](ScriptedCamera& c) { c.nearClip = v; }); });
    on(natives::setCameraFarClip, [withCamera](CameraHandle h, float v) { withCamera(h, [v](ScriptedCamera& c) { c.farClip = v; }); });
    on(natives::setCameraFov, [withCamera](CameraHandle h, float v) { withCamera(h, [v](ScriptedCamera& c) { c.fov = v; }); });
    on(natives::setCameraPosition, [withCamera](CameraHandle h, float x, float y, float z) {
        withCamera(h, [&](ScriptedCamera& c) { c.pose.position = Vector3(x, y, z); });
    });
    on(natives::setCameraRotation, [withCamera](CameraHandle h, float x, float y, float z, std::int32_t) {
        withCamera(h, [&](ScriptedCamera& c) {
            c.rotation = Rotation{x, y, z};
            c.pose.orientation = orientationOf(z, x, y);
        });
    });
    on(natives::scriptedCameraRotation, [&w](CameraHandle h, std::int32_t) {
        const auto it = w.cameras.find(h);
        return it == w.cameras.end() ? Rotation{} : it->second.rotation;
    });
    on(natives::keepCameraThisFrame, [](CameraHandle) {});
    on(natives::aimingFrame, [](std::int32_t) {});
    on(natives::declareFirstPersonView, [](bool) {});
    on(natives::setPhoneOverlayScale, [](float) {});
}

void SimHost::answerVehicles() {
    World& w = world_;
    // A vehicle query on a handle that is not a vehicle answers as the game does for an
    // invalid entity: zeros.
    auto vehicleAt = [&w](Entity e) -> const SimVehicle* {
        const SimVehicle* v = w.findVehicle(e);
        return v != nullptr && v->exists ? v : nullptr;
    };
    auto poseOf = [&w, vehicleAt](Entity e) -> std::optional<Pose> {
        if (const SimVehicle* v = vehicleAt(e)) return vehiclePose(w, *v);
        if (e == w.player.handle) return characterPose(w);
        return std::nullopt;
    };
    auto bonesOf = [&w, vehicleAt](Entity e) -> const std::vector<BoneDefinition>* {
        if (const SimVehicle* v = vehicleAt(e)) return &v->model->bones;
        if (e == w.player.handle && w.player.model != nullptr) return &w.player.model->bones;
        return nullptr;
    };
    auto broken = [vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->brokenData;
    };

    on(natives::entityPosition, [poseOf, broken](Entity e, bool) {
        if (broken(e)) return nanVector();
        const auto pose = poseOf(e);
        return pose ? pose->position : Vector3(Vector3::Zero());
    });
    on(natives::entityRotation, [poseOf](Entity e, std::int32_t order) {
        const auto pose = poseOf(e);
        if (!pose) return Rotation{};
        return order == 0 ? rotationConvention0(pose->orientation) : rotationConvention2(pose->orientation);
    });
    on(natives::entityQuaternion, [poseOf](Entity e, float* x, float* y, float* z, float* qw) {
        const Quaternion q = poseOf(e).value_or(Pose{}).orientation;
        if (x != nullptr) *x = q.x();
        if (y != nullptr) *y = q.y();
        if (z != nullptr) *z = q.z();
        if (qw != nullptr) *qw = q.w();
    });
    on(natives::entityVelocity, [&w, vehicleAt, broken](Entity e) {
        if (broken(e)) return nanVector();
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? vehicleVelocity(w, *v) : Vector3(Vector3::Zero());
    });
    on(natives::entityOwnVelocity, [&w, vehicleAt](Entity e, bool) {
        const SimVehicle* v = vehicleAt(e);
        if (v == nullptr) return Vector3(Vector3::Zero());
        return Vector3(vehiclePose(w, *v).orientation.conjugate() * vehicleVelocity(w, *v));
    });
    on(natives::entityForward, [poseOf](Entity e) {
        const auto pose = poseOf(e);
        return pose ? Vector3(pose->orientation * Vector3(0.0f, 1.0f, 0.0f)) : Vector3(Vector3::Zero());
    });
    on(natives::entitySpeed, [&w, vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? vehicleVelocity(w, *v).norm() : 0.0f;
    });
    on(natives::entityHeading, [poseOf](Entity e) {
        const auto pose = poseOf(e);
        return pose ? WrapDegrees360(rotationConvention2(pose->orientation).z) : 0.0f;
    });
    on(natives::entityPointToWorld, [poseOf](Entity e, float x, float y, float z) {
        const Pose pose = poseOf(e).value_or(Pose{});
        return Vector3(pose.position + pose.orientation * Vector3(x, y, z));
    });
    on(natives::worldPointToEntity, [poseOf](Entity e, float x, float y, float z) {
        const Pose pose = poseOf(e).value_or(Pose{});
        return Vector3(pose.orientation.conjugate() * (Vector3(x, y, z) - pose.position));
    });
    on(natives::boneIndex, [bonesOf](Entity e, const char* name) {
        const auto* bones = bonesOf(e);
        return bones != nullptr && name != nullptr ? boneIndexOf(*bones, name) : -1;
    });
    // Index -1, or one past the model's bones, answers the entity's origin.
    on(natives::bonePosition, [poseOf, bonesOf](Entity e, std::int32_t index) {
        const Pose pose = poseOf(e).value_or(Pose{});
        const auto* bones = bonesOf(e);
        if (bones == nullptr || index < 0 || static_cast<std::size_t>(index) >= bones->size()) return pose.position;
        return Vector3(pose.position + pose.orientation * (*bones)[static_cast<std::size_t>(index)].offset);
    });
    on(natives::vehicleClass, [vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? v->model->vehicleClass : 0;
    });
    // The two travel state flags: on the ground, and standing still.
    on(natives::vehicleTravelFlagA, [vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->airborneFrames == 0;
    });
    on(natives::vehicleTravelFlagB, [&w, vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && vehicleVelocity(w, *v).norm() < 0.5f;
    });
    on(natives::vehicleInertiaFactor, [vehicleAt](Entity e) { return vehicleAt(e) != nullptr ? 1.0f : 0.0f; });
    on(natives::vehicleRearRaise, [vehicleAt](Entity e, std::int32_t) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->model->vehicleClass == 12 ? 0 : -1;  // vans raise the rear view
    });
    on(natives::towedEntity, [vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr ? v->towedEntity : 0;
    });
    on(natives::isTrailerAttached, [vehicleAt](Entity e) {
        const SimVehicle* v = vehicleAt(e);
        return v != nullptr && v->trailer != 0;
    });
    on(natives::hasTrailer, [vehicleAt](Entity e, Entity* out) {
        const SimVehicle* v = vehicleAt(e);
        if (v == nullptr || v->trailer == 0) return false;
        if (out != nullptr) *out = v->trailer;
        return true;
    });
    on(natives::startSegmentProbe, [&w](float x1, float y1, float z1, float x2, float y2, float z2, std::int32_t,
                                        Entity ignored, std::int32_t) {
        w.probes.push_back(World::PendingProbe{Vector3(x1, y1, z1), Vector3(x2, y2, z2), ignored});
        return static_cast<std::int32_t>(w.probes.size());
    });
    on(natives::segmentProbeResult, [&w](std::int32_t handle, std::int32_t* hit, NativeVector3* point,
                                         NativeVector3* normal, Entity* entity) {
        if (handle < 1 || static_cast<std::size_t>(handle) > w.probes.size()) return 0;
        const World::PendingProbe& probe = w.probes[static_cast<std::size_t>(handle - 1)];
        const ProbeHit result = probeSegment(w, probe.from, probe.to, probe.ignored);
        if (hit != nullptr) *hit = result.hit ? 1 : 0;
        storeVector(point, result.point);
        storeVector(normal, result.normal);
        if (entity != nullptr) *entity = result.entity;
        return 2;  // ready
    });
}

}  // namespace velmora::sim
