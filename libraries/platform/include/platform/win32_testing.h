// Test seams of the Win32 stand-in's user interface: run dialogs and message boxes without GTK,
// and drive a dialog's controls the way a user would, so the program's dialog procedure and the
// timed alert can be tested with no display at all.
#pragma once

#include <platform/win32.h>

#include <functional>

namespace platform {

enum class MessageBoxBackend {
  Automatic,  // GTK when a display can be opened, else a line on standard output
  Console,    // always a line on standard output; returns IDOK at once
  Virtual,    // no output; the box stays open (findable, retitlable) until WM_CLOSE or WM_COMMAND id
};
void SetMessageBoxBackend(MessageBoxBackend backend);

// True: dialogs never use GTK, as if there were no display.
void SetHeadlessDialogs(bool headless);
// Called on the dialog's thread after WM_INITDIALOG (GTK or headless); the driver may click items
// with ClickDialogItem (a headless dialog takes the clicks posted before the driver returns).
// Without a driver a headless dialog presses its default button (IDOK).
void SetDialogDriver(std::function<void(HWND dialog)> driver);
// A user's click on a control: automatic check boxes change state, then WM_COMMAND (BN_CLICKED)
// reaches the dialog procedure; manually managed boxes change only if the procedure changes them.
// With a GTK view the click goes through the widget itself. Any thread.
BOOL ClickDialogItem(HWND dialog, int id);
// Pixel rectangle of a control inside the dialog's client area (for driving the real GTK dialog
// with an X input tool).
BOOL GetDialogItemRect(HWND dialog, int id, RECT* rect);
// Whether dialogs and message boxes would use GTK: a display is there and GTK could open it.
bool GtkAvailable();
// Replaces GetTickCount's wall clock with the test's own source (an empty function restores it),
// so a test can step the timed alert's countdown once it sees the box, however slowly GTK shows it.
void SetVirtualTickCount(std::function<DWORD()> source);

}  // namespace platform
