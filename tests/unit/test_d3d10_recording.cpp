// The recording device without a display: what a draw writes down (targets, viewport, pass,
// variables as the pass applied them, counts), when nothing is drawn, effects and pools parsed
// onto it, input layouts matched against the pass, and resources that keep their bytes.
#include <platform/d3d10.h>
#include <platform/d3d10_recording.h>
#include <platform/d3dx10.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* kEffect = R"(
-- common
uniform float gScale = 0.5;
uniform vec4 gColor;
uniform int gSeed = 3;
uniform sampler2D gTexture;
-- vertex VS
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec2 TEXCOORD;
out vec2 vUv;
void main() { vUv = TEXCOORD; gl_Position = vec4(POSITION * gScale, 1.0); }
-- fragment PS
in vec2 vUv;
layout(location = 0) out vec4 oColor;
void main() { oColor = gColor * texture(gTexture, vUv) * float(gSeed); }
-- technique Plain
pass p0 vertex=VS fragment=PS
-- technique Twice
pass first vertex=VS fragment=PS
pass second vertex=VS fragment=PS blend=add
)";

class Recording : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_NULL, nullptr, 0, D3D10_SDK_VERSION, &device));
    ASSERT_EQ(S_OK, D3DX10CreateEffectFromMemory(kEffect, strlen(kEffect), "test.fx", nullptr, nullptr, "fx_4_0", 0, 0,
                                                 device, nullptr, nullptr, &effect, nullptr, nullptr));
  }
  void TearDown() override {
    if (effect) effect->Release();
    EXPECT_EQ(0u, device->Release()) << "a child of the device was not released";
  }

  ID3D10Texture2D* Texture(UINT width, UINT height, DXGI_FORMAT format, UINT bind, const void* texels = nullptr) {
    D3D10_TEXTURE2D_DESC desc{width, height, 1, 1, format, {1, 0}, D3D10_USAGE_DEFAULT, bind, 0, 0};
    D3D10_SUBRESOURCE_DATA data{texels, width * 4, 0};
    ID3D10Texture2D* texture = nullptr;
    EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, texels ? &data : nullptr, &texture));
    return texture;
  }

  ID3D10Buffer* Indices(UINT count) {
    std::vector<uint32_t> indices(count, 0);
    D3D10_BUFFER_DESC desc{count * 4, D3D10_USAGE_IMMUTABLE, D3D10_BIND_INDEX_BUFFER, 0, 0};
    D3D10_SUBRESOURCE_DATA data{indices.data(), 0, 0};
    ID3D10Buffer* buffer = nullptr;
    EXPECT_EQ(S_OK, device->CreateBuffer(&desc, &data, &buffer));
    return buffer;
  }

  const d3d10rec::Record& Rec() { return *d3d10rec::RecordOf(device); }

  ID3D10Device* device = nullptr;
  ID3D10Effect* effect = nullptr;
};

