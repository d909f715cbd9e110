// The OS seam: the few operating-system services the core needs, as a table of function
// pointers. The Windows backend answers them with Win32; tests and the simulated host
// supply their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

// The main executable's image as loaded: the memory probes scan it byte by byte.
struct ModuleImage {
    const std::uint8_t* base = nullptr;  // null when the module information is unreadable
    std::size_t size = 0;                // bytes
};

struct Platform {
    bool (*isGameForeground)();                                     // the game's window has the focus
    std::int16_t (*getAsyncKeyState)(std::int32_t virtualKey);      // high bit set while down
    void* (*getModuleHandle)(const char* moduleName);               // loaded module, or null
    void* (*getProcAddress)(void* module, const char* exportName);  // export, or null
    ModuleImage (*mainModuleImage)();                               // the executable's bytes
    std::int64_t (*queryPerformanceCounter)();                      // ticks
    std::int64_t (*queryPerformanceFrequency)();                    // ticks per second
    bool (*isReadable)(const void* address, std::size_t bytes);     // game memory checks
    bool (*isWritable)(const void* address, std::size_t bytes);
    // Puts the file `from` in the place of `to`, replacing it in one step (so a reader never
    // finds it half written); false when that cannot be done, with both left as they were.
    bool (*replaceFile)(const char* from, const char* to);
    // Creates the file (or empties it) and writes the bytes through to the disk; false when
    // any of it fails (a full disk, a write cut short), and then the file it began is gone.
    // Something else in the way (a folder of that name) is left alone.
    bool (*writeFile)(const char* path, const void* bytes, std::size_t size);
    // The existing file may be opened for writing: false for a read-only or locked file, or
    // one that is not there.
    bool (*isWritableFile)(const char* path);
    // The log sink: appends one finished line to Velmora.log, which the backend starts afresh
    // at each game start. Null: nothing is logged.
    void (*appendLog)(const char* bytes, std::size_t size);
    // The full path of a file named relative to the working folder, for the log; false when
    // it cannot be told. Null: the log names the file as the plug-in opens it.
    bool (*fullPath)(const char* path, char* out, std::size_t capacity);
};

}  // namespace velmora
