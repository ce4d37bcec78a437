// The present at the close of a frame tick.
#include "frame/fw_Present.h"

#include "capture/fw_Capture.h"
#include "device/fw_DeviceState.h"

void fw_Present(const fw_DeviceSettings& settings) {
  fw_ReenterFullscreenIfRequired(settings);
  fw_CaptureFrame();
  if (IDXGISwapChain* swapChain = fw_GetSwapChain()) swapChain->Present(fw_CaptureActive() ? 0 : 1, 0);
}
