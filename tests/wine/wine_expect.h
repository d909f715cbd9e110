// The Wine test programs run without GoogleTest: a failed check prints its line and counts.
#pragma once

#include <cstdio>

inline int failures = 0;

inline void expect(bool holds, const char* what, int line) {
    if (!holds) std::printf("FAILED (line %d): %s\n", line, what), ++failures;
}
#define EXPECT(condition) expect((condition), #condition, __LINE__)
