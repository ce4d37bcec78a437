// Which quads of the mosaic's opaque layers can show at all. The opaque layers are drawn front to
// back with depth, so a quad that lies wholly under nearer opaque quads only costs the software
// rasteriser its depth tests; here the CPU places the quads as mosaicQuads.fx does and leaves
// those out before they are drawn.
#pragma once

#include "demo_Mosaic.h"

#include <cstdint>
#include <vector>

// The viewport the mosaic is drawn into and the aspect the vertex stage divides by (RenderDim).
struct demo_MosaicView {
  int32_t width = 0, height = 0;
  float aspect = 1.0f;
};

// For each layer, the quads to draw in the order the opaque pass draws them (the highest number
// first); left empty for see-through layers, which are drawn whole. A quad is left out only when
// every pixel it could cover lies, by at least a pixel, inside nearer quads of opaque layers
// without glitch and without occupancy culling; layers with glitch keep all their quads and hide
// none, since their quads move with the shared clock. Anything not a finite number keeps the
// layer's quads and hides nothing.
std::vector<std::vector<int32_t>> demo_VisibleOpaqueQuads(const std::vector<demo_QuadVertex>& vertices,
                                                          const std::vector<demo_MosaicLayer>& layers,
                                                          int32_t total, const demo_MosaicView& view);
