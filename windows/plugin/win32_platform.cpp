#include "win32_platform.h"

#include <windows.h>

// After windows.h, whose types it uses.
#include <psapi.h>

#include <cstdint>
#include <cstdio>

namespace velmora::win {
namespace {

bool isGameForeground() {
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);  // a null window leaves owner 0
    return owner == GetCurrentProcessId();
}

std::int16_t getAsyncKeyState(std::int32_t virtualKey) { return GetAsyncKeyState(virtualKey); }

void* getModuleHandle(const char* moduleName) { return GetModuleHandleA(moduleName); }

void* getProcAddress(void* module, const char* exportName) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), exportName));
}

ModuleImage mainModuleImage() {
    MODULEINFO info{};
    if (!K32GetModuleInformation(GetCurrentProcess(), GetModuleHandleA(nullptr), &info, sizeof info)) return {};
    return ModuleImage{static_cast<const std::uint8_t*>(info.lpBaseOfDll), info.SizeOfImage};
}

std::int64_t queryPerformanceCounter() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

std::int64_t queryPerformanceFrequency() {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}

constexpr DWORD kReadableProtections = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                       PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kWritableProtections =
    PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// Walks the regions that cover the range: one region with other protections is enough to
// refuse, since a read of game memory that faults would take the game down with it.
bool rangeAllows(const void* address, std::size_t bytes, DWORD accepted) {
    if (address == nullptr) return false;
    const auto first = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t span = bytes == 0 ? 0 : bytes - 1;
    if (first > UINTPTR_MAX - span) return false;
    const std::uintptr_t last = first + span;
    std::uintptr_t at = first;
    for (;;) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) != sizeof region) return false;
        if (region.State != MEM_COMMIT) return false;
        if ((region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 || (region.Protect & accepted) == 0) return false;
        const std::uintptr_t regionEnd = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (regionEnd == 0 || last < regionEnd) return true;  // regionEnd 0: the region reaches the top
        at = regionEnd;
    }
}

bool replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Opened for reading and writing as the C runtime does it: refused for a read-only or locked file.
bool isWritableFile(const char* path) {
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool writeFile(const char* path, const void* bytes, std::size_t size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const auto* at = static_cast<const char*>(bytes);
    bool whole = true;
    while (size > 0 && whole) {
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD wrote = 0;
        whole = WriteFile(file, at, chunk, &wrote, nullptr) != 0 && wrote == chunk;
        at += wrote;
        size -= wrote;
    }
    whole = whole && FlushFileBuffers(file) != 0;  // on the disk before it replaces the old file
    whole = CloseHandle(file) != 0 && whole;
    if (!whole) DeleteFileA(path);  // ours, and not whole
    return whole;
}

// Velmora.log lives beside Velmora.asi (the module this code is in), whatever the working
// folder. It is created afresh by the first line of each game start and held open, shared
// for reading, so a player can look at it while the game runs.
HANDLE logFile = INVALID_HANDLE_VALUE;
bool logOpened = false;

void openLog() {
    logOpened = true;
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&openLog), &self))
        return;
    char path[1024];
    const DWORD length = GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;  // a path cut short names another file
    DWORD folderEnd = length;
    while (folderEnd > 0 && path[folderEnd - 1] != '\\' && path[folderEnd - 1] != '/') --folderEnd;
    static constexpr char kName[] = "Velmora.log";
    if (folderEnd + sizeof kName > sizeof path) return;
    for (std::size_t i = 0; i < sizeof kName; ++i) path[folderEnd + i] = kName[i];
    logFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void appendLog(const char* bytes, std::size_t size) {
    if (!logOpened) openLog();
    if (logFile == INVALID_HANDLE_VALUE) return;  // no log rather than no game
    DWORD wrote = 0;
    WriteFile(logFile, bytes, static_cast<DWORD>(size), &wrote, nullptr);
}

bool fullPath(const char* path, char* out, std::size_t capacity) {
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(capacity), out, nullptr);
    return length > 0 && length < capacity;
}

}  // namespace

void closeLog() {
    if (logFile != INVALID_HANDLE_VALUE) CloseHandle(logFile);
    logFile = INVALID_HANDLE_VALUE;
}

bool isRangeReadable(const void* address, std::size_t bytes) {
    return rangeAllows(address, bytes, kReadableProtections);
}
bool isRangeWritable(const void* address, std::size_t bytes) {
    return rangeAllows(address, bytes, kWritableProtections);
}

Platform win32Platform() {
    Platform p{};
    p.isGameForeground = isGameForeground;
    p.getAsyncKeyState = getAsyncKeyState;
    p.getModuleHandle = getModuleHandle;
    p.getProcAddress = getProcAddress;
    p.mainModuleImage = mainModuleImage;
    p.queryPerformanceCounter = queryPerformanceCounter;
    p.queryPerformanceFrequency = queryPerformanceFrequency;
    p.isReadable = isRangeReadable;
    p.isWritable = isRangeWritable;
    p.replaceFile = replaceFile;
    p.writeFile = writeFile;
    p.isWritableFile = isWritableFile;
    p.appendLog = appendLog;
    p.fullPath = fullPath;
    return p;
}

}  // namespace velmora::win
