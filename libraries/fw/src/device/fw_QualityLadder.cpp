// Automatic quality: the cost model, the choice of a pair and the governor that holds it.
#include "device/fw_QualityLadder.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kWindowSeconds = 2.0;  // a decision reads the frames of the last two seconds
constexpr size_t kWindowFrames = 5;     // and at least this many of them
constexpr float kLargestScaleStep = 0.1f;
// The first frames at a new size pay for its new targets.
constexpr int kSettlingFrames = 3;
// A step down soon after a step up means the show swings between heavy and light stretches: each
// such reversal doubles the wait before the next step up (from twice the hold, up to a minute),
// and two minutes without a reversal forget them.
constexpr double kReversalSeconds = 3.0 * fw_kQualityHoldSeconds;
constexpr double kLongestUpWait = 64.0;
constexpr double kCalmSeconds = 120.0;

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
    : mCost(cost), mCounts(counts), mAim(aim) {
  Build(start);
}

void fw_QualityGovernor::Build(const fw_QualityPair& start) {
  // Every pair in the choice's order of preference.
  std::vector<fw_QualityPair> order;
  const int steps = static_cast<int>(std::lround(fw_kAutoScaleMax / fw_kAutoScaleStep));
  for (size_t i = 0; i < mCounts.size(); ++i) {
    const float least = i + 1 == mCounts.size() ? fw_kAutoScaleMin : fw_kQualityLeastScale;
    for (int k = steps; k >= 1; --k) {
      const float scale = fw_TidyRenderScale(k * fw_kAutoScaleStep);
      if (scale < least - 1e-4f) break;
      order.push_back({scale, mCounts[i]});
    }
  }
  size_t at = order.size();
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i].subFrames == start.subFrames && std::fabs(order[i].scale - start.scale) < fw_kAutoScaleStep * 0.5f)
      at = i;
  // Above the start, walking back through the order; below it, walking on.
  std::vector<fw_QualityPair> above;
  double last = mCost.predict(start);
  // A rung is a step in cost, or at most kLargestScaleStep in scale at one count: where the cost
  // says the picture's size hardly matters, a rung still does not halve the picture at once, and
  // the next refit tells how much it mattered.
  auto farEnough = [](const fw_QualityPair& from, const fw_QualityPair& to) {
    return to.subFrames == from.subFrames && std::fabs(to.scale - from.scale) >= kLargestScaleStep - 1e-4f;
  };
  fw_QualityPair previous = start;
  for (size_t i = at; i-- > 0 && at < order.size();) {
    if (mCost.predict(order[i]) * fw_kQualityRungCost < last && !farEnough(previous, order[i])) continue;
    above.push_back(order[i]);
    last = mCost.predict(order[i]);
    previous = order[i];
  }
  mRungs.assign(above.rbegin(), above.rend());
  mCurrent = mRungs.size();
  mRungs.push_back(start);
  last = mCost.predict(start);
  // Never below the scale where the pixels take a ninth of the frame: a smaller picture would buy
  // a few hundredths of a second for a postage stamp. (The choice leaves them a quarter; a heavy
  // stretch may take the picture down further, to hold the rate.)
  auto lowest = [this](int n) {
    const double area = n * mCost.perArea;
    return area > 0.0 ? std::sqrt(mCost.sizeless(n) / 8.0 / area) : 0.0;
  };
  previous = start;
  for (size_t i = at + 1; i < order.size(); ++i) {
    // From a start at or above that scale there is always one rung below: what it measures may
    // show the cost was wrong.
    const bool first = mRungs.size() == mCurrent + 1 && start.scale >= lowest(start.subFrames);
    if (!first && order[i].scale < lowest(order[i].subFrames) - fw_kAutoScaleStep) break;
    if (mCost.predict(order[i]) > last * fw_kQualityRungCost && !farEnough(previous, order[i])) continue;
    mRungs.push_back(order[i]);
    last = mCost.predict(order[i]);
    previous = order[i];
  }
}

