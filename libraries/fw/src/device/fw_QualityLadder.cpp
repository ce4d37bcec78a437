// Automatic quality: the cost model, the choice of a pair and the governor that holds it.
#include "device/fw_QualityLadder.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kWindowSeconds = 2.0;  // a decision reads the frames of the last two seconds
constexpr size_t kWindowFrames = 5;     // and at least this many of them

bool Valid(const fw_QualityMeasure& m) {
  return std::isfinite(m.pair.scale) && m.pair.scale > 0.0f && m.pair.subFrames >= 1 && std::isfinite(m.seconds) &&
         m.seconds > 0.0;
}

}  // namespace

std::optional<fw_QualityCost> fw_FitQualityCost(const fw_QualityMeasure& a, const fw_QualityMeasure& b) {
  if (!Valid(a) || !Valid(b) || a.pair.subFrames != b.pair.subFrames) return std::nullopt;
  const std::optional<fw_FrameCostFit> fit = fw_FitFrameCost({a.pair.scale, a.seconds}, {b.pair.scale, b.seconds});
  if (!fit) return std::nullopt;
  const double n = a.pair.subFrames;
  fw_QualityCost cost;
  cost.fixed = fit->fixed / n;
  cost.perArea = fit->perArea / n;
  return cost;
}

std::optional<fw_QualityCost> fw_FitQualityCost(const fw_QualityMeasure& a, const fw_QualityMeasure& b,
                                                const fw_QualityMeasure& fewer) {
  std::optional<fw_QualityCost> cost = fw_FitQualityCost(a, b);
  if (!cost || !Valid(fewer) || fewer.pair.subFrames >= a.pair.subFrames) return cost;
  const double n = a.pair.subFrames, m = fewer.pair.subFrames;
  const double s2 = static_cast<double>(fewer.pair.scale) * fewer.pair.scale;
  // n · fixed is what the frame costs at n sub-frames whatever its size, perFrame + n · c; the
  // third frame gives perFrame + m · c.
  const double sizelessAtN = n * cost->fixed;
  const double sizelessAtM = fewer.seconds - m * cost->perArea * s2;
  const double perSubFrame = (sizelessAtN - sizelessAtM) / (n - m);
  if (!(perSubFrame > 0.0) || !std::isfinite(perSubFrame)) return cost;
  fw_QualityCost split = *cost;
  split.fixed = std::min(perSubFrame, cost->fixed);
  split.perFrame = sizelessAtN - n * split.fixed;
  return split;
}

fw_QualityChoice fw_ChooseQuality(const fw_QualityCost& cost, const std::vector<int>& counts, double aim) {
  fw_QualityChoice choice;
  if (counts.empty()) return choice;
  for (size_t i = 0; i < counts.size(); ++i) {
    const int n = counts[i];
    const bool last = i + 1 == counts.size();
    const double sizeless = cost.sizeless(n), area = n * cost.perArea;
    double scale = fw_kAutoScaleMax;
    if (area > 0.0) {
      // The pixels get what the rest leaves of the aim; at the last count never less than a
      // quarter of the frame, so the choice moves smoothly as the rest nears the aim.
      double pixels = aim - sizeless;
      if (last) pixels = std::max(pixels, sizeless / 3.0);
      scale = pixels > 0.0 ? std::sqrt(pixels / area) : 0.0;
    }
    const fw_QualityPair pair{fw_TidyRenderScale(scale), n};
    const bool fits = cost.predict(pair) <= aim * (1.0 + 1e-9);
    if (!last && !(fits && pair.scale >= fw_kQualityLeastScale - 1e-4f)) continue;
    choice.pair = pair;
    if (!fits)
      choice.reason = fw_QualityChoice::Reason::PixelsGetAQuarter;
    else if (counts.size() > 1 && pair.scale < fw_kQualityLeastScale - 1e-4f)
      choice.reason = fw_QualityChoice::Reason::ShortOfLeastScale;
    else
      choice.reason = fw_QualityChoice::Reason::FitsAim;
    return choice;
  }
  return choice;
}

fw_QualityGovernor::fw_QualityGovernor(const fw_QualityCost& cost, const std::vector<int>& counts,
                                       const fw_QualityPair& start, double aim)
    : mCost(cost), mAim(aim) {
  const int steps = static_cast<int>(std::lround(fw_kAutoScaleMax / fw_kAutoScaleStep));
  for (size_t i = 0; i < counts.size(); ++i) {
    const float least = i + 1 == counts.size() ? fw_kAutoScaleMin : fw_kQualityLeastScale;
    for (int k = steps; k >= 1; --k) {
      const float scale = fw_TidyRenderScale(k * fw_kAutoScaleStep);
      if (scale < least - 1e-4f) break;
      mRungs.push_back({scale, counts[i]});
    }
  }
  if (mRungs.empty()) mRungs.push_back(start);
  // The start is the rung of its count nearest its scale.
  size_t best = mRungs.size();
  for (size_t i = 0; i < mRungs.size(); ++i) {
    if (mRungs[i].subFrames != start.subFrames) continue;
    if (best == mRungs.size() || std::fabs(mRungs[i].scale - start.scale) < std::fabs(mRungs[best].scale - start.scale))
      best = i;
  }
  if (best == mRungs.size()) {
    mRungs.insert(mRungs.begin(), start);
    best = 0;
  }
  mCurrent = best;
}

std::optional<size_t> fw_QualityGovernor::Down() const {
  const double now = mCost.predict(mRungs[mCurrent]);
  for (size_t i = mCurrent + 1; i < mRungs.size(); ++i)
    if (mCost.predict(mRungs[i]) <= now * fw_kQualityRungCost) return i;
  return std::nullopt;
}

std::optional<size_t> fw_QualityGovernor::Up() const {
  const double now = mCost.predict(mRungs[mCurrent]);
  for (size_t i = 0; i < mCurrent; ++i)
    if (mCost.predict(mRungs[i]) <= now / fw_kQualityRungCost) return i;
  return std::nullopt;
}

std::optional<fw_QualityPair> fw_QualityGovernor::MoveTo(size_t rung, double now) {
  mCurrent = rung;
  mChangedAt = now;
  mWindow.clear();
  mSettling = true;
  return mRungs[rung];
}

std::optional<fw_QualityPair> fw_QualityGovernor::frame(double now, double seconds) {
  if (!std::isfinite(now) || !std::isfinite(seconds) || seconds <= 0.0) return std::nullopt;
  if (mSettling) {
    mSettling = false;
    return std::nullopt;
  }
  mWindow.emplace_back(now, seconds);
  while (!mWindow.empty() && mWindow.front().first < now - kWindowSeconds) mWindow.erase(mWindow.begin());
  if (now - mChangedAt < fw_kQualityHoldSeconds || mWindow.size() < kWindowFrames) return std::nullopt;

  std::vector<double> times;
  for (const auto& frame : mWindow) times.push_back(frame.second);
  const std::optional<double> median = fw_MedianFrameSeconds(times);
  if (!median) return std::nullopt;
  mLastMedian = *median;
  if (*median > mAim * fw_kQualityStepDownAbove) {
    if (const std::optional<size_t> down = Down()) return MoveTo(*down, now);
    return std::nullopt;
  }
  if (const std::optional<size_t> up = Up()) {
    const double ratio = mCost.predict(mRungs[*up]) / mCost.predict(mRungs[mCurrent]);
    if (*median * ratio <= mAim * fw_kQualityStepUpBelow) return MoveTo(*up, now);
  }
  return std::nullopt;
}
