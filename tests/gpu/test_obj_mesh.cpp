// An OBJ model drawn through fw_ObjMesh on a software device with the framework's pool: two
// materials (one plain, one textured) each in its own colours, "MeshTextures" left alone by a
// material without textures, the material variables set per subset, and an empty mesh that
// draws nothing.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <platform/d3dx10.h>
#include <platform/win32.h>

#include "core_gpu.h"
#include "diag/fw_Alert.h"
#include "res/fw_Effect.h"
#include "res/fw_ObjMesh.h"
#include "res/fw_Paths.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"

namespace {

constexpr UINT kSize = 64;

const char kMeshEffect[] = R"(#include "fw_Globals.fxi"
-- vertex MeshVS
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;
layout(location = 2) in vec2 TEXCOORD;
layout(location = 0) out vec2 vUv;
void main()
{
    gl_Position = vec4(POSITION.xy, 0.5 + NORMAL.z * 0.25, 1.0);
    vUv = TEXCOORD;
}
-- fragment MeshPS
layout(location = 0) in vec2 vUv;
layout(location = 0) out vec4 oColour;
void main()
{
    oColour = vec4(Diffuse.rgb * 0.5 + textureLod(MeshTextures[0], vUv, 0.0).rgb * 0.5, 1.0);
}
-- vertex RevealVS
layout(location = 0) in vec3 POSITION;
layout(location = 0) out float vIndex;
void main()
{
    gl_Position = vec4(POSITION.xy, 0.5, 1.0);
    vIndex = float(gl_VertexID);
}
-- fragment RevealPS
layout(location = 0) in float vIndex;
layout(location = 0) out vec4 oColour;
void main()
{
    oColour = vec4(vIndex / 16.0, 1.0, 0.0, 1.0);
}
-- technique Reveal
pass p0 vertex=RevealVS fragment=RevealPS blend=none depth=off cull=none fill=solid
-- technique Mesh
pass p0 vertex=MeshVS fragment=MeshPS blend=none depth=off cull=none fill=solid
-- technique plain
pass p0 vertex=MeshVS fragment=MeshPS blend=none depth=off cull=none fill=solid
)";

class ObjMeshGpu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(device.get(), nullptr);
    fw_SetAlertMode(2);
    dir = std::filesystem::temp_directory_path() / ("dusk_obj_mesh_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "data");
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(dir.string().c_str());
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    fw_SetRenderSize(kSize, kSize);
    fw_SetOutputSize(kSize, kSize);
    ASSERT_EQ(fw_LoadResources(), S_OK);

    std::filesystem::copy_file(std::string(DUSK_SOURCE_DIR) + "/tests/data/meshes/quads.obj", dir / "quads.obj");
    std::ofstream(dir / "quads.mtl") << "newmtl plain\nKd 1 0 0\nKa 0.1 0.2 0.3\n"
                                     << "newmtl textured\nKd 1 1 1\nmap_Kd " << DUSK_SOURCE_DIR
                                     << "/tests/data/images/rows.png\n";

    const std::string source = core_test::FrameworkRoot() + "/src/shaders/obj_mesh_test.fx";
    effect.mPath = source;
    D3DX10CreateEffectFromMemory(kMeshEffect, sizeof kMeshEffect - 1, source.c_str(), nullptr, nullptr, "fx_4_0", 0,
                                 D3D10_EFFECT_COMPILE_CHILD_EFFECT, device.get(), fw_GetEffectPool(), nullptr,
                                 &effect.mEffect, nullptr, nullptr);
    ASSERT_NE(effect.mEffect, nullptr);

    D3D10_TEXTURE2D_DESC desc = {kSize, kSize, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                 D3D10_BIND_RENDER_TARGET, 0, 0};
    device.get()->CreateTexture2D(&desc, nullptr, &target);
    device.get()->CreateRenderTargetView(target, nullptr, &rtv);
    const float black[4] = {0, 0, 0, 1};
    device.get()->ClearRenderTargetView(rtv, black);
    device.get()->OMSetRenderTargets(1, &rtv, nullptr);
    D3D10_VIEWPORT viewport = {0, 0, kSize, kSize, 0.0f, 1.0f};
    device.get()->RSSetViewports(1, &viewport);

    // A one-texel green texture in MeshTextures before any mesh draws.
    const uint8_t green[4] = {0, 255, 0, 255};
    D3D10_TEXTURE2D_DESC greenDesc = {1, 1, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                      D3D10_BIND_SHADER_RESOURCE, 0, 0};
    D3D10_SUBRESOURCE_DATA data = {green, 4, 4};
    device.get()->CreateTexture2D(&greenDesc, &data, &greenTexture);
    device.get()->CreateShaderResourceView(greenTexture, nullptr, &greenView);
    fw_GetEffectPool()->AsEffect()->GetVariableByName("MeshTextures")->AsShaderResource()->SetResourceArray(&greenView, 0, 1);
  }

  void TearDown() override {
    if (device.get()) device.get()->ClearState();
    for (IUnknown* object : std::initializer_list<IUnknown*>{greenView, greenTexture, rtv, target})
      if (object) object->Release();
    effect.release();
    fw_ReleaseFrameworkResources();
    SetCurrentDirectoryA(previous);
    std::filesystem::remove_all(dir);
  }

  std::vector<uint8_t> Pixels() {
    D3D10_TEXTURE2D_DESC desc;
    target->GetDesc(&desc);
    desc.Usage = D3D10_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    ID3D10Texture2D* staging = nullptr;
    device.get()->CreateTexture2D(&desc, nullptr, &staging);
    device.get()->CopyResource(staging, target);
    std::vector<uint8_t> pixels(kSize * kSize * 4);
    D3D10_MAPPED_TEXTURE2D mapped{};
    if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) {
      for (UINT y = 0; y < kSize; ++y)
        std::memcpy(&pixels[y * kSize * 4], static_cast<uint8_t*>(mapped.pData) + y * mapped.RowPitch, kSize * 4);
      staging->Unmap(0);
    }
    staging->Release();
    return pixels;
  }

  static void ExpectColour(const std::vector<uint8_t>& pixels, UINT x, UINT y, int r, int g, int b) {
    const uint8_t* p = &pixels[(y * kSize + x) * 4];
    EXPECT_NEAR(p[0], r, 2) << "at " << x << "," << y;
    EXPECT_NEAR(p[1], g, 2) << "at " << x << "," << y;
    EXPECT_NEAR(p[2], b, 2) << "at " << x << "," << y;
  }

  core_test::OffscreenDevice device;
  std::filesystem::path dir;
  char previous[4096] = {};
  fw_Effect effect;
  ID3D10Texture2D* target = nullptr;
  ID3D10RenderTargetView* rtv = nullptr;
  ID3D10Texture2D* greenTexture = nullptr;
  ID3D10ShaderResourceView* greenView = nullptr;
};

}  // namespace

