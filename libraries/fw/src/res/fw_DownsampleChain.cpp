// Downsample chain sizes.
#include "res/fw_DownsampleChain.h"

std::vector<fw_ChainLevel> fw_DownsampleLevels(const std::string& baseName, int32_t width, int32_t height) {
  std::vector<fw_ChainLevel> levels;
  // A height below 1 would make the first level empty; the halving below never yields one.
  if (width < 1 || height < 1) return levels;
  for (int level = 0;; ++level) {
    levels.push_back({level == 0 ? baseName : baseName + "_downsample" + std::to_string(level), width, height});
    height /= 2;
    width /= 2;
    if (width >= 1 && height == 0) height = 1;
    if (width == 0 && height >= 1) width = 1;
    if (width == 0 && height == 0) break;
  }
  return levels;
}
