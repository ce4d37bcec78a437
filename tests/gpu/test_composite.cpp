// The final composite on the real effect: its constants read back from the effect's variables,
// and what "Vignette" does to pixels with each look control.
#include "test_post_gpu.h"

#include <platform/crt.h>

#include <algorithm>

using namespace post_gpu;

namespace {
constexpr UINT kW = 1280, kH = 720;

float Scalar(ID3D10EffectVariable* v) {
  float value = -1.0f;
  EXPECT_EQ(v->AsScalar()->GetFloat(&value), S_OK);
  return value;
}
std::vector<float> Vector(ID3D10EffectVariable* v) {
  std::vector<float> value(4, -1.0f);
  EXPECT_EQ(v->AsVector()->GetFloatVector(value.data()), S_OK);
  return value;
}

class Composite : public PostGpu {
 protected:
  // A flat source and a white vignette, so that only the controls under test change the picture.
  void Prepare(Rgba colour) {
    ASSERT_NO_FATAL_FAILURE(Load());
    mSource = Own(MakeFloatTexture(kW, kH, std::vector<Rgba>(size_t(kW) * kH, colour)));
    SetVignette(std::vector<uint8_t>(size_t(64) * 64 * 4, 255));
  }
  // A texRnd of our own, so that the tests do not depend on the production's image.
  void SetRandomTexture() {
    std::vector<uint8_t> rnd(size_t(64) * 64 * 4);
    crt::srand(9);
    for (uint8_t& b : rnd) b = uint8_t(crt::rand() & 255);
    fw_Texture* noise = Own(MakeRgba8Texture(64, 64, rnd));
    Var("texRnd")->AsShaderResource()->SetResource(noise->mShaderResourceView);
  }
  void SetVignette(const std::vector<uint8_t>& texels) {
    fw_Texture* vignette = Own(MakeRgba8Texture(64, 64, texels));
    Var("texVignette")->AsShaderResource()->SetResource(vignette->mShaderResourceView);
  }
  std::vector<Rgba> Run() {
    fw_Texture* out = fw_FindTexture("backbuffer");
    fw_PostFinalComposite(fw_gPostEffects, mSource, out);
    return ReadBack(out);
  }
  fw_Texture* mSource = nullptr;
};
}  // namespace

TEST_F(Composite, EmptyTracksLeaveNeutralConstantsInTheEffect) {
  ASSERT_NO_FATAL_FAILURE(Prepare({0.5f, 0.5f, 0.5f, 1}));
  // Disturb every constant first, so that the read-back values are the composite's own.
  Var("gFade")->AsScalar()->SetFloat(7.0f);
  const float junk[4] = {9, 9, 9, 9};
  Var("gColorExponents")->AsVector()->SetFloatVector(junk);
  Var("gGlitch")->AsVector()->SetFloatVector(junk);
  Var("gChromaDistortion")->AsScalar()->SetFloat(9.0f);
  Var("gNoiseStrength")->AsScalar()->SetFloat(9.0f);
  Run();
  EXPECT_EQ(Scalar(Var("gFade")), 1.0f);
  EXPECT_EQ(Vector(Var("gColorExponents")), (std::vector<float>{0.1f, 0.1f, 0.1f, 1.0f}));
  EXPECT_EQ(Scalar(Var("gChromaDistortion")), 0.0f);
  EXPECT_EQ(Vector(Var("gGlitch")), (std::vector<float>{0, 0, 0, 0}));
  EXPECT_EQ(Scalar(Var("gNoiseStrength")), 0.0f);
}

TEST_F(Composite, NeutralControlsPassTheSourceThrough) {
  ASSERT_NO_FATAL_FAILURE(Prepare({0.5f, 0.25f, 0.75f, 1}));
  for (const Rgba& p : Run()) {
    ASSERT_NEAR(p.r, 0.5f, 1.5f / 255);
    ASSERT_NEAR(p.g, 0.25f, 1.5f / 255);
    ASSERT_NEAR(p.b, 0.75f, 1.5f / 255);
    ASSERT_EQ(p.a, 1.0f);
  }
}

TEST_F(Composite, FadeWithShakeStaysBetweenHalfAndSixTenths) {
  WriteTrack(mDir, "Post_Fade", 50.0f);
  WriteTrack(mDir, "Post_FadeShake", 100.0f);
  ASSERT_NO_FATAL_FAILURE(Prepare({0.8f, 0.8f, 0.8f, 1}));
  crt::srand(5);
  float lowest = 1, highest = 0;
  for (int frame = 0; frame < 300; ++frame) {
    fw_PostFinalComposite(fw_gPostEffects, mSource, fw_FindTexture("backbuffer"));
    const float fade = Scalar(Var("gFade"));
    lowest = std::min(lowest, fade);
    highest = std::max(highest, fade);
  }
  EXPECT_GE(lowest, 0.5f);
  EXPECT_LT(lowest, 0.5001f);
  EXPECT_LE(highest, 0.6f);
  EXPECT_GT(highest, 0.55f);
}

TEST_F(Composite, FadeScalesThePicture) {
  WriteTrack(mDir, "Post_Fade", 50.0f);
  ASSERT_NO_FATAL_FAILURE(Prepare({0.8f, 0.4f, 0.2f, 1}));
  const std::vector<Rgba> image = Run();
  EXPECT_NEAR(image[1000].r, 0.4f, 1.5f / 255);
  EXPECT_NEAR(image[1000].g, 0.2f, 1.5f / 255);
  EXPECT_NEAR(image[1000].b, 0.1f, 1.5f / 255);
}