TEST_F(ObjMeshGpu, BothMaterialsDrawInTheirOwnColours) {
  fw_ObjMesh mesh(dir.string(), "quads.obj", &effect);
  ASSERT_NE(mesh.mMesh, nullptr);
  ASSERT_EQ(mesh.mMaterials.size(), 2u);
  EXPECT_EQ(mesh.mAttributeRangeCount, 2u);
  EXPECT_TRUE(mesh.mVertices.empty());
  EXPECT_TRUE(mesh.mIndices.empty());
  EXPECT_TRUE(mesh.mFaceMaterials.empty());
  ASSERT_EQ(mesh.mMaterials[1]->textures.size(), 1u);
  EXPECT_NE(mesh.mMaterials[1]->textures[0], nullptr);
  // "plain" has a technique of its name in the effect, "textured" the invalid one.
  ASSERT_NE(mesh.mMaterials[0]->technique, nullptr);
  EXPECT_TRUE(mesh.mMaterials[0]->technique->IsValid());
  EXPECT_FALSE(mesh.mMaterials[1]->technique->IsValid());
  EXPECT_NE(mesh.mMaterialLayout, nullptr);

  ID3D10EffectTechnique* technique = effect.getTechniqueByName("Mesh");
  mesh.prepareForTechnique(technique);
  ASSERT_NE(mesh.mLayouts[fw_ObjMesh::kOwnerLayoutSlot], nullptr);
  mesh.drawWithTechnique(technique);
  std::vector<uint8_t> pixels = Pixels();
  // Left: red diffuse over the green texture the pool held before (no textures of its own).
  ExpectColour(pixels, kSize / 4, kSize / 4, 128, 128, 0);
  ExpectColour(pixels, kSize / 4, 3 * kSize / 4, 128, 128, 0);
  // Right: white diffuse over rows.png, red on top and blue below.
  ExpectColour(pixels, 3 * kSize / 4, kSize / 4, 255, 128, 128);
  ExpectColour(pixels, 3 * kSize / 4, 3 * kSize / 4, 128, 128, 255);

  // The last subset's material stays in the pool's variables.
  float ambient[4], specular[4], power = 0;
  fw_GetGlobals().Ambient->GetFloatVector(ambient);
  fw_GetGlobals().Specular->GetFloatVector(specular);
  fw_GetGlobals().SpecularPower->GetFloat(&power);
  EXPECT_FLOAT_EQ(ambient[0], 0.2f);
  EXPECT_FLOAT_EQ(specular[3], 1.0f);
  EXPECT_FLOAT_EQ(power, 20.0f);

  // Drawn again, the plain quad keeps the texture the textured one left behind.
  mesh.drawWithTechnique(technique);
  pixels = Pixels();
  ExpectColour(pixels, kSize / 4, kSize / 4, 255, 0, 0);
  ExpectColour(pixels, kSize / 4, 3 * kSize / 4, 128, 0, 128);

  mesh.release();
  mesh.release();
  EXPECT_EQ(mesh.mMesh, nullptr);
  EXPECT_EQ(mesh.mAttributeRangeCount, 0u);
}

