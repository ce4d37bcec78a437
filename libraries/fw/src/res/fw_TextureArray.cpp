#include "res/fw_TextureArray.h"

#include "device/fw_DeviceState.h"
#include "res/fw_Texture.h"

#include <platform/safe_release.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool SameShape(const D3D10_TEXTURE2D_DESC& a, const D3D10_TEXTURE2D_DESC& b) {
  return a.Width == b.Width && a.Height == b.Height && a.MipLevels == b.MipLevels && a.Format == b.Format &&
         a.ArraySize == 1 && b.ArraySize == 1;
}

// Every level of the texture through a staging copy, each level's rows at its own pitch.
bool ReadLevels(ID3D10Texture2D* texture, const D3D10_TEXTURE2D_DESC& desc, std::vector<std::vector<uint8_t>>& levels,
                std::vector<UINT>& pitches) {
  ID3D10Texture2D* staging = fw_CreateStagingCopy(texture);
  if (!staging) return false;
  bool ok = true;
  for (UINT level = 0; level < desc.MipLevels && ok; ++level) {
    const UINT height = std::max(1u, desc.Height >> level);
    D3D10_MAPPED_TEXTURE2D mapped{};
    ok = SUCCEEDED(staging->Map(level, D3D10_MAP_READ, 0, &mapped)) && mapped.pData;
    if (!ok) break;
    const uint8_t* bytes = static_cast<const uint8_t*>(mapped.pData);
    levels.emplace_back(bytes, bytes + static_cast<size_t>(mapped.RowPitch) * height);
    pitches.push_back(mapped.RowPitch);
    staging->Unmap(level);
  }
  staging->Release();
  return ok;
}

fw_Texture* MakeArray(ID3D10Device* device, const D3D10_TEXTURE2D_DESC& desc, UINT slices,
                      const D3D10_SUBRESOURCE_DATA* data) {
  D3D10_TEXTURE2D_DESC arrayDesc = desc;
  arrayDesc.ArraySize = slices;
  arrayDesc.Usage = D3D10_USAGE_DEFAULT;
  arrayDesc.BindFlags = D3D10_BIND_SHADER_RESOURCE;
  arrayDesc.CPUAccessFlags = 0;
  arrayDesc.MiscFlags = 0;
  ID3D10Texture2D* texture = nullptr;
  if (FAILED(device->CreateTexture2D(&arrayDesc, data, &texture)) || !texture) return nullptr;
  D3D10_SHADER_RESOURCE_VIEW_DESC viewDesc = {};
  viewDesc.Format = desc.Format;
  viewDesc.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2DARRAY;
  viewDesc.Texture2DArray = {0, desc.MipLevels, 0, slices};
  ID3D10ShaderResourceView* view = nullptr;
  if (FAILED(device->CreateShaderResourceView(texture, &viewDesc, &view)) || !view) {
    texture->Release();
    return nullptr;
  }
  fw_Texture* out = new fw_Texture();
  out->mTexture2D = texture;
  out->mShaderResourceView = view;
  return out;
}

}  // namespace

fw_Texture* fw_CreateClearTextureArray(unsigned slices) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || slices == 0) return nullptr;
  const uint8_t clear[4] = {0, 0, 0, 0};
  const D3D10_TEXTURE2D_DESC desc = {1, 1, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                     D3D10_BIND_SHADER_RESOURCE, 0, 0};
  const std::vector<D3D10_SUBRESOURCE_DATA> data(slices, D3D10_SUBRESOURCE_DATA{clear, 4, 4});
  return MakeArray(device, desc, slices, data.data());
}

fw_Texture* fw_CreateTextureArray(const std::vector<const fw_Texture*>& slices) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || slices.empty()) return nullptr;
  D3D10_TEXTURE2D_DESC desc{};
  for (size_t i = 0; i < slices.size(); ++i) {
    if (!slices[i] || !slices[i]->mTexture2D) return nullptr;
    D3D10_TEXTURE2D_DESC own;
    slices[i]->mTexture2D->GetDesc(&own);
    if (i == 0) desc = own;
    if (!SameShape(desc, own)) return nullptr;
  }

  std::vector<std::vector<uint8_t>> levels;
  std::vector<UINT> pitches;
  for (const fw_Texture* slice : slices)
    if (!ReadLevels(slice->mTexture2D, desc, levels, pitches)) return nullptr;
  // Subresources go slice by slice, each slice's levels in order.
  std::vector<D3D10_SUBRESOURCE_DATA> data;
  for (size_t i = 0; i < levels.size(); ++i) data.push_back({levels[i].data(), pitches[i], 0});

  return MakeArray(device, desc, static_cast<UINT>(slices.size()), data.data());
}
