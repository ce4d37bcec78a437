// One Demo frame on the recording device with the production's own effects, pictures and models:
// each sub-frame's tracks reach the terrain, hero and leaves at that sub-frame's own time; the
// mosaic's layers, the models and their scalings; the generator's order at creation. What only
// pixels can show stays in the GPU tests.
#include "demo_Demo.h"
#include "demo_Mosaic.h"
#include "scroller_Geometry.h"

#include "core_recording.h"
#include "res/fw_Effect.h"
#include "sync/fw_Clock.h"

#include <platform/crt.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using core_test::InputName;
using core_test::TargetName;
using Draw = const d3d10rec::Event*;

constexpr double kFrameTime = 10.0;  // seconds of music at the frame

class DemoFrame : public core_test::FrameworkRecording {
 protected:
  DemoFrame() : FrameworkRecording(192, 108) {}

  // A track that is f(row) = a + b * row, as two linear keys.
  void Ramp(const std::string& name, float a, float b) {
    ASSERT_TRUE(core_test::WriteTrack((mDir / "sync").string(), name, {{0, a, 1}, {1000, a + 1000 * b, 0}}));
  }
  static float RampAt(float a, float b, double seconds) { return a + b * fw_RowFromSeconds(seconds); }

  void LoadDemo() {
    ASSERT_NO_FATAL_FAILURE(Load());
    mDemo = new Demo("demo.xml");
    mDemo->createResources();
    fw_CreateClocks();
    fw_GetMusicClock()->stopAt(kFrameTime);
    d3d10rec::ClearRecord(mDevice);
  }

  void TearDown() override {
    delete mDemo;
    fw_DestroyClocks();
    FrameworkRecording::TearDown();
  }

  std::vector<Draw> DrawsOf(const std::string& technique) const {
    std::vector<Draw> out;
    for (Draw d : Draws())
      if (d->technique == technique) out.push_back(d);
    return out;
  }

  // A mosaic pass's draws, of layers with glitch ("QuadsOpaque") and without ("QuadsOpaqueCalm").
  std::vector<Draw> MosaicDraws(const std::string& technique) const {
    std::vector<Draw> out;
    for (Draw d : Draws())
      if (d->technique == technique || d->technique == technique + "Calm") out.push_back(d);
    return out;
  }

  static double SubFrameTime(int i, double delaySeconds) { return kFrameTime - i * delaySeconds / 7.0; }

  Demo* mDemo = nullptr;
};

void ExpectVector(const d3d10rec::Event& d, const char* name, std::vector<float> expected) {
  const d3d10rec::RecordedVariable* v = d.Variable(name);
  ASSERT_NE(v, nullptr) << name;
  ASSERT_EQ(v->floats.size(), expected.size()) << name;
  for (size_t k = 0; k < expected.size(); ++k)
    EXPECT_NEAR(v->floats[k], expected[k], 1e-3f * std::max(1.0f, std::fabs(expected[k]))) << name << "[" << k << "]";
}

}  // namespace

