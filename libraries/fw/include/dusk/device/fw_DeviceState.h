// The process-wide Direct3D 10 device and DXGI swap chain every drawing part uses, the render
// and output sizes and whether the picture is letterboxed. Set by the device creation (or by a
// test that makes its own device).
#pragma once

#include "device/fw_RenderSize.h"

#include <platform/d3d10.h>

#include <cstdint>
#include <functional>

ID3D10Device* fw_GetDevice();
IDXGISwapChain* fw_GetSwapChain();
bool fw_GetLetterbox();
// The driver type the device was made with (hardware until a device creation says otherwise).
D3D10_DRIVER_TYPE fw_GetDriverType();

// True while nothing drawn reaches a picture: a capture stepping through the frames before its
// span. Work that only feeds the device (building index lists, culling) may then be left out;
// anything the next frame depends on (the shared generator, a scene's own state) may not.
bool fw_DrawingDiscarded();

// Installs objects made elsewhere; no references are added and the previous ones are not released.
void fw_SetDevice(ID3D10Device* device);
void fw_SetSwapChain(IDXGISwapChain* swapChain);
void fw_SetDriverType(D3D10_DRIVER_TYPE type);

// Render size: the size every render target is made at. Output size: the window's back buffer.
int32_t fw_GetRenderWidth();
int32_t fw_GetRenderHeight();
int32_t fw_GetOutputWidth();
int32_t fw_GetOutputHeight();
void fw_SetOutputSize(int32_t width, int32_t height);

// The render scale and the render size and letterbox it gives, kept together in this one record
// and changed by fw_ApplyRenderSize alone, so the three cannot disagree and nothing made at the
// size is left at an old one. fw_Framework::mRenderScale is a read-only view of its scale;
// fw_GetRenderWidth/Height and fw_GetLetterbox read the rest.
struct fw_RenderSizeRecord {
  float scale = 1.0f;
  int32_t width = 1280, height = 720;
  bool letterbox = false;
};
const fw_RenderSizeRecord& fw_GetRenderSizeRecord();

// The record's one writer: takes the input's scale and the size and letterbox
// fw_ComputeRenderSize gives for the input, logs the letterbox's line when there is one, and when
// the size changed runs the follower. Returns what fw_ComputeRenderSize gave.
fw_RenderSize fw_ApplyRenderSize(const fw_RenderSizeInput& input);
// For tests and tools with a device of their own: fw_ApplyRenderSize for a window of this size at
// scale 1, without letterbox.
void fw_SetRenderSize(int32_t width, int32_t height);
// What has to follow a new render size (the targets made at it, the cameras' projections). The
// resource loading sets it while its resources exist; empty, a new size is only recorded.
void fw_SetRenderSizeFollower(std::function<void()> follower);
