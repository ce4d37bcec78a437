// The Demo scene's CPU side: mosaic quads from the shared generator and the quad count rule, the
// layer values read from tracks with their scaling, the sub-frame times, the light direction,
// and the model plan (which model, how many instances, where, and the generator around it).
#include "core_tracks.h"
#include "demo_Demo.h"
#include "device/fw_Quality.h"
#include "demo_Models.h"
#include "demo_Mosaic.h"
#include "demo_MosaicCulling.h"
#include "dusk_Tracks.h"
#include "sync/fw_Sync.h"

#include <platform/crt.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cmath>

namespace {

struct Lcg {
  explicit Lcg(uint32_t seed) : state(seed) {}
  int next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fff);
  }
  uint32_t state;
};

D3DXVECTOR3 Apply(const D3DXMATRIX& m, float x, float y, float z) {
  D3DXVECTOR4 out;
  D3DXVECTOR4 in(x, y, z, 1.0f);
  D3DXVec4Transform(&out, &in, &m);
  return D3DXVECTOR3(out.x, out.y, out.z);
}

}  // namespace

TEST(DemoMosaic, QuadsComeFromFourGeneratorValuesEach) {
  crt::srand(3);
  std::vector<demo_QuadVertex> vertices;
  std::vector<uint32_t> indices;
  demo_BuildMosaicQuads(1500, vertices, indices);
  ASSERT_EQ(vertices.size(), 6000u);
  ASSERT_EQ(indices.size(), 9000u);
  Lcg lcg(3);
  for (int q = 0; q < 1500; ++q) {
    const float cx = lcg.next() / 32767.0f * 3.0f - 1.5f;
    const float cy = lcg.next() / 32767.0f * 2.0f - 1.0f;
    const float w = lcg.next() * 0.5f / 32767.0f;
    const float h = lcg.next() * 0.5f / 32767.0f;
    const float corners[4][2] = {{-w / 2, h / 2}, {w / 2, h / 2}, {w / 2, -h / 2}, {-w / 2, -h / 2}};
    for (int c = 0; c < 4; ++c) {
      const demo_QuadVertex& v = vertices[4 * q + c];
      ASSERT_FLOAT_EQ(v.centre[0], cx) << q;
      ASSERT_FLOAT_EQ(v.centre[1], cy) << q;
      ASSERT_FLOAT_EQ(v.corner[0], corners[c][0]) << q;
      ASSERT_FLOAT_EQ(v.corner[1], corners[c][1]) << q;
    }
  }
  const uint32_t quad2[6] = {8, 9, 10, 8, 10, 11};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(indices[12 + k], quad2[k]);
}

TEST(DemoMosaic, QuadCountIsAPercentOfTheQuadsWithinBounds) {
  EXPECT_EQ(demo_MosaicQuadCount(50.0f, 1500), 750);
  EXPECT_EQ(demo_MosaicQuadCount(150.0f, 1500), 1500);
  EXPECT_EQ(demo_MosaicQuadCount(-10.0f, 1500), 0);
  EXPECT_EQ(demo_MosaicQuadCount(100.0f, 1500), 1500);
  EXPECT_EQ(demo_MosaicQuadCount(0.1f, 1500), 1);
  EXPECT_EQ(demo_MosaicQuadCount(0.05f, 1500), 0);
  EXPECT_EQ(demo_MosaicQuadCount(NAN, 1500), 0);
}