void fw_QualityGovernor::Refit(const fw_QualityMeasure& before, const fw_QualityMeasure& after) {
  const std::optional<fw_QualityCost> fit = fw_FitQualityCost(before, after);
  if (!fit) return;
  // The fit counts the whole frame per sub-frame. What a frame pays once and what each sub-frame
  // pays whatever the size keep their shares (a heavier stretch makes both dearer); what shrinks
  // with the picture is the fit's.
  const int n = after.pair.subFrames;
  const double sizeless = n * fit->fixed, was = mCost.sizeless(n);
  if (was > 0.0) {
    mCost.perFrame *= sizeless / was;
    mCost.fixed *= sizeless / was;
  } else {
    mCost.fixed = fit->fixed;
  }
  mCost.perArea = fit->perArea;
  Build(after.pair);
}

std::optional<fw_QualityPair> fw_QualityGovernor::MoveTo(size_t rung, double now) {
  const bool down = rung > mCurrent;
  if (down && !mLastMoveDown && now - mChangedAt < kReversalSeconds) {
    if (now - mLastReversal >= kCalmSeconds) mUpWait = 2.0 * fw_kQualityHoldSeconds;
    mUpWait = std::min(2.0 * mUpWait, kLongestUpWait);
    mLastReversal = now;
  }
  mLeft = fw_QualityMeasure{mRungs[mCurrent], mLastMedian};
  mLastMoveDown = down;
  mCurrent = rung;
  mChangedAt = now;
  mWindow.clear();
  mSettling = kSettlingFrames;
  return mRungs[rung];
}

std::optional<fw_QualityPair> fw_QualityGovernor::frame(double now, double seconds) {
  if (!std::isfinite(now) || !std::isfinite(seconds) || seconds <= 0.0) return std::nullopt;
  // The pair it starts at was just measured: it, too, is held for a while.
  if (mChangedAt < -1e299) mChangedAt = now;
  if (mSettling > 0) {
    --mSettling;
    return std::nullopt;
  }
  mWindow.emplace_back(now, seconds);
  while (!mWindow.empty() && mWindow.front().first < now - kWindowSeconds) mWindow.erase(mWindow.begin());
  if (mWindow.size() < kWindowFrames) return std::nullopt;

  std::vector<double> times;
  for (const auto& frame : mWindow) times.push_back(frame.second);
  const std::optional<double> median = fw_MedianFrameSeconds(times);
  if (!median) return std::nullopt;
  // The first frames at a new scale, against the last ones before it, measured before the show
  // moves on.
  if (mLeft) {
    const fw_QualityMeasure before = *mLeft;
    mLeft.reset();
    // Only a step down: both sets of frames then lie in the stretch that was too heavy, where a step
    // up may straddle its end and read the show's change as the picture's.
    if (mLastMoveDown && before.pair.subFrames == current().subFrames && before.seconds > 0.0)
      Refit(before, {current(), *median});
  }
  if (now - mChangedAt < fw_kQualityHoldSeconds) return std::nullopt;
  mLastMedian = *median;
  if (*median > mAim * fw_kQualityStepDownAbove) {
    if (mCurrent + 1 < mRungs.size()) return MoveTo(mCurrent + 1, now);
    return std::nullopt;
  }
  // Up again after a step down only after a longer wait: a heavy stretch often comes back within
  // a few bars.
  const double hold = mLastMoveDown ? mUpWait : fw_kQualityHoldSeconds;
  if (mCurrent > 0 && now - mChangedAt >= hold) {
    const double ratio = mCost.predict(mRungs[mCurrent - 1]) / mCost.predict(mRungs[mCurrent]);
    if (*median * ratio <= mAim * fw_kQualityStepUpBelow) return MoveTo(mCurrent - 1, now);
  }
  return std::nullopt;
}
