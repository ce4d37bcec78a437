// fw_Texture: one GPU image with the views and viewport the program needs on it: render
// targets, depth buffers, image textures, the wrapped swap-chain buffer and volume textures.
// Created on the framework's device (device/fw_DeviceState.h); release is idempotent.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class fw_Texture {
 public:
  fw_Texture() = default;
  // From a description: a 2D texture when depth is 1, else a 3D texture; views by bind flags;
  // `initialData` (tightly packed texels) is uploaded when given.
  fw_Texture(UINT bindFlags, DXGI_FORMAT format, UINT width, UINT height, UINT depth = 1,
             const void* initialData = nullptr);
  // Wraps an existing 2D texture, taking over the caller's reference.
  fw_Texture(ID3D10Texture2D* texture, UINT bindFlags);
  ~fw_Texture();
  fw_Texture(const fw_Texture&) = delete;
  fw_Texture& operator=(const fw_Texture&) = delete;

  // Loads an image through the data-path rule, falling back to the error image (see the .cpp).
  static fw_Texture* LoadFromImageFile(const std::string& name);

  // Releases views then resources, nulling each; harmless when repeated.
  void release();

  UINT getWidth() const;
  UINT getHeight() const;
  DXGI_FORMAT getFormat() const;

  // Owned references, null when absent.
  ID3D10RenderTargetView* mRenderTargetView = nullptr;
  ID3D10ShaderResourceView* mShaderResourceView = nullptr;
  ID3D10DepthStencilView* mDepthStencilView = nullptr;
  D3D10_VIEWPORT mViewport = {0, 0, 0, 0, 0.0f, 0.0f};
  ID3D10Texture2D* mTexture2D = nullptr;
  ID3D10Texture3D* mTexture3D = nullptr;
  // Every texel's alpha is 1, as the image loader found; drawers may skip blending it. Render
  // targets and anything not read back leave it false.
  bool mOpaque = false;
};

// A CPU-readable copy of the texture, every level (null when the device refuses one); the caller
// releases it.
ID3D10Texture2D* fw_CreateStagingCopy(ID3D10Texture2D* texture);

// Reads the first level of an 8-bit RGBA or BGRA texture back through a staging copy: four bytes a
// texel, rows tightly packed, row 0 the image's top. False, with texels empty, for any other
// format or a failed read.
bool fw_ReadTexels8(ID3D10Texture2D* texture, D3D10_TEXTURE2D_DESC* desc, std::vector<uint8_t>* texels);

// Reads the texture's first level back and tells whether every texel's alpha is 1 (8-bit RGBA
// and BGRA formats; any other format, or a failed read, counts as not opaque).
bool fw_AllTexelsOpaque(ID3D10Texture2D* texture);

// Every texture LoadFromImageFile made and not yet destroyed, with the path of the file it was
// asked to read (the one before any fallback): live mode loads that file again into each of
// them when it is saved, whoever owns the texture.
const std::map<fw_Texture*, std::string>& fw_GetImageTextures();
// Takes a texture out of that list; its destructor does.
void fw_ForgetImageTexture(fw_Texture* texture);

// Bytes per texel of a DXGI format, for initial-data pitches.
UINT fw_BytesPerTexel(DXGI_FORMAT format);

