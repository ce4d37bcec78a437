// The post chain's passes on a recording device and a recording effect: which targets are bound
// with which viewports, which textures and constants each pass gets, in what order, and what
// the tracks switch on and off. No display needed.
#include "post/fw_PostEffects.h"
#include "post/fw_PostPass.h"

#include "diag/fw_Log.h"
#include "frame/fw_DeviceState.h"
#include "log_capture.h"
#include "res/fw_DownsampleChain.h"
#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"
#include "core_tracks.h"

#include <platform/crt.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = boost::filesystem;

namespace {

// ---- Recording doubles -------------------------------------------------------------------

template <class Base> struct FakeUnknown : Base {
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }  // owned by the test, not by the texture
};

template <class Base, class Desc> struct FakeView : FakeUnknown<Base> {
  explicit FakeView(std::string n) : name(std::move(n)) {}
  void GetDevice(ID3D10Device** device) override { *device = nullptr; }
  void GetResource(ID3D10Resource** resource) override { *resource = nullptr; }
  void GetDesc(Desc*) override {}
  std::string name;
};
using FakeRtv = FakeView<ID3D10RenderTargetView, D3D10_RENDER_TARGET_VIEW_DESC>;
using FakeSrv = FakeView<ID3D10ShaderResourceView, D3D10_SHADER_RESOURCE_VIEW_DESC>;

// One drawn pass: what the effect was given since the previous pass, and where it went.
struct DrawRecord {
  std::string technique;
  std::map<std::string, std::string> inputs;               // variable -> texture name
  std::map<std::string, std::vector<float>> constants;     // variable -> value
  std::string target;                                      // "" when none was bound
  D3D10_VIEWPORT viewport{};
  UINT viewportCount = 0;
};

struct Recording {
  std::vector<DrawRecord> draws;
  DrawRecord pending;
  int variableLookups = 0;
  int techniqueLookups = 0;
  int deviceCalls = 0;  // every call on the device, of any kind
  std::vector<std::string> clears;
  std::string boundTarget;
  D3D10_VIEWPORT boundViewport{};
  UINT boundViewportCount = 0;
  std::vector<std::string> lookedUpVariables;
};

struct FakeVariable : ID3D10EffectScalarVariable, ID3D10EffectVectorVariable, ID3D10EffectShaderResourceVariable {
  FakeVariable(Recording* r, std::string n) : rec(r), name(std::move(n)) {}
  Recording* rec;
  std::string name;
  std::vector<float> value;

