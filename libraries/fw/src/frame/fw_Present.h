// The close of each frame tick: full screen kept in force, the present hooks, the present.
#pragma once

#include "device/fw_Device.h"

// Re-enters full screen if needed and presents with vertical sync; the present hooks run first
// and may ask for no wait (a capture reads the frame back there). The scale-out to the window
// comes before it (fw_ScaleOutToWindow of frame/fw_FrameTick.h).
void fw_Present(const fw_DeviceSettings& settings);
