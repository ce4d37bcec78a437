// LoadResources on the recording device: the load order and its log lines, the effect pool and its
// global variables, the noise texture, every render target with its name and size, the back
// buffers, set render target with inset, set world, and the release.
#include "diag/fw_Alert.h"
#include "res/fw_CameraState.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "res/fw_TextureTable.h"

#include "core_gpu.h"
#include "core_recording.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/win32.h>

#include <fstream>

namespace fs = boost::filesystem;

namespace {
struct ResourcesTest : ::testing::Test {
  core_test::RecordingDevice device;
  fs::path dir = fs::temp_directory_path() / fs::unique_path("core-res-%%%%%%");
  char previous[4096] = {};
  void SetUp() override {
    ASSERT_NE(device.get(), nullptr);
    fw_SetAlertMode(2);
    fs::create_directories(dir / "data");
    GetCurrentDirectoryA(sizeof(previous), previous);
    SetCurrentDirectoryA(dir.string().c_str());  // "data/noise.bin" is read from here
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    fw_SetRenderSize(1280, 720);
    fw_SetOutputSize(1280, 720);
  }
  void TearDown() override {
    fw_ReleaseFrameworkResources();
    SetCurrentDirectoryA(previous);
    fs::remove_all(dir);
  }
  static void Size(const char* name, UINT w, UINT h) {
    fw_Texture* t = fw_FindTexture(name);
    ASSERT_NE(t, nullptr) << name;
    EXPECT_EQ(t->getWidth(), w) << name;
    EXPECT_EQ(t->getHeight(), h) << name;
  }
};
}  // namespace

