// The startup dialog's procedure (resource 101 of the program): "Fullscreen" (manually managed)
// and "Sound" start checked; "Run" reads both into the settings, "Exit" ends with 2 and a quit.
#pragma once

#include <platform/win32.h>

constexpr int fw_IDD_STARTUP = 101;
constexpr int fw_IDI_ICON = 102;
constexpr int fw_IDC_FULLSCREEN = 1001;
constexpr int fw_IDC_SOUND = 1004;

INT_PTR CALLBACK fw_StartupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
