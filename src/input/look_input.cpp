#include "input/look_input.h"

#include <algorithm>
#include <cmath>

#include "gears/gears.h"
#include "plugin/velmora.h"

namespace velmora {
namespace {

constexpr std::int32_t kLookGroup = 2;
constexpr std::int32_t kLookBackControl = 79;
constexpr float kAxisRate = 9.0f;           // per second: a full swing takes 1/9 s
constexpr float kActiveThreshold = 0.005f;  // an analogue axis further than this is in use

}  // namespace

void updateLookInputActivity(Velmora& v) {
    const float h = invoke(v.runtime, natives::controlValue, kLookGroup, 1);
    const float vertical = invoke(v.runtime, natives::controlValue, kLookGroup, 2);
    v.look.lookInputActive = std::fabs(h) > kActiveThreshold || std::fabs(vertical) > kActiveThreshold;
}

void updateLookInput(Velmora& v) {
    LookInput& look = v.look;
    const bool gears = v.gears.gearsLinked && v.settings.general.GetInputFromGearsAsi;
    const KeyMappings& keys = v.settings.keyMappings;

    bool left = isKeyDown(v.platform, keyCodeOf(keys.lookLeftKey));
    if (!left && gears) left = gearsLooking(v, GearsLook::Left);
    bool right = isKeyDown(v.platform, keyCodeOf(keys.lookRightKey));
    if (!right && gears) right = gearsLooking(v, GearsLook::Right);
    // The plug-in is asked only when the game's own look-back control is not held.
    look.lookBackHeld = invoke(v.runtime, natives::isControlPressed, 0, kLookBackControl) ||
                        (gears && gearsLooking(v, GearsLook::Back)) || (left && right);

    const float step = kAxisRate * frameTimeNow(v);
    float& axis = look.lookKeyAxis;
    if (left && !right) {
        axis += step;
    } else if (right || look.lookBackHeld) {
        axis -= step;
    } else if (axis > 0.0f) {
        axis = std::max(0.0f, std::min(1.0f, axis - step));  // back toward 0, never past it
    } else {
        axis = std::max(-1.0f, std::min(0.0f, axis + step));
    }
    axis = std::clamp(axis, -1.0f, 1.0f);
}

}  // namespace velmora
