// Platform-internal: a device and swap chain made directly on an SDL window (created with
// SDL_WINDOW_OPENGL), for tests and benchmarks that open their own window without the Win32
// stand-in. D3D10CreateDeviceAndSwapChain does the same after finding the HWND's SDL window.
#pragma once

#include <platform/d3d10.h>

struct SDL_Window;

namespace d3d10gl {

HRESULT CreateDeviceAndSwapChainOnSdlWindow(SDL_Window* window, D3D10_DRIVER_TYPE driverType, HMODULE software,
                                            const DXGI_SWAP_CHAIN_DESC* swapChainDesc, IDXGISwapChain** swapChain,
                                            ID3D10Device** device);
// The renderer string of a device's GL context ("llvmpipe (LLVM 15.0.6, 256 bits)").
const char* RendererOf(ID3D10Device* device);
// Draw calls issued, framebuffer binds made and uniform arrays uploaded by effect passes on a
// device since it was created (any pointer may be null).
void DeviceCounters(ID3D10Device* device, unsigned long long* draws, unsigned long long* framebufferBinds,
                    unsigned long long* uniformUploads = nullptr);

}  // namespace d3d10gl
