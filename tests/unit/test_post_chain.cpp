// The post chain's passes on the recording device, with the framework's own fw_PostEffects.fx
// parsed onto it: which targets are bound with which viewports, which textures and constants
// each pass draws with, in what order, and what the tracks switch on and off. No display needed.
#include "post/fw_PostEffects.h"
#include "post/fw_PostPass.h"

#include "core_recording.h"
#include "diag/fw_Log.h"
#include "log_capture.h"
#include "res/fw_DownsampleChain.h"
#include "res/fw_Effect.h"

#include <platform/crt.h>
#include <platform/d3dx10.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using core_test::InputName;
using core_test::TargetName;

class PostChain : public core_test::FrameworkRecording {
 protected:
  fw_Texture* Target(const std::string& name, UINT width, UINT height) {
    auto* texture = new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE,
                                   DXGI_FORMAT_R8G8B8A8_UNORM, width, height);
    fw_EnterOwnedTexture(name, texture);
    return texture;
  }

  // Gives a variable a value no operation would set, so a draw that shows the expected value
  // shows that the operation set it.
  void Poison(const char* variable) {
    const float poison[4] = {-99.0f, -99.0f, -99.0f, -99.0f};
    ID3D10EffectVariable* v = fw_gPostEffects->mEffect->getVariableByName(variable);
    D3D10_EFFECT_TYPE_DESC type{};
    v->GetType()->GetDesc(&type);
    ASSERT_EQ(S_OK, v->SetRawValue(poison, 0, type.Rows * type.Columns * 4)) << variable;
  }
};

std::string L(int k) { return "r16g16b16a16f_1_downsample" + std::to_string(k); }
std::string M(int k) { return "r16g16b16a16f_2_downsample" + std::to_string(k); }

struct Expected {
  std::string technique, input, target;
};

}  // namespace

// ---- Bloom ---------------------------------------------------------------------------------

TEST_F(PostChain, BloomWithoutTracksRunsItsWholeSequenceAtOnePerCent) {
  ASSERT_NO_FATAL_FAILURE(Load());
  Poison("gBrightnessCutoff");
  Poison("gBloomBlendScale");
  float pixelDim[2] = {};
  fw_gPostEffects->mEffect->getVariableByName("gPixelDimInv")->AsVector()->GetFloatVector(pixelDim);
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(fw_gPostEffects, hdr, hdr);

  std::vector<Expected> expected = {
      {"Copy", "r16g16b16a16f_1", L(1)},
      {"Copy", L(1), L(2)},
      {"Copy", L(2), M(3)},
      {"BrightPass", M(3), L(3)},
  };
  for (int k = 3; k <= 6; ++k) {
    for (int i = 0; i < 3; ++i) {
      expected.push_back({"BlurHorizontal5Taps", L(k), M(k)});
      expected.push_back({"BlurVertical5Taps", M(k), L(k)});
    }
    if (k < 6) expected.push_back({"Copy", L(k), L(k + 1)});
  }
  expected.push_back({"BloomBlend", L(3), "r16g16b16a16f_1"});

  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("pass " + std::to_string(i) + " " + expected[i].technique);
    const d3d10rec::Event& d = *draws[i];
    EXPECT_EQ(d.technique, expected[i].technique);
    EXPECT_EQ(InputName(d, "texView1"), expected[i].input);
    ASSERT_EQ(d.targets.size(), 1u);
    EXPECT_EQ(TargetName(d), expected[i].target);
    EXPECT_EQ(d.depthTarget.view, nullptr);
    EXPECT_EQ(d.count, 6u);
    // Every pass renders with its target's own, whole viewport.
    const fw_Texture* target = fw_FindTexture(expected[i].target);
    ASSERT_EQ(d.viewports.size(), 1u);
    EXPECT_EQ(d.viewports[0].Width, target->mViewport.Width);
    EXPECT_EQ(d.viewports[0].Height, target->mViewport.Height);
    EXPECT_EQ(d.viewports[0].TopLeftY, 0);
    // The blurs run on the effect file's own gPixelDimInv: nothing in the chain sets it.
    EXPECT_EQ(d.Variable("gPixelDimInv")->floats, (std::vector<float>{pixelDim[0], pixelDim[1]}));
  }
  // The bloom levels are an eighth to a sixty-fourth of the picture.
  const std::pair<int, std::pair<UINT, UINT>> sizes[] = {{3, {160, 90}}, {4, {80, 45}}, {5, {40, 22}}, {6, {20, 11}}};
  for (const auto& [k, size] : sizes) {
    const auto blur = std::find_if(draws.begin(), draws.end(), [&, k = k](const d3d10rec::Event* d) {
      return TargetName(*d) == L(k) && d->technique != "Copy";
    });
    ASSERT_NE(blur, draws.end());
    EXPECT_EQ((*blur)->targets[0].width, size.first);
    EXPECT_EQ((*blur)->targets[0].height, size.second);
  }

  EXPECT_EQ(draws[3]->Float("gBrightnessCutoff"), 1.0f);
  const d3d10rec::Event& blend = *draws.back();
  EXPECT_EQ(InputName(blend, "texView2"), L(4));
  EXPECT_EQ(InputName(blend, "texView3"), L(5));
  EXPECT_EQ(InputName(blend, "texView4"), L(6));
  EXPECT_EQ(blend.Float("gBloomBlendScale"), float(double(0.01f)));
  // The blend adds onto the source it was given as destination: its pass must blend additively.
  EXPECT_EQ(blend.blend, "add");
  for (const d3d10rec::Event& e : Rec().events) EXPECT_EQ(e.kind, d3d10rec::EventKind::kDraw);
}

