#include "device/fw_DeviceState.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

#include <gtest/gtest.h>

TEST(Texture, BytesPerTexelFollowsTheFormatNumber) {
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R32G32B32A32_FLOAT), 16u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R32G32B32A32_TYPELESS), 16u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R32G32B32_FLOAT), 12u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R16G16B16A16_FLOAT), 8u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_X32_TYPELESS_G8X24_UINT), 8u);  // 22, the last of the 8s
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R10G10B10A2_TYPELESS), 4u);     // 23
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R8G8B8A8_UNORM), 4u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R32_FLOAT), 4u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R8G8_TYPELESS), 2u);  // 48
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R16_SINT), 2u);       // 59
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R8_UNORM), 1u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R1_UNORM), 1u);       // 66
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_R9G9B9E5_SHAREDEXP), 4u);  // 67
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_UNKNOWN), 4u);
  EXPECT_EQ(fw_BytesPerTexel(DXGI_FORMAT_BC1_UNORM), 4u);
}

TEST(Texture, WithoutADeviceEverythingStaysEmptyAndReleaseIsHarmless) {
  fw_SetDevice(nullptr);
  fw_Texture texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, 64, 32);
  EXPECT_EQ(texture.mTexture2D, nullptr);
  EXPECT_EQ(texture.mRenderTargetView, nullptr);
  EXPECT_EQ(texture.mViewport.Width, 0u);
  EXPECT_EQ(texture.getWidth(), 0u);
  EXPECT_EQ(texture.getFormat(), DXGI_FORMAT_UNKNOWN);
  texture.release();
  texture.release();
  fw_Texture wrapped(nullptr, 40);
  EXPECT_EQ(wrapped.mShaderResourceView, nullptr);
}

TEST(TextureTable, FactoryFormEntersOnceAndRefusesNothing) {
  fw_DestroyOwnedTextures();
  int calls = 0;
  fw_TextureFactory factory = [&calls] {
    ++calls;
    return new fw_Texture();
  };
  fw_Texture* first = fw_FindOrCreateTexture("target", factory);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(fw_FindOrCreateTexture("target", factory), first);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(fw_FindTexture("target"), first);
  EXPECT_EQ(fw_FindTexture("other"), nullptr);

  EXPECT_EQ(fw_FindOrCreateTexture("none", fw_TextureFactory()), nullptr);
  EXPECT_EQ(fw_FindOrCreateTexture("null", [] { return static_cast<fw_Texture*>(nullptr); }), nullptr);
  EXPECT_EQ(fw_GetTextureTable().count("null"), 0u);

  // A second texture under a taken name replaces the entry, and both are destroyed at release.
  fw_EnterOwnedTexture("target", new fw_Texture());
  EXPECT_NE(fw_FindTexture("target"), first);
  EXPECT_EQ(fw_GetOwnedTextureCount(), 2u);
  fw_DestroyOwnedTextures();
  EXPECT_EQ(fw_GetOwnedTextureCount(), 0u);
  EXPECT_TRUE(fw_GetTextureTable().empty());
}
