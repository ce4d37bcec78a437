// fw_Texture creation, wrapping, queries and release.
#include "res/fw_Texture.h"

#include "device/fw_DeviceState.h"

#include <platform/safe_release.h>

namespace {
void SetViewport(D3D10_VIEWPORT* viewport, UINT width, UINT height) {
  *viewport = {0, 0, width, height, 0.0f, 1.0f};
}

// One field of whichever texture is held (2D first), or `none` when there is neither.
template <class Result, class Pick>
Result FromDesc(ID3D10Texture2D* texture2D, ID3D10Texture3D* texture3D, Result none, Pick pick) {
  if (texture2D) {
    D3D10_TEXTURE2D_DESC desc;
    texture2D->GetDesc(&desc);
    return pick(desc);
  }
  if (texture3D) {
    D3D10_TEXTURE3D_DESC desc;
    texture3D->GetDesc(&desc);
    return pick(desc);
  }
  return none;
}
}  // namespace

UINT fw_BytesPerTexel(DXGI_FORMAT format) {
  const UINT f = static_cast<UINT>(format);
  if (f >= 1 && f <= 4) return 16;
  if (f >= 5 && f <= 8) return 12;
  if (f >= 9 && f <= 22) return 8;
  if (f >= 48 && f <= 59) return 2;
  if (f >= 60 && f <= 66) return 1;
  return 4;
}

fw_Texture::fw_Texture(UINT bindFlags, DXGI_FORMAT format, UINT width, UINT height, UINT depth,
                       const void* initialData) {
  ID3D10Device* device = fw_GetDevice();
  if (!device) return;
  ID3D10Resource* resource = nullptr;
  if (depth == 1) {
    D3D10_TEXTURE2D_DESC desc = {};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D10_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    device->CreateTexture2D(&desc, nullptr, &mTexture2D);
    resource = mTexture2D;
  } else {
    D3D10_TEXTURE3D_DESC desc = {};
    desc.Width = width;
    desc.Height = height;
    desc.Depth = depth;
    desc.MipLevels = 1;
    desc.Format = format;
    desc.Usage = D3D10_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    device->CreateTexture3D(&desc, nullptr, &mTexture3D);
    resource = mTexture3D;
  }
  // A resource that could not be made leaves every view null: there is nothing to view.
  if (!resource) return;

  if (bindFlags & D3D10_BIND_SHADER_RESOURCE) {
    D3D10_SHADER_RESOURCE_VIEW_DESC view = {};
    view.Format = format;
    if (depth == 1) {
      view.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
      view.Texture2D = {0, 1};
    } else {
      view.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE3D;
      view.Texture3D = {0, 1};
    }
    device->CreateShaderResourceView(resource, &view, &mShaderResourceView);
  }
  if (bindFlags & D3D10_BIND_RENDER_TARGET) {
    D3D10_RENDER_TARGET_VIEW_DESC view = {};
    view.Format = format;
    if (depth == 1) {
      view.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
      view.Texture2D = {0};
    } else {
      view.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE3D;
      view.Texture3D = {0, 0, depth};
    }
    device->CreateRenderTargetView(resource, &view, &mRenderTargetView);
    SetViewport(&mViewport, width, height);
  }
  if (bindFlags & D3D10_BIND_DEPTH_STENCIL) {
    D3D10_DEPTH_STENCIL_VIEW_DESC view = {};
    view.Format = format;
    view.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
    view.Texture2D = {0};
    device->CreateDepthStencilView(resource, &view, &mDepthStencilView);
  }
  if (initialData) {
    const UINT rowPitch = width * fw_BytesPerTexel(format);
    device->UpdateSubresource(resource, 0, nullptr, initialData, rowPitch, rowPitch * height);
  }
}

fw_Texture::fw_Texture(ID3D10Texture2D* texture, UINT bindFlags) {
  mTexture2D = texture;
  ID3D10Device* device = fw_GetDevice();
  if (!texture || !device) return;
  D3D10_TEXTURE2D_DESC desc = {};
  texture->GetDesc(&desc);
  if (bindFlags & D3D10_BIND_SHADER_RESOURCE) {
    D3D10_SHADER_RESOURCE_VIEW_DESC view = {};
    view.Format = desc.Format;
    view.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
    view.Texture2D = {0, 1};
    device->CreateShaderResourceView(texture, &view, &mShaderResourceView);
  }
  if (bindFlags & D3D10_BIND_RENDER_TARGET) {
    D3D10_RENDER_TARGET_VIEW_DESC view = {};
    view.Format = desc.Format;
    view.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
    view.Texture2D = {0};
    device->CreateRenderTargetView(texture, &view, &mRenderTargetView);
    SetViewport(&mViewport, desc.Width, desc.Height);
  }
}

fw_Texture::~fw_Texture() {
  release();
  fw_ForgetImageTexture(this);
}

void fw_Texture::release() {
  SafeRelease(mShaderResourceView);
  SafeRelease(mRenderTargetView);
  SafeRelease(mDepthStencilView);
  SafeRelease(mTexture2D);
  SafeRelease(mTexture3D);
}

UINT fw_Texture::getWidth() const {
  return FromDesc(mTexture2D, mTexture3D, UINT(0), [](const auto& desc) { return desc.Width; });
}

UINT fw_Texture::getHeight() const {
  return FromDesc(mTexture2D, mTexture3D, UINT(0), [](const auto& desc) { return desc.Height; });
}

DXGI_FORMAT fw_Texture::getFormat() const {
  return FromDesc(mTexture2D, mTexture3D, DXGI_FORMAT_UNKNOWN, [](const auto& desc) { return desc.Format; });
}

