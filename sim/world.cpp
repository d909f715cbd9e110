// The simulated world.
//
// [SECTION] Vehicles: pose, ground, motion
// [SECTION] Attachments
// [SECTION] The character
// [SECTION] The game's camera and what is shown
// [SECTION] The segment probe
// [SECTION] The frame
// [SECTION] Game memory
#include "sim/world.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace velmora::sim {
namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kGameFov = 50.0f;  // degrees, the game's own camera
// The game's own follow views, near, medium and far: metres behind and above the target,
// looking at a point kGameLookHeight above it.
constexpr float kVehicleChaseDistance[3] = {4.5f, 6.0f, 8.0f};
constexpr float kVehicleChaseHeight[3] = {1.4f, 1.9f, 2.6f};
constexpr float kOnFootChaseDistance[3] = {2.2f, 3.2f, 4.5f};
constexpr float kOnFootChaseHeight[3] = {0.9f, 1.1f, 1.4f};
constexpr float kGameLookHeight = 0.7f;
const Vector3 kCharacterHalfSize(0.3f, 0.3f, 0.9f);  // a standing character's box, origin at its hips

const BoneDefinition* findBone(const std::vector<BoneDefinition>& bones, const char* name) {
    const std::int32_t i = boneIndexOf(bones, name);
    return i < 0 ? nullptr : &bones[static_cast<std::size_t>(i)];
}

Vector3 forwardOf(const Matrix3& orientation) { return orientation.col(1); }

Vector2 horizontalForward(float yaw) { return Vector2(-std::sin(radians(yaw)), std::cos(radians(yaw))); }

}  // namespace

SimVehicle* World::findVehicle(Entity handle) {
    for (SimVehicle& v : vehicles)
        if (v.handle == handle) return &v;
    return nullptr;
}

const SimVehicle* World::findVehicle(Entity handle) const {
    for (const SimVehicle& v : vehicles)
        if (v.handle == handle) return &v;
    return nullptr;
}

SimVehicle* World::findVehicleByName(const std::string& name) {
    for (SimVehicle& v : vehicles)
        if (v.name == name) return &v;
    return nullptr;
}

