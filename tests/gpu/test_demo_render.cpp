// The Demo scene on a software device with the real production's effects, pictures and models,
// at a small render size: a frame fills the landscape (blocks before a sky), model and mosaic
// targets, and "timeDelay" 0 makes the eight averaged sub-frames one picture. What a frame binds
// and sets is tested without pixels in the unit test of the Demo frame.
#include "demo_Demo.h"

#include "device/fw_DeviceState.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_Paths.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"

#include "test_post_gpu.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cmath>

namespace {

namespace fs = boost::filesystem;
using post_gpu::ReadBack;
using post_gpu::Rgba;

class DemoGpu : public post_gpu::FrameworkGpu {
 protected:
  DemoGpu() : FrameworkGpu(192, 108, "demo-gpu-%%%%%%") {}

  void Track(const std::string& name, float value) { ASSERT_TRUE(post_gpu::WriteTrack(mDir, name, value)); }

  // Tracks written before this call are the ones the scene sees.
  void Load() {
    ASSERT_NO_FATAL_FAILURE(StartSyncAndLoadResources());
    mDemo = new Demo("demo.xml");
    mDemo->createResources();
    // The frame would set the camera; look at the models from the front, 700 units away.
    D3DXMATRIX view, projection, viewProjection;
    D3DXVECTOR3 eye(0, 0, 700), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovRH(&projection, 0.7853982f, 16.0f / 9.0f, 1.0f, 2000.0f);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    fw_GetGlobals().ViewProjection->SetMatrix(viewProjection);
    fw_GetGlobals().EyePositionWorld->SetFloatVector(D3DXVECTOR4(0, 0, 700, 1));
  }

  void TearDown() override {
    delete mDemo;
    FrameworkGpu::TearDown();
  }

  static int CountWhere(const std::vector<Rgba>& texels, bool (*test)(const Rgba&)) {
    return static_cast<int>(std::count_if(texels.begin(), texels.end(), test));
  }

  Demo* mDemo = nullptr;
};

bool Opaque(const Rgba& p) { return p.a > 0.99f; }
bool Lit(const Rgba& p) { return p.r + p.g + p.b > 0.05f; }

}  // namespace

TEST_F(DemoGpu, OneFrameFillsLandscapeModelsAndAveragesEqualSubFrames) {
  Track("3_i", -2.0f);   // the first model, three times, as the background
  Track("2_i", -1.0f);   // layers 2 and 4 off
  Track("4_i", -1.0f);
  Track("Post_Bloom", 0.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  mDemo->render();

  const std::vector<Rgba> landscape = ReadBack(fw_FindTexture("r8g8b8a8_2"));
  ASSERT_FALSE(landscape.empty());
  // Blocks at the bottom, the sky behind them everywhere else: an opaque picture, warm and bright
  // along the bottom rows (the ground of the first height map), dark in the sky above it.
  EXPECT_EQ(CountWhere(landscape, Opaque), static_cast<int>(landscape.size()));
  auto rowLight = [&](int y) {
    float sum = 0.0f;
    for (int x = 0; x < 192; ++x) sum += landscape[y * 192 + x].r + landscape[y * 192 + x].g;
    return sum / 192.0f;
  };
  EXPECT_GT(rowLight(100), rowLight(25) + 0.2f);

  const std::vector<Rgba> models = ReadBack(fw_FindTexture("r8g8b8a8_1"));
  EXPECT_GT(CountWhere(models, Opaque), 200) << "the three instances are drawn";

  // No delay: eight identical sub-frames added at 0.125 give the mosaic picture itself.
  const std::vector<Rgba> mosaic = ReadBack(fw_FindTexture("r8g8b8a8_3"));
  const std::vector<Rgba> accumulation = ReadBack(fw_FindTexture("r16g16b16a16f_1"));
  ASSERT_EQ(mosaic.size(), accumulation.size());
  EXPECT_GT(CountWhere(mosaic, Lit), 192 * 108 / 10);
  float worst = 0.0f;
  for (size_t i = 0; i < mosaic.size(); ++i) {
    worst = std::max({worst, std::fabs(mosaic[i].r - accumulation[i].r), std::fabs(mosaic[i].g - accumulation[i].g),
                      std::fabs(mosaic[i].b - accumulation[i].b)});
  }
  EXPECT_LT(worst, 0.01f);

  EXPECT_GT(CountWhere(ReadBack(fw_FindTexture("backbuffer")), Lit), 192 * 108 / 10);
}