TEST_F(ResourcesTest, LoadsEveryStandardResourceInOrderAndReleasesThemAll) {
  LogCapture log;
  ASSERT_EQ(fw_LoadResources(), S_OK);
  const auto lines = log.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front().second, "Start loading resources.");
  EXPECT_EQ(lines.back().second, "Finished loading resources.");
  // No swap chain here: the render-size "backbuffer" is a target of its own.
  EXPECT_TRUE(log.contains("LoadResources: Creating extra backbuffer of dimensions (1280, 720).", 0));

  ASSERT_NE(fw_GetEffectPool(), nullptr);
  fw_GlobalVariables& g = fw_GetGlobals();
  for (ID3D10EffectVariable* v : {static_cast<ID3D10EffectVariable*>(g.World), static_cast<ID3D10EffectVariable*>(g.ViewInverse),
                                  static_cast<ID3D10EffectVariable*>(g.EyePositionLocal), static_cast<ID3D10EffectVariable*>(g.Time),
                                  static_cast<ID3D10EffectVariable*>(g.SpecularPower), static_cast<ID3D10EffectVariable*>(g.gNoiseTexture)})
    EXPECT_TRUE(v->IsValid());
  EXPECT_EQ(g.Time->SetFloat(2.5f), S_OK);
  float time = 0;
  g.Time->GetFloat(&time);
  EXPECT_EQ(time, 2.5f);

  fw_Texture* noise = fw_FindTexture("noise.dds");
  ASSERT_NE(noise, nullptr);
  ASSERT_NE(noise->mTexture3D, nullptr);
  D3D10_TEXTURE3D_DESC noiseDesc;
  noise->mTexture3D->GetDesc(&noiseDesc);
  EXPECT_EQ(noiseDesc.Depth, 128u);
  EXPECT_EQ(noiseDesc.Format, DXGI_FORMAT_R8_UNORM);
  EXPECT_EQ(noiseDesc.BindFlags, 8u);
  ID3D10ShaderResourceView* bound = nullptr;
  g.gNoiseTexture->GetResource(&bound);
  EXPECT_EQ(bound, noise->mShaderResourceView);
  if (bound) bound->Release();

  for (const char* name : {"r16g16b16a16f_1", "r16g16b16a16f_2", "r8g8b8a8_1", "r8g8b8a8_2", "r8g8b8a8_3", "backbuffer",
                           "d32f_backbuffer"})
    Size(name, 1280, 720);
  Size("r16g16b16a16f_1_downsample3", 160, 90);
  Size("r16g16b16a16f_2_downsample6", 20, 11);
  Size("r16g16b16a16f_2_downsample10", 1, 1);
  EXPECT_EQ(fw_FindTexture("r16g16b16a16f_1_downsample11"), nullptr);
  EXPECT_EQ(fw_FindTexture("realBackbuffer"), nullptr);
  // Nothing of the show draws through any other: they are made only when asked for.
  for (const char* name : {"r16g16b16a16f_3", "r16g16f_1", "r32f_1", "r32f_1_downsample1", "r8g8b8a8_4"})
    EXPECT_EQ(fw_FindTexture(name), nullptr) << name;
  EXPECT_EQ(fw_GetTextureTable().size(), 2u * 11 + 3 + 1 + 1 + 1);
  EXPECT_EQ(fw_GetOwnedTextureCount(), fw_GetTextureTable().size());

  // Asked for, a target is made at the render size (a chain with its halvings), once per name.
  fw_CreateRenderSizeTarget("r16g16f_1", DXGI_FORMAT_R16G16_FLOAT);
  fw_CreateRenderSizeTarget("r32f_1", DXGI_FORMAT_R32_FLOAT, true);
  fw_CreateRenderSizeTarget("r32f_1", DXGI_FORMAT_R32_FLOAT, true);
  Size("r16g16f_1", 1280, 720);
  Size("r32f_1_downsample10", 1, 1);
  EXPECT_EQ(fw_FindTexture("r32f_1_downsample11"), nullptr);
  EXPECT_EQ(fw_FindTexture("r16g16f_1")->getFormat(), DXGI_FORMAT_R16G16_FLOAT);
  EXPECT_EQ(fw_FindTexture("r32f_1_downsample4")->getFormat(), DXGI_FORMAT_R32_FLOAT);
  EXPECT_EQ(fw_GetTextureTable().size(), 2u * 11 + 3 + 1 + 1 + 1 + 1 + 11);
  EXPECT_EQ(fw_GetOwnedTextureCount(), fw_GetTextureTable().size());
  // ... and remade with the standard targets when the render size changes.
  fw_SetOutputSize(640, 360);
  fw_SetRenderSize(640, 360);
  Size("r16g16f_1", 640, 360);
  Size("r32f_1_downsample1", 320, 180);
  Size("r16g16b16a16f_1", 640, 360);
  Size("d32f_backbuffer", 640, 360);
  EXPECT_EQ(fw_GetTextureTable().size(), 2u * 10 + 3 + 1 + 1 + 1 + 1 + 10);
  fw_SetOutputSize(1280, 720);
  fw_SetRenderSize(1280, 720);
  Size("backbuffer", 1280, 720);

  fw_Texture* depth = fw_FindTexture("d32f_backbuffer");
  EXPECT_NE(depth->mDepthStencilView, nullptr);
  EXPECT_EQ(depth->mRenderTargetView, nullptr);
  EXPECT_EQ(depth->mShaderResourceView, nullptr);
  EXPECT_EQ(depth->mViewport.Width, 0u);
  EXPECT_EQ(depth->getFormat(), DXGI_FORMAT_D32_FLOAT);

  fw_ReleaseFrameworkResources();
  EXPECT_TRUE(fw_GetTextureTable().empty());
  EXPECT_EQ(fw_GetOwnedTextureCount(), 0u);
  EXPECT_EQ(fw_GetEffectPool(), nullptr);
  EXPECT_FALSE(fw_GetGlobals().World->IsValid());
  fw_ReleaseFrameworkResources();  // twice is harmless
  fw_SetRenderSize(640, 360);      // released, nothing follows the size
  EXPECT_TRUE(fw_GetTextureTable().empty());
}

TEST_F(ResourcesTest, LetterboxedRenderSizeGivesElevenLevelsWithAnEighthOf15x8) {
  fw_SetRenderSize(1920, 1079);
  ASSERT_EQ(fw_LoadResources(), S_OK);
  Size("r16g16b16a16f_1_downsample7", 15, 8);
  Size("r16g16b16a16f_1_downsample10", 1, 1);
  EXPECT_EQ(fw_FindTexture("r16g16b16a16f_1_downsample11"), nullptr);
  Size("backbuffer", 1920, 1079);
}

