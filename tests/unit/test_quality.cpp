// The automatic quality's decisions: when a run may choose, what the frames timed at the full size
// choose first, the pair of render scale and sub-frames a cost model gives, and the governor that
// holds the pair while the show gets heavier and lighter; and the table of frame times by section
// the log ends with.
#include "device/fw_QualityLadder.h"
#include "frame/fw_FrameStats.h"
#include "device/fw_RenderScaleChoice.h"
#include "device/fw_RenderSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// The render size a chosen scale gives the 1280 × 720 window.
void ExpectSize(float scale, int width, int height) {
  EXPECT_EQ(fw_ScaledSide(1280, scale), width) << scale;
  EXPECT_EQ(fw_ScaledSide(720, scale), height) << scale;
}
}  // namespace

TEST(RenderScaleChoice, OnlyTheSoftwareDeviceWithoutAGivenScaleOrACaptureChooses) {
  fw_AutoScaleConditions software;
  software.softwareDevice = true;
  EXPECT_TRUE(fw_AutoRenderScaleAllowed(software));

  fw_AutoScaleConditions c = software;
  c.softwareDevice = false;
  EXPECT_FALSE(fw_AutoRenderScaleAllowed(c));
  c = software;
  c.scaleGiven = true;  // --render-scale overrides, also --render-scale 1
  EXPECT_FALSE(fw_AutoRenderScaleAllowed(c));
  c = software;
  c.capture = true;
  EXPECT_FALSE(fw_AutoRenderScaleAllowed(c));
  c = software;
  c.scaleActs = false;  // full screen at the desktop's size
  EXPECT_FALSE(fw_AutoRenderScaleAllowed(c));
}

TEST(RenderScaleChoice, TimesThatSayNothingChooseNothing) {
  EXPECT_EQ(fw_MedianFrameSeconds({}), std::nullopt);
  EXPECT_EQ(fw_MedianFrameSeconds({kNaN, 0.0, -1.0, kInf}), std::nullopt);
  EXPECT_EQ(fw_ChooseRenderScale({kNaN, 0.0, -2.0}, 1.0f), std::nullopt);
  EXPECT_EQ(fw_ChooseRenderScale({1.0, 1.0, 1.0}, kNaN), std::nullopt);
  EXPECT_EQ(fw_ChooseRenderScale({1.0, 1.0, 1.0}, 0.0f), std::nullopt);
  // Bad entries are dropped, not counted as fast frames: one good slow frame still decides.
  EXPECT_EQ(fw_MedianFrameSeconds({kNaN, 1.6, 0.0}), 1.6);
  EXPECT_EQ(fw_MedianFrameSeconds({0.4, 9.0, 0.2, 0.3}), 0.35);  // one stall does not decide
}

TEST(RenderScaleChoice, FastEnoughFramesKeepTheScale) {
  EXPECT_EQ(fw_ChooseRenderScale({0.02, 0.03, 0.02}, 1.0f), std::nullopt);  // never above the window
  EXPECT_EQ(fw_ChooseRenderScale({0.12, 0.14, 0.13}, 1.0f), std::nullopt);  // near ten a second
}

TEST(RenderScaleChoice, SlowFramesChooseATidyStepWithEvenSides) {
  // 1.84 s at full size: sqrt(0.1 / 1.84) = 0.233, down to the step 0.20.
  const std::optional<float> chosen = fw_ChooseRenderScale({1.9, 1.84, 1.7}, 1.0f);
  ASSERT_TRUE(chosen);
  EXPECT_NEAR(*chosen, 0.20f, 1e-6f);
  ExpectSize(*chosen, 256, 144);
  // 0.8 s: 0.354 → 0.35, whose float lies below 0.35: the size must still be 448 × 252, not 447 × 251.
  const std::optional<float> third = fw_ChooseRenderScale({0.8}, 1.0f);
  ASSERT_TRUE(third);
  EXPECT_NEAR(*third, 0.35f, 1e-6f);
  ExpectSize(*third, 448, 252);
  // Every step gives even sides at the window's exact aspect (frames timed halfway to the next
  // step; frames that would give 0.8 and up are near enough the aim to stay at full size).
  for (int k = 2; k <= 15; ++k) {
    const double scale = (k + 0.5) * 0.05;
    const std::optional<float> step = fw_ChooseRenderScale({0.1 / (scale * scale)}, 1.0f);
    ASSERT_TRUE(step) << k;
    const int width = fw_ScaledSide(1280, *step), height = fw_ScaledSide(720, *step);
    EXPECT_EQ(width, 64 * k) << k;
    EXPECT_EQ(height, 36 * k) << k;
  }
}

