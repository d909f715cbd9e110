// A hostile game: while it is switched on, the simulated game answers a share of the
// plug-in's questions wrongly: NaN, infinity, zero and huge numbers and vectors, bone index
// -1, handles that vanish or name another entity, garbage probe normals, memory the OS says
// it cannot read and a performance counter that jumps. The world itself stays sound; only
// the answers lie. Deterministic for a seed.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "sim/game_natives.h"

namespace velmora::sim {

class Hostility {
public:
    explicit Hostility(std::uint64_t seed) : rng_(seed) {}

    bool active = false;  // the game answers badly while set
    double rate = 0.25;   // the share of answers spoiled while active

    // Handles the game knows (vehicles, the character, cameras): a re-used handle is one
    // of these, answered where another was asked for.
    std::vector<std::int32_t> knownHandles;

    long spoiledAnswers = 0;  // since the start
    long refusedReads = 0;    // readable memory the OS was made to call unreadable
    long clockJumps = 0;

    // Whether this answer is spoiled: only while active, at the rate.
    bool strikes();

    float spoilFloat(float value);
    float spoilInput(float value);  // a stick that is not a number, never one pushed hard
    void spoilVector(float& x, float& y, float& z);
    std::int32_t spoilInt(std::uint64_t hash, std::int32_t value);
    std::uint32_t spoilWord(std::uint32_t value);
    bool spoilFlag(bool value) { return !value; }
    // Seconds the performance counter jumps ahead by this time it is read (0 for none).
    double clockJump();
    double clockAhead = 0.0;  // seconds the counter runs ahead of the wall clock

private:
    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::mt19937_64 rng_;
};

// The player's controls: a wrong answer there is a press or a look the plug-in rightly
// follows, so they are spoiled only with values that are no input at all.
bool isPlayerInput(std::uint64_t hash);

// Spoils a native's answer in place: its result by the native's result type, and every
// value it writes through an out-parameter.
template <class R, class... Args>
void spoilAnswer(Hostility& h, std::uint64_t hash, const std::uint64_t* slots, std::uint64_t* result) {
    if (!h.active) return;
    const bool input = isPlayerInput(hash);
    auto* bytes = reinterpret_cast<unsigned char*>(result);
    if constexpr (std::is_same_v<R, float>) {
        if (h.strikes()) {
            float value;
            std::memcpy(&value, bytes, sizeof value);
            game::putResult<float>(result, input ? h.spoilInput(value) : h.spoilFloat(value));
        }
    } else if constexpr (std::is_same_v<R, bool>) {
        if (!input && h.strikes()) {
            std::int32_t flag;
            std::memcpy(&flag, bytes, sizeof flag);
            game::putResult<bool>(result, h.spoilFlag(flag != 0));
        }
    } else if constexpr (std::is_same_v<R, std::int32_t>) {
        if (h.strikes()) {
            std::int32_t value;
            std::memcpy(&value, bytes, sizeof value);
            game::putResult<std::int32_t>(result, h.spoilInt(hash, value));
        }
    } else if constexpr (std::is_same_v<R, std::uint32_t>) {
        if (h.strikes()) {
            std::uint32_t value;
            std::memcpy(&value, bytes, sizeof value);
            game::putResult<std::uint32_t>(result, h.spoilWord(value));
        }
    } else if constexpr (std::is_same_v<R, Vector3>) {
        if (h.strikes()) {
            game::Vector3Slots v;
            std::memcpy(&v, bytes, sizeof v);
            h.spoilVector(v.x, v.y, v.z);
            std::memcpy(bytes, &v, sizeof v);
        }
    }
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        auto outParameter = [&]<class T>(std::uint64_t slot) {
            if constexpr (std::is_pointer_v<T> && !std::is_const_v<std::remove_pointer_t<T>>) {
                T p = game::argument<T>(slot);
                if (p == nullptr || !h.strikes()) return;
                using Pointee = std::remove_pointer_t<T>;
                if constexpr (std::is_same_v<Pointee, float>) {
                    *p = h.spoilFloat(*p);
                } else if constexpr (std::is_same_v<Pointee, game::Vector3Slots>) {
                    h.spoilVector(p->x, p->y, p->z);
                } else if constexpr (std::is_same_v<Pointee, std::int32_t>) {
                    *p = h.spoilInt(hash, *p);
                }
            }
        };
        (outParameter.template operator()<Args>(slots[I]), ...);
        static_cast<void>(outParameter);  // natives without parameters
    }
    (std::index_sequence_for<Args...>{});
}

}  // namespace velmora::sim
