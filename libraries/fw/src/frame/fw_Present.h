// The close of each frame tick: full screen kept in force, the capture's read-back, the present.
#pragma once

#include "device/fw_Device.h"

// Re-enters full screen if needed and presents with vertical sync; capture mode reads the frame
// back first and presents without waiting. The scale-out to the window comes before it
// (fw_ScaleOutToWindow of frame/fw_FrameTick.h).
void fw_Present(const fw_DeviceSettings& settings);
