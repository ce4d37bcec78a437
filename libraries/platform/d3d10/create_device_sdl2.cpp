// D3D10CreateDeviceAndSwapChain and D3D10CreateDevice: a GL context of the asked driver type on
// the output window's SDL window (offscreen through EGL for a window made without a display, or
// on a hidden window of its own), the device on it and the swap chain for the window. The null
// driver type needs none of them: it is the recording device.
#include "context_p.h"
#include "device_null_p.h"
#include "d3d10_sdl2_p.h"

#include <platform/diagnostics.h>
#include <platform/win32_offscreen.h>
#include <platform/win32_sdl.h>

namespace d3d10gl {
namespace {

// The device on a new context (which it takes over) and the swap chain for it.
HRESULT CreateDeviceAndSwapChainOnContext(ContextInfo* context, D3D10_DRIVER_TYPE driverType,
                                          const DXGI_SWAP_CHAIN_DESC* swapChainDesc, IDXGISwapChain** swapChain,
                                          ID3D10Device** device) {
  Device* created = new Device(context, driverType);
  IDXGISwapChain* chain = nullptr;
  HRESULT hr = CreateSwapChain(created, *swapChainDesc, &chain);
  if (FAILED(hr)) {
    created->Release();
    return hr;
  }
  *swapChain = chain;
  if (device) *device = created;
  else created->Release();  // the swap chain keeps it alive
  return S_OK;
}

}  // namespace

HRESULT CreateDeviceAndSwapChainOnSdlWindow(SDL_Window* window, D3D10_DRIVER_TYPE driverType, HMODULE software,
                                            const DXGI_SWAP_CHAIN_DESC* swapChainDesc, IDXGISwapChain** swapChain,
                                            ID3D10Device** device) {
  if (swapChain) *swapChain = nullptr;
  if (device) *device = nullptr;
  if (!swapChainDesc || !swapChain) return E_INVALIDARG;
  HRESULT hr = E_FAIL;
  ContextInfo* context = CreateContext(window, driverType, software, &hr);
  if (!context) return hr;
  return CreateDeviceAndSwapChainOnContext(context, driverType, swapChainDesc, swapChain, device);
}

const char* RendererOf(ID3D10Device* device) {
  if (d3d10null::RecordingDeviceOf(device)) return "recording device";
  return device ? DeviceOf(device)->Context()->renderer.c_str() : "";
}

void DeviceCounters(ID3D10Device* device, unsigned long long* draws, unsigned long long* framebufferBinds,
                    unsigned long long* uniformUploads) {
  if (!device || d3d10null::RecordingDeviceOf(device)) return;
  if (uniformUploads) *uniformUploads = DeviceOf(device)->mUniformUploads;
  if (draws) *draws = DeviceOf(device)->mDrawCalls;
  if (framebufferBinds) *framebufferBinds = DeviceOf(device)->mFramebufferBinds;
}

}  // namespace d3d10gl

HRESULT D3D10CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D10_DRIVER_TYPE driverType, HMODULE software,
                                      UINT flags, UINT sdkVersion, DXGI_SWAP_CHAIN_DESC* swapChainDesc,
                                      IDXGISwapChain** swapChain, ID3D10Device** device) {
  if (swapChain) *swapChain = nullptr;
  if (device) *device = nullptr;
  if (sdkVersion != D3D10_SDK_VERSION || !swapChainDesc || !swapChain) return E_INVALIDARG;
  if (driverType == D3D10_DRIVER_TYPE_NULL) {
    ID3D10Device* created = nullptr;
    d3d10null::CreateDevice(&created);
    HRESULT hr = d3d10null::CreateSwapChain(d3d10null::RecordingDeviceOf(created), *swapChainDesc, swapChain);
    if (SUCCEEDED(hr) && device) *device = created;
    else created->Release();  // the swap chain keeps it alive, or it goes
    return hr;
  }
  SDL_Window* window = platform::SdlWindowFromHwnd(swapChainDesc->OutputWindow);
  int width = 0, height = 0;
  if (!window && platform::OffscreenWindowSize(swapChainDesc->OutputWindow, &width, &height)) {
    HRESULT hr = E_FAIL;
    d3d10gl::ContextInfo* context = d3d10gl::CreateOffscreenContext(width, height, driverType, software, &hr);
    if (!context) return hr;
    return d3d10gl::CreateDeviceAndSwapChainOnContext(context, driverType, swapChainDesc, swapChain, device);
  }
  if (!window) {
    platform::Report(platform::kReportWarning, "D3D10CreateDeviceAndSwapChain: the output window has no display surface");
    return DXGI_ERROR_INVALID_CALL;
  }
  return d3d10gl::CreateDeviceAndSwapChainOnSdlWindow(window, driverType, software, swapChainDesc, swapChain, device);
}

HRESULT D3D10CreateDevice(IDXGIAdapter* adapter, D3D10_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                          UINT sdkVersion, ID3D10Device** device) {
  if (device) *device = nullptr;
  if (sdkVersion != D3D10_SDK_VERSION) return E_INVALIDARG;
  if (driverType == D3D10_DRIVER_TYPE_NULL) return d3d10null::CreateDevice(device);
  HRESULT hr = E_FAIL;
  d3d10gl::ContextInfo* context = d3d10gl::CreateHiddenContext(driverType, software, &hr);
  if (!context) return hr;
  d3d10gl::Device* created = new d3d10gl::Device(context, driverType);
  if (device) *device = created;
  else created->Release();
  return S_OK;
}
