// The Direct3D 10 stand-in on Mesa's software rasteriser: driver types, D3D's raster conventions
// (clip space, viewport origin, texture rows, front faces), clears, depth, blending, fill modes,
// float targets, 3D textures, reference counts and the DXGI chain. Pixels come back through
// staging textures.
#include "test_d3d10_support.h"

#include "../../libraries/platform/d3d10/d3d10_sdl2_p.h"

#include <platform/d3d10_debug.h>

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest-spi.h>

using namespace gfxtest;

namespace {

const char* kEffect = R"(
-- common
uniform vec4 gColor = vec4(1.0, 0.0, 0.0, 1.0);
uniform float gDepth = 0.5;
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION.xy, gDepth, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gColor; }
-- technique Plain
pass p0 vertex=VS fragment=PS depth=off cull=none
-- technique DepthWrite
pass p0 vertex=VS fragment=PS depth=write cull=none
-- technique DepthTest
pass p0 vertex=VS fragment=PS depth=test cull=none
-- technique Add
pass p0 vertex=VS fragment=PS blend=add depth=off cull=none
-- technique Alpha
pass p0 vertex=VS fragment=PS blend=alpha depth=off cull=none
-- technique Wire
pass p0 vertex=VS fragment=PS fill=wireframe depth=off cull=none
-- technique CullBack
pass p0 vertex=VS fragment=PS depth=off cull=back
-- technique CullFront
pass p0 vertex=VS fragment=PS depth=off cull=front
)";

// Two triangles over the whole of clip space, clockwise on screen (the platform's front faces).
const std::vector<float> kQuad = {-1, 1, 0, 1, 1, 0, 1, -1, 0, -1, 1, 0, 1, -1, 0, -1, -1, 0};

class D3D10Render : public ::testing::Test {
 protected:
  void SetUp() override {
    device = MakeDevice();
    ASSERT_NE(nullptr, device);
    effect = EffectFromText(device, kEffect);
    ASSERT_NE(nullptr, effect);
  }
  void TearDown() override {
    if (effect) effect->Release();
    if (device) {
      device->ClearState();
      EXPECT_EQ(0u, device->Release());
    }
  }

  void SetColor(float r, float g, float b, float a) {
    const float c[4] = {r, g, b, a};
    effect->GetVariableByName("gColor")->AsVector()->SetFloatVector(c);
  }

  void Draw(const char* technique, const std::vector<float>& triangles) {
    ID3D10EffectTechnique* t = effect->GetTechniqueByName(technique);
    Geometry geometry(device, t, triangles);
    geometry.Bind(device);
    t->GetPassByIndex(0)->Apply(0);
    device->Draw(UINT(triangles.size() / 3), 0);
  }

  void Bind(Target& target, ID3D10DepthStencilView* depth = nullptr) {
    device->OMSetRenderTargets(1, &target.view, depth);
    D3D10_VIEWPORT vp = target.Viewport();
    device->RSSetViewports(1, &vp);
  }

  ID3D10Device* device = nullptr;
  ID3D10Effect* effect = nullptr;
};

TEST(D3D10Driver, HardwareIsRefusedOnASoftwareRasteriserAndWarpIsNot) {
  ID3D10Device* hardware = nullptr;
  HRESULT hr = D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, &hardware);
  ID3D10Device* warp = MakeDevice();
  ASSERT_NE(nullptr, warp);
  std::string renderer = d3d10gl::RendererOf(warp);
  if (renderer.find("llvmpipe") != std::string::npos || renderer.find("softpipe") != std::string::npos) {
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(nullptr, hardware);
  }
  if (hardware) hardware->Release();
  // The reference rasteriser needs softpipe with GL 4.5; whatever it answers, it answers cleanly.
  ID3D10Device* reference = nullptr;
  hr = D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_REFERENCE, nullptr, 0, D3D10_SDK_VERSION, &reference);
  if (SUCCEEDED(hr)) {
    EXPECT_NE(std::string::npos, std::string(d3d10gl::RendererOf(reference)).find("softpipe"));
    reference->Release();
  } else {
    EXPECT_EQ(nullptr, reference);
  }
  EXPECT_EQ(E_INVALIDARG, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, 28, &hardware));
  EXPECT_EQ(0u, warp->Release());
}

