// A module of our own that imports the performance counter from KERNEL32 as Velmora.asi
// does, for the import redirection test: its exports call the imports and hand back what
// they answered, so the test sees what the module's own calls now reach.
#include <windows.h>

extern "C" {

__declspec(dllexport) long long probeCounter() {
    LARGE_INTEGER value;
    return QueryPerformanceCounter(&value) ? value.QuadPart : -1;
}

__declspec(dllexport) long long probeFrequency() {
    LARGE_INTEGER value;
    return QueryPerformanceFrequency(&value) ? value.QuadPart : -1;
}
}
