// A recording stand-in for the script runtime: it keeps every native call (hash and
// slots) and answers each hash with a scripted result area. One at a time.
#pragma once

#include <array>
#include <cassert>
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
    FakeRuntime() {
        assert(current_ == nullptr && "one fake runtime at a time");
        current_ = this;
    }
    ~FakeRuntime() { current_ = nullptr; }
    FakeRuntime(const FakeRuntime&) = delete;
    FakeRuntime& operator=(const FakeRuntime&) = delete;

    // The table to hand to the code under test; it routes to this instance.
    HostRuntime table() const {
        HostRuntime runtime{};
        runtime.nativeInit = [](std::uint64_t hash) { current_->calls_.push_back({hash, {}}); };
        runtime.nativePush64 = [](std::uint64_t value) { current_->calls_.back().slots.push_back(value); };
        runtime.nativeCall = [] {
            FakeRuntime& self = *current_;
            const auto it = self.answers_.find(self.calls_.back().hash);
            self.result_ = it == self.answers_.end() ? std::array<std::uint64_t, 3>{} : it->second;
            return self.result_.data();
        };
        return runtime;
    }

    template <class R, class Signature>
    void answer(const Native<Signature>& native, const R& value) {
        std::array<std::uint64_t, 3> area{};
        writeResult(area.data(), value);
        answers_[native.hash] = area;
    }

    const std::vector<RecordedCall>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

private:
    static inline FakeRuntime* current_ = nullptr;
    std::vector<RecordedCall> calls_;
    std::map<std::uint64_t, std::array<std::uint64_t, 3>> answers_;
    std::array<std::uint64_t, 3> result_{};
};

}  // namespace velmora::testing
