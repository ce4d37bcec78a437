// One 2D array texture whose slices are copies of 2D textures, every level of each: a shader that
// picks one of several pictures per pixel then samples once, where with separate textures a
// software rasteriser samples every one of them for a block whose pixels pick differently.
#pragma once

#include <vector>

class fw_Texture;

// A new texture (with its shader view) holding the sources in order, or null when there is no
// device, no source, a source without a 2D texture, or sources that differ in size, format or
// level count. The copies do not follow later changes of the sources; make the array again.
fw_Texture* fw_CreateTextureArray(const std::vector<const fw_Texture*>& slices);

// `slices` layers of one transparent black texel: what to bind in place of an array that could
// not be made, so the shader's pick shows nothing rather than whatever an empty binding samples.
fw_Texture* fw_CreateClearTextureArray(unsigned slices);
