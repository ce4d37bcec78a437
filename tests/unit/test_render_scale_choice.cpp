// The automatic render scale's decision: when a run may choose, and what the timings choose.
#include "device/fw_RenderScaleChoice.h"
#include "device/fw_RenderSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
  EXPECT_EQ(fw_RefineRenderScale({1.0f, 1.0}, {0.3f, 0.12}), std::nullopt);
  // A first guess at the edge of "near" is refined, so noise on either side of it gives one
  // choice: here 0.36 s at full size and 0.149 or 0.151 s at 0.5 both give 0.30 (0.50 was kept).
  for (double latest : {0.149, 0.151}) {
    const std::optional<float> refined = fw_RefineRenderScale({1.0f, 0.36}, {0.5f, latest});
    ASSERT_TRUE(refined) << latest;
    EXPECT_NEAR(*refined, 0.30f, 1e-6f) << latest;
  }
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

// Machines whose fixed parts differ by 5 ms get scales at most a step apart, also where the fixed
// part crosses the aim: just under it, what it leaves of the aim is next to nothing, and a choice
// from that alone dropped from 0.30 to the floor.
TEST(RenderScaleChoice, TheChoiceMovesSmoothlyAsTheFixedPartCrossesTheAim) {
  const double perArea = 0.3;
  std::optional<float> previous;
  for (double fixed = 0.20; fixed > 0.08; fixed -= 0.005) {
    const std::optional<float> chosen =
        fw_RefineRenderScale({1.0f, fixed + perArea}, {0.5f, fixed + perArea * 0.25});
    ASSERT_TRUE(chosen) << "fixed part " << fixed << " s";
    if (previous) EXPECT_LE(std::fabs(*chosen - *previous), fw_kAutoScaleStep + 1e-6f) << "fixed part " << fixed << " s";
    previous = chosen;
  }
}

TEST(RenderScaleChoice, TheSecondChoiceSeparatesFixedFromPixelCost) {
  // Measured here: 0.70 s at full size, 0.21 s at 0.35. The fixed part (about 0.14 s) alone misses
  // ten frames a second; the floor would save only hundredths of a second, so the pixels keep about
  // a quarter of the frame: sqrt(0.1416 / 3 / 0.558) = 0.29, down to 0.25, not the floor's 0.10.
  const std::optional<fw_FrameCostFit> fit = fw_FitFrameCost({1.0f, 0.70}, {0.35f, 0.21});
  ASSERT_TRUE(fit);
  EXPECT_NEAR(fit->fixed, 0.1416, 1e-3);
  EXPECT_TRUE(fit->fixedMissesAim());
  EXPECT_NEAR(*fw_RefineRenderScale({1.0f, 0.70}, {0.35f, 0.21}), 0.25f, 1e-6f);
  // Frames of 0.12 + 0.3 s²: no scale reaches the aim; sqrt(0.12 / 3 / 0.3) = 0.365 → 0.35.
  EXPECT_NEAR(*fw_RefineRenderScale({1.0f, 0.42}, {0.5f, 0.195}), 0.35f, 1e-6f);
  // Just under the aim, 0.09 s fixed would leave the pixels 0.01 s (0.18 → 0.15); they keep a
  // quarter of the frame instead: sqrt(0.03 / 0.3) = 0.316 → 0.30.
  EXPECT_NEAR(*fw_RefineRenderScale({1.0f, 0.39}, {0.5f, 0.165}), 0.30f, 1e-6f);
  // Well under the aim, the largest scale that fits it: 0.04 s fixed leaves 0.06 s of 1.0 s a full
  // picture → sqrt(0.06) = 0.245 → 0.20.
  const std::optional<float> wellUnder = fw_RefineRenderScale({1.0f, 1.04}, {0.5f, 0.29});
  ASSERT_TRUE(wellUnder);
  EXPECT_NEAR(*wellUnder, 0.20f, 1e-6f);
  // All pixel cost: 0.8 s at full size and 0.2 s at 0.5 → 0.1 s at about 0.35.
  EXPECT_NEAR(*fw_RefineRenderScale({1.0f, 0.8}, {0.5f, 0.2}), 0.35f, 1e-6f);
  // A first choice that overshot is raised again, at most to the window's size.
  EXPECT_NEAR(*fw_RefineRenderScale({1.0f, 0.5}, {0.1f, 0.01}), 0.40f, 1e-6f);
  // Fewer pixels gained nothing (or the timings were noise): keep what there is.
  EXPECT_EQ(fw_RefineRenderScale({1.0f, 0.5}, {0.3f, 0.5}), std::nullopt);
  EXPECT_EQ(fw_RefineRenderScale({1.0f, 0.5}, {0.3f, 0.6}), std::nullopt);
  EXPECT_EQ(fw_RefineRenderScale({0.3f, 0.5}, {0.3f, 0.3}), std::nullopt);
  EXPECT_EQ(fw_RefineRenderScale({1.0f, kNaN}, {0.3f, 0.3}), std::nullopt);
  EXPECT_EQ(fw_RefineRenderScale({1.0f, 0.5}, {0.3f, -1.0}), std::nullopt);
}
