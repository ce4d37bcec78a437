// D3DX10 effects on the software rasteriser: variables set and read back, matrices uploaded rows
// first, resource arrays, pools shared by child effects, includes through ID3D10Include, the
// invalid objects, compile errors with file and line, precompiled .fxo files, and uploads that
// happen only when a value changes.
#include "test_d3d10_support.h"

#include <platform/d3d10_live.h>

#include "../../libraries/platform/d3d10/d3d10_sdl2_p.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>

using namespace gfxtest;

namespace {

const std::vector<float> kQuad = {-1, 1, 0, 1, 1, 0, 1, -1, 0, -1, 1, 0, 1, -1, 0, -1, -1, 0};

std::string TempDir() {
  char dir[] = "/tmp/dusk-fx-test-XXXXXX";
  EXPECT_NE(nullptr, mkdtemp(dir));
  return dir;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class Effects : public ::testing::Test {
 protected:
  void SetUp() override {
    device = MakeDevice();
    ASSERT_NE(nullptr, device);
  }
  void TearDown() override {
    device->ClearState();
    EXPECT_EQ(0u, device->Release());
  }

  // Draws the full-screen quad with pass 0 of the technique into a fresh target; returns texel (x, y).
  uint32_t Render(ID3D10Effect* effect, const char* technique, UINT x = 2, UINT y = 2, UINT size = 8) {
    Target target(device, size, size);
    const float clear[4] = {0, 0, 0, 0};
    device->ClearRenderTargetView(target.view, clear);
    device->OMSetRenderTargets(1, &target.view, nullptr);
    D3D10_VIEWPORT vp = target.Viewport();
    device->RSSetViewports(1, &vp);
    ID3D10EffectTechnique* t = effect->GetTechniqueByName(technique);
    Geometry quad(device, t, kQuad);
    quad.Bind(device);
    t->GetPassByIndex(0)->Apply(0);
    device->Draw(6, 0);
    return Rgba(ReadBack(device, target.texture, 4), size, x, y);
  }

  ID3D10Device* device = nullptr;
};

const char* kVariables = R"(
-- common
uniform float gFloat = 0.25;
uniform int gInt = 7;
uniform bool gFlag;
uniform vec2 gPair = vec2(1.0 / 4.0, -2.0 * 3.0);
uniform vec4 gColor = vec4(0.0, 0.5, 1.0, 1.0);
uniform mat4 gMatrix = mat4(1.0);
uniform mat3 gSmall;
uniform float gWeights[3] = float[3](1.0, 2.0, 3.0);
uniform sampler2D gTextures[2];
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() {
  oColor = gColor * gFloat * float(gInt) * gWeights[1] + vec4(gPair, 0.0, 0.0) + gMatrix[0] + vec4(gSmall[0], 0.0) +
           (gFlag ? vec4(0.0) : texture(gTextures[0], vec2(0.5)) + texture(gTextures[1], vec2(0.5)));
}
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)";

TEST_F(Effects, VariablesStartAtTheirInitialValuesAndReadBackWhatWasSet) {
  ID3D10Effect* effect = EffectFromText(device, kVariables);
  ASSERT_NE(nullptr, effect);
  float f = 0;
  ID3D10EffectScalarVariable* fl = effect->GetVariableByName("gFloat")->AsScalar();
  EXPECT_EQ(S_OK, fl->GetFloat(&f));
  EXPECT_FLOAT_EQ(0.25f, f);
  float pair[4] = {};
  effect->GetVariableByName("gPair")->AsVector()->GetFloatVector(pair);
  EXPECT_FLOAT_EQ(0.25f, pair[0]);
  EXPECT_FLOAT_EQ(-6.0f, pair[1]);
  float m[16];
  effect->GetVariableByName("gMatrix")->AsMatrix()->GetMatrix(m);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(i % 5 == 0 ? 1.0f : 0.0f, m[i]);
  float weights[3] = {};
  EXPECT_EQ(S_OK, effect->GetVariableByName("gWeights")->AsScalar()->GetFloatArray(weights, 0, 3));
  EXPECT_FLOAT_EQ(2.0f, weights[1]);

  // Scalars convert to the variable's own type.
  ID3D10EffectScalarVariable* in = effect->GetVariableByName("gInt")->AsScalar();
  EXPECT_EQ(S_OK, in->SetFloat(3.75f));
  int i = 0;
  in->GetInt(&i);
  EXPECT_EQ(3, i);
  EXPECT_EQ(S_OK, fl->SetInt(-2));
  fl->GetFloat(&f);
  EXPECT_FLOAT_EQ(-2.0f, f);
  ID3D10EffectScalarVariable* flag = effect->GetVariableByName("gFlag")->AsScalar();
  flag->SetFloat(0.5f);
  BOOL b = FALSE;
  flag->GetBool(&b);
  EXPECT_TRUE(b);

  // A vec2 takes two of the four floats given and leaves the rest alone.
  const float four[4] = {9, 8, 7, 6};
  effect->GetVariableByName("gPair")->AsVector()->SetFloatVector(four);
  float back[4] = {0, 0, -1, -1};
  effect->GetVariableByName("gPair")->AsVector()->GetFloatVector(back);
  EXPECT_FLOAT_EQ(9, back[0]);
  EXPECT_FLOAT_EQ(8, back[1]);
  EXPECT_FLOAT_EQ(-1, back[2]);

  // Matrices: rows first in, rows first out; the transpose forms swap.
  float rows[16];
  for (int k = 0; k < 16; ++k) rows[k] = float(k);
  ID3D10EffectMatrixVariable* mat = effect->GetVariableByName("gMatrix")->AsMatrix();
  mat->SetMatrix(rows);
  mat->GetMatrix(m);
  for (int k = 0; k < 16; ++k) EXPECT_FLOAT_EQ(float(k), m[k]);
  mat->GetMatrixTranspose(m);
  EXPECT_FLOAT_EQ(4.0f, m[1]);
  // A mat3 keeps the upper-left 3x3 of what it is given.
  ID3D10EffectMatrixVariable* small = effect->GetVariableByName("gSmall")->AsMatrix();
  small->SetMatrix(rows);
  small->GetMatrix(m);
  EXPECT_FLOAT_EQ(6.0f, m[6]);
  EXPECT_FLOAT_EQ(0.0f, m[3]);
  EXPECT_FLOAT_EQ(0.0f, m[15]);

  // Arrays by range and by element; ranges past the end are refused whole.
  const float w[2] = {5, 6};
  EXPECT_EQ(S_OK, effect->GetVariableByName("gWeights")->AsScalar()->SetFloatArray(w, 1, 2));
  EXPECT_EQ(E_INVALIDARG, effect->GetVariableByName("gWeights")->AsScalar()->SetFloatArray(w, 2, 2));
  effect->GetVariableByName("gWeights")->GetElement(2)->AsScalar()->GetFloat(&f);
  EXPECT_FLOAT_EQ(6.0f, f);
  EXPECT_FALSE(effect->GetVariableByName("gWeights")->GetElement(3)->IsValid());

  D3D10_EFFECT_TYPE_DESC type;
  effect->GetVariableByName("gWeights")->GetType()->GetDesc(&type);
  EXPECT_EQ(3u, type.Elements);
  EXPECT_EQ(D3D10_SVC_SCALAR, type.Class);
  effect->GetVariableByName("gMatrix")->GetType()->GetDesc(&type);
  EXPECT_EQ(D3D10_SVC_MATRIX_ROWS, type.Class);
  EXPECT_EQ(4u, type.Rows);

  // Resource arrays hold references to their views.
  ID3D10Texture2D* tex = MakeTexture(device, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE);
  ID3D10ShaderResourceView* views[2] = {};
  device->CreateShaderResourceView(tex, nullptr, &views[0]);
  device->CreateShaderResourceView(tex, nullptr, &views[1]);
  ID3D10EffectShaderResourceVariable* textures = effect->GetVariableByName("gTextures")->AsShaderResource();
  EXPECT_EQ(S_OK, textures->SetResourceArray(views, 0, 2));
  EXPECT_EQ(3u, views[0]->AddRef());  // ours, the effect's, this one
  views[0]->Release();
  ID3D10ShaderResourceView* got[2] = {};
  EXPECT_EQ(S_OK, textures->GetResourceArray(got, 0, 2));
  EXPECT_EQ(views[1], got[1]);
  got[0]->Release();
  got[1]->Release();
  ID3D10ShaderResourceView* none = nullptr;
  EXPECT_EQ(S_OK, effect->GetVariableByName("gTextures")->GetElement(1)->AsShaderResource()->SetResource(none));
  EXPECT_EQ(1u, views[1]->AddRef() - 1);  // the effect let go of element 1
  views[1]->Release();
  effect->Release();  // releases element 0's reference
  EXPECT_EQ(0u, views[0]->Release());
  EXPECT_EQ(0u, views[1]->Release());
  tex->Release();
}

TEST_F(Effects, MatricesAreUploadedRowsFirstSoShadersApplyTheRowVectorTransform) {
  ID3D10Effect* effect = EffectFromText(device, R"(
-- common
uniform mat4 World = mat4(1.0);
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = World * vec4(POSITION * 0.25, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = vec4(1.0); }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)");
  ASSERT_NE(nullptr, effect);
  // A translation by (+0.5, -0.5) as the helpers lay it out: in the fourth row.
  const float translate[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5f, -0.5f, 0, 1};
  effect->GetVariableByName("World")->AsMatrix()->SetMatrix(translate);
  // The quad now covers x in [0.25, 0.75], y in [-0.75, -0.25]: the lower right, 16x16 pixels.
  EXPECT_NE(0u, Render(effect, "T", 11, 11, 16));
  EXPECT_EQ(0u, Render(effect, "T", 8, 8, 16));
  EXPECT_EQ(0u, Render(effect, "T", 11, 4, 16));
  effect->Release();
}

TEST_F(Effects, ResourceArrayElementsReachTheirSamplers) {
  const uint32_t red = 0xFF0000FFu, green = 0xFF00FF00u;
  ID3D10Texture2D* a = MakeTexture(device, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, &red, 4);
  ID3D10Texture2D* b = MakeTexture(device, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, &green, 4);
  ID3D10ShaderResourceView* views[2] = {};
  device->CreateShaderResourceView(a, nullptr, &views[0]);
  device->CreateShaderResourceView(b, nullptr, &views[1]);
  ID3D10Effect* effect = EffectFromText(device, R"(
-- common
uniform sampler2D MeshTextures[4];
-- sampler MeshTextures filter=point address=wrap
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gl_FragCoord.x < 4.0 ? texture(MeshTextures[0], vec2(0.5)) : texture(MeshTextures[1], vec2(0.5)); }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)");
  ASSERT_NE(nullptr, effect);
  effect->GetVariableByName("MeshTextures")->AsShaderResource()->SetResourceArray(views, 0, 2);
  EXPECT_EQ(0xFF0000FFu, Render(effect, "T", 1, 1));
  EXPECT_EQ(0x00FF00FFu, Render(effect, "T", 6, 1));
  effect->Release();
  views[0]->Release();
  views[1]->Release();
  a->Release();
  b->Release();
}

