#include "support/fake_runtime.h"

#include <cassert>

namespace velmora::testing {

FakeRuntime* FakeRuntime::current_ = nullptr;

FakeRuntime::FakeRuntime() {
    assert(current_ == nullptr && "one fake runtime at a time");
    current_ = this;
}

FakeRuntime::~FakeRuntime() { current_ = nullptr; }

HostRuntime FakeRuntime::table() const {
    HostRuntime runtime{};
    runtime.nativeInit = &FakeRuntime::nativeInit;
    runtime.nativePush64 = &FakeRuntime::nativePush64;
    runtime.nativeCall = &FakeRuntime::nativeCall;
    return runtime;
}

void FakeRuntime::nativeInit(std::uint64_t hash) { current_->calls_.push_back({hash, {}}); }

void FakeRuntime::nativePush64(std::uint64_t value) { current_->calls_.back().slots.push_back(value); }

std::uint64_t* FakeRuntime::nativeCall() {
    FakeRuntime& self = *current_;
    const auto it = self.answers_.find(self.calls_.back().hash);
    self.result_ = it == self.answers_.end() ? std::array<std::uint64_t, 3>{} : it->second;
    return self.result_.data();
}

}  // namespace velmora::testing