  BOOL IsValid() override { return TRUE; }
  ID3D10EffectType* GetType() override { return nullptr; }
  HRESULT GetDesc(D3D10_EFFECT_VARIABLE_DESC*) override { return E_FAIL; }
  ID3D10EffectVariable* GetElement(UINT) override { return nullptr; }
  ID3D10EffectScalarVariable* AsScalar() override { return this; }
  ID3D10EffectVectorVariable* AsVector() override { return this; }
  ID3D10EffectMatrixVariable* AsMatrix() override { return nullptr; }
  ID3D10EffectShaderResourceVariable* AsShaderResource() override { return this; }
  HRESULT SetRawValue(const void*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetRawValue(void*, UINT, UINT) override { return E_FAIL; }

  HRESULT SetFloat(float v) override {
    value = {v};
    rec->pending.constants[name] = value;
    return S_OK;
  }
  HRESULT GetFloat(float* v) override { *v = value.empty() ? 0.0f : value[0]; return S_OK; }
  HRESULT SetFloatArray(const float*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetFloatArray(float*, UINT, UINT) override { return E_FAIL; }
  HRESULT SetInt(int) override { return E_FAIL; }
  HRESULT GetInt(int*) override { return E_FAIL; }
  HRESULT SetIntArray(const int*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetIntArray(int*, UINT, UINT) override { return E_FAIL; }
  HRESULT SetBool(BOOL) override { return E_FAIL; }
  HRESULT GetBool(BOOL*) override { return E_FAIL; }

  HRESULT SetFloatVector(const float* v) override {
    value.assign(v, v + 4);
    rec->pending.constants[name] = value;
    return S_OK;
  }
  HRESULT GetFloatVector(float*) override { return E_FAIL; }
  HRESULT SetIntVector(const int*) override { return E_FAIL; }
  HRESULT GetIntVector(int*) override { return E_FAIL; }
  HRESULT SetBoolVector(const BOOL*) override { return E_FAIL; }
  HRESULT GetBoolVector(BOOL*) override { return E_FAIL; }
  HRESULT SetFloatVectorArray(const float*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetFloatVectorArray(float*, UINT, UINT) override { return E_FAIL; }

  HRESULT SetResource(ID3D10ShaderResourceView* view) override {
    rec->pending.inputs[name] = view ? static_cast<FakeSrv*>(view)->name : "<null>";
    return S_OK;
  }
  HRESULT GetResource(ID3D10ShaderResourceView**) override { return E_FAIL; }
  HRESULT SetResourceArray(ID3D10ShaderResourceView**, UINT, UINT) override { return E_FAIL; }
  HRESULT GetResourceArray(ID3D10ShaderResourceView**, UINT, UINT) override { return E_FAIL; }
};

struct FakePass : ID3D10EffectPass {
  FakePass(Recording* r, std::string t) : rec(r), technique(std::move(t)) {}
  Recording* rec;
  std::string technique;
  BOOL IsValid() override { return TRUE; }
  HRESULT GetDesc(D3D10_PASS_DESC* desc) override { *desc = {}; return S_OK; }
  HRESULT Apply(UINT) override {
    rec->pending.technique = technique;
    return S_OK;
  }
};

struct FakeTechnique : ID3D10EffectTechnique {
  FakeTechnique(Recording* r, const std::string& name, UINT passes) {
    for (UINT i = 0; i < passes; ++i) mPasses.push_back(std::make_unique<FakePass>(r, name));
  }
  std::vector<std::unique_ptr<FakePass>> mPasses;
  BOOL IsValid() override { return TRUE; }
  HRESULT GetDesc(D3D10_TECHNIQUE_DESC* desc) override {
    *desc = {};
    desc->Passes = UINT(mPasses.size());
    return S_OK;
  }
  ID3D10EffectPass* GetPassByIndex(UINT i) override { return i < mPasses.size() ? mPasses[i].get() : nullptr; }
  ID3D10EffectPass* GetPassByName(LPCSTR) override { return nullptr; }
};

struct FakeEffect : FakeUnknown<ID3D10Effect> {
  explicit FakeEffect(Recording* r) : rec(r) {}
  Recording* rec;
  std::map<std::string, std::unique_ptr<FakeVariable>> variables;
  std::map<std::string, std::unique_ptr<FakeTechnique>> techniques;
  std::map<std::string, UINT> passCounts;  // techniques with other than one pass

  BOOL IsValid() override { return TRUE; }
  BOOL IsPool() override { return FALSE; }
  HRESULT GetDevice(ID3D10Device**) override { return E_FAIL; }
  HRESULT GetDesc(D3D10_EFFECT_DESC*) override { return E_FAIL; }
  ID3D10EffectVariable* GetVariableByIndex(UINT) override { return nullptr; }
  ID3D10EffectVariable* GetVariableByName(LPCSTR name) override {
    ++rec->variableLookups;
    rec->lookedUpVariables.push_back(name);
    auto& v = variables[name];
    if (!v) v = std::make_unique<FakeVariable>(rec, name);
    return static_cast<ID3D10EffectScalarVariable*>(v.get());
  }
  ID3D10EffectTechnique* GetTechniqueByIndex(UINT) override { return nullptr; }
  ID3D10EffectTechnique* GetTechniqueByName(LPCSTR name) override {
    ++rec->techniqueLookups;
    auto& t = techniques[name];
    if (!t) t = std::make_unique<FakeTechnique>(rec, name, passCounts.count(name) ? passCounts[name] : 1);
    return t.get();
  }
};

struct RecordingDevice : FakeUnknown<ID3D10Device> {
  explicit RecordingDevice(Recording* r) : rec(r) {}
  Recording* rec;

  void IASetInputLayout(ID3D10InputLayout*) override { ++rec->deviceCalls; }
  void IASetVertexBuffers(UINT, UINT, ID3D10Buffer* const*, const UINT*, const UINT*) override { ++rec->deviceCalls; }
  void IASetIndexBuffer(ID3D10Buffer*, DXGI_FORMAT, UINT) override { ++rec->deviceCalls; }
  void IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY) override { ++rec->deviceCalls; }
  void IAGetInputLayout(ID3D10InputLayout** l) override { *l = nullptr; }
  void IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* t) override { *t = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED; }
  void DrawIndexed(UINT count, UINT, INT) override {
    ++rec->deviceCalls;
    EXPECT_EQ(count, 6u);
    DrawRecord d = rec->pending;
    d.target = rec->boundTarget;
    d.viewport = rec->boundViewport;
    d.viewportCount = rec->boundViewportCount;
    rec->draws.push_back(d);
    rec->pending = DrawRecord();
  }
  void Draw(UINT, UINT) override { ++rec->deviceCalls; }
  void DrawIndexedInstanced(UINT, UINT, UINT, INT, UINT) override { ++rec->deviceCalls; }
  void DrawInstanced(UINT, UINT, UINT, UINT) override { ++rec->deviceCalls; }
  void OMSetRenderTargets(UINT n, ID3D10RenderTargetView* const* views, ID3D10DepthStencilView* dsv) override {
    ++rec->deviceCalls;
    EXPECT_EQ(dsv, nullptr);
    rec->boundTarget = n > 0 && views[0] ? static_cast<FakeRtv*>(views[0])->name : "";
  }
  void OMGetRenderTargets(UINT, ID3D10RenderTargetView**, ID3D10DepthStencilView**) override {}
  void RSSetViewports(UINT n, const D3D10_VIEWPORT* v) override {
    ++rec->deviceCalls;
    rec->boundViewportCount = n;
    rec->boundViewport = n ? v[0] : D3D10_VIEWPORT{};
  }
  void RSGetViewports(UINT*, D3D10_VIEWPORT*) override {}
  void ClearRenderTargetView(ID3D10RenderTargetView* view, const FLOAT*) override {
    ++rec->deviceCalls;
    rec->clears.push_back(static_cast<FakeRtv*>(view)->name);
  }
  void ClearDepthStencilView(ID3D10DepthStencilView*, UINT, FLOAT, UINT8) override { ++rec->deviceCalls; }
  void ClearState() override { ++rec->deviceCalls; }
  void Flush() override {}
  void UpdateSubresource(ID3D10Resource*, UINT, const D3D10_BOX*, const void*, UINT, UINT) override { ++rec->deviceCalls; }
  void CopyResource(ID3D10Resource*, ID3D10Resource*) override { ++rec->deviceCalls; }
  void GenerateMips(ID3D10ShaderResourceView*) override { ++rec->deviceCalls; }
  HRESULT CreateBuffer(const D3D10_BUFFER_DESC*, const D3D10_SUBRESOURCE_DATA*, ID3D10Buffer** b) override {
    *b = nullptr;
    return E_FAIL;
  }
  HRESULT CreateTexture2D(const D3D10_TEXTURE2D_DESC*, const D3D10_SUBRESOURCE_DATA*, ID3D10Texture2D** t) override {
    *t = nullptr;
    return E_FAIL;
  }
  HRESULT CreateTexture3D(const D3D10_TEXTURE3D_DESC*, const D3D10_SUBRESOURCE_DATA*, ID3D10Texture3D** t) override {
    *t = nullptr;
    return E_FAIL;
  }
  HRESULT CreateShaderResourceView(ID3D10Resource*, const D3D10_SHADER_RESOURCE_VIEW_DESC*,
                                   ID3D10ShaderResourceView** v) override {
    *v = nullptr;
    return E_FAIL;
  }
  HRESULT CreateRenderTargetView(ID3D10Resource*, const D3D10_RENDER_TARGET_VIEW_DESC*,
                                 ID3D10RenderTargetView** v) override {
    *v = nullptr;
    return E_FAIL;
  }
  HRESULT CreateDepthStencilView(ID3D10Resource*, const D3D10_DEPTH_STENCIL_VIEW_DESC*,
                                 ID3D10DepthStencilView** v) override {
    *v = nullptr;
    return E_FAIL;
  }
  HRESULT CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC*, UINT, const void*, SIZE_T,
                            ID3D10InputLayout** l) override {
    *l = nullptr;
    return E_FAIL;
  }
};

// ---- Fixture -------------------------------------------------------------------------------

// A one-key step track in <dir>/sync_<name>.track.
void WriteTrack(const fs::path& dir, const std::string& name, float value) {
  core_test::WriteTrack((dir / "sync").string(), name, {{0, value, 0}});
}

class PostChain : public ::testing::Test {
 protected:
  void SetUp() override {
    mDir = fs::temp_directory_path() / fs::unique_path("post-chain-%%%%%%");
    fs::create_directories(mDir);
    mPreviousDevice = fw_GetDevice();
    fw_SetDevice(&mDevice);
    mChain.mEffect = new fw_Effect();
    mChain.mEffect->mEffect = &mEffect;
    mChain.mQuad = new fw_FullScreenQuad();
  }
  void TearDown() override {
    mChain.mEffect->mEffect = nullptr;
    fw_PostEffectsRelease(&mChain);
    fw_DestroyOwnedTextures();
    fw_StopSync();
    fw_SetDevice(mPreviousDevice);
    fs::remove_all(mDir);
  }

