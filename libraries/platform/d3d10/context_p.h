// Platform-internal: the OpenGL 4.5 core context behind a device, made on an SDL window or, for a
// window without a display, offscreen through EGL; and the DXGI objects that hang off a device.
// Driver types pick the GL driver (see context_driver_p.h).
#pragma once

#include "device_p.h"

#include <string>

struct SDL_Window;

namespace d3d10gl {

struct ContextInfo {
  SDL_Window* window = nullptr;  // null for an offscreen context
  void* gl = nullptr;            // SDL_GLContext, or the EGLContext offscreen
  void* eglDisplay = nullptr;    // offscreen only
  int offscreenWidth = 0;        // offscreen only: the client size of the window it renders for
  int offscreenHeight = 0;
  bool ownsWindow = false;
  bool ownsVideo = false;  // this context holds a reference on SDL's video subsystem
  int swapInterval = -2;   // unknown until the first Present sets it
  std::string renderer;
  std::string vendor;
};

// A GL 4.5 core context on the window for the driver type, current on return; null with *hr set
// (and a report saying why) when the driver type cannot be had.
ContextInfo* CreateContext(SDL_Window* window, D3D10_DRIVER_TYPE driverType, HMODULE software, HRESULT* hr);
// A context on a hidden window of its own.
ContextInfo* CreateHiddenContext(D3D10_DRIVER_TYPE driverType, HMODULE software, HRESULT* hr);
// The same GL 4.5 core context with no window and no surface at all (EGL on Mesa's surfaceless
// platform), for a window of width x height that has no display; it renders only into textures.
ContextInfo* CreateOffscreenContext(int width, int height, D3D10_DRIVER_TYPE driverType, HMODULE software,
                                    HRESULT* hr);
void DestroyContext(ContextInfo* context);
void DestroyOffscreenContext(ContextInfo* context);
void MakeContextCurrent(ContextInfo* context);
void MakeOffscreenContextCurrent(ContextInfo* context);
// True for Mesa's and other software rasterisers, by the renderer string.
bool IsSoftwareRenderer(const std::string& renderer);

// The DXGI device of a device (QueryInterface on ID3D10Device for IDXGIDevice or IDXGIObject).
HRESULT CreateDxgiDevice(Device* device, REFIID riid, void** object);
HRESULT CreateDxgiFactory(Device* device, REFIID riid, void** object);

// A swap chain on the device's window; the device must have been made on that window.
HRESULT CreateSwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, IDXGISwapChain** swapChain);

}  // namespace d3d10gl
