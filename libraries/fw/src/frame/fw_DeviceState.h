// The process-wide Direct3D 10 device and DXGI swap chain every drawing part uses, and whether
// the picture is letterboxed. Set by the device creation (or by a test that makes its own device).
#pragma once

#include <platform/d3d10.h>

ID3D10Device* fw_GetDevice();
IDXGISwapChain* fw_GetSwapChain();
bool fw_GetLetterbox();

// Installs objects made elsewhere; no references are added and the previous ones are not released.
void fw_SetDevice(ID3D10Device* device);
void fw_SetSwapChain(IDXGISwapChain* swapChain);
void fw_SetLetterbox(bool letterbox);
