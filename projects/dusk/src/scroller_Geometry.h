// The scroller's CPU side: the terrain grid, the leaf field and the hero's echo placement, built
// from the runtime's shared rand()/srand() where the picture depends on it. No device needed, so
// the numbers the shaders receive can be checked on their own.
#pragma once

#include <platform/d3dx10math.h>

#include <cstdint>
#include <vector>

// One leaf corner: the leaf's position, and the corner's offset from it as texture coordinate.
struct scroller_LeafVertex {
  float position[3];
  float corner[2];
};
static_assert(sizeof(scroller_LeafVertex) == 20, "the leaf vertex format is 20 bytes");

// What the hero component is drawn with for one sub-frame.
struct scroller_HeroParams {
  int32_t seed;
  float time;
  float x, y, z;
};

// Eight vertices (floor corners, then top corners) of two floats and 30 indices per cell, rows
// outer and columns inner. Positions are computed in double and stored as float.
void scroller_BuildTerrainGrid(int32_t rows, int32_t columns, std::vector<float>& positions,
                               std::vector<uint32_t>& indices);

// A height map as the landscape shader reads it: the red channel's bytes, row 0 the image's top.
struct scroller_HeightMap {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> red;  // width x height
  bool valid() const { return width > 0 && height > 0 && red.size() == static_cast<size_t>(width) * height; }
};

// The faces of scroller_BuildTerrainGrid's grid that can show at this scroll ("bgScroll") and
// fade ("bgHeightFade" x 0.01), as indices into its vertices: none of a cell the shader lays flat
// as open air, no wall turned away from the stage's eye (the device culls those) and no wall
// against a neighbour at least as high (which hides it; only the edge where it meets that
// neighbour's top can round either way). A cell whose height lies too near the open-air
// threshold to tell, or a neighbour too near the cell's height, keeps its faces. Without two
// valid maps every face is kept.
void scroller_BuildVisibleTerrainIndices(int32_t rows, int32_t columns, const scroller_HeightMap& first,
                                         const scroller_HeightMap& second, float scroll, float heightFade,
                                         std::vector<uint32_t>& indices);

// Moves the tops of a list of whole faces of the grid (as the two functions above give) behind its
// walls, each part in its order, and returns the number of wall indices: the two are shaded by
// techniques of their own. A top is the face whose corners are all of the cell's top four.
size_t scroller_SplitWallsAndTops(std::vector<uint32_t>& indices);

// Four corners and six indices per leaf, drawing three values per leaf from the shared generator
// in its current state (the caller seeds it).
void scroller_BuildLeaves(int32_t count, std::vector<scroller_LeafVertex>& vertices, std::vector<uint32_t>& indices);

// Leaves drawn for an amount in percent of leafCount: truncated, none below one, at most all.
int32_t scroller_LeafDrawCount(float amount, int32_t leafCount);

// The five echoes' "gHeroParameters". Draws one value to restore afterwards, seeds the shared
// generator with the hero's seed, draws two values per echo, then seeds with the saved value.
void scroller_ComputeEchoes(const scroller_HeroParams& params, D3DXVECTOR4 echoes[5]);
