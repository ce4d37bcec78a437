// Live mode's screenshots: the frame as a PNG under a name no file has yet, so that two shots of
// one row keep both pictures. A file appears whole under its name or not at all.
#pragma once

#include <platform/d3d10.h>

#include <string>

// Saves the texture's picture as directory/row_NNNNN.png, or row_NNNNN_2.png, … (a shot never
// replaces another), and logs the file written, or an error with the reason. Returns the path, or
// "" on failure.
std::string fw_SaveScreenshot(ID3D10Texture2D* texture, const std::string& directory, int row);
