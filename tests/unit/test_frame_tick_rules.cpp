#include "frame/fw_FrameRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FrameRules, GotoRowEndsOnlyAtExactlyZero) {
  EXPECT_EQ(fw_GotoRowDecision(0.0f), fw_GotoRowAction::EndShow);
  EXPECT_EQ(fw_GotoRowDecision(-0.0f), fw_GotoRowAction::EndShow);
  EXPECT_EQ(fw_GotoRowDecision(-1.0f), fw_GotoRowAction::None);
  EXPECT_EQ(fw_GotoRowDecision(-1e-7f), fw_GotoRowAction::None);
  EXPECT_EQ(fw_GotoRowDecision(0.5f), fw_GotoRowAction::Seek);
  EXPECT_EQ(fw_GotoRowDecision(1e-7f), fw_GotoRowAction::Seek);
  EXPECT_EQ(fw_GotoRowDecision(std::nanf("")), fw_GotoRowAction::None);
}

TEST(FrameRules, SceneIndexTruncatesTakesLow32BitsAndWraps) {
  EXPECT_EQ(fw_SceneIndexFromTrack(2.7f, 2), 0u);
  EXPECT_EQ(fw_SceneIndexFromTrack(-1.5f, 2), 1u);   // -1 -> 0xFFFFFFFF -> odd
  EXPECT_EQ(fw_SceneIndexFromTrack(-1.5f, 3), 0u);   // 4294967295 % 3 == 0
  EXPECT_EQ(fw_SceneIndexFromTrack(-0.9f, 2), 0u);   // toward zero, not floor
  EXPECT_EQ(fw_SceneIndexFromTrack(4294967296.0f + 1024.0f, 7), 1024u % 7u);  // high bits dropped
  EXPECT_EQ(fw_SceneIndexFromTrack(5.0f, 1), 0u);
  EXPECT_EQ(fw_SceneIndexFromTrack(1.0f, 0), 0u);
  EXPECT_EQ(fw_SceneIndexFromTrack(std::nanf(""), 3), 0u);
  EXPECT_EQ(fw_SceneIndexFromTrack(std::numeric_limits<float>::infinity(), 3), 0u);
  EXPECT_EQ(fw_SceneIndexFromTrack(1e30f, 3), 0u);
}

TEST(FrameRules, FirstThreeRenderCallsAreSkipped) {
  uint32_t counter = 0;
  EXPECT_TRUE(fw_SkipRender(&counter));
  EXPECT_TRUE(fw_SkipRender(&counter));
  EXPECT_TRUE(fw_SkipRender(&counter));
  EXPECT_FALSE(fw_SkipRender(&counter));
  EXPECT_FALSE(fw_SkipRender(&counter));
  counter = 0xFFFFFFFFu;
  EXPECT_FALSE(fw_SkipRender(&counter));
  EXPECT_FALSE(fw_SkipRender(&counter));  // no wrap back into the first three
}