TEST(RenderScaleChoice, VerySlowFramesStopAtTheBottomOfTheRange) {
  EXPECT_NEAR(*fw_ChooseRenderScale({60.0, 60.0, 60.0}, 1.0f), 0.10f, 1e-6f);
  ExpectSize(*fw_ChooseRenderScale({60.0}, 1.0f), 128, 72);
  // Already at the bottom: nothing more to do.
  EXPECT_EQ(fw_ChooseRenderScale({5.0}, *fw_ChooseRenderScale({60.0}, 1.0f)), std::nullopt);
}

namespace {
// The cost of a frame on this machine, read off three rounds measured here: 0.39 s at 1280 x 720
// with 8 sub-frames, 0.16 s at 640 x 360 with 8 and 0.095 s at 640 x 360 with 4.
fw_QualityCost ThisMachine() {
  return *fw_FitQualityCost({{1.0f, 8}, 0.39}, {{0.5f, 8}, 0.16}, {{0.5f, 4}, 0.095});
}

bool Fits(const fw_QualityCost& cost, const fw_QualityPair& pair) {
  return cost.predict(pair) <= fw_kAutoScaleTargetSeconds * (1 + 1e-9);
}
}  // namespace

TEST(QualityLadder, ThreeRoundsTellWhatAFrameAndASubFramePay) {
  const fw_QualityCost truth{0.02, 0.004, 0.03};
  auto at = [&](float scale, int n) { return fw_QualityMeasure{{scale, n}, truth.predict({scale, n})}; };
  const std::optional<fw_QualityCost> fit = fw_FitQualityCost(at(1.0f, 8), at(0.5f, 8), at(0.5f, 4));
  ASSERT_TRUE(fit);
  EXPECT_NEAR(fit->perFrame, 0.02, 1e-9);
  EXPECT_NEAR(fit->fixed, 0.004, 1e-9);
  EXPECT_NEAR(fit->perArea, 0.03, 1e-9);
  // Two rounds at one count predict that count exactly, all of it per sub-frame.
  const std::optional<fw_QualityCost> two = fw_FitQualityCost(at(1.0f, 3), at(0.4f, 3));
  ASSERT_TRUE(two);
  EXPECT_NEAR(two->predict({0.7f, 3}), truth.predict({0.7f, 3}), 1e-9);
  // Fewer sub-frames that were no faster (noise) split nothing off; figures that say nothing fit
  // nothing.
  const std::optional<fw_QualityCost> noisy = fw_FitQualityCost(at(1.0f, 8), at(0.5f, 8), {{0.5f, 4}, 0.5});
  ASSERT_TRUE(noisy);
  EXPECT_EQ(noisy->perFrame, 0.0);
  EXPECT_EQ(fw_FitQualityCost(at(1.0f, 8), at(0.5f, 4)), std::nullopt);
  EXPECT_EQ(fw_FitQualityCost(at(1.0f, 8), {{0.5f, 8}, kNaN}), std::nullopt);
  EXPECT_EQ(fw_FitQualityCost(at(1.0f, 8), {{0.5f, 8}, 0.9}), std::nullopt);  // smaller was slower
}

