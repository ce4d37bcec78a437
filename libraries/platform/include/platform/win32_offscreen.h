// Windows without a display. A program that renders only for itself (offline capture) may let
// CreateWindowExA make its window offscreen when no display can be opened (neither DISPLAY nor
// WAYLAND_DISPLAY is set, or the display server refuses the connection): the window takes
// messages, has its client size and a title, and is never shown. The Direct3D stand-in renders
// for such a window through EGL with no surface. Without this permission such a program gets no
// window, as any other.
#pragma once

#include <platform/win32.h>

namespace platform {

// For windows created from now on.
void AllowOffscreenWindows(bool allow);
// True, with the client size, for a live window that CreateWindowExA made offscreen.
bool OffscreenWindowSize(HWND window, int* width, int* height);

}  // namespace platform
