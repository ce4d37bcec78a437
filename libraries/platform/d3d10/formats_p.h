// Platform-internal: what a DXGI format is to storage (bytes per texel or block, and its kind),
// without the GL formats a GL texture is made with, so CPU-side storage needs no GL.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>

namespace d3d10gl {

enum FormatFlags : uint8_t {
  kFmtCompressed = 1,  // bytes are per 4x4 block
  kFmtDepth = 2,
  kFmtStencil = 4,
  kFmtInteger = 8,     // read as integers: clears and uploads use the integer forms
  kFmtUnsigned = 16,   // with kFmtInteger
  kFmtAlphaOnly = 32,  // A8: red storage swizzled to alpha
  kFmtOpaque = 64      // B8G8R8X8: alpha reads as one
};

struct FormatLayout {
  uint8_t bytes;
  uint8_t flags;
};

// Null for formats this layer cannot store. A typeless format with the depth-stencil bind flag
// maps to the depth format of its family, otherwise to the float or unorm one.
const FormatLayout* FindFormatLayout(DXGI_FORMAT format, UINT bindFlags = 0);
// Bytes of one row (of blocks, when compressed) and the number of rows (of blocks).
UINT PackedRowPitch(const FormatLayout& format, UINT width);
UINT PackedRowCount(const FormatLayout& format, UINT height);
// Whether an input layout element may have the format.
bool IsVertexFormat(DXGI_FORMAT format);

}  // namespace d3d10gl