TEST_F(Recording, ADrawRecordsWhatWasBoundAndTheVariablesAsThePassAppliedThem) {
  ID3D10Texture2D* colour = Texture(64, 32, DXGI_FORMAT_R16G16B16A16_FLOAT, D3D10_BIND_RENDER_TARGET);
  ID3D10Texture2D* depth = Texture(64, 32, DXGI_FORMAT_D32_FLOAT, D3D10_BIND_DEPTH_STENCIL);
  ID3D10Texture2D* picture = Texture(8, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE);
  ID3D10RenderTargetView* rtv = nullptr;
  ID3D10DepthStencilView* dsv = nullptr;
  ID3D10ShaderResourceView* srv = nullptr;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(colour, nullptr, &rtv));
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth, nullptr, &dsv));
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(picture, nullptr, &srv));
  ID3D10Buffer* indices = Indices(12);

  device->OMSetRenderTargets(1, &rtv, dsv);
  const D3D10_VIEWPORT viewport{4, 2, 32, 16, 0.0f, 1.0f};
  device->RSSetViewports(1, &viewport);
  device->IASetIndexBuffer(indices, DXGI_FORMAT_R32_UINT, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const float red[4] = {1, 0, 0, 1};
  effect->GetVariableByName("gColor")->AsVector()->SetFloatVector(red);
  effect->GetVariableByName("gTexture")->AsShaderResource()->SetResource(srv);
  effect->GetVariableByName("gSeed")->AsScalar()->SetInt(-7);
  effect->GetTechniqueByName("Plain")->GetPassByIndex(0)->Apply(0);
  // Set after Apply: the real device has uploaded already, so the draw must not see it.
  effect->GetVariableByName("gScale")->AsScalar()->SetFloat(9.0f);
  device->DrawIndexed(6, 3, 2);

  std::vector<const d3d10rec::Event*> draws = Rec().Draws();
  ASSERT_EQ(1u, draws.size());
  const d3d10rec::Event& d = *draws[0];
  EXPECT_EQ("Plain", d.technique);
  EXPECT_EQ("p0", d.pass);
  EXPECT_EQ(effect, d.effect);
  ASSERT_EQ(1u, d.targets.size());
  EXPECT_EQ(rtv, d.targets[0].view);
  EXPECT_EQ(colour, d.targets[0].resource);
  EXPECT_EQ(64u, d.targets[0].width);
  EXPECT_EQ(32u, d.targets[0].height);
  EXPECT_EQ(DXGI_FORMAT_R16G16B16A16_FLOAT, d.targets[0].format);
  EXPECT_EQ(dsv, d.depthTarget.view);
  ASSERT_EQ(1u, d.viewports.size());
  EXPECT_EQ(4, d.viewports[0].TopLeftX);
  EXPECT_EQ(16u, d.viewports[0].Height);
  EXPECT_EQ(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST, d.topology);
  EXPECT_TRUE(d.indexed);
  EXPECT_EQ(6u, d.count);
  EXPECT_EQ(3u, d.start);
  EXPECT_EQ(2, d.baseVertex);
  EXPECT_EQ(0.5f, d.Float("gScale"));
  EXPECT_EQ((std::vector<float>{1, 0, 0, 1}), d.Variable("gColor")->floats);
  ASSERT_EQ(d3d10rec::ValueKind::kInt, d.Variable("gSeed")->kind);
  EXPECT_EQ(std::vector<int32_t>{-7}, d.Variable("gSeed")->ints);
  ASSERT_EQ(1u, d.Variable("gTexture")->views.size());
  EXPECT_EQ(srv, d.Variable("gTexture")->views[0].view);
  EXPECT_EQ(8u, d.Variable("gTexture")->views[0].width);

  // Every pass of a technique is its own draw, with the pass's name.
  ID3D10EffectTechnique* twice = effect->GetTechniqueByName("Twice");
  for (UINT p = 0; p < 2; ++p) {
    twice->GetPassByIndex(p)->Apply(0);
    device->DrawInstanced(4, 10, 1, 2);
  }
  draws = Rec().Draws();
  ASSERT_EQ(3u, draws.size());
  EXPECT_EQ("first", draws[1]->pass);
  EXPECT_EQ("second", draws[2]->pass);
  EXPECT_EQ(9.0f, draws[2]->Float("gScale"));
  EXPECT_EQ("none", draws[1]->blend);
  EXPECT_EQ("add", draws[2]->blend);
  EXPECT_TRUE(draws[2]->instanced);
  EXPECT_EQ(10u, draws[2]->instanceCount);
  EXPECT_EQ(2u, draws[2]->startInstance);

  // A view that dies unbinds itself: later draws see an empty slot, not a dangling one.
  device->OMSetRenderTargets(1, &rtv, nullptr);
  rtv->Release();
  device->Draw(3, 0);
  ASSERT_EQ(4u, Rec().Draws().size());
  EXPECT_EQ(nullptr, Rec().Draws()[3]->targets[0].view);

  d3d10rec::ClearRecord(device);
  EXPECT_TRUE(Rec().events.empty());
  dsv->Release();
  srv->Release();
  indices->Release();
  colour->Release();
  depth->Release();
  picture->Release();
}

