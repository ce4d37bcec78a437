// DXGI formats as OpenGL texture and vertex formats. The numbers are DXGI's, so the table is
// indexed by format; a zero entry is a format this layer does not store.
#include "d3d10_p.h"

#include <atomic>

namespace d3d10gl {
namespace {

constexpr uint8_t kInt = kFmtInteger;
constexpr uint8_t kUInt = kFmtInteger | kFmtUnsigned;

struct Entry {
  DXGI_FORMAT dxgi;
  FormatInfo info;
};

// Typeless formats map to the float or unorm member of their family; the depth families have
// their own entries below.
const Entry kEntries[] = {
    {DXGI_FORMAT_R32G32B32A32_TYPELESS, {{16, 0}, GL_RGBA32F, GL_RGBA, GL_FLOAT}},
    {DXGI_FORMAT_R32G32B32A32_FLOAT, {{16, 0}, GL_RGBA32F, GL_RGBA, GL_FLOAT}},
    {DXGI_FORMAT_R32G32B32A32_UINT, {{16, kUInt}, GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT}},
    {DXGI_FORMAT_R32G32B32A32_SINT, {{16, kInt}, GL_RGBA32I, GL_RGBA_INTEGER, GL_INT}},
    {DXGI_FORMAT_R32G32B32_TYPELESS, {{12, 0}, GL_RGB32F, GL_RGB, GL_FLOAT}},
    {DXGI_FORMAT_R32G32B32_FLOAT, {{12, 0}, GL_RGB32F, GL_RGB, GL_FLOAT}},
    {DXGI_FORMAT_R32G32B32_UINT, {{12, kUInt}, GL_RGB32UI, GL_RGB_INTEGER, GL_UNSIGNED_INT}},
    {DXGI_FORMAT_R32G32B32_SINT, {{12, kInt}, GL_RGB32I, GL_RGB_INTEGER, GL_INT}},
    {DXGI_FORMAT_R16G16B16A16_TYPELESS, {{8, 0}, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT}},
    {DXGI_FORMAT_R16G16B16A16_FLOAT, {{8, 0}, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT}},
    {DXGI_FORMAT_R16G16B16A16_UNORM, {{8, 0}, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16G16B16A16_UINT, {{8, kUInt}, GL_RGBA16UI, GL_RGBA_INTEGER, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16G16B16A16_SNORM, {{8, 0}, GL_RGBA16_SNORM, GL_RGBA, GL_SHORT}},
    {DXGI_FORMAT_R16G16B16A16_SINT, {{8, kInt}, GL_RGBA16I, GL_RGBA_INTEGER, GL_SHORT}},
    {DXGI_FORMAT_R32G32_TYPELESS, {{8, 0}, GL_RG32F, GL_RG, GL_FLOAT}},
    {DXGI_FORMAT_R32G32_FLOAT, {{8, 0}, GL_RG32F, GL_RG, GL_FLOAT}},
    {DXGI_FORMAT_R32G32_UINT, {{8, kUInt}, GL_RG32UI, GL_RG_INTEGER, GL_UNSIGNED_INT}},
    {DXGI_FORMAT_R32G32_SINT, {{8, kInt}, GL_RG32I, GL_RG_INTEGER, GL_INT}},
    {DXGI_FORMAT_D32_FLOAT_S8X24_UINT,
     {{8, kFmtDepth | kFmtStencil}, GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV}},
    {DXGI_FORMAT_R10G10B10A2_TYPELESS, {{4, 0}, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV}},
    {DXGI_FORMAT_R10G10B10A2_UNORM, {{4, 0}, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV}},
    {DXGI_FORMAT_R10G10B10A2_UINT, {{4, kUInt}, GL_RGB10_A2UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT_2_10_10_10_REV}},
    {DXGI_FORMAT_R11G11B10_FLOAT, {{4, 0}, GL_R11F_G11F_B10F, GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV}},
    {DXGI_FORMAT_R8G8B8A8_TYPELESS, {{4, 0}, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8B8A8_UNORM, {{4, 0}, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {{4, 0}, GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8B8A8_UINT, {{4, kUInt}, GL_RGBA8UI, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8B8A8_SNORM, {{4, 0}, GL_RGBA8_SNORM, GL_RGBA, GL_BYTE}},
    {DXGI_FORMAT_R8G8B8A8_SINT, {{4, kInt}, GL_RGBA8I, GL_RGBA_INTEGER, GL_BYTE}},
    {DXGI_FORMAT_R16G16_TYPELESS, {{4, 0}, GL_RG16F, GL_RG, GL_HALF_FLOAT}},
    {DXGI_FORMAT_R16G16_FLOAT, {{4, 0}, GL_RG16F, GL_RG, GL_HALF_FLOAT}},
    {DXGI_FORMAT_R16G16_UNORM, {{4, 0}, GL_RG16, GL_RG, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16G16_UINT, {{4, kUInt}, GL_RG16UI, GL_RG_INTEGER, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16G16_SNORM, {{4, 0}, GL_RG16_SNORM, GL_RG, GL_SHORT}},
    {DXGI_FORMAT_R16G16_SINT, {{4, kInt}, GL_RG16I, GL_RG_INTEGER, GL_SHORT}},
    {DXGI_FORMAT_R32_TYPELESS, {{4, 0}, GL_R32F, GL_RED, GL_FLOAT}},
    {DXGI_FORMAT_D32_FLOAT, {{4, kFmtDepth}, GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT}},
    {DXGI_FORMAT_R32_FLOAT, {{4, 0}, GL_R32F, GL_RED, GL_FLOAT}},
    {DXGI_FORMAT_R32_UINT, {{4, kUInt}, GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT}},
    {DXGI_FORMAT_R32_SINT, {{4, kInt}, GL_R32I, GL_RED_INTEGER, GL_INT}},
    {DXGI_FORMAT_D24_UNORM_S8_UINT,
     {{4, kFmtDepth | kFmtStencil}, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8}},
    {DXGI_FORMAT_R24_UNORM_X8_TYPELESS,
     {{4, kFmtDepth | kFmtStencil}, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8}},
    {DXGI_FORMAT_R8G8_TYPELESS, {{2, 0}, GL_RG8, GL_RG, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8_UNORM, {{2, 0}, GL_RG8, GL_RG, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8_UINT, {{2, kUInt}, GL_RG8UI, GL_RG_INTEGER, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8G8_SNORM, {{2, 0}, GL_RG8_SNORM, GL_RG, GL_BYTE}},
    {DXGI_FORMAT_R8G8_SINT, {{2, kInt}, GL_RG8I, GL_RG_INTEGER, GL_BYTE}},
    {DXGI_FORMAT_R16_TYPELESS, {{2, 0}, GL_R16F, GL_RED, GL_HALF_FLOAT}},
    {DXGI_FORMAT_R16_FLOAT, {{2, 0}, GL_R16F, GL_RED, GL_HALF_FLOAT}},
    {DXGI_FORMAT_D16_UNORM, {{2, kFmtDepth}, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16_UNORM, {{2, 0}, GL_R16, GL_RED, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16_UINT, {{2, kUInt}, GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT}},
    {DXGI_FORMAT_R16_SNORM, {{2, 0}, GL_R16_SNORM, GL_RED, GL_SHORT}},
    {DXGI_FORMAT_R16_SINT, {{2, kInt}, GL_R16I, GL_RED_INTEGER, GL_SHORT}},
    {DXGI_FORMAT_R8_TYPELESS, {{1, 0}, GL_R8, GL_RED, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8_UNORM, {{1, 0}, GL_R8, GL_RED, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8_UINT, {{1, kUInt}, GL_R8UI, GL_RED_INTEGER, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R8_SNORM, {{1, 0}, GL_R8_SNORM, GL_RED, GL_BYTE}},
    {DXGI_FORMAT_R8_SINT, {{1, kInt}, GL_R8I, GL_RED_INTEGER, GL_BYTE}},
    {DXGI_FORMAT_A8_UNORM, {{1, kFmtAlphaOnly}, GL_R8, GL_RED, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_R9G9B9E5_SHAREDEXP, {{4, 0}, GL_RGB9_E5, GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV}},
    {DXGI_FORMAT_BC1_TYPELESS, {{8, kFmtCompressed}, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0}},
    {DXGI_FORMAT_BC1_UNORM, {{8, kFmtCompressed}, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0}},
    {DXGI_FORMAT_BC1_UNORM_SRGB, {{8, kFmtCompressed}, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT, 0, 0}},
    {DXGI_FORMAT_BC2_TYPELESS, {{16, kFmtCompressed}, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0}},
    {DXGI_FORMAT_BC2_UNORM, {{16, kFmtCompressed}, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0}},
    {DXGI_FORMAT_BC2_UNORM_SRGB, {{16, kFmtCompressed}, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT, 0, 0}},
    {DXGI_FORMAT_BC3_TYPELESS, {{16, kFmtCompressed}, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0}},
    {DXGI_FORMAT_BC3_UNORM, {{16, kFmtCompressed}, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0}},
    {DXGI_FORMAT_BC3_UNORM_SRGB, {{16, kFmtCompressed}, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, 0, 0}},
    {DXGI_FORMAT_BC4_TYPELESS, {{8, kFmtCompressed}, GL_COMPRESSED_RED_RGTC1, 0, 0}},
    {DXGI_FORMAT_BC4_UNORM, {{8, kFmtCompressed}, GL_COMPRESSED_RED_RGTC1, 0, 0}},
    {DXGI_FORMAT_BC4_SNORM, {{8, kFmtCompressed}, GL_COMPRESSED_SIGNED_RED_RGTC1, 0, 0}},
    {DXGI_FORMAT_BC5_TYPELESS, {{16, kFmtCompressed}, GL_COMPRESSED_RG_RGTC2, 0, 0}},
    {DXGI_FORMAT_BC5_UNORM, {{16, kFmtCompressed}, GL_COMPRESSED_RG_RGTC2, 0, 0}},
    {DXGI_FORMAT_BC5_SNORM, {{16, kFmtCompressed}, GL_COMPRESSED_SIGNED_RG_RGTC2, 0, 0}},
    {DXGI_FORMAT_B5G6R5_UNORM, {{2, 0}, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5}},
    {DXGI_FORMAT_B5G5R5A1_UNORM, {{2, 0}, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}},
    {DXGI_FORMAT_B8G8R8A8_UNORM, {{4, 0}, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE}},
    {DXGI_FORMAT_B8G8R8X8_UNORM, {{4, kFmtOpaque}, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE}},
};

constexpr int kTableSize = 128;

struct Table {
  FormatInfo byFormat[kTableSize] = {};
  Table() {
    for (const Entry& e : kEntries) byFormat[e.dxgi] = e.info;
  }
};

const Table& table() {
  static const Table t;
  return t;
}

const FormatInfo kDepth32 = {{4, kFmtDepth}, GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT};
const FormatInfo kDepth24Stencil8 = {{4, kFmtDepth | kFmtStencil}, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL,
                                     GL_UNSIGNED_INT_24_8};
const FormatInfo kDepth32Stencil8 = {{8, kFmtDepth | kFmtStencil}, GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL,
                                     GL_FLOAT_32_UNSIGNED_INT_24_8_REV};
const FormatInfo kDepth16 = {{2, kFmtDepth}, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT};

}  // namespace

const FormatInfo* FindFormat(DXGI_FORMAT format, UINT bindFlags) {
  if ((bindFlags & D3D10_BIND_DEPTH_STENCIL) != 0) {
    switch (format) {
      case DXGI_FORMAT_R32_TYPELESS: return &kDepth32;
      case DXGI_FORMAT_R24G8_TYPELESS: return &kDepth24Stencil8;
      case DXGI_FORMAT_R32G8X24_TYPELESS: return &kDepth32Stencil8;
      case DXGI_FORMAT_R16_TYPELESS: return &kDepth16;
      default: break;
    }
  }
  // Views of depth textures read the depth as red.
  switch (format) {
    case DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS: return &kDepth32Stencil8;
    case DXGI_FORMAT_R24G8_TYPELESS: return &kDepth24Stencil8;
    case DXGI_FORMAT_R32G8X24_TYPELESS: return &kDepth32Stencil8;
    default: break;
  }
  if (format <= DXGI_FORMAT_UNKNOWN || format >= kTableSize) return nullptr;
  const FormatInfo& info = table().byFormat[format];
  return info.internalFormat ? &info : nullptr;
}

const FormatLayout* FindFormatLayout(DXGI_FORMAT format, UINT bindFlags) { return FindFormat(format, bindFlags); }

UINT PackedRowPitch(const FormatLayout& format, UINT width) {
  if (format.flags & kFmtCompressed) return ((width + 3) / 4) * format.bytes;
  return width * format.bytes;
}

UINT PackedRowCount(const FormatLayout& format, UINT height) {
  return (format.flags & kFmtCompressed) ? (height + 3) / 4 : height;
}

bool FindVertexFormat(DXGI_FORMAT format, VertexFormat* out) {
  switch (format) {
    case DXGI_FORMAT_R32G32B32A32_FLOAT: *out = {4, GL_FLOAT, GL_FALSE, false, 16}; return true;
    case DXGI_FORMAT_R32G32B32_FLOAT: *out = {3, GL_FLOAT, GL_FALSE, false, 12}; return true;
    case DXGI_FORMAT_R32G32_FLOAT: *out = {2, GL_FLOAT, GL_FALSE, false, 8}; return true;
    case DXGI_FORMAT_R32_FLOAT: *out = {1, GL_FLOAT, GL_FALSE, false, 4}; return true;
    case DXGI_FORMAT_R32G32B32A32_UINT: *out = {4, GL_UNSIGNED_INT, GL_FALSE, true, 16}; return true;
    case DXGI_FORMAT_R32G32B32_UINT: *out = {3, GL_UNSIGNED_INT, GL_FALSE, true, 12}; return true;
    case DXGI_FORMAT_R32G32_UINT: *out = {2, GL_UNSIGNED_INT, GL_FALSE, true, 8}; return true;
    case DXGI_FORMAT_R32_UINT: *out = {1, GL_UNSIGNED_INT, GL_FALSE, true, 4}; return true;
    case DXGI_FORMAT_R32G32B32A32_SINT: *out = {4, GL_INT, GL_FALSE, true, 16}; return true;
    case DXGI_FORMAT_R32G32B32_SINT: *out = {3, GL_INT, GL_FALSE, true, 12}; return true;
    case DXGI_FORMAT_R32G32_SINT: *out = {2, GL_INT, GL_FALSE, true, 8}; return true;
    case DXGI_FORMAT_R32_SINT: *out = {1, GL_INT, GL_FALSE, true, 4}; return true;
    case DXGI_FORMAT_R16G16B16A16_FLOAT: *out = {4, GL_HALF_FLOAT, GL_FALSE, false, 8}; return true;
    case DXGI_FORMAT_R16G16_FLOAT: *out = {2, GL_HALF_FLOAT, GL_FALSE, false, 4}; return true;
    case DXGI_FORMAT_R16G16B16A16_UNORM: *out = {4, GL_UNSIGNED_SHORT, GL_TRUE, false, 8}; return true;
    case DXGI_FORMAT_R16G16B16A16_SNORM: *out = {4, GL_SHORT, GL_TRUE, false, 8}; return true;
    case DXGI_FORMAT_R16G16_UNORM: *out = {2, GL_UNSIGNED_SHORT, GL_TRUE, false, 4}; return true;
    case DXGI_FORMAT_R16G16_SNORM: *out = {2, GL_SHORT, GL_TRUE, false, 4}; return true;
    case DXGI_FORMAT_R16G16_SINT: *out = {2, GL_SHORT, GL_FALSE, true, 4}; return true;
    case DXGI_FORMAT_R8G8B8A8_UNORM: *out = {4, GL_UNSIGNED_BYTE, GL_TRUE, false, 4}; return true;
    case DXGI_FORMAT_R8G8B8A8_SNORM: *out = {4, GL_BYTE, GL_TRUE, false, 4}; return true;
    case DXGI_FORMAT_R8G8B8A8_UINT: *out = {4, GL_UNSIGNED_BYTE, GL_FALSE, true, 4}; return true;
    case DXGI_FORMAT_R8G8B8A8_SINT: *out = {4, GL_BYTE, GL_FALSE, true, 4}; return true;
    case DXGI_FORMAT_B8G8R8A8_UNORM: *out = {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, false, 4}; return true;
    case DXGI_FORMAT_R10G10B10A2_UNORM: *out = {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_TRUE, false, 4}; return true;
    default: return false;
  }
}

bool IsVertexFormat(DXGI_FORMAT format) {
  VertexFormat unused;
  return FindVertexFormat(format, &unused);
}

uint64_t NextSerial() {
  static std::atomic<uint64_t> next{1};
  return next++;
}

}  // namespace d3d10gl