TEST_F(D3D10Render, TopLeftOfClipSpaceLandsInTopLeftOfTheTarget) {
  Target target(device, 64, 64);
  const float clear[4] = {0, 0, 0, 0};
  device->ClearRenderTargetView(target.view, clear);
  Bind(target);
  SetColor(1, 0, 0, 1);
  Draw("Plain", {-1, 1, 0, 0, 1, 0, -1, 0, 0});  // the top-left quarter's upper-left half
  std::vector<uint8_t> pixels = ReadBack(device, target.texture, 4);
  EXPECT_EQ(0xFF0000FFu, Rgba(pixels, 64, 2, 2));
  EXPECT_EQ(0u, Rgba(pixels, 64, 61, 2));
  EXPECT_EQ(0u, Rgba(pixels, 64, 2, 61));
  EXPECT_EQ(0u, Rgba(pixels, 64, 61, 61));
  EXPECT_EQ(0u, Rgba(pixels, 64, 30, 30));  // below the diagonal
}

TEST_F(D3D10Render, ViewportTopLeftYCountsRowsFromTheTop) {
  const UINT H = 200;
  Target target(device, 16, H);
  const float clear[4] = {0, 0, 0, 0};
  device->ClearRenderTargetView(target.view, clear);
  device->OMSetRenderTargets(1, &target.view, nullptr);
  D3D10_VIEWPORT vp{0, 60, 16, H - 120, 0.0f, 1.0f};
  device->RSSetViewports(1, &vp);
  SetColor(0, 1, 0, 1);
  Draw("Plain", kQuad);
  std::vector<uint8_t> pixels = ReadBack(device, target.texture, 4);
  for (UINT y = 0; y < H; ++y) {
    bool inside = y >= 60 && y < H - 60;
    ASSERT_EQ(inside ? 0x00FF00FFu : 0u, Rgba(pixels, 16, 8, y)) << "row " << y;
  }
  UINT n = 0;
  D3D10_VIEWPORT back[2];
  device->RSGetViewports(&n, nullptr);
  EXPECT_EQ(1u, n);
  device->RSGetViewports(&n, back);
  EXPECT_EQ(60, back[0].TopLeftY);
}

TEST_F(D3D10Render, TextureRowZeroIsSampledAtVZero) {
  // Rows: 0 red, 1 and 2 blue, 3 green.
  uint32_t texels[4][2];
  for (int x = 0; x < 2; ++x) {
    texels[0][x] = 0xFF0000FFu;
    texels[1][x] = texels[2][x] = 0xFFFF0000u;
    texels[3][x] = 0xFF00FF00u;
  }
  ID3D10Texture2D* texture =
      MakeTexture(device, 2, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, texels, 8);
  ASSERT_NE(nullptr, texture);
  ID3D10ShaderResourceView* view = nullptr;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture, nullptr, &view));
  ID3D10Effect* sampler = EffectFromText(device, R"(
-- common
uniform sampler2D gTexture;
-- sampler gTexture filter=point address=clamp
-- vertex VS
layout(location = 0) in vec3 POSITION;
layout(location = 0) out vec2 vUV;
void main() { gl_Position = vec4(POSITION, 1.0); vUV = vec2(POSITION.x * 0.5 + 0.5, 0.5 - POSITION.y * 0.5); }
-- fragment PS
layout(location = 0) in vec2 vUV;
layout(location = 0) out vec4 oColor;
void main() { oColor = texture(gTexture, vUV); }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)");
  ASSERT_NE(nullptr, sampler);
  ASSERT_EQ(S_OK, sampler->GetVariableByName("gTexture")->AsShaderResource()->SetResource(view));
  Target target(device, 2, 4);
  Bind(target);
  ID3D10EffectTechnique* t = sampler->GetTechniqueByName("T");
  Geometry quad(device, t, kQuad);
  quad.Bind(device);
  t->GetPassByIndex(0)->Apply(0);
  device->Draw(6, 0);
  std::vector<uint8_t> pixels = ReadBack(device, target.texture, 4);
  EXPECT_EQ(0xFF0000FFu, Rgba(pixels, 2, 0, 0));  // top row of the target shows texture row 0
  EXPECT_EQ(0x0000FFFFu, Rgba(pixels, 2, 1, 1));
  EXPECT_EQ(0x00FF00FFu, Rgba(pixels, 2, 1, 3));
  sampler->Release();
  view->Release();
  texture->Release();
}