// Live reloading shows an image saved at another size through the view already bound: the view
// bound once samples the exchanged picture, and the other view, now the old picture's, goes
// with its release.
TEST_F(Effects, AViewBoundOnceSamplesThePictureExchangedIntoIt) {
  const uint32_t red = 0xFF0000FFu, green[4] = {0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u};
  ID3D10Texture2D* a = MakeTexture(device, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, &red, 4);
  ID3D10Texture2D* b = MakeTexture(device, 2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, green, 8);
  ID3D10ShaderResourceView* bound = nullptr;
  ID3D10ShaderResourceView* fresh = nullptr;
  device->CreateShaderResourceView(a, nullptr, &bound);
  device->CreateShaderResourceView(b, nullptr, &fresh);
  a->Release();
  b->Release();
  ID3D10Effect* effect = EffectFromText(device, R"(
-- common
uniform sampler2D gPicture;
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = texture(gPicture, vec2(0.5)); }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)");
  ASSERT_NE(nullptr, effect);
  effect->GetVariableByName("gPicture")->AsShaderResource()->SetResource(bound);
  EXPECT_EQ(0xFF0000FFu, Render(effect, "T"));

  ASSERT_TRUE(platform::ExchangeShaderResourceViews(bound, fresh));
  EXPECT_EQ(0x00FF00FFu, Render(effect, "T"));
  ID3D10Resource* resource = nullptr;
  bound->GetResource(&resource);
  EXPECT_EQ(resource, static_cast<ID3D10Resource*>(b));
  resource->Release();
  D3D10_SHADER_RESOURCE_VIEW_DESC desc{};
  fresh->GetDesc(&desc);
  EXPECT_EQ(desc.ViewDimension, D3D10_SRV_DIMENSION_TEXTURE2D);
  fresh->Release();  // the red picture goes with it
  EXPECT_EQ(0x00FF00FFu, Render(effect, "T"));

  // A view of another device is left as it is.
  ID3D10Device* other = nullptr;
  ASSERT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_NULL, nullptr, 0, D3D10_SDK_VERSION, &other));
  ID3D10Texture2D* c = MakeTexture(other, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, &red, 4);
  ID3D10ShaderResourceView* foreign = nullptr;
  other->CreateShaderResourceView(c, nullptr, &foreign);
  EXPECT_FALSE(platform::ExchangeShaderResourceViews(bound, foreign));
  EXPECT_EQ(0x00FF00FFu, Render(effect, "T"));
  foreign->Release();
  c->Release();
  other->Release();
  effect->Release();
  bound->Release();
}

