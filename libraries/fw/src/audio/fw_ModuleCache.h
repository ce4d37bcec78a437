// The module cache: loads a dynamic library once by file name and hands out its handle for the
// rest of the run. A library that cannot be loaded is fatal: an alert, then exit code 20.
#pragma once

#include <platform/win32.h>

// The module for the file name ("bass.dll"), loading it on the first request. Does not return
// when the library cannot be loaded.
HMODULE fw_LoadModule(const char* fileName);
// Unloads the module if the cache holds it; later requests load it again.
void fw_ReleaseModule(const char* fileName);
// Whether the cache holds a module for the name (no loading).
bool fw_IsModuleLoaded(const char* fileName);
