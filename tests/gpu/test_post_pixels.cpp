// The post chain on real targets, pixels read back: accumulation by adds, the bloom's glow,
// the letterboxed scale-out and its filtered downscale.
#include "test_post_gpu.h"

#include "post/fw_PostPass.h"

#include <algorithm>

using namespace post_gpu;

namespace {
constexpr UINT kW = 1280, kH = 720;

float At(const std::vector<Rgba>& image, UINT width, UINT x, UINT y) { return image[size_t(y) * width + x].r; }
}  // namespace

TEST_F(PostGpu, EightAddsAtAnEighthAverageTheSubFrames) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* accumulation = fw_FindTexture("r16g16b16a16f_1");
  Clear(accumulation, {0, 0, 0, 0});

  std::vector<std::vector<uint8_t>> frames(8, std::vector<uint8_t>(size_t(kW) * kH * 4));
  for (int i = 0; i < 8; ++i) {
    for (UINT y = 0; y < kH; ++y)
      for (UINT x = 0; x < kW; ++x) {
        uint8_t* t = &frames[i][(size_t(y) * kW + x) * 4];
        t[0] = uint8_t((x + 31 * i) & 255);
        t[1] = uint8_t((y * 3 + 17 * i) & 255);
        t[2] = uint8_t(i * 32);
        t[3] = 255;
      }
    fw_PostAdd(accumulation, fw_gPostEffects, Own(MakeRgba8Texture(kW, kH, frames[i])), 0.125f);
  }
  const std::vector<Rgba> result = ReadBack(accumulation);
  ASSERT_EQ(result.size(), size_t(kW) * kH);
  float worst = 0.0f;
  for (UINT y = 0; y < kH; y += 7)
    for (UINT x = 0; x < kW; x += 5) {
      float mean[4] = {};
      for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 4; ++c) mean[c] += frames[i][(size_t(y) * kW + x) * 4 + c] / 255.0f / 8.0f;
      const Rgba& p = result[size_t(y) * kW + x];
      worst = std::max({worst, std::abs(p.r - mean[0]), std::abs(p.g - mean[1]), std::abs(p.b - mean[2]),
                        std::abs(p.a - mean[3])});
    }
  // Half-float accumulation of eight terms.
  EXPECT_LT(worst, 3e-3f);

  // A ninth add is not renormalised: it brightens.
  fw_PostAdd(accumulation, fw_gPostEffects, Own(MakeRgba8Texture(kW, kH, frames[7])), 0.125f);
  const std::vector<Rgba> brighter = ReadBack(accumulation);
  EXPECT_NEAR(brighter[0].b, result[0].b + (7 * 32 / 255.0f) / 8.0f, 3e-3f);
  EXPECT_NEAR(brighter[0].a, 1.125f, 3e-3f);
}

class PostGpuBloom : public PostGpu {
 protected:
  // A 16 x 16 block of bright light at the middle of the HDR target, black elsewhere.
  void PaintSpot(float brightness) {
    std::vector<Rgba> texels(size_t(kW) * kH, Rgba{0, 0, 0, 1});
    for (UINT y = kH / 2 - 8; y < kH / 2 + 8; ++y)
      for (UINT x = kW / 2 - 8; x < kW / 2 + 8; ++x) texels[size_t(y) * kW + x] = {brightness, brightness, brightness, 1};
    fw_PostCopy(fw_gPostEffects, Own(MakeFloatTexture(kW, kH, texels)), fw_FindTexture("r16g16b16a16f_1"));
  }
};