TEST_F(Effects, APoolVariableSetOnceReachesEveryChildEffect) {
  std::string dir = TempDir();
  WriteText(dir + "/globals.fxi", "-- common\nuniform vec4 gShared = vec4(0.0);\nuniform float Time;\n");
  const std::string child = R"(#include "globals.fxi"
-- common
uniform float gOwn = 1.0;
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gShared * gOwn; }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)";
  WriteText(dir + "/a.fx", child);
  WriteText(dir + "/b.fx", child);
  ID3D10EffectPool* pool = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateEffectPoolFromFileA((dir + "/globals.fxi").c_str(), nullptr, nullptr, "fx_4_0", 0x800, 0,
                                                  device, nullptr, &pool, nullptr, nullptr));
  ID3D10Effect* effects[2] = {};
  for (int k = 0; k < 2; ++k)
    ASSERT_EQ(S_OK, D3DX10CreateEffectFromFileA((dir + (k ? "/b.fx" : "/a.fx")).c_str(), nullptr, nullptr, "fx_4_0",
                                                0x800, D3D10_EFFECT_COMPILE_CHILD_EFFECT, device, pool, nullptr,
                                                &effects[k], nullptr, nullptr));
  EXPECT_TRUE(pool->AsEffect()->IsPool());
  D3D10_EFFECT_DESC desc;
  effects[0]->GetDesc(&desc);
  EXPECT_TRUE(desc.IsChildEffect);
  EXPECT_EQ(1u, desc.GlobalVariables);
  EXPECT_EQ(2u, desc.SharedGlobalVariables);
  D3D10_EFFECT_VARIABLE_DESC varDesc;
  effects[1]->GetVariableByName("gShared")->GetDesc(&varDesc);
  EXPECT_EQ(D3D10_EFFECT_VARIABLE_POOLED, varDesc.Flags);

  const float yellow[4] = {1, 1, 0, 1};
  pool->AsEffect()->GetVariableByName("gShared")->AsVector()->SetFloatVector(yellow);
  EXPECT_EQ(0xFFFF00FFu, Render(effects[0], "T"));
  EXPECT_EQ(0xFFFF00FFu, Render(effects[1], "T"));
  // Set through one child, seen by the other.
  const float cyan[4] = {0, 1, 1, 1};
  effects[0]->GetVariableByName("gShared")->AsVector()->SetFloatVector(cyan);
  EXPECT_EQ(0x00FFFFFFu, Render(effects[1], "T"));
  // Own variables stay apart.
  effects[0]->GetVariableByName("gOwn")->AsScalar()->SetFloat(0.0f);
  EXPECT_EQ(0x00FFFFFFu, Render(effects[1], "T"));
  EXPECT_EQ(0u, Render(effects[0], "T"));

  // A child that declares a pool variable with another type is refused.
  WriteText(dir + "/clash.fx", "-- common\nuniform float gShared;\n" + child.substr(child.find("-- vertex")));
  ID3D10Effect* clash = nullptr;
  ReportCapture reports;
  EXPECT_TRUE(FAILED(D3DX10CreateEffectFromFileA((dir + "/clash.fx").c_str(), nullptr, nullptr, "fx_4_0", 0,
                                                 D3D10_EFFECT_COMPILE_CHILD_EFFECT, device, pool, nullptr, &clash,
                                                 nullptr, nullptr)));
  EXPECT_EQ(nullptr, clash);
  EXPECT_TRUE(reports.Contains("clash.fx:2"));

  effects[0]->Release();
  effects[1]->Release();
  EXPECT_EQ(0u, pool->Release());
}

