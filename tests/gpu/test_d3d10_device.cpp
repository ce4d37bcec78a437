// The Direct3D 10 stand-in on Mesa's software rasteriser: device creation and its driver types,
// resources and views with their descriptions, clears, copies to staging textures, reference
// counts, and the DXGI chain. Pixels are read back through staging textures.
#include <platform/d3d10.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../../libraries/platform/d3d10/d3d10_sdl2_p.h"

namespace {

ID3D10Device* MakeDevice() {
  ID3D10Device* device = nullptr;
  if (FAILED(D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &device))) return nullptr;
  return device;
}

ID3D10Texture2D* MakeTarget(ID3D10Device* device, UINT w, UINT h, DXGI_FORMAT format, UINT bind) {
  D3D10_TEXTURE2D_DESC desc{};
  desc.Width = w;
  desc.Height = h;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = format;
  desc.SampleDesc.Count = 1;
  desc.Usage = D3D10_USAGE_DEFAULT;
  desc.BindFlags = bind;
  ID3D10Texture2D* texture = nullptr;
  device->CreateTexture2D(&desc, nullptr, &texture);
  return texture;
}

// Every texel of subresource 0, read through a staging copy.
std::vector<uint8_t> ReadBack(ID3D10Device* device, ID3D10Texture2D* texture, UINT bytesPerTexel) {
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  ID3D10Texture2D* staging = nullptr;
  EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &staging));
  device->CopyResource(staging, texture);
  D3D10_MAPPED_TEXTURE2D mapped{};
  EXPECT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &mapped));
  std::vector<uint8_t> bytes(size_t(desc.Width) * desc.Height * bytesPerTexel);
  for (UINT y = 0; y < desc.Height; ++y)
    memcpy(&bytes[size_t(y) * desc.Width * bytesPerTexel], static_cast<uint8_t*>(mapped.pData) + y * mapped.RowPitch,
           desc.Width * bytesPerTexel);
  staging->Unmap(0);
  staging->Release();
  return bytes;
}

TEST(D3D10Device, HardwareIsRefusedOnASoftwareRasteriserAndWarpIsNot) {
  ID3D10Device* device = nullptr;
  HRESULT hr = D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, &device);
  ID3D10Device* warp = MakeDevice();
  ASSERT_NE(nullptr, warp);
  std::string renderer = d3d10gl::RendererOf(warp);
  if (renderer.find("llvmpipe") != std::string::npos) {
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(nullptr, device);
  }
  if (device) device->Release();
  EXPECT_EQ(0u, warp->Release());
}

TEST(D3D10Device, ClearReachesEveryTexelAndReadsBackTopRowFirst) {
  ID3D10Device* device = MakeDevice();
  ASSERT_NE(nullptr, device);
  ID3D10Texture2D* texture = MakeTarget(device, 8, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_RENDER_TARGET);
  ASSERT_NE(nullptr, texture);
  ID3D10RenderTargetView* rtv = nullptr;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture, nullptr, &rtv));
  const float color[4] = {1.0f, 0.5f, 0.0f, 1.0f};
  device->ClearRenderTargetView(rtv, color);
  std::vector<uint8_t> pixels = ReadBack(device, texture, 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    EXPECT_EQ(255, pixels[i]);
    EXPECT_NEAR(128, pixels[i + 1], 1);
    EXPECT_EQ(0, pixels[i + 2]);
    EXPECT_EQ(255, pixels[i + 3]);
  }
  rtv->Release();
  texture->Release();
  EXPECT_EQ(0u, device->Release());
}

}  // namespace
