// Redirects a loaded module's imports to functions of ours by rewriting its import address
// table: the module goes on calling what it imports, and the loader's binding of those
// calls is what changes. The runtime stand-in uses it to serve a registered script's
// performance counter from the simulated world's wall clock.
#pragma once

#include <windows.h>

// Points every import address table slot of `module` that binds `function` (imported by
// name) from `dll` at `replacement`. The DLL name is compared without regard to case, as
// the loader compares it; the function name exactly. Imports by ordinal and delay-loaded
// imports are left alone. When `original` is not null and a slot was patched, it receives
// what the first such slot held before.
//
// Answers how many slots were patched: 0 when the module does not import the function from
// that DLL (or is null, or is no PE image), -1 when a slot could not be made writable.
int redirectImport(HMODULE module, const char* dll, const char* function, void* replacement, void** original);
