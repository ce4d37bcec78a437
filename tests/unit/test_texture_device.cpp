// fw_Texture on the recording device: the three creation paths, views, viewport, upload,
// release; image textures with the data-path rule and both fallback warnings.
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

#include "core_gpu.h"
#include "core_recording.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/d3dx10tex.h>
#include <platform/win32.h>

namespace fs = boost::filesystem;

namespace {
std::vector<std::string> Warnings(const LogCapture& log) {
  std::vector<std::string> warnings;
  for (const auto& line : log.lines())
    if (line.first == 1) warnings.push_back(line.second);
  return warnings;
}

struct TextureTest : ::testing::Test {
  core_test::RecordingDevice device;
  void SetUp() override { ASSERT_NE(device.get(), nullptr); }
};

// Runs the body with the working directory elsewhere, restoring it afterwards.
template <class F> void InDirectory(const std::string& dir, F body) {
  char previous[4096];
  GetCurrentDirectoryA(sizeof(previous), previous);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
  body();
  SetCurrentDirectoryA(previous);
}
}  // namespace

TEST_F(TextureTest, RenderTargetHasBothViewsAndAViewportOfItsSize) {
  fw_Texture t(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R16G16B16A16_FLOAT, 160, 90);
  ASSERT_NE(t.mTexture2D, nullptr);
  EXPECT_EQ(t.mTexture3D, nullptr);
  EXPECT_NE(t.mRenderTargetView, nullptr);
  EXPECT_NE(t.mShaderResourceView, nullptr);
  EXPECT_EQ(t.mDepthStencilView, nullptr);
  EXPECT_EQ(t.getWidth(), 160u);
  EXPECT_EQ(t.getHeight(), 90u);
  EXPECT_EQ(t.getFormat(), DXGI_FORMAT_R16G16B16A16_FLOAT);
  EXPECT_EQ(t.mViewport.TopLeftX, 0);
  EXPECT_EQ(t.mViewport.Width, 160u);
  EXPECT_EQ(t.mViewport.Height, 90u);
  EXPECT_EQ(t.mViewport.MinDepth, 0.0f);
  EXPECT_EQ(t.mViewport.MaxDepth, 1.0f);
  D3D10_TEXTURE2D_DESC desc;
  t.mTexture2D->GetDesc(&desc);
  EXPECT_EQ(desc.MipLevels, 1u);
  EXPECT_EQ(desc.BindFlags, 40u);
  D3D10_SHADER_RESOURCE_VIEW_DESC view;
  t.mShaderResourceView->GetDesc(&view);
  EXPECT_EQ(view.ViewDimension, D3D10_SRV_DIMENSION_TEXTURE2D);
  t.release();
  EXPECT_EQ(t.mTexture2D, nullptr);
  EXPECT_EQ(t.mRenderTargetView, nullptr);
  t.release();  // nothing left to release
}

TEST_F(TextureTest, DepthAboveOneMakesAVolumeAndNoFlagsMakeNoViews) {
  fw_Texture volume(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8_UNORM, 8, 4, 3);
  EXPECT_EQ(volume.mTexture2D, nullptr);
  ASSERT_NE(volume.mTexture3D, nullptr);
  EXPECT_EQ(volume.getWidth(), 8u);
  ASSERT_NE(volume.mRenderTargetView, nullptr);
  D3D10_RENDER_TARGET_VIEW_DESC rtv;
  volume.mRenderTargetView->GetDesc(&rtv);
  EXPECT_EQ(rtv.ViewDimension, D3D10_RTV_DIMENSION_TEXTURE3D);
  EXPECT_EQ(rtv.Texture3D.WSize, 3u);
  D3D10_SHADER_RESOURCE_VIEW_DESC srv;
  volume.mShaderResourceView->GetDesc(&srv);
  EXPECT_EQ(srv.ViewDimension, D3D10_SRV_DIMENSION_TEXTURE3D);

  fw_Texture bare(0, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4);
  EXPECT_NE(bare.mTexture2D, nullptr);
  EXPECT_EQ(bare.mShaderResourceView, nullptr);
  EXPECT_EQ(bare.mRenderTargetView, nullptr);
  EXPECT_EQ(bare.mViewport.Width, 0u);
  EXPECT_EQ(bare.mViewport.MaxDepth, 0.0f);

  fw_Texture depth(D3D10_BIND_DEPTH_STENCIL, DXGI_FORMAT_D32_FLOAT, 64, 32);
  EXPECT_NE(depth.mTexture2D, nullptr);
  EXPECT_NE(depth.mDepthStencilView, nullptr);
  EXPECT_EQ(depth.mRenderTargetView, nullptr);
  EXPECT_EQ(depth.mShaderResourceView, nullptr);
  EXPECT_EQ(depth.mViewport.Height, 0u);
}

