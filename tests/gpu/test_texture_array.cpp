// Two textures copied into one array: every level of every layer holds its source's texels, and
// sources that cannot share an array give none; the clear array samples as transparent black.
#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "res/fw_Resources.h"
#include "res/fw_TextureArray.h"

#include "core_gpu.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A texture of `levels` levels from 4 x 4 down, each level filled with one colour: red (or green)
// 200, 100, 50 by level.
fw_Texture* Levels(int channel, UINT levels, UINT size = 4) {
  std::vector<std::vector<uint8_t>> texels;
  std::vector<D3D10_SUBRESOURCE_DATA> data;
  for (UINT level = 0; level < levels; ++level) {
    const UINT side = std::max(1u, size >> level);
    std::vector<uint8_t> fill(side * side * 4, 0);
    for (UINT i = 0; i < side * side; ++i) {
      fill[i * 4 + channel] = static_cast<uint8_t>(200 >> level);
      fill[i * 4 + 3] = 255;
    }
    texels.push_back(std::move(fill));
  }
  for (UINT level = 0; level < levels; ++level)
    data.push_back({texels[level].data(), std::max(1u, size >> level) * 4, 0});
  const D3D10_TEXTURE2D_DESC desc = {size, size, levels, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                     D3D10_BIND_SHADER_RESOURCE, 0, 0};
  fw_Texture* texture = new fw_Texture();
  fw_GetDevice()->CreateTexture2D(&desc, data.data(), &texture->mTexture2D);
  return texture;
}

struct TextureArrayTest : ::testing::Test {
  core_test::OffscreenDevice device;
  fw_Effect effect;
  fw_FullScreenQuad quad;
  void SetUp() override {
    ASSERT_NE(device.get(), nullptr);
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    ASSERT_TRUE(effect.load("texture_array.fx", nullptr));
    quad.create(effect.getTechniqueByName("Levels"));
  }
  void TearDown() override { quad.release(); }
  std::vector<uint8_t> Sample(fw_Texture* array) {
    fw_Texture target(D3D10_BIND_RENDER_TARGET, DXGI_FORMAT_R8G8B8A8_UNORM, 6, 1);
    const FLOAT grey[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    device.get()->ClearRenderTargetView(target.mRenderTargetView, grey);
    fw_SetRenderTarget(&target, 0, nullptr);
    effect.getVariableByName("gLayers")->AsShaderResource()->SetResource(array->mShaderResourceView);
    quad.draw(effect.getTechniqueByName("Levels"));
    return core_test::ReadPixels(target.mTexture2D);
  }
};

}  // namespace

TEST_F(TextureArrayTest, EveryLevelOfEveryLayerIsItsSources) {
  std::unique_ptr<fw_Texture> red(Levels(0, 3)), green(Levels(1, 3));
  std::unique_ptr<fw_Texture> array(fw_CreateTextureArray({red.get(), green.get()}));
  ASSERT_NE(array, nullptr);
  const std::vector<uint8_t> pixels = Sample(array.get());
  ASSERT_EQ(pixels.size(), 6u * 4);
  for (int layer = 0; layer < 2; ++layer)
    for (int level = 0; level < 3; ++level) {
      const uint8_t* p = &pixels[(layer * 3 + level) * 4];
      EXPECT_EQ(p[layer], 200 >> level) << "layer " << layer << " level " << level;
      EXPECT_EQ(p[1 - layer], 0) << "layer " << layer << " level " << level;
      EXPECT_EQ(p[3], 255);
    }
}

TEST_F(TextureArrayTest, SourcesThatCannotShareAnArrayGiveNoneAndTheClearArrayShowsNothing) {
  std::unique_ptr<fw_Texture> red(Levels(0, 3)), fewerLevels(Levels(1, 2)), larger(Levels(1, 3, 8));
  std::unique_ptr<fw_Texture> empty(new fw_Texture());
  EXPECT_EQ(fw_CreateTextureArray({red.get(), fewerLevels.get()}), nullptr);
  EXPECT_EQ(fw_CreateTextureArray({red.get(), larger.get()}), nullptr);
  EXPECT_EQ(fw_CreateTextureArray({red.get(), empty.get()}), nullptr);
  EXPECT_EQ(fw_CreateTextureArray({red.get(), nullptr}), nullptr);
  EXPECT_EQ(fw_CreateTextureArray({}), nullptr);

  std::unique_ptr<fw_Texture> clear(fw_CreateClearTextureArray(2));
  ASSERT_NE(clear, nullptr);
  // Levels past the clear array's one are outside it; layers 0 and 1 at level 0 are what a pick
  // with the default level reads.
  const std::vector<uint8_t> pixels = Sample(clear.get());
  for (int x : {0, 3})
    for (int c = 0; c < 4; ++c) EXPECT_EQ(pixels[x * 4 + c], 0) << "pixel " << x;
}