// Two shader directories searched in order, as the framework's handler does; counts its calls.
class TwoRoots : public ID3D10Include {
 public:
  explicit TwoRoots(std::vector<std::string> roots) : mRoots(std::move(roots)) {}
  HRESULT Open(D3D10_INCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override {
    for (const std::string& root : mRoots) {
      std::ifstream in(root + "/" + name, std::ios::binary);
      if (!in) continue;
      std::string* text = new std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      mOpen[text->data()] = text;
      *data = text->data();
      *bytes = UINT(text->size());
      ++opens;
      return S_OK;
    }
    return E_FAIL;
  }
  HRESULT Close(LPCVOID data) override {
    auto it = mOpen.find(static_cast<const char*>(data));
    if (it == mOpen.end()) return E_FAIL;
    delete it->second;
    mOpen.erase(it);
    ++closes;
    return S_OK;
  }
  int opens = 0, closes = 0;

 private:
  std::vector<std::string> mRoots;
  std::map<const char*, std::string*> mOpen;
};

TEST_F(Effects, AnIncludeUnderBothRootsComesFromTheFirstRoot) {
  std::string framework = TempDir(), project = TempDir();
  WriteText(framework + "/shared.fxi", "-- common\nuniform vec4 gColor = vec4(0.0, 0.0, 1.0, 1.0);\n");
  WriteText(project + "/shared.fxi", "-- common\nuniform vec4 gColor = vec4(1.0, 0.0, 0.0, 1.0);\n");
  WriteText(project + "/only.fxi", "-- common\nuniform float gScale = 1.0;\n");
  TwoRoots include({framework, project});
  ID3D10Effect* effect = EffectFromText(device, R"(#include "shared.fxi"
#include "only.fxi"
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gColor * gScale; }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)", nullptr, &include, (project + "/user.fx").c_str());
  ASSERT_NE(nullptr, effect);
  EXPECT_EQ(0x0000FFFFu, Render(effect, "T"));
  EXPECT_EQ(2, include.opens);
  EXPECT_EQ(2, include.closes);
  effect->Release();

