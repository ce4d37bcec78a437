// Live mode's taking of saved images and effects into the running show; the watch that finds the
// saves and the status title are fw_Live's.
#pragma once

#include <string>

// Loads the image file again into every texture read from it (fw_GetImageTextures: the texture
// table's and those scenes own). Each texture keeps its fw_Texture and its shader-resource view,
// which from now on shows the new picture whatever its size or format, so every holder of either
// sees it; the old picture is released with the last reference to it. Logs each texture that
// took the file; a file that cannot be read leaves the pictures in use and says so. Returns how
// many textures took it.
int fw_LiveReloadImage(const std::string& path);

// Builds again every effect made from the saved file (an include: every effect) and swaps each
// into the effect in use; the effect pool's own file rebuilds the pool first, then every effect.
// What does not build keeps what is in use; its messages go to the log and to standard output.
// Returns the first error of the save for the title, "" when everything built.
std::string fw_LiveReloadEffects(const std::string& path);