TEST_F(D3D10Render, DepthTestAndWriteWithD32Float) {
  Target target(device, 8, 8);
  ID3D10Texture2D* depth = MakeTexture(device, 8, 8, DXGI_FORMAT_D32_FLOAT, D3D10_BIND_DEPTH_STENCIL);
  ASSERT_NE(nullptr, depth);
  ID3D10DepthStencilView* dsv = nullptr;
  D3D10_DEPTH_STENCIL_VIEW_DESC dsvDesc{};
  dsvDesc.Format = DXGI_FORMAT_D32_FLOAT;
  dsvDesc.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth, &dsvDesc, &dsv));
  D3D10_DEPTH_STENCIL_VIEW_DESC read;
  dsv->GetDesc(&read);
  EXPECT_EQ(D3D10_DSV_DIMENSION_TEXTURE2D, read.ViewDimension);
  const float black[4] = {0, 0, 0, 0};
  device->ClearRenderTargetView(target.view, black);
  device->ClearDepthStencilView(dsv, D3D10_CLEAR_DEPTH, 1.0f, 0);
  Bind(target, dsv);

  ID3D10EffectScalarVariable* z = effect->GetVariableByName("gDepth")->AsScalar();
  z->SetFloat(0.5f);
  SetColor(1, 0, 0, 1);
  Draw("DepthWrite", kQuad);  // red at 0.5, written
  z->SetFloat(0.7f);
  SetColor(0, 1, 0, 1);
  Draw("DepthTest", kQuad);  // behind: rejected
  EXPECT_EQ(0xFF0000FFu, Rgba(ReadBack(device, target.texture, 4), 8, 4, 4));
  z->SetFloat(0.3f);
  SetColor(0, 0, 1, 1);
  Draw("DepthTest", kQuad);  // in front: drawn, but the depth stays 0.5
  EXPECT_EQ(0x0000FFFFu, Rgba(ReadBack(device, target.texture, 4), 8, 4, 4));
  z->SetFloat(0.4f);
  SetColor(0, 1, 0, 1);
  Draw("DepthTest", kQuad);  // 0.4 < 0.5: drawn, so 0.3 was never written
  EXPECT_EQ(0x00FF00FFu, Rgba(ReadBack(device, target.texture, 4), 8, 4, 4));
  std::vector<uint8_t> depths = ReadBack(device, depth, 4);
  float d;
  memcpy(&d, &depths[(4 * 8 + 4) * 4], 4);
  EXPECT_FLOAT_EQ(0.5f, d);
  // A clear reaches the depth buffer even while the last pass left depth writes off.
  device->ClearDepthStencilView(dsv, D3D10_CLEAR_DEPTH, 0.25f, 0);
  depths = ReadBack(device, depth, 4);
  memcpy(&d, &depths[0], 4);
  EXPECT_FLOAT_EQ(0.25f, d);
  dsv->Release();
  depth->Release();
}

TEST_F(D3D10Render, AdditiveAndAlphaBlending) {
  Target target(device, 4, 4);
  const float base[4] = {0.25f, 0.0f, 1.0f, 1.0f};
  device->ClearRenderTargetView(target.view, base);
  Bind(target);
  SetColor(0.5f, 0.25f, 0.0f, 0.0f);
  Draw("Add", kQuad);
  uint32_t added = Rgba(ReadBack(device, target.texture, 4), 4, 1, 1);
  EXPECT_NEAR(191, int(added >> 24), 1);
  EXPECT_NEAR(64, int((added >> 16) & 255), 1);
  EXPECT_EQ(255u, (added >> 8) & 255);
  SetColor(1.0f, 0.0f, 0.0f, 0.25f);
  Draw("Alpha", kQuad);  // 0.25 * red over (0.75, 0.25, 1)
  uint32_t blended = Rgba(ReadBack(device, target.texture, 4), 4, 1, 1);
  EXPECT_NEAR(int(255 * (0.25 + 0.75 * 0.75)), int(blended >> 24), 2);
  EXPECT_NEAR(int(255 * 0.75 * 0.25), int((blended >> 16) & 255), 2);
  EXPECT_NEAR(int(255 * 0.75), int((blended >> 8) & 255), 2);
}

TEST_F(D3D10Render, WireframeDrawsEdgesOnly) {
  Target target(device, 32, 32);
  const float black[4] = {0, 0, 0, 0};
  device->ClearRenderTargetView(target.view, black);
  Bind(target);
  SetColor(1, 1, 1, 1);
  Draw("Wire", {-0.9f, 0.9f, 0, 0.9f, 0.9f, 0, 0.9f, -0.9f, 0});
  std::vector<uint8_t> pixels = ReadBack(device, target.texture, 4);
  EXPECT_EQ(0u, Rgba(pixels, 32, 22, 10));  // inside the triangle
  int lit = 0;
  for (UINT x = 0; x < 32; ++x) lit += Rgba(pixels, 32, x, 1) != 0 || Rgba(pixels, 32, x, 2) != 0;
  EXPECT_GT(lit, 20);  // the top edge
}

