#include "app/fw_Framework.h"
#include "device/fw_DeviceState.h"
#include "device/fw_RenderSize.h"
#include "device/fw_Device.h"

#include "log_capture.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {
fw_RenderSizeInput Desktop(int w, int h, bool fullscreen, bool final) {
  fw_RenderSizeInput in;
  in.fullscreen = fullscreen;
  in.finalMarker = final;
  in.desktopWidth = w;
  in.desktopHeight = h;
  return in;
}
}  // namespace

TEST(RenderSize, WindowedIsTheWindowWithoutLetterbox) {
  fw_RenderSize s = fw_ComputeRenderSize(Desktop(1920, 1200, false, false));
  EXPECT_EQ(s.width, 1280);
  EXPECT_EQ(s.height, 720);
  EXPECT_FALSE(s.letterbox);
  EXPECT_TRUE(s.logLine.empty());

  fw_RenderSizeInput half = Desktop(1920, 1200, false, false);
  half.renderScale = 0.5f;
  s = fw_ComputeRenderSize(half);
  EXPECT_EQ(s.width, 640);
  EXPECT_EQ(s.height, 360);

  EXPECT_EQ(fw_ScaledSide(1280, 0.333f), 426);  // truncated, not rounded
}

TEST(RenderSize, FullscreenOn1920x1200LetterboxesTo1079) {
  fw_RenderSize s = fw_ComputeRenderSize(Desktop(1920, 1200, true, false));
  EXPECT_EQ(s.width, 1920);
  EXPECT_EQ(s.height, 1079);
  EXPECT_TRUE(s.letterbox);
  EXPECT_EQ(s.logLine,
            "Resizing backbuffer dimensions: (1920, 1200) -> (1920, 1079) to obtain an aspect ratio of 1.77778.   "
            "Letterbox will be applied.");
  EXPECT_EQ(fw_LetterboxOffset(s.letterbox, 1920, 1200, s.width, s.height), 60);
}

TEST(RenderSize, FinalMarkerKeeps1280x720AndWideDesktopsStayAsTheyAre) {
  fw_RenderSize s = fw_ComputeRenderSize(Desktop(1920, 1200, true, true));
  EXPECT_EQ(s.width, 1280);
  EXPECT_EQ(s.height, 720);
  EXPECT_FALSE(s.letterbox);
  EXPECT_EQ(fw_LetterboxOffset(s.letterbox, 1920, 1200, s.width, s.height), 0);

  s = fw_ComputeRenderSize(Desktop(2560, 1080, true, false));
  EXPECT_EQ(s.width, 2560);
  EXPECT_EQ(s.height, 1080);
  EXPECT_FALSE(s.letterbox);

  s = fw_ComputeRenderSize(Desktop(1280, 720, true, false));
  EXPECT_EQ(s.width, 1280);
  EXPECT_EQ(s.height, 720);
  EXPECT_FALSE(s.letterbox);
}

TEST(RenderSize, BadSettingsGiveAUsableSize) {
  fw_RenderSize s = fw_ComputeRenderSize(Desktop(0, 0, true, false));  // desktop mode never read
  EXPECT_EQ(s.width, 1280);
  EXPECT_EQ(s.height, 720);

  fw_RenderSizeInput zero = Desktop(1920, 1080, false, false);
  zero.renderScale = 0.0f;
  s = fw_ComputeRenderSize(zero);
  EXPECT_GE(s.width, 1);
  EXPECT_GE(s.height, 1);

  fw_RenderSizeInput noAspect = Desktop(1920, 1200, true, false);
  noAspect.aspect = 0.0f;
  s = fw_ComputeRenderSize(noAspect);
  EXPECT_EQ(s.height, 1200);
  EXPECT_FALSE(s.letterbox);

  int32_t w = 0, h = 0;
  fw_OutputSize(true, 1280, 720, 1920, 1200, &w, &h);
  EXPECT_EQ(w, 1920);
  EXPECT_EQ(h, 1200);
  fw_OutputSize(false, 1280, 720, 1920, 1200, &w, &h);
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(fw_LetterboxOffset(true, 1920, 1200, 0, 0), 0);

  // Full screen on an unread desktop: the swap chain gets the window's size, not 0 x 0.
  fw_DeviceSettings unread;
  unread.size = Desktop(0, 0, true, false);
  const DXGI_SWAP_CHAIN_DESC desc = fw_SwapChainDescription(unread);
  EXPECT_EQ(desc.BufferDesc.Width, 1280u);
  EXPECT_EQ(desc.BufferDesc.Height, 720u);
}

// The scale, the size and the letterbox change together, and the framework's setting is the same
// value and cannot be written through, so a new scale can never leave the targets at the old size.
TEST(RenderSize, ApplyingASizeSetsScaleSizeAndLetterboxTogether) {
  static_assert(std::is_const_v<std::remove_reference_t<decltype(fw_Framework::mRenderScale)>>,
                "fw_ApplyRenderSize is the render scale's one writer");
  fw_RenderSizeInput half = Desktop(1920, 1200, false, false);
  half.renderScale = 0.5f;
  fw_ApplyRenderSize(half);
  EXPECT_EQ(fw_Framework::mRenderScale, 0.5f);
  EXPECT_EQ(fw_GetRenderWidth(), 640);
  EXPECT_EQ(fw_GetRenderHeight(), 360);
  EXPECT_FALSE(fw_GetLetterbox());

  LogCapture log;
  const fw_RenderSize full = fw_ApplyRenderSize(Desktop(1920, 1200, true, false));
  EXPECT_EQ(fw_Framework::mRenderScale, 1.0f);
  EXPECT_EQ(fw_GetRenderHeight(), 1079);
  EXPECT_TRUE(fw_GetLetterbox());
  EXPECT_TRUE(log.contains(full.logLine, 0));

  // A size of its own (tests, tools) is the window's at scale 1, without letterbox.
  fw_SetRenderSize(320, 180);
  EXPECT_EQ(fw_GetRenderSizeRecord().scale, 1.0f);
  EXPECT_EQ(fw_GetRenderWidth(), 320);
  EXPECT_EQ(fw_GetRenderHeight(), 180);
  EXPECT_FALSE(fw_GetLetterbox());
  fw_SetRenderSize(1280, 720);
}

// What is made at the render size follows each new size once; the same size again, or a new
// scale that gives it, remakes nothing.
TEST(RenderSize, TheFollowerRunsOncePerNewSize) {
  fw_SetRenderSize(1280, 720);
  int follows = 0;
  fw_SetRenderSizeFollower([&] {
    ++follows;
    EXPECT_EQ(fw_GetRenderWidth(), 640) << "the follower sees the new size";
  });
  fw_RenderSizeInput half = Desktop(1920, 1200, false, false);
  half.renderScale = 0.5f;
  fw_ApplyRenderSize(half);
  fw_ApplyRenderSize(half);
  fw_SetRenderSize(640, 360);  // scale 1 now, the same size
  EXPECT_EQ(follows, 1);

  fw_SetRenderSizeFollower(nullptr);
  fw_SetRenderSize(1280, 720);
  EXPECT_EQ(follows, 1);
}
