// The automatic quality's decisions: which pair of render scale and motion-blur sub-frames a
// slow device draws at, from frames measured at a few pairs, and when to step to a neighbour while
// the show plays. Pure functions and a state machine fed with times, so every case is checked
// without a device; app/fw_AutoQuality.h measures and applies.
#pragma once

#include "device/fw_Quality.h"
#include "device/fw_RenderScaleChoice.h"

#include <cstddef>
#include <optional>
#include <vector>

// The smallest scale worth keeping more sub-frames for: below it the picture loses more than the
// blur's smoothness gives.
constexpr float fw_kQualityLeastScale = 0.4f;
// The counts the automatic choice takes, most preferred first.
inline const std::vector<int>& fw_QualitySubFrameCounts() {
  static const std::vector<int> counts = {8, 4, 2};
  return counts;
}

// A frame's cost: perFrame + subFrames · (fixed + perArea · scale²). perFrame is what every frame
// pays once (bloom, the composite, the scale-out to the window, the present); a sub-frame pays a
// part that does not shrink with the picture (draw calls, the landscape's faces) and one that does.
struct fw_QualityCost {
  double perFrame = 0.0;
  double fixed = 0.0;
  double perArea = 0.0;
  double predict(const fw_QualityPair& pair) const {
    return perFrame + pair.subFrames * (fixed + perArea * pair.scale * pair.scale);
  }
  // What the frame costs at this count whatever its size.
  double sizeless(int subFrames) const { return perFrame + subFrames * fixed; }
};

// A median frame time measured at a pair.
struct fw_QualityMeasure {
  fw_QualityPair pair;
  double seconds = 0.0;
};

// The cost read off two measurements at one count and two scales: the whole frame counted per
// sub-frame, which predicts that count exactly. Nullopt when the two do not tell the parts apart
// (see fw_FitFrameCost).
std::optional<fw_QualityCost> fw_FitQualityCost(const fw_QualityMeasure& a, const fw_QualityMeasure& b);
// The same refined by a third measurement at another count, which splits what a frame pays once
// from what each sub-frame pays. The part per pixel stays with the sub-frames (the bloom's share
// of it is small), so fewer sub-frames are, if anything, predicted a little dear. Without a gain
// from fewer sub-frames (noise), the two-measurement cost is kept.
std::optional<fw_QualityCost> fw_FitQualityCost(const fw_QualityMeasure& a, const fw_QualityMeasure& b,
                                                const fw_QualityMeasure& fewer);

struct fw_QualityChoice {
  enum class Reason {
    FitsAim,            // within the aim at a scale of at least fw_kQualityLeastScale, or at the
                        // only count there is to choose
    ShortOfLeastScale,  // the fewest sub-frames reach the aim only below fw_kQualityLeastScale
    PixelsGetAQuarter,  // what the fewest sub-frames cost whatever the size leaves the pixels less
                        // than a quarter of the aim: they get a quarter of the frame, past the aim
  };
  fw_QualityPair pair;
  Reason reason = Reason::FitsAim;
};

// The pair that shows the most: for each count in `counts` in turn (most preferred first), the
// largest scale whose predicted frame is within `aim`, taken when it is at least
// fw_kQualityLeastScale; at the last count, the largest scale within the aim whatever it is; and
// when the last count's part that does not shrink with the picture leaves the pixels less than a
// quarter of the frame, the scale where they take about a quarter (a smaller one would buy a few
// hundredths of a second for a postage stamp).
fw_QualityChoice fw_ChooseQuality(const fw_QualityCost& cost, const std::vector<int>& counts,
                                  double aim = fw_kAutoScaleTargetSeconds);

// How much cheaper one rung is than the one above it.
constexpr double fw_kQualityRungCost = 0.88;
// A median above aim × this steps down; one whose next rung up would be predicted below aim × the
// other steps up. The gap between the two is wider than a rung, so a move is not undone by the
// figures that made it.
constexpr double fw_kQualityStepDownAbove = 1.05;
constexpr double fw_kQualityStepUpBelow = 0.85;

// Holding the quality while the show plays: a section much heavier than the start (or lighter)
// moves the pair one rung, with hysteresis, never sooner than fw_kQualityHoldSeconds after the
// last move; a step back up after a step down waits at least twice that, and longer each time the
// show swings the pair down again soon after.
constexpr double fw_kQualityHoldSeconds = 4.0;
class fw_QualityGovernor {
 public:
  // The ladder around a pair follows the choice's order of preference (each count from the full
  // scale down to fw_kQualityLeastScale, the last count on down to the smallest scale): each rung
  // below is the next pair in that order the cost predicts at most fw_kQualityRungCost of the one
  // above it (or 0.1 smaller at the same count), each rung above the previous pair predicted at
  // least 1 / fw_kQualityRungCost of the one below (or 0.1 larger). No rung lies a step or more
  // below the scale where the pixels take a ninth of the frame.
  fw_QualityGovernor(const fw_QualityCost& cost, const std::vector<int>& counts, const fw_QualityPair& start,
                     double aim = fw_kAutoScaleTargetSeconds);

  // A drawn frame that took `seconds`, ending at `now` (seconds on any steady clock). Returns the
  // pair to change to, or nullopt. After a change the first frames are not timed (they remake the
  // targets), and a decision waits for enough frames at the new pair. As soon as there are enough
  // after a step down to another scale at the same count, they and the last frames before the
  // step refit that count's cost, and the ladder is built again around the pair: a section whose
  // pixels cost far more than the start's gets rungs that are a rung apart in what it costs now.
  std::optional<fw_QualityPair> frame(double now, double seconds);

  const fw_QualityPair& current() const { return mRungs[mCurrent]; }
  const std::vector<fw_QualityPair>& rungs() const { return mRungs; }
  const fw_QualityCost& cost() const { return mCost; }
  // The median the last decision was made from, and whether the last move was down, for the log.
  double lastMedian() const { return mLastMedian; }
  bool lastMoveDown() const { return mLastMoveDown; }

 private:
  void Build(const fw_QualityPair& at);
  void Refit(const fw_QualityMeasure& before, const fw_QualityMeasure& after);
  std::optional<fw_QualityPair> MoveTo(size_t rung, double now);

  fw_QualityCost mCost;
  std::vector<int> mCounts;
  double mAim;
  std::vector<fw_QualityPair> mRungs;  // dearest first
  size_t mCurrent = 0;
  double mChangedAt = -1e300;  // the first frame's time until the first move
  double mLastReversal = -1e300;
  int mSettling = 1;  // frames still to pass untimed
  double mUpWait = 2.0 * fw_kQualityHoldSeconds;  // after a step down, before a step up
  std::vector<std::pair<double, double>> mWindow;  // (end, seconds) of the frames since the change
  double mLastMedian = 0.0;
  bool mLastMoveDown = false;
  std::optional<fw_QualityMeasure> mLeft;  // the pair moved away from, and its median then
};