TEST_F(D3D10Render, ClockwiseTrianglesAreFrontFaces) {
  Target target(device, 8, 8);
  const float black[4] = {0, 0, 0, 0};
  const std::vector<float> clockwise = {-1, 1, 0, 1, 1, 0, 1, -1, 0};
  const std::vector<float> counter = {-1, 1, 0, 1, -1, 0, 1, 1, 0};
  Bind(target);
  SetColor(1, 1, 1, 1);
  struct Case {
    const char* technique;
    const std::vector<float>* triangle;
    bool drawn;
  } cases[] = {{"CullBack", &clockwise, true}, {"CullBack", &counter, false},
               {"CullFront", &clockwise, false}, {"CullFront", &counter, true}};
  for (const Case& c : cases) {
    device->ClearRenderTargetView(target.view, black);
    Draw(c.technique, *c.triangle);
    EXPECT_EQ(c.drawn, Rgba(ReadBack(device, target.texture, 4), 8, 6, 1) != 0)
        << c.technique << (c.triangle == &clockwise ? " clockwise" : " counter-clockwise");
  }
}

TEST_F(D3D10Render, EightAddsOfAnEighthInRgba16FGiveTheAverage) {
  Target target(device, 4, 4, DXGI_FORMAT_R16G16B16A16_FLOAT);
  const float zero[4] = {0, 0, 0, 0};
  device->ClearRenderTargetView(target.view, zero);
  Bind(target);
  const float values[8] = {0.1f, 0.9f, 0.3f, 0.7f, 2.0f, 0.0f, 0.5f, 1.5f};
  float sum = 0;
  for (float v : values) {
    SetColor(v * 0.125f, 1.0f * 0.125f, 0.0f, 0.125f);
    Draw("Add", kQuad);
    sum += v;
  }
  std::vector<uint8_t> pixels = ReadBack(device, target.texture, 8);
  uint16_t half[4];
  memcpy(half, &pixels[(1 * 4 + 1) * 8], 8);
  EXPECT_NEAR(sum / 8, HalfToFloat(half[0]), 2e-3);
  EXPECT_NEAR(1.0f, HalfToFloat(half[1]), 1e-3);
  EXPECT_NEAR(1.0f, HalfToFloat(half[3]), 1e-3);
}

TEST_F(D3D10Render, R32FloatAndRG16FloatTargetsKeepTheirValues) {
  Target r32(device, 4, 4, DXGI_FORMAT_R32_FLOAT);
  Target rg16(device, 4, 4, DXGI_FORMAT_R16G16_FLOAT);
  ASSERT_NE(nullptr, r32.view);
  ASSERT_NE(nullptr, rg16.view);
  SetColor(3.75f, -2.25f, 0, 1);
  Bind(r32);
  Draw("Plain", kQuad);
  Bind(rg16);
  Draw("Plain", kQuad);
  std::vector<uint8_t> a = ReadBack(device, r32.texture, 4);
  float f;
  memcpy(&f, &a[20], 4);
  EXPECT_FLOAT_EQ(3.75f, f);
  std::vector<uint8_t> b = ReadBack(device, rg16.texture, 4);
  uint16_t h[2];
  memcpy(h, &b[20], 4);
  EXPECT_FLOAT_EQ(3.75f, HalfToFloat(h[0]));
  EXPECT_FLOAT_EQ(-2.25f, HalfToFloat(h[1]));
}

