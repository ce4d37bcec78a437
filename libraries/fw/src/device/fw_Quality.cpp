// The sub-frame count and the sub-frames' times.
#include "device/fw_Quality.h"

#include "device/fw_DeviceState.h"

#include <algorithm>

namespace {
int gSubFrames = fw_kShowSubFrames;

int Clamped(int count) { return std::clamp(count, 1, fw_kMaxSubFrames); }
}  // namespace

int fw_GetSubFrames() { return gSubFrames; }

fw_QualityPair fw_GetQuality() { return {fw_GetRenderSizeRecord().scale, gSubFrames}; }

void fw_SetSubFrames(int count) { gSubFrames = Clamped(count); }

std::array<double, fw_kMaxSubFrames> fw_SubFrameTimes(double t, double span, int count) {
  count = Clamped(count);
  std::array<double, fw_kMaxSubFrames> times;
  times.fill(t);
  // i * span / (count - 1.0): for eight, exactly the show's own t - i * span / 7.0.
  for (int i = 1; i < count; ++i) times[i] = t - i * span / (count - 1.0);
  return times;
}

float fw_SubFrameWeight(int count) { return 1.0f / static_cast<float>(Clamped(count)); }
