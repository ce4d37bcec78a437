// The frames a capture steps through before its span are not drawn, yet what the program reads
// back must not change with them: a picture first loaded while stepping is judged opaque or
// see-through exactly as in a capture from frame 0, and drawing is all that is dropped.
#include "res/fw_Texture.h"

#include "core_gpu.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/d3d10_offline.h>
#include <platform/d3dx10tex.h>

#include <memory>

namespace fs = boost::filesystem;

namespace {
// The switch is never left on for the next test, whatever fails.
struct SteppingOff {
  ~SteppingOff() { platform::SetGpuWorkDiscarded(false); }
};

std::vector<uint8_t> Solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> texels(size_t(w) * h * 4);
  for (size_t i = 0; i < texels.size(); i += 4) {
    texels[i] = r;
    texels[i + 1] = g;
    texels[i + 2] = b;
    texels[i + 3] = a;
  }
  return texels;
}
}  // namespace

TEST(SteppedFrames, APictureLoadedWhileSteppingGetsTheSameOpacityFlag) {
  core_test::OffscreenDevice device;
  ASSERT_NE(device.get(), nullptr);
  SteppingOff off;
  const fs::path path = fs::temp_directory_path() / fs::unique_path("stepped-%%%%%%.png");
  // One texel short of opaque must be told from a wholly opaque picture.
  for (const uint8_t oddAlpha : {uint8_t(255), uint8_t(254)}) {
    std::vector<uint8_t> texels = Solid(24, 12, 90, 140, 200, 255);
    texels[(5 * 24 + 17) * 4 + 3] = oddAlpha;
    {
      fw_Texture picture(D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, 24, 12, 1, texels.data());
      ASSERT_EQ(D3DX10SaveTextureToFileA(picture.mTexture2D, D3DX10_IFF_PNG, path.string().c_str()), S_OK);
    }
    for (const bool stepping : {false, true}) {
      platform::SetGpuWorkDiscarded(stepping);
      std::unique_ptr<fw_Texture> loaded(fw_Texture::LoadFromImageFile(path.string()));
      platform::SetGpuWorkDiscarded(false);
      ASSERT_NE(loaded->mTexture2D, nullptr);
      EXPECT_EQ(loaded->mOpaque, oddAlpha == 255) << "alpha " << int(oddAlpha) << (stepping ? ", stepping" : ", drawn");
    }
  }
  fs::remove(path);
}

TEST(SteppedFrames, OnlyDrawingIsDroppedAndReadBacksStillHappen) {
  core_test::OffscreenDevice device;
  ASSERT_NE(device.get(), nullptr);
  SteppingOff off;
  const std::vector<uint8_t> green = Solid(8, 8, 0, 255, 0, 255);
  fw_Texture target(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, 1,
                    green.data());
  ASSERT_NE(target.mRenderTargetView, nullptr);
  const FLOAT red[4] = {1, 0, 0, 1};

  platform::SetGpuWorkDiscarded(true);
  device.get()->ClearRenderTargetView(target.mRenderTargetView, red);
  // The copy into a CPU-readable texture and its map still run: the picture as it was.
  EXPECT_EQ(core_test::ReadPixels(target.mTexture2D), green);
  platform::SetGpuWorkDiscarded(false);

  device.get()->ClearRenderTargetView(target.mRenderTargetView, red);
  EXPECT_EQ(core_test::ReadPixels(target.mTexture2D), Solid(8, 8, 255, 0, 0, 255));
}
