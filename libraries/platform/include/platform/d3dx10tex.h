// Placeholder until the module lands.
#pragma once
#include <platform/win32.h>
