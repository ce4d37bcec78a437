// The timed alert on a real GTK message box under Xvfb: the X window's title counts down and the
// box closes itself.
#include "diag/fw_Alert.h"
#include "process_runner.h"

#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <future>

TEST(AlertGtk, TimedAlertRetitlesAndClosesTheRealBox) {
  ASSERT_TRUE(platform::GtkAvailable()) << "run under xvfb-run";
  fw_SetAlertMode(1);
  fw_SetAlertCaption("Countdown");
  auto result = std::async(std::launch::async, [] { return fw_TimedAlert(2.5f, "closing by itself"); });
  EXPECT_FALSE(FindXWindow("Countdown: 2", 5.0).empty());
  EXPECT_FALSE(FindXWindow("Countdown: 1", 5.0).empty());
  ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(result.get(), 0);
  EXPECT_TRUE(FindXWindow("Countdown: 1", 0.3).empty());
}
