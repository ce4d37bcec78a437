// The Demo scene on a software device with the real production's effects, pictures and models,
// at a small render size: a frame fills the landscape (blocks before a sky), model and mosaic
// targets, and "timeDelay" 0 makes the eight averaged sub-frames one picture. What a frame binds
// and sets is tested without pixels in the unit test of the Demo frame.
#include "demo_Demo.h"
#include "demo_MosaicCulling.h"

#include "device/fw_DeviceState.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_Paths.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"

#include "log_capture.h"
#include "test_post_gpu.h"

#include <gtest/gtest.h>

#include <platform/safe_release.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;
using post_gpu::ReadBack;
using post_gpu::Rgba;

class DemoGpu : public post_gpu::FrameworkGpu {
 protected:
  explicit DemoGpu(int width = 192, int height = 108) : FrameworkGpu(width, height, "demo-gpu-%%%%%%") {}

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

  // What `draw` draws into the named target, cleared, with a cleared depth buffer, read back.
  template <class Draw> std::vector<Rgba> DrawCleared(const char* targetName, Draw draw) {
    fw_Texture* target = fw_FindTexture(targetName);
    fw_Texture* depth = fw_FindTexture("d32f_backbuffer");
    const float clear[4] = {0, 0, 0, 0};
    fw_SetRenderTarget(target, 0, depth);
    fw_GetDevice()->ClearRenderTargetView(target->mRenderTargetView, clear);
    fw_GetDevice()->ClearDepthStencilView(depth->mDepthStencilView, D3D10_CLEAR_DEPTH, 1.0f, 0);
    draw();
    return ReadBack(target);
  }