TEST_F(TextureTest, InitialDataArrivesWithTheFormatsPitch) {
  uint8_t texels[3 * 2 * 4];
  for (int i = 0; i < 24; ++i) texels[i] = static_cast<uint8_t>(i * 10);
  fw_Texture t(D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, 3, 2, 1, texels);
  std::vector<uint8_t> back = core_test::ReadPixels(t.mTexture2D);
  ASSERT_EQ(back.size(), 24u);
  EXPECT_EQ(back, std::vector<uint8_t>(texels, texels + 24));
}

TEST_F(TextureTest, WrappingTakesOverTheReferenceAndBuildsViewsByFlags) {
  D3D10_TEXTURE2D_DESC desc = {32, 16, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT, 40, 0, 0};
  ID3D10Texture2D* raw = nullptr;
  device.get()->CreateTexture2D(&desc, nullptr, &raw);
  ASSERT_NE(raw, nullptr);
  {
    fw_Texture wrapped(raw, 40);
    EXPECT_EQ(wrapped.mTexture2D, raw);
    EXPECT_NE(wrapped.mRenderTargetView, nullptr);
    EXPECT_NE(wrapped.mShaderResourceView, nullptr);
    EXPECT_EQ(wrapped.mViewport.Width, 32u);
    EXPECT_EQ(wrapped.mViewport.Height, 16u);
    EXPECT_EQ(wrapped.mDepthStencilView, nullptr);
  }
  device.get()->CreateTexture2D(&desc, nullptr, &raw);
  fw_Texture inputOnly(raw, D3D10_BIND_SHADER_RESOURCE);
  EXPECT_NE(inputOnly.mShaderResourceView, nullptr);
  EXPECT_EQ(inputOnly.mRenderTargetView, nullptr);
  EXPECT_EQ(inputOnly.mViewport.Width, 0u);
}

