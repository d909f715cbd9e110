// The native-call layer: how arguments become 64-bit slots and how result areas are read.
#include "host/native.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "support/fake_runtime.h"

namespace velmora {
namespace {

using testing::FakeRuntime;

TEST(NativeSlots, ArgumentsAreEncodedAsTheRuntimeExpects) {
    FakeRuntime fake;
    const HostRuntime runtime = fake.table();
    const char* text = "DEFAULT_SCRIPTED_CAMERA";
    std::int32_t out = 0;
    constexpr Native<void(std::int32_t, std::int32_t, bool, bool, float, float, const char*, std::int32_t*,
                          std::uint64_t)>
        kProbe{0x1122334455667788ull, "probe"};
    invoke(runtime, kProbe, -1, 7, true, false, 1.5f, -0.0f, text, &out, 0xfedcba9876543210ull);
    ASSERT_EQ(fake.calls().size(), 1u);
    const testing::RecordedCall& call = fake.calls()[0];
    EXPECT_EQ(call.hash, 0x1122334455667788ull);
    // -1 zero-extended, not sign-extended; 1.5f's bit pattern in the low half; -0.0f keeps its sign bit.
    const std::vector<std::uint64_t> expected = {0x00000000ffffffffull,
                                                 7,
                                                 1,
                                                 0,
                                                 0x3fc00000ull,
                                                 0x80000000ull,
                                                 reinterpret_cast<std::uintptr_t>(text),
                                                 reinterpret_cast<std::uintptr_t>(&out),
                                                 0xfedcba9876543210ull};
    EXPECT_EQ(call.slots, expected);
}

TEST(NativeResults, NumbersAreReadAtByteZeroAndVectorsAtEightByteSpacing) {
    std::uint64_t area[3];
    std::memset(area, 0xAB, sizeof area);  // the high half of slot 0 is noise
    const std::int32_t number = -42;
    std::memcpy(area, &number, sizeof number);
    EXPECT_EQ(readResult<std::int32_t>(area), -42);
    EXPECT_TRUE(readResult<bool>(area));
    const float f = 3.25f;
    std::memcpy(area, &f, sizeof f);
    EXPECT_EQ(readResult<float>(area), 3.25f);
    writeResult(area, Vector3(1.0f, -2.0f, 3.5f));
    float floats[6];  // each coordinate at the start of its own 8-byte slot
    std::memcpy(floats, area, sizeof floats);
    EXPECT_EQ((std::array{floats[0], floats[2], floats[4]}), (std::array{1.0f, -2.0f, 3.5f}));
    const Rotation r = readResult<Rotation>(area);
    EXPECT_EQ((std::array{r.x, r.y, r.z}), (std::array{1.0f, -2.0f, 3.5f}));
    std::memset(area, 0, 4);
    EXPECT_FALSE(readResult<bool>(area));
    EXPECT_EQ(readResult<std::int32_t>(nullptr), 0);  // a runtime without a result area
}

}  // namespace
}  // namespace velmora