TEST_F(D3D10Render, VolumeR8TextureIsSampledBySlice) {
  const UINT N = 4;
  std::vector<uint8_t> texels(N * N * N);
  for (UINT z = 0; z < N; ++z)
    for (UINT y = 0; y < N; ++y)
      for (UINT x = 0; x < N; ++x) texels[(z * N + y) * N + x] = uint8_t(16 * z + 4 * y + x);
  D3D10_TEXTURE3D_DESC desc{N, N, N, 1, DXGI_FORMAT_R8_UNORM, D3D10_USAGE_DEFAULT, D3D10_BIND_SHADER_RESOURCE, 0, 0};
  ID3D10Texture3D* volume = nullptr;
  ASSERT_EQ(S_OK, device->CreateTexture3D(&desc, nullptr, &volume));
  // Filled as the framework fills its noise: x fastest, then y, then z.
  device->UpdateSubresource(volume, 0, nullptr, texels.data(), N, N * N);
  ID3D10ShaderResourceView* view = nullptr;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(volume, nullptr, &view));
  D3D10_SHADER_RESOURCE_VIEW_DESC viewDesc;
  view->GetDesc(&viewDesc);
  EXPECT_EQ(D3D10_SRV_DIMENSION_TEXTURE3D, viewDesc.ViewDimension);
  ID3D10Effect* e = EffectFromText(device, R"(
-- common
uniform sampler3D gVolume;
uniform float gSlice;
-- sampler gVolume filter=point
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = vec4(texture(gVolume, vec3(gl_FragCoord.xy / 4.0, (gSlice + 0.5) / 4.0)).r); }
-- technique T
pass p0 vertex=VS fragment=PS depth=off cull=none
)");
  ASSERT_NE(nullptr, e);
  e->GetVariableByName("gVolume")->AsShaderResource()->SetResource(view);
  e->GetVariableByName("gSlice")->AsScalar()->SetFloat(2.0f);
  Target target(device, N, N);
  Bind(target);
  ID3D10EffectTechnique* t = e->GetTechniqueByName("T");
  Geometry quad(device, t, kQuad);
  quad.Bind(device);
  t->GetPassByIndex(0)->Apply(0);
  device->Draw(6, 0);
  std::vector<uint8_t> pixels = ReadBack(device, target.texture, 4);
  for (UINT y = 0; y < N; ++y)
    for (UINT x = 0; x < N; ++x) EXPECT_EQ(32 + 4 * y + x, pixels[(y * N + x) * 4]) << x << "," << y;
  e->Release();
  view->Release();
  volume->Release();
}

TEST_F(D3D10Render, RenderTargetOverEverySliceOfAVolume) {
  const UINT N = 4;
  D3D10_TEXTURE3D_DESC desc{N, N, N, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_USAGE_DEFAULT,
                            D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, 0, 0};
  ID3D10Texture3D* volume = nullptr;
  ASSERT_EQ(S_OK, device->CreateTexture3D(&desc, nullptr, &volume));
  D3D10_RENDER_TARGET_VIEW_DESC rtvDesc{};
  rtvDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  rtvDesc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE3D;
  rtvDesc.Texture3D = {0, 0, N};
  ID3D10RenderTargetView* rtv = nullptr;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(volume, &rtvDesc, &rtv));
  const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  device->ClearRenderTargetView(rtv, grey);

  // A geometry stage sends the quad to every slice, coloured by slice.
  ID3D10Effect* e = EffectFromText(device, R"(
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- geometry GS
layout(triangles) in;
layout(triangle_strip, max_vertices = 12) out;
layout(location = 0) flat out float vSlice;
void main() {
  for (int s = 0; s < 4; ++s) {
    for (int i = 0; i < 3; ++i) { gl_Layer = s; vSlice = float(s); gl_Position = gl_in[i].gl_Position; EmitVertex(); }
    EndPrimitive();
  }
}
-- fragment PS
layout(location = 0) flat in float vSlice;
layout(location = 0) out vec4 oColor;
void main() { oColor = vec4(vSlice / 4.0, 0.0, 0.0, 1.0); }
-- technique T
pass p0 vertex=VS geometry=GS fragment=PS depth=off cull=none
)");
  ASSERT_NE(nullptr, e);
  device->OMSetRenderTargets(1, &rtv, nullptr);
  D3D10_VIEWPORT vp{0, 0, N, N / 2, 0.0f, 1.0f};  // top half of every slice
  device->RSSetViewports(1, &vp);
  ID3D10EffectTechnique* t = e->GetTechniqueByName("T");
  Geometry quad(device, t, kQuad);
  quad.Bind(device);
  t->GetPassByIndex(0)->Apply(0);
  device->Draw(6, 0);

  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  ID3D10Texture3D* staging = nullptr;
  ASSERT_EQ(S_OK, device->CreateTexture3D(&desc, nullptr, &staging));
  device->CopyResource(staging, volume);
  D3D10_MAPPED_TEXTURE3D mapped{};
  ASSERT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &mapped));
  const uint8_t* bytes = static_cast<const uint8_t*>(mapped.pData);
  for (UINT z = 0; z < N; ++z) {
    const uint8_t* top = bytes + z * mapped.DepthPitch + 1 * mapped.RowPitch + 4;
    const uint8_t* bottom = bytes + z * mapped.DepthPitch + 3 * mapped.RowPitch + 4;
    EXPECT_NEAR(int(z * 64), top[0], 1) << "slice " << z;
    EXPECT_EQ(0, top[1]);
    EXPECT_NEAR(128, bottom[0], 1) << "slice " << z << " keeps its clear below the viewport";
    EXPECT_NEAR(128, bottom[1], 1);
  }
  staging->Unmap(0);
  staging->Release();
  e->Release();
  rtv->Release();
  volume->Release();
}