TEST(QualityLadder, AllEightSubFramesWhileTheyReachTheLeastScaleThenFewer) {
  const std::vector<int>& counts = fw_QualitySubFrameCounts();
  // A fast device: the full picture.
  fw_QualityChoice fast = fw_ChooseQuality({0.01, 0.001, 0.008}, counts);
  EXPECT_EQ(fast.pair.scale, 1.0f);
  EXPECT_EQ(fast.pair.subFrames, 8);
  EXPECT_EQ(fast.reason, fw_QualityChoice::Reason::FitsAim);
  // Per-pixel cost dominant: eight sub-frames at the largest scale within the aim, 0.5.
  const fw_QualityCost pixels{0.0, 0.0005, 0.047};
  const fw_QualityChoice eight = fw_ChooseQuality(pixels, counts);
  EXPECT_NEAR(eight.pair.scale, 0.5f, 1e-6f);
  EXPECT_EQ(eight.pair.subFrames, 8);
  EXPECT_FALSE(Fits(pixels, {0.55f, 8}));
  // This machine: eight reach ten frames a second only at 0.25, so four, at the largest scale
  // that fits.
  const fw_QualityCost here = ThisMachine();
  const fw_QualityChoice four = fw_ChooseQuality(here, counts);
  EXPECT_EQ(four.pair.subFrames, 4);
  EXPECT_GE(four.pair.scale, fw_kQualityLeastScale);
  EXPECT_TRUE(Fits(here, four.pair));
  EXPECT_FALSE(Fits(here, {four.pair.scale + fw_kAutoScaleStep, 4}));
  EXPECT_EQ(four.reason, fw_QualityChoice::Reason::FitsAim);
  ExpectSize(four.pair.scale, fw_ScaledSide(1280, four.pair.scale), fw_ScaledSide(720, four.pair.scale));
  // The same machine with two busy loops beside it (everything twice as dear): two sub-frames,
  // whose part that does not shrink leaves the pixels less than a quarter of the aim, so they get
  // a quarter of the frame: still eight frames a second, at a scale of 0.4.
  fw_QualityCost loaded = here;
  loaded.perFrame *= 2, loaded.fixed *= 2, loaded.perArea *= 2;
  const fw_QualityChoice two = fw_ChooseQuality(loaded, counts);
  EXPECT_EQ(two.pair.subFrames, 2);
  EXPECT_NEAR(two.pair.scale, 0.4f, 1e-6f);
  EXPECT_LE(loaded.predict(two.pair), 1.0 / 8.0);
  EXPECT_EQ(two.reason, fw_QualityChoice::Reason::PixelsGetAQuarter);
  // --sub-frames 3: only the scale is chosen.
  const fw_QualityChoice given = fw_ChooseQuality(here, {3});
  EXPECT_EQ(given.pair.subFrames, 3);
  EXPECT_TRUE(Fits(here, given.pair));
  EXPECT_FALSE(Fits(here, {given.pair.scale + fw_kAutoScaleStep, 3}));
}

TEST(QualityLadder, AFixedPartAboveTheAimLeavesThePixelsAQuarterAndSaysSo) {
  const std::vector<int>& counts = fw_QualitySubFrameCounts();
  // Two sub-frames reach the aim, but only at 0.35: the fewest, and the reason.
  const fw_QualityCost small{0.05, 0.01, 0.1};
  const fw_QualityChoice shortOf = fw_ChooseQuality(small, counts);
  EXPECT_EQ(shortOf.pair.subFrames, 2);
  EXPECT_NEAR(shortOf.pair.scale, 0.35f, 1e-6f);  // sqrt(0.03 / 0.2) = 0.387
  EXPECT_EQ(shortOf.reason, fw_QualityChoice::Reason::ShortOfLeastScale);
  // What two sub-frames cost at any size (0.12 s) is past the aim: a smaller scale would buy a few
  // hundredths for a postage stamp, so the pixels get a quarter: sqrt(0.04 / 0.6) = 0.258 -> 0.25.
  const fw_QualityChoice quarter = fw_ChooseQuality({0.08, 0.02, 0.3}, counts);
  EXPECT_EQ(quarter.pair.subFrames, 2);
  EXPECT_NEAR(quarter.pair.scale, 0.25f, 1e-6f);
  EXPECT_EQ(quarter.reason, fw_QualityChoice::Reason::PixelsGetAQuarter);
  // Machines whose fixed parts differ by 5 ms get scales at most a step apart, also where the
  // fixed part crosses the aim (a choice from what it leaves of the aim alone fell to the floor).
  std::optional<float> previous;
  for (double perFrame = 0.16; perFrame > 0.0; perFrame -= 0.005) {
    const float scale = fw_ChooseQuality({perFrame, 0.0, 0.15}, {2}).pair.scale;
    if (previous) {
      EXPECT_LE(std::fabs(scale - *previous), fw_kAutoScaleStep + 1e-6f) << "per frame " << perFrame << " s";
    }
    previous = scale;
  }
}

namespace {
// A show played against the governor: a frame at `pair` takes heaviness(t) times what the model
// predicts, with a little noise. Returns the moves, as (time, pair).
template <class Heaviness>
std::vector<std::pair<double, fw_QualityPair>> Play(fw_QualityGovernor& governor, const fw_QualityCost& truth,
                                                    double seconds, Heaviness heaviness, double noise = 0.05) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(1.0 - noise, 1.0 + noise);
  std::vector<std::pair<double, fw_QualityPair>> moves;
  for (double t = 0.0; t < seconds;) {
    const double frame = truth.predict(governor.current()) * heaviness(t) * jitter(random);
    t += frame;
    if (const std::optional<fw_QualityPair> to = governor.frame(t, frame)) moves.emplace_back(t, *to);
  }
  return moves;
}
}  // namespace

