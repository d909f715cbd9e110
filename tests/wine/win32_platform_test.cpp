// The Win32 platform table of Velmora.asi, run under Wine: the memory checks the game-memory probes rely on before
// they touch an address, the main module's image they scan, the performance counter and module lookups. The
// foreground test is the toggle scenario's, which moves the focus away while a key is held.
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "win32_platform.h"
#include "wine_expect.h"

namespace {

using velmora::win::isRangeReadable;
using velmora::win::isRangeWritable;
const velmora::Platform platform = velmora::win::win32Platform();

std::uint8_t* pages(std::size_t count, DWORD protection) {
    return static_cast<std::uint8_t*>(VirtualAlloc(nullptr, count * 4096, MEM_RESERVE | MEM_COMMIT, protection));
}

void memoryChecksFollowPageProtection() {
    std::uint8_t* readWrite = pages(1, PAGE_READWRITE);
    EXPECT(isRangeReadable(readWrite, 4096) && isRangeWritable(readWrite, 4096));
    EXPECT(isRangeReadable(readWrite + 4095, 1) && isRangeWritable(readWrite + 4095, 0));
    std::uint8_t* readOnly = pages(1, PAGE_READONLY);
    EXPECT(isRangeReadable(readOnly, 64) && !isRangeWritable(readOnly, 64));
    const DWORD denied[] = {PAGE_NOACCESS, PAGE_READWRITE | PAGE_GUARD};
    for (const DWORD protection : denied) {
        std::uint8_t* page = pages(1, protection);
        EXPECT(!isRangeReadable(page, 4) && !isRangeWritable(page, 4));
    }
    auto* reserved = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE));
    EXPECT(!isRangeReadable(reserved, 4));
    // Code is read-only: the probes may scan it but never patch it.
    const auto* code = reinterpret_cast<const std::uint8_t*>(&memoryChecksFollowPageProtection);
    EXPECT(isRangeReadable(code, 16) && !isRangeWritable(code, 16));
}

void rangesAcrossRegionsNeedEveryRegion() {
    // Three pages of one allocation: read-write, read-only, no access.
    std::uint8_t* base = pages(3, PAGE_READWRITE);
    DWORD old = 0;
    VirtualProtect(base + 4096, 4096, PAGE_READONLY, &old);
    VirtualProtect(base + 8192, 4096, PAGE_NOACCESS, &old);
    EXPECT(isRangeReadable(base + 4000, 200));    // read-write into read-only
    EXPECT(!isRangeWritable(base + 4000, 200));   // ... but not all of it writable
    EXPECT(isRangeReadable(base, 8192));          // exactly the two readable pages
    EXPECT(!isRangeReadable(base, 8193));         // one byte into the no-access page
    EXPECT(!isRangeReadable(base + 8000, 4096));  // read-only into no access
}

void impossibleRangesAreRefused() {
    EXPECT(!isRangeReadable(nullptr, 4) && !isRangeWritable(nullptr, 0));
    const int local = 0;
    EXPECT(!isRangeReadable(&local, SIZE_MAX));  // wraps round the address space
    EXPECT(!isRangeReadable(reinterpret_cast<const void*>(UINTPTR_MAX - 3), 8));
}

void mainModuleImageIsTheExecutable() {
    const velmora::ModuleImage image = platform.mainModuleImage();
    EXPECT(image.base == reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr)));
    const auto* inside = reinterpret_cast<const std::uint8_t*>(&mainModuleImageIsTheExecutable);
    EXPECT(inside > image.base && inside < image.base + image.size);
    // The probes read every byte of it.
    EXPECT(platform.isReadable(image.base, image.size));
}

void performanceCounterCountsSeconds() {
    const std::int64_t frequency = platform.queryPerformanceFrequency();
    EXPECT(frequency > 0);
    const std::int64_t before = platform.queryPerformanceCounter();
    Sleep(20);
    const std::int64_t after = platform.queryPerformanceCounter();
    // A lower bound only: the sleep lasts at least about as long as asked.
    EXPECT(static_cast<double>(after - before) / static_cast<double>(frequency) >= 0.010);
}

void modulesAndExportsAreFoundByName() {
    void* kernel = platform.getModuleHandle("kernel32.dll");
    EXPECT(kernel != nullptr);
    auto* processId = reinterpret_cast<DWORD(WINAPI*)()>(platform.getProcAddress(kernel, "GetCurrentProcessId"));
    EXPECT(processId != nullptr && processId() == GetCurrentProcessId());
    EXPECT(platform.getProcAddress(kernel, "NoSuchExport") == nullptr);
    EXPECT(platform.getModuleHandle("Gears.asi") == nullptr);  // nobody loaded it here
}

}  // namespace

int main() {
    memoryChecksFollowPageProtection();
    rangesAcrossRegionsNeedEveryRegion();
    impossibleRangesAreRefused();
    mainModuleImageIsTheExecutable();
    performanceCounterCountsSeconds();
    modulesAndExportsAreFoundByName();
    std::printf("%s\n", failures == 0 ? "ok: the Win32 platform table" : "the Win32 platform table has failures");
    return failures == 0 ? 0 : 1;
}
