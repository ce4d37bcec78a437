// Alerts: the three modes, the caption, long texts, and the timed alert's countdown and close,
// on message boxes of the stand-in's virtual backend (no display needed).
#include "diag/fw_Alert.h"

#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {

class Alert : public ::testing::Test {
 protected:
  void SetUp() override {
    fw_SetAlertCaption("Alert");
    fw_SetAlertMode(0);
    platform::SetMessageBoxBackend(platform::MessageBoxBackend::Console);
  }
  void TearDown() override {
    SetUp();
    platform::SetMessageBoxBackend(platform::MessageBoxBackend::Automatic);
  }
};

HWND waitForWindow(const char* title, int timeoutMs = 3000) {
  for (int waited = 0; waited < timeoutMs; waited += 2) {
    if (HWND w = FindWindowA(nullptr, title)) return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return nullptr;
}

}  // namespace

TEST_F(Alert, ConsoleModePrintsCaptionAndText) {
  testing::internal::CaptureStdout();
  fw_Alert("x=%d", 5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Alert: x=5\n");

  fw_SetAlertCaption("amber over the hills");
  testing::internal::CaptureStdout();
  fw_Alert("%s", "50%");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "amber over the hills: 50%\n");

  fw_SetAlertCaption("");  // an empty caption reads as "Alert"
  testing::internal::CaptureStdout();
  fw_Alert("y");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Alert: y\n");
}

TEST_F(Alert, OtherModesDropTheAlert) {
  fw_SetAlertMode(2);
  testing::internal::CaptureStdout();
  fw_Alert("dropped");
  EXPECT_EQ(fw_TimedAlert(1.0f, "dropped too"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Alert, BoxModeShowsAMessageBoxWithTheCaption) {
  fw_SetAlertMode(1);
  testing::internal::CaptureStdout();  // the console backend stands for a box without a display
  fw_Alert("device %s", "lost");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[message box] Alert: device lost\n");
}

TEST_F(Alert, BoxModeBlocksUntilTheBoxIsClosed) {
  fw_SetAlertMode(1);
  platform::SetMessageBoxBackend(platform::MessageBoxBackend::Virtual);
  auto done = std::async(std::launch::async, [] { fw_Alert("wait for me"); });
  HWND box = waitForWindow("Alert");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(done.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  PostMessageA(box, WM_CLOSE, 0, 0);
  EXPECT_EQ(done.wait_for(std::chrono::seconds(2)), std::future_status::ready);
}

TEST_F(Alert, LongTextsAreCut) {
  std::string text(20000, 'z');
  testing::internal::CaptureStdout();
  fw_Alert("%s", text.c_str());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Alert: " + std::string(16255, 'z') + "\n");
}

TEST_F(Alert, TimedAlertCountsDownInItsTitleAndClosesItself) {
  fw_SetAlertMode(1);
  fw_SetAlertCaption("Cap");
  platform::SetMessageBoxBackend(platform::MessageBoxBackend::Virtual);
  auto start = std::chrono::steady_clock::now();
  auto result = std::async(std::launch::async, [] { return fw_TimedAlert(2.5f, "closing %s", "soon"); });
  HWND box = waitForWindow("Cap: 2");
  ASSERT_NE(box, nullptr);
  std::vector<std::string> titles;
  char title[80];
  while (IsWindow(box)) {
    if (GetWindowTextA(box, title, sizeof(title)) && (titles.empty() || titles.back() != title))
      titles.push_back(title);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(result.get(), 0);  // timed out
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(titles, (std::vector<std::string>{"Cap: 2", "Cap: 1"}));
  // Checked once a second: 2.5 s rounds up to the third check.
  EXPECT_GE(seconds, 2.9);
  EXPECT_LT(seconds, 4.0);
}

TEST_F(Alert, TimedAlertDismissedEarlyReturnsTheButton) {
  fw_SetAlertMode(1);
  platform::SetMessageBoxBackend(platform::MessageBoxBackend::Virtual);
  auto start = std::chrono::steady_clock::now();
  auto result = std::async(std::launch::async, [] { return fw_TimedAlert(20.0f, "dismiss me"); });
  HWND box = waitForWindow("Alert: 20");
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(result.get(), IDOK);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
}

TEST_F(Alert, TimedAlertInConsoleModePrintsAtOnce) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(fw_TimedAlert(20.0f, "%d issue%s", 2, "s"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Alert: 2 issues\n");
}