TEST(QualityLadder, AHeavierSectionStepsDownARungAtATimeAndComesBackAfterIt) {
  const fw_QualityCost here = ThisMachine();
  const std::vector<int>& counts = fw_QualitySubFrameCounts();
  const fw_QualityPair start = fw_ChooseQuality(here, counts).pair;
  fw_QualityGovernor governor(here, counts, start);
  // 30 s as the start, 40 s at 1.8 times the cost (the second drop), 40 s as the start again.
  auto heaviness = [](double t) { return t >= 30.0 && t < 70.0 ? 1.8 : 1.0; };
  const auto moves = Play(governor, here, 110.0, heaviness);
  // The ladder is dearest first, each rung at most the rung's cost of the one above it, or a
  // tenth smaller at the same count.
  const std::vector<fw_QualityPair>& rungs = governor.rungs();
  const fw_QualityCost& cost = governor.cost();
  for (size_t i = 1; i < rungs.size(); ++i) {
    EXPECT_LT(cost.predict(rungs[i]), cost.predict(rungs[i - 1])) << i;
    const bool step = cost.predict(rungs[i]) <= cost.predict(rungs[i - 1]) * fw_kQualityRungCost + 1e-12;
    const bool tenth = rungs[i].subFrames == rungs[i - 1].subFrames && rungs[i - 1].scale - rungs[i].scale > 0.0999f;
    EXPECT_TRUE(step || tenth) << i;
  }
  ASSERT_GE(moves.size(), 2u);
  EXPECT_GE(moves.front().first, 30.0) << "nothing moves while the frames meet the aim";
  double last = -1e9;
  fw_QualityPair before = start;
  bool wentBackUp = false;
  for (const auto& [t, pair] : moves) {
    EXPECT_GE(t - last, fw_kQualityHoldSeconds) << "at " << t;
    // Down while the section is heavy (and the two seconds after), up only after it.
    const double ratio = here.predict(pair) / here.predict(before);
    if (t > 72.0) {
      EXPECT_GT(ratio, 1.0) << "up at " << t;
      wentBackUp = true;
    }
    last = t;
    before = pair;
  }
  EXPECT_TRUE(wentBackUp);
  // In the heavy section's second half the frames are back within the aim.
  EXPECT_LE(here.predict(governor.current()), here.predict(start) + 1e-9);
  fw_QualityGovernor heavy(here, counts, start);
  Play(heavy, here, 60.0, [](double) { return 1.8; });
  EXPECT_LE(here.predict(heavy.current()) * 1.8, fw_kAutoScaleTargetSeconds * fw_kQualityStepDownAbove);
}

