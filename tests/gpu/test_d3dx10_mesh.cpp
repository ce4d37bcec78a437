// ID3DX10Mesh on the software rasteriser: after Optimize the subsets draw by attribute id in
// the attribute table's order, each with only its own faces; device buffers follow the commit.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <platform/d3dx10.h>

namespace {

const char kColourEffect[] = R"(
-- common
uniform vec4 gColour = vec4(1.0);
-- vertex MeshVS
layout(location = 0) in vec3 POSITION;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
}
-- fragment ColourPS
layout(location = 0) out vec4 oColour;
void main()
{
    oColour = gColour;
}
-- technique Colour
pass p0 vertex=MeshVS fragment=ColourPS blend=add depth=off cull=none fill=solid
)";

constexpr UINT kSize = 32;

struct Vertex {
  float position[3];
  float normal[3];
  float texcoord[2];
};

const D3D10_INPUT_ELEMENT_DESC kLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D10_INPUT_PER_VERTEX_DATA, 0},
};

class D3DX10MeshGpu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &device), S_OK);
    D3DX10CreateEffectFromMemory(kColourEffect, sizeof kColourEffect - 1, "mesh_colour.fx", nullptr, nullptr, "fx_4_0",
                                 0, 0, device, nullptr, nullptr, &effect, nullptr, nullptr);
    ASSERT_NE(effect, nullptr);
    pass = effect->GetTechniqueByName("Colour")->GetPassByIndex(0);
    D3D10_PASS_DESC passDesc{};
    pass->GetDesc(&passDesc);
    ASSERT_EQ(device->CreateInputLayout(kLayout, 3, passDesc.pIAInputSignature, passDesc.IAInputSignatureSize, &layout),
              S_OK);
    D3D10_TEXTURE2D_DESC desc = {kSize, kSize, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                 D3D10_BIND_RENDER_TARGET, 0, 0};
    device->CreateTexture2D(&desc, nullptr, &target);
    device->CreateRenderTargetView(target, nullptr, &rtv);
    const float black[4] = {0, 0, 0, 0};
    device->ClearRenderTargetView(rtv, black);
    device->OMSetRenderTargets(1, &rtv, nullptr);
    D3D10_VIEWPORT viewport = {0, 0, kSize, kSize, 0.0f, 1.0f};
    device->RSSetViewports(1, &viewport);
  }
  void TearDown() override {
    if (device) device->ClearState();
    for (IUnknown* object : std::initializer_list<IUnknown*>{rtv, target, layout, effect, device})
      if (object) object->Release();
  }

  void Draw(ID3DX10Mesh* mesh, UINT attribId, const float colour[4]) {
    effect->GetVariableByName("gColour")->AsVector()->SetFloatVector(colour);
    pass->Apply(0);
    device->IASetInputLayout(layout);
    EXPECT_EQ(mesh->DrawSubset(attribId), S_OK);
  }

  std::vector<uint8_t> Pixels() {
    D3D10_TEXTURE2D_DESC desc;
    target->GetDesc(&desc);
    desc.Usage = D3D10_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    ID3D10Texture2D* staging = nullptr;
    device->CreateTexture2D(&desc, nullptr, &staging);
    device->CopyResource(staging, target);
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

  ID3D10Device* device = nullptr;
  ID3D10Effect* effect = nullptr;
  ID3D10EffectPass* pass = nullptr;
  ID3D10InputLayout* layout = nullptr;
  ID3D10Texture2D* target = nullptr;
  ID3D10RenderTargetView* rtv = nullptr;
};

// Three vertical bands (left, middle, right thirds), two triangles each, written interleaved:
// face 2k and 2k+1 belong to different bands. Band b has attribute id 2 - b.
void Bands(std::vector<Vertex>& vertices, std::vector<uint32_t>& indices, std::vector<UINT>& attributes) {
  for (int b = 0; b < 3; ++b) {
    const float x0 = -1.0f + b * 2.0f / 3.0f, x1 = x0 + 2.0f / 3.0f;
    for (float y : {-1.0f, 1.0f})
      for (float x : {x0, x1}) vertices.push_back(Vertex{{x, y, 0.5f}, {0, 0, -1}, {0, 0}});
  }
  const uint32_t first[3][3] = {{0, 2, 3}, {4, 6, 7}, {8, 10, 11}}, second[3][3] = {{0, 3, 1}, {4, 7, 5}, {8, 11, 9}};
  for (int b : {0, 1, 2}) {
    indices.insert(indices.end(), std::begin(first[b]), std::end(first[b]));
    attributes.push_back(2 - b);
  }
  for (int b : {2, 1, 0}) {
    indices.insert(indices.end(), std::begin(second[b]), std::end(second[b]));
    attributes.push_back(2 - b);
  }
}

}  // namespace