TEST_F(D3D10Render, ViewsKeepTheirResourcesAliveAndCountsAreExact) {
  ID3D10Texture2D* texture = MakeTexture(device, 4, 4, DXGI_FORMAT_R8G8B8A8_UNORM,
                                         D3D10_BIND_SHADER_RESOURCE | D3D10_BIND_RENDER_TARGET);
  ASSERT_NE(nullptr, texture);
  ID3D10ShaderResourceView* srv = nullptr;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture, nullptr, &srv));
  EXPECT_EQ(3u, texture->AddRef());  // ours, the view's, this one
  EXPECT_EQ(2u, texture->Release());
  EXPECT_EQ(1u, texture->Release());  // the view still holds it
  ID3D10Resource* resource = nullptr;
  srv->GetResource(&resource);
  ID3D10Texture2D* again = nullptr;
  ASSERT_EQ(S_OK, resource->QueryInterface(__uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&again)));
  D3D10_TEXTURE2D_DESC desc;
  again->GetDesc(&desc);
  EXPECT_EQ(4u, desc.Width);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.Format);
  again->Release();
  resource->Release();
  EXPECT_EQ(0u, srv->Release());

  // A bound view that dies unbinds itself; drawing afterwards is harmless.
  Target* target = new Target(device, 4, 4);
  Bind(*target);
  delete target;
  ID3D10RenderTargetView* bound = reinterpret_cast<ID3D10RenderTargetView*>(1);
  device->OMGetRenderTargets(1, &bound, nullptr);
  EXPECT_EQ(nullptr, bound);
  Draw("Plain", kQuad);
}

TEST_F(D3D10Render, InputLayoutNeedsEverySemanticThePassReads) {
  D3D10_PASS_DESC pass;
  effect->GetTechniqueByName("Plain")->GetPassByIndex(0)->GetDesc(&pass);
  ASSERT_NE(nullptr, pass.pIAInputSignature);
  ID3D10InputLayout* layout = nullptr;
  D3D10_INPUT_ELEMENT_DESC wrong{"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0};
  ReportCapture reports;
  EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(&wrong, 1, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout));
  EXPECT_EQ(nullptr, layout);
  EXPECT_TRUE(reports.Contains("POSITION"));
  D3D10_INPUT_ELEMENT_DESC both[2] = {wrong, {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0}};
  EXPECT_EQ(S_OK, device->CreateInputLayout(both, 2, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout));
  ID3D10InputLayout* none = nullptr;
  EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(both, 2, "not a signature", 16, &none));
  EXPECT_EQ(nullptr, none);
  layout->Release();
}

TEST_F(D3D10Render, DrawsPastTheIndexBufferAndShortRowPitchesAreRefused) {
  const uint32_t indices[6] = {0, 1, 2, 3, 4, 5};
  D3D10_BUFFER_DESC desc{sizeof(indices), D3D10_USAGE_DEFAULT, D3D10_BIND_INDEX_BUFFER, 0, 0};
  D3D10_SUBRESOURCE_DATA init{indices, 0, 0};
  ID3D10Buffer* ib = nullptr;
  ASSERT_EQ(S_OK, device->CreateBuffer(&desc, &init, &ib));
  Target target(device, 8, 8);
  const float black[4] = {0, 0, 0, 0};
  device->ClearRenderTargetView(target.view, black);
  Bind(target);
  ID3D10EffectTechnique* t = effect->GetTechniqueByName("Plain");
  Geometry quad(device, t, kQuad);
  quad.Bind(device);
  device->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 0);
  t->GetPassByIndex(0)->Apply(0);
  unsigned long long before = 0, after = 0;
  d3d10gl::DeviceCounters(device, &before, nullptr);
  ReportCapture reports;
  device->DrawIndexed(6, 1, 0);  // one index too many
  device->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 4);
  device->DrawIndexed(6, 0, 0);  // the offset pushes the last index out
  d3d10gl::DeviceCounters(device, &after, nullptr);
  EXPECT_EQ(before, after);
  EXPECT_EQ(1u, reports.lines.size());
  EXPECT_EQ(0u, Rgba(ReadBack(device, target.texture, 4), 8, 4, 4));
  device->IASetIndexBuffer(ib, DXGI_FORMAT_R32_UINT, 0);
  device->DrawIndexed(6, 0, 0);
  EXPECT_EQ(0xFF0000FFu, Rgba(ReadBack(device, target.texture, 4), 8, 4, 4));
  ib->Release();

  // A row pitch below the row's bytes would read past the caller's data: nothing is uploaded.
  const uint32_t texels[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  ID3D10Texture2D* texture = MakeTexture(device, 4, 1, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE);
  device->UpdateSubresource(texture, 0, nullptr, texels, 8, 0);
  EXPECT_TRUE(reports.Contains("row pitch 8"));
  EXPECT_EQ(0u, Rgba(ReadBack(device, texture, 4), 4, 3, 0));
  device->UpdateSubresource(texture, 0, nullptr, texels, 16, 0);
  EXPECT_EQ(0xFFFFFFFFu, Rgba(ReadBack(device, texture, 4), 4, 3, 0));
  texture->Release();
}