// Without spread, drift or depth mess a quad stays where it was built: at an aspect of 1.42 its
// centre and corners are clip units over 1.42 across and clip units up. Quad 0 lies well inside
// quad 1; quad 2 stands out beside it.
TEST(DemoMosaic, OpaqueQuadsWhollyUnderNearerOnesAreLeftOut) {
  std::vector<demo_QuadVertex> vertices;
  for (const auto& [x, w] : {std::pair{0.0f, 0.4f}, {0.0f, 1.0f}, {0.5f, 0.4f}})
    for (const auto& c : {std::pair{-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}, {-1.0f, -1.0f}})
      vertices.push_back({{x, 0.0f}, {c.first * w / 2, c.second * w / 2}});
  const demo_MosaicView view{142, 100, 1.42f};
  auto visible = [&](std::vector<demo_MosaicLayer> layers) {
    for (demo_MosaicLayer& layer : layers) layer.quadCount = 3;
    return demo_VisibleOpaqueQuads(vertices, layers, 3, view);
  };
  demo_MosaicLayer calm;
  calm.opaque = true;
  using Quads = std::vector<int32_t>;
  EXPECT_EQ(visible({calm}), std::vector<Quads>({{2, 1}}));

  // See-through layers are drawn whole by their own pass.
  demo_MosaicLayer seeThrough = calm;
  seeThrough.opaque = false;
  EXPECT_EQ(visible({seeThrough}), std::vector<Quads>({{}}));

  // A glitching layer keeps its quads and hides none behind it; values that are not numbers keep
  // the layer whole too.
  demo_MosaicLayer glitching = calm;
  glitching.glitch = 10.0f;
  EXPECT_EQ(visible({calm, glitching}), std::vector<Quads>({{2, 1}, {2, 1, 0}}));
  demo_MosaicLayer broken = calm;
  broken.spread = NAN;
  EXPECT_EQ(visible({broken}), std::vector<Quads>({{2, 1, 0}}));

  // Half-size copies behind lie wholly under their nearer copies; same-size copies reach the
  // margin beyond what the nearer ones are sure to cover, and stay.
  demo_MosaicLayer small = calm;
  small.quadScaleX = small.quadScaleY = 0.5f;
  EXPECT_EQ(visible({small, calm}), std::vector<Quads>({{}, {2, 1}}));
  EXPECT_EQ(visible({calm, calm}), std::vector<Quads>({{2, 1}, {2, 1}}));
  // A view without a size places nothing and leaves every quad in.
  calm.quadCount = 3;
  EXPECT_EQ(demo_VisibleOpaqueQuads(vertices, {calm}, 3, demo_MosaicView{}), std::vector<Quads>({{2, 1, 0}}));
}

TEST(DemoMosaic, LayerValuesUseTheirDigitsTracksDefaultsAndScaling) {
  namespace fs = boost::filesystem;
  const fs::path dir = fs::temp_directory_path() / fs::unique_path("demo-tracks-%%%%%%");
  fs::create_directories(dir);
  const std::string base = (dir / "sync").string();
  ASSERT_TRUE(core_test::WriteTrack(base, "2_DepthMess", {{0, 20.0f, 0}}));
  ASSERT_TRUE(core_test::WriteTrack(base, "2_QuadScaleX", {{0, 50.0f, 0}}));
  ASSERT_TRUE(core_test::WriteTrack(base, "2_Drift", {{0, 3.0f, 1}, {10, 13.0f, 0}}));
  ASSERT_TRUE(core_test::WriteTrack(base, "1_Zoom", {{0, 40.0f, 0}}));
  fw_StartSync(base.c_str());

  demo_MosaicLayer layer;
  demo_ReadMosaicLayer(2, 5.0f, layer);
  EXPECT_FLOAT_EQ(layer.depthMess, 3.0f);  // 20 x 0.1 + 1
  EXPECT_FLOAT_EQ(layer.quadScaleX, 0.5f);
  EXPECT_FLOAT_EQ(layer.quadScaleY, 1.0f);  // empty: 100, then x 0.01
  EXPECT_FLOAT_EQ(layer.drift, 8.0f);       // halfway along the linear key
  EXPECT_FLOAT_EQ(layer.zoom, 100.0f);      // layer 1's zoom is not layer 2's
  EXPECT_FLOAT_EQ(layer.spread, 0.0f);
  EXPECT_FLOAT_EQ(layer.glitch, 0.0f);
  demo_ReadMosaicLayer(1, 5.0f, layer);
  EXPECT_FLOAT_EQ(layer.zoom, 40.0f);
  EXPECT_FLOAT_EQ(layer.depthMess, 1.0f);

  demo_ModelTracks none = demo_ReadModelTracks(5.0f);
  EXPECT_EQ(none.wireShow, 0.0f);
  EXPECT_EQ(none.randSeed, 0.0f);
  fw_StopSync();
  fs::remove_all(dir);
}

