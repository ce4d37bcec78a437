// The device and swap chain: creation with the driver-type fallback, keeping full screen in
// force, and the release. The settings come from the framework object; the device state goes to
// device/fw_DeviceState.h. The present, which closes each frame, is frame/fw_Present.h's.
#pragma once

#include "device/fw_RenderSize.h"

#include <platform/d3d10.h>

#include <functional>

struct fw_DeviceSettings {
  HWND window = nullptr;
  fw_RenderSizeInput size;          // full screen, ".final", window, scale, desktop, aspect
  int32_t desktopRefreshRate = 0;
  bool verboseWindowLog = false;
};

// Decides the render size and letterbox (fw_ApplyRenderSize, with its log line), fills the swap
// chain description, tries hardware, WARP and reference in turn (alerting when it falls back, and
// when all fail) and tells DXGI the window handles itself. Returns 0 or the last failure code.
HRESULT fw_CreateDeviceAndSwapChain(const fw_DeviceSettings& settings);

// The swap chain description for the settings (buffer size, refresh, format, usage, ...).
DXGI_SWAP_CHAIN_DESC fw_SwapChainDescription(const fw_DeviceSettings& settings);

// When the setting asks for full screen and the swap chain has left it, asks it to go back,
// at most `maxAttempts` times in this call. Returns whether the swap chain is full screen after.
bool fw_ReenterFullscreenIfRequired(const fw_DeviceSettings& settings, int maxAttempts = 8);

// Leaves full screen, runs `releaseResources` while the device still exists (what was made on
// it: the run passes the framework's resources, the scenes' among them), clears the device state,
// then releases the swap chain and the device. `releaseResources` may be empty.
void fw_ReleaseDeviceResources(const std::function<void()>& releaseResources);