  // Tracks are read from this test's own directory; call after writing them.
  void StartSync() { fw_StartSync((mDir / "sync").string().c_str()); }

  fw_Texture* MakeTarget(const std::string& name, UINT width, UINT height) {
    auto* texture = new fw_Texture();
    mRtvs.push_back(std::make_unique<FakeRtv>(name));
    mSrvs.push_back(std::make_unique<FakeSrv>(name));
    texture->mRenderTargetView = mRtvs.back().get();
    texture->mShaderResourceView = mSrvs.back().get();
    texture->mViewport = {0, 0, width, height, 0.0f, 1.0f};
    fw_EnterOwnedTexture(name, texture);
    return texture;
  }

  // The standard targets the bloom uses, at 1280 x 720.
  void MakeBloomTargets() {
    for (const char* base : {"r16g16b16a16f_1", "r16g16b16a16f_2"})
      for (const fw_ChainLevel& level : fw_DownsampleLevels(base, 1280, 720))
        MakeTarget(level.name, UINT(level.width), UINT(level.height));
  }

  Recording mRec;
  RecordingDevice mDevice{&mRec};
  FakeEffect mEffect{&mRec};
  fw_PostEffects mChain;
  std::vector<std::unique_ptr<FakeRtv>> mRtvs;
  std::vector<std::unique_ptr<FakeSrv>> mSrvs;
  fs::path mDir;
  ID3D10Device* mPreviousDevice = nullptr;
};

std::string L(int k) { return "r16g16b16a16f_1_downsample" + std::to_string(k); }
std::string M(int k) { return "r16g16b16a16f_2_downsample" + std::to_string(k); }

struct Expected {
  std::string technique, input, target;
};

}  // namespace

