// Platform-internal: the SDL window behind an HWND, for the Direct3D stand-in, which creates its
// OpenGL 4.5 core context on it. Windows are created with SDL_WINDOW_OPENGL and the framebuffer
// attributes (RGBA 8888, double buffered) already set; context attributes are the caller's.
#pragma once

#include <platform/win32.h>

struct SDL_Window;

namespace platform {

// Null for anything but a live window made by CreateWindowExA (or when there is no display).
SDL_Window* SdlWindowFromHwnd(HWND window);
// The HWND of an SDL window, null when the window is not one of ours.
HWND HwndFromSdlWindow(SDL_Window* window);

}  // namespace platform