  // The layers drawn into a cleared r8g8b8a8_3 with a cleared depth buffer, read back.
  std::vector<Rgba> DrawMosaic(const std::vector<demo_MosaicLayer>& layers) {
    return DrawCleared("r8g8b8a8_3", [&] { demo_DrawMosaicLayers(mDemo->mMosaicEffect, *mDemo->mQuads, layers); });
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

// The model picture's occupancy marks the 32 x 32 blocks that hold a texel of a model, and the
// mosaic drops only quads that would show nothing: with the marks, its layer draws what it draws
// without them; with a grid of an empty picture, none of it.
TEST_F(DemoGpu, OccupancyMarksTheModelsBlocksAndDropsOnlyQuadsThatShowNothing) {
  Track("3_i", -2.0f);
  Track("2_i", -1.0f);
  Track("4_i", -1.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  mDemo->render();

  fw_Texture* picture = fw_FindTexture("r8g8b8a8_1");
  const std::vector<Rgba> models = ReadBack(picture);
  const std::vector<Rgba> grid = ReadBack(mDemo->mModelOccupancy.grid);
  ASSERT_EQ(grid.size(), 6u * 4u);  // 192 x 108 in blocks of 32, the last ones partial
  int marked = 0;
  for (int by = 0; by < 4; ++by) {
    for (int bx = 0; bx < 6; ++bx) {
      bool holds = false;
      for (int y = by * 32; y < std::min(by * 32 + 32, 108); ++y)
        for (int x = bx * 32; x < std::min(bx * 32 + 32, 192); ++x) holds = holds || models[y * 192 + x].a > 0.0f;
      EXPECT_EQ(grid[by * 6 + bx].a > 0.5f, holds) << "block " << bx << ", " << by;
      marked += holds;
    }
  }
  ASSERT_GT(marked, 0);
  ASSERT_LT(marked, 24) << "the models leave blocks empty";

  // An empty picture's grid: the cleared spare target.
  fw_CreateRenderSizeTarget("r8g8b8a8_4", DXGI_FORMAT_R8G8B8A8_UNORM);
  fw_Texture* empty = fw_FindTexture("r8g8b8a8_4");
  const float clear[4] = {0, 0, 0, 0};
  fw_GetDevice()->ClearRenderTargetView(empty->mRenderTargetView, clear);
  demo_Occupancy nothing;
  demo_MarkOccupancy(mDemo->mMosaicEffect, *mDemo->mQuads, empty, nothing);
  ASSERT_NE(nothing.grid, nullptr);

  auto draw = [&](const demo_Occupancy* occupancy) {
    demo_MosaicLayer layer;
    layer.texture = picture;
    layer.quadCount = mDemo->mQuads->mQuadCount;
    layer.glitch = 40.0f;  // split channels read beside the quad's own texels
    layer.occupancy = occupancy;
    return DrawMosaic({layer});
  };
  const std::vector<Rgba> all = draw(nullptr);
  const std::vector<Rgba> culled = draw(&mDemo->mModelOccupancy);
  const std::vector<Rgba> none = draw(&nothing);
  ASSERT_EQ(all.size(), culled.size());
  EXPECT_GT(CountWhere(all, Lit), 50);
  float worst = 0.0f;
  for (size_t i = 0; i < all.size(); ++i)
    worst = std::max({worst, std::fabs(all[i].r - culled[i].r), std::fabs(all[i].g - culled[i].g),
                      std::fabs(all[i].b - culled[i].b), std::fabs(all[i].a - culled[i].a)});
  EXPECT_LE(worst, 1.0f / 255.0f + 1e-6f);
  EXPECT_EQ(CountWhere(none, Lit), 0);

  // An edit of the effect that loses the marking pass leaves every block marked, not the empty
  // picture's marks from before.
  fw_Effect* mosaic = mDemo->mMosaicEffect;
  std::ifstream in(mosaic->mPath);
  std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t at = source.find("-- technique Occupancy");
  ASSERT_NE(at, std::string::npos);
  source.replace(at, 22, "-- technique Renamed");
  const fs::path edited = mDir / "mosaic_edited.fx";
  std::ofstream(edited.string()) << source;
  std::string messages;
  ASSERT_TRUE(mosaic->reload(&messages, edited.string())) << messages;
  demo_MarkOccupancy(mosaic, *mDemo->mQuads, empty, nothing);
  const std::vector<Rgba> unmarked = ReadBack(nothing.grid);
  EXPECT_EQ(CountWhere(unmarked, Opaque), static_cast<int>(unmarked.size()));
}

// A layer without glitch takes the techniques without the glitch's samples: its picture is the
// one the glitching techniques draw, pixel for pixel, for an opaque and a see-through layer.
TEST_F(DemoGpu, LayersWithoutGlitchDrawWhatTheGlitchingTechniquesDraw) {
  Track("3_i", -2.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  mDemo->render();
  auto draw = [&]() {
    std::vector<demo_MosaicLayer> layers(2);
    layers[0].texture = fw_FindTexture("r8g8b8a8_2");  // the landscape, opaque here
    layers[0].opaque = true;
    layers[0].spread = 20.0f;
    layers[1].texture = fw_FindTexture("r8g8b8a8_1");  // the models, see-through
    layers[1].drift = 10.0f;
    for (demo_MosaicLayer& layer : layers) layer.quadCount = mDemo->mQuads->mQuadCount;
    return DrawMosaic(layers);
  };
  const std::vector<Rgba> calm = draw();

  // Without the calm techniques the layers fall back to the glitching ones.
  fw_Effect* mosaic = mDemo->mMosaicEffect;
  std::ifstream in(mosaic->mPath);
  std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const std::string name : {"-- technique QuadsOpaqueCalm", "-- technique QuadsSeeThroughCalm"}) {
    const size_t at = source.find(name);
    ASSERT_NE(at, std::string::npos) << name;
    source.replace(at, name.size(), name + "Renamed");
  }
  const fs::path edited = mDir / "mosaic_glitching.fx";
  std::ofstream(edited.string()) << source;
  std::string messages;
  ASSERT_TRUE(mosaic->reload(&messages, edited.string())) << messages;
  const std::vector<Rgba> glitching = draw();

  ASSERT_EQ(calm.size(), glitching.size());
  EXPECT_GT(CountWhere(calm, Lit), static_cast<int>(calm.size() / 10));
  int differing = 0;
  for (size_t i = 0; i < calm.size(); ++i)
    differing += calm[i].r != glitching[i].r || calm[i].g != glitching[i].g || calm[i].b != glitching[i].b ||
                 calm[i].a != glitching[i].a;
  EXPECT_EQ(differing, 0);
}

// The opaque layers' quads that the CPU finds wholly under nearer ones are left out, and the
// picture is the one every quad gives, pixel for pixel: with spread, drift, sunk and scaled quads,
// a glitching layer among them and a see-through layer over them.
TEST_F(DemoGpu, QuadsLeftOutUnderNearerOnesChangeNoPixel) {
  Track("3_i", -2.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_GetGlobals().RenderDim->SetFloatVector(D3DXVECTOR4(192.0f, 108.0f, 1.0f / 192.0f, 1.0f / 108.0f));
  mDemo->render();
  std::vector<demo_MosaicLayer> layers(4);
  layers[0].texture = fw_FindTexture("r8g8b8a8_2");  // the landscape
  layers[0].spread = 20.0f;
  layers[0].depthMess = 3.0f;
  layers[1].texture = fw_FindTexture("r8g8b8a8_2");
  layers[1].glitch = 40.0f;
  layers[1].drift = 5.0f;
  layers[2].texture = fw_FindTexture("r8g8b8a8_2");
  layers[2].drift = 10.0f;
  layers[2].quadScaleX = 0.7f;
  layers[2].quadScaleY = 1.3f;
  layers[3].texture = fw_FindTexture("r8g8b8a8_1");  // the models, see-through
  for (size_t k = 0; k < layers.size(); ++k) {
    layers[k].opaque = k < 3;
    layers[k].quadCount = mDemo->mQuads->mQuadCount * (k == 2 ? 1 : 2) / 3;
  }
  fw_Texture* target = fw_FindTexture("r8g8b8a8_3");
  const std::vector<Rgba> culled = DrawMosaic(layers);
  const demo_MosaicView view{static_cast<int32_t>(target->getWidth()), static_cast<int32_t>(target->getHeight()),
                             192.0f / 108.0f};
  const auto visible = demo_VisibleOpaqueQuads(mDemo->mQuads->mVertices, layers, mDemo->mQuads->mQuadCount, view);
  // Some quads of both calm layers are left out, none of the glitching one's.
  EXPECT_LT(visible[0].size(), static_cast<size_t>(layers[0].quadCount));
  EXPECT_LT(visible[2].size(), static_cast<size_t>(layers[2].quadCount));
  EXPECT_EQ(visible[1].size(), static_cast<size_t>(layers[1].quadCount));

  // Without the buffer of visible quads every quad is drawn.
  SafeRelease(mDemo->mQuads->mVisibleIndexBuffer);
  const std::vector<Rgba> whole = DrawMosaic(layers);
  ASSERT_EQ(culled.size(), whole.size());
  EXPECT_GT(CountWhere(whole, Lit), static_cast<int>(whole.size() / 2));
  int differing = 0;
  for (size_t i = 0; i < whole.size(); ++i)
    differing += culled[i].r != whole[i].r || culled[i].g != whole[i].g || culled[i].b != whole[i].b ||
                 culled[i].a != whole[i].a;
  EXPECT_EQ(differing, 0);
}

// Large enough for the blocks' walls to cover pixels.
class DemoGpuLandscape : public DemoGpu {
 protected:
  DemoGpuLandscape() : DemoGpu(640, 360) {}
};

// The floor corners of a block's walls rise to its neighbours' tops, dropping only what those
// neighbours hide: the landscape is the one that walls down to the floor give, but for pixels on
// the edges where a wall meets its neighbour's top.
TEST_F(DemoGpuLandscape, WallsLoseOnlyWhatTheirNeighboursHide) {
  Track("Post_Bloom", 0.0f);
  ASSERT_NO_FATAL_FAILURE(Load());
  mDemo->render();
  const std::vector<Rgba> risen = ReadBack(fw_FindTexture("r8g8b8a8_2"));

  fw_Effect* terrain = mDemo->mTerrain->mEffect;
  std::ifstream in(terrain->mPath);
  std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string rise = "z = min(height, min(beside, across));";
  const size_t at = source.find(rise);
  ASSERT_NE(at, std::string::npos) << "the floor corners' rise in " << terrain->mPath;
  source.replace(at, rise.size(), "z = 0.0;");
  const fs::path floored = mDir / "rtype_floored.fx";
  std::ofstream(floored.string()) << source;
  std::string messages;
  ASSERT_TRUE(terrain->reload(&messages, floored.string())) << messages;
  mDemo->render();
  const std::vector<Rgba> floor = ReadBack(fw_FindTexture("r8g8b8a8_2"));

  ASSERT_EQ(risen.size(), floor.size());
  int differing = 0;
  for (size_t i = 0; i < risen.size(); ++i) {
    const float d = std::max({std::fabs(risen[i].r - floor[i].r), std::fabs(risen[i].g - floor[i].g),
                              std::fabs(risen[i].b - floor[i].b)});
    differing += d > 3.0f / 255.0f;
  }
  // About 1 % here: along the edges the shorter walls' depths round to the other side of their
  // neighbours' tops. A wall trimmed against the wrong neighbour leaves twice that.
  EXPECT_LT(differing, static_cast<int>(risen.size() * 3 / 200)) << differing << " of " << risen.size();
  EXPECT_GT(CountWhere(risen, Lit), static_cast<int>(risen.size() / 4));
}

// The faces the terrain leaves out on the CPU would have shown nothing: the landscape is the whole
// grid's, on either map, where they cross, near the open-air threshold and at scrolls that put a
// grid line on either side of the eye, but for edges where a hidden wall met its neighbour's top
// in a tie of depths. A visible wall left out shows as 2 % of the pixels or more.
TEST_F(DemoGpuLandscape, FacesLeftOutOnTheCpuWouldShowNothing) {
  ASSERT_NO_FATAL_FAILURE(Load());
  scroller_Terrain& terrain = *mDemo->mTerrain;
  ASSERT_NE(terrain.mVisibleIndexBuffer, nullptr) << "the height maps were read back";
  const scroller_TerrainParams cases[] = {{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
                                          {37.4f, -300.0f, 60.0f, 10.0f, 1.0f, 2.0f},
                                          {512.5f, 250.0f, -120.0f, 40.0f, 0.5f, 3.0f},
                                          {901.97f, 0.0f, 0.0f, 0.0f, 0.0215f, 4.0f}};
  auto draw = [&](const scroller_TerrainParams& params) {
    return DrawCleared("r8g8b8a8_2", [&] { terrain.render(params); });
  };
  std::vector<std::vector<Rgba>> culled;
  for (const scroller_TerrainParams& params : cases) culled.push_back(draw(params));
  ID3D10Buffer* visible = terrain.mVisibleIndexBuffer;
  terrain.mVisibleIndexBuffer = nullptr;  // every face of the grid
  for (size_t c = 0; c < std::size(cases); ++c) {
    SCOPED_TRACE("scroll " + std::to_string(cases[c].scroll) + ", fade " + std::to_string(cases[c].heightFade));
    const std::vector<Rgba> whole = draw(cases[c]);
    ASSERT_EQ(whole.size(), culled[c].size());
    EXPECT_GT(CountWhere(whole, Lit), static_cast<int>(whole.size() / 10));
    int differing = 0;
    for (size_t i = 0; i < whole.size(); ++i)
      differing += whole[i].r != culled[c][i].r || whole[i].g != culled[c][i].g || whole[i].b != culled[c][i].b;
    EXPECT_LT(differing, static_cast<int>(whole.size() / 400)) << differing << " of " << whole.size();
  }
  terrain.mVisibleIndexBuffer = visible;
}

// The edge pictures are sampled as pairs copied from their textures: a picture that changes (as a
// live edit changes it) is copied again, one of another size leaves the blocks without those
// edges and says so once, and a match again brings them back.
TEST_F(DemoGpuLandscape, EdgePairsFollowTheirPicturesAndAMismatchIsSaidOnce) {
  ASSERT_NO_FATAL_FAILURE(Load());
  scroller_Terrain& terrain = *mDemo->mTerrain;
  const scroller_TerrainParams params = {12.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
  auto draw = [&] { return DrawCleared("r8g8b8a8_2", [&] { terrain.render(params); }); };
  auto differing = [](const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i) count += a[i].r != b[i].r || a[i].g != b[i].g || a[i].b != b[i].b;
    return count;
  };
  const std::vector<Rgba> before = draw();
  auto replaceOuter = [&](const std::string& file) {
    fw_Texture*& outer = terrain.mTextures[3];
    outer->release();
    delete outer;
    outer = fw_Texture::LoadFromImageFile(file);
  };

  LogCapture log;
  replaceOuter(DUSK_SOURCE_DIR "/tests/data/images/rows.png");
  const std::vector<Rgba> mismatched = draw();
  draw();
  int warnings = 0;
  for (const auto& [level, line] : log.lines()) warnings += line.find("cannot be sampled as a pair") != std::string::npos;
  EXPECT_EQ(warnings, 1);
  EXPECT_TRUE(log.contains("horisontal outer edges.png"));
  EXPECT_GT(differing(before, mismatched), static_cast<int>(before.size() / 50)) << "the bevels left out";

  replaceOuter("./data/scroller/horisontal outer edges.png");
  EXPECT_EQ(differing(before, draw()), 0);
}