TEST_F(PostGpuBloom, BrightSpotGlowsOntoItsNeighboursFadingWithDistance) {
  WriteTrack(mDir, "Post_Bloom", 100.0f);  // strength 1
  ASSERT_NO_FATAL_FAILURE(Load());
  PaintSpot(20.0f);
  fw_CreateRenderSizeTarget("r16g16b16a16f_3", DXGI_FORMAT_R16G16B16A16_FLOAT);
  fw_Texture* glow = fw_FindTexture("r16g16b16a16f_3");
  Clear(glow, {0, 0, 0, 0});
  fw_PostBloom(fw_gPostEffects, fw_FindTexture("r16g16b16a16f_1"), glow);

  const std::vector<Rgba> image = ReadBack(glow);
  ASSERT_EQ(image.size(), size_t(kW) * kH);
  const UINT cx = kW / 2, cy = kH / 2;
  const float centre = At(image, kW, cx, cy);
  const float near = At(image, kW, cx + 30, cy);
  const float mid = At(image, kW, cx + 90, cy);
  const float far = At(image, kW, cx + 200, cy);
  EXPECT_GT(centre, 0.05f);
  EXPECT_GT(near, 0.01f) << "light must reach pixels outside the spot";
  EXPECT_GT(centre, near);
  EXPECT_GT(near, mid);
  EXPECT_GT(mid, far);
  EXPECT_LT(At(image, kW, 10, 10), 1e-4f);  // the corners stay dark
  // Roughly round: the same distance left, right, up and down gives about the same glow.
  EXPECT_NEAR(At(image, kW, cx - 30, cy), near, 0.25f * near);
  EXPECT_NEAR(At(image, kW, cx, cy + 30), near, 0.25f * near);
  EXPECT_NEAR(At(image, kW, cx, cy - 30), near, 0.25f * near);
  // The blend is additive and leaves alpha alone.
  EXPECT_EQ(image[size_t(cy) * kW + cx].a, 0.0f);
}

TEST_F(PostGpuBloom, BlackStaysBlack) {
  WriteTrack(mDir, "Post_Bloom", 100.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  PaintSpot(0.0f);
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(fw_gPostEffects, hdr, hdr);
  float brightest = 0.0f;
  for (const Rgba& p : ReadBack(hdr)) brightest = std::max({brightest, p.r, p.g, p.b});
  EXPECT_EQ(brightest, 0.0f);
}

TEST_F(PostGpuBloom, InPlaceBloomAddsToTheSourceAndKeepsDarkAreas) {
  ASSERT_NO_FATAL_FAILURE(Load());  // no tracks: strength 0.01
  PaintSpot(20.0f);
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  const std::vector<Rgba> before = ReadBack(hdr);
  fw_PostBloom(fw_gPostEffects, hdr, hdr);
  const std::vector<Rgba> after = ReadBack(hdr);
  EXPECT_GT(At(after, kW, kW / 2 + 20, kH / 2), At(before, kW, kW / 2 + 20, kH / 2));
  EXPECT_GE(At(after, kW, kW / 2, kH / 2), At(before, kW, kW / 2, kH / 2));
  EXPECT_LT(At(after, kW, 5, 5), 1e-4f);
}

TEST_F(PostGpuBloom, SwitchedOffLeavesEveryTargetUntouched) {
  WriteTrack(mDir, "Post_Bloom", 0.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  PaintSpot(20.0f);
  fw_CreateRenderSizeTarget("r16g16b16a16f_3", DXGI_FORMAT_R16G16B16A16_FLOAT);
  fw_Texture* destination = fw_FindTexture("r16g16b16a16f_3");
  Clear(destination, {0.25f, 0.5f, 0.75f, 1.0f});
  fw_Texture* level3 = fw_FindTexture("r16g16b16a16f_1_downsample3");
  Clear(level3, {0.125f, 0.125f, 0.125f, 0.125f});
  fw_PostBloom(fw_gPostEffects, fw_FindTexture("r16g16b16a16f_1"), destination);
  for (const Rgba& p : ReadBack(destination)) {
    ASSERT_EQ(p.r, 0.25f);
    ASSERT_EQ(p.b, 0.75f);
  }
  for (const Rgba& p : ReadBack(level3)) ASSERT_EQ(p.g, 0.125f);
}

TEST_F(PostGpu, ScaleOutWithOffsetSixtyLeavesBlackBarsAndThePictureBetween) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* window = Own(new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE,
                                          DXGI_FORMAT_R8G8B8A8_UNORM, 1920, 1200));
  Clear(window, {1, 0, 0, 1});
  std::vector<uint8_t> white(size_t(1920) * 1079 * 4, 255);
  fw_PostScreenScaleOutTo(fw_gPostEffects, Own(MakeRgba8Texture(1920, 1079, white)), window, 60);

  const std::vector<Rgba> image = ReadBack(window);
  ASSERT_EQ(image.size(), size_t(1920) * 1200);
  for (UINT y : {0u, 30u, 59u, 1140u, 1170u, 1199u})
    for (UINT x : {0u, 960u, 1919u}) {
      const Rgba& p = image[size_t(y) * 1920 + x];
      EXPECT_EQ(p.r + p.g + p.b + p.a, 0.0f) << "bar pixel " << x << "," << y;
    }
  for (UINT y : {60u, 600u, 1139u})
    for (UINT x : {0u, 960u, 1919u}) {
      const Rgba& p = image[size_t(y) * 1920 + x];
      EXPECT_GT(p.r, 0.99f);
      EXPECT_GT(p.g, 0.99f) << "picture pixel " << x << "," << y;
    }
}