TEST_F(DemoFrame, EachSubFramesTracksReachTerrainHeroAndLeavesAtItsOwnTime) {
  ASSERT_TRUE(WriteTrack("timeDelay", 700.0f));  // sub-frames a tenth of a second apart
  Ramp("heroX", 0.0f, 1.0f);
  Ramp("heroY", 1.0f, 2.0f);
  Ramp("heroZ", 2.0f, 3.0f);
  Ramp("bgScroll", 0.0f, 5.0f);
  Ramp("bgHeightFade", 0.0f, 7.0f);
  Ramp("heroRnd", 0.5f, 1.0f);
  Ramp("leafsRnd", -0.5f, -1.0f);  // negative: truncation and flooring differ
  Ramp("leafsScale", 0.0f, 11.0f);
  ASSERT_TRUE(WriteTrack("leafsNum", 40.0f));
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  mDemo->render();

  // The landscape's walls, then its tops, each by its own technique.
  const std::vector<Draw> terrain = DrawsOf("bgWalls"), tops = DrawsOf("bgTops"), hero = DrawsOf("hero"),
                          grain = DrawsOf("grain"), leaves = DrawsOf("leafs");
  ASSERT_EQ(terrain.size(), 8u);
  ASSERT_EQ(tops.size(), 8u);
  EXPECT_TRUE(DrawsOf("bg").empty());
  ASSERT_EQ(grain.size(), 8u);  // the sky
  ASSERT_EQ(hero.size(), 8u * 6);
  ASSERT_EQ(leaves.size(), 8u);
  for (const scroller_HeightMap& map : mDemo->mTerrain->mHeightMaps) {
    EXPECT_EQ(map.width, 640);
    EXPECT_EQ(map.height, 45);
  }
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE("sub-frame " + std::to_string(i));
    const double ti = SubFrameTime(i, 0.7);
    const float x = RampAt(0, 1, ti), y = RampAt(1, 2, ti), z = RampAt(2, 3, ti);
    ExpectVector(*terrain[i], "gHeroPosition", {x, y, z, 0.0f});
    ExpectVector(*terrain[i], "gScrollValue", {RampAt(0, 5, ti)});
    ExpectVector(*terrain[i], "gHeightFade", {RampAt(0, 7, ti) * 0.01f});
    // The blocks and the sky take the same frame of film grain.
    ExpectVector(*terrain[i], "gTime", {float(ti)});
    // Only the faces that can show, chosen from the maps at this sub-frame's scroll and fade.
    std::vector<uint32_t> visible;
    scroller_BuildVisibleTerrainIndices(45, 160, mDemo->mTerrain->mHeightMaps[0], mDemo->mTerrain->mHeightMaps[1],
                                        terrain[i]->Float("gScrollValue"), terrain[i]->Float("gHeightFade"), visible);
    const size_t walls = scroller_SplitWallsAndTops(visible);
    EXPECT_EQ(terrain[i]->count, walls);
    EXPECT_EQ(terrain[i]->start, 0u);
    EXPECT_EQ(tops[i]->start, walls);
    EXPECT_EQ(tops[i]->count, visible.size() - walls);
    EXPECT_LT(visible.size(), 216000u / 3);
    ExpectVector(*tops[i], "gScrollValue", {RampAt(0, 5, ti)});
    EXPECT_EQ(TargetName(*terrain[i]), "r8g8b8a8_2");
    EXPECT_EQ(terrain[i]->depthTarget.resource, fw_FindTexture("d32f_backbuffer")->mTexture2D);

    ExpectVector(*grain[i], "gTime", {float(ti)});
    ExpectVector(*hero[i * 6], "gHeroParameters", {x, y, z, 1.0f});
    // The echoes come from the generator seeded with the truncated "heroRnd" of this sub-frame.
    crt::srand(static_cast<unsigned>(int32_t(RampAt(0.5f, 1.0f, ti))));
    crt::rand();
    const float echoZ = crt::rand() * 60.0f / 32767.0f + z;
    for (int e = 0; e < 5; ++e) EXPECT_FLOAT_EQ(hero[i * 6 + 1 + e]->Variable("gHeroParameters")->floats[3], 0.8f - 0.1f * e);
    EXPECT_NEAR(hero[i * 6 + 1]->Variable("gHeroParameters")->floats[2], echoZ, 1e-3f);

    const d3d10rec::Event& leaf = *leaves[i];
    ExpectVector(leaf, "gTime", {float(ti)});
    ExpectVector(leaf, "gQuadScale", {RampAt(0, 11, ti) * 0.01f});
    ASSERT_EQ(leaf.Variable("gRndSeed")->kind, d3d10rec::ValueKind::kInt);
    EXPECT_EQ(leaf.Variable("gRndSeed")->ints, std::vector<int32_t>{int32_t(RampAt(-0.5f, -1.0f, ti))});
    EXPECT_EQ(leaf.count, 6u * 10000);
    EXPECT_EQ(TargetName(leaf), "r16g16b16a16f_1");
    EXPECT_EQ(InputName(leaf, "gTexture"), "r8g8b8a8_3");
  }
}