TEST_F(Recording, NothingIsDrawnWithoutAPassATopologyOrIndicesInsideTheBuffer) {
  ID3D10Buffer* indices = Indices(6);
  device->IASetIndexBuffer(indices, DXGI_FORMAT_R32_UINT, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  device->DrawIndexed(6, 0, 0);  // no pass applied yet
  ID3D10EffectPass* pass = effect->GetTechniqueByName("Plain")->GetPassByIndex(0);
  pass->Apply(0);
  device->DrawIndexed(6, 1, 0);  // one index past the end
  device->DrawIndexed(0, 0, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED);
  device->Draw(3, 0);
  // An unknown technique's pass is the invalid one: applying it changes nothing.
  EXPECT_FALSE(effect->GetTechniqueByName("Missing")->GetPassByIndex(0)->IsValid());
  EXPECT_TRUE(Rec().Draws().empty());

  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  device->DrawIndexed(6, 0, 0);
  EXPECT_EQ(1u, Rec().Draws().size());
  // Gone with its effect: the pass cannot be drawn with any more.
  effect->Release();
  effect = nullptr;
  device->DrawIndexed(6, 0, 0);
  EXPECT_EQ(1u, Rec().Draws().size());
  device->ClearState();
  indices->Release();
}

TEST_F(Recording, EffectsAndPoolsCarryTheParsersVariablesAndPassSignatures) {
  char dir[] = "/tmp/dusk-rec-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string pool = std::string(dir) + "/globals.fxi", child = std::string(dir) + "/child.fx";
  std::ofstream(pool) << "-- common\nuniform mat4 View;\nuniform float Time = 2.0;\n";
  std::ofstream(child) << "#include \"globals.fxi\"\n" << kEffect;
  ID3D10EffectPool* effectPool = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateEffectPoolFromFileA(pool.c_str(), nullptr, nullptr, "fx_4_0", 0, 0, device, nullptr,
                                                  &effectPool, nullptr, nullptr));
  ID3D10Effect* a = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateEffectFromFileA(child.c_str(), nullptr, nullptr, "fx_4_0", 0,
                                              D3D10_EFFECT_COMPILE_CHILD_EFFECT, device, effectPool, nullptr, &a,
                                              nullptr, nullptr));
  D3D10_EFFECT_DESC desc;
  a->GetDesc(&desc);
  EXPECT_EQ(4u, desc.GlobalVariables);
  EXPECT_EQ(2u, desc.SharedGlobalVariables);
  EXPECT_EQ(2u, desc.Techniques);
  D3D10_TECHNIQUE_DESC technique;
  a->GetTechniqueByName("Twice")->GetDesc(&technique);
  EXPECT_EQ(2u, technique.Passes);
  float time = 0;
  a->GetVariableByName("Time")->AsScalar()->GetFloat(&time);
  EXPECT_EQ(2.0f, time);

  // A pool variable set on the pool is in the child's snapshot, marked as pooled.
  effectPool->AsEffect()->GetVariableByName("Time")->AsScalar()->SetFloat(5.0f);
  a->GetTechniqueByName("Plain")->GetPassByIndex(0)->Apply(0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  device->Draw(3, 0);
  ASSERT_EQ(1u, Rec().Draws().size());
  const d3d10rec::RecordedVariable* shared = Rec().Draws()[0]->Variable("Time");
  ASSERT_NE(nullptr, shared);
  EXPECT_TRUE(shared->pooled);
  EXPECT_EQ(std::vector<float>{5.0f}, shared->floats);
  EXPECT_EQ(16u, Rec().Draws()[0]->Variable("View")->floats.size());

  // The pass's inputs come from its vertex stage: a layout must give every one of them.
  D3D10_PASS_DESC pass;
  a->GetTechniqueByName("Plain")->GetPassByIndex(0)->GetDesc(&pass);
  const D3D10_INPUT_ELEMENT_DESC both[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
      {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0}};
  ID3D10InputLayout* layout = nullptr;
  EXPECT_EQ(S_OK, device->CreateInputLayout(both, 2, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout));
  ASSERT_NE(nullptr, layout);
  layout->Release();
  EXPECT_EQ(E_INVALIDARG,
            device->CreateInputLayout(both, 1, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout));

  a->Release();
  effectPool->Release();
  unlink(child.c_str());
  unlink(pool.c_str());
  rmdir(dir);
}

