// The scroller's CPU side: the terrain grid the landscape shader raises, the leaf field built
// from the shared generator (checked against the generator's formula written out here), the leaf
// counts for an amount, and the hero's echoes with the generator's state around them.
#include "scroller_Geometry.h"

#include <platform/crt.h>

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The runtime generator written out independently: state * 214013 + 2531011, bits 16 to 30.
struct Lcg {
  explicit Lcg(uint32_t seed) : state(seed) {}
  int next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fff);
  }
  uint32_t state;
};

}  // namespace

TEST(ScrollerTerrain, GridHasEightVerticesAndThirtyIndicesPerCell) {
  std::vector<float> positions;
  std::vector<uint32_t> indices;
  scroller_BuildTerrainGrid(45, 160, positions, indices);
  ASSERT_EQ(positions.size(), 57600u * 2);
  ASSERT_EQ(indices.size(), 216000u);

  const uint32_t first[9] = {0, 1, 4, 1, 5, 4, 6, 3, 2};
  for (int k = 0; k < 9; ++k) EXPECT_EQ(indices[k], first[k]) << k;
  // The second cell starts eight vertices on; the first cell of row 1 at 8 x 160.
  EXPECT_EQ(indices[30], 8u);
  EXPECT_EQ(indices[160 * 30], 1280u);
  for (uint32_t index : indices) ASSERT_LT(index, 57600u);

  EXPECT_EQ(positions[0], -1.0f);
  EXPECT_EQ(positions[1], -1.0f);
  EXPECT_EQ(positions[2], static_cast<float>(2.0 / 161.0 - 1.0));
  EXPECT_EQ(positions[3], -1.0f);
  // Corner order (j, i), (j + 1, i), (j, i + 1), (j + 1, i + 1); the top copy repeats the floor.
  EXPECT_EQ(positions[5], static_cast<float>(2.0 / 46.0 - 1.0));
  for (int k = 0; k < 8; ++k) EXPECT_EQ(positions[8 + k], positions[k]) << k;
  // The last cell's far corner: x = (M - 1) / (M + 1), y = (R - 1) / (R + 1).
  EXPECT_EQ(positions[positions.size() - 2], static_cast<float>(2.0 * 160 / 161 - 1.0));
  EXPECT_EQ(positions[positions.size() - 1], static_cast<float>(2.0 * 45 / 46 - 1.0));
}

TEST(ScrollerTerrain, EmptyOrNegativeSizesBuildNothing) {
  std::vector<float> positions{1.0f};
  std::vector<uint32_t> indices{7u};
  scroller_BuildTerrainGrid(0, 160, positions, indices);
  EXPECT_TRUE(positions.empty());
  EXPECT_TRUE(indices.empty());
  scroller_BuildTerrainGrid(45, -3, positions, indices);
  EXPECT_TRUE(positions.empty());
}

namespace {

// A 4 x 6 grid on the 1280 x 720 stage: cells 320 x 180, grid lines x = -960 ... 960 and
// y = -360 ... 360 at scroll 0, the eye above x = 0 (column line 3), y = 0 (row line 2).
constexpr int32_t kRows = 4, kColumns = 6;

struct Maps {
  Maps() {
    for (scroller_HeightMap* map : {&first, &second}) {
      map->width = kColumns;
      map->height = kRows;
      map->red.assign(kColumns * kRows, 0);
    }
  }
  // Grid row 0 is the image's bottom row.
  void set(int column, int row, uint8_t inFirst, uint8_t inSecond = 0) {
    first.red[(kRows - 1 - row) * kColumns + column] = inFirst;
    second.red[(kRows - 1 - row) * kColumns + column] = inSecond;
  }
  std::vector<uint32_t> visible(float scroll, float fade) const {
    std::vector<uint32_t> indices{99u};
    scroller_BuildVisibleTerrainIndices(kRows, kColumns, first, second, scroll, fade, indices);
    return indices;
  }
  scroller_HeightMap first, second;
};

// The grid's indices of cell (column, row)'s faces, named down, up, right, left, top.
std::vector<uint32_t> Faces(int column, int row, const std::string& names) {
  static const char* const kNames[5] = {"down", "up", "right", "left", "top"};
  std::vector<float> positions;
  std::vector<uint32_t> grid;
  scroller_BuildTerrainGrid(kRows, kColumns, positions, grid);
  std::vector<uint32_t> out;
  const size_t cell = static_cast<size_t>(row * kColumns + column) * 30;
  for (int face = 0; face < 5; ++face)
    if (names.find(kNames[face]) != std::string::npos)
      out.insert(out.end(), grid.begin() + cell + face * 6, grid.begin() + cell + face * 6 + 6);
  return out;
}

// The faces appear in the list, in their order.
bool Contains(const std::vector<uint32_t>& indices, const std::vector<uint32_t>& faces) {
  return std::search(indices.begin(), indices.end(), faces.begin(), faces.end()) != indices.end();
}

}  // namespace

