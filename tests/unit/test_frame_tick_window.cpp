#include "frame/fw_WindowMessages.h"
#include "sync/fw_Clock.h"

#include "log_capture.h"

#include <gtest/gtest.h>

namespace {
bool Send(UINT message, bool verbose = false) {
  LRESULT result = 99;
  bool handled = fw_HandleDeviceWindowMessage(nullptr, message, 0, 0, verbose, false, &result);
  if (handled) {
    EXPECT_EQ(result, 0);
  }
  return handled;
}
}  // namespace

TEST(WindowMessages, DraggingHoldsARunningMusicClockAndLeavesAPausedOneAlone) {
  fw_CreateClocks();
  fw_Clock* clock = fw_GetMusicClock();
  ASSERT_NE(clock, nullptr);
  clock->restart();
  EXPECT_TRUE(Send(WM_ENTERSIZEMOVE));
  EXPECT_TRUE(clock->isPaused());
  EXPECT_TRUE(Send(WM_EXITSIZEMOVE));
  EXPECT_FALSE(clock->isPaused());

  clock->pause();
  Send(WM_ENTERSIZEMOVE);
  Send(WM_EXITSIZEMOVE);
  EXPECT_TRUE(clock->isPaused());

  // A release without a matching press does not start the clock either.
  Send(WM_EXITSIZEMOVE);
  EXPECT_TRUE(clock->isPaused());
  fw_DestroyClocks();
  EXPECT_TRUE(Send(WM_ENTERSIZEMOVE));  // no clock: handled, nothing to hold
  EXPECT_TRUE(Send(WM_EXITSIZEMOVE));
}

TEST(WindowMessages, FocusNoticesAreLoggedOnlyWhenVerboseAndOtherMessagesPassOn) {
  LogCapture log;
  EXPECT_TRUE(Send(WM_SETFOCUS, false));
  EXPECT_TRUE(Send(WM_KILLFOCUS, false));
  EXPECT_TRUE(log.lines().empty());
  Send(WM_SETFOCUS, true);
  Send(WM_KILLFOCUS, true);
  EXPECT_TRUE(log.contains("WM_SETFOCUS: Window found focus.", 0));
  EXPECT_TRUE(log.contains("WM_KILLFOCUS: Window lost focus.", 0));
  EXPECT_TRUE(Send(WM_SIZE, true));  // no swap chain yet: nothing to ask, nothing logged
  EXPECT_FALSE(log.contains("WM_SIZE"));
  EXPECT_FALSE(Send(WM_KEYDOWN));
  EXPECT_FALSE(Send(WM_PAINT));
}
