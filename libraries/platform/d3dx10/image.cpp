// Image files into textures: read the file, decode (image_decode.cpp), complete the
// mip chain with a box filter, create the texture with every level as initial data, and view it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <stb_image.h>

#include <platform/d3dx10tex.h>
#include <platform/diagnostics.h>

#include "image_p.h"
#include "../d3d10/gl_debug_p.h"

using d3dx10image::Image;
using d3dx10image::Level;

namespace {

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

bool Decode(const char* path, Image& image, HRESULT& failure) {
  std::vector<uint8_t> bytes;
  if (!path || !ReadFile(path, bytes)) {
    platform::Report(platform::kReportWarning, "Image file <%s> cannot be read.", path ? path : "(null)");
    failure = D3D10_ERROR_FILE_NOT_FOUND;
    return false;
  }
  std::string error;
  if (!d3dx10image::DecodeImage(bytes, image, error)) {
    platform::Report(platform::kReportWarning, "Image file <%s> cannot be decoded: %s.", path, error.c_str());
    failure = D3DX10_ERR_INVALID_DATA;
    return false;
  }
  return true;
}

UINT FullChain(uint32_t width, uint32_t height) {
  UINT levels = 1;
  for (uint32_t size = std::max(width, height); size > 1; size >>= 1) ++levels;
  return levels;
}

// Each texel of the next level averages the 2 × 2 texels above it (fewer at a side of 1).
Level HalveBox(const Level& source) {
  Level next;
  next.width = std::max(1u, source.width / 2);
  next.height = std::max(1u, source.height / 2);
  next.texels.resize(static_cast<size_t>(next.width) * next.height * 4);
  const uint32_t stepX = source.width > 1 ? 1 : 0, stepY = source.height > 1 ? 1 : 0;
  for (uint32_t y = 0; y < next.height; ++y)
    for (uint32_t x = 0; x < next.width; ++x) {
      const uint32_t sx = std::min(2 * x, source.width - 1), sy = std::min(2 * y, source.height - 1);
      const uint8_t* a = &source.texels[(static_cast<size_t>(sy) * source.width + sx) * 4];
      const uint8_t* b = &source.texels[(static_cast<size_t>(sy) * source.width + sx + stepX) * 4];
      const uint8_t* c = &source.texels[(static_cast<size_t>(sy + stepY) * source.width + sx) * 4];
      const uint8_t* d = &source.texels[(static_cast<size_t>(sy + stepY) * source.width + sx + stepX) * 4];
      uint8_t* out = &next.texels[(static_cast<size_t>(y) * next.width + x) * 4];
      for (int ch = 0; ch < 4; ++ch) out[ch] = static_cast<uint8_t>((a[ch] + b[ch] + c[ch] + d[ch] + 2) / 4);
    }
  return next;
}

bool IsDefault(UINT value) { return value == D3DX10_DEFAULT || value == D3DX10_FROM_FILE || value == 0; }

HRESULT CreateTexture(ID3D10Device* device, LPCSTR srcFile, D3DX10_IMAGE_LOAD_INFO* loadInfo, ID3D10Texture2D** out,
                      bool* cube) {
  *out = nullptr;
  if (!device) return E_INVALIDARG;
  Image image;
  HRESULT failure = E_FAIL;
  if (!Decode(srcFile, image, failure)) return failure;
  const Level& top = image.slices[0][0];
  const UINT fileLevels = static_cast<UINT>(image.slices[0].size());

  D3D10_TEXTURE2D_DESC desc = {};
  desc.Width = top.width;
  desc.Height = top.height;
  desc.MipLevels = fileLevels > 1 ? fileLevels : FullChain(top.width, top.height);
  desc.ArraySize = static_cast<UINT>(image.slices.size());
  desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.SampleDesc = {1, 0};
  desc.Usage = D3D10_USAGE_DEFAULT;
  desc.BindFlags = D3D10_BIND_SHADER_RESOURCE;
  desc.MiscFlags = image.cube ? D3D10_RESOURCE_MISC_TEXTURECUBE : 0;
  if (loadInfo) {
    if ((!IsDefault(loadInfo->Width) && loadInfo->Width != top.width) ||
        (!IsDefault(loadInfo->Height) && loadInfo->Height != top.height) ||
        (!IsDefault(loadInfo->FirstMipLevel))) {
      platform::Report(platform::kReportWarning, "Image file <%s>: resizing and skipping mip levels are not supported.",
                       srcFile);
      return E_INVALIDARG;
    }
    if (loadInfo->MipLevels == D3DX10_FROM_FILE) desc.MipLevels = fileLevels;
    else if (!IsDefault(loadInfo->MipLevels)) desc.MipLevels = std::min(loadInfo->MipLevels, FullChain(top.width, top.height));
    if (loadInfo->Usage != static_cast<D3D10_USAGE>(D3DX10_DEFAULT)) desc.Usage = loadInfo->Usage;
    if (loadInfo->BindFlags != D3DX10_DEFAULT) desc.BindFlags = loadInfo->BindFlags;
    if (loadInfo->CpuAccessFlags != D3DX10_DEFAULT) desc.CPUAccessFlags = loadInfo->CpuAccessFlags;
    if (loadInfo->MiscFlags != D3DX10_DEFAULT) desc.MiscFlags = loadInfo->MiscFlags | (image.cube ? D3D10_RESOURCE_MISC_TEXTURECUBE : 0);
    const DXGI_FORMAT format = loadInfo->Format;
    if (format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB) {
      desc.Format = format;
    } else if (format != DXGI_FORMAT_R8G8B8A8_UNORM && format != DXGI_FORMAT_FROM_FILE &&
               format != static_cast<DXGI_FORMAT>(D3DX10_DEFAULT) && format != DXGI_FORMAT_UNKNOWN) {
      platform::Report(platform::kReportWarning, "Image file <%s>: format %d is not offered; use R8G8B8A8.", srcFile,
                       static_cast<int>(format));
      return E_INVALIDARG;
    }
    if (loadInfo->pSrcInfo) {
      D3DX10_IMAGE_INFO& info = *loadInfo->pSrcInfo;
      info = {top.width, top.height, 1, desc.ArraySize, fileLevels, image.cube ? (UINT)D3D10_RESOURCE_MISC_TEXTURECUBE : 0u,
              DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_RESOURCE_DIMENSION_TEXTURE2D, image.fileFormat};
    }
  }

  std::vector<D3D10_SUBRESOURCE_DATA> data;
  for (std::vector<Level>& levels : image.slices) {
    levels.resize(std::min<size_t>(levels.size(), desc.MipLevels));
    while (levels.size() < desc.MipLevels) levels.push_back(HalveBox(levels.back()));
  }
  for (const std::vector<Level>& levels : image.slices)
    for (const Level& level : levels) data.push_back({level.texels.data(), level.width * 4, level.width * level.height * 4});
  HRESULT created = device->CreateTexture2D(&desc, data.data(), out);
  if (FAILED(created)) {
    *out = nullptr;
    platform::Report(platform::kReportWarning, "Image file <%s>: the device refused a %ux%u texture.", srcFile, desc.Width,
                     desc.Height);
    return created;
  }
  if (cube) *cube = image.cube;
  return S_OK;
}

}  // namespace

