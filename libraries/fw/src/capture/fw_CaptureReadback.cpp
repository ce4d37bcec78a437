// Reading the presented frame back for capture mode.
#include "capture/fw_CaptureReadback.h"

#include "device/fw_DeviceState.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

#include <platform/d3dx10tex.h>

#include <cstring>

// The staging copy matches the source's size and format; made again when those change. One copy
// for the whole capture keeps the driver from making and freeing a texture every frame.
ID3D10Texture2D* fw_CaptureReadback::staging(ID3D10Device* device, const D3D10_TEXTURE2D_DESC& source) {
  if (mStaging) {
    D3D10_TEXTURE2D_DESC desc;
    mStaging->GetDesc(&desc);
    if (desc.Width == source.Width && desc.Height == source.Height && desc.Format == source.Format) return mStaging;
    release();
  }
  D3D10_TEXTURE2D_DESC desc = source;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.SampleDesc = {1, 0};
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  device->CreateTexture2D(&desc, nullptr, &mStaging);
  return mStaging;
}

ID3D10Texture2D* fw_CaptureReadback::copyBackBuffer(std::string* reason) {
  fw_Texture* backbuffer = fw_FindTexture("backbuffer");
  ID3D10Device* device = fw_GetDevice();
  if (!device || !backbuffer || !backbuffer->mTexture2D) {
    *reason = "there is no back buffer to read";
    return nullptr;
  }
  D3D10_TEXTURE2D_DESC desc;
  backbuffer->mTexture2D->GetDesc(&desc);
  ID3D10Texture2D* copy = staging(device, desc);
  if (!copy) {
    *reason = "no CPU-readable copy of the back buffer could be made";
    return nullptr;
  }
  device->CopyResource(copy, backbuffer->mTexture2D);
  return copy;
}

bool fw_CaptureReadback::readPng(std::vector<uint8_t>* png, std::string* reason) {
  ID3D10Texture2D* copy = copyBackBuffer(reason);
  if (!copy) return false;
  ID3D10Blob* file = nullptr;
  if (FAILED(D3DX10SaveTextureToMemory(copy, D3DX10_IFF_PNG, &file, 0)) || !file) {
    *reason = "the frame could not be read back and encoded";
    return false;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(file->GetBufferPointer());
  png->assign(bytes, bytes + file->GetBufferSize());
  file->Release();
  return true;
}

bool fw_CaptureReadback::readRgba(std::vector<uint8_t>* rgba, uint32_t* width, uint32_t* height,
                                  std::string* reason) {
  ID3D10Texture2D* copy = copyBackBuffer(reason);
  if (!copy) return false;
  D3D10_TEXTURE2D_DESC desc;
  copy->GetDesc(&desc);
  // The encoder is told the pixels are 8-bit RGBA; any other format would be read as noise.
  if (desc.Format != DXGI_FORMAT_R8G8B8A8_UNORM && desc.Format != DXGI_FORMAT_R8G8B8A8_UNORM_SRGB) {
    *reason = "the back buffer is not 8-bit RGBA";
    return false;
  }
  D3D10_MAPPED_TEXTURE2D mapped{};
  if (FAILED(copy->Map(0, D3D10_MAP_READ, 0, &mapped)) || !mapped.pData) {
    *reason = "the frame could not be read back";
    return false;
  }
  const size_t row = size_t(desc.Width) * 4;
  rgba->resize(row * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y)
    std::memcpy(rgba->data() + row * y, static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch, row);
  copy->Unmap(0);
  *width = desc.Width;
  *height = desc.Height;
  return true;
}

void fw_CaptureReadback::release() {
  if (mStaging) mStaging->Release();
  mStaging = nullptr;
}