TEST(DemoSubFrames, SpreadBackOverTheSameSpanWhateverTheirCount) {
  for (double t : fw_SubFrameTimes(12.5, 0.0, 8)) EXPECT_EQ(t, 12.5);
  // The show's eight: sevenths of the span, by the very expression it always used.
  const auto eight = fw_SubFrameTimes(12.5, 0.07, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(eight[i], 12.5 - i * 0.07 / 7.0) << i;
  // Four and two reach just as far back; one is the frame's own time.
  const auto four = fw_SubFrameTimes(12.5, 0.07, 4);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(four[i], 12.5 - 0.07 * i / 3.0, 1e-12) << i;
  EXPECT_EQ(fw_SubFrameTimes(12.5, 0.07, 2)[1], 12.5 - 0.07);
  EXPECT_EQ(fw_SubFrameTimes(12.5, 0.07, 1)[0], 12.5);
  // Counts outside 1..8 are clamped, never read past the array.
  EXPECT_EQ(fw_SubFrameTimes(12.5, 0.07, 99)[7], eight[7]);
  EXPECT_EQ(fw_SubFrameTimes(12.5, 0.07, -3)[0], 12.5);
  EXPECT_EQ(fw_SubFrameWeight(8), 0.125f);
  EXPECT_EQ(fw_SubFrameWeight(4), 0.25f);
  EXPECT_EQ(fw_SubFrameWeight(0), 1.0f);
}

TEST(DemoModels, LightDirectionTurnsTheFrontAxisByBothAngles) {
  const D3DXVECTOR4 front = demo_LightDirection(0.0f, 0.0f);
  EXPECT_NEAR(front.x, 0.0f, 1e-6);
  EXPECT_NEAR(front.y, 0.0f, 1e-6);
  EXPECT_NEAR(front.z, 1.0f, 1e-6);
  EXPECT_EQ(front.w, 0.0f);
  const D3DXVECTOR4 up = demo_LightDirection(90.0f, 0.0f);
  EXPECT_NEAR(up.y, 1.0f, 1e-6);
  EXPECT_NEAR(up.z, 0.0f, 1e-6);
  const D3DXVECTOR4 side = demo_LightDirection(0.0f, 90.0f);
  EXPECT_NEAR(side.x, 1.0f, 1e-6);
  const D3DXVECTOR4 mixed = demo_LightDirection(30.0f, 45.0f);
  EXPECT_NEAR(mixed.x * mixed.x + mixed.y * mixed.y + mixed.z * mixed.z, 1.0f, 1e-5);
}

TEST(DemoModels, BackgroundNumberPicksTheModelAndItsInstances) {
  demo_ModelTracks tracks;
  const auto first = demo_PlanModelDraws(2, tracks);  // "3_i" = -2
  ASSERT_EQ(first.size(), 3u);
  for (const demo_ModelDraw& d : first) EXPECT_EQ(d.model, demo_kFirstModel);
  const auto second = demo_PlanModelDraws(1, tracks);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].model, demo_kSecondModel);
  const auto third = demo_PlanModelDraws(3, tracks);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].model, demo_kThirdModel);
  EXPECT_TRUE(demo_PlanModelDraws(4, tracks).empty());  // "3_i" = -4
  EXPECT_TRUE(demo_PlanModelDraws(0, tracks).empty());
  // A "3_i" clamped to the lowest integer has no negation: no model, and no overflow.
  EXPECT_EQ(demo_ModelNumber(-2), 2);
  EXPECT_EQ(demo_ModelNumber(-4), 0);
  EXPECT_EQ(demo_ModelNumber(dusk_TruncateTrack(-1e20f)), 0);
}

