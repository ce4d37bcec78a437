// The timed alert on a real GTK message box under Xvfb: the X window's title counts down and the
// box closes itself.
#include "diag/fw_Alert.h"
#include "process_runner.h"

#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

TEST(AlertGtk, TimedAlertRetitlesAndClosesTheRealBox) {
  ASSERT_TRUE(platform::GtkAvailable()) << "run under xvfb-run";
  fw_SetAlertMode(1);
  fw_SetAlertCaption("Countdown");
  auto result = std::async(std::launch::async, [] { return fw_TimedAlert(2.5f, "closing by itself"); });
  EXPECT_FALSE(FindXWindow("Countdown: 2", 5.0).empty());
  EXPECT_FALSE(FindXWindow("Countdown: 1", 5.0).empty());
  ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(result.get(), 0);
  // The box has returned; the X server may take a moment longer to drop its window.
  bool gone = false;
  for (int i = 0; i < 30 && !gone; ++i) {
    gone = FindXWindow("Countdown: 1", 0.05).empty();
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(gone);
}
