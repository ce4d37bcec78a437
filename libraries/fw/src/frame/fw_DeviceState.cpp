// Process-wide device state.
#include "frame/fw_DeviceState.h"

namespace {
ID3D10Device* gDevice = nullptr;
IDXGISwapChain* gSwapChain = nullptr;
bool gLetterbox = false;
}  // namespace

ID3D10Device* fw_GetDevice() { return gDevice; }
IDXGISwapChain* fw_GetSwapChain() { return gSwapChain; }
bool fw_GetLetterbox() { return gLetterbox; }
void fw_SetDevice(ID3D10Device* device) { gDevice = device; }
void fw_SetSwapChain(IDXGISwapChain* swapChain) { gSwapChain = swapChain; }
void fw_SetLetterbox(bool letterbox) { gLetterbox = letterbox; }
