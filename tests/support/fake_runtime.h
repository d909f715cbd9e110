// A recording stand-in for the script runtime: it keeps every native call (hash and
// slots) and answers each hash with a scripted result area.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "host/native.h"
#include "host/runtime.h"

namespace velmora::testing {

struct RecordedCall {
    std::uint64_t hash = 0;
    std::vector<std::uint64_t> slots;
};

class FakeRuntime {
public:
    FakeRuntime();
    ~FakeRuntime();
    FakeRuntime(const FakeRuntime&) = delete;
    FakeRuntime& operator=(const FakeRuntime&) = delete;

    // The table to hand to the code under test; it routes to this instance.
    HostRuntime table() const;

    template <class R>
    void answer(std::uint64_t hash, const R& value) {
        std::array<std::uint64_t, 3> area{};
        writeResult(area.data(), value);
        answers_[hash] = area;
    }
    template <class R, class Signature>
    void answer(const Native<Signature>& native, const R& value) {
        answer(native.hash, value);
    }

    const std::vector<RecordedCall>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

private:
    static FakeRuntime* current_;
    static void nativeInit(std::uint64_t hash);
    static void nativePush64(std::uint64_t value);
    static std::uint64_t* nativeCall();

    std::vector<RecordedCall> calls_;
    std::map<std::uint64_t, std::array<std::uint64_t, 3>> answers_;
    std::array<std::uint64_t, 3> result_{};
};

}  // namespace velmora::testing
