#include "res/fw_DownsampleChain.h"

#include <gtest/gtest.h>

TEST(DownsampleChain, ElevenLevelsFor1280x720DownToOnePixel) {
  auto levels = fw_DownsampleLevels("r32f_1", 1280, 720);
  ASSERT_EQ(levels.size(), 11u);
  const int expected[11][2] = {{1280, 720}, {640, 360}, {320, 180}, {160, 90}, {80, 45}, {40, 22},
                               {20, 11},    {10, 5},    {5, 2},     {2, 1},    {1, 1}};
  for (size_t i = 0; i < levels.size(); ++i) {
    EXPECT_EQ(levels[i].width, expected[i][0]) << i;
    EXPECT_EQ(levels[i].height, expected[i][1]) << i;
  }
  EXPECT_EQ(levels[0].name, "r32f_1");
  EXPECT_EQ(levels[1].name, "r32f_1_downsample1");
  EXPECT_EQ(levels[10].name, "r32f_1_downsample10");
}

TEST(DownsampleChain, LetterboxedSizeAndTallShapes) {
  auto levels = fw_DownsampleLevels("r16g16b16a16f_1", 1920, 1079);
  ASSERT_EQ(levels.size(), 11u);
  EXPECT_EQ(levels[7].width, 15);
  EXPECT_EQ(levels[7].height, 8);
  EXPECT_EQ(levels[7].name, "r16g16b16a16f_1_downsample7");

  // A tall target keeps a width of 1 while its height goes on halving.
  auto tall = fw_DownsampleLevels("t", 2, 16);
  ASSERT_EQ(tall.size(), 5u);
  EXPECT_EQ(tall[1].width, 1);
  EXPECT_EQ(tall[4].width, 1);
  EXPECT_EQ(tall[4].height, 1);

  EXPECT_TRUE(fw_DownsampleLevels("x", 0, 720).empty());
  EXPECT_TRUE(fw_DownsampleLevels("x", 64, 0).empty());
  EXPECT_EQ(fw_DownsampleLevels("x", 1, 1).size(), 1u);
}