TEST_F(TextureTest, ImagesResolveBelowTheProjectsDataDirectory) {
  fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
  LogCapture log;
  InDirectory(fs::temp_directory_path().string(), [&] {
    for (const char* name : {"gradient.png", "./data/gradient.png"}) {
      std::unique_ptr<fw_Texture> t(fw_Texture::LoadFromImageFile(name));
      ASSERT_NE(t->mShaderResourceView, nullptr) << name;
      ASSERT_NE(t->mTexture2D, nullptr) << name;
      EXPECT_EQ(t->getWidth(), 64u);
      EXPECT_EQ(t->getHeight(), 32u);
      EXPECT_EQ(t->mRenderTargetView, nullptr);
      EXPECT_EQ(t->mViewport.Width, 0u);
    }
    std::unique_ptr<fw_Texture> full(
        fw_Texture::LoadFromImageFile(core_test::TestProductionRoot() + "/data/gradient.png"));
    EXPECT_NE(full->mShaderResourceView, nullptr);
  });
  EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(TextureTest, MissingOrCorruptImagesFallBackAndAMissingFallbackLeavesAnEmptyTexture) {
  const std::string root = core_test::TestProductionRoot();
  fw_SetRoots(core_test::FrameworkRoot(), root);
  for (const char* name : {"no-such-image.png", "corrupt.png"}) {
    LogCapture log;
    InDirectory(root, [&] {
      std::unique_ptr<fw_Texture> t(fw_Texture::LoadFromImageFile(name));
      ASSERT_NE(t->mShaderResourceView, nullptr) << name;
      EXPECT_EQ(t->getWidth(), 16u);  // the error image
    });
    ASSERT_EQ(Warnings(log).size(), 1u) << name;
    EXPECT_EQ(Warnings(log)[0], "Could not create a texture from the image file <" + root + "/data/" + name +
                                         ">.  The path does not refer to a regular file or the image is corrupt.  "
                                         "The texture will use a generic error image instead.");
  }

  LogCapture log;
  InDirectory(fs::temp_directory_path().string(), [&] {  // no ./data/missing.png here
    std::unique_ptr<fw_Texture> t(fw_Texture::LoadFromImageFile("no-such-image.png"));
    EXPECT_EQ(t->mShaderResourceView, nullptr);
    EXPECT_EQ(t->mTexture2D, nullptr);
    EXPECT_EQ(t->getWidth(), 0u);
  });
  ASSERT_EQ(Warnings(log).size(), 2u);
  EXPECT_NE(Warnings(log)[1].find("<./data/missing.png>"), std::string::npos);
}

TEST_F(TextureTest, FindOrCreateLoadsAnImageOnceUnderItsName) {
  fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
  fw_DestroyOwnedTextures();
  fw_Texture* a = fw_FindOrCreateTexture("gradient.png");
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a->mShaderResourceView, nullptr);
  EXPECT_EQ(fw_FindOrCreateTexture("gradient.png"), a);
  EXPECT_EQ(fw_GetOwnedTextureCount(), 1u);
  fw_DestroyOwnedTextures();
}

// Capture mode saves its frames through D3DX10SaveTextureToFile; they must load back texel for texel.
TEST_F(TextureTest, SavedTexturesReadBackAsWrittenThroughTheImageLoader) {
  const int w = 37, h = 19;
  std::vector<uint8_t> pixels(w * h * 4);
  for (int i = 0; i < w * h; ++i) {
    const int x = i % w, y = i / w;
    pixels[4 * i + 0] = uint8_t(x < 20 ? 200 : x * 7);  // a flat band and a ramp
    pixels[4 * i + 1] = uint8_t(y * 13);
    pixels[4 * i + 2] = uint8_t((x * y) ^ 0x5A);
    pixels[4 * i + 3] = 255;
  }
  fw_Texture source(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, w, h, 1,
                    pixels.data());
  ASSERT_NE(source.mTexture2D, nullptr);
  const fs::path path = fs::temp_directory_path() / fs::unique_path("core-roundtrip-%%%%%%.png");
  ASSERT_EQ(D3DX10SaveTextureToFileA(source.mTexture2D, D3DX10_IFF_PNG, path.string().c_str()), S_OK);
  std::unique_ptr<fw_Texture> t(fw_Texture::LoadFromImageFile(path.string()));
  fs::remove(path);
  ASSERT_NE(t->mTexture2D, nullptr);
  EXPECT_EQ(core_test::ReadPixels(t->mTexture2D), pixels);

  // What cannot be saved says so and writes nothing.
  fw_Texture hdr(D3D10_BIND_RENDER_TARGET, DXGI_FORMAT_R16G16B16A16_FLOAT, 4, 4);
  EXPECT_EQ(D3DX10SaveTextureToFileA(hdr.mTexture2D, D3DX10_IFF_PNG, path.string().c_str()), E_NOTIMPL);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(D3DX10SaveTextureToFileA(source.mTexture2D, D3DX10_IFF_PNG, "/nonexistent-dir/frame.png"), E_FAIL);
}