  // Found under neither root: the load fails and says which include.
  ReportCapture reports;
  EXPECT_EQ(nullptr, EffectFromText(device, "#include \"nowhere.fxi\"\n", nullptr, &include, "user.fx"));
  EXPECT_TRUE(reports.Contains("user.fx:1: error: cannot open include file \"nowhere.fxi\""));
}

TEST_F(Effects, UnknownTechniquesPassesAndVariablesAreSafeNoOps) {
  ID3D10Effect* effect = EffectFromText(device, kVariables);
  ASSERT_NE(nullptr, effect);
  ID3D10EffectTechnique* missing = effect->GetTechniqueByName("Missing");
  EXPECT_FALSE(missing->IsValid());
  D3D10_TECHNIQUE_DESC desc;
  desc.Passes = 12345;  // callers loop over Passes without looking at the result
  EXPECT_TRUE(FAILED(missing->GetDesc(&desc)));
  EXPECT_EQ(0u, desc.Passes);
  EXPECT_FALSE(missing->GetPassByIndex(0)->IsValid());
  EXPECT_TRUE(FAILED(missing->GetPassByIndex(0)->Apply(0)));
  D3D10_PASS_DESC pass;
  missing->GetPassByName("p0")->GetDesc(&pass);
  EXPECT_EQ(nullptr, pass.pIAInputSignature);
  EXPECT_FALSE(effect->GetTechniqueByIndex(7)->IsValid());
  EXPECT_FALSE(effect->GetTechniqueByName("T")->GetPassByIndex(1)->IsValid());

  ID3D10EffectVariable* nothing = effect->GetVariableByName("gNothing");
  EXPECT_FALSE(nothing->IsValid());
  EXPECT_TRUE(FAILED(nothing->AsScalar()->SetFloat(1.0f)));
  const float v[16] = {};
  EXPECT_TRUE(FAILED(nothing->AsVector()->SetFloatVector(v)));
  EXPECT_TRUE(FAILED(nothing->AsMatrix()->SetMatrix(v)));
  EXPECT_TRUE(FAILED(nothing->AsShaderResource()->SetResource(nullptr)));
  EXPECT_FALSE(nothing->GetElement(0)->AsScalar()->IsValid());
  EXPECT_FALSE(effect->GetVariableByIndex(1000)->IsValid());

  // A cast to the wrong class is invalid too, and says so once.
  ReportCapture reports;
  EXPECT_FALSE(effect->GetVariableByName("gColor")->AsScalar()->IsValid());
  EXPECT_FALSE(effect->GetVariableByName("gColor")->AsScalar()->IsValid());
  EXPECT_EQ(1u, reports.lines.size());
  EXPECT_TRUE(reports.Contains("gColor"));
  float f = 0;
  EXPECT_TRUE(FAILED(effect->GetVariableByName("gColor")->AsScalar()->GetFloat(&f)));
  effect->Release();
}

