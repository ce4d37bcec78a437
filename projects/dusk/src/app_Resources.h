// The program's resources: dialog 101 (the startup dialog) and icon group 102, registered as the
// module the instance handle stands for.
#pragma once

#include <platform/win32.h>

// Registers the table on first call; later calls return the same handle.
HINSTANCE dusk_RegisterResources();
const platform::ResourceTable& dusk_GetResourceTable();