TEST_F(PostChain, BloomTracksSetStrengthAndCutoff) {
  WriteTrack("Post_Bloom", 250.0f);
  WriteTrack("Post_BloomCutoff", 0.6f);
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(fw_gPostEffects, hdr, hdr);
  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 32u);
  EXPECT_EQ(draws[3]->Float("gBrightnessCutoff"), 0.6f);
  EXPECT_EQ(draws.back()->Float("gBloomBlendScale"), float(250.0 * double(0.01f)));
}

TEST_F(PostChain, BloomAtZeroOrBelowDoesNothingAtAll) {
  for (float value : {0.0f, -20.0f}) {
    SCOPED_TRACE(value);
    WriteTrack("Post_Bloom", value);
    ASSERT_NO_FATAL_FAILURE(Load());
    fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
    fw_PostBloom(fw_gPostEffects, hdr, hdr);
    EXPECT_TRUE(Rec().events.empty());
    EXPECT_EQ(Rec().stateCalls, 0u);
    EXPECT_EQ(Rec().variableLookups, 0u);
    EXPECT_EQ(Rec().techniqueLookups, 0u);
    fw_ReleaseFrameworkResources();
    fw_StopSync();
  }
}

TEST_F(PostChain, BloomWithAMissingLevelDrawsNothingAndSaysWhich) {
  ASSERT_NO_FATAL_FAILURE(Load());
  // The standard targets again, without level 5 of the first chain.
  fw_DestroyOwnedTextures();
  for (const char* base : {"r16g16b16a16f_1", "r16g16b16a16f_2"})
    for (const fw_ChainLevel& level : fw_DownsampleLevels(base, 1280, 720))
      if (level.name != L(5)) Target(level.name, UINT(level.width), UINT(level.height));
  d3d10rec::ClearRecord(mDevice);
  LogCapture log;
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(fw_gPostEffects, hdr, hdr);
  EXPECT_TRUE(Rec().events.empty());
  EXPECT_EQ(Rec().stateCalls, 0u);
  EXPECT_TRUE(log.contains("r16g16b16a16f_1_downsample5", fw_LogError));
  // Asked again next frame: still nothing drawn, and no second line for the same target.
  log.clear();
  fw_PostBloom(fw_gPostEffects, hdr, hdr);
  EXPECT_TRUE(Rec().events.empty());
  EXPECT_FALSE(log.contains("r16g16b16a16f_1_downsample5"));
}

// ---- Pass procedure, copy and add ----------------------------------------------------------

TEST_F(PostChain, EveryCallLooksItsNamesUpAgain) {
  ASSERT_NO_FATAL_FAILURE(Load());
  Target("a", 64, 64);
  Target("b", 32, 32);
  fw_PostCopy(fw_gPostEffects, fw_FindTexture("a"), fw_FindTexture("b"));
  fw_PostCopy(fw_gPostEffects, fw_FindTexture("a"), fw_FindTexture("b"));
  EXPECT_EQ(Rec().variableLookups, 2u);
  EXPECT_EQ(Rec().techniqueLookups, 2u);
  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[1]->technique, "Copy");
  EXPECT_EQ(TargetName(*draws[1]), "b");
  EXPECT_EQ(draws[1]->viewports[0].Width, 32u);
}

