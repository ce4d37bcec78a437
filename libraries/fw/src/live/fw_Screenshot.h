// Live mode's screenshots: the frame as a PNG under a name no file has yet, so that two shots of
// one row keep both pictures. A file appears whole under its name or not at all.
#pragma once

#include <platform/d3d10.h>

#include <cstddef>
#include <string>

// Writes the bytes as directory/stem.ext, or else stem_2.ext, stem_3.ext, … whichever name is free
// first; an existing file is never replaced. Returns the path written, or "" with *reason set to
// the system's reason (a full disk, a folder that is gone) and nothing left behind.
std::string fw_WriteNewFile(const std::string& directory, const std::string& stem, const std::string& extension,
                            const void* bytes, size_t size, std::string* reason);

// Saves the texture's picture as directory/row_NNNNN.png (see fw_WriteNewFile) and logs the file
// written, or an error with the reason. Returns the path, or "" on failure.
std::string fw_SaveScreenshot(ID3D10Texture2D* texture, const std::string& directory, int row);