TEST_F(DemoFrame, MosaicLayersFollowTheirPicturesAndSwitches) {
  ASSERT_TRUE(WriteTrack("2_i", 1.0f));
  ASSERT_TRUE(WriteTrack("4_i", 2.7f));
  ASSERT_TRUE(WriteTrack("1_NumQuads", 50.0f));
  ASSERT_TRUE(WriteTrack("1_QuadScaleX", 30.0f));
  ASSERT_TRUE(WriteTrack("1_DepthMess", 20.0f));
  ASSERT_TRUE(WriteTrack("1_Glitch", 30.0f));
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  mDemo->render();
  // Every picture is opaque, so each sub-frame draws its layers front to back, the top one first.
  std::vector<Draw> quads = MosaicDraws("QuadsOpaque");
  ASSERT_EQ(quads.size(), 8u * 4);
  EXPECT_TRUE(MosaicDraws("QuadsSeeThrough").empty());
  const char* pictures[4] = {"r8g8b8a8_2", "./bg/1.png", "./bg/0.png", "./bg/2.png"};
  for (int layer = 0; layer < 4; ++layer) {
    SCOPED_TRACE(pictures[layer]);
    const d3d10rec::Event& d = *quads[3 - layer];
    EXPECT_EQ(InputName(d, "gBgTex"), pictures[layer]);
    const fw_Texture* picture = fw_FindTexture(pictures[layer]);
    ASSERT_NE(picture, nullptr);
    EXPECT_FLOAT_EQ(d.Float("gImageAspect"), float(picture->getWidth()) / float(picture->getHeight()));
    // The first n quads, last one first, in the layer's stretch of the visible-quad list: a
    // glitching layer keeps them all, calm ones lose those under nearer quads.
    const unsigned count = layer == 0 ? 750u : 1500u;
    EXPECT_EQ(d.start, layer * 1500u * 6);
    EXPECT_EQ(d.count % 6, 0u);
    if (layer == 0)
      EXPECT_EQ(d.count, count * 6);
    else
      EXPECT_LT(d.count, count * 6);
    ASSERT_EQ(d.Variable("gRankBase")->kind, d3d10rec::ValueKind::kInt);
    EXPECT_EQ(d.Variable("gRankBase")->ints, std::vector<int32_t>{layer * 1500}) << "later layers lie nearer";
    EXPECT_EQ(TargetName(d), "r8g8b8a8_3");
    EXPECT_EQ(d.depth, "write");
    // Only the layer with glitch takes the technique that can glitch a quad.
    EXPECT_EQ(d.technique, layer == 0 ? "QuadsOpaque" : "QuadsOpaqueCalm");
  }
  ExpectVector(*quads[3], "gQuadScale", {0.3f, 1.0f, 0.0f, 0.0f});
  ExpectVector(*quads[3], "gDepthMess", {3.0f});
  ExpectVector(*quads[2], "gQuadScale", {1.0f, 1.0f, 0.0f, 0.0f});
}

TEST_F(DemoFrame, NegativePictureNumbersSwitchTheirLayersOff) {
  ASSERT_TRUE(WriteTrack("2_i", -1.0f));
  ASSERT_TRUE(WriteTrack("4_i", -0.5f));  // truncates to 0, but the switch looks at the value
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  mDemo->render();
  std::vector<Draw> quads = MosaicDraws("QuadsOpaque");
  ASSERT_EQ(quads.size(), 8u * 2);
  EXPECT_EQ(InputName(*quads[0], "gBgTex"), "./bg/0.png");
  EXPECT_EQ(InputName(*quads[1], "gBgTex"), "r8g8b8a8_2");
}

