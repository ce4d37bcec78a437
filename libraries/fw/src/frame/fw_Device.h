// The device and swap chain: creation with the driver-type fallback, the present with the
// screen scale-out, keeping full screen in force, and the release of device resources. The
// settings come from the framework object; the device state goes to device/fw_DeviceState.h.
#pragma once

#include "device/fw_RenderSize.h"

#include <platform/d3d10.h>

struct fw_DeviceSettings {
  HWND window = nullptr;
  fw_RenderSizeInput size;          // full screen, ".final", window, scale, desktop, aspect
  int32_t desktopRefreshRate = 0;
  bool verboseWindowLog = false;
};

// Decides the render size and letterbox (with its log line), fills the swap chain description,
// tries hardware, WARP and reference in turn (alerting when it falls back, and when all fail)
// and tells DXGI the window handles itself. Returns 0 or the last failure code.
HRESULT fw_CreateDeviceAndSwapChain(const fw_DeviceSettings& settings);

// The swap chain description for the settings (buffer size, refresh, format, usage, ...).
DXGI_SWAP_CHAIN_DESC fw_SwapChainDescription(const fw_DeviceSettings& settings);

// Scales "backbuffer" out to the window when the sizes differ, re-enters full screen if needed,
// and presents with vertical sync (the present hooks run first, and may ask for no wait).
void fw_Present(const fw_DeviceSettings& settings);

// When the setting asks for full screen and the swap chain has left it, asks it to go back,
// at most `maxAttempts` times in this call. Returns whether the swap chain is full screen after.
bool fw_ReenterFullscreenIfRequired(const fw_DeviceSettings& settings, int maxAttempts = 8);

// Leaves full screen, releases the framework's resources, clears the device state, then
// releases the swap chain and the device.
void fw_ReleaseDeviceResources();
