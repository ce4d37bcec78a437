// Device and swap chain creation, present, full-screen re-entry and release.
#include "frame/fw_Device.h"

#include "audio/fw_ModuleCache.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"
#include "device/fw_DeviceState.h"
#include "frame/fw_FrameHooks.h"
#include "frame/fw_LoadResources.h"

#include <platform/d3d10_debug.h>
#include <platform/safe_release.h>

namespace {
// The software rasteriser's module is handed over when the platform has one; the stand-in
// forces its software driver either way, so a missing module must not end the program.
HMODULE SoftwareModule() {
  HMODULE probe = LoadLibraryA("d3d10warp.dll");
  if (!probe) return nullptr;
  FreeLibrary(probe);
  return fw_LoadModule("d3d10warp.dll");
}

void AssociateWindow(ID3D10Device* device, HWND window) {
  IDXGIDevice* dxgiDevice = nullptr;
  IDXGIAdapter* adapter = nullptr;
  IDXGIFactory* factory = nullptr;
  device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(&dxgiDevice));
  if (dxgiDevice) dxgiDevice->GetAdapter(&adapter);
  if (adapter) adapter->GetParent(__uuidof(IDXGIFactory), reinterpret_cast<void**>(&factory));
  if (factory) factory->MakeWindowAssociation(window, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER);
  SafeRelease(factory);
  SafeRelease(adapter);
  SafeRelease(dxgiDevice);
}
}  // namespace

DXGI_SWAP_CHAIN_DESC fw_SwapChainDescription(const fw_DeviceSettings& settings) {
  const fw_RenderSizeInput& s = settings.size;
  DXGI_SWAP_CHAIN_DESC desc = {};
  int32_t width = 0, height = 0;
  fw_OutputSize(s.fullscreen, s.windowWidth, s.windowHeight, s.desktopWidth, s.desktopHeight, &width, &height);
  desc.BufferDesc.Width = static_cast<UINT>(width);
  desc.BufferDesc.Height = static_cast<UINT>(height);
  desc.BufferDesc.RefreshRate = s.fullscreen ? DXGI_RATIONAL{0, 1}
                                             : DXGI_RATIONAL{static_cast<UINT>(settings.desktopRefreshRate), 1};
  desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
  desc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
  desc.SampleDesc = {1, 0};
  desc.BufferUsage = DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT | DXGI_USAGE_BACK_BUFFER;
  desc.BufferCount = 2;
  desc.OutputWindow = settings.window;
  desc.Windowed = s.fullscreen ? FALSE : TRUE;
  desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  desc.Flags = 0;
  return desc;
}

HRESULT fw_CreateDeviceAndSwapChain(const fw_DeviceSettings& settings) {
  const fw_RenderSize size = fw_ApplyRenderSize(settings.size);
  if (!size.logLine.empty()) fw_Log(fw_LogPlain, "%s", size.logLine.c_str());
  int32_t outputWidth = 0, outputHeight = 0;
  const fw_RenderSizeInput& s = settings.size;
  fw_OutputSize(s.fullscreen, s.windowWidth, s.windowHeight, s.desktopWidth, s.desktopHeight, &outputWidth,
                &outputHeight);
  fw_SetOutputSize(outputWidth, outputHeight);

  const D3D10_DRIVER_TYPE types[3] = {D3D10_DRIVER_TYPE_HARDWARE, D3D10_DRIVER_TYPE_WARP, D3D10_DRIVER_TYPE_REFERENCE};
  HRESULT result = E_FAIL;
  IDXGISwapChain* swapChain = nullptr;
  ID3D10Device* device = nullptr;
  int chosen = -1;
  for (int i = 0; i < 3 && chosen < 0; ++i) {
    DXGI_SWAP_CHAIN_DESC desc = fw_SwapChainDescription(settings);
    HMODULE software = types[i] == D3D10_DRIVER_TYPE_WARP ? SoftwareModule() : nullptr;
    result = D3D10CreateDeviceAndSwapChain(nullptr, types[i], software, 0, D3D10_SDK_VERSION, &desc, &swapChain,
                                           &device);
    if (SUCCEEDED(result) && device && swapChain) {
      chosen = i;
    } else {
      SafeRelease(swapChain);
      SafeRelease(device);
      if (SUCCEEDED(result)) result = E_FAIL;
    }
  }
  if (chosen > 0)
    fw_Alert("Device failed to be created on hardware, the application will try to run on %s device.",
             chosen == 1 ? "software" : "reference");
  if (chosen < 0) {
    fw_Alert("D3D10CreateDeviceAndSwapChain() failed (0x%08x)", static_cast<unsigned>(result));
    return result;
  }
  fw_SetDevice(device);
  fw_SetSwapChain(swapChain);
  fw_SetDriverType(types[chosen]);
  AssociateWindow(device, settings.window);
  if (platform::GlDebugEnabled()) fw_Log(fw_LogPlain, "GL debug: every GL error is reported as an error.");
  return S_OK;
}

bool fw_ReenterFullscreenIfRequired(const fw_DeviceSettings& settings, int maxAttempts) {
  IDXGISwapChain* swapChain = fw_GetSwapChain();
  if (!swapChain) return false;
  BOOL fullscreen = FALSE;
  swapChain->GetFullscreenState(&fullscreen, nullptr);
  if (!settings.size.fullscreen || fullscreen) return fullscreen != FALSE;
  if (settings.verboseWindowLog)
    fw_Log(fw_LogPlain,
           "_ReenterFullscreenIfRequired(): Internal fullscreen state inconsistency.  "
           "mSwapChain->GetFullscreenState(): %d, fw_Framework::mFullscreen: %d, ",
           fullscreen, settings.size.fullscreen ? 1 : 0);
  // The swap chain may refuse while another program holds the display; the next present tries
  // again instead of spinning here.
  int attempts = 0;
  bool done = false;
  while (!done && attempts < maxAttempts) {
    SetFocus(settings.window);
    ++attempts;
    done = SUCCEEDED(swapChain->SetFullscreenState(TRUE, nullptr));
  }
  if (done && settings.verboseWindowLog)
    fw_Log(fw_LogPlain, "_ReenterFullscreenIfRequired(): Succeeded setting fullscreen state on swap chain after %d attempt%s.",
           attempts, attempts > 1 ? "s" : "");
  return done;
}

void fw_Present(const fw_DeviceSettings& settings) {
  fw_ReenterFullscreenIfRequired(settings);
  const bool atOnce = fw_FrameHooksPresent();
  if (IDXGISwapChain* swapChain = fw_GetSwapChain()) swapChain->Present(atOnce ? 0 : 1, 0);
}

void fw_ReleaseDeviceResources() {
  IDXGISwapChain* swapChain = fw_GetSwapChain();
  if (swapChain) {
    BOOL fullscreen = FALSE;
    swapChain->GetFullscreenState(&fullscreen, nullptr);
    if (fullscreen) swapChain->SetFullscreenState(FALSE, nullptr);
  }
  fw_ReleaseFrameworkResources();
  ID3D10Device* device = fw_GetDevice();
  if (device) device->ClearState();
  SafeRelease(swapChain);
  fw_SetSwapChain(nullptr);
  SafeRelease(device);
  fw_SetDevice(nullptr);
}
