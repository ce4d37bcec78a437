// Alerts: a formatted message shown as a message box (mode 1), on the console (mode 0), or
// dropped (any other mode); the timed alert closes itself and counts down in its title.
#pragma once

#include <string>

// printf-style; blocks in mode 1 until the box is closed.
void fw_Alert(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Returns 0 when the box timed out, else the message box's result.
int fw_TimedAlert(float seconds, const char* format, ...) __attribute__((format(printf, 2, 3)));
void fw_SetAlertCaption(const std::string& caption);
void fw_SetAlertMode(int mode);
