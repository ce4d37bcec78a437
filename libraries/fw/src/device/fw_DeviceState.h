// The process-wide Direct3D 10 device and DXGI swap chain every drawing part uses, the render
// and output sizes and whether the picture is letterboxed. Set by the device creation (or by a
// test that makes its own device).
#pragma once

#include <platform/d3d10.h>

#include <cstdint>

ID3D10Device* fw_GetDevice();
IDXGISwapChain* fw_GetSwapChain();
bool fw_GetLetterbox();
// The driver type the device was made with (hardware until a device creation says otherwise).
D3D10_DRIVER_TYPE fw_GetDriverType();

// Installs objects made elsewhere; no references are added and the previous ones are not released.
void fw_SetDevice(ID3D10Device* device);
void fw_SetSwapChain(IDXGISwapChain* swapChain);
void fw_SetLetterbox(bool letterbox);
void fw_SetDriverType(D3D10_DRIVER_TYPE type);

// Render size: the size every render target is made at. Output size: the window's back buffer.
int32_t fw_GetRenderWidth();
int32_t fw_GetRenderHeight();
int32_t fw_GetOutputWidth();
int32_t fw_GetOutputHeight();
void fw_SetRenderSize(int32_t width, int32_t height);
void fw_SetOutputSize(int32_t width, int32_t height);
