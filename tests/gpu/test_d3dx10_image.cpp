// Image files into textures on the software rasteriser: every supported format samples with its
// top row at v = 0, the mip chain is box-filtered, cube DDS files become cube views, and broken
// files fail cleanly with a report naming them.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <platform/d3dx10.h>
#include <platform/diagnostics.h>

namespace {

const std::string kImages = std::string(DUSK_SOURCE_DIR) + "/tests/data/images/";

const char kSampleEffect[] = R"(
-- common
uniform sampler2D gImage;
-- sampler gImage filter=linear address=clamp
-- vertex FullVS
layout(location = 0) in vec3 POSITION;
layout(location = 0) out vec2 vUv;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
    vUv = vec2(POSITION.x * 0.5 + 0.5, 0.5 - POSITION.y * 0.5);
}
-- fragment SamplePS
layout(location = 0) in vec2 vUv;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = textureLod(gImage, vUv, 0.0);
}
-- technique Sample
pass p0 vertex=FullVS fragment=SamplePS blend=none depth=off cull=none fill=solid
)";

struct ReportCapture {
  std::vector<std::string> messages;
  ReportCapture() {
    platform::SetReportSink([this](int, const char* message) { messages.emplace_back(message); });
  }
  ~ReportCapture() { platform::SetReportSink(nullptr); }
};

class D3DX10Image : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &device), S_OK);
  }
  void TearDown() override {
    if (device) device->Release();
  }

  // Draws the view over a w × h target with one sample per texel centre; RGBA8, top row first.
  std::vector<uint8_t> SampleOnto(ID3D10ShaderResourceView* view, UINT w, UINT h) {
    std::vector<uint8_t> pixels;
    ID3D10Effect* effect = nullptr;
    D3DX10CreateEffectFromMemory(kSampleEffect, sizeof kSampleEffect - 1, "sample_image.fx", nullptr, nullptr, "fx_4_0",
                                 0, 0, device, nullptr, nullptr, &effect, nullptr, nullptr);
    EXPECT_NE(effect, nullptr);
    if (!effect) return pixels;
    ID3D10EffectPass* pass = effect->GetTechniqueByName("Sample")->GetPassByIndex(0);
    D3D10_PASS_DESC passDesc{};
    pass->GetDesc(&passDesc);
    const D3D10_INPUT_ELEMENT_DESC element = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                              D3D10_INPUT_PER_VERTEX_DATA, 0};
    ID3D10InputLayout* layout = nullptr;
    device->CreateInputLayout(&element, 1, passDesc.pIAInputSignature, passDesc.IAInputSignatureSize, &layout);
    const float triangle[9] = {-1, -1, 0, -1, 3, 0, 3, -1, 0};
    D3D10_BUFFER_DESC bufferDesc = {sizeof triangle, D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, 0};
    D3D10_SUBRESOURCE_DATA data = {triangle, 0, 0};
    ID3D10Buffer* buffer = nullptr;
    device->CreateBuffer(&bufferDesc, &data, &buffer);

    D3D10_TEXTURE2D_DESC targetDesc = {w, h, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                       D3D10_BIND_RENDER_TARGET, 0, 0};
    ID3D10Texture2D* target = nullptr;
    device->CreateTexture2D(&targetDesc, nullptr, &target);
    ID3D10RenderTargetView* rtv = nullptr;
    device->CreateRenderTargetView(target, nullptr, &rtv);
    const float black[4] = {0, 0, 0, 0};
    device->ClearRenderTargetView(rtv, black);
    device->OMSetRenderTargets(1, &rtv, nullptr);
    D3D10_VIEWPORT viewport = {0, 0, w, h, 0.0f, 1.0f};
    device->RSSetViewports(1, &viewport);
    effect->GetVariableByName("gImage")->AsShaderResource()->SetResource(view);
    pass->Apply(0);
    device->IASetInputLayout(layout);
    const UINT stride = 12, offset = 0;
    device->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
    device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    device->Draw(3, 0);

    targetDesc.Usage = D3D10_USAGE_STAGING;
    targetDesc.BindFlags = 0;
    targetDesc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    ID3D10Texture2D* staging = nullptr;
    device->CreateTexture2D(&targetDesc, nullptr, &staging);
    device->CopyResource(staging, target);
    D3D10_MAPPED_TEXTURE2D mapped{};
    if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) {
      pixels.resize(size_t(w) * h * 4);
      for (UINT y = 0; y < h; ++y)
        std::memcpy(&pixels[size_t(y) * w * 4], static_cast<uint8_t*>(mapped.pData) + y * mapped.RowPitch, w * 4);
      staging->Unmap(0);
    }
    device->ClearState();
    for (IUnknown* object : std::initializer_list<IUnknown*>{staging, rtv, target, buffer, layout, effect})
      if (object) object->Release();
    return pixels;
  }

  ID3D10Device* device = nullptr;
};