// The tops move behind the walls, both in the order they had: walls and tops are shaded by
// techniques of their own, so a wall taken for a top would be shaded as one.
TEST(ScrollerTerrainFaces, TopsGoBehindTheWallsInTheirOrder) {
  Maps maps;
  maps.set(4, 3, 200);
  maps.set(1, 0, 120);
  maps.set(2, 0, 90);
  std::vector<uint32_t> indices = maps.visible(0.0f, 0.0f);
  const size_t walls = scroller_SplitWallsAndTops(indices);
  std::vector<uint32_t> expected;
  for (const auto& [column, row, names] : {std::tuple{1, 0, "up right"}, {2, 0, "up right"}, {4, 3, "down left"},
                                           {1, 0, "top"}, {2, 0, "top"}, {4, 3, "top"}}) {
    const std::vector<uint32_t> faces = Faces(column, row, names);
    expected.insert(expected.end(), faces.begin(), faces.end());
  }
  EXPECT_EQ(indices, expected);
  EXPECT_EQ(walls, Faces(1, 0, "up right").size() + Faces(2, 0, "up right").size() + Faces(4, 3, "down left").size());
  std::vector<uint32_t> none;
  EXPECT_EQ(scroller_SplitWallsAndTops(none), 0u);
}

// What the landscape draws: a lone block shows its top and the two walls turned to the eye; open
// air shows nothing.
TEST(ScrollerTerrainFaces, ALoneBlockShowsItsTopAndTheWallsTurnedToTheEye) {
  Maps maps;
  maps.set(4, 3, 200);  // x 320 ... 640, y 180 ... 360: up and to the right of the eye
  EXPECT_EQ(maps.visible(0.0f, 0.0f), Faces(4, 3, "down left top"));
  maps = Maps();
  maps.set(1, 0, 200);  // down and to the left
  EXPECT_EQ(maps.visible(0.0f, 0.0f), Faces(1, 0, "up right top"));
  // Scrolled by 1.5 columns the map's column 1 lands in grid column 0 ... x -1120 to -800.
  EXPECT_EQ(maps.visible(1.5f, 0.0f), Faces(0, 0, "up right top"));
  // A wall edge-on to the eye (the line x = 0) is kept whichever way it is turned.
  maps = Maps();
  maps.set(3, 3, 200);
  EXPECT_EQ(maps.visible(0.0f, 0.0f), Faces(3, 3, "down left top"));
  maps = Maps();
  maps.set(2, 3, 200);
  EXPECT_EQ(maps.visible(0.0f, 0.0f), Faces(2, 3, "down right top"));
}

// A wall goes when its neighbour is at least as high, by the same texels or clearly higher.
TEST(ScrollerTerrainFaces, WallsGoWhereANeighbourAtLeastAsHighHidesThem) {
  Maps maps;
  for (int column = 3; column < 6; ++column)
    for (int row = 1; row < 4; ++row) maps.set(column, row, 120, 120);
  maps.set(4, 2, 119, 119);
  const std::vector<uint32_t> all = maps.visible(0.0f, 0.5f);
  EXPECT_TRUE(Contains(all, Faces(4, 2, "top")));
  EXPECT_FALSE(Contains(all, Faces(4, 2, "down")));  // turned to the eye, hidden by higher ones
  EXPECT_FALSE(Contains(all, Faces(4, 2, "left")));
  EXPECT_FALSE(Contains(all, Faces(4, 3, "left")));  // the same height
  EXPECT_TRUE(Contains(all, Faces(5, 2, "left"))) << "the neighbour on the left is lower";
  EXPECT_TRUE(Contains(all, Faces(3, 3, "left"))) << "edge-on, open air beside it";

  // The same mixed height from other texels may round either way: the wall stays.
  maps.set(3, 2, 130, 110);
  maps.set(4, 2, 120, 120);
  EXPECT_TRUE(Contains(maps.visible(0.0f, 0.5f), Faces(4, 2, "left")));
  // At fade 0 only the first map counts, exactly.
  EXPECT_FALSE(Contains(maps.visible(0.0f, 0.0f), Faces(4, 2, "left")));
}

