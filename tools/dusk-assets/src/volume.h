// The production's 3D noise volume: size³ bytes, x fastest, then y, then z, smooth,
// tileable on every axis, several octaves, stretched to the full 0-255 range.
#pragma once

#include <cstdint>
#include <vector>

namespace assets {

std::vector<uint8_t> noiseVolume(int size, uint32_t seed);

} // namespace assets
