// Counts the heap allocations of the whole benchmark binary (it replaces the global
// operator new), so that a benchmark can report what a frame allocates.
#pragma once

#include <cstdint>

namespace velmora::bench {

std::uint64_t allocationCount();

}  // namespace velmora::bench