TEST_F(PostChain, NullTargetBindsNoViewNoViewportAndStillDraws) {
  ASSERT_NO_FATAL_FAILURE(Load());
  Target("a", 64, 64);
  Target("b", 32, 32);
  fw_PostCopy(fw_gPostEffects, fw_FindTexture("a"), fw_FindTexture("b"));
  fw_PostCopy(fw_gPostEffects, fw_FindTexture("a"), nullptr);
  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_TRUE(draws[1]->targets.empty());
  EXPECT_TRUE(draws[1]->viewports.empty());
}

TEST_F(PostChain, AddSetsItsScaleAndLeavesTheDestinationUncleared) {
  ASSERT_NO_FATAL_FAILURE(Load());
  for (int i = 0; i < 8; ++i)
    fw_PostAdd(fw_FindTexture("r16g16b16a16f_1"), fw_gPostEffects, fw_FindTexture("r8g8b8a8_3"), 0.125f);
  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 8u);
  for (const d3d10rec::Event* d : draws) {
    EXPECT_EQ(d->technique, "Add");
    EXPECT_EQ(d->blend, "add");  // the sub-frames accumulate only through the blend state
    EXPECT_EQ(InputName(*d, "texView1"), "r8g8b8a8_3");
    EXPECT_EQ(d->Float("gAddScale"), 0.125f);
    EXPECT_EQ(TargetName(*d), "r16g16b16a16f_1");
  }
  EXPECT_EQ(Rec().events.size(), 8u);  // no clears
}

TEST_F(PostChain, ATechniqueWithTwoPassesDrawsTwice) {
  ASSERT_NO_FATAL_FAILURE(Load());
  const char* twoPasses = R"(
-- common
uniform sampler2D texView1;
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = texture(texView1, vec2(0.5)); }
-- technique Copy
pass first vertex=VS fragment=PS
pass second vertex=VS fragment=PS
)";
  ID3D10Effect* effect = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateEffectFromMemory(twoPasses, strlen(twoPasses), "two.fx", nullptr, nullptr, "fx_4_0", 0, 0,
                                               mDevice, nullptr, nullptr, &effect, nullptr, nullptr));
  fw_gPostEffects->mEffect->mEffect->Release();
  fw_gPostEffects->mEffect->mEffect = effect;
  fw_Texture* a = Target("a", 8, 8);
  fw_PostCopy(fw_gPostEffects, a, a);
  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->pass, "first");
  EXPECT_EQ(draws[1]->pass, "second");
}

TEST_F(PostChain, AnEmptyChainDrawsNothing) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* a = Target("a", 8, 8);
  fw_PostEffects empty;
  fw_PostCopy(&empty, a, a);
  fw_PostFinalComposite(&empty, a, a);
  EXPECT_TRUE(Rec().events.empty());
}

// ---- Screen scale-out ------------------------------------------------------------------------

TEST_F(PostChain, ScaleOutWithOffsetClearsAndNarrowsTheViewport) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* window = Target("window", 1920, 1200);
  fw_Texture* source = Target("source", 1920, 1079);
  fw_PostScreenScaleOutTo(fw_gPostEffects, source, window, 60);
  ASSERT_EQ(Rec().events.size(), 2u);
  const d3d10rec::Event& clear = Rec().events[0];
  EXPECT_EQ(clear.kind, d3d10rec::EventKind::kClearRenderTarget);
  EXPECT_EQ(TargetName(clear), "window");
  EXPECT_EQ(std::vector<float>(clear.color, clear.color + 4), std::vector<float>(4, 0.0f));
  const d3d10rec::Event& d = Rec().events[1];
  EXPECT_EQ(d.technique, "HighQualityDownScale");
  EXPECT_EQ(InputName(d, "texView1"), "source");
  EXPECT_EQ(TargetName(d), "window");
  ASSERT_EQ(d.viewports.size(), 1u);
  EXPECT_EQ(d.viewports[0].TopLeftX, 0);
  EXPECT_EQ(d.viewports[0].TopLeftY, 60);
  EXPECT_EQ(d.viewports[0].Width, 1920u);
  EXPECT_EQ(d.viewports[0].Height, 1080u);
  // The target's own viewport is not changed by the narrowed copy.
  EXPECT_EQ(window->mViewport.Height, 1200u);
}

TEST_F(PostChain, ScaleOutWithoutOffsetNeitherClearsNorNarrows) {
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* window = Target("window", 1920, 1200);
  fw_PostScreenScaleOutTo(fw_gPostEffects, Target("source", 1280, 720), window, 0);
  ASSERT_EQ(Rec().events.size(), 1u);
  const d3d10rec::Event& d = Rec().events[0];
  EXPECT_EQ(d.kind, d3d10rec::EventKind::kDraw);
  EXPECT_EQ(d.viewports[0].TopLeftY, 0);
  EXPECT_EQ(d.viewports[0].Height, 1200u);
}