// The fixtures are red in their top half and blue in their bottom half.
void ExpectRedOverBlue(const std::vector<uint8_t>& pixels, UINT w, UINT h, int tolerance, const std::string& what) {
  ASSERT_EQ(pixels.size(), size_t(w) * h * 4) << what;
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const uint8_t* p = &pixels[(size_t(y) * w + x) * 4];
      const bool top = y < h / 2;
      // Rows next to the middle of a JPEG blur across it; judge them by the dominant channel.
      if (tolerance > 0 && (y == h / 2 - 1 || y == h / 2)) {
        EXPECT_EQ(top, p[0] > p[2]) << what << " at " << x << "," << y;
        continue;
      }
      EXPECT_NEAR(p[0], top ? 255 : 0, tolerance) << what << " at " << x << "," << y;
      EXPECT_NEAR(p[1], 0, tolerance) << what << " at " << x << "," << y;
      EXPECT_NEAR(p[2], top ? 0 : 255, tolerance) << what << " at " << x << "," << y;
    }
}

}  // namespace

TEST_F(D3DX10Image, EveryFormatSamplesWithItsTopRowAtVZero) {
  struct Case {
    const char* file;
    UINT side;
    int tolerance;
    D3DX10_IMAGE_FILE_FORMAT format;
  };
  for (const Case& c : {Case{"rows.png", 8, 0, D3DX10_IFF_PNG}, Case{"rows.tga", 8, 0, D3DX10_IFF_TGA},
                        Case{"rows.bmp", 8, 0, D3DX10_IFF_BMP}, Case{"rows.jpg", 16, 24, D3DX10_IFF_JPG}}) {
    const std::string path = kImages + c.file;
    ID3D10ShaderResourceView* view = nullptr;
    HRESULT result = E_FAIL;
    ASSERT_EQ(D3DX10CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &view, &result), S_OK)
        << c.file;
    EXPECT_EQ(result, S_OK);
    ASSERT_NE(view, nullptr);
    D3D10_SHADER_RESOURCE_VIEW_DESC viewDesc{};
    view->GetDesc(&viewDesc);
    EXPECT_EQ(viewDesc.ViewDimension, D3D10_SRV_DIMENSION_TEXTURE2D);
    EXPECT_EQ(viewDesc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    ExpectRedOverBlue(SampleOnto(view, c.side, c.side), c.side, c.side, c.tolerance, c.file);

    D3DX10_IMAGE_INFO info{};
    ASSERT_EQ(D3DX10GetImageInfoFromFileA(path.c_str(), nullptr, &info, nullptr), S_OK);
    EXPECT_EQ(info.Width, c.side);
    EXPECT_EQ(info.Height, c.side);
    EXPECT_EQ(info.ImageFileFormat, c.format);
    EXPECT_EQ(view->Release(), 0u);  // the view held the texture's last reference
  }
}