// ---- Bloom ---------------------------------------------------------------------------------

TEST_F(PostChain, BloomWithoutTracksRunsItsWholeSequenceAtOnePerCent) {
  StartSync();
  MakeBloomTargets();
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(&mChain, hdr, hdr);

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

  ASSERT_EQ(mRec.draws.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("pass " + std::to_string(i) + " " + expected[i].technique);
    const DrawRecord& d = mRec.draws[i];
    EXPECT_EQ(d.technique, expected[i].technique);
    EXPECT_EQ(d.inputs.at("texView1"), expected[i].input);
    EXPECT_EQ(d.target, expected[i].target);
    // Every pass renders with its target's own, whole viewport.
    const fw_Texture* target = fw_FindTexture(expected[i].target);
    EXPECT_EQ(d.viewportCount, 1u);
    EXPECT_EQ(d.viewport.Width, target->mViewport.Width);
    EXPECT_EQ(d.viewport.Height, target->mViewport.Height);
    EXPECT_EQ(d.viewport.TopLeftY, 0);
  }
  // The bloom levels are an eighth to a sixty-fourth of the picture.
  const std::pair<int, std::pair<UINT, UINT>> sizes[] = {{3, {160, 90}}, {4, {80, 45}}, {5, {40, 22}}, {6, {20, 11}}};
  for (const auto& [k, size] : sizes) {
    const auto blur = std::find_if(mRec.draws.begin(), mRec.draws.end(),
                                   [&](const DrawRecord& d) { return d.target == L(k) && d.technique != "Copy"; });
    ASSERT_NE(blur, mRec.draws.end());
    EXPECT_EQ(blur->viewport.Width, size.first);
    EXPECT_EQ(blur->viewport.Height, size.second);
  }

  const DrawRecord& bright = mRec.draws[3];
  EXPECT_EQ(bright.constants.at("gBrightnessCutoff"), std::vector<float>{1.0f});
  const DrawRecord& blend = mRec.draws.back();
  EXPECT_EQ(blend.inputs.at("texView2"), L(4));
  EXPECT_EQ(blend.inputs.at("texView3"), L(5));
  EXPECT_EQ(blend.inputs.at("texView4"), L(6));
  EXPECT_EQ(blend.constants.at("gBloomBlendScale"), std::vector<float>{float(double(0.01f))});
  // The blurs leave gPixelDimInv alone: they run on the effect file's own value.
  for (const std::string& name : mRec.lookedUpVariables) EXPECT_NE(name, "gPixelDimInv");
  EXPECT_TRUE(mRec.clears.empty());
}