// What a frame makes (targets, views, framebuffers, input layouts, effects) gives back every GL
// name when released, so the live counts the soak watches return to where they were.
TEST_F(D3D10Render, ReleasedObjectsGiveBackTheirGlNames) {
  const platform::GlObjectCounts before = platform::LiveGlObjects();
  {
    Target target(device, 8, 8);
    ID3D10Texture2D* depth = MakeTexture(device, 8, 8, DXGI_FORMAT_D32_FLOAT, D3D10_BIND_DEPTH_STENCIL);
    ASSERT_NE(nullptr, depth);
    ID3D10DepthStencilView* dsv = nullptr;
    ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth, nullptr, &dsv));
    ID3D10ShaderResourceView* srv = nullptr;
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(target.texture, nullptr, &srv));
    ID3D10Effect* second = EffectFromText(device, kEffect);
    ASSERT_NE(nullptr, second);
    const float black[4] = {0, 0, 0, 0};
    device->ClearRenderTargetView(target.view, black);
    device->ClearDepthStencilView(dsv, D3D10_CLEAR_DEPTH, 1.0f, 0);
    Bind(target, dsv);
    Draw("DepthWrite", kQuad);
    const platform::GlObjectCounts during = platform::LiveGlObjects();
    EXPECT_GT(during.framebuffers, before.framebuffers);
    EXPECT_GT(during.programs, before.programs);
    second->Release();
    srv->Release();
    dsv->Release();
    depth->Release();
  }
  const platform::GlObjectCounts after = platform::LiveGlObjects();
  EXPECT_EQ(before.textures, after.textures);
  EXPECT_EQ(before.buffers, after.buffers);
  EXPECT_EQ(before.framebuffers, after.framebuffers);
  EXPECT_EQ(before.programs, after.programs);
  EXPECT_EQ(before.shaders, after.shaders);
  EXPECT_EQ(before.vertexArrays, after.vertexArrays);
  EXPECT_EQ(before.samplers, after.samplers);
}

