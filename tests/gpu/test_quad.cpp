// The full-screen quad on a software device: it covers the whole target, draws once per pass of
// the technique (each pass after its own Apply), and a technique with no passes draws nothing.
#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "res/fw_Resources.h"

#include "core_gpu.h"

#include <gtest/gtest.h>

namespace {
struct QuadTest : ::testing::Test {
  core_test::OffscreenDevice device;
  fw_Effect effect;
  void SetUp() override {
    ASSERT_NE(device.get(), nullptr);
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    ASSERT_TRUE(effect.load("quad_passes.fx", nullptr));
  }
  std::vector<uint8_t> DrawInto(fw_Texture& target, const char* technique, fw_FullScreenQuad& quad) {
    const FLOAT black[4] = {0, 0, 0, 0};
    device.get()->ClearRenderTargetView(target.mRenderTargetView, black);
    fw_SetRenderTarget(&target, 0, nullptr);
    quad.draw(effect.getTechniqueByName(technique));
    return core_test::ReadPixels(target.mTexture2D);
  }
};
}  // namespace

TEST_F(QuadTest, BuffersLayoutAndBothPassesCoverEveryPixel) {
  fw_FullScreenQuad quad;
  quad.create(effect.getTechniqueByName("TwoPasses"));
  ASSERT_NE(quad.mVertexBuffer, nullptr);
  ASSERT_NE(quad.mIndexBuffer, nullptr);
  ASSERT_NE(quad.mInputLayout, nullptr);
  D3D10_BUFFER_DESC desc;
  quad.mVertexBuffer->GetDesc(&desc);
  EXPECT_EQ(desc.ByteWidth, 48u);
  EXPECT_EQ(desc.BindFlags, 1u);
  quad.mIndexBuffer->GetDesc(&desc);
  EXPECT_EQ(desc.ByteWidth, 24u);
  EXPECT_EQ(desc.BindFlags, 2u);

  fw_Texture target(40, DXGI_FORMAT_R8G8B8A8_UNORM, 37, 23);  // odd sizes: no pixel may be left out
  std::vector<uint8_t> pixels = DrawInto(target, "TwoPasses", quad);
  ASSERT_EQ(pixels.size(), 37u * 23u * 4u);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_NEAR(pixels[i], 64, 1) << "pixel " << i / 4;      // first pass: 0.25 red
    ASSERT_NEAR(pixels[i + 1], 128, 1) << "pixel " << i / 4;  // second pass: 0.5 green, added
    ASSERT_EQ(pixels[i + 2], 0);
  }

  D3D10_PRIMITIVE_TOPOLOGY topology;
  device.get()->IAGetPrimitiveTopology(&topology);
  EXPECT_EQ(topology, D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);  // the draw leaves its state set

  quad.release();
  EXPECT_EQ(quad.mInputLayout, nullptr);
  EXPECT_EQ(quad.mVertexBuffer, nullptr);
  quad.release();
}

TEST_F(QuadTest, TechniquesWithoutPassesOrUnknownNamesDrawNothing) {
  fw_FullScreenQuad quad;
  quad.create(effect.getTechniqueByName("TwoPasses"));
  fw_Texture target(40, DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8);
  for (const char* technique : {"Empty", "NoSuchTechnique"}) {
    std::vector<uint8_t> pixels = DrawInto(target, technique, quad);
    ASSERT_FALSE(pixels.empty());
    for (uint8_t v : pixels) ASSERT_EQ(v, 0) << technique;
  }
  fw_FullScreenQuad unbound;
  unbound.create(effect.getTechniqueByName("NoSuchTechnique"));
  EXPECT_EQ(unbound.mInputLayout, nullptr);
  EXPECT_NE(unbound.mVertexBuffer, nullptr);
}
