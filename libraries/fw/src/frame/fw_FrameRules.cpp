// Framework track rules of the frame tick.
#include "frame/fw_FrameRules.h"

#include <cmath>

fw_GotoRowAction fw_GotoRowDecision(float value) {
  if (value == 0.0f) return fw_GotoRowAction::EndShow;
  if (value > 0.0f) return fw_GotoRowAction::Seek;
  return fw_GotoRowAction::None;
}

uint32_t fw_SceneIndexFromTrack(float value, uint32_t sceneCount) {
  if (sceneCount == 0) return 0;
  // 9.2e18 is just inside int64's range; converting anything beyond it would be undefined.
  if (!std::isfinite(value) || std::fabs(value) >= 9.2e18f) return 0;
  const int64_t whole = static_cast<int64_t>(value);
  const uint32_t low = static_cast<uint32_t>(static_cast<uint64_t>(whole) & 0xFFFFFFFFull);
  return low % sceneCount;
}

bool fw_SkipRender(uint32_t* renderSkipCounter) {
  const uint32_t before = (*renderSkipCounter)++;
  if (*renderSkipCounter == 0) *renderSkipCounter = 3;  // never wrap back into the skipped range
  return before < 3;
}
