// The typed native-call layer: `invoke(runtime, native, args...)` turns typed arguments
// into 64-bit slots and decodes the result area. The encoding is the runtime's contract:
//   - whole numbers, booleans and handles: the value zero-extended to 64 bits;
//   - floats: their 32-bit pattern in the low half, the high half zero;
//   - strings and out-parameters: their address.
// Results are read as a 32-bit number or float at byte 0, or as three floats at bytes
// 0, 8 and 16. The same encoders run backwards for hosts that answer the calls.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/runtime.h"
#include "host/types.h"

namespace velmora {

// The layout of a vector in a result area or a vector out-parameter: each float at the
// start of its own 64-bit slot.
struct NativeVector3 {
    float x;
    std::uint32_t padX;
    float y;
    std::uint32_t padY;
    float z;
    std::uint32_t padZ;
};
static_assert(sizeof(NativeVector3) == 24);

template <class T>
std::uint64_t toSlot(T value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? 1u : 0u;
    } else if constexpr (std::is_same_v<T, float>) {
        return std::bit_cast<std::uint32_t>(value);
    } else if constexpr (std::is_enum_v<T>) {
        return toSlot(static_cast<std::underlying_type_t<T>>(value));
    } else if constexpr (std::is_integral_v<T>) {
        if constexpr (sizeof(T) <= 4) {
            using Unsigned = std::make_unsigned_t<T>;
            return static_cast<std::uint32_t>(static_cast<Unsigned>(value));
        } else {
            return static_cast<std::uint64_t>(value);
        }
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<std::uintptr_t>(value);
    } else {
        static_assert(sizeof(T) == 0, "no slot encoding for this argument type");
    }
}

// The inverse of toSlot, for hosts that read the slots a plug-in pushed.
template <class T>
T fromSlot(std::uint64_t slot) {
    if constexpr (std::is_same_v<T, bool>) {
        return static_cast<std::uint32_t>(slot) != 0;
    } else if constexpr (std::is_same_v<T, float>) {
        return std::bit_cast<float>(static_cast<std::uint32_t>(slot));
    } else if constexpr (std::is_enum_v<T>) {
        return static_cast<T>(fromSlot<std::underlying_type_t<T>>(slot));
    } else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4) {
        return static_cast<T>(static_cast<std::make_unsigned_t<T>>(static_cast<std::uint32_t>(slot)));
    } else if constexpr (std::is_integral_v<T>) {
        return static_cast<T>(slot);
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(static_cast<std::uintptr_t>(slot));
    } else {
        static_assert(sizeof(T) == 0, "no slot decoding for this argument type");
    }
}

template <class R>
R readResult(const std::uint64_t* area) {
    if constexpr (std::is_void_v<R>) {
        return;
    } else {
        // A runtime always hands back its result area; a missing one reads as zero.
        if (area == nullptr) return R{};
        const auto* bytes = reinterpret_cast<const unsigned char*>(area);
        if constexpr (std::is_same_v<R, bool>) {
            std::int32_t value;
            std::memcpy(&value, bytes, sizeof value);
            return value != 0;
        } else if constexpr (std::is_same_v<R, float> || std::is_same_v<R, std::int32_t> ||
                             std::is_same_v<R, std::uint32_t>) {
            R value;
            std::memcpy(&value, bytes, sizeof value);
            return value;
        } else if constexpr (std::is_same_v<R, Vector3> || std::is_same_v<R, Rotation>) {
            float x, y, z;
            std::memcpy(&x, bytes + 0, sizeof x);
            std::memcpy(&y, bytes + 8, sizeof y);
            std::memcpy(&z, bytes + 16, sizeof z);
            return R{x, y, z};
        } else {
            static_assert(sizeof(R) == 0, "no result decoding for this type");
        }
    }
}

// The inverse of readResult, for hosts: fills a result area of at least three slots.
template <class R>
void writeResult(std::uint64_t* area, const R& value) {
    auto* bytes = reinterpret_cast<unsigned char*>(area);
    std::memset(bytes, 0, 3 * sizeof(std::uint64_t));
    if constexpr (std::is_same_v<R, bool>) {
        const std::int32_t flag = value ? 1 : 0;
        std::memcpy(bytes, &flag, sizeof flag);
    } else if constexpr (std::is_same_v<R, float> || std::is_same_v<R, std::int32_t> ||
                         std::is_same_v<R, std::uint32_t>) {
        std::memcpy(bytes, &value, sizeof value);
    } else if constexpr (std::is_same_v<R, Vector3>) {
        writeResult(area, Rotation{value.x(), value.y(), value.z()});
    } else if constexpr (std::is_same_v<R, Rotation>) {
        std::memcpy(bytes + 0, &value.x, sizeof value.x);
        std::memcpy(bytes + 8, &value.y, sizeof value.y);
        std::memcpy(bytes + 16, &value.z, sizeof value.z);
    } else {
        static_assert(sizeof(R) == 0, "no result encoding for this type");
    }
}

// A native declared once with its hash, its signature and a name that says what it does.
template <class Signature>
struct Native;

template <class R, class... Args>
struct Native<R(Args...)> {
    using Result = R;
    std::uint64_t hash;
    const char* name;
};

// The three steps of every native call: init with the hash, one push per argument in
// parameter order, call; the result area is decoded at once and never kept.
template <class R, class... Args, class... Given>
R invoke(const HostRuntime& runtime, const Native<R(Args...)>& native, Given... given) {
    static_assert(sizeof...(Args) == sizeof...(Given), "wrong number of native arguments");
    runtime.nativeInit(native.hash);
    // The argument converts implicitly, so a narrowing (a double for a float) is a warning.
    (runtime.nativePush64(toSlot<Args>(given)), ...);
    return readResult<R>(runtime.nativeCall());
}

}  // namespace velmora