HRESULT D3DX10GetImageInfoFromFileA(LPCSTR srcFile, ID3DX10ThreadPump* pump, D3DX10_IMAGE_INFO* srcInfo,
                                    HRESULT* result) {
  HRESULT outcome = E_INVALIDARG;
  std::vector<uint8_t> bytes;
  if (!srcInfo) {
  } else if (!srcFile || !ReadFile(srcFile, bytes)) {
    outcome = D3D10_ERROR_FILE_NOT_FOUND;
  } else if (d3dx10image::IsDds(bytes)) {
    std::string error;
    outcome = d3dx10image::DescribeDds(bytes, *srcInfo, error) ? S_OK : D3DX10_ERR_INVALID_DATA;
  } else {
    int width = 0, height = 0, channels = 0;
    std::string error;
    if (d3dx10image::StbMayRead(bytes, error) &&
        stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels)) {
      *srcInfo = {static_cast<UINT>(width), static_cast<UINT>(height), 1, 1, 1, 0, DXGI_FORMAT_R8G8B8A8_UNORM,
                  D3D10_RESOURCE_DIMENSION_TEXTURE2D, d3dx10image::SniffFormat(bytes)};
      outcome = S_OK;
    } else {
      outcome = D3DX10_ERR_INVALID_DATA;
    }
  }
  if (result) *result = outcome;
  return outcome;
}

HRESULT D3DX10CreateTextureFromFileA(ID3D10Device* device, LPCSTR srcFile, D3DX10_IMAGE_LOAD_INFO* loadInfo,
                                     ID3DX10ThreadPump* pump, ID3D10Resource** texture, HRESULT* result) {
  d3d10gl::GlCall glCall("D3DX10CreateTextureFromFileA");
  HRESULT outcome = E_INVALIDARG;
  if (texture) {
    *texture = nullptr;
    ID3D10Texture2D* created = nullptr;
    outcome = CreateTexture(device, srcFile, loadInfo, &created, nullptr);
    *texture = created;
  }
  if (result) *result = outcome;
  return outcome;
}

HRESULT D3DX10CreateShaderResourceViewFromFileA(ID3D10Device* device, LPCSTR srcFile,
                                                D3DX10_IMAGE_LOAD_INFO* loadInfo, ID3DX10ThreadPump* pump,
                                                ID3D10ShaderResourceView** view, HRESULT* result) {
  d3d10gl::GlCall glCall("D3DX10CreateShaderResourceViewFromFileA");
  HRESULT outcome = E_INVALIDARG;
  if (view) {
    *view = nullptr;
    ID3D10Texture2D* texture = nullptr;
    bool cube = false;
    outcome = CreateTexture(device, srcFile, loadInfo, &texture, &cube);
    if (SUCCEEDED(outcome)) {
      D3D10_TEXTURE2D_DESC desc;
      texture->GetDesc(&desc);
      D3D10_SHADER_RESOURCE_VIEW_DESC viewDesc = {};
      viewDesc.Format = desc.Format;
      viewDesc.ViewDimension = cube ? D3D10_SRV_DIMENSION_TEXTURECUBE : D3D10_SRV_DIMENSION_TEXTURE2D;
      viewDesc.Texture2D.MostDetailedMip = 0;  // same layout for the cube form
      viewDesc.Texture2D.MipLevels = desc.MipLevels;
      outcome = device->CreateShaderResourceView(texture, &viewDesc, view);
      if (FAILED(outcome)) *view = nullptr;
      texture->Release();  // the view holds the texture from here on
    }
  }
  if (result) *result = outcome;
  return outcome;
}