// Every GPU test runs with GL errors checked: one fails the test that made it, and the message
// says which D3D10 call was in progress. A vertex stride past the platform's 2048-byte limit is
// passed on to GL, which refuses it when the draw binds the buffer.
TEST_F(D3D10Render, GlErrorFailsTheTestAndNamesTheCall) {
  Target target(device, 8, 8);
  Bind(target);
  ID3D10EffectTechnique* t = effect->GetTechniqueByName("Plain");
  Geometry quad(device, t, kQuad);
  quad.Bind(device);
  const UINT stride = 4096, offset = 0;
  device->IASetVertexBuffers(0, 1, &quad.buffer, &stride, &offset);
  t->GetPassByIndex(0)->Apply(0);
  const unsigned long long before = platform::GlErrorCount();
  ::testing::TestPartResultArray failures;
  {
    ::testing::ScopedFakeTestPartResultReporter intercept(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    device->Draw(6, 0);
  }
  EXPECT_EQ(before + 1, platform::GlErrorCount());
  ASSERT_EQ(1, failures.size());
  EXPECT_TRUE(failures.GetTestPartResult(0).failed());
  std::string message = failures.GetTestPartResult(0).message();
  EXPECT_NE(std::string::npos, message.find("GL error during ID3D10Device::Draw: ")) << message;
  quad.Bind(device);  // a sound stride again: no further error
  device->Draw(6, 0);
  EXPECT_EQ(before + 1, platform::GlErrorCount());
}

TEST(D3D10SwapChain, PresentsAndReachesTheFactoryThroughDxgi) {
  ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_VIDEO));
  SDL_Window* window = SDL_CreateWindow("swap", 0, 0, 64, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  ASSERT_NE(nullptr, window);
  DXGI_SWAP_CHAIN_DESC desc{};
  desc.BufferDesc = {64, 48, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                     DXGI_MODE_SCALING_UNSPECIFIED};
  desc.SampleDesc = {1, 0};
  desc.BufferUsage = 0x70;
  desc.BufferCount = 2;
  desc.Windowed = TRUE;
  IDXGISwapChain* chain = nullptr;
  ID3D10Device* device = nullptr;
  ASSERT_EQ(S_OK, d3d10gl::CreateDeviceAndSwapChainOnSdlWindow(window, D3D10_DRIVER_TYPE_WARP, nullptr, &desc, &chain,
                                                               &device));
  ID3D10Texture2D* back = nullptr;
  ASSERT_EQ(S_OK, chain->GetBuffer(0, __uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&back)));
  D3D10_TEXTURE2D_DESC backDesc;
  back->GetDesc(&backDesc);
  EXPECT_EQ(64u, backDesc.Width);
  EXPECT_EQ(48u, backDesc.Height);
  EXPECT_EQ(UINT(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE), backDesc.BindFlags);
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, chain->ResizeBuffers(2, 32, 32, DXGI_FORMAT_UNKNOWN, 0));  // still referenced
  ID3D10RenderTargetView* rtv = nullptr;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(back, nullptr, &rtv));
  const float blue[4] = {0, 0, 1, 1};
  device->ClearRenderTargetView(rtv, blue);
  // Top half red, bottom half blue: the window must show red at its top after Present.
  ID3D10Effect* effect = EffectFromText(device, kEffect);
  ASSERT_NE(nullptr, effect);
  const float red[4] = {1, 0, 0, 1};
  effect->GetVariableByName("gColor")->AsVector()->SetFloatVector(red);
  device->OMSetRenderTargets(1, &rtv, nullptr);
  D3D10_VIEWPORT vp{0, 0, 64, 24, 0.0f, 1.0f};
  device->RSSetViewports(1, &vp);
  {
    ID3D10EffectTechnique* t = effect->GetTechniqueByName("Plain");
    Geometry quad(device, t, kQuad);
    quad.Bind(device);
    t->GetPassByIndex(0)->Apply(0);
    device->Draw(6, 0);
  }
  EXPECT_TRUE(SUCCEEDED(chain->Present(0, 0)));
  // GL counts window rows from the bottom: the top row is row 47. Mesa's software path swaps by
  // copying, so the window's back buffer still holds the presented picture.
  unsigned char top[4] = {}, bottom[4] = {};
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glReadPixels(10, 47, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, top);
  glReadPixels(10, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, bottom);
  EXPECT_EQ(255, top[0]);
  EXPECT_EQ(0, top[2]);
  EXPECT_EQ(0, bottom[0]);
  EXPECT_EQ(255, bottom[2]);
  effect->Release();
  EXPECT_TRUE(SUCCEEDED(chain->Present(1, 0)));
  BOOL fullscreen = TRUE;
  EXPECT_EQ(S_OK, chain->GetFullscreenState(&fullscreen, nullptr));
  EXPECT_FALSE(fullscreen);

  IDXGIDevice* dxgiDevice = nullptr;
  ASSERT_EQ(S_OK, device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(&dxgiDevice)));
  IDXGIAdapter* adapter = nullptr;
  ASSERT_EQ(S_OK, dxgiDevice->GetParent(__uuidof(IDXGIAdapter), reinterpret_cast<void**>(&adapter)));
  IDXGIFactory* factory = nullptr;
  ASSERT_EQ(S_OK, adapter->GetParent(__uuidof(IDXGIFactory), reinterpret_cast<void**>(&factory)));
  HWND fake = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(S_OK, factory->MakeWindowAssociation(fake, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER));
  HWND associated = nullptr;
  IDXGIFactory* other = nullptr;
  ASSERT_EQ(S_OK, chain->GetParent(__uuidof(IDXGIFactory), reinterpret_cast<void**>(&other)));
  other->GetWindowAssociation(&associated);
  EXPECT_EQ(fake, associated);
  other->Release();
  factory->Release();
  adapter->Release();
  dxgiDevice->Release();

  rtv->Release();
  back->Release();
  EXPECT_EQ(S_OK, chain->ResizeBuffers(2, 32, 16, DXGI_FORMAT_UNKNOWN, 0));
  DXGI_SWAP_CHAIN_DESC after;
  chain->GetDesc(&after);
  EXPECT_EQ(32u, after.BufferDesc.Width);
  device->ClearState();
  chain->Release();
  EXPECT_EQ(0u, device->Release());
  SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
