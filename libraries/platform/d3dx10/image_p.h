// Decoded images shared by the image loaders (image_decode.cpp: stb_image formats, image_dds.cpp: DDS):
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

// Decodes any image file the loaders read (DDS or an stb_image format). False with `error` set.
bool DecodeImage(const std::vector<uint8_t>& bytes, Image& image, std::string& error);
// False with `error` set for the files stb_image must not be given: empty or over 2 GB, known to
// be mishandled, or larger than a texture can be. Check before any stbi_ call.
bool StbMayRead(const std::vector<uint8_t>& bytes, std::string& error);
// The file format by magic number; anything unknown is taken for TGA.
D3DX10_IMAGE_FILE_FORMAT SniffFormat(const std::vector<uint8_t>& bytes);

bool IsDds(const std::vector<uint8_t>& bytes);
// False with `error` set when the file is not a DDS this loader reads.
bool DecodeDds(const std::vector<uint8_t>& bytes, Image& image, std::string& error);
// Only the header: sizes, slices and mip count.
bool DescribeDds(const std::vector<uint8_t>& bytes, D3DX10_IMAGE_INFO& info, std::string& error);

}  // namespace d3dx10image
