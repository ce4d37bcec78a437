// Process-wide device state.
#include "device/fw_DeviceState.h"

namespace {
ID3D10Device* gDevice = nullptr;
IDXGISwapChain* gSwapChain = nullptr;
bool gLetterbox = false;
D3D10_DRIVER_TYPE gDriverType = D3D10_DRIVER_TYPE_HARDWARE;
int32_t gRenderWidth = 1280, gRenderHeight = 720;
int32_t gOutputWidth = 1280, gOutputHeight = 720;
}  // namespace

ID3D10Device* fw_GetDevice() { return gDevice; }
IDXGISwapChain* fw_GetSwapChain() { return gSwapChain; }
bool fw_GetLetterbox() { return gLetterbox; }
void fw_SetDevice(ID3D10Device* device) { gDevice = device; }
void fw_SetSwapChain(IDXGISwapChain* swapChain) { gSwapChain = swapChain; }
void fw_SetLetterbox(bool letterbox) { gLetterbox = letterbox; }
D3D10_DRIVER_TYPE fw_GetDriverType() { return gDriverType; }
void fw_SetDriverType(D3D10_DRIVER_TYPE type) { gDriverType = type; }
int32_t fw_GetRenderWidth() { return gRenderWidth; }
int32_t fw_GetRenderHeight() { return gRenderHeight; }
int32_t fw_GetOutputWidth() { return gOutputWidth; }
int32_t fw_GetOutputHeight() { return gOutputHeight; }
void fw_SetRenderSize(int32_t width, int32_t height) {
  gRenderWidth = width;
  gRenderHeight = height;
}
void fw_SetOutputSize(int32_t width, int32_t height) {
  gOutputWidth = width;
  gOutputHeight = height;
}
