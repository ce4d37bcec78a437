// The Demo scene's mosaic: 1,500 randomly placed quads drawn up to four times per sub-frame, each
// layer sampling its own picture ("mosaicQuads.fx"). The CPU side here builds the quads from the
// shared rand() and turns the tracks into a layer's values; drawing needs the framework's device.
// A sub-frame's layers are drawn together: those of opaque pictures front to back with depth, so
// that hidden quads are never shaded (and quads the CPU finds wholly hidden are not even drawn,
// demo_MosaicCulling.h), then the others back to front, blended.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>
#include <vector>

class fw_Texture;
struct fw_Effect;

// One vertex: the quad's centre and the corner's offset from it.
struct demo_QuadVertex {
  float centre[2];
  float corner[2];
};
static_assert(sizeof(demo_QuadVertex) == 16, "the mosaic vertex is one 4-float POSITION");

// Which 32 x 32 blocks of a picture hold a texel with alpha: `grid` has a texel per block (the
// last ones partial), 1 where the block holds one.
struct demo_Occupancy {
  demo_Occupancy() = default;
  demo_Occupancy(const demo_Occupancy&) = delete;
  demo_Occupancy& operator=(const demo_Occupancy&) = delete;
  ~demo_Occupancy() { release(); }
  void release();
  fw_Texture* grid = nullptr;
};

// One layer's values, refilled from the tracks of its digit for every layer drawn.
struct demo_MosaicLayer {
  fw_Texture* texture = nullptr;
  // Every texel of the texture has alpha 1, so the layer has nothing to blend.
  bool opaque = false;
  int32_t quadCount = 0;
  float spread = 0.0f;
  float drift = 0.0f;
  float glitch = 0.0f;
  float zoom = 100.0f;
  float depthMess = 1.0f;
  float quadScaleX = 1.0f, quadScaleY = 1.0f;
  // When set, the texture's occupancy (demo_MarkOccupancy): quads that would show only empty
  // texels are dropped. For see-through layers only.
  const demo_Occupancy* occupancy = nullptr;
};

// Four rand() values per quad in order (centre x, centre y, width, height), current generator state.
void demo_BuildMosaicQuads(int32_t count, std::vector<demo_QuadVertex>& vertices, std::vector<uint32_t>& indices);
// Quads drawn for a "NumQuads" percentage: the integer part of numQuads x count / 100, none when
// negative, at most count.
int32_t demo_MosaicQuadCount(float numQuads, int32_t count);
// Layer `digit` (1 to 4) at the row: "<digit>_Spread", "_Drift", "_Glitch", "_Zoom",
// "_DepthMess" (x 0.1 + 1), "_QuadScaleX/Y" (x 0.01), with their defaults. The texture is left
// as it was.
void demo_ReadMosaicLayer(int digit, float row, demo_MosaicLayer& layer);

struct demo_QuadGeometry {
  ~demo_QuadGeometry() { release(); }
  // Builds layout (against pass 0 of "QuadsOpaque"), vertices and indices in both quad orders,
  // replacing earlier ones.
  void create(fw_Effect* mosaicEffect);
  // The layout alone, against the effect as it is now (one fixed live after failing to load).
  void createLayout(fw_Effect& mosaicEffect);
  void release();

  int32_t mQuadCount = 1500;
  // The vertices as built, for placing the quads on the CPU.
  std::vector<demo_QuadVertex> mVertices;
  ID3D10Buffer* mIndexBuffer = nullptr;
  // Written every sub-frame with the opaque layers' quads that can show, up to kCulledLayers layers.
  static constexpr int32_t kCulledLayers = 4;
  ID3D10Buffer* mVisibleIndexBuffer = nullptr;
  ID3D10Buffer* mReverseIndexBuffer = nullptr;  // the last quad first
  ID3D10Buffer* mVertexBuffer = nullptr;
  ID3D10InputLayout* mInputLayout = nullptr;
};

// Marks the picture's blocks into `occupancy`, (re)making its grid at the size the picture takes;
// without a picture or a device it is left empty. Leaves the grid bound as the render target.
void demo_MarkOccupancy(fw_Effect* mosaicEffect, const demo_QuadGeometry& quads, fw_Texture* picture,
                        demo_Occupancy& occupancy);

// Draws the layers, bottom one first in the list, into the bound target and the bound depth
// buffer, which must be cleared to 1: the picture is the one that drawing each layer's quads in
// order with the premultiplied blend gives.
void demo_DrawMosaicLayers(fw_Effect* mosaicEffect, const demo_QuadGeometry& quads,
                           const std::vector<demo_MosaicLayer>& layers);