TEST_F(PostChain, ScaleOutWithBarsThatMeetDrawsNothingAndWarns) {
  ASSERT_NO_FATAL_FAILURE(Load());
  LogCapture log;
  fw_Texture* window = Target("window", 64, 100);
  fw_PostScreenScaleOutTo(fw_gPostEffects, Target("source", 64, 64), window, 50);
  EXPECT_TRUE(Draws().empty());
  EXPECT_TRUE(log.contains("letterbox of 50 pixels", fw_LogWarning));
}

// ---- Final composite ----------------------------------------------------------------------

TEST_F(PostChain, CompositeWithoutTracksSetsTheNeutralConstants) {
  ASSERT_NO_FATAL_FAILURE(Load());
  for (const char* v : {"gFade", "gColorExponents", "gChromaDistortion", "gGlitch", "gNoiseStrength"}) Poison(v);
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_Texture* out = fw_FindTexture("backbuffer");
  crt::srand(3);
  fw_PostFinalComposite(fw_gPostEffects, hdr, out);
  std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  const d3d10rec::Event& d = *draws[0];
  EXPECT_EQ(d.technique, "Vignette");
  EXPECT_EQ(InputName(d, "texColorBufferForVignette"), "r16g16b16a16f_1");
  // The images the setup bound stay bound.
  EXPECT_EQ(InputName(d, "texVignette"), "vignette.jpg");
  EXPECT_EQ(InputName(d, "texRnd"), "rnd.png");
  EXPECT_EQ(TargetName(d), "backbuffer");
  EXPECT_EQ(d.Variable("gFade")->floats, std::vector<float>{1.0f});
  EXPECT_EQ(d.Variable("gColorExponents")->floats, (std::vector<float>{0.1f, 0.1f, 0.1f, 1.0f}));
  EXPECT_EQ(d.Variable("gChromaDistortion")->floats, std::vector<float>{0.0f});
  EXPECT_EQ(d.Variable("gGlitch")->floats, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(d.Variable("gNoiseStrength")->floats, std::vector<float>{0.0f});
  // One value of the shared generator per composite.
  crt::srand(3);
  crt::rand();
  const int next = crt::rand();
  crt::srand(3);
  fw_PostFinalComposite(fw_gPostEffects, hdr, out);
  EXPECT_EQ(crt::rand(), next);
}

TEST_F(PostChain, CompositeTracksReachTheirConstants) {
  WriteTrack("Post_Fade", 50.0f);
  WriteTrack("Post_FadeShake", 100.0f);
  WriteTrack("Post_RedExp", 12.0f);
  WriteTrack("Post_GreenExp", 10.0f);
  WriteTrack("Post_BlueExp", 8.0f);
  WriteTrack("Post_Scale", 1.25f);
  WriteTrack("Post_ChromaDistort", 30.0f);
  WriteTrack("Post_Glitch", 0.1f);
  WriteTrack("Post_GlitchOffset", 3.0f);
  WriteTrack("Post_Noise", 15.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_Texture* out = fw_FindTexture("backbuffer");
  crt::srand(11);
  for (int frame = 0; frame < 500; ++frame) fw_PostFinalComposite(fw_gPostEffects, hdr, out);
  const std::vector<const d3d10rec::Event*> draws = Draws();
  ASSERT_EQ(draws.size(), 500u);
  float lowest = 1.0f, highest = 0.0f;
  for (const d3d10rec::Event* d : draws) {
    lowest = std::min(lowest, d->Float("gFade"));
    highest = std::max(highest, d->Float("gFade"));
  }
  EXPECT_GE(lowest, 0.5f);
  EXPECT_LE(highest, 0.6f);
  EXPECT_GT(highest, 0.52f);  // some frames flicker
  const d3d10rec::Event& d = *draws.back();
  const std::vector<float>& exponents = d.Variable("gColorExponents")->floats;
  EXPECT_FLOAT_EQ(exponents[0], 1.2f);
  EXPECT_FLOAT_EQ(exponents[1], 1.0f);
  EXPECT_FLOAT_EQ(exponents[2], 0.8f);
  EXPECT_EQ(exponents[3], 1.25f);
  EXPECT_FLOAT_EQ(d.Float("gChromaDistortion"), 0.3f);
  EXPECT_EQ(d.Variable("gGlitch")->floats, (std::vector<float>{0.1f, 3.0f, 0.0f, 0.0f}));
  EXPECT_FLOAT_EQ(d.Float("gNoiseStrength"), 0.15f);
}
