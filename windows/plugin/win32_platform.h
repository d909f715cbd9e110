// The OS seam answered by Win32: focus, keys, modules, the performance counter and the
// memory checks the game-memory probes make before they touch an address.
#pragma once

#include <cstddef>

#include "host/platform.h"

namespace velmora::win {

Platform win32Platform();

// Closes Velmora.log, when the plug-in is unloaded.
void closeLog();

// True when every byte of [address, address + bytes) lies in committed pages that can be
// read (or written) without a fault; a null address, a range that wraps around, and
// guard or no-access pages answer false. Zero bytes are checked as one.
bool isRangeReadable(const void* address, std::size_t bytes);
bool isRangeWritable(const void* address, std::size_t bytes);

}  // namespace velmora::win
