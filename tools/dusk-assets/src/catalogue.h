// What the asset generator makes and where: every picture with its path under the data
// directory, the models, the noise volume; and the functions that write them.
#pragma once

#include "image.h"

#include <functional>
#include <string>
#include <vector>

namespace assets {

struct PictureSpec {
    std::string path;  // under the data directory, e.g. "bg/3.png"
    int width, height;
    std::function<Image()> make;
};

// Every picture the production reads, in contact-sheet order (model textures last).
std::vector<PictureSpec> pictureCatalogue();

constexpr int kNoiseSize = 128;
const char* const kModelNames[3] = { "tingen", "hjortenfrahorten", "skallen" };

// Each writer creates the folders it needs and reports what it wrote on stdout; false
// with a message on stderr when a file cannot be written.
bool writePictures(const std::string& dataDir);
bool writeModels(const std::string& dataDir, const std::string& reviewDir);
bool writeNoise(const std::string& path);
bool writeContactSheet(const std::string& dataDir, const std::string& out);

} // namespace assets
