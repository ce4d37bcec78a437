// The post chain's numbers from its tracks: bloom strength and the final composite's constants.
#include "post/fw_PostLook.h"

#include <platform/crt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

TEST(PostLook, EmptyTracksGiveTheNeutralConstants) {
  const fw_CompositeConstants c = fw_CompositeConstantsFrom(fw_CompositeTracks{}, 0.0);
  EXPECT_EQ(c.fade, 1.0f);
  EXPECT_EQ(c.colorExponents[0], 0.1f);
  EXPECT_EQ(c.colorExponents[1], 0.1f);
  EXPECT_EQ(c.colorExponents[2], 0.1f);
  EXPECT_EQ(c.colorExponents[3], 1.0f);
  EXPECT_EQ(c.chromaDistortion, 0.0f);
  for (float g : c.glitch) EXPECT_EQ(g, 0.0f);
  EXPECT_EQ(c.noiseStrength, 0.0f);
}

TEST(PostLook, EachTrackLandsInItsConstantWithItsScaling) {
  fw_CompositeTracks t;
  t.fade = 80.0f;
  t.redExp = 12.0f;
  t.greenExp = 9.0f;
  t.blueExp = 7.0f;
  t.scale = 1.5f;
  t.chromaDistort = 25.0f;
  t.glitch = 0.3f;
  t.glitchOffset = -2.0f;
  t.noise = 40.0f;
  const fw_CompositeConstants c = fw_CompositeConstantsFrom(t, 0.0);
  EXPECT_FLOAT_EQ(c.fade, 0.8f);
  // Red, green, blue in that order, whatever order the tracks are read in; scale unscaled.
  EXPECT_FLOAT_EQ(c.colorExponents[0], 1.2f);
  EXPECT_FLOAT_EQ(c.colorExponents[1], 0.9f);
  EXPECT_FLOAT_EQ(c.colorExponents[2], 0.7f);
  EXPECT_EQ(c.colorExponents[3], 1.5f);
  EXPECT_FLOAT_EQ(c.chromaDistortion, 0.25f);
  EXPECT_EQ(c.glitch[0], 0.3f);
  EXPECT_EQ(c.glitch[1], -2.0f);
  EXPECT_EQ(c.glitch[2], 0.0f);
  EXPECT_EQ(c.glitch[3], 0.0f);
  EXPECT_FLOAT_EQ(c.noiseStrength, 0.4f);
}

TEST(PostLook, ScalingsUseTheWidenedSinglePrecisionFactors) {
  // 0.01f widened is 0.00999999977648258; 33 x that in double, then rounded, is not the float
  // nearest to 0.33 computed in single precision from 0.33.
  fw_CompositeTracks t;
  t.fade = 33.0f;
  t.noise = 33.0f;
  const fw_CompositeConstants c = fw_CompositeConstantsFrom(t, 0.0);
  EXPECT_EQ(c.fade, float(33.0 * double(0.01f)));
  EXPECT_EQ(c.noiseStrength, float(33.0 * double(0.01f)));
  EXPECT_EQ(fw_BloomStrength(1.0f), float(double(0.01f)));
  EXPECT_EQ(fw_BloomStrength(250.0f), float(250.0 * double(0.01f)));
}

TEST(PostLook, FlickerAddsShakeTimesUToTheTenth) {
  fw_CompositeTracks t;
  t.fade = 50.0f;
  t.fadeShake = 100.0f;
  EXPECT_FLOAT_EQ(fw_CompositeConstantsFrom(t, 0.0).fade, 0.5f);
  EXPECT_FLOAT_EQ(fw_CompositeConstantsFrom(t, 1.0).fade, 0.6f);
  EXPECT_FLOAT_EQ(fw_CompositeConstantsFrom(t, 0.5).fade, float(0.5 + 0.1 * std::pow(0.5, 10)));
  t.fadeShake = 0.0f;
  EXPECT_EQ(fw_CompositeConstantsFrom(t, 1.0).fade, fw_CompositeConstantsFrom(t, 0.0).fade);
}

TEST(PostLook, FadeWithShakeStaysInRangeAndMostlyHoldsSteady) {
  crt::srand(1);
  fw_CompositeTracks t;
  t.fade = 50.0f;
  t.fadeShake = 100.0f;
  std::vector<float> fades;
  for (int frame = 0; frame < 20000; ++frame) fades.push_back(fw_CompositeConstantsFrom(t, fw_FlickerRandom()).fade);
  const auto [lo, hi] = std::minmax_element(fades.begin(), fades.end());
  EXPECT_GE(*lo, 0.5f);
  EXPECT_LE(*hi, 0.6f);
  // u^10 is near 0 on most frames and only rarely near 1.
  std::sort(fades.begin(), fades.end());
  EXPECT_LT(fades[fades.size() / 2], 0.5002f);  // median u ~ 0.5: 0.1 x 0.5^10
  EXPECT_GT(fades.back(), 0.59f);
  const auto above = std::count_if(fades.begin(), fades.end(), [](float f) { return f > 0.55f; });
  EXPECT_GT(above, 20000 * 0.03);  // u > 0.933 on about 6.7 % of frames
  EXPECT_LT(above, 20000 * 0.10);
}

TEST(PostLook, FlickerRandomIsTheSharedGeneratorOver32767) {
  crt::srand(7);
  std::vector<int> expected;
  for (int i = 0; i < 5; ++i) expected.push_back(crt::rand());
  crt::srand(7);
  for (int value : expected) EXPECT_EQ(fw_FlickerRandom(), double(value) / 32767.0);
}
