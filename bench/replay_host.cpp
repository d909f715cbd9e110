#include "bench/replay_host.h"

#include <cstring>

#include <benchmark/benchmark.h>
#include <map>
#include <type_traits>

#include "host/natives.h"

namespace velmora::bench {
namespace {

// The out-parameters of each native, from its declared signature: every pointer to
// something the game may write.
template <class T>
constexpr std::size_t outSizeOf() {
    if constexpr (std::is_pointer_v<T> && !std::is_const_v<std::remove_pointer_t<T>>) {
        return sizeof(std::remove_pointer_t<T>);
    } else {
        return 0;
    }
}

template <class R, class... Args>
std::vector<std::size_t> outSizes(const Native<R(Args...)>&) {
    return {outSizeOf<Args>()...};
}

const std::map<std::uint64_t, std::vector<std::size_t>>& outParameters() {
    static const auto table = [] {
        std::map<std::uint64_t, std::vector<std::size_t>> t;
#define VELMORA_OUT_PARAMETERS(name, hash, ...) t[hash] = outSizes(natives::name);
        VELMORA_NATIVES(VELMORA_OUT_PARAMETERS)
#undef VELMORA_OUT_PARAMETERS
        return t;
    }();
    return table;
}

// The recorder.
const HostRuntime* recordInner = nullptr;
Recording* recordInto = nullptr;
std::vector<std::uint64_t> recordSlots;

// The replay: plain arrays, so that answering costs a few stores.
const Recording* replaying = nullptr;
std::size_t replayAt = 0;
std::size_t divergences = 0;
std::array<std::uint64_t, 16> replaySlots{};
std::size_t replaySlotCount = 0;
std::array<std::uint64_t, 3> zeros{};

std::int64_t replayClock = 0;
constexpr std::int64_t kTicksPerSecond = 10'000'000;

}  // namespace

HostRuntime recordingRuntime(const HostRuntime& inner, Recording& into) {
    recordInner = &inner;
    recordInto = &into;
    HostRuntime r = inner;
    r.nativeInit = [](std::uint64_t hash) {
        recordSlots.clear();
        RecordedCall call;
        call.hash = hash;
        recordInto->calls.push_back(call);
        recordInner->nativeInit(hash);
    };
    r.nativePush64 = [](std::uint64_t slot) {
        recordSlots.push_back(slot);
        recordInner->nativePush64(slot);
    };
    r.nativeCall = []() -> std::uint64_t* {
        std::uint64_t* area = recordInner->nativeCall();
        RecordedCall& call = recordInto->calls.back();
        call.slotCount = static_cast<std::uint8_t>(recordSlots.size());
        std::memcpy(call.result.data(), area, sizeof call.result);
        const auto found = outParameters().find(call.hash);
        if (found != outParameters().end()) {
            for (std::size_t place = 0; place < found->second.size() && place < recordSlots.size(); ++place) {
                const std::size_t size = found->second[place];
                if (size == 0 || call.outCount == call.outPlace.size()) continue;
                const auto n = call.outCount++;
                call.outPlace[n] = static_cast<std::uint8_t>(place);
                call.outSize[n] = static_cast<std::uint8_t>(size);
                std::memcpy(call.outBytes[n].data(), reinterpret_cast<const void*>(recordSlots[place]), size);
            }
        }
        return area;
    };
    return r;
}

HostRuntime replayRuntime(const Recording& recording) {
    replaying = &recording;
    replayAt = 0;
    divergences = 0;
    HostRuntime r{};
    r.scriptRegister = [](void*, ScriptFunction) {};
    r.scriptUnregister = [](void*) {};
    r.scriptWait = [](std::uint32_t) {};
    r.nativeInit = [](std::uint64_t hash) {
        replaySlotCount = 0;
        if (replayAt >= replaying->calls.size() || replaying->calls[replayAt].hash != hash) ++divergences;
    };
    r.nativePush64 = [](std::uint64_t slot) {
        if (replaySlotCount < replaySlots.size()) replaySlots[replaySlotCount++] = slot;
    };
    r.nativeCall = []() -> std::uint64_t* {
        if (replayAt >= replaying->calls.size()) {
            zeros = {};
            return zeros.data();
        }
        const RecordedCall& call = replaying->calls[replayAt++];
        for (std::uint8_t i = 0; i < call.outCount; ++i)
            if (call.outPlace[i] < replaySlotCount && replaySlots[call.outPlace[i]] != 0)
                std::memcpy(reinterpret_cast<void*>(replaySlots[call.outPlace[i]]), call.outBytes[i].data(),
                            call.outSize[i]);
        // The plug-in only reads the area, and only until its next call.
        return const_cast<std::uint64_t*>(call.result.data());
    };
    r.getScriptHandleBaseAddress = [](std::int32_t) -> std::uint8_t* { return nullptr; };
    return r;
}

void callThrough(const HostRuntime& runtime, const Recording& recording) {
    for (const RecordedCall& call : recording.calls) {
        runtime.nativeInit(call.hash);
        for (std::uint8_t i = 0; i < call.slotCount; ++i) runtime.nativePush64(0);
        benchmark::DoNotOptimize(runtime.nativeCall());
    }
}

void rewindReplay() { replayAt = 0; }
std::size_t replayedCalls() { return replayAt; }
std::size_t replayDivergences() { return divergences; }

Platform replayPlatform() {
    Platform p{};
    p.isGameForeground = [] { return true; };
    p.getAsyncKeyState = [](std::int32_t) -> std::int16_t { return 0; };
    p.getModuleHandle = [](const char*) -> void* { return nullptr; };
    p.getProcAddress = [](void*, const char*) -> void* { return nullptr; };
    p.mainModuleImage = [] { return ModuleImage{}; };
    p.queryPerformanceCounter = [] { return replayClock; };
    p.queryPerformanceFrequency = [] { return kTicksPerSecond; };
    p.isReadable = [](const void*, std::size_t) { return false; };
    p.isWritable = [](const void*, std::size_t) { return false; };
    p.replaceFile = [](const char*, const char*) { return false; };
    p.writeFile = [](const char*, const void*, std::size_t) { return false; };
    p.isWritableFile = [](const char*) { return false; };
    return p;
}

void advanceReplayClock() { replayClock += kTicksPerSecond / 60; }

}  // namespace velmora::bench
