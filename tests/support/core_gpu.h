// Test support for the framework's GPU tests: an off-screen device installed as the framework's
// device, pixel read-back of a texture, and the shader roots of the test production.
#pragma once

#include "diag/fw_Alert.h"
#include "device/fw_DeviceState.h"
#include "res/fw_Paths.h"
#include "res/fw_Texture.h"

#include <gtest/gtest.h>

#include <platform/d3d10.h>

#include <cstring>
#include <string>
#include <vector>

namespace core_test {

inline std::string TestProductionRoot() { return std::string(DUSK_SOURCE_DIR) + "/tests/data/testprod"; }
inline std::string FrameworkRoot() { return std::string(DUSK_SOURCE_DIR) + "/libraries/fw"; }

// Makes a software device without a swap chain and installs it; released at the end of scope.
class OffscreenDevice {
 public:
  OffscreenDevice() {
    fw_SetAlertMode(0);  // a warning must never wait for a click in a test
    D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &mDevice);
    fw_SetDevice(mDevice);
    fw_SetSwapChain(nullptr);
  }
  ~OffscreenDevice() {
    fw_SetDevice(nullptr);
    if (mDevice) mDevice->Release();
  }
  ID3D10Device* get() const { return mDevice; }

 private:
  ID3D10Device* mDevice = nullptr;
};

// RGBA8 texels of a 2D texture, rows top first, tightly packed; empty when it cannot be read.
inline std::vector<uint8_t> ReadPixels(ID3D10Texture2D* texture) {
  std::vector<uint8_t> pixels;
  ID3D10Device* device = fw_GetDevice();
  if (!texture || !device) return pixels;
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  // Same mip levels as the source: a copy needs identical textures; level 0 is read.
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  ID3D10Texture2D* staging = nullptr;
  device->CreateTexture2D(&desc, nullptr, &staging);
  if (!staging) return pixels;
  device->CopyResource(staging, texture);
  D3D10_MAPPED_TEXTURE2D mapped{};
  if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) {
    const UINT row = desc.Width * 4;
    pixels.resize(static_cast<size_t>(row) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
      std::memcpy(&pixels[row * y], static_cast<const uint8_t*>(mapped.pData) + mapped.RowPitch * y, row);
    staging->Unmap(0);
  }
  staging->Release();
  return pixels;
}

}  // namespace core_test
