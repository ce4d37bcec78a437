// Image textures: an image file through the data-path rule, the generic error image when the
// file cannot be read, and the resource kept beside the view.
#include "res/fw_Texture.h"

#include "diag/fw_Log.h"
#include "device/fw_DeviceState.h"
#include "res/fw_Paths.h"

#include <platform/d3dx10tex.h>

#include <cstring>

namespace {
// Relative to the working directory on purpose: the error image is not a project resource.
const char* const kFallbackImage = "./data/missing.png";

std::map<fw_Texture*, std::string>& ImageTextures() {
  static auto* textures = new std::map<fw_Texture*, std::string>;
  return *textures;
}
}  // namespace

const std::map<fw_Texture*, std::string>& fw_GetImageTextures() { return ImageTextures(); }

void fw_ForgetImageTexture(fw_Texture* texture) { ImageTextures().erase(texture); }

fw_Texture* fw_Texture::LoadFromImageFile(const std::string& name) {
  fw_Texture* texture = new fw_Texture();
  std::string path = fw_DataPath(name);
  ImageTextures()[texture] = path;
  for (int attempt = 0; attempt < 2; ++attempt) {
    D3DX10CreateShaderResourceViewFromFileA(fw_GetDevice(), path.c_str(), nullptr, nullptr,
                                            &texture->mShaderResourceView, nullptr);
    if (texture->mShaderResourceView) break;
    fw_Log(fw_LogWarning,
           "Could not create a texture from the image file <%s>.  The path does not refer to a regular file or the "
           "image is corrupt.  The texture will use a generic error image instead.",
           path.c_str());
    path = kFallbackImage;
  }
  if (!texture->mShaderResourceView) return texture;

  D3D10_SHADER_RESOURCE_VIEW_DESC desc = {};
  texture->mShaderResourceView->GetDesc(&desc);
  ID3D10Resource* resource = nullptr;
  texture->mShaderResourceView->GetResource(&resource);
  if (!resource) return texture;
  if (desc.ViewDimension == D3D10_SRV_DIMENSION_TEXTURE2D || desc.ViewDimension == D3D10_SRV_DIMENSION_TEXTURECUBE)
    resource->QueryInterface(__uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&texture->mTexture2D));
  else if (desc.ViewDimension == D3D10_SRV_DIMENSION_TEXTURE3D)
    resource->QueryInterface(__uuidof(ID3D10Texture3D), reinterpret_cast<void**>(&texture->mTexture3D));
  resource->Release();
  texture->mOpaque = fw_AllTexelsOpaque(texture->mTexture2D);
  return texture;
}

ID3D10Texture2D* fw_CreateStagingCopy(ID3D10Texture2D* texture) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || !texture) return nullptr;
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  ID3D10Texture2D* staging = nullptr;
  if (FAILED(device->CreateTexture2D(&desc, nullptr, &staging))) return nullptr;
  if (staging) device->CopyResource(staging, texture);
  return staging;
}

bool fw_ReadTexels8(ID3D10Texture2D* texture, D3D10_TEXTURE2D_DESC* desc, std::vector<uint8_t>* texels) {
  texels->clear();
  ID3D10Device* device = fw_GetDevice();
  if (!device || !texture) return false;
  texture->GetDesc(desc);
  const DXGI_FORMAT format = desc->Format;
  if (format != DXGI_FORMAT_R8G8B8A8_UNORM && format != DXGI_FORMAT_R8G8B8A8_UNORM_SRGB &&
      format != DXGI_FORMAT_B8G8R8A8_UNORM)
    return false;
  ID3D10Texture2D* staging = fw_CreateStagingCopy(texture);
  if (!staging) return false;
  D3D10_MAPPED_TEXTURE2D mapped{};
  if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped)) && mapped.pData) {
    const size_t rowBytes = static_cast<size_t>(desc->Width) * 4;
    texels->resize(rowBytes * desc->Height);
    for (UINT y = 0; y < desc->Height; ++y)
      std::memcpy(texels->data() + y * rowBytes,
                  static_cast<const uint8_t*>(mapped.pData) + static_cast<size_t>(y) * mapped.RowPitch, rowBytes);
    staging->Unmap(0);
  }
  staging->Release();
  return !texels->empty();
}

bool fw_AllTexelsOpaque(ID3D10Texture2D* texture) {
  D3D10_TEXTURE2D_DESC desc;
  std::vector<uint8_t> texels;
  if (!fw_ReadTexels8(texture, &desc, &texels)) return false;
  for (size_t i = 3; i < texels.size(); i += 4)
    if (texels[i] != 255) return false;
  return true;
}