TEST_F(DemoFrame, ModelsScaleTheirTracksAndDrawTheWireframeOnlyAboveZero) {
  ASSERT_TRUE(WriteTrack("3_i", -2.0f));
  ASSERT_TRUE(WriteTrack("meshWireShow", 25.0f));
  ASSERT_TRUE(WriteTrack("meshDistort_scale", 30.0f));
  ASSERT_TRUE(WriteTrack("meshDistort_alpha", -20.0f));
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  mDemo->render();
  const std::vector<Draw> smooth = DrawsOf("smooth"), wire = DrawsOf("wireframe");
  ASSERT_FALSE(smooth.empty());
  // One wire draw a placement (the smooth pass draws a subset per material): the faces from the
  // feet up to a quarter of the model height, so fewer than the model has, but some.
  ASSERT_EQ(wire.size(), 8u * 3);
  EXPECT_EQ(wire[0]->fill, "wireframe");
  const unsigned modelIndices = smooth[0]->count + smooth[1]->count;
  EXPECT_GT(wire[0]->count, 0u);
  EXPECT_LT(wire[0]->count, modelIndices / 2);
  EXPECT_EQ(wire[0]->count % 3, 0u);
  ExpectVector(*wire[0], "gModelHeight", {280.0f});
  std::set<std::vector<float>> placements;
  for (Draw d : smooth) {
    EXPECT_EQ(TargetName(*d), "r8g8b8a8_1");
    ExpectVector(*d, "gWireMeshShowPercent", {0.25f});
    ExpectVector(*d, "gDistortionScale", {0.3f});
    ExpectVector(*d, "gDistortionDrift", {-0.2f});
    placements.insert(d->Variable("gWorldMatrix")->floats);
  }
  EXPECT_EQ(placements.size(), 3u) << "the first model, three times, placed alike in every sub-frame";
  // Mosaic layer 3 samples the model picture, which has see-through texels: it is blended after
  // the opaque layers, tested against their depths.
  const std::vector<Draw> seeThrough = MosaicDraws("QuadsSeeThrough");
  ASSERT_EQ(seeThrough.size(), 8u);
  EXPECT_EQ(InputName(*seeThrough[0], "gBgTex"), "r8g8b8a8_1");
  EXPECT_EQ(seeThrough[0]->depth, "test");
  EXPECT_EQ(seeThrough[0]->Variable("gRankBase")->ints, std::vector<int32_t>{2 * 1500});
  // Its quads are looked up in the picture's occupancy, marked after each sub-frame's models; the
  // opaque layers drawn before it look up nothing.
  EXPECT_EQ(seeThrough[0]->Variable("gCullEmpty")->ints, std::vector<int32_t>{1});
  EXPECT_EQ(DrawsOf("Occupancy").size(), 8u);
  for (Draw d : MosaicDraws("QuadsOpaque")) EXPECT_EQ(d->Variable("gCullEmpty")->ints, std::vector<int32_t>{0});

  // At zero and below the wireframe pass is not drawn.
  for (float show : {0.0f, -5.0f}) {
    fw_StopSync();
    ASSERT_TRUE(WriteTrack("meshWireShow", show));
    fw_StartSync((mDir / "sync").string().c_str());
    d3d10rec::ClearRecord(mDevice);
    mDemo->render();
    EXPECT_FALSE(DrawsOf("smooth").empty());
    EXPECT_TRUE(DrawsOf("wireframe").empty()) << show;
  }
  // Revealed past the top, every face is drawn.
  fw_StopSync();
  ASSERT_TRUE(WriteTrack("meshWireShow", 110.0f));
  fw_StartSync((mDir / "sync").string().c_str());
  d3d10rec::ClearRecord(mDevice);
  mDemo->render();
  ASSERT_FALSE(DrawsOf("wireframe").empty());
  EXPECT_EQ(DrawsOf("wireframe")[0]->count, modelIndices);
}

TEST_F(DemoFrame, BackgroundMinusFourDrawsNoModelIntoAClearedPicture) {
  ASSERT_TRUE(WriteTrack("3_i", -4.0f));
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  mDemo->render();
  EXPECT_TRUE(DrawsOf("smooth").empty());
  int clears = 0;
  for (const d3d10rec::Event& e : Rec().events)
    clears += e.kind == d3d10rec::EventKind::kClearRenderTarget && TargetName(e) == "r8g8b8a8_1";
  EXPECT_EQ(clears, 8);
  EXPECT_EQ(InputName(*MosaicDraws("QuadsSeeThrough")[0], "gBgTex"), "r8g8b8a8_1");
}

