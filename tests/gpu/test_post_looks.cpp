// A test picture through the demo's post order (eight sub-frame adds, bloom, final composite) at
// a few track settings. Each result is written as a PNG under the build tree's "post_looks"
// folder for a person to look at, and checked for what its control should visibly do. Also
// reports what the chain costs per frame at 1280 x 720 on this rasteriser.
#include "test_post_gpu.h"

#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>

using namespace post_gpu;

namespace {
constexpr UINT kW = 1280, kH = 720;

// Dusk sky over dark hills, a sun above HDR white, a row of lit windows, a grey card.
std::vector<uint8_t> TestPicture() {
  std::vector<uint8_t> rgba(size_t(kW) * kH * 4);
  for (UINT y = 0; y < kH; ++y)
    for (UINT x = 0; x < kW; ++x) {
      const float t = float(y) / kH;
      float r = 0.85f - 0.5f * t, g = 0.55f - 0.35f * t, b = 0.35f + 0.2f * t;
      const float hill = 0.62f + 0.06f * std::sin(x * 0.008f) + 0.03f * std::sin(x * 0.021f + 1.0f);
      if (t > hill) r = 0.08f, g = 0.06f, b = 0.07f;
      const float dx = float(x) - 900.0f, dy = float(y) - 260.0f;
      if (dx * dx + dy * dy < 60.0f * 60.0f) r = g = b = 1.0f;
      if (y > 560 && y < 580 && (x / 40) % 3 == 0 && x > 100 && x < 700) r = 1.0f, g = 0.9f, b = 0.5f;
      if (x > 200 && x < 360 && y > 120 && y < 280) r = g = b = 0.5f;
      uint8_t* p = &rgba[(size_t(y) * kW + x) * 4];
      p[0] = uint8_t(r * 255), p[1] = uint8_t(g * 255), p[2] = uint8_t(b * 255), p[3] = 255;
    }
  return rgba;
}

float Luma(const Rgba& p) { return 0.2126f * p.r + 0.7152f * p.g + 0.0722f * p.b; }

float MeanLuma(const std::vector<Rgba>& image, UINT x0, UINT y0, UINT x1, UINT y1) {
  float sum = 0;
  for (UINT y = y0; y < y1; ++y)
    for (UINT x = x0; x < x1; ++x) sum += Luma(image[size_t(y) * kW + x]);
  return sum / float((x1 - x0) * (y1 - y0));
}

class PostLooks : public PostGpu {
 protected:
  // The demo's post order for one frame: clear, eight adds, bloom in place, composite.
  std::vector<Rgba> Frame(bool readBack = true) {
    fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
    Clear(hdr, {0, 0, 0, 0});
    for (int i = 0; i < 8; ++i) fw_PostAdd(hdr, fw_gPostEffects, mPicture, 0.125f);
    fw_PostBloom(fw_gPostEffects, hdr, hdr);
    fw_PostFinalComposite(fw_gPostEffects, hdr, fw_FindTexture("backbuffer"));
    return readBack ? ReadBack(fw_FindTexture("backbuffer")) : std::vector<Rgba>();
  }

  void Retrack(const std::vector<std::pair<const char*, float>>& tracks) {
    fw_StopSync();
    fs::remove_all(mDir / "tracks");
    fs::create_directories(mDir / "tracks");
    for (const auto& [name, value] : tracks) WriteTrack(mDir / "tracks", name, value);
    fw_StartSync((mDir / "tracks" / "sync").string().c_str());
  }

  void Save(const std::vector<Rgba>& image, const std::string& name) {
    std::vector<uint8_t> rgba(image.size() * 4);
    for (size_t i = 0; i < image.size(); ++i) {
      const float c[4] = {image[i].r, image[i].g, image[i].b, image[i].a};
      for (int k = 0; k < 4; ++k) rgba[i * 4 + k] = uint8_t(std::lround(std::clamp(c[k], 0.0f, 1.0f) * 255));
    }
    const fs::path dir = fs::path(DUSK_BINARY_DIR) / "post_looks";
    fs::create_directories(dir);
    EXPECT_TRUE(stbi_write_png((dir / (name + ".png")).string().c_str(), kW, kH, 4, rgba.data(), kW * 4));
  }

  fw_Texture* mPicture = nullptr;
};
}  // namespace

TEST_F(PostLooks, GlowVignetteAndColourControlsDoWhatTheirNamesSay) {
  ASSERT_NO_FATAL_FAILURE(Load());
  mPicture = Own(MakeRgba8Texture(kW, kH, TestPicture()));

  Retrack({{"Post_Bloom", 0.0f}});
  const std::vector<Rgba> plain = Frame();
  Save(plain, "plain");

  // Glow: light spills from the sun and the windows into the dark around them.
  Retrack({{"Post_Bloom", 300.0f}, {"Post_BloomCutoff", 0.8f}});
  const std::vector<Rgba> glow = Frame();
  Save(glow, "glow");
  EXPECT_GT(MeanLuma(glow, 980, 240, 1020, 280), MeanLuma(plain, 980, 240, 1020, 280) + 0.02f);
  EXPECT_GT(MeanLuma(glow, 300, 585, 400, 600), MeanLuma(plain, 300, 585, 400, 600) + 0.01f);
  // ... and less the further from the light.
  const float gainNearSun = MeanLuma(glow, 980, 240, 1020, 280) - MeanLuma(plain, 980, 240, 1020, 280);
  const float gainFarCorner = MeanLuma(glow, 20, 680, 120, 710) - MeanLuma(plain, 20, 680, 120, 710);
  EXPECT_GT(gainNearSun, 2 * gainFarCorner);

  // Warm: blue raised to a higher power darkens it, red to a lower one lifts it.
  Retrack({{"Post_RedExp", 0.8f}, {"Post_BlueExp", 1.6f}});
  const std::vector<Rgba> warm = Frame();
  Save(warm, "warm");
  const Rgba cardPlain = plain[size_t(200) * kW + 280], cardWarm = warm[size_t(200) * kW + 280];
  EXPECT_GT(cardWarm.r, cardPlain.r + 0.05f);
  EXPECT_LT(cardWarm.b, cardPlain.b - 0.05f);
  EXPECT_NEAR(cardWarm.g, cardPlain.g, 2.0f / 255);

  // Fade to a quarter with strong noise, glitch and chromatic distortion.
  Retrack({{"Post_Fade", 25.0f}, {"Post_Noise", 30.0f}, {"Post_Glitch", 0.05f}, {"Post_ChromaDistort", 20.0f}});
  const std::vector<Rgba> rough = Frame();
  Save(rough, "faded_noisy_glitched");
  EXPECT_LT(MeanLuma(rough, 0, 0, kW, kH), 0.4f * MeanLuma(plain, 0, 0, kW, kH));
}