TEST_F(PostChain, BloomTracksSetStrengthAndCutoff) {
  WriteTrack(mDir, "Post_Bloom", 250.0f);
  WriteTrack(mDir, "Post_BloomCutoff", 0.6f);
  StartSync();
  MakeBloomTargets();
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(&mChain, hdr, hdr);
  ASSERT_EQ(mRec.draws.size(), 32u);
  EXPECT_EQ(mRec.draws[3].constants.at("gBrightnessCutoff"), std::vector<float>{0.6f});
  EXPECT_EQ(mRec.draws.back().constants.at("gBloomBlendScale"), std::vector<float>{float(250.0 * double(0.01f))});
}

TEST_F(PostChain, BloomAtZeroOrBelowDoesNothingAtAll) {
  for (float value : {0.0f, -20.0f}) {
    SCOPED_TRACE(value);
    WriteTrack(mDir, "Post_Bloom", value);
    StartSync();
    MakeBloomTargets();
    fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
    fw_PostBloom(&mChain, hdr, hdr);
    EXPECT_TRUE(mRec.draws.empty());
    EXPECT_EQ(mRec.deviceCalls, 0);
    EXPECT_EQ(mRec.variableLookups, 0);
    EXPECT_EQ(mRec.techniqueLookups, 0);
    fw_DestroyOwnedTextures();
  }
}

TEST_F(PostChain, BloomWithAMissingLevelDrawsNothingAndSaysWhich) {
  StartSync();
  for (const char* base : {"r16g16b16a16f_1", "r16g16b16a16f_2"})
    for (const fw_ChainLevel& level : fw_DownsampleLevels(base, 1280, 720))
      if (level.name != L(5)) MakeTarget(level.name, UINT(level.width), UINT(level.height));
  LogCapture log;
  fw_Texture* hdr = fw_FindTexture("r16g16b16a16f_1");
  fw_PostBloom(&mChain, hdr, hdr);
  EXPECT_TRUE(mRec.draws.empty());
  EXPECT_EQ(mRec.deviceCalls, 0);
  EXPECT_TRUE(log.contains("r16g16b16a16f_1_downsample5", fw_LogError));
  // Asked again next frame: still nothing drawn, and no second line for the same target.
  log.clear();
  fw_PostBloom(&mChain, hdr, hdr);
  EXPECT_TRUE(mRec.draws.empty());
  EXPECT_FALSE(log.contains("r16g16b16a16f_1_downsample5"));
}

// ---- Pass procedure, copy and add ----------------------------------------------------------

TEST_F(PostChain, EveryCallLooksItsNamesUpAgain) {
  MakeTarget("a", 64, 64);
  MakeTarget("b", 32, 32);
  fw_PostCopy(&mChain, fw_FindTexture("a"), fw_FindTexture("b"));
  fw_PostCopy(&mChain, fw_FindTexture("a"), fw_FindTexture("b"));
  EXPECT_EQ(mRec.variableLookups, 2);
  EXPECT_EQ(mRec.techniqueLookups, 2);
  ASSERT_EQ(mRec.draws.size(), 2u);
  EXPECT_EQ(mRec.draws[1].technique, "Copy");
  EXPECT_EQ(mRec.draws[1].target, "b");
  EXPECT_EQ(mRec.draws[1].viewport.Width, 32u);
}