TEST_F(ResourcesTest, NoiseFileOfAnySizeLoadsWithoutOverrun) {
  {
    std::ofstream(dir.string() + "/data/noise.bin", std::ios::binary) << std::string(5000000, 'x');
  }
  LogCapture log;
  ASSERT_EQ(fw_LoadResources(), S_OK);
  EXPECT_NE(fw_FindTexture("noise.dds")->mShaderResourceView, nullptr);
  EXPECT_FALSE(log.contains("noise"));  // bytes past the volume are ignored
  fw_ReleaseFrameworkResources();
  {
    std::ofstream(dir.string() + "/data/noise.bin", std::ios::binary) << "short";
  }
  ASSERT_EQ(fw_LoadResources(), S_OK);
  EXPECT_NE(fw_FindTexture("noise.dds")->mShaderResourceView, nullptr);
  EXPECT_TRUE(log.contains("Noise file <data/noise.bin> holds 5 of its 2097152 bytes", 1));  // a damaged file
}

TEST_F(ResourcesTest, AMissingEffectPoolIsReportedAndStopsTheLoad) {
  fw_SetRoots(dir.string(), core_test::TestProductionRoot());  // no src/shaders/fw_Globals.fxi(o) here
  LogCapture log;
  EXPECT_EQ(fw_LoadResources(), E_FAIL);
  EXPECT_TRUE(log.contains("Could not create the effect pool from <" + dir.string() + "/src/shaders/fw_Globals.fxio>.", 2));
  EXPECT_FALSE(log.contains("Finished loading resources."));
  EXPECT_EQ(fw_GetEffectPool(), nullptr);
}

TEST_F(ResourcesTest, SetRenderTargetNarrowsTheViewportAndSetWorldMovesTheEyeIntoObjectSpace) {
  ASSERT_EQ(fw_LoadResources(), S_OK);
  fw_Texture* target = fw_FindTexture("r8g8b8a8_1");
  fw_Texture* depth = fw_FindTexture("d32f_backbuffer");
  fw_SetRenderTarget(target, 60, depth);
  ID3D10RenderTargetView* view = nullptr;
  ID3D10DepthStencilView* depthView = nullptr;
  device.get()->OMGetRenderTargets(1, &view, &depthView);
  EXPECT_EQ(view, target->mRenderTargetView);
  EXPECT_EQ(depthView, depth->mDepthStencilView);
  if (view) view->Release();
  if (depthView) depthView->Release();
  UINT count = 1;
  D3D10_VIEWPORT viewport{};
  device.get()->RSGetViewports(&count, &viewport);
  EXPECT_EQ(viewport.TopLeftY, 60);
  EXPECT_EQ(viewport.Height, 600u);
  EXPECT_EQ(viewport.Width, 1280u);

  fw_SetRenderTarget(target, 400, nullptr);  // past the middle: an empty viewport, not a wrapped one
  device.get()->RSGetViewports(&count, &viewport);
  EXPECT_EQ(viewport.Height, 0u);

  fw_SetRenderTarget(nullptr, 0, nullptr);
  device.get()->OMGetRenderTargets(1, &view, &depthView);
  EXPECT_EQ(view, nullptr);

  fw_GetCameraState().eyePositionWorld = D3DXVECTOR3(1.0f, 2.0f, 13.0f);
  D3DXMATRIX world, previous;
  D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
  D3DXMatrixIdentity(&previous);
  fw_SetWorld(world, previous);
  float local[4] = {};
  fw_GetGlobals().EyePositionLocal->GetFloatVector(local);
  EXPECT_FLOAT_EQ(local[0], 0.0f);
  EXPECT_FLOAT_EQ(local[1], 0.0f);
  EXPECT_FLOAT_EQ(local[2], 10.0f);
  EXPECT_FLOAT_EQ(local[3], 1.0f);
  float m[16] = {};
  fw_GetGlobals().World->GetMatrix(m);
  EXPECT_EQ(m[12], 1.0f);  // translation row
  fw_GetGlobals().World_BackInTime->GetMatrix(m);
  EXPECT_EQ(m[12], 0.0f);
}