TEST(ScrollerTerrainFaces, HeightFadeCrossesTheMapsAndKeepsBlocksTooNearTheThresholdToTell) {
  Maps maps;
  maps.set(4, 3, 0, 255);  // only in the second map; its height is the fade itself
  EXPECT_TRUE(maps.visible(0.0f, 0.0f).empty());
  EXPECT_EQ(maps.visible(0.0f, 1.0f), Faces(4, 3, "down left top"));
  EXPECT_EQ(maps.visible(0.0f, 7.0f), Faces(4, 3, "down left top")) << "the fade is clamped";
  EXPECT_EQ(maps.visible(0.0f, 0.02f), Faces(4, 3, "down left top")) << "at the open-air threshold";
  EXPECT_TRUE(maps.visible(0.0f, 0.0199f).empty());
}

// Without both maps, or with a scroll or fade the shader's arithmetic leaves undefined, every
// face is drawn, in the grid's own order.
TEST(ScrollerTerrainFaces, WithoutMapsOrWithUndefinedValuesEveryFaceIsKept) {
  std::vector<float> positions;
  std::vector<uint32_t> grid;
  scroller_BuildTerrainGrid(kRows, kColumns, positions, grid);
  Maps maps;
  EXPECT_EQ(maps.visible(std::nanf(""), 0.0f), grid);
  EXPECT_EQ(maps.visible(0.0f, INFINITY), grid);
  EXPECT_EQ(maps.visible(3e9f, 0.0f), grid);
  maps.second.red.pop_back();
  EXPECT_EQ(maps.visible(0.0f, 0.0f), grid);
  std::vector<uint32_t> none{1u};
  scroller_BuildVisibleTerrainIndices(0, kColumns, maps.first, maps.first, 0.0f, 0.0f, none);
  EXPECT_TRUE(none.empty());
}

TEST(ScrollerLeaves, FieldFollowsTheGeneratorSeededWith832) {
  crt::srand(832);
  std::vector<scroller_LeafVertex> vertices;
  std::vector<uint32_t> indices;
  scroller_BuildLeaves(25000, vertices, indices);
  ASSERT_EQ(vertices.size(), 100000u);
  ASSERT_EQ(indices.size(), 150000u);

  Lcg lcg(832);
  for (int n = 0; n < 25000; ++n) {
    const float x = (2.0f * lcg.next() / 32767.0f - 1.0f) * 600.0f;
    const float y = (2.0f * lcg.next() / 32767.0f - 1.0f) * 200.0f;
    float s = lcg.next() * 12.0f / 32767.0f + 30.0f;
    if (n % 400 == 0) s *= 10.0f;
    const scroller_LeafVertex* leaf = &vertices[4 * n];
    ASSERT_FLOAT_EQ(leaf[0].position[0], x) << n;
    ASSERT_FLOAT_EQ(leaf[0].position[1], y) << n;
    ASSERT_FLOAT_EQ(leaf[0].position[2], n * 0.03485f) << n;
    ASSERT_FLOAT_EQ(leaf[1].corner[0], s) << n;
    ASSERT_FLOAT_EQ(leaf[1].corner[1], 9.0f * s / 16.0f) << n;
  }
  // Corners (-s, 9s/16), (s, 9s/16), (s, -9s/16), (-s, -9s/16) share the position.
  const float s = vertices[4 * 7 + 1].corner[0];
  const float expected[4][2] = {{-s, 9 * s / 16}, {s, 9 * s / 16}, {s, -9 * s / 16}, {-s, -9 * s / 16}};
  for (int c = 0; c < 4; ++c) {
    EXPECT_FLOAT_EQ(vertices[4 * 7 + c].corner[0], expected[c][0]);
    EXPECT_FLOAT_EQ(vertices[4 * 7 + c].corner[1], expected[c][1]);
    EXPECT_EQ(vertices[4 * 7 + c].position[0], vertices[4 * 7].position[0]);
  }
  const uint32_t leaf7[6] = {28, 29, 30, 28, 30, 31};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(indices[6 * 7 + k], leaf7[k]);
  // Three values per leaf and no more: the generator continues right after the last leaf.
  EXPECT_EQ(crt::rand(), lcg.next());
}