TEST_F(ObjMeshGpu, AnUnreadableModelIsAnEmptyMeshThatDrawsNothing) {
  fw_ObjMesh mesh(dir.string(), "missing.obj", nullptr);
  EXPECT_EQ(mesh.mMesh, nullptr);
  EXPECT_EQ(mesh.mAttributeRangeCount, 0u);
  ID3D10EffectTechnique* technique = effect.getTechniqueByName("Mesh");
  mesh.prepareForTechnique(technique);
  mesh.drawWithTechnique(technique);
  mesh.drawWithTechnique(effect.getTechniqueByName("NoSuchTechnique"));
  std::vector<uint8_t> pixels = Pixels();
  for (UINT i = 0; i < kSize * kSize; ++i) ASSERT_EQ(pixels[4 * i] + pixels[4 * i + 1] + pixels[4 * i + 2], 0);
}

TEST_F(ObjMeshGpu, AMaterialWithoutFacesShiftsNoSubset) {
  // "ghost" is selected first but never gets a face: the one subset has attribute id 1 and must
  // draw with "textured", not with material 0.
  std::ofstream(dir / "ghost.obj") << "mtllib quads.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                                   << "vt 0 1\nvt 1 1\nvt 1 0\nvt 0 0\n"
                                   << "usemtl ghost\nusemtl textured\nf 1/1 4/4 3/3\nf 1/1 3/3 2/2\n";
  std::ofstream(dir / "quads.mtl", std::ios::app) << "newmtl ghost\nKd 0 1 0\n";
  fw_ObjMesh mesh(dir.string(), "ghost.obj", nullptr);
  ASSERT_EQ(mesh.mMaterials.size(), 2u);
  ASSERT_EQ(mesh.mAttributeRangeCount, 1u);
  EXPECT_EQ(mesh.mAttributeTable[0].AttribId, 1u);
  ID3D10EffectTechnique* technique = effect.getTechniqueByName("Mesh");
  mesh.prepareForTechnique(technique);
  mesh.drawWithTechnique(technique);
  std::vector<uint8_t> pixels = Pixels();
  ExpectColour(pixels, kSize / 2, kSize / 4, 255, 128, 128);
  ExpectColour(pixels, kSize / 2, 3 * kSize / 4, 128, 128, 255);
}

TEST_F(ObjMeshGpu, TheRevealDrawsTheFacesReachingDownToItsHeightWithTheirOwnVertices) {
  // Three triangles apart, listed top first: low (y -0.9 to -0.5), middle (-0.2 to 0.2), top
  // (0.5 to 0.9). The technique colours by vertex index, so a face drawn with other vertices than
  // its own would change colour.
  std::ofstream(dir / "stack.obj") << "v -0.5 0.5 0\nv 0.5 0.5 0\nv 0 0.9 0\n"
                                   << "v -0.5 -0.9 0\nv 0.5 -0.9 0\nv 0 -0.5 0\n"
                                   << "v -0.5 -0.2 0\nv 0.5 -0.2 0\nv 0 0.2 0\n"
                                   << "f 1 2 3\nf 4 5 6\nf 7 8 9\n";
  fw_ObjMesh mesh(dir.string(), "stack.obj", nullptr);
  ASSERT_NE(mesh.mMesh, nullptr);
  ID3D10EffectTechnique* technique = effect.getTechniqueByName("Reveal");
  mesh.prepareForTechnique(technique);
  const float black[4] = {0, 0, 0, 1};
  auto drawn = [&](float height) {
    device.get()->ClearRenderTargetView(rtv, black);
    if (std::isinf(height))
      mesh.drawWithTechnique(technique);
    else
      mesh.drawFacesAtOrBelow(technique, height);
    return Pixels();
  };
  auto lit = [](const std::vector<uint8_t>& pixels, float y) {
    const UINT row = static_cast<UINT>((1.0f - y) * 0.5f * kSize);
    return pixels[(row * kSize + kSize / 2) * 4 + 1] == 255;
  };
  const std::vector<uint8_t> whole = drawn(INFINITY);
  ASSERT_TRUE(lit(whole, -0.7f) && lit(whole, 0.0f) && lit(whole, 0.7f));

  const std::vector<uint8_t> none = drawn(-0.95f), low = drawn(-0.9f), upToMiddle = drawn(0.0f), all = drawn(0.5f);
  EXPECT_FALSE(lit(none, -0.7f));
  EXPECT_TRUE(lit(low, -0.7f)) << "a face whose lowest corner is at the height";
  EXPECT_FALSE(lit(low, 0.0f));
  EXPECT_TRUE(lit(upToMiddle, -0.7f));
  EXPECT_TRUE(lit(upToMiddle, 0.0f)) << "a face reaching down past the height";
  EXPECT_FALSE(lit(upToMiddle, 0.7f));
  EXPECT_EQ(all, whole);
  // NaN reveals nothing.
  EXPECT_FALSE(lit(drawn(NAN), -0.7f));
}