TEST(QualityLadder, NoiseAtTheBorderMovesAtMostOnceAndNeverBack) {
  const fw_QualityCost here = ThisMachine();
  const std::vector<int>& counts = fw_QualitySubFrameCounts();
  const fw_QualityPair start = fw_ChooseQuality(here, counts).pair;
  // Frames that land right on the step-down border, with 15 % noise either way, for two minutes.
  const double border = fw_kAutoScaleTargetSeconds * fw_kQualityStepDownAbove / here.predict(start);
  fw_QualityGovernor governor(here, counts, start);
  const auto moves = Play(governor, here, 120.0, [&](double) { return border; }, 0.15);
  EXPECT_LE(moves.size(), 1u);
  // A machine just fast enough stays where it is.
  fw_QualityGovernor steady(here, counts, start);
  EXPECT_TRUE(Play(steady, here, 120.0, [](double) { return 1.0; }, 0.15).empty());
  // A cost that put too much into what does not shrink with the picture (what happened here: the
  // next rung down it saw from 0.65 and 2 sub-frames was 0.30, where the frames took 0.06 s, and
  // the rung back up was then predicted within the aim): the frames before and after the first
  // move refit it, and the pair settles instead of going back and forth every few seconds.
  const fw_QualityCost believed{0.05, 0.0034, 0.025}, truth{0.03, 0.002, 0.12};
  fw_QualityGovernor wrong(believed, counts, {0.65f, 2});
  const auto settling = Play(wrong, truth, 120.0, [](double) { return 1.0; });
  EXPECT_LE(settling.size(), 2u);
  for (size_t i = 2; i < settling.size(); ++i)
    EXPECT_FALSE(settling[i].second.scale == settling[i - 2].second.scale) << "back and forth at " << settling[i].first;
  EXPECT_LE(truth.predict(wrong.current()), fw_kAutoScaleTargetSeconds * fw_kQualityStepDownAbove);
  EXPECT_NEAR(wrong.cost().perArea, truth.perArea, 0.035);
  // A show that swings every few seconds between stretches the pair fits and stretches twice as
  // heavy: the pair follows at first, then each swing back down soon after a step up makes the
  // next step up wait longer, so the quiet spells between the pair's moves grow to a minute.
  fw_QualityGovernor swung(here, counts, start);
  const auto swings = Play(swung, here, 360.0, [](double t) { return std::fmod(t, 16.0) < 8.0 ? 1.0 : 2.0; });
  std::vector<double> quiet;
  for (size_t i = 1; i < swings.size(); ++i) {
    const double gap = swings[i].first - swings[i - 1].first;
    EXPECT_GE(gap, fw_kQualityHoldSeconds - 1e-9);
    if (gap > 5.0 * fw_kQualityHoldSeconds) quiet.push_back(gap);
  }
  ASSERT_GE(quiet.size(), 2u);
  for (size_t i = 1; i < quiet.size(); ++i) EXPECT_GT(quiet[i], quiet[i - 1]);
  EXPECT_GE(quiet.back(), 60.0);
  // A loaded machine, whose part that does not shrink is past the aim: the pair steps down to where
  // the pixels take a ninth of the frame and no further, not to the smallest scale.
  fw_QualityCost loaded = here;
  loaded.perFrame *= 2.5, loaded.fixed *= 2.5, loaded.perArea *= 2.5;
  fw_QualityGovernor busy(loaded, counts, {0.5f, 2});
  Play(busy, loaded, 120.0, [](double) { return 1.0; });
  const fw_QualityPair floor = busy.current();
  const double ninth = std::sqrt(loaded.sizeless(2) / 8.0 / (2 * loaded.perArea));
  EXPECT_GE(floor.scale, ninth - 2 * fw_kAutoScaleStep - 1e-4);
  EXPECT_LT(floor.scale, fw_ChooseQuality(loaded, {2}).pair.scale);
  EXPECT_GT(floor.scale, 2 * fw_kAutoScaleMin);
  // Times that say nothing move nothing.
  fw_QualityGovernor blind(here, counts, start);
  for (double t = 0.0; t < 30.0; t += 0.1) {
    EXPECT_EQ(blind.frame(t, kNaN), std::nullopt);
    EXPECT_EQ(blind.frame(t, -1.0), std::nullopt);
    EXPECT_EQ(blind.frame(kInf, 9.0), std::nullopt);
  }
}

TEST(FrameTable, OneLinePerSectionWithItsMedianPercentileAndQualities) {
  fw_FrameTable table({{"intro", 0, 255}, {"drop", 256, 511}, {"outro", 512, 767}});
  // Twenty intro frames of 0.01 .. 0.20 s: median 0.105, 95th percentile (nearest rank) 0.19.
  for (int i = 1; i <= 20; ++i) table.add(static_cast<float>(i), 0.01 * i, {0.55f, 4});
  // The drop at two pairs, the later one used more; its last row's end still belongs to it.
  table.add(300.0f, 0.1, {0.55f, 4});
  table.add(400.0f, 0.08, {0.45f, 4});
  table.add(511.9f, 0.08, {0.45f, 4});
  // Rows past the map, and times that say nothing (not counted).
  table.add(900.0f, 0.2, {0.45f, 4});
  table.add(10.0f, kNaN, {0.45f, 4});
  table.add(10.0f, -1.0, {0.45f, 4});
  table.add(kInf, 0.1, {0.45f, 4});
  EXPECT_EQ(table.frames(), 24u);
  const std::vector<std::string> lines = table.lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0],
            "intro (rows 0 to 255): 20 frames, median 0.105 s (9.5 frames a second), 95th percentile 0.190 s; "
            "render scale 0.55 and 4 sub-frames");
  EXPECT_EQ(lines[1],
            "drop (rows 256 to 511): 3 frames, median 0.080 s (12.5 frames a second), 95th percentile 0.100 s; "
            "render scale 0.45 and 4 sub-frames for 2, 0.55 and 4 for 1");
  EXPECT_EQ(lines[2], "outro (rows 512 to 767): no frames drawn");
  EXPECT_EQ(lines[3].rfind("the show: 1 frame, median 0.200 s", 0), 0u) << lines[3];
  // Without a section map, every frame is the show's.
  fw_FrameTable whole({});
  whole.add(5.0f, 0.1, {1.0f, 8});
  ASSERT_EQ(whole.lines().size(), 1u);
  EXPECT_EQ(whole.lines()[0].rfind("the show: 1 frame", 0), 0u);
}
