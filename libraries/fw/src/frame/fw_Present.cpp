// The present at the close of a frame tick.
#include "frame/fw_Present.h"

#include "device/fw_DeviceState.h"
#include "frame/fw_FrameHooks.h"

void fw_Present(const fw_DeviceSettings& settings) {
  fw_ReenterFullscreenIfRequired(settings);
  const bool atOnce = fw_FrameHooksPresent();
  if (IDXGISwapChain* swapChain = fw_GetSwapChain()) swapChain->Present(atOnce ? 0 : 1, 0);
}