std::uint32_t textHash(std::string_view text) {
    std::uint32_t h = 0;
    for (char c : text) {
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

std::int32_t boneIndexOf(const std::vector<BoneDefinition>& bones, const std::string& name) {
    auto same = [&](const std::string& a) {
        return a.size() == name.size() && std::equal(a.begin(), a.end(), name.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (std::size_t i = 0; i < bones.size(); ++i)
        if (same(bones[i].name)) return static_cast<std::int32_t>(i);
    return -1;
}

// ---------------------------------------------------------------------------------------
// [SECTION] Vehicles: pose, ground, motion

namespace {

// Where along and across a ramp a point lies: along in 0..1 from start to end.
bool onRamp(const Ramp& ramp, float x, float y, float& along) {
    const Vector2 axis = ramp.end - ramp.start;
    const float length = axis.norm();
    if (length <= 0.0f) return false;
    const Vector2 unit = axis / length;
    const Vector2 d = Vector2(x, y) - ramp.start;
    along = d.dot(unit) / length;
    const float across = std::fabs(unit.x() * d.y() - unit.y() * d.x());
    return along >= 0.0f && along <= 1.0f && across <= 0.5f * ramp.width;
}

float rampHeight(const Ramp& ramp, float along) {
    return ramp.startHeight + (ramp.endHeight - ramp.startHeight) * along;
}

// The surface under a point: its height and the ramp it belongs to (null for the plane).
const Ramp* surfaceAt(const World& world, float x, float y, float& height) {
    height = world.ground.height;
    const Ramp* surface = nullptr;
    for (const Ramp& ramp : world.ground.ramps) {
        float along;
        if (onRamp(ramp, x, y, along) && rampHeight(ramp, along) > height) {
            height = rampHeight(ramp, along);
            surface = &ramp;
        }
    }
    return surface;
}

Vector3 rampNormal(const Ramp& ramp) {
    const Vector2 axis = ramp.end - ramp.start;
    const float rise = ramp.endHeight - ramp.startHeight;
    const Vector3 along(axis.x(), axis.y(), rise);
    const Vector3 across(-axis.y(), axis.x(), 0.0f);
    const Vector3 n = across.cross(along).normalized();
    return n.z() < 0.0f ? Vector3(-n) : n;
}

}  // namespace

float groundHeight(const World& world, float x, float y) {
    float h;
    surfaceAt(world, x, y, h);
    return h;
}

Vector3 groundNormal(const World& world, float x, float y) {
    float h;
    const Ramp* ramp = surfaceAt(world, x, y, h);
    return ramp != nullptr ? rampNormal(*ramp) : Vector3(0.0f, 0.0f, 1.0f);
}

namespace {

// Where a body resting on the ground at a place would sit: the height of its origin and the
// slope's pitch and roll, read under the four ends of the body.
struct GroundFit {
    float z = 0.0f;
    float pitch = 0.0f;  // degrees
    float roll = 0.0f;
};

GroundFit fitGround(const World& world, const VehicleModel& model, float x, float y, float yaw) {
    const Vector2 f = horizontalForward(yaw);
    const Vector2 r(f.y(), -f.x());
    const Vector2 at(x, y);
    const float ly = 0.6f * model.halfSize.y(), lx = 0.8f * model.halfSize.x();
    auto h = [&](const Vector2& p) { return groundHeight(world, p.x(), p.y()); };
    const float front = h(at + ly * f), rear = h(at - ly * f);
    const float left = h(at - lx * r), right = h(at + lx * r);
    return GroundFit{0.25f * (front + rear + left + right) + model.groundClearance,
                     degrees(std::atan2(front - rear, 2.0f * ly)), degrees(std::atan2(left - right, 2.0f * lx))};
}

}  // namespace

void settleOnGround(const World& world, SimVehicle& v) {
    const GroundFit g = fitGround(world, *v.model, v.position.x(), v.position.y(), v.yaw);
    v.groundPitch = g.pitch;
    v.groundRoll = g.roll;
    v.position.z() = g.z;
}

Vector3 rearAxleOf(const VehicleModel& model) {
    const BoneDefinition* left = findBone(model.bones, "hub_lr");
    const BoneDefinition* right = findBone(model.bones, "hub_rr");
    if (left != nullptr && right != nullptr) return 0.5f * (left->offset + right->offset);
    if (left != nullptr || right != nullptr) return (left != nullptr ? left : right)->offset;  // one rear wheel
    return Vector3(0.0f, -0.6f * model.halfSize.y(), 0.0f);
}

void startJump(const World& world, SimVehicle& v, int frames) {
    v.jumpFrames = static_cast<float>(frames);
    v.jumpElapsed = 0.0f;
    v.jumpHeight = 0.0f;
    v.jumpVelocity = 0.5f * kGravity * v.jumpFrames * world.baseDt;  // back down after the whole jump
}

namespace {

// The frame a body travels along on the ground: its heading and the slope under it. The body's
// own extra pitch and roll, and a landing's tilt, turn the body but not its travel.
Matrix3 travelFrame(const SimVehicle& v) { return orientationOf(v.yaw, v.groundPitch, v.groundRoll); }

// How far ahead of its rear axle a body's origin sits.
float axleLead(const VehicleModel& model) { return -rearAxleOf(model).y(); }

}  // namespace

Pose vehiclePose(const World&, const SimVehicle& vehicle) {
    Pose pose;
    pose.position = vehicle.position + Vector3(0.0f, 0.0f, vehicle.bumpHeight + vehicle.jumpHeight);
    pose.orientation = vehicle.flying
                           ? orientationOf(vehicle.yaw, vehicle.flightPitch, vehicle.flightRoll)
                           : orientationOf(vehicle.yaw, vehicle.groundPitch + vehicle.pitch + vehicle.settlePitch,
                                           vehicle.groundRoll + vehicle.roll + vehicle.settleRoll);
    return pose;
}

namespace {

// The velocity of the body's origin from its motion on the ground or in the air, without the
// bumps and a scripted jump.
Vector3 travelVelocity(const SimVehicle& vehicle) {
    if (vehicle.flying) return vehicle.flightVelocity;
    // Turning about its rear axle, the body's origin also moves sideways: ω × (its distance
    // ahead of the axle), to the left in a left turn.
    const Matrix3 travel = travelFrame(vehicle);
    const float sideSpeed = -radians(vehicle.yawRate) * axleLead(*vehicle.model);
    return travel.col(1) * vehicle.speed + travel.col(0) * sideSpeed;
}

}  // namespace

Vector3 vehicleVelocity(const World&, const SimVehicle& vehicle) {
    return travelVelocity(vehicle) + Vector3(0.0f, 0.0f, vehicle.bumpVelocity + vehicle.jumpVelocity);
}

bool isUpsideDown(const Pose& pose) { return pose.orientation(2, 2) < 0.0f; }

namespace {

constexpr auto kGravityD = static_cast<double>(kGravity);
constexpr double kTakeOffTolerance =
    1e-4;                         // metres the ground may fall below a ballistic path and still carry the body
constexpr int kSearchSteps = 40;  // halvings of a frame to find a take-off or a landing: far below a microsecond

// The ground motion of a body over part of a frame, exact for a constant acceleration and
// turn rate: its rear axle runs along the arc its heading sweeps, never along the chord, so
// the path is the same whatever the frame rate.
struct Drive {
    double axleX = 0.0, axleY = 0.0;  // metres
    double yaw = 0.0;                 // degrees
    double speed = 0.0;               // metres per second
    bool coasting = false;
};

// ∫₀ᵗ (v0 + a·τ)·f(ψ0 + w·τ) dτ with f(ψ) = (−sin ψ, cos ψ), the horizontal forward axis.
void sweep(double v0, double a, double psi0, double w, double t, double& dx, double& dy) {
    double i0x, i0y, i1x, i1y;  // ∫ f dτ and ∫ τ·f dτ
    const double s0 = std::sin(psi0), c0 = std::cos(psi0);
    if (std::fabs(w * t) < 1e-3) {
        // Series: f(ψ0 + wτ) = f0 + f0'·wτ − f0·(wτ)²/2, with f0' = (−cos ψ0, −sin ψ0).
        const double w2 = w * w, t2 = t * t, t3 = t2 * t, t4 = t3 * t;
        i0x = -s0 * t - c0 * w * t2 / 2.0 + s0 * w2 * t3 / 6.0;
        i0y = c0 * t - s0 * w * t2 / 2.0 - c0 * w2 * t3 / 6.0;
        i1x = -s0 * t2 / 2.0 - c0 * w * t3 / 3.0 + s0 * w2 * t4 / 8.0;
        i1y = c0 * t2 / 2.0 - s0 * w * t3 / 3.0 - c0 * w2 * t4 / 8.0;
    } else {
        // F(ψ) = (cos ψ, sin ψ) is ∫f dψ, and G(ψ) = (sin ψ, −cos ψ) is ∫F dψ.
        const double psi1 = psi0 + w * t;
        const double s1 = std::sin(psi1), c1 = std::cos(psi1);
        i0x = (c1 - c0) / w;
        i0y = (s1 - s0) / w;
        i1x = t * c1 / w - (s1 - s0) / (w * w);
        i1y = t * s1 / w - (-c1 + c0) / (w * w);
    }
    dx = v0 * i0x + a * i1x;
    dy = v0 * i0y + a * i1y;
}

Drive driveFor(Drive d, double accel, double yawRate, double cosPitch, double t) {
    while (t > 0.0) {
        // An unhooked load rolls to a stop: the slowing ends when the speed reaches 0.
        double a = accel, span = t;
        if (d.coasting) {
            a -= std::copysign(static_cast<double>(kRollingDeceleration), d.speed);
            if (d.speed == 0.0) {
                d.coasting = false;
                continue;
            }
            if (const double stop = -d.speed / a; stop > 0.0 && stop < span) span = stop;
        }
        double dx, dy;
        sweep(d.speed, a, d.yaw * kPi / 180.0, yawRate * kPi / 180.0, span, dx, dy);
        d.axleX += cosPitch * dx;
        d.axleY += cosPitch * dy;
        d.yaw += yawRate * span;
        d.speed += a * span;
        if (span < t) {
            d.speed = 0.0;
            d.coasting = false;
        }
        t -= span;
    }
    return d;
}

Vector2 originOf(const Drive& d, double lead) {
    const double psi = d.yaw * kPi / 180.0;
    return Vector2(static_cast<float>(d.axleX - lead * std::sin(psi)),
                   static_cast<float>(d.axleY + lead * std::cos(psi)));
}

// The track in double as the float pose stands: reseeded whenever something outside the motion
// (a scenario's pose, a landing, a hitch) has placed the body.
Drive trackOf(SimVehicle& v) {
    GroundTrack& t = v.track;
    if (!t.set || t.writtenX != v.position.x() || t.writtenY != v.position.y() || t.writtenYaw != v.yaw ||
        t.writtenSpeed != v.speed) {
        const auto lead = static_cast<double>(axleLead(*v.model));
        const double psi = static_cast<double>(v.yaw) * kPi / 180.0;
        t.axleX = static_cast<double>(v.position.x()) + lead * std::sin(psi);
        t.axleY = static_cast<double>(v.position.y()) - lead * std::cos(psi);
        t.yaw = static_cast<double>(v.yaw);
        t.speed = static_cast<double>(v.speed);
        t.set = true;
    }
    return Drive{t.axleX, t.axleY, t.yaw, t.speed, v.coasting};
}

void writeTrack(SimVehicle& v, const Drive& d) {
    const Vector2 o = originOf(d, static_cast<double>(axleLead(*v.model)));
    const double yaw = d.yaw - 360.0 * std::floor((d.yaw + 180.0) / 360.0);  // [-180, 180)
    v.position.x() = o.x();
    v.position.y() = o.y();
    v.yaw = static_cast<float>(yaw);
    v.speed = static_cast<float>(d.speed);
    v.track = GroundTrack{d.axleX, d.axleY, yaw, d.speed, o.x(), o.y(), v.yaw, v.speed, true};
    v.coasting = d.coasting;
}

void takeOff(SimVehicle& v) {
    v.flightVelocity = travelVelocity(v);
    v.flightPitch = v.groundPitch + v.pitch + v.settlePitch;
    v.flightRoll = v.groundRoll + v.roll + v.settleRoll;
    v.settlePitch = v.settleRoll = 0.0f;
    v.position.z() += v.bumpHeight;  // the jolt of the moment goes up with it
    v.bumpHeight = v.bumpVelocity = 0.0f;
    v.flying = true;
}

// Moves a body on its wheels for up to `seconds`; answers the time it rode before the ground
// fell away under it (then it flies on from there).
double rideOnGround(const World& world, SimVehicle& v, double seconds) {
    const Drive start = trackOf(v);
    const auto lead = static_cast<double>(axleLead(*v.model));
    const auto cosPitch = static_cast<double>(std::cos(radians(v.groundPitch)));
    const auto z0 = static_cast<double>(v.position.z());
    struct Place {
        Drive drive;
        GroundFit ground;
    };
    auto at = [&](double t) {
        const Drive d = driveFor(start, static_cast<double>(v.accel), static_cast<double>(v.yawRate), cosPitch, t);
        const Vector2 o = originOf(d, lead);
        return Place{d, fitGround(world, *v.model, o.x(), o.y(), static_cast<float>(d.yaw))};
    };
    // The body rises and falls as the ground it came over did: that is the rate it carries
    // into the air. Gravity pulls it below that path at most this far by then; ground that
    // falls further is left behind.
    constexpr float kInstant = 1e-3f;  // seconds
    const Vector3 came = v.position - kInstant * travelVelocity(v);
    const double climb = (z0 - static_cast<double>(fitGround(world, *v.model, came.x(), came.y(), v.yaw).z)) /
                         static_cast<double>(kInstant);
    auto leftBehind = [&](double t, const Place& p) {
        return static_cast<double>(p.ground.z) < z0 + climb * t - 0.5 * kGravityD * t * t - kTakeOffTolerance;
    };
    Place end = at(seconds);
    double rode = seconds;
    const bool flies = leftBehind(seconds, end);
    if (flies) {
        double lo = 0.0, hi = seconds;
        for (int i = 0; i < kSearchSteps; ++i) {
            const double mid = 0.5 * (lo + hi);
            (leftBehind(mid, at(mid)) ? hi : lo) = mid;
        }
        rode = lo;
        end = at(rode);
    }
    writeTrack(v, end.drive);
    v.position.z() = end.ground.z;
    v.groundPitch = end.ground.pitch;
    v.groundRoll = end.ground.roll;
    const auto settled = static_cast<float>(std::exp(-rode / static_cast<double>(kLandingSettleSeconds)));
    v.settlePitch *= settled;
    v.settleRoll *= settled;
    if (flies) takeOff(v);
    return rode;
}

// Moves a body through the air for up to `seconds`; answers the time it flew before it landed.
double fly(const World& world, SimVehicle& v, double seconds) {
    const Vector3 p0 = v.position;
    const Vector3 u0 = v.flightVelocity;
    const float yaw0 = v.yaw;
    auto placeAt = [&](double t) {
        const float ft = static_cast<float>(t);
        return Vector3(p0 + u0 * ft + Vector3(0.0f, 0.0f, -0.5f * kGravity * ft * ft));
    };
    auto yawAt = [&](double t) { return yaw0 + v.yawRate * static_cast<float>(t); };
    auto groundAt = [&](double t) {
        const Vector3 p = placeAt(t);
        return fitGround(world, *v.model, p.x(), p.y(), yawAt(t));
    };
    auto down = [&](double t) {
        return static_cast<double>(placeAt(t).z()) < static_cast<double>(groundAt(t).z) - kTakeOffTolerance;
    };
    double flew = seconds;
    if (down(seconds)) {
        double lo = 0.0, hi = seconds;
        for (int i = 0; i < kSearchSteps; ++i) {
            const double mid = 0.5 * (lo + hi);
            (down(mid) ? hi : lo) = mid;
        }
        flew = hi;
    }
    v.position = placeAt(flew);
    v.yaw = wrap180(yawAt(flew));
    v.flightVelocity.z() -= kGravity * static_cast<float>(flew);
    if (flew < seconds || down(seconds)) {
        // Landed: on its wheels on the ground beneath, rolling on with what it carried forward,
        // its tilt easing onto the slope.
        const GroundFit g = groundAt(flew);
        v.position.z() = g.z;
        v.groundPitch = g.pitch;
        v.groundRoll = g.roll;
        v.speed = Vector2(v.flightVelocity.x(), v.flightVelocity.y()).dot(horizontalForward(v.yaw));
        v.settlePitch = wrap180(v.flightPitch - g.pitch - v.pitch);
        v.settleRoll = wrap180(v.flightRoll - g.roll - v.roll);
        v.flightVelocity = Vector3::Zero();
        v.flying = false;
        v.track.set = false;
    }
    return flew;
}

void advanceJump(const World& world, SimVehicle& v) {
    v.jumpElapsed += world.dt / world.baseDt;  // exactly 1 a frame at normal speed
    if (v.jumpElapsed >= v.jumpFrames - 1e-3f) {
        v.jumpFrames = v.jumpElapsed = v.jumpHeight = v.jumpVelocity = 0.0f;  // landed
        return;
    }
    // The exact parabola, so a jump's top does not depend on the frame rate.
    const float t = v.jumpElapsed * world.baseDt;
    const float launch = 0.5f * kGravity * v.jumpFrames * world.baseDt;
    v.jumpHeight = launch * t - 0.5f * kGravity * t * t;
    v.jumpVelocity = launch - kGravity * t;
}

void moveVehicle(World& world, SimVehicle& v) {
    const float dt = world.dt;
    if (dt <= 0.0f) return;
    // A frame may hold a take-off and a landing: each part runs until the next.
    auto left = static_cast<double>(dt);
    for (int part = 0; part < 4 && left > 0.0; ++part)
        left -= v.flying ? fly(world, v, left) : rideOnGround(world, v, left);

    if (v.bumpAmplitude > 0.0f && !v.flying) {
        v.bumpPhase += kTwoPi * v.bumpFrequency * dt;
        v.bumpHeight = v.bumpAmplitude * std::sin(v.bumpPhase);
        v.bumpVelocity = v.bumpAmplitude * kTwoPi * v.bumpFrequency * std::cos(v.bumpPhase);
    } else {
        v.bumpVelocity = 0.0f;
        v.bumpHeight = 0.0f;
    }
    if (v.jumpFrames > 0.0f) advanceJump(world, v);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// [SECTION] Attachments

namespace {

// Where a towed or pulled vehicle hangs: the parent's hitch bone meets the child's pin (its
// king pin, or the middle of its front end), and the child's rear axle rolls on the ground.
Vector3 hitchOnParent(const VehicleModel& parent) {
    if (const BoneDefinition* b = findBone(parent.bones, "attach_female")) return b->offset;
    if (const BoneDefinition* b = findBone(parent.bones, "tow_arm")) return b->offset;
    return Vector3(0.0f, -parent.halfSize.y(), 0.0f);
}

Vector3 pinOnChild(const VehicleModel& child) {
    if (const BoneDefinition* b = findBone(child.bones, "attach_male")) return b->offset;
    return Vector3(0.0f, child.halfSize.y(), 0.0f);
}

Vector3 hitchPoint(const World& world, const SimVehicle& parent) {
    const Pose pose = vehiclePose(world, parent);
    return pose.position + pose.orientation * hitchOnParent(*parent.model);
}

// The child hangs from the hitch point H on a rod from its rear axle: the axle point A is
// dragged toward H, keeping its distance, and the body lines up from A to H.
void hangFrom(World& world, SimVehicle& child, const Vector3& hitch, const Vector2& pullFrom) {
    const Vector3 pin = pinOnChild(*child.model);
    const Vector3 axle = rearAxleOf(*child.model);
    const Vector3 rod = pin - axle;  // model frame
    const float reach = Vector2(rod.x(), rod.y()).norm();
    Vector2 direction = Vector2(hitch.x(), hitch.y()) - pullFrom;
    direction = direction.norm() > 1e-6f ? Vector2(direction.normalized()) : horizontalForward(child.yaw);
    const Vector2 a = Vector2(hitch.x(), hitch.y()) - direction * reach;
    const float axleZ = groundHeight(world, a.x(), a.y()) + child.model->groundClearance + axle.z();

    child.yaw = headingOf(Vector3(direction.x(), direction.y(), 0.0f));
    child.groundPitch = degrees(std::atan2(hitch.z() - axleZ, reach)) - degrees(std::atan2(rod.z(), reach));
    child.groundRoll = 0.0f;
    child.pitch = child.roll = 0.0f;
    child.bumpHeight = child.bumpVelocity = 0.0f;
    child.jumpFrames = child.jumpElapsed = child.jumpHeight = child.jumpVelocity = 0.0f;
    child.flying = false;
    child.settlePitch = child.settleRoll = 0.0f;
    const Matrix3 orientation = orientationOf(child.yaw, child.groundPitch, 0.0f);
    child.position = Vector3(a.x(), a.y(), axleZ) - orientation * axle;
}

void followParent(World& world, SimVehicle& child) {
    const SimVehicle* parent = world.findVehicle(child.attachedTo);
    if (parent == nullptr || !parent->exists) {
        child.attachedTo = 0;
        child.coasting = true;
        child.yawRate = 0.0f;
        return;
    }
    const Pose before = vehiclePose(world, child);
    const Vector3 axleBefore = before.position + before.orientation * rearAxleOf(*child.model);
    const Vector3 hitch = hitchPoint(world, *parent);
    hangFrom(world, child, hitch, Vector2(axleBefore.x(), axleBefore.y()));

    // Its motion now, as a rigid rod from its rear axle to the hitch: the axle rolls along the
    // body (no sideways slip) at the hitch's speed along the rod, and the body turns at the
    // hitch's speed across the rod over the rod's length. The hitch moves with the tractor,
    // its origin's velocity plus the tractor's turn about the origin.
    const Pose parentPose = vehiclePose(world, *parent);
    const Vector3 arm = hitch - parentPose.position;
    const float turn = radians(parent->yawRate);
    const Vector3 hitchVelocity = vehicleVelocity(world, *parent) + Vector3(-turn * arm.y(), turn * arm.x(), 0.0f);
    const Vector2 along = horizontalForward(child.yaw);
    const Vector2 across(-along.y(), along.x());  // to the left
    const Vector3 rod = pinOnChild(*child.model) - rearAxleOf(*child.model);
    const float reach = Vector2(rod.x(), rod.y()).norm();
    const Vector2 h(hitchVelocity.x(), hitchVelocity.y());
    child.speed = h.dot(along);
    child.yawRate = reach > 0.0f ? degrees(h.dot(across) / reach) : 0.0f;
}

}  // namespace

void attachVehicle(World& world, SimVehicle& parent, SimVehicle& child) {
    const bool towArm = findBone(parent.model->bones, "tow_arm") != nullptr;
    (towArm ? parent.towedEntity : parent.trailer) = child.handle;
    child.attachedTo = parent.handle;
    child.coasting = false;
    child.accel = child.yawRate = 0.0f;
    child.speed = parent.speed;
    // The game hitches a load that stands ready behind the tractor; here it is put there.
    const Vector3 hitch = hitchPoint(world, parent);
    child.yaw = parent.yaw;
    const Vector2 behind = Vector2(hitch.x(), hitch.y()) - horizontalForward(parent.yaw);
    hangFrom(world, child, hitch, behind);
}

void detachVehicles(World& world, SimVehicle& parent) {
    for (Entity attached : {parent.towedEntity, parent.trailer}) {
        if (SimVehicle* other = world.findVehicle(attached)) {
            other->attachedTo = 0;
            other->coasting = true;  // keeps its speed and rolls to a stop, straight on
            other->yawRate = 0.0f;
            settleOnGround(world, *other);
        }
    }
    parent.towedEntity = parent.trailer = 0;
}

// ---------------------------------------------------------------------------------------
// [SECTION] The character

bool characterSeated(const World& world) { return world.player.seat == SeatState::Seated; }

bool characterClimbingIn(const World& world) {
    const SimCharacter& p = world.player;
    return p.seat == SeatState::Entering && p.transitionFrames <= p.seatFrames;
}

Pose characterPose(const World& world) {
    const SimCharacter& player = world.player;
    Pose pose;
    const SimVehicle* vehicle = world.findVehicle(player.vehicle);
    if (player.seat == SeatState::OnFoot || vehicle == nullptr) {
        pose.position = player.position;
        pose.position.z() = groundHeight(world, player.position.x(), player.position.y()) + kCharacterHalfSize.z();
        pose.orientation = orientationOf(player.yaw, 0.0f, 0.0f);
        return pose;
    }
    const Pose car = vehiclePose(world, *vehicle);
    pose.orientation = car.orientation;
    // Beside the door while getting in or out, in the seat otherwise.
    const Vector3 seat = driverSeatOffset(*vehicle->model);
    const Vector3 local = player.seat == SeatState::Seated ? seat : Vector3(-1.6f, seat.y(), seat.z());
    pose.position = car.position + car.orientation * local;
    return pose;
}

namespace {

void advanceCharacter(World& world) {
    SimCharacter& player = world.player;
    if (player.transitionFrames > 0) --player.transitionFrames;
    if (player.transitionFrames > 0) return;
    if (player.seat == SeatState::Entering) {
        player.seat = SeatState::Seated;
    } else if (player.seat == SeatState::Exiting) {
        if (const SimVehicle* vehicle = world.findVehicle(player.vehicle)) {
            const Pose pose = vehiclePose(world, *vehicle);
            player.position = pose.position + pose.orientation * Vector3(-1.6f, 0.0f, 0.0f);
            player.yaw = vehicle->yaw;
        }
        player.seat = SeatState::OnFoot;
        player.vehicle = 0;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// [SECTION] The game's camera and what is shown

namespace {

// A follow camera behind a target, looking at a point above it.
View followView(const Pose& target, float distance, float height) {
    View view;
    view.fov = kGameFov;
    const float yaw = headingOf(forwardOf(target.orientation));
    const Vector2 f = horizontalForward(yaw);
    view.pose.position = target.position + Vector3(-f.x() * distance, -f.y() * distance, height);
    const float pitch = -degrees(std::atan2(height - kGameLookHeight, distance));
    view.pose.orientation = orientationOf(yaw, pitch, 0.0f);
    return view;
}

// The cinematic vehicle camera: low at the right side, looking across at the car.
View cinematicView(const Pose& target) {
    View view;
    view.fov = 40.0f;
    const float yaw = headingOf(forwardOf(target.orientation));
    const Vector3 side = target.orientation.col(0);
    view.pose.position = target.position + 6.0f * Vector3(side.x(), side.y(), 0.0f).normalized() + Vector3(0, 0, 0.8f);
    view.pose.orientation = orientationOf(yaw + 90.0f, -5.0f, 0.0f);
    return view;
}

View headView(const World& world, const Pose& facing) {
    View view;
    view.fov = kGameFov;
    const Pose body = characterPose(world);
    const CharacterModel* model = world.player.model;
    const BoneDefinition* head = model != nullptr ? findBone(model->bones, "SKEL_Head") : nullptr;
    view.pose.position = body.position + body.orientation * (head != nullptr ? head->offset : Vector3(0, 0, 0.65f));
    view.pose.orientation = facing.orientation;
    return view;
}

View withRotation(View view) {
    view.rotation = decomposeRotation(view.pose.orientation, kOrderBody);
    return view;
}

}  // namespace

View gameCameraView(const World& world) {
    const SimVehicle* vehicle = characterSeated(world) ? world.findVehicle(world.player.vehicle) : nullptr;
    if (vehicle != nullptr) {
        const Pose car = vehiclePose(world, *vehicle);
        if (world.cinematic || world.vehicleViewMode == 3) return withRotation(cinematicView(car));
        if (world.vehicleViewMode == 4) return withRotation(headView(world, car));
        const auto i = static_cast<std::size_t>(std::clamp(world.vehicleViewMode, 0, 2));
        return withRotation(followView(car, kVehicleChaseDistance[i], kVehicleChaseHeight[i]));
    }
    const Pose body = characterPose(world);
    if (world.onFootViewMode == 4) return withRotation(headView(world, body));
    const auto i = static_cast<std::size_t>(std::clamp(world.onFootViewMode, 0, 2));
    return withRotation(followView(body, kOnFootChaseDistance[i], kOnFootChaseHeight[i]));
}

View shownView(const World& world) {
    View target = gameCameraView(world);
    const auto camera = world.cameras.find(world.activeCamera);
    if (world.renderOn && camera != world.cameras.end() && camera->second.active) {
        target.pose = camera->second.pose;
        target.fov = camera->second.fov;
        target.scripted = true;
    }
    if (world.easeSeconds > 0.0f && world.easeElapsed < world.easeSeconds) {
        const float w = world.easeElapsed / world.easeSeconds;
        if (world.easePosition)
            target.pose.position =
                world.easeFrom.pose.position + (target.pose.position - world.easeFrom.pose.position) * w;
        target.pose.orientation = blendOrientation(world.easeFrom.pose.orientation, target.pose.orientation, w);
        target.fov = world.easeFrom.fov + (target.fov - world.easeFrom.fov) * w;
    }
    return withRotation(target);
}

void checkShownView(World& world) {
    const View view = shownView(world);
    if (!view.scripted || !view.pose.position.allFinite()) return;
    const Vector3& p = view.pose.position;
    if (p.z() < groundHeight(world, p.x(), p.y())) {
        if (world.faults.cameraUnderGround++ == 0) world.faults.firstUnderGroundFrame = world.frame;
    }
}

// ---------------------------------------------------------------------------------------
// [SECTION] The segment probe

namespace {

// A convex solid as the half-spaces n·x <= d that bound it.
struct HalfSpace {
    Vector3 normal;
    float offset;
};

// Where a segment enters a convex solid (0..1 along it) and through which face. A segment
// that starts inside the solid does not report it.
bool segmentEnters(const Vector3& from, const Vector3& to, const HalfSpace* faces, std::size_t count, float& tHit,
                   Vector3& normal) {
    const Vector3 d = to - from;
    float tEnter = -std::numeric_limits<float>::infinity();
    float tExit = std::numeric_limits<float>::infinity();
    const HalfSpace* entry = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        const float towards = faces[i].normal.dot(d);
        const float room = faces[i].offset - faces[i].normal.dot(from);
        if (towards == 0.0f) {
            if (room < 0.0f) return false;  // parallel and outside
            continue;
        }
        const float t = room / towards;
        if (towards < 0.0f) {
            if (t > tEnter) {
                tEnter = t;
                entry = &faces[i];
            }
        } else {
            tExit = std::min(tExit, t);
        }
    }
    if (entry == nullptr || tEnter < 0.0f || tEnter > 1.0f || tEnter > tExit) return false;
    tHit = tEnter;
    normal = entry->normal;
    return true;
}

bool segmentEntersBox(const Vector3& from, const Vector3& to, const Vector3& lo, const Vector3& hi, float& t,
                      Vector3& normal) {
    const HalfSpace faces[6] = {
        {Vector3(-1, 0, 0), -lo.x()}, {Vector3(1, 0, 0), hi.x()},   {Vector3(0, -1, 0), -lo.y()},
        {Vector3(0, 1, 0), hi.y()},   {Vector3(0, 0, -1), -lo.z()}, {Vector3(0, 0, 1), hi.z()},
    };
    return segmentEnters(from, to, faces, 6, t, normal);
}

// A ramp is solid from its surface down to well below the plane.
bool segmentEntersRamp(const Vector3& from, const Vector3& to, const Ramp& ramp, float floor, float& t,
                       Vector3& normal) {
    const Vector2 axis = ramp.end - ramp.start;
    const float length = axis.norm();
    if (length <= 0.0f) return false;
    const Vector2 u = axis / length;
    const Vector3 along(u.x(), u.y(), 0.0f), across(-u.y(), u.x(), 0.0f);
    const Vector3 start(ramp.start.x(), ramp.start.y(), ramp.startHeight);
    const Vector3 top = rampNormal(ramp);
    const HalfSpace faces[6] = {
        {top, top.dot(start)},
        {Vector3(0, 0, -1), -floor},
        {-along, -along.dot(start)},
        {along, along.dot(start) + length},
        {-across, -across.dot(start) + 0.5f * ramp.width},
        {across, across.dot(start) + 0.5f * ramp.width},
    };
    return segmentEnters(from, to, faces, 6, t, normal);
}

}  // namespace

ProbeHit probeSegment(const World& world, const Vector3& from, const Vector3& to, std::int32_t flags, Entity ignored) {
    ProbeHit best;
    float bestT = std::numeric_limits<float>::infinity();
    float t;
    Vector3 normal;
    auto consider = [&](float tHit, const Vector3& n, Entity entity) {
        if (tHit < bestT) {
            bestT = tHit;
            best = ProbeHit{true, from + (to - from) * tHit, n, entity};
        }
    };
    if (flags & kProbeWorld) {
        const HalfSpace plane{Vector3(0, 0, 1), world.ground.height};
        if (segmentEnters(from, to, &plane, 1, t, normal)) consider(t, normal, 0);
        for (const Ramp& ramp : world.ground.ramps)
            if (segmentEntersRamp(from, to, ramp, world.ground.height - 50.0f, t, normal)) consider(t, normal, 0);
        for (const Obstacle& o : world.obstacles)
            if (segmentEntersBox(from, to, o.min, o.max, t, normal)) consider(t, normal, 0);
    }
    auto considerBody = [&](const Pose& pose, const Vector3& lo, const Vector3& hi, Entity entity) {
        const Matrix3 inverse = pose.orientation.transpose();
        if (segmentEntersBox(inverse * (from - pose.position), inverse * (to - pose.position), lo, hi, t, normal))
            consider(t, pose.orientation * normal, entity);
    };
    if (flags & kProbeVehicles) {
        for (const SimVehicle& v : world.vehicles) {
            if (!v.exists || v.handle == ignored) continue;
            const Vector3 hs = v.model->halfSize;
            considerBody(vehiclePose(world, v), Vector3(-hs.x(), -hs.y(), -v.model->groundClearance),
                         Vector3(hs.x(), hs.y(), 2.0f * hs.z() - v.model->groundClearance), v.handle);
        }
    }
    if ((flags & kProbeCharacters) && world.player.exists && world.player.seat == SeatState::OnFoot &&
        world.player.handle != ignored)
        considerBody(characterPose(world), -kCharacterHalfSize, kCharacterHalfSize, world.player.handle);
    return best;
}

// ---------------------------------------------------------------------------------------
// [SECTION] The frame

float frameLength(const World& world) {
    const auto i = static_cast<std::size_t>(world.frame);
    return i < world.frameSeconds.size() ? world.frameSeconds[i] : world.baseDt;
}

namespace {

// The game acts on the controls the player pressed this frame unless a script disabled
// them: the view-change control steps the view mode, control 80 the cinematic camera.
void actOnControls(World& world) {
    auto pressed = [&](std::size_t id) { return world.controls[id].justPressed && !world.controlDisabled[id]; };
    auto next = [](std::int32_t mode) { return mode >= 4 ? 0 : (mode == 2 ? 4 : mode + 1); };
    if (characterSeated(world)) {
        if (pressed(0)) world.vehicleViewMode = next(world.vehicleViewMode);
        if (pressed(80)) world.cinematic = !world.cinematic;
    } else if (world.player.seat == SeatState::OnFoot && pressed(0)) {
        world.onFootViewMode = next(world.onFootViewMode);
    }
}

// Held inputs last their frames; presses last one frame.
void ageInputs(World& world) {
    for (ControlState& c : world.controls) {
        if (c.framesLeft > 0) --c.framesLeft;
        c.held = c.framesLeft > 0;
        c.justPressed = false;
    }
    world.controlDisabled.fill(false);
    for (std::size_t k = 0; k < world.keys.size(); ++k) {
        if (world.keyFrames[k] > 0) --world.keyFrames[k];
        world.keys[k] = world.keyFrames[k] > 0;
    }
    if (world.aimFrames > 0 && --world.aimFrames == 0) world.aiming = false;
    if (world.lookFrames > 0 && --world.lookFrames == 0) world.lookX = world.lookY = 0.0f;
    GearsStandIn& g = world.gears;
    if (g.leftFrames > 0 && --g.leftFrames == 0) g.lookingLeft = false;
    if (g.rightFrames > 0 && --g.rightFrames == 0) g.lookingRight = false;
    if (g.backFrames > 0 && --g.backFrames == 0) g.lookingBack = false;
}

}  // namespace

void advanceWorld(World& world) {
    actOnControls(world);

    // The next frame's length: the game time it moves the world by is what the frame answers
    // as its frame time, as the game's frame time is the length of the frame it shows.
    ++world.frame;
    if (world.pausedFrames > 0) --world.pausedFrames;
    const float length = frameLength(world);
    if (!world.frameSeconds.empty()) world.realDt = length * world.wallPerGameSecond;
    world.dt = world.pausedFrames > 0 ? 0.0f : length * world.timeScale;

    for (SimVehicle& v : world.vehicles)
        if (v.exists && v.attachedTo == 0) moveVehicle(world, v);
    for (SimVehicle& v : world.vehicles)
        if (v.exists && v.attachedTo != 0) followParent(world, v);
    advanceCharacter(world);

    world.easeElapsed += world.realDt;
    world.time += static_cast<double>(world.dt);
    world.wallClock += static_cast<double>(world.realDt);
    ageInputs(world);
    world.probes.clear();
    world.log = FrameLog{};
}

// ---------------------------------------------------------------------------------------
// [SECTION] Game memory

void buildGameMemory(World& world) {
    GameMemory& m = world.memory;
    m.viewBlock.assign(1024, 0);
    // 64 KiB of filler that matches neither pattern.
    m.image.assign(0x10000, 0xCC);
    auto put = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), m.image.begin() + static_cast<std::ptrdiff_t>(at));
    };
    auto put32 = [&](std::size_t at, std::int32_t value) { std::memcpy(m.image.data() + at, &value, 4); };

    if (m.flagsPattern) {
        // test rax, rax; je; mov eax, [rax + offset]; shr eax, 15
        put(0x1000, {0x48, 0x85, 0xC0, 0x74, 0x3C, 0x8B, 0x80});
        put32(0x1007, m.flagsOffset);
        put(0x100B, {0xC1, 0xE8, 0x0F});
    }
    if (m.viewPattern) {
        // A call 30 bytes before the pattern; its target loads the block pointer.
        const std::size_t match = 0x2000;
        const std::size_t call = match - 30;
        const std::size_t target = 0x3000;
        const std::size_t cell = 0x8000;
        put(call, {0xE8});
        put32(call + 1, static_cast<std::int32_t>(target - (call + 1 + 4)));
        put(match, {0x48, 0x8B, 0xC7, 0xF3, 0x0F, 0x10, 0x0D});
        put(target, {0x48, 0x8B, 0x05});  // mov rax, [rip + disp]
        put32(target + 3, static_cast<std::int32_t>(cell - (target + 7)));
        const auto block = reinterpret_cast<std::uintptr_t>(m.viewBlock.data());
        std::memcpy(m.image.data() + cell, &block, sizeof block);
    }
    for (SimVehicle& v : world.vehicles) {
        std::vector<std::uint8_t>& info = m.modelInfo[v.model->name];
        if (info.empty()) {
            info.assign(4096, 0);
            const std::uint32_t flags = 0x00400000u;
            const auto at = static_cast<std::size_t>(std::clamp(m.flagsOffset, 0, 4000) + 20);
            std::memcpy(info.data() + at, &flags, sizeof flags);
        }
        const auto address = reinterpret_cast<std::uintptr_t>(info.data());
        std::memcpy(v.memory.data() + 32, &address, sizeof address);
    }
    refreshViewBlock(world);
}

void refreshViewBlock(World& world) {
    if (world.memory.viewBlock.size() < 524) return;
    const Vector3 forward = forwardOf(gameCameraView(world).pose.orientation);
    const float xyz[3] = {forward.x(), forward.y(), forward.z()};
    std::memcpy(world.memory.viewBlock.data() + 512, xyz, sizeof xyz);
}

}  // namespace velmora::sim
