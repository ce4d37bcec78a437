// The timed alert on a real GTK message box under Xvfb: the X window's title counts down and the
// box closes itself.
#include "diag/fw_Alert.h"
#include "process_runner.h"

#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

namespace {

// The countdown's clock, stepped by the test. It stands until the box is on screen, so a cold
// start (fonts, icon theme, shaders) that takes seconds to show the box costs no second of the
// countdown; when the test ends, early or not, the wall clock comes back and ends any box left.
class SteppedTicks {
 public:
  SteppedTicks() {
    platform::SetVirtualTickCount([this] { return mTicks.load(); });
  }
  ~SteppedTicks() { platform::SetVirtualTickCount(nullptr); }
  void advance(DWORD milliseconds) { mTicks += milliseconds; }

 private:
  std::atomic<DWORD> mTicks{1000};
};

}  // namespace

TEST(AlertGtk, TimedAlertRetitlesAndClosesTheRealBox) {
  ASSERT_TRUE(platform::GtkAvailable()) << "run under xvfb-run";
  fw_SetAlertMode(1);
  fw_SetAlertCaption("Countdown");
  std::future<int> result;
  SteppedTicks ticks;  // released before the future waits for the alert
  result = std::async(std::launch::async, [] { return fw_TimedAlert(2.5f, "closing by itself"); });

  EXPECT_FALSE(FindXWindow("Countdown: 2", 60.0).empty()) << DescribeXWindows();
  ticks.advance(2000);  // 0.5 s left, rounded up
  EXPECT_FALSE(FindXWindow("Countdown: 1", 60.0).empty()) << DescribeXWindows();
  // While its clock stands, the box stays.
  EXPECT_EQ(result.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  ticks.advance(1000);  // past the timeout
  if (result.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    for (const char* title : {"Countdown: 2", "Countdown: 1"})  // so the test ends instead of hanging
      if (HWND box = FindWindowA(nullptr, title)) PostMessageA(box, WM_CLOSE, 0, 0);
    FAIL() << "the box did not close itself";
  }
  EXPECT_EQ(result.get(), 0);  // timed out, not dismissed
  EXPECT_TRUE(WaitForXWindowGone("Countdown: .*", 30.0)) << DescribeXWindows();
}
