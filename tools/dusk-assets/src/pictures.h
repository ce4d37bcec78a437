// The production's pictures, procedural and seeded: the missing-texture picture, the
// composite's vignette and random texture, the mosaic's wallpaper and sixteen background
// pictures, and the scroller's height maps, edge decorations, base colour and grain.
#pragma once

#include "image.h"

namespace assets {

Image missingPicture();
Image vignettePicture(int w, int h);
Image randomPicture(int w, int h, uint32_t seed);
Image wallpaperPicture(int size, uint32_t seed);
// Background number 0 to 15 (skies, hills, sun and dusk gradients, abstract patterns).
Image backgroundPicture(int index, int w, int h);
const char* backgroundTitle(int index);

// Block heights, one pixel per block column and row (row 0 at the top of the screen,
// 0 = no block, brighter = raised further); tiles horizontally.
Image heightMap(int columns, int rows, int variant);
// Edge decorations for the blocks: `horizontal` lines along top and bottom or vertical
// lines along left and right; `outer` bevels at the border, otherwise an inset groove.
Image edgePicture(int size, bool horizontal, bool outer);
Image blockColourPicture(int size, uint32_t seed);
// Film grain in the colour channels (mean 0.5), the hero's soft round sprite in alpha.
Image grainPicture(int size, uint32_t seed);

} // namespace assets
