// The framework's own shaders: the pool declares every shared variable with its kind, the post
// effect offers every technique the chain draws, and the filters do what their names promise.
#include "test_post_gpu.h"

#include "post/fw_PostPass.h"
#include "res/fw_FullScreenQuad.h"

using namespace post_gpu;

namespace {

D3D10_EFFECT_TYPE_DESC TypeOf(ID3D10EffectVariable* v) {
  D3D10_EFFECT_TYPE_DESC desc{};
  if (v->IsValid()) v->GetType()->GetDesc(&desc);
  return desc;
}

std::vector<float> Vector(ID3D10EffectVariable* v) {
  std::vector<float> value(4, -1.0f);
  EXPECT_EQ(v->AsVector()->GetFloatVector(value.data()), S_OK);
  return value;
}

}  // namespace

TEST_F(PostGpu, PoolDeclaresEverySharedVariableWithItsKind) {
  ASSERT_NO_FATAL_FAILURE(Load());
  ID3D10Effect* pool = fw_GetEffectPool()->AsEffect();
  for (const char* name : {"World", "View", "ViewProjection", "World_BackInTime", "View_BackInTime",
                           "ViewProjection_BackInTime", "ViewInverse", "LightViewProjection"})
    EXPECT_TRUE(pool->GetVariableByName(name)->AsMatrix()->IsValid()) << name;
  for (const char* name : {"EyePositionWorld", "EyePositionLocal", "StereoConstants", "NearXYZFarZ", "RenderDim",
                           "LightPositionWorld", "Ambient", "Diffuse", "Specular"}) {
    EXPECT_TRUE(pool->GetVariableByName(name)->AsVector()->IsValid()) << name;
    EXPECT_EQ(TypeOf(pool->GetVariableByName(name)).Columns * TypeOf(pool->GetVariableByName(name)).Rows, 4u) << name;
  }
  for (const char* name : {"Time", "SpecularPower"})
    EXPECT_TRUE(pool->GetVariableByName(name)->AsScalar()->IsValid()) << name;
  EXPECT_TRUE(pool->GetVariableByName("gNoiseTexture")->AsShaderResource()->IsValid());
  EXPECT_EQ(TypeOf(pool->GetVariableByName("gNoiseTexture")).Type, D3D10_SVT_TEXTURE3D);
  ID3D10EffectVariable* meshTextures = pool->GetVariableByName("MeshTextures");
  EXPECT_TRUE(meshTextures->AsShaderResource()->IsValid());
  EXPECT_GE(TypeOf(meshTextures).Elements, 1u);

  // Values the frame never sets keep sensible initial values.
  EXPECT_EQ(Vector(pool->GetVariableByName("LightPositionWorld"))[3], 1.0f);
  float identity[16];
  pool->GetVariableByName("LightViewProjection")->AsMatrix()->GetMatrix(identity);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(identity[i], i % 5 == 0 ? 1.0f : 0.0f);
}

TEST_F(PostGpu, PostEffectOffersEveryTechniqueAndSharesThePool) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Effect& effect = *fw_gPostEffects->mEffect;
  for (const char* name : {"Copy", "Add", "BrightPass", "BlurHorizontal5Taps", "BlurVertical5Taps", "BloomBlend",
                           "HighQualityDownScale", "Vignette", "LightByDepth"}) {
    ID3D10EffectTechnique* technique = effect.getTechniqueByName(name);
    ASSERT_TRUE(technique->IsValid()) << name;
    D3D10_TECHNIQUE_DESC desc{};
    technique->GetDesc(&desc);
    EXPECT_GE(desc.Passes, 1u) << name;
  }
  for (const char* name : {"texView1", "texView2", "texView3", "texView4", "texColorBufferForVignette", "texVignette",
                           "texRnd"})
    EXPECT_TRUE(effect.getVariableByName(name)->AsShaderResource()->IsValid()) << name;
  for (const char* name : {"gAddScale", "gBrightnessCutoff", "gBloomBlendScale", "gFade", "gChromaDistortion",
                           "gNoiseStrength"})
    EXPECT_TRUE(effect.getVariableByName(name)->AsScalar()->IsValid()) << name;
  for (const char* name : {"gColorExponents", "gGlitch", "gPixelDimInv"})
    EXPECT_TRUE(effect.getVariableByName(name)->AsVector()->IsValid()) << name;

  // The quad's layout was made against LightByDepth's input signature.
  EXPECT_NE(fw_gPostEffects->mQuad->mInputLayout, nullptr);
  // The blurs step by the blurred texture's own texels unless told otherwise.
  EXPECT_EQ(Vector(effect.getVariableByName("gPixelDimInv")), (std::vector<float>{0, 0, -1, -1}));
  // A pool variable set through the pool is the one the post effect sees.
  fw_GetGlobals().Time->SetFloat(12.5f);
  float time = 0;
  effect.getVariableByName("Time")->AsScalar()->GetFloat(&time);
  EXPECT_EQ(time, 12.5f);
}

