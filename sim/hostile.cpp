#include "sim/hostile.h"

#include <cmath>
#include <limits>

namespace velmora::sim {
namespace {

using game::Handle;

bool answersHandle(std::uint64_t hash) {
    for (const std::uint64_t h :
         {game::PLAYER_ID.hash, game::PLAYER_PED_ID.hash, game::GET_VEHICLE_PED_IS_USING.hash,
          game::GET_VEHICLE_PED_IS_TRYING_TO_ENTER.hash, game::CREATE_CAM_WITH_PARAMS.hash,
          game::GET_ENTITY_ATTACHED_TO_TOW_TRUCK.hash, game::GET_VEHICLE_TRAILER_VEHICLE.hash,
          game::GET_SHAPE_TEST_RESULT.hash, game::START_EXPENSIVE_SYNCHRONOUS_SHAPE_TEST_LOS_PROBE.hash})
        if (hash == h) return true;
    return false;
}

}  // namespace

bool isPlayerInput(std::uint64_t hash) {
    for (const std::uint64_t input : {game::IS_CONTROL_PRESSED.hash, game::IS_CONTROL_JUST_PRESSED.hash,
                                      game::IS_DISABLED_CONTROL_JUST_PRESSED.hash, game::GET_CONTROL_NORMAL.hash,
                                      game::IS_USING_KEYBOARD_AND_MOUSE.hash, game::IS_PLAYER_FREE_AIMING.hash,
                                      game::HAS_PC_CHEAT_WITH_HASH_BEEN_ACTIVATED.hash})
        if (hash == input) return true;
    return false;
}

float Hostility::spoilInput(float) {
    switch (pick(3)) {
        case 0:
            return std::numeric_limits<float>::quiet_NaN();
        case 1:
            return std::numeric_limits<float>::infinity();
        default:
            return -std::numeric_limits<float>::infinity();
    }
}

bool Hostility::strikes() {
    if (!active || !(uniform(0.0, 1.0) < rate)) return false;
    ++spoiledAnswers;
    return true;
}

float Hostility::spoilFloat(float value) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    switch (pick(10)) {
        case 0:
            return std::numeric_limits<float>::quiet_NaN();
        case 1:
            return kInf;
        case 2:
            return -kInf;
        case 3:
            return 0.0f;
        case 4:
            return std::numeric_limits<float>::max();
        case 5:
            return -1e30f;
        case 6:
            return 1e-40f;  // a denormal
        case 7:
            return value * 1e6f;
        case 8:
            return -value;
        default:
            return static_cast<float>(uniform(-1e5, 1e5));
    }
}

void Hostility::spoilVector(float& x, float& y, float& z) {
    switch (pick(6)) {
        case 0:
            x = y = z = std::numeric_limits<float>::quiet_NaN();
            return;
        case 1:
            x = y = z = 0.0f;
            return;
        case 2:
            x = y = z = 1e30f;
            return;
        case 3: {  // one component only
            float* c[] = {&x, &y, &z};
            *c[pick(3)] = spoilFloat(0.0f);
            return;
        }
        case 4: {  // a unit vector pointing anywhere: a garbage normal
            const double a = uniform(0.0, 6.283185307179586), b = uniform(-1.0, 1.0);
            const double r = std::sqrt(1.0 - b * b);
            x = static_cast<float>(r * std::cos(a));
            y = static_cast<float>(r * std::sin(a));
            z = static_cast<float>(b);
            return;
        }
        default:
            x = spoilFloat(x);
            y = spoilFloat(y);
            z = spoilFloat(z);
    }
}

std::int32_t Hostility::spoilInt(std::uint64_t hash, std::int32_t value) {
    if (hash == game::GET_ENTITY_BONE_INDEX_BY_NAME.hash) {
        switch (pick(3)) {
            case 0:
                return -1;
            case 1:
                return std::uniform_int_distribution<std::int32_t>(0, 2000)(rng_);
            default:
                return std::numeric_limits<std::int32_t>::min();
        }
    }
    if (hash == game::CREATE_CAM_WITH_PARAMS.hash) return pick(2) == 0 ? -1 : 0;  // the game could not make one
    if (answersHandle(hash)) {
        switch (pick(4)) {
            case 0:
                return 0;  // vanished
            case 1:
                return -1;
            case 2:
                if (!knownHandles.empty())  // re-used: another entity's handle
                    return knownHandles[static_cast<std::size_t>(pick(static_cast<int>(knownHandles.size())))];
                return value + 1;
            default:
                return std::uniform_int_distribution<std::int32_t>(1, 0x7fffffff)(rng_);
        }
    }
    switch (pick(5)) {
        case 0:
            return -1;
        case 1:
            return std::numeric_limits<std::int32_t>::min();
        case 2:
            return std::numeric_limits<std::int32_t>::max();
        case 3:
            return value + 1;
        default:
            return std::uniform_int_distribution<std::int32_t>(-10, 40)(rng_);
    }
}

std::uint32_t Hostility::spoilWord(std::uint32_t value) { return value ^ static_cast<std::uint32_t>(rng_()); }

double Hostility::clockJump() {
    if (!strikes()) return 0.0;
    ++clockJumps;
    // The counter never runs backwards (the OS's does not), but it may stall for long.
    return pick(2) == 0 ? uniform(1.0, 30.0) : uniform(0.0, 0.2);
}

}  // namespace velmora::sim