TEST_F(Effects, ACompileErrorIsReportedWithFileAndLineAndLeavesTheEffectNull) {
  std::string dir = TempDir();
  WriteText(dir + "/inc.fxi", "-- common\nuniform float gScale = 2.0;\nfloat Broken() { return undefinedName; }\n");
  WriteText(dir + "/bad.fx", R"(#include "inc.fxi"
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0) * gScale; }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = vec4(1.0); }
-- technique T
pass p0 vertex=VS fragment=PS
)");
  ReportCapture reports;
  ID3D10Effect* effect = reinterpret_cast<ID3D10Effect*>(1);
  ID3D10Blob* errors = nullptr;
  HRESULT hr = D3DX10CreateEffectFromFileA((dir + "/bad.fx").c_str(), nullptr, nullptr, "fx_4_0", 0, 0, device,
                                           nullptr, nullptr, &effect, &errors, nullptr);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(nullptr, effect);
  // The error is in the included file, on its third line.
  EXPECT_TRUE(reports.Contains(dir + "/inc.fxi:3:")) << (reports.lines.empty() ? "" : reports.lines[0]);
  ASSERT_NE(nullptr, errors);
  EXPECT_NE(nullptr, strstr(static_cast<const char*>(errors->GetBufferPointer()), "inc.fxi:3:"));
  errors->Release();

  // Format errors name their line too; a missing file is its own error.
  reports.lines.clear();
  EXPECT_EQ(nullptr, EffectFromText(device, "-- common\nuniform float a;\n-- technique T\npass p0 fragment=X blend=sideways\n",
                                    nullptr, nullptr, "format.fx"));
  EXPECT_TRUE(reports.Contains("format.fx:4: error: unknown pass setting \"blend=sideways\""));
  EXPECT_TRUE(reports.Contains("format.fx:4: error: pass \"p0\" has no vertex stage"));
  HRESULT result = S_OK;
  EXPECT_EQ(D3D10_ERROR_FILE_NOT_FOUND,
            D3DX10CreateEffectFromFileA((dir + "/absent.fx").c_str(), nullptr, nullptr, "fx_4_0", 0, 0, device,
                                        nullptr, nullptr, &effect, nullptr, &result));
  EXPECT_EQ(D3D10_ERROR_FILE_NOT_FOUND, result);
  EXPECT_EQ(nullptr, effect);
}