TEST_F(PostGpu, BlursAreFiveTapBinomialGaussians) {
  ASSERT_NO_FATAL_FAILURE(Load());
  const UINT w = 16, h = 8;
  std::vector<Rgba> dot(size_t(w) * h, Rgba{0, 0, 0, 0});
  dot[4 * w + 8] = {16, 16, 16, 16};
  fw_Texture* source = Own(MakeFloatTexture(w, h, dot));
  fw_Texture* target = Own(MakeFloatTexture(w, h, std::vector<Rgba>(size_t(w) * h, Rgba{0, 0, 0, 0})));

  fw_PostPass(fw_gPostEffects, {{"texView1", source}}, {}, target, "BlurHorizontal5Taps");
  std::vector<Rgba> row = ReadBack(target);
  const float weights[5] = {1, 4, 6, 4, 1};
  for (UINT x = 0; x < w; ++x) {
    const float expected = (x >= 6 && x <= 10) ? weights[x - 6] : 0.0f;
    EXPECT_NEAR(row[4 * w + x].r, expected, 1e-4f) << x;
    EXPECT_EQ(row[3 * w + x].r, 0.0f);
  }

  fw_PostPass(fw_gPostEffects, {{"texView1", source}}, {}, target, "BlurVertical5Taps");
  std::vector<Rgba> column = ReadBack(target);
  for (UINT y = 0; y < h; ++y) {
    const float expected = (y >= 2 && y <= 6) ? weights[y - 2] : 0.0f;
    EXPECT_NEAR(column[y * w + 8].r, expected, 1e-4f) << y;
  }

  // Told a step of two texels, the taps land two texels apart.
  const float step[4] = {2.0f / w, 2.0f / h, 0, 0};
  fw_gPostEffects->mEffect->getVariableByName("gPixelDimInv")->AsVector()->SetFloatVector(step);
  fw_PostPass(fw_gPostEffects, {{"texView1", source}}, {}, target, "BlurHorizontal5Taps");
  row = ReadBack(target);
  EXPECT_NEAR(row[4 * w + 4].r, 1.0f, 1e-4f);
  EXPECT_NEAR(row[4 * w + 6].r, 4.0f, 1e-4f);
  EXPECT_NEAR(row[4 * w + 7].r, 0.0f, 1e-4f);
  EXPECT_NEAR(row[4 * w + 12].r, 1.0f, 1e-4f);
}

TEST_F(PostGpu, BrightPassKeepsOnlyWhatIsAboveTheCutoff) {
  ASSERT_NO_FATAL_FAILURE(Load());
  const std::vector<Rgba> texels = {{0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {1, 1, 1, 1}, {4, 2, 0, 1}};
  fw_Texture* source = Own(MakeFloatTexture(4, 1, texels));
  fw_Texture* target = Own(MakeFloatTexture(4, 1, std::vector<Rgba>(4, Rgba{9, 9, 9, 9})));
  fw_PostPass(fw_gPostEffects, {{"texView1", source}}, {fw_PostScalar("gBrightnessCutoff", 1.0f)}, target,
              "BrightPass");
  const std::vector<Rgba> out = ReadBack(target);
  EXPECT_EQ(out[0].r, 0.0f);
  EXPECT_EQ(out[1].r, 0.0f);                 // well below the cutoff
  EXPECT_GT(out[2].r, 0.0f);                 // at the cutoff the soft knee lets a little through
  EXPECT_LT(out[2].r, 0.25f);
  EXPECT_NEAR(out[3].r, 3.0f, 1e-3f);        // above it: the excess, hue kept
  EXPECT_NEAR(out[3].g, 1.5f, 1e-3f);
  EXPECT_EQ(out[3].b, 0.0f);
}

TEST_F(PostGpu, LightByDepthFadesFromNearToFar) {
  ASSERT_NO_FATAL_FAILURE(Load());
  const float nearFar[4] = {0, 0, 1.0f, 101.0f};
  fw_GetGlobals().NearXYZFarZ->SetFloatVector(nearFar);
  const std::vector<Rgba> depth = {{0.5f, 0, 0, 0}, {51, 0, 0, 0}, {200, 0, 0, 0}};
  fw_Texture* source = Own(MakeFloatTexture(3, 1, depth));
  fw_Texture* target = Own(MakeFloatTexture(3, 1, std::vector<Rgba>(3, Rgba{})));
  fw_PostPass(fw_gPostEffects, {{"texView1", source}}, {}, target, "LightByDepth");
  const std::vector<Rgba> out = ReadBack(target);
  EXPECT_NEAR(out[0].r, 1.0f, 1e-5f);
  EXPECT_GT(out[1].r, 0.1f);
  EXPECT_LT(out[1].r, 0.9f);
  EXPECT_NEAR(out[2].r, 0.0f, 1e-5f);
}

TEST_F(PostGpu, SetupBindsTheImagesAndReleaseEmptiesTheChain) {
  ASSERT_NO_FATAL_FAILURE(Load());
  for (const auto& [variable, image] : {std::pair{"texVignette", "vignette.jpg"}, std::pair{"texRnd", "rnd.png"}}) {
    fw_Texture* texture = fw_FindTexture(image);
    ASSERT_NE(texture, nullptr) << image;
    ID3D10ShaderResourceView* bound = nullptr;
    Var(variable)->AsShaderResource()->GetResource(&bound);
    EXPECT_EQ(bound, texture->mShaderResourceView) << variable;
    if (bound) bound->Release();
  }
  fw_PostEffectsRelease(fw_gPostEffects);
  EXPECT_EQ(fw_gPostEffects->mEffect, nullptr);
  EXPECT_EQ(fw_gPostEffects->mQuad, nullptr);
  fw_PostEffectsRelease(fw_gPostEffects);  // twice is harmless
  // An empty chain draws nothing and does not fail.
  fw_PostCopy(fw_gPostEffects, fw_FindTexture("r8g8b8a8_1"), fw_FindTexture("r8g8b8a8_2"));
}