TEST_F(DemoFrame, CreationDrawsTheLeavesFrom832AndTheQuadsFromWhereTheGeneratorWasHeading) {
  ASSERT_NO_FATAL_FAILURE(Load());
  crt::srand(4711);
  const int heading = crt::rand();
  crt::srand(4711);
  mDemo = new Demo("demo.xml");
  mDemo->createResources();

  auto contents = [&](ID3D10Buffer* buffer) {
    D3D10_BUFFER_DESC desc;
    buffer->GetDesc(&desc);
    D3D10_BUFFER_DESC staging{desc.ByteWidth, D3D10_USAGE_STAGING, 0, D3D10_CPU_ACCESS_READ, 0};
    ID3D10Buffer* copy = nullptr;
    mDevice->CreateBuffer(&staging, nullptr, &copy);
    mDevice->CopyResource(copy, buffer);
    void* bytes = nullptr;
    std::vector<uint8_t> out(desc.ByteWidth);
    if (SUCCEEDED(copy->Map(D3D10_MAP_READ, 0, &bytes))) {
      memcpy(out.data(), bytes, out.size());
      copy->Unmap();
    }
    copy->Release();
    return out;
  };

  crt::srand(832);
  std::vector<scroller_LeafVertex> leafVertices;
  std::vector<uint32_t> leafIndices;
  scroller_BuildLeaves(25000, leafVertices, leafIndices);
  crt::srand(static_cast<unsigned>(heading));
  std::vector<demo_QuadVertex> quadVertices;
  std::vector<uint32_t> quadIndices;
  demo_BuildMosaicQuads(1500, quadVertices, quadIndices);

  const std::vector<uint8_t> leaves = contents(mDemo->mLeafs->mVertexBuffer);
  ASSERT_EQ(leaves.size(), leafVertices.size() * sizeof(scroller_LeafVertex));
  EXPECT_EQ(0, memcmp(leaves.data(), leafVertices.data(), leaves.size()));
  const std::vector<uint8_t> quads = contents(mDemo->mQuads->mVertexBuffer);
  ASSERT_EQ(quads.size(), quadVertices.size() * sizeof(demo_QuadVertex));
  EXPECT_EQ(0, memcmp(quads.data(), quadVertices.data(), quads.size()));
}

TEST_F(DemoFrame, EffectsOfferTheTechniquesAndVariablesTheSceneSets) {
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  struct Contract {
    fw_Effect* effect;
    std::vector<const char*> techniques, variables;
  };
  const Contract contracts[] = {
      {mDemo->mTerrain->mEffect,
       {"bg"},
       {"gHeightTexture", "gHeightTexture2", "gHorEdgeTextures", "gVertEdgeTextures", "gTexture1", "gGrainTexture",
        "gTime", "gNumRows", "gNumColumns", "gHeroPosition", "gScrollValue", "gHeightFade"}},
      {mDemo->mHero->mEffect, {"grain", "hero"}, {"gGrainTexture", "gTime", "gHeroParameters"}},
      {mDemo->mLeafs->mEffect, {"leafs"}, {"gTexture", "gTime", "gRndSeed", "gQuadScale"}},
      {mDemo->mMeshEffect,
       {"smooth", "wireframe"},
       {"gWorldMatrix", "gLightDirection", "gMeshShading", "gWireMeshGlitch", "gWireMeshShowPercent",
        "gModelHeight", "gDistortionScale", "gDistortionDrift"}},
      {mDemo->mMosaicEffect,
       {"QuadsOpaque", "QuadsSeeThrough", "QuadsOpaqueCalm", "QuadsSeeThroughCalm", "Occupancy"},
       {"gBgTex", "gTapetTexture", "gSpread", "gDrift", "gGlitch", "gBgZoom", "gDepthMess", "gQuadScale",
        "gImageAspect", "gRankBase", "gOccupancy", "gCullEmpty"}},
  };
  for (const Contract& c : contracts) {
    ASSERT_NE(c.effect, nullptr);
    ASSERT_NE(c.effect->mEffect, nullptr) << c.effect->mPath << " did not load";
    for (const char* name : c.techniques) EXPECT_TRUE(c.effect->getTechniqueByName(name)->IsValid()) << name;
    for (const char* name : c.variables) EXPECT_TRUE(c.effect->getVariableByName(name)->IsValid()) << name;
  }
  int rows = 0, columns = 0;
  mDemo->mTerrain->mEffect->getVariableByName("gNumRows")->AsScalar()->GetInt(&rows);
  mDemo->mTerrain->mEffect->getVariableByName("gNumColumns")->AsScalar()->GetInt(&columns);
  EXPECT_EQ(rows, 45);
  EXPECT_EQ(columns, 160);
  EXPECT_EQ(mDemo->mTerrain->mIndexCount, 216000);
  EXPECT_EQ(mDemo->mTerrain->mTextures.size(), 8u);
  EXPECT_EQ(mDemo->mHero->mTextures.size(), 1u);
  EXPECT_TRUE(mDemo->mLeafs->mTextures.empty());
}

TEST_F(DemoFrame, LeavesWithoutATargetDrawNothing) {
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  mDemo->mLeafs->render({1, 0.5f, 0.2f, 100.0f, nullptr});
  EXPECT_TRUE(Rec().events.empty());
  mDemo->mLeafs->render({1, 0.5f, 0.2f, 100.0f, fw_FindTexture("r8g8b8a8_3")});
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0]->count, 6u * 25000);
}