TEST_F(Composite, ExponentsWorkPerChannelAndScaleMultiplies) {
  WriteTrack(mDir, "Post_RedExp", 2.0f);    // squares red (the track value is the exponent)
  WriteTrack(mDir, "Post_BlueExp", 0.5f);   // square root of blue
  WriteTrack(mDir, "Post_Scale", 1.5f);
  ASSERT_NO_FATAL_FAILURE(Prepare({0.5f, 0.5f, 0.36f, 1}));
  const Rgba p = Run()[size_t(kH / 2) * kW + kW / 2];
  EXPECT_NEAR(p.r, 0.25f * 1.5f, 2.0f / 255);
  EXPECT_NEAR(p.g, 0.5f * 1.5f, 2.0f / 255);
  EXPECT_NEAR(p.b, 0.6f * 1.5f, 2.0f / 255);
}

TEST_F(Composite, VignetteTextureDarkensWhereItIsDark) {
  ASSERT_NO_FATAL_FAILURE(Prepare({1, 1, 1, 1}));
  std::vector<uint8_t> leftDark(size_t(64) * 64 * 4, 255);
  for (UINT y = 0; y < 64; ++y)
    for (UINT x = 0; x < 32; ++x)
      for (int c = 0; c < 3; ++c) leftDark[(size_t(y) * 64 + x) * 4 + c] = 0;
  SetVignette(leftDark);
  const std::vector<Rgba> image = Run();
  EXPECT_LT(image[size_t(kH / 2) * kW + 100].r, 0.01f);
  EXPECT_GT(image[size_t(kH / 2) * kW + kW - 100].r, 0.99f);
}

TEST_F(Composite, ChromaDistortionSplitsTheChannelsTowardsTheEdges) {
  WriteTrack(mDir, "Post_ChromaDistort", 10.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  // White vertical lines every 32 pixels on black.
  std::vector<Rgba> lines(size_t(kW) * kH, Rgba{0, 0, 0, 1});
  for (UINT y = 0; y < kH; ++y)
    for (UINT x = 0; x < kW; x += 32)
      for (UINT w = 0; w < 4; ++w) lines[size_t(y) * kW + x + w] = {1, 1, 1, 1};
  mSource = Own(MakeFloatTexture(kW, kH, lines));
  SetVignette(std::vector<uint8_t>(size_t(64) * 64 * 4, 255));
  const std::vector<Rgba> image = Run();
  // The split grows from nothing at the centre to many pixels at the edges.
  auto meanSplit = [&](UINT from, UINT to) {
    float sum = 0;
    for (UINT x = from; x < to; ++x) {
      const Rgba& p = image[size_t(kH / 2) * kW + x];
      sum += std::abs(p.r - p.b);
    }
    return sum / float(to - from);
  };
  const float centre = meanSplit(kW / 2 - 16, kW / 2 + 16), edge = meanSplit(0, 128);
  EXPECT_GT(edge, 0.2f);
  EXPECT_LT(centre, edge / 4);
}

TEST_F(Composite, GlitchShiftsSomeBandsSideways) {
  ASSERT_NO_FATAL_FAILURE(Load());
  std::vector<Rgba> ramp(size_t(kW) * kH);
  for (UINT y = 0; y < kH; ++y)
    for (UINT x = 0; x < kW; ++x) ramp[size_t(y) * kW + x] = {float(x) / kW, 0, 0, 1};
  mSource = Own(MakeFloatTexture(kW, kH, ramp));
  SetVignette(std::vector<uint8_t>(size_t(64) * 64 * 4, 255));
  SetRandomTexture();
  const std::vector<Rgba> plain = Run();

  fw_StopSync();
  WriteTrack(mDir, "Post_Glitch", 0.1f);
  fw_StartSync((mDir / "sync").string().c_str());
  const std::vector<Rgba> glitched = Run();
  int shiftedRows = 0, keptRows = 0;
  for (UINT y = 0; y < kH; y += 15) {
    const float a = plain[size_t(y) * kW + kW / 2].r, b = glitched[size_t(y) * kW + kW / 2].r;
    if (std::abs(a - b) > 4.0f / 255) ++shiftedRows; else ++keptRows;
    EXPECT_LE(std::abs(a - b), 0.1f + 2.0f / 255) << "row " << y << " moved further than the amount";
  }
  EXPECT_GT(shiftedRows, 0);
  EXPECT_GT(keptRows, 0);
}

TEST_F(Composite, NoiseAddsGrainOnlyWhenAskedFor) {
  ASSERT_NO_FATAL_FAILURE(Prepare({0.5f, 0.5f, 0.5f, 1}));
  SetRandomTexture();
  auto spread = [](const std::vector<Rgba>& image) {
    float lo = 1, hi = 0;
    for (const Rgba& p : image) lo = std::min(lo, p.g), hi = std::max(hi, p.g);
    return hi - lo;
  };
  EXPECT_LT(spread(Run()), 1.5f / 255);
  fw_StopSync();
  WriteTrack(mDir, "Post_Noise", 40.0f);
  fw_StartSync((mDir / "sync").string().c_str());
  EXPECT_GT(spread(Run()), 0.1f);
}
