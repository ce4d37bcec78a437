// Names and sizes of a downsample chain: level 0 is the base name at full size, level k is
// "<base>_downsample<k>" at half the size of level k-1, down to 1 × 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct fw_ChainLevel {
  std::string name;
  int32_t width, height;
};

std::vector<fw_ChainLevel> fw_DownsampleLevels(const std::string& baseName, int32_t width, int32_t height);
