// Platform-internal: the fixed-function state of an effect pass and the description of a sampler,
// as the effect files spell them and the device applies them. No GL types: the effect parser
// uses these too, without a context.
#pragma once

#include <cstdint>

namespace d3d10gl {

enum BlendMode : uint8_t { kBlendNone, kBlendAlpha, kBlendAdd, kBlendPremultiplied, kBlendMultiply };
enum DepthMode : uint8_t { kDepthOff, kDepthTest, kDepthWrite, kDepthWriteOnly };
enum CullMode : uint8_t { kCullNone, kCullBack, kCullFront };
enum FillMode : uint8_t { kFillSolid, kFillWireframe };

// The fixed-function state of an effect pass.
struct PassStates {
  uint8_t blend = kBlendNone;
  uint8_t depth = kDepthWrite;
  uint8_t cull = kCullBack;
  uint8_t fill = kFillSolid;
  bool operator==(const PassStates&) const = default;
};

enum SamplerFilter : uint8_t { kFilterPoint, kFilterLinear, kFilterAnisotropic };
enum SamplerAddress : uint8_t { kAddressWrap, kAddressClamp, kAddressMirror, kAddressBorder };

struct SamplerDesc {
  uint8_t filter = kFilterLinear;
  uint8_t mip = 1;  // 0: no mipmaps, 1: linear between levels, 2: nearest level
  uint8_t address[3] = {kAddressClamp, kAddressClamp, kAddressClamp};
  float border[4] = {0, 0, 0, 0};
  bool operator==(const SamplerDesc&) const = default;
};

}  // namespace d3d10gl
