// The device's share of the window procedure: full-screen notices on WM_SIZE, focus notices,
// and holding the music clock while the window is dragged (WM_ENTERSIZEMOVE/WM_EXITSIZEMOVE).
// The framework's window procedure calls this first and handles everything else itself.
#pragma once

#include <platform/win32.h>

// Returns true, with *result set, when the message is one of those above.
bool fw_HandleDeviceWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool verboseWindowLog,
                                  bool fullscreenSetting, LRESULT* result);
