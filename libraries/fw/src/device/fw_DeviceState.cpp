// Process-wide device state.
#include "device/fw_DeviceState.h"

#include <platform/d3d10_offline.h>

namespace {
ID3D10Device* gDevice = nullptr;
IDXGISwapChain* gSwapChain = nullptr;
D3D10_DRIVER_TYPE gDriverType = D3D10_DRIVER_TYPE_HARDWARE;
fw_RenderSizeRecord gRenderSize;
int32_t gOutputWidth = 1280, gOutputHeight = 720;
}  // namespace

ID3D10Device* fw_GetDevice() { return gDevice; }
IDXGISwapChain* fw_GetSwapChain() { return gSwapChain; }
bool fw_GetLetterbox() { return gRenderSize.letterbox; }
void fw_SetDevice(ID3D10Device* device) { gDevice = device; }
void fw_SetSwapChain(IDXGISwapChain* swapChain) { gSwapChain = swapChain; }
void fw_SetLetterbox(bool letterbox) { gRenderSize.letterbox = letterbox; }
D3D10_DRIVER_TYPE fw_GetDriverType() { return gDriverType; }
bool fw_DrawingDiscarded() { return platform::GpuWorkDiscarded(); }
void fw_SetDriverType(D3D10_DRIVER_TYPE type) { gDriverType = type; }
int32_t fw_GetRenderWidth() { return gRenderSize.width; }
int32_t fw_GetRenderHeight() { return gRenderSize.height; }
int32_t fw_GetOutputWidth() { return gOutputWidth; }
int32_t fw_GetOutputHeight() { return gOutputHeight; }
void fw_SetRenderSize(int32_t width, int32_t height) {
  gRenderSize.width = width;
  gRenderSize.height = height;
}

const fw_RenderSizeRecord& fw_GetRenderSizeRecord() { return gRenderSize; }
float& fw_RenderScaleStorage() { return gRenderSize.scale; }

fw_RenderSize fw_ApplyRenderSize(const fw_RenderSizeInput& input) {
  const fw_RenderSize size = fw_ComputeRenderSize(input);
  gRenderSize = {input.renderScale, size.width, size.height, size.letterbox};
  return size;
}

void fw_ApplyRenderScale(float scale, int32_t windowWidth, int32_t windowHeight) {
  gRenderSize.scale = scale;
  gRenderSize.width = fw_ScaledSide(windowWidth, scale);
  gRenderSize.height = fw_ScaledSide(windowHeight, scale);
}
void fw_SetOutputSize(int32_t width, int32_t height) {
  gOutputWidth = width;
  gOutputHeight = height;
}