TEST_F(Effects, APrecompiledFileLoadsTheSameAsItsSource) {
  std::string dir = TempDir();
  WriteText(dir + "/lib.fxi", "-- common\nuniform vec4 gTint = vec4(0.0, 1.0, 0.0, 1.0);\n");
  WriteText(dir + "/fx.fx", R"(#include "lib.fxi"
-- common
uniform float gGain = 0.5;
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gTint * gGain; }
-- technique First
pass p0 vertex=VS fragment=PS depth=off cull=none
-- technique Second
pass a vertex=VS fragment=PS blend=add depth=off cull=none
pass b vertex=VS fragment=PS blend=add depth=off cull=none
)");
  std::string command = std::string(DUSK_BIN_DIR) + "/dusk-effect -o " + dir + "/fx.fxo " + dir + "/fx.fx";
  ASSERT_EQ(0, system(command.c_str())) << command;
  ID3D10Effect* effects[2] = {};
  for (int k = 0; k < 2; ++k)
    ASSERT_EQ(S_OK, D3DX10CreateEffectFromFileA((dir + (k ? "/fx.fxo" : "/fx.fx")).c_str(), nullptr, nullptr,
                                                "fx_4_0", 0, 0, device, nullptr, nullptr, &effects[k], nullptr,
                                                nullptr));
  D3D10_EFFECT_DESC a, b;
  effects[0]->GetDesc(&a);
  effects[1]->GetDesc(&b);
  EXPECT_EQ(a.GlobalVariables, b.GlobalVariables);
  EXPECT_EQ(a.Techniques, b.Techniques);
  D3D10_TECHNIQUE_DESC t;
  effects[1]->GetTechniqueByName("Second")->GetDesc(&t);
  EXPECT_EQ(2u, t.Passes);
  EXPECT_EQ(Render(effects[0], "First"), Render(effects[1], "First"));
  uint32_t half = Render(effects[1], "First");
  EXPECT_NEAR(128, int((half >> 16) & 255), 1);
  EXPECT_EQ(0u, half >> 24);

  // Messages about a precompiled file still name the original file and line.
  std::ifstream in(dir + "/fx.fxo");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = text.find("oColor = gTint * gGain;");
  ASSERT_NE(std::string::npos, at);
  text.replace(at, 23, "oColor = gTint * gMissing;");
  WriteText(dir + "/broken.fxo", text);
  ReportCapture reports;
  ID3D10Effect* broken = nullptr;
  D3DX10CreateEffectFromFileA((dir + "/broken.fxo").c_str(), nullptr, nullptr, "fx_4_0", 0, 0, device, nullptr,
                              nullptr, &broken, nullptr, nullptr);
  EXPECT_EQ(nullptr, broken);
  EXPECT_TRUE(reports.Contains(dir + "/fx.fx:9:"));
  effects[0]->Release();
  effects[1]->Release();
}

TEST_F(Effects, ApplyUploadsAUniformOnlyWhenItsValueChanged) {
  ID3D10Effect* effect = EffectFromText(device, kVariables);
  ASSERT_NE(nullptr, effect);
  ID3D10EffectPass* pass = effect->GetTechniqueByName("T")->GetPassByIndex(0);
  unsigned long long first = 0, after = 0;
  pass->Apply(0);
  d3d10gl::DeviceCounters(device, nullptr, nullptr, &first);
  EXPECT_GE(first, 7u);  // every active uniform once
  pass->Apply(0);
  pass->Apply(0);
  ID3D10EffectScalarVariable* gain = effect->GetVariableByName("gFloat")->AsScalar();
  gain->SetFloat(0.25f);  // the value it already has
  pass->Apply(0);
  d3d10gl::DeviceCounters(device, nullptr, nullptr, &after);
  EXPECT_EQ(first, after);
  gain->SetFloat(0.5f);
  pass->Apply(0);
  d3d10gl::DeviceCounters(device, nullptr, nullptr, &after);
  EXPECT_EQ(first + 1, after);
  effect->Release();
}

}  // namespace