TEST_F(PostChain, NullTargetBindsNoViewNoViewportAndStillDraws) {
  MakeTarget("a", 64, 64);
  MakeTarget("b", 32, 32);
  fw_PostCopy(&mChain, fw_FindTexture("a"), fw_FindTexture("b"));
  fw_PostCopy(&mChain, fw_FindTexture("a"), nullptr);
  ASSERT_EQ(mRec.draws.size(), 2u);
  EXPECT_EQ(mRec.draws[1].target, "");
  EXPECT_EQ(mRec.draws[1].viewportCount, 0u);
}

TEST_F(PostChain, AddSetsItsScaleAndLeavesTheDestinationUncleared) {
  MakeTarget("r16g16b16a16f_1", 1280, 720);
  MakeTarget("r8g8b8a8_3", 1280, 720);
  for (int i = 0; i < 8; ++i)
    fw_PostAdd(fw_FindTexture("r16g16b16a16f_1"), &mChain, fw_FindTexture("r8g8b8a8_3"), 0.125f);
  ASSERT_EQ(mRec.draws.size(), 8u);
  for (const DrawRecord& d : mRec.draws) {
    EXPECT_EQ(d.technique, "Add");
    EXPECT_EQ(d.inputs.at("texView1"), "r8g8b8a8_3");
    EXPECT_EQ(d.constants.at("gAddScale"), std::vector<float>{0.125f});
    EXPECT_EQ(d.target, "r16g16b16a16f_1");
  }
  EXPECT_TRUE(mRec.clears.empty());
}

TEST_F(PostChain, ATechniqueWithTwoPassesDrawsTwice) {
  mEffect.passCounts["Copy"] = 2;
  MakeTarget("a", 8, 8);
  fw_PostCopy(&mChain, fw_FindTexture("a"), fw_FindTexture("a"));
  EXPECT_EQ(mRec.draws.size(), 2u);
}

TEST_F(PostChain, AnEmptyChainDrawsNothing) {
  MakeTarget("a", 8, 8);
  fw_PostEffects empty;
  fw_PostCopy(&empty, fw_FindTexture("a"), fw_FindTexture("a"));
  fw_PostFinalComposite(&empty, fw_FindTexture("a"), fw_FindTexture("a"));
  EXPECT_TRUE(mRec.draws.empty());
}

// ---- Screen scale-out ------------------------------------------------------------------------

TEST_F(PostChain, ScaleOutWithOffsetClearsAndNarrowsTheViewport) {
  fw_Texture* window = MakeTarget("window", 1920, 1200);
  fw_Texture* source = MakeTarget("backbuffer", 1920, 1079);
  fw_PostScreenScaleOutTo(&mChain, source, window, 60);
  EXPECT_EQ(mRec.clears, std::vector<std::string>{"window"});
  ASSERT_EQ(mRec.draws.size(), 1u);
  const DrawRecord& d = mRec.draws[0];
  EXPECT_EQ(d.technique, "HighQualityDownScale");
  EXPECT_EQ(d.inputs.at("texView1"), "backbuffer");
  EXPECT_EQ(d.target, "window");
  EXPECT_EQ(d.viewport.TopLeftX, 0);
  EXPECT_EQ(d.viewport.TopLeftY, 60);
  EXPECT_EQ(d.viewport.Width, 1920u);
  EXPECT_EQ(d.viewport.Height, 1080u);
  // The target's own viewport is not changed by the narrowed copy.
  EXPECT_EQ(window->mViewport.Height, 1200u);
}

TEST_F(PostChain, ScaleOutWithoutOffsetNeitherClearsNorNarrows) {
  fw_Texture* window = MakeTarget("window", 1920, 1200);
  fw_PostScreenScaleOutTo(&mChain, MakeTarget("backbuffer", 1280, 720), window, 0);
  EXPECT_TRUE(mRec.clears.empty());
  ASSERT_EQ(mRec.draws.size(), 1u);
  EXPECT_EQ(mRec.draws[0].viewport.TopLeftY, 0);
  EXPECT_EQ(mRec.draws[0].viewport.Height, 1200u);
}