TEST_F(D3DX10MeshGpu, ThreeMaterialsDrawThreeSubsetsInAttributeOrder) {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
  std::vector<UINT> attributes;
  Bands(vertices, indices, attributes);
  ID3DX10Mesh* mesh = nullptr;
  ASSERT_EQ(D3DX10CreateMesh(device, kLayout, 3, "POSITION", vertices.size(), 6, D3DX10_MESH_32_BIT, &mesh), S_OK);
  mesh->SetVertexData(0, vertices.data());
  mesh->SetIndexData(indices.data(), indices.size());
  mesh->SetAttributeData(attributes.data());
  mesh->GenerateAdjacencyAndPointReps(1e-6f);
  ASSERT_EQ(mesh->Optimize(D3DX10_MESHOPT_COMPACT | D3DX10_MESHOPT_ATTR_SORT | D3DX10_MESHOPT_VERTEX_CACHE, nullptr,
                           nullptr), S_OK);
  UINT count = 0;
  mesh->GetAttributeTable(nullptr, &count);
  ASSERT_EQ(count, 3u);
  D3DX10_ATTRIBUTE_RANGE table[3];
  mesh->GetAttributeTable(table, &count);
  for (UINT i = 0; i < 3; ++i) {
    EXPECT_EQ(table[i].AttribId, i);
    EXPECT_EQ(table[i].FaceStart, 2 * i);
    EXPECT_EQ(table[i].FaceCount, 2u);
    EXPECT_EQ(table[i].VertexStart, 4 * i);
    EXPECT_EQ(table[i].VertexCount, 4u);
  }
  EXPECT_EQ(mesh->DrawSubset(0), E_FAIL);  // nothing on the device before the commit
  ASSERT_EQ(mesh->CommitToDevice(), S_OK);
  ID3D10Buffer* indexBuffer = nullptr;
  ASSERT_EQ(mesh->GetDeviceIndexBuffer(&indexBuffer), S_OK);
  D3D10_BUFFER_DESC bufferDesc{};
  indexBuffer->GetDesc(&bufferDesc);
  EXPECT_EQ(bufferDesc.ByteWidth, 6u * 3 * 4);
  indexBuffer->Release();

  // Each subset in its own channel, drawn additively: a face drawn twice or with the wrong id shows.
  const float red[4] = {1, 0, 0, 0}, green[4] = {0, 1, 0, 0}, blue[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1};
  Draw(mesh, 0, red);
  Draw(mesh, 1, green);
  Draw(mesh, 2, blue);
  Draw(mesh, 7, white);  // no such subset: nothing drawn
  std::vector<uint8_t> pixels = Pixels();
  for (UINT y = 0; y < kSize; y += 5)
    for (UINT x = 0; x < kSize; ++x) {
      const uint8_t* p = &pixels[(y * kSize + x) * 4];
      const double centre = (x + 0.5) * 3.0 / kSize;  // in bands
      const int band = static_cast<int>(centre);
      if (centre - band < 0.05 || centre - band > 0.95) continue;  // too close to an edge to judge
      // Band b has attribute 2 - b: right band red, middle green, left blue.
      EXPECT_EQ(p[0], band == 2 ? 255 : 0) << x << "," << y;
      EXPECT_EQ(p[1], band == 1 ? 255 : 0) << x << "," << y;
      EXPECT_EQ(p[2], band == 0 ? 255 : 0) << x << "," << y;
      EXPECT_EQ(p[3], 0) << x << "," << y;
    }
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(D3DX10MeshGpu, SixteenBitMeshWithoutTableDrawsRunsOfItsAttribute) {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
  std::vector<UINT> attributes;
  Bands(vertices, indices, attributes);
  std::vector<uint16_t> small(indices.begin(), indices.end());
  ID3DX10Mesh* mesh = nullptr;
  ASSERT_EQ(D3DX10CreateMesh(device, kLayout, 3, "POSITION", vertices.size(), 6, 0, &mesh), S_OK);
  mesh->SetVertexData(0, vertices.data());
  mesh->SetIndexData(small.data(), small.size());
  mesh->SetAttributeData(attributes.data());
  ASSERT_EQ(mesh->CommitToDevice(), S_OK);  // no Optimize: attribute 1 is two separate runs
  const float green[4] = {0, 1, 0, 0};
  Draw(mesh, 1, green);
  std::vector<uint8_t> pixels = Pixels();
  const uint8_t* middle = &pixels[(kSize / 2 * kSize + kSize / 2) * 4];
  const uint8_t* left = &pixels[(kSize / 2 * kSize + 2) * 4];
  EXPECT_EQ(middle[1], 255);
  EXPECT_EQ(left[1], 0);
  // Both triangles of the middle band: its top-left and bottom-right corners.
  EXPECT_EQ(pixels[(2 * kSize + kSize / 3 + 2) * 4 + 1], 255);
  EXPECT_EQ(pixels[((kSize - 3) * kSize + 2 * kSize / 3 - 3) * 4 + 1], 255);
  mesh->Release();
}