TEST(DemoModels, InstancesArePlacedFromTheSeedEveryFrame) {
  demo_ModelTracks tracks;
  tracks.randSeed = 321.7f;  // truncated to 321
  tracks.x = 10.0f;
  tracks.y = 20.0f;
  tracks.z = -30.0f;
  crt::srand(5);
  const auto a = demo_PlanModelDraws(2, tracks);
  crt::srand(6000);
  const auto b = demo_PlanModelDraws(2, tracks);
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), 3u);
  Lcg lcg(321);
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 16; ++k) EXPECT_EQ(a[i].world.m[k / 4][k % 4], b[i].world.m[k / 4][k % 4]) << i;
    const int r1 = lcg.next(), r2 = lcg.next(), r3 = lcg.next(), r4 = lcg.next();
    // The model's origin lands on the instance spot plus the model translation (y lowered by 110).
    const D3DXVECTOR3 origin = Apply(a[i].world, 0, 0, 0);
    EXPECT_NEAR(origin.x, (r1 / 32767.0f - 0.5f) * 500.0f + 10.0f, 1e-3) << i;
    EXPECT_NEAR(origin.y, (r2 / 32767.0f - 0.5f) * 120.0f + 20.0f - 110.0f, 1e-3) << i;
    EXPECT_NEAR(origin.z, (r3 * 0.9f / 32767.0f - 0.1f) * -210.0f - 30.0f, 1e-3) << i;
    // A unit step along x turns by the instance angle (rotation about Y: x -> (cos, 0, -sin)).
    const float angle = r4 * 6.2831855f / 32767.0f;
    const D3DXVECTOR3 step = Apply(a[i].world, 1, 0, 0);
    EXPECT_NEAR(step.x - origin.x, std::cos(angle), 1e-4) << i;
    EXPECT_NEAR(step.z - origin.z, -std::sin(angle), 1e-4) << i;
  }
}

TEST(DemoModels, ModelRotationActsFirstAndTranslationLast) {
  demo_ModelTracks tracks;
  tracks.rotation = 90.0f;
  tracks.x = 5.0f;
  tracks.y = 110.0f;
  const auto draws = demo_PlanModelDraws(1, tracks);
  ASSERT_EQ(draws.size(), 1u);
  // (1, 0, 0) turned by 90 degrees about Y is (0, 0, -1), then moved by (5, 0, 0).
  const D3DXVECTOR3 p = Apply(draws[0].world, 1, 0, 0);
  EXPECT_NEAR(p.x, 5.0f, 1e-5);
  EXPECT_NEAR(p.y, 0.0f, 1e-5);
  EXPECT_NEAR(p.z, -1.0f, 1e-5);
}

TEST(DemoModels, GeneratorContinuesFromAFreshPointAfterThePlan) {
  demo_ModelTracks tracks;
  tracks.randSeed = 9;
  for (int m : {2, 4}) {
    crt::srand(1234);
    Lcg lcg(1234);
    const int saved = lcg.next();
    demo_PlanModelDraws(m, tracks);
    Lcg fresh(static_cast<uint32_t>(saved));
    EXPECT_EQ(crt::rand(), fresh.next()) << m;
    EXPECT_EQ(crt::rand(), fresh.next()) << m;
  }
}

TEST(DemoTracks, WholeNumbersFromTracksAreDefinedForEveryValue) {
  EXPECT_EQ(dusk_TruncateTrack(3.9f), 3);
  EXPECT_EQ(dusk_TruncateTrack(-2.7f), -2);  // toward zero: "3_i" = -2.7 is model 2
  EXPECT_EQ(dusk_TruncateTrack(-0.5f), 0);
  EXPECT_EQ(dusk_TruncateTrack(NAN), 0);
  EXPECT_EQ(dusk_TruncateTrack(1e20f), 2147483647);
  EXPECT_EQ(dusk_TruncateTrack(-1e20f), -2147483647 - 1);
  // A seed track far out of range still places the instances, the same way every time.
  demo_ModelTracks tracks;
  tracks.randSeed = 3e12f;
  const auto a = demo_PlanModelDraws(2, tracks);
  const auto b = demo_PlanModelDraws(2, tracks);
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[1].world.m[3][0], b[1].world.m[3][0]);
}