TEST_F(PostGpu, ScaleOutWithoutOffsetNeitherClearsNorNarrows) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* window = Own(new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE,
                                          DXGI_FORMAT_R8G8B8A8_UNORM, 1920, 1080));
  Clear(window, {1, 0, 0, 1});
  std::vector<uint8_t> green(size_t(kW) * kH * 4, 0);
  for (size_t i = 0; i < green.size(); i += 4) green[i + 1] = green[i + 3] = 255;
  fw_PostScreenScaleOutTo(fw_gPostEffects, Own(MakeRgba8Texture(kW, kH, green)), window, 0);

  for (const Rgba& p : ReadBack(window)) {
    ASSERT_LT(p.r, 0.01f);  // nothing of the old contents left, no bars
    ASSERT_GT(p.g, 0.99f);
  }
  UINT count = 1;
  D3D10_VIEWPORT viewport{};
  mDevice->RSGetViewports(&count, &viewport);
  EXPECT_EQ(viewport.TopLeftY, 0);
  EXPECT_EQ(viewport.Height, 1080u);
}

TEST_F(PostGpu, ScaleOutFiltersWhenItShrinks) {
  ASSERT_NO_FATAL_FAILURE(Load());
  // One-pixel checkerboard beside a horizontal ramp: a point sample would keep the black and
  // white; a filtered downscale turns the checkerboard grey and keeps the ramp in place.
  std::vector<uint8_t> source(size_t(kW) * kH * 4, 255);
  for (UINT y = 0; y < kH; ++y)
    for (UINT x = 0; x < kW; ++x) {
      uint8_t* t = &source[(size_t(y) * kW + x) * 4];
      t[0] = ((x + y) & 1) ? 255 : 0;
      t[1] = uint8_t(std::lround(255.0 * x / (kW - 1)));
    }
  fw_Texture* window = Own(new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE,
                                          DXGI_FORMAT_R8G8B8A8_UNORM, 480, 270));
  fw_PostScreenScaleOutTo(fw_gPostEffects, Own(MakeRgba8Texture(kW, kH, source)), window, 0);
  const std::vector<Rgba> image = ReadBack(window);
  ASSERT_EQ(image.size(), size_t(480) * 270);
  for (UINT y = 2; y < 268; y += 9)
    for (UINT x = 2; x < 478; x += 7) {
      const Rgba& p = image[size_t(y) * 480 + x];
      ASSERT_NEAR(p.r, 0.5f, 0.04f) << x << "," << y;
      const float sourceX = (x + 0.5f) * kW / 480.0f - 0.5f;
      ASSERT_NEAR(p.g, sourceX / (kW - 1), 0.01f) << x << "," << y;
    }
}
