// Private: the SDL2 video subsystem behind the windows, and its event pump.
#pragma once

#include <platform/win32.h>

namespace platform::sdl {

// Initialises SDL's video on first call (that thread owns SDL); false without a display.
bool Ready();
bool OnSdlThread();
// Turns waiting SDL events into messages; PeekMessageA calls it on SDL's thread.
void PumpEvents();
HWND CaptureWindow();

}  // namespace platform::sdl