TEST_F(Recording, ResourcesKeepTheirBytesForMapAndCopies) {
  const uint32_t texels[4] = {0x11223344u, 0x55667788u, 0x99aabbccu, 0xddeeff00u};
  ID3D10Texture2D* source = Texture(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE, texels);
  D3D10_TEXTURE2D_DESC desc{2, 2, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_STAGING, 0,
                            D3D10_CPU_ACCESS_READ, 0};
  ID3D10Texture2D* staging = nullptr;
  ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &staging));
  device->CopyResource(staging, source);
  D3D10_MAPPED_TEXTURE2D mapped{};
  ASSERT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &mapped));
  EXPECT_EQ(8u, mapped.RowPitch);
  EXPECT_EQ(0, memcmp(texels, mapped.pData, sizeof(texels)));
  staging->Unmap(0);
  ASSERT_EQ(1u, Rec().events.size());
  EXPECT_EQ(d3d10rec::EventKind::kCopyResource, Rec().events[0].kind);
  EXPECT_EQ(staging, Rec().events[0].destination);
  // Textures that differ are not copied, and say so through no event.
  ID3D10Texture2D* other = Texture(4, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE);
  device->CopyResource(staging, other);
  EXPECT_EQ(1u, Rec().events.size());

  // A default texture cannot be mapped; a dynamic buffer can be written and read back.
  EXPECT_EQ(E_INVALIDARG, source->Map(0, D3D10_MAP_READ, 0, &mapped));
  D3D10_BUFFER_DESC bufferDesc{16, D3D10_USAGE_STAGING, 0, D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE, 0};
  ID3D10Buffer* buffer = nullptr;
  ASSERT_EQ(S_OK, device->CreateBuffer(&bufferDesc, nullptr, &buffer));
  void* bytes = nullptr;
  ASSERT_EQ(S_OK, buffer->Map(D3D10_MAP_WRITE, 0, &bytes));
  memcpy(bytes, texels, 16);
  buffer->Unmap();
  ASSERT_EQ(S_OK, buffer->Map(D3D10_MAP_READ, 0, &bytes));
  EXPECT_EQ(0, memcmp(texels, bytes, 16));
  buffer->Unmap();

  // An image file decodes onto the device with its own size and no GL anywhere.
  ID3D10ShaderResourceView* image = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateShaderResourceViewFromFileA(device, DUSK_SOURCE_DIR "/projects/dusk/data/rnd.png",
                                                          nullptr, nullptr, &image, nullptr));
  D3DX10_IMAGE_INFO info{};
  ASSERT_EQ(S_OK, D3DX10GetImageInfoFromFileA(DUSK_SOURCE_DIR "/projects/dusk/data/rnd.png", nullptr, &info, nullptr));
  ID3D10Resource* resource = nullptr;
  image->GetResource(&resource);
  D3D10_TEXTURE2D_DESC imageDesc;
  static_cast<ID3D10Texture2D*>(resource)->GetDesc(&imageDesc);
  EXPECT_EQ(info.Width, imageDesc.Width);
  EXPECT_EQ(info.Height, imageDesc.Height);
  resource->Release();
  image->Release();

  buffer->Release();
  other->Release();
  staging->Release();
  source->Release();
}

}  // namespace
