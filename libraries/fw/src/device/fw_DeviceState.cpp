// Process-wide device state.
#include "device/fw_DeviceState.h"

#include "diag/fw_Log.h"

#include <platform/d3d10_offline.h>

#include <utility>

namespace {
ID3D10Device* gDevice = nullptr;
IDXGISwapChain* gSwapChain = nullptr;
D3D10_DRIVER_TYPE gDriverType = D3D10_DRIVER_TYPE_HARDWARE;
fw_RenderSizeRecord gRenderSize;
std::function<void()> gRenderSizeFollower;
int32_t gOutputWidth = 1280, gOutputHeight = 720;
}  // namespace

ID3D10Device* fw_GetDevice() { return gDevice; }
IDXGISwapChain* fw_GetSwapChain() { return gSwapChain; }
bool fw_GetLetterbox() { return gRenderSize.letterbox; }
void fw_SetDevice(ID3D10Device* device) { gDevice = device; }
void fw_SetSwapChain(IDXGISwapChain* swapChain) { gSwapChain = swapChain; }
D3D10_DRIVER_TYPE fw_GetDriverType() { return gDriverType; }
bool fw_DrawingDiscarded() { return platform::GpuWorkDiscarded(); }
void fw_SetDriverType(D3D10_DRIVER_TYPE type) { gDriverType = type; }
int32_t fw_GetRenderWidth() { return gRenderSize.width; }
int32_t fw_GetRenderHeight() { return gRenderSize.height; }
int32_t fw_GetOutputWidth() { return gOutputWidth; }
int32_t fw_GetOutputHeight() { return gOutputHeight; }
const fw_RenderSizeRecord& fw_GetRenderSizeRecord() { return gRenderSize; }

fw_RenderSize fw_ApplyRenderSize(const fw_RenderSizeInput& input) {
  const fw_RenderSize size = fw_ComputeRenderSize(input);
  const bool resized = size.width != gRenderSize.width || size.height != gRenderSize.height;
  gRenderSize = {input.renderScale, size.width, size.height, size.letterbox};
  if (!size.logLine.empty()) fw_Log(fw_LogPlain, "%s", size.logLine.c_str());
  if (resized && gRenderSizeFollower) gRenderSizeFollower();
  return size;
}

void fw_SetRenderSize(int32_t width, int32_t height) {
  fw_RenderSizeInput input;
  input.windowWidth = width;
  input.windowHeight = height;
  input.renderScale = 1.0f;
  input.aspect = 0.0f;  // no letterbox
  fw_ApplyRenderSize(input);
}

void fw_SetRenderSizeFollower(std::function<void()> follower) { gRenderSizeFollower = std::move(follower); }

void fw_SetOutputSize(int32_t width, int32_t height) {
  gOutputWidth = width;
  gOutputHeight = height;
}
