// Decoded images shared by the image loaders (image.cpp: stb_image formats, image_dds.cpp: DDS):
// RGBA8 texels, row 0 at the top, one entry per array slice and mip level.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <platform/d3dx10tex.h>

namespace d3dx10image {

struct Level {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> texels;  // width × height × 4 bytes, tightly packed
};

struct Image {
  D3DX10_IMAGE_FILE_FORMAT fileFormat = D3DX10_IFF_PNG;
  bool cube = false;
  // slices[s][m]: slice s (one, or six faces of a cube), mip level m (at least level 0).
  std::vector<std::vector<Level>> slices;
};

bool IsDds(const std::vector<uint8_t>& bytes);
// False with `error` set when the file is not a DDS this loader reads.
bool DecodeDds(const std::vector<uint8_t>& bytes, Image& image, std::string& error);
// Only the header: sizes, slices and mip count.
bool DescribeDds(const std::vector<uint8_t>& bytes, D3DX10_IMAGE_INFO& info, std::string& error);

}  // namespace d3dx10image