TEST(ScrollerLeaves, EveryFourHundredthLeafIsTenTimesLarger) {
  crt::srand(832);
  std::vector<scroller_LeafVertex> vertices;
  std::vector<uint32_t> indices;
  scroller_BuildLeaves(25000, vertices, indices);
  int large = 0;
  for (int n = 0; n < 25000; ++n) {
    const float s = vertices[4 * n + 1].corner[0];
    if (n % 400 == 0) {
      ++large;
      EXPECT_GE(s, 300.0f) << n;
      EXPECT_LE(s, 420.0f) << n;
    } else {
      ASSERT_GE(s, 30.0f) << n;
      ASSERT_LE(s, 42.0f) << n;
    }
  }
  EXPECT_EQ(large, 63);  // leaves 0, 400, ..., 24,800
}

TEST(ScrollerLeaves, DrawCountFollowsTheAmountWithinBounds) {
  EXPECT_EQ(scroller_LeafDrawCount(100.0f, 25000), 25000);
  EXPECT_EQ(scroller_LeafDrawCount(0.003f, 25000), 0);  // 0.75 leaves
  EXPECT_EQ(scroller_LeafDrawCount(150.0f, 25000), 25000);
  EXPECT_EQ(scroller_LeafDrawCount(50.0f, 25000), 12500);
  EXPECT_EQ(scroller_LeafDrawCount(0.004f, 25000), 1);
  EXPECT_EQ(scroller_LeafDrawCount(-20.0f, 25000), 0);
  EXPECT_EQ(scroller_LeafDrawCount(NAN, 25000), 0);
  EXPECT_EQ(scroller_LeafDrawCount(1e30f, 25000), 25000);
}

TEST(ScrollerHero, EchoesFadeFromPointEightToPointFourAndRepeat) {
  const scroller_HeroParams params{17, 3.5f, 100.0f, -20.0f, 5.0f};
  D3DXVECTOR4 first[5], second[5];
  crt::srand(1);
  scroller_ComputeEchoes(params, first);
  crt::srand(999);
  scroller_ComputeEchoes(params, second);
  const float expected[5] = {0.8f, 0.7f, 0.6f, 0.5f, 0.4f};
  for (int e = 0; e < 5; ++e) {
    EXPECT_FLOAT_EQ(first[e].w, expected[e]) << e;
    // Same seed and time: the same places, whatever the generator was doing before.
    EXPECT_EQ(first[e].x, second[e].x) << e;
    EXPECT_EQ(first[e].y, second[e].y) << e;
    EXPECT_EQ(first[e].z, second[e].z) << e;
  }
}

TEST(ScrollerHero, EchoPlacementFollowsWaypointsAndTheSeed) {
  const scroller_HeroParams params{4242, 10.0f, 30.0f, 12.0f, -7.0f};
  D3DXVECTOR4 echoes[5];
  scroller_ComputeEchoes(params, echoes);
  Lcg lcg(4242);
  auto waypoint = [](double v, double* x, double* y) {
    *x = 80.0 * std::sin(2.43 * v) - 150.0;
    *y = 50.0 * std::sin(1.132 * v);
  };
  for (int e = 0; e < 5; ++e) {
    const double o = 10.0 / 4.2 + e, u = std::floor(o), f = o - u;
    const double h = f * f * (3 - 2 * f);
    double ax, ay, bx, by;
    waypoint(u, &ax, &ay);
    waypoint(u + 1, &bx, &by);
    const double qx = ax * (1 - h) + bx * h, qy = ay * (1 - h) + by * h;
    const int r1 = lcg.next(), r2 = lcg.next();
    EXPECT_NEAR(echoes[e].x, qx + 30.0 - 40.0, 1e-3) << e;
    EXPECT_NEAR(echoes[e].y, (0.5 - r1 / 32767.0) * 410.0 + 12.0 + qy, 1e-3) << e;
    EXPECT_NEAR(echoes[e].z, r2 * 60.0 / 32767.0 - 7.0, 1e-4) << e;
  }
  // A different seed scatters them differently.
  D3DXVECTOR4 other[5];
  scroller_ComputeEchoes({4243, 10.0f, 30.0f, 12.0f, -7.0f}, other);
  EXPECT_NE(other[0].y, echoes[0].y);
}

TEST(ScrollerHero, GeneratorContinuesFromAFreshPointAfterTheEchoes) {
  crt::srand(77);
  Lcg lcg(77);
  const int saved = lcg.next();
  D3DXVECTOR4 echoes[5];
  scroller_ComputeEchoes({5, 1.0f, 0, 0, 0}, echoes);
  // The generator is reseeded with the value drawn first, not left on the hero's seed.
  Lcg fresh(static_cast<uint32_t>(saved));
  EXPECT_EQ(crt::rand(), fresh.next());
  EXPECT_EQ(crt::rand(), fresh.next());
}
