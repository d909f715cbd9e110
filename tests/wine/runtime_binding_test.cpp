// The runtime binding of Velmora.asi, with a lookup of our own in place of GetProcAddress:
// the binding itself is portable, and a mix-up of two names with the same signature
// (nativeInit and nativePush64) would compile and only fail in the game.
#include "runtime_binding.h"

#include <map>
#include <string>

#include <gtest/gtest.h>

namespace velmora::win {
namespace {

// One distinct function per export, so each table slot shows which name it was bound from.
void fakeRegister(void*, ScriptFunction) {}
void fakeUnregister(void*) {}
void fakeWait(std::uint32_t) {}
void fakeInit(std::uint64_t) {}
void fakePush(std::uint64_t) {}
std::uint64_t* fakeCall() { return nullptr; }
std::uint8_t* fakeBase(std::int32_t) { return nullptr; }

// The runtime's decorated export names, written out here rather than taken from the table
// under test.
std::map<std::string, void*> exports() {
    return {
        {"?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z", reinterpret_cast<void*>(&fakeRegister)},
        {"?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z", reinterpret_cast<void*>(&fakeUnregister)},
        {"?scriptWait@@YAXK@Z", reinterpret_cast<void*>(&fakeWait)},
        {"?nativeInit@@YAX_K@Z", reinterpret_cast<void*>(&fakeInit)},
        {"?nativePush64@@YAX_K@Z", reinterpret_cast<void*>(&fakePush)},
        {"?nativeCall@@YAPEA_KXZ", reinterpret_cast<void*>(&fakeCall)},
        {"?getScriptHandleBaseAddress@@YAPEAEH@Z", reinterpret_cast<void*>(&fakeBase)},
    };
}

std::map<std::string, void*> moduleExports;  // what the fake module exports
int lookups = 0;

void* lookUp(void* module, const char* name) {
    ++lookups;
    if (module != &moduleExports) return nullptr;
    const auto it = moduleExports.find(name);
    return it == moduleExports.end() ? nullptr : it->second;
}

TEST(RuntimeBinding, EveryFunctionIsBoundFromItsOwnName) {
    moduleExports = exports();
    HostRuntime runtime{};
    ASSERT_TRUE(bindRuntime(&moduleExports, lookUp, runtime));
    EXPECT_EQ(runtime.scriptRegister, &fakeRegister);
    EXPECT_EQ(runtime.scriptUnregister, &fakeUnregister);
    EXPECT_EQ(runtime.scriptWait, &fakeWait);
    EXPECT_EQ(runtime.nativeInit, &fakeInit);
    EXPECT_EQ(runtime.nativePush64, &fakePush);
    EXPECT_EQ(runtime.nativeCall, &fakeCall);
    EXPECT_EQ(runtime.getScriptHandleBaseAddress, &fakeBase);
}

TEST(RuntimeBinding, AnyMissingExportLeavesTheTableUntouchedAndWithoutTheModuleNothingIsLookedUp) {
    for (const auto& [missing, address] : exports()) {
        moduleExports = exports();
        moduleExports.erase(missing);
        HostRuntime runtime{};
        runtime.scriptWait = &fakeWait;  // what the table held before
        EXPECT_FALSE(bindRuntime(&moduleExports, lookUp, runtime)) << missing;
        EXPECT_EQ(runtime.scriptWait, &fakeWait) << missing;
        EXPECT_EQ(runtime.scriptRegister, nullptr) << missing;
        EXPECT_EQ(runtime.nativeCall, nullptr) << missing;
    }
    HostRuntime runtime{};
    lookups = 0;
    EXPECT_FALSE(bindRuntime(nullptr, lookUp, runtime));
    EXPECT_EQ(lookups, 0);
}

}  // namespace
}  // namespace velmora::win
