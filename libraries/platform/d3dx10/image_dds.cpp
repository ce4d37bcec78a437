// Uncompressed DDS files: 8-, 16-, 24- and 32-bit RGB(A) and luminance described by channel
// masks, or the DX10 header with an R8G8B8A8 or B8G8R8A8 format; 2D or cube (all six faces),
// with the file's mip levels. Everything is converted to RGBA8. Sizes are checked against the
// file before any texel is read.
#include <bit>
#include <cstring>

#include "image_p.h"

namespace d3dx10image {

namespace {

constexpr uint32_t kMaxSide = 16384;
constexpr uint32_t kFlagMipCount = 0x20000;
constexpr uint32_t kPixelAlpha = 0x1, kPixelFourCC = 0x4, kPixelRgb = 0x40, kPixelLuminance = 0x20000,
                   kPixelAlphaOnly = 0x2;
constexpr uint32_t kCaps2Cube = 0x200, kCaps2AllFaces = 0xFC00, kCaps2Volume = 0x200000;

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t v;
  std::memcpy(&v, &bytes[offset], 4);
  return v;
}

struct Layout {
  uint32_t width, height, mipLevels, faces, bytesPerPixel;
  uint32_t masks[4];  // r, g, b, a; a mask of 0 reads as opaque
  size_t dataOffset;
};

uint8_t Channel(uint32_t pixel, uint32_t mask, uint8_t absent) {
  if (mask == 0) return absent;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint64_t value = (pixel & mask) >> shift;
  const uint64_t top = (bits >= 32) ? 0xFFFFFFFFull : ((1ull << bits) - 1);
  return static_cast<uint8_t>((value * 255 + top / 2) / top);
}

bool ReadLayout(const std::vector<uint8_t>& bytes, Layout& layout, std::string& error) {
  if (bytes.size() < 128 || U32(bytes, 4) != 124) {
    error = "the DDS header is truncated or damaged";
    return false;
  }
  const uint32_t flags = U32(bytes, 8);
  layout.height = U32(bytes, 12);
  layout.width = U32(bytes, 16);
  layout.mipLevels = (flags & kFlagMipCount) ? std::max(1u, U32(bytes, 28)) : 1;
  const uint32_t pixelFlags = U32(bytes, 80), fourCC = U32(bytes, 84), bitCount = U32(bytes, 88);
  const uint32_t caps2 = U32(bytes, 112);
  layout.dataOffset = 128;
  layout.faces = 1;
  if (caps2 & kCaps2Volume) {
    error = "volume DDS files are not supported";
    return false;
  }
  if (caps2 & kCaps2Cube) {
    if ((caps2 & kCaps2AllFaces) != kCaps2AllFaces) {
      error = "cube maps need all six faces";
      return false;
    }
    layout.faces = 6;
  }
  if ((pixelFlags & kPixelFourCC) && fourCC == 0x30315844 /* "DX10" */) {
    if (bytes.size() < 148) {
      error = "the DDS header is truncated";
      return false;
    }
    const uint32_t format = U32(bytes, 128), dimension = U32(bytes, 132), misc = U32(bytes, 136),
                   arraySize = U32(bytes, 140);
    layout.dataOffset = 148;
    if (dimension != 3 /* TEXTURE2D */ || arraySize != 1) {
      error = "only single 2D textures and cube maps are supported";
      return false;
    }
    if (misc & 0x4) layout.faces = 6;
    layout.bytesPerPixel = 4;
    if (format == 28 || format == 29) {
      layout.masks[0] = 0xFF, layout.masks[1] = 0xFF00, layout.masks[2] = 0xFF0000, layout.masks[3] = 0xFF000000;
    } else if (format == 87 || format == 88) {
      layout.masks[0] = 0xFF0000, layout.masks[1] = 0xFF00, layout.masks[2] = 0xFF;
      layout.masks[3] = format == 87 ? 0xFF000000 : 0;
    } else {
      error = "DXGI format " + std::to_string(format) + " is not supported";
      return false;
    }
  } else if (pixelFlags & kPixelFourCC) {
    error = "compressed DDS files are not supported";
    return false;
  } else if ((pixelFlags & (kPixelRgb | kPixelLuminance | kPixelAlphaOnly)) &&
             (bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32)) {
    layout.bytesPerPixel = bitCount / 8;
    for (int c = 0; c < 4; ++c) layout.masks[c] = U32(bytes, 92 + 4 * c);
    if (!(pixelFlags & kPixelAlpha) && !(pixelFlags & kPixelAlphaOnly)) layout.masks[3] = 0;
    if (pixelFlags & kPixelLuminance) layout.masks[1] = layout.masks[2] = layout.masks[0];
  } else {
    error = "the DDS pixel format is not supported";
    return false;
  }
  if (layout.width == 0 || layout.height == 0 || layout.width > kMaxSide || layout.height > kMaxSide) {
    error = "the DDS size is out of range";
    return false;
  }
  uint32_t chain = 1;
  for (uint32_t side = std::max(layout.width, layout.height); side > 1; side >>= 1) ++chain;
  layout.mipLevels = std::min(layout.mipLevels, chain);
  return true;
}

}  // namespace

bool IsDds(const std::vector<uint8_t>& bytes) { return bytes.size() >= 4 && std::memcmp(bytes.data(), "DDS ", 4) == 0; }

bool DescribeDds(const std::vector<uint8_t>& bytes, D3DX10_IMAGE_INFO& info, std::string& error) {
  Layout layout;
  if (!ReadLayout(bytes, layout, error)) return false;
  info = {layout.width, layout.height, 1, layout.faces, layout.mipLevels,
          layout.faces == 6 ? (UINT)D3D10_RESOURCE_MISC_TEXTURECUBE : 0u, DXGI_FORMAT_R8G8B8A8_UNORM,
          D3D10_RESOURCE_DIMENSION_TEXTURE2D, D3DX10_IFF_DDS};
  return true;
}

bool DecodeDds(const std::vector<uint8_t>& bytes, Image& image, std::string& error) {
  Layout layout;
  if (!ReadLayout(bytes, layout, error)) return false;
  size_t offset = layout.dataOffset;
  image.fileFormat = D3DX10_IFF_DDS;
  image.cube = layout.faces == 6;
  image.slices.assign(layout.faces, {});
  for (uint32_t face = 0; face < layout.faces; ++face) {
    uint32_t width = layout.width, height = layout.height;
    for (uint32_t mip = 0; mip < layout.mipLevels; ++mip) {
      const size_t size = static_cast<size_t>(width) * height * layout.bytesPerPixel;
      if (offset + size > bytes.size()) {
        error = "the DDS file ends before its texels do";
        return false;
      }
      Level level;
      level.width = width;
      level.height = height;
      level.texels.resize(static_cast<size_t>(width) * height * 4);
      for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, &bytes[offset + i * layout.bytesPerPixel], layout.bytesPerPixel);
        for (int c = 0; c < 4; ++c) level.texels[4 * i + c] = Channel(pixel, layout.masks[c], c == 3 ? 255 : 0);
      }
      image.slices[face].push_back(std::move(level));
      offset += size;
      width = std::max(1u, width / 2);
      height = std::max(1u, height / 2);
    }
  }
  return true;
}

}  // namespace d3dx10image