TEST_F(D3DX10Image, TheMipChainIsCompleteAndBoxFiltered) {
  ID3D10Resource* resource = nullptr;
  ASSERT_EQ(D3DX10CreateTextureFromFileA(device, (kImages + "rows.png").c_str(), nullptr, nullptr, &resource, nullptr),
            S_OK);
  ID3D10Texture2D* texture = static_cast<ID3D10Texture2D*>(resource);
  D3D10_TEXTURE2D_DESC desc{};
  texture->GetDesc(&desc);
  EXPECT_EQ(desc.MipLevels, 4u);  // 8, 4, 2, 1
  EXPECT_EQ(desc.BindFlags, UINT(D3D10_BIND_SHADER_RESOURCE));
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  ID3D10Texture2D* staging = nullptr;
  ASSERT_EQ(device->CreateTexture2D(&desc, nullptr, &staging), S_OK);
  device->CopyResource(staging, texture);
  D3D10_MAPPED_TEXTURE2D mapped{};
  ASSERT_EQ(staging->Map(1, D3D10_MAP_READ, 0, &mapped), S_OK);  // 4 × 4: still red over blue
  const uint8_t* level1 = static_cast<uint8_t*>(mapped.pData);
  EXPECT_EQ(level1[0], 255);
  EXPECT_EQ(level1[3 * mapped.RowPitch + 2], 255);
  staging->Unmap(1);
  ASSERT_EQ(staging->Map(3, D3D10_MAP_READ, 0, &mapped), S_OK);  // 1 × 1: the average
  const uint8_t* last = static_cast<uint8_t*>(mapped.pData);
  EXPECT_NEAR(last[0], 128, 1);
  EXPECT_NEAR(last[2], 128, 1);
  EXPECT_EQ(last[3], 255);
  staging->Unmap(3);
  staging->Release();
  texture->Release();

  // Load information: one level only, and the file's description handed back.
  D3DX10_IMAGE_INFO info{};
  D3DX10_IMAGE_LOAD_INFO load = {D3DX10_DEFAULT, D3DX10_DEFAULT, D3DX10_DEFAULT, D3DX10_DEFAULT, 1,
                                 static_cast<D3D10_USAGE>(D3DX10_DEFAULT), D3DX10_DEFAULT, D3DX10_DEFAULT, D3DX10_DEFAULT,
                                 static_cast<DXGI_FORMAT>(D3DX10_DEFAULT), D3DX10_DEFAULT, D3DX10_DEFAULT, &info};
  ASSERT_EQ(D3DX10CreateTextureFromFileA(device, (kImages + "rows.png").c_str(), &load, nullptr, &resource, nullptr), S_OK);
  static_cast<ID3D10Texture2D*>(resource)->GetDesc(&desc);
  EXPECT_EQ(desc.MipLevels, 1u);
  EXPECT_EQ(info.Width, 8u);
  EXPECT_EQ(info.ImageFileFormat, D3DX10_IFF_PNG);
  resource->Release();
  load.Width = 16;  // resizing is refused, not faked
  ReportCapture reports;
  EXPECT_EQ(D3DX10CreateTextureFromFileA(device, (kImages + "rows.png").c_str(), &load, nullptr, &resource, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(resource, nullptr);
  EXPECT_EQ(reports.messages.size(), 1u);
}

TEST_F(D3DX10Image, ACubeDdsBecomesACubeView) {
  const std::string path = kImages + "faces.dds";
  ID3D10ShaderResourceView* view = nullptr;
  ASSERT_EQ(D3DX10CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &view, nullptr), S_OK);
  D3D10_SHADER_RESOURCE_VIEW_DESC viewDesc{};
  view->GetDesc(&viewDesc);
  EXPECT_EQ(viewDesc.ViewDimension, D3D10_SRV_DIMENSION_TEXTURECUBE);
  ID3D10Resource* resource = nullptr;
  view->GetResource(&resource);
  ASSERT_NE(resource, nullptr);
  D3D10_TEXTURE2D_DESC desc{};
  static_cast<ID3D10Texture2D*>(resource)->GetDesc(&desc);
  EXPECT_EQ(desc.ArraySize, 6u);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_TRUE(desc.MiscFlags & D3D10_RESOURCE_MISC_TEXTURECUBE);
  resource->Release();
  view->Release();
  D3DX10_IMAGE_INFO info{};
  ASSERT_EQ(D3DX10GetImageInfoFromFileA(path.c_str(), nullptr, &info, nullptr), S_OK);
  EXPECT_EQ(info.ArraySize, 6u);
  EXPECT_EQ(info.ImageFileFormat, D3DX10_IFF_DDS);
}

TEST_F(D3DX10Image, UnreadableAndCorruptFilesFailCleanlyAndSaySo) {
  for (const char* name : {"no_such_image.png", "corrupt.png", "text.png", "."}) {
    const std::string path = kImages + name;
    ReportCapture reports;
    ID3D10ShaderResourceView* view = reinterpret_cast<ID3D10ShaderResourceView*>(0x1);
    HRESULT result = S_OK;
    EXPECT_TRUE(FAILED(D3DX10CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &view, &result)))
        << name;
    EXPECT_TRUE(FAILED(result)) << name;
    EXPECT_EQ(view, nullptr) << name;
    ASSERT_EQ(reports.messages.size(), 1u) << name;
    EXPECT_NE(reports.messages[0].find(path), std::string::npos) << reports.messages[0];
  }
  ID3D10ShaderResourceView* view = nullptr;
  EXPECT_EQ(D3DX10CreateShaderResourceViewFromFileA(nullptr, (kImages + "rows.png").c_str(), nullptr, nullptr, &view,
                                                    nullptr),
            E_INVALIDARG);
  EXPECT_EQ(D3DX10CreateShaderResourceViewFromFileA(device, nullptr, nullptr, nullptr, &view, nullptr),
            D3D10_ERROR_FILE_NOT_FOUND);
}

TEST_F(D3DX10Image, DamagedDdsFilesAreRefusedBeforeAnyTexelIsRead) {
  std::ifstream source(kImages + "faces.dds", std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
  ASSERT_EQ(good.size(), 512u);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("dusk_dds_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto patched = [&](size_t offset, uint32_t value) {
    std::string bytes = good;
    std::memcpy(&bytes[offset], &value, 4);
    return bytes;
  };
  const std::pair<const char*, std::string> cases[] = {
      {"truncated.dds", good.substr(0, 300)},           // faces end early
      {"header.dds", good.substr(0, 100)},              // header ends early
      {"huge.dds", patched(16, 0x40000000u)},           // width beyond any texture
      {"dxt1.dds", patched(80, 0x4u)},                  // a compressed format
      {"volume.dds", patched(112, 0x200000u | 0x200u)},  // a volume
      {"fewfaces.dds", patched(112, 0x200u | 0x400u)},  // a cube with one face
  };
  for (const auto& [name, bytes] : cases) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    ReportCapture reports;
    ID3D10ShaderResourceView* view = nullptr;
    EXPECT_EQ(D3DX10CreateShaderResourceViewFromFileA(device, path.c_str(), nullptr, nullptr, &view, nullptr),
              D3DX10_ERR_INVALID_DATA)
        << name;
    EXPECT_EQ(view, nullptr);
    ASSERT_EQ(reports.messages.size(), 1u) << name;
    EXPECT_NE(reports.messages[0].find(name), std::string::npos) << reports.messages[0];
  }
  std::filesystem::remove_all(dir);
}
