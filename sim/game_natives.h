// The game's natives as the game declares them: the name its public scripting documentation
// gives each, its hash and its full parameter list. The simulated game answers calls by
// this table, and decodes argument slots and writes results with its own code below, so a
// plug-in that pushes too few arguments or encodes one wrongly is caught here rather than
// agreed with.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/types.h"

namespace velmora::sim::game {

// A vector out-parameter or result: each float at the start of its own 64-bit slot.
struct Vector3Slots {
    float x;
    std::uint32_t padX;
    float y;
    std::uint32_t padY;
    float z;
    std::uint32_t padZ;
};
static_assert(sizeof(Vector3Slots) == 24);

using Any = std::int32_t;     // a parameter with no known meaning
using Handle = std::int32_t;  // entity, ped, vehicle, camera, player
using Hash = std::uint32_t;

template <class Signature>
struct GameNative;

template <class R, class... Args>
struct GameNative<R(Args...)> {
    std::uint64_t hash;
    const char* name;
};

// X(NAME, hash, result(parameters...))
#define VELMORA_GAME_NATIVES(X)                                                                            \
    X(PLAYER_ID, 0x4f8644af03d0e0d6, Handle())                                                             \
    X(PLAYER_PED_ID, 0xd80958fc74e988a6, Handle())                                                         \
    X(DOES_ENTITY_EXIST, 0x7239b21a38f536ba, bool(Handle))                                                 \
    X(IS_PLAYER_CONTROL_ON, 0x49c32d60007afa47, bool(Handle))                                              \
    X(IS_ENTITY_DEAD, 0x5f9532f3b5cc2551, bool(Handle, bool))                                              \
    X(IS_PLAYER_BEING_ARRESTED, 0x388a47c51abdac8e, bool(Handle, bool))                                    \
    X(TIMESTEP, 0x50597ee2, float())                                                                       \
    X(GET_FRAME_TIME, 0x15c40837039ffaf7, float())                                                         \
    X(IS_PLAYER_FREE_AIMING, 0x2e397fd2ecd37c87, bool(Handle))                                             \
    X(IS_PED_IN_ANY_VEHICLE, 0x997abd671d25ca0b, bool(Handle, bool))                                       \
    X(GET_VEHICLE_PED_IS_USING, 0x6094ad011a2ea87d, Handle(Handle))                                        \
    X(IS_PED_GETTING_INTO_A_VEHICLE, 0xbb062b2b5722478e, bool(Handle))                                     \
    X(GET_VEHICLE_PED_IS_TRYING_TO_ENTER, 0x814fa8be5449445d, Handle(Handle))                              \
    X(GET_FOLLOW_PED_CAM_VIEW_MODE, 0x8d4d46230b2c353a, std::int32_t())                                    \
    X(SET_FOLLOW_PED_CAM_VIEW_MODE, 0x5a4f9edf1673f704, void(std::int32_t))                                \
    X(SET_FOLLOW_VEHICLE_CAM_VIEW_MODE, 0xac253d7842768f48, void(std::int32_t))                            \
    X(GET_GAMEPLAY_CAM_ROT, 0x837765a25378f0bb, Vector3(std::int32_t))                                     \
    X(LOCK_MINIMAP_ANGLE, 0x299faebb108ae05b, void(std::int32_t))                                          \
    X(UNLOCK_MINIMAP_ANGLE, 0x8183455e16c42e3a, void())                                                    \
    X(DISABLE_CONTROL_ACTION, 0xfe99b66d079cf6bc, void(std::int32_t, std::int32_t, bool))                  \
    X(IS_DISABLED_CONTROL_JUST_PRESSED, 0x91aef906bca88877, bool(std::int32_t, std::int32_t))              \
    X(IS_CONTROL_JUST_PRESSED, 0x580417101ddb492f, bool(std::int32_t, std::int32_t))                       \
    X(IS_CONTROL_PRESSED, 0xf3a21bcd95725a4a, bool(std::int32_t, std::int32_t))                            \
    X(GET_CONTROL_NORMAL, 0xec3c9b8d5327b563, float(std::int32_t, std::int32_t))                           \
    X(IS_USING_KEYBOARD_AND_MOUSE, 0xa571d46727e2b718, bool(std::int32_t))                                 \
    X(BEGIN_TEXT_COMMAND_THEFEED_POST, 0x202709f4c58a0424, void(const char*))                              \
    X(ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, 0x6c188be134e074aa, void(const char*))                     \
    X(END_TEXT_COMMAND_THEFEED_POST_TICKER, 0x2ed7843f8f801023, std::int32_t(bool, bool))                  \
    X(GET_HASH_KEY, 0xd24d37cc275948cc, Hash(const char*))                                                 \
    X(HAS_PC_CHEAT_WITH_HASH_BEEN_ACTIVATED, 0x557e43c447e700a8, bool(Hash))                               \
    X(SET_TEXT_FONT, 0x66e0276cc5f6b9da, void(std::int32_t))                                               \
    X(SET_TEXT_SCALE, 0x07c837f9a01c34c9, void(float, float))                                              \
    X(SET_TEXT_COLOUR, 0xbe6b23ffa53fb442, void(std::int32_t, std::int32_t, std::int32_t, std::int32_t))   \
    X(SET_TEXT_WRAP, 0x63145d9c883a1a70, void(float, float))                                               \
    X(SET_TEXT_CENTRE, 0xc02f4dbfb51d988b, void(bool))                                                     \
    X(SET_TEXT_OUTLINE, 0x2513dfb0fb8400fe, void())                                                        \
    X(BEGIN_TEXT_COMMAND_DISPLAY_TEXT, 0x25fbb336df1804cb, void(const char*))                              \
    X(END_TEXT_COMMAND_DISPLAY_TEXT, 0xcd015e5bb0d96a57, void(float, float, std::int32_t))                 \
    X(DRAW_RECT, 0x3a618a217e5154f0,                                                                       \
      void(float, float, float, float, std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool))      \
    X(CREATE_CAM_WITH_PARAMS, 0xb51194800b257161,                                                          \
      Handle(const char*, float, float, float, float, float, float, float, bool, std::int32_t))            \
    X(SET_CAM_ACTIVE, 0x026fb97d0a425f84, void(Handle, bool))                                              \
    X(RENDER_SCRIPT_CAMS, 0x07e5b515db0636fc, void(bool, bool, std::int32_t, bool, bool, Any))             \
    X(SET_CINEMATIC_MODE_ACTIVE, 0xdcf0754ac3d6fd4e, void(bool))                                           \
    X(DESTROY_CAM, 0x865908c81a2c22e9, void(Handle, bool))                                                 \
    X(SET_CAM_NEAR_CLIP, 0xc7848efccc545182, void(Handle, float))                                          \
    X(SET_CAM_FAR_CLIP, 0xae306f2a904bf86e, void(Handle, float))                                           \
    X(SET_CAM_FOV, 0xb13c14f66a00d047, void(Handle, float))                                                \
    X(SET_CAM_COORD, 0x4d41783fb745e42e, void(Handle, float, float, float))                                \
    X(SET_CAM_ROT, 0x85973643155d0b07, void(Handle, float, float, float, std::int32_t))                    \
    X(GET_CAM_ROT, 0x7d304c1c955e3e12, Vector3(Handle, std::int32_t))                                      \
    X(STOP_CAM_POINTING, 0xf33ab75780ba57de, void(Handle))                                                 \
    X(SHOW_HUD_COMPONENT_THIS_FRAME, 0x0b4df1fa60c0e664, void(std::int32_t))                               \
    X(SET_SCRIPTED_CAMERA_IS_FIRST_PERSON_THIS_FRAME, 0x469f2ecdec046337, void(bool))                      \
    X(SET_MOBILE_PHONE_SCALE, 0xcbdd322a73d6d932, void(float))                                             \
    X(GET_ENTITY_COORDS, 0x3fef770d40960d5a, Vector3(Handle, bool))                                        \
    X(GET_ENTITY_ROTATION, 0xafbd61cc738d9eb9, Vector3(Handle, std::int32_t))                              \
    X(GET_ENTITY_QUATERNION, 0x7b3703d2d32dfa18, void(Handle, float*, float*, float*, float*))             \
    X(GET_ENTITY_VELOCITY, 0x4805d2b1d8cf94a9, Vector3(Handle))                                            \
    X(GET_ENTITY_SPEED_VECTOR, 0x9a8d700a51cb7b0d, Vector3(Handle, bool))                                  \
    X(GET_ENTITY_FORWARD_VECTOR, 0x0a794a5a57f8df91, Vector3(Handle))                                      \
    X(GET_ENTITY_SPEED, 0xd5037ba82e12416f, float(Handle))                                                 \
    X(GET_ENTITY_HEADING, 0xe83d4f9ba2a38914, float(Handle))                                               \
    X(GET_OFFSET_FROM_ENTITY_IN_WORLD_COORDS, 0x1899f328b0e12848, Vector3(Handle, float, float, float))    \
    X(GET_OFFSET_FROM_ENTITY_GIVEN_WORLD_COORDS, 0x2274bc1c4885e333, Vector3(Handle, float, float, float)) \
    X(GET_ENTITY_BONE_INDEX_BY_NAME, 0xfb71170b7e76acba, std::int32_t(Handle, const char*))                \
    X(GET_WORLD_POSITION_OF_ENTITY_BONE, 0x44a8fcb8ed227738, Vector3(Handle, std::int32_t))                \
    X(GET_VEHICLE_CLASS, 0x29439776aaa00a62, std::int32_t(Handle))                                         \
    X(IS_ENTITY_IN_AIR, 0x886e37ec497200b6, bool(Handle))                                                  \
    X(IS_ENTITY_UPSIDEDOWN, 0x1dbd58820fa61d71, bool(Handle))                                              \
    X(GET_VEHICLE_ACCELERATION, 0x5dd35c8d074e57ae, float(Handle))                                         \
    X(GET_VEHICLE_MOD, 0x772960298da26fdb, std::int32_t(Handle, std::int32_t))                             \
    X(GET_ENTITY_ATTACHED_TO_TOW_TRUCK, 0xefea18dcf10f8f75, Handle(Handle))                                \
    X(GET_VEHICLE_TRAILER_VEHICLE, 0x1cdd6badc297830d, bool(Handle, Handle*))                              \
    X(IS_VEHICLE_ATTACHED_TO_TRAILER, 0xe7cf3c4f9f489f0c, bool(Handle))                                    \
    X(START_EXPENSIVE_SYNCHRONOUS_SHAPE_TEST_LOS_PROBE, 0x377906d8a31e5586,                                \
      std::int32_t(float, float, float, float, float, float, std::int32_t, Handle, std::int32_t))          \
    X(GET_SHAPE_TEST_RESULT, 0x3d87450e15d98694,                                                           \
      std::int32_t(std::int32_t, std::int32_t*, Vector3Slots*, Vector3Slots*, Handle*))

#define VELMORA_DECLARE_GAME_NATIVE(name, hash, ...) inline constexpr GameNative<__VA_ARGS__> name{hash, #name};
VELMORA_GAME_NATIVES(VELMORA_DECLARE_GAME_NATIVE)
#undef VELMORA_DECLARE_GAME_NATIVE

// An argument as the game reads it from its 64-bit slot: numbers and booleans from the low
// 32 bits, floats from their bit pattern in the low 32 bits, pointers from the whole slot.
template <class T>
T argument(std::uint64_t slot) {
    const auto low = static_cast<std::uint32_t>(slot & 0xffffffffu);
    if constexpr (std::is_same_v<T, bool>) {
        return low != 0;
    } else if constexpr (std::is_same_v<T, float>) {
        return std::bit_cast<float>(low);
    } else if constexpr (std::is_same_v<T, std::int32_t>) {
        return static_cast<std::int32_t>(low);
    } else if constexpr (std::is_same_v<T, std::uint32_t>) {
        return low;
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(static_cast<std::uintptr_t>(slot));
    } else {
        static_assert(sizeof(T) == 0, "the game has no argument of this type");
    }
}

// A result as the game leaves it in the result area: a 32-bit value at byte 0, or a vector
// as three floats at bytes 0, 8 and 16.
template <class R>
void putResult(std::uint64_t* area, const R& value) {
    auto* bytes = reinterpret_cast<unsigned char*>(area);
    if constexpr (std::is_same_v<R, bool>) {
        const std::int32_t flag = value ? 1 : 0;
        std::memcpy(bytes, &flag, sizeof flag);
    } else if constexpr (std::is_same_v<R, float> || std::is_same_v<R, std::int32_t> ||
                         std::is_same_v<R, std::uint32_t>) {
        std::memcpy(bytes, &value, sizeof value);
    } else if constexpr (std::is_same_v<R, Vector3>) {
        const Vector3Slots slots{value.x(), 0, value.y(), 0, value.z(), 0};
        std::memcpy(bytes, &slots, sizeof slots);
    } else {
        static_assert(sizeof(R) == 0, "the game has no result of this type");
    }
}

}  // namespace velmora::sim::game
