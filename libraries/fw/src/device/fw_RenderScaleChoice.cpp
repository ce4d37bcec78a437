// Automatic render scale: the decision.
#include "device/fw_RenderScaleChoice.h"

#include <algorithm>
#include <cmath>

// Rounded down to a step, so the aim is met rather than passed by half a step; the float is then
// nudged up by its last bit, because the size rule truncates: 0.35f lies just below 0.35, and
// 1280 × 0.35f would truncate to 447 instead of 448.
float fw_TidyRenderScale(double scale) {
  if (!(scale == scale)) scale = fw_kAutoScaleMin;  // NaN: the floor
  const double steps = std::floor(scale / fw_kAutoScaleStep + 1e-6);
  const double clamped = std::clamp(steps * fw_kAutoScaleStep, static_cast<double>(fw_kAutoScaleMin),
                                    static_cast<double>(fw_kAutoScaleMax));
  const float tidy = static_cast<float>(clamped);
  return tidy >= fw_kAutoScaleMax ? fw_kAutoScaleMax : std::nextafter(tidy, 2.0f);
}

namespace {
bool SameStep(float a, float b) { return std::fabs(a - b) < fw_kAutoScaleStep * 0.5f; }

bool NearAim(double seconds, double tolerance = fw_kAutoScaleTolerance) {
  const double target = fw_kAutoScaleTargetSeconds;
  return seconds <= target * tolerance && seconds >= target / tolerance;
}

bool Valid(const fw_FrameCost& cost) {
  return std::isfinite(cost.scale) && cost.scale > 0.0f && std::isfinite(cost.seconds) && cost.seconds > 0.0;
}

std::optional<float> Changed(double scale, float current) {
  const float chosen = fw_TidyRenderScale(scale);
  if (SameStep(chosen, current)) return std::nullopt;
  return chosen;
}
}  // namespace

bool fw_AutoRenderScaleAllowed(const fw_AutoScaleConditions& conditions) {
  return conditions.softwareDevice && !conditions.scaleGiven && !conditions.capture && conditions.scaleActs;
}

std::optional<double> fw_MedianFrameSeconds(const std::vector<double>& frameSeconds) {
  std::vector<double> valid;
  for (double seconds : frameSeconds)
    if (std::isfinite(seconds) && seconds > 0.0) valid.push_back(seconds);
  if (valid.empty()) return std::nullopt;
  std::sort(valid.begin(), valid.end());
  const size_t middle = valid.size() / 2;
  return valid.size() % 2 ? valid[middle] : 0.5 * (valid[middle - 1] + valid[middle]);
}

std::optional<float> fw_ChooseRenderScale(const std::vector<double>& frameSeconds, float currentScale) {
  const std::optional<double> median = fw_MedianFrameSeconds(frameSeconds);
  if (!median || !std::isfinite(currentScale) || currentScale <= 0.0f || NearAim(*median)) return std::nullopt;
  return Changed(currentScale * std::sqrt(fw_kAutoScaleTargetSeconds / *median), currentScale);
}

std::optional<fw_FrameCostFit> fw_FitFrameCost(const fw_FrameCost& earlier, const fw_FrameCost& latest) {
  if (!Valid(earlier) || !Valid(latest)) return std::nullopt;
  const double areaEarlier = static_cast<double>(earlier.scale) * earlier.scale;
  const double areaLatest = static_cast<double>(latest.scale) * latest.scale;
  if (std::fabs(areaEarlier - areaLatest) < 1e-9) return std::nullopt;
  fw_FrameCostFit fit;
  fit.perArea = (earlier.seconds - latest.seconds) / (areaEarlier - areaLatest);
  if (!(fit.perArea > 0.0) || !std::isfinite(fit.perArea)) return std::nullopt;
  fit.fixed = std::max(0.0, latest.seconds - fit.perArea * areaLatest);
  return fit;
}
