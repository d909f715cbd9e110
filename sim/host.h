// The simulated host: the script runtime's seven functions and the OS seam, answered from
// the world. Every native is answered by a handler registered by its hash, with its
// arguments decoded by the game's own declaration of it (sim/game_natives.h). An unanswered
// hash, or a call with another number of arguments than the game reads, stops the run
// with a message.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/platform.h"
#include "host/runtime.h"
#include "sim/game_natives.h"
#include "sim/hostile.h"
#include "sim/world.h"

namespace velmora::sim {

// The simulated game's file writer (its platform's, and the tests'): the bytes written and
// flushed, false when any step fails, and then the file is gone.
bool writeFileToDisk(const char* path, const void* bytes, std::size_t size);
// Whether the existing file may be opened for writing, as the Windows backend asks.
bool isWritableOnDisk(const char* path);

class SimHost {
public:
    explicit SimHost(World& world);
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // The tables to hand to the plug-in. They reach this host until another is made.
    HostRuntime runtime() const;
    Platform platform() const;

    // Called by scriptWait: the script yields, the game frame ends.
    std::function<void()> onYield;

    // Set when the run must stop: an unanswered native or a malformed call.
    const std::optional<std::string>& error() const { return error_; }

    bool answers(std::uint64_t hash) const { return handlers_.count(hash) != 0; }
    // The number of arguments the game reads for a hash; 0 for one it does not answer.
    std::size_t argumentCount(std::uint64_t hash) const {
        const auto it = handlers_.find(hash);
        return it == handlers_.end() ? 0 : it->second.arity;
    }

    World& world() { return world_; }

    // When set, the game answers as it says (the chaos campaign); null for a sound game.
    Hostility* hostility = nullptr;

    // Velmora.log as the plug-in wrote it through the log sink: what a player would find
    // beside Velmora.asi after this session.
    std::string log;

private:
    struct Handler {
        const char* name = "";
        std::size_t arity = 0;
        std::function<void(const std::uint64_t* slots, std::uint64_t* result)> run;
        void (*spoil)(Hostility&, std::uint64_t hash, const std::uint64_t* slots, std::uint64_t* result) = nullptr;
    };

    template <class R, class... Args, class F>
    void on(const game::GameNative<R(Args...)>& native, F handler);

    void answerPlayerAndTime();
    void answerViewAndControls();
    void answerHud();
    void answerCameras();
    void answerVehicles();

    void beginCall(std::uint64_t hash);
    void push(std::uint64_t value);
    std::uint64_t* call();
    void fail(std::string message);

    static SimHost* active_;

    World& world_;
    std::unordered_map<std::uint64_t, Handler> handlers_;
    std::uint64_t pendingHash_ = 0;
    std::vector<std::uint64_t> slots_;
    std::array<std::uint64_t, 4> result_{};
    std::optional<std::string> error_;
};

template <class R, class... Args, class F>
void SimHost::on(const game::GameNative<R(Args...)>& native, F handler) {
    Handler h;
    h.name = native.name;
    h.arity = sizeof...(Args);
    h.run = [handler](const std::uint64_t* slots, std::uint64_t* result) mutable {
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            if constexpr (std::is_void_v<R>) {
                handler(game::argument<Args>(slots[I])...);
            } else {
                game::putResult<R>(result, handler(game::argument<Args>(slots[I])...));
            }
        }
        (std::index_sequence_for<Args...>{});
    };
    h.spoil = &spoilAnswer<R, Args...>;
    handlers_[native.hash] = std::move(h);
}

}  // namespace velmora::sim