TEST_F(PostChain, ScaleOutWithBarsThatMeetDrawsNothingAndWarns) {
  LogCapture log;
  fw_Texture* window = MakeTarget("window", 64, 100);
  fw_PostScreenScaleOutTo(&mChain, MakeTarget("backbuffer", 64, 64), window, 50);
  EXPECT_TRUE(mRec.draws.empty());
  EXPECT_TRUE(log.contains("letterbox of 50 pixels", fw_LogWarning));
}

// ---- Final composite ----------------------------------------------------------------------

TEST_F(PostChain, CompositeWithoutTracksSetsTheNeutralConstants) {
  StartSync();
  fw_Texture* hdr = MakeTarget("r16g16b16a16f_1", 1280, 720);
  fw_Texture* out = MakeTarget("backbuffer", 1280, 720);
  crt::srand(3);
  fw_PostFinalComposite(&mChain, hdr, out);
  ASSERT_EQ(mRec.draws.size(), 1u);
  const DrawRecord& d = mRec.draws[0];
  EXPECT_EQ(d.technique, "Vignette");
  EXPECT_EQ(d.inputs.at("texColorBufferForVignette"), "r16g16b16a16f_1");
  EXPECT_EQ(d.target, "backbuffer");
  EXPECT_EQ(d.constants.at("gFade"), std::vector<float>{1.0f});
  EXPECT_EQ(d.constants.at("gColorExponents"), (std::vector<float>{0.1f, 0.1f, 0.1f, 1.0f}));
  EXPECT_EQ(d.constants.at("gChromaDistortion"), std::vector<float>{0.0f});
  EXPECT_EQ(d.constants.at("gGlitch"), (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(d.constants.at("gNoiseStrength"), std::vector<float>{0.0f});
  // One value of the shared generator per composite.
  crt::srand(3);
  crt::rand();
  const int next = crt::rand();
  crt::srand(3);
  fw_PostFinalComposite(&mChain, hdr, out);
  EXPECT_EQ(crt::rand(), next);
}

TEST_F(PostChain, CompositeTracksReachTheirConstants) {
  WriteTrack(mDir, "Post_Fade", 50.0f);
  WriteTrack(mDir, "Post_FadeShake", 100.0f);
  WriteTrack(mDir, "Post_RedExp", 12.0f);
  WriteTrack(mDir, "Post_GreenExp", 10.0f);
  WriteTrack(mDir, "Post_BlueExp", 8.0f);
  WriteTrack(mDir, "Post_Scale", 1.25f);
  WriteTrack(mDir, "Post_ChromaDistort", 30.0f);
  WriteTrack(mDir, "Post_Glitch", 0.1f);
  WriteTrack(mDir, "Post_GlitchOffset", 3.0f);
  WriteTrack(mDir, "Post_Noise", 15.0f);
  StartSync();
  fw_Texture* hdr = MakeTarget("r16g16b16a16f_1", 1280, 720);
  fw_Texture* out = MakeTarget("backbuffer", 1280, 720);
  crt::srand(11);
  for (int frame = 0; frame < 500; ++frame) fw_PostFinalComposite(&mChain, hdr, out);
  ASSERT_EQ(mRec.draws.size(), 500u);
  float lowest = 1.0f, highest = 0.0f;
  for (const DrawRecord& d : mRec.draws) {
    lowest = std::min(lowest, d.constants.at("gFade")[0]);
    highest = std::max(highest, d.constants.at("gFade")[0]);
  }
  EXPECT_GE(lowest, 0.5f);
  EXPECT_LE(highest, 0.6f);
  EXPECT_GT(highest, 0.52f);  // some frames flicker
  const DrawRecord& d = mRec.draws.back();
  EXPECT_FLOAT_EQ(d.constants.at("gColorExponents")[0], 1.2f);
  EXPECT_FLOAT_EQ(d.constants.at("gColorExponents")[1], 1.0f);
  EXPECT_FLOAT_EQ(d.constants.at("gColorExponents")[2], 0.8f);
  EXPECT_EQ(d.constants.at("gColorExponents")[3], 1.25f);
  EXPECT_FLOAT_EQ(d.constants.at("gChromaDistortion")[0], 0.3f);
  EXPECT_EQ(d.constants.at("gGlitch"), (std::vector<float>{0.1f, 3.0f, 0.0f, 0.0f}));
  EXPECT_FLOAT_EQ(d.constants.at("gNoiseStrength")[0], 0.15f);
}
