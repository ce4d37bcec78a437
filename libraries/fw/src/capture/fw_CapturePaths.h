// The checks a capture makes before its first frame, so that a path it cannot write fails at
// once, with the reason, instead of after the whole span has been rendered: the folder is made
// (or found) and written to, and a video's name is a file's name that fits the file system.
#pragma once

#include "capture/fw_CaptureOptions.h"

#include <string>

// Makes the capture's folder and checks it takes a file (one is written there and removed).
// False with the path at fault and the reason (the system's, where it gave one).
bool fw_PrepareCapturePaths(const fw_CaptureSettings& settings, std::string* path, std::string* reason);
