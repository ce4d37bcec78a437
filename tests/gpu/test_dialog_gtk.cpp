// The real GTK startup dialog under Xvfb, clicked with xdotool: Fullscreen (manually managed),
// Sound and Run, then Exit.
#include "app/fw_Framework.h"
#include "app/fw_StartupDialog.h"
#include "app_Resources.h"
#include "process_runner.h"

#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Clicks the centre of each control in turn, on another thread, once the dialog is on screen.
std::thread clickLater(std::vector<int> ids) {
  return std::thread([ids] {
    std::string window = FindXWindow("Basalt", 20.0);
    HWND dialog = FindWindowA(nullptr, "Basalt");
    for (int id : ids) {
      RECT r{};
      if (window.empty() || !platform::GetDialogItemRect(dialog, id, &r)) return;
      XClick(window, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  });
}

INT_PTR runDialog() {
  return DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0);
}

}  // namespace

TEST(DialogGtk, ClicksReachTheProcedureThroughTheRealDialog) {
  ASSERT_TRUE(platform::GtkAvailable()) << "run under xvfb-run";
  fw_Framework::mFullscreen = false;
  fw_Framework::mSound = false;
  std::thread clicks = clickLater({fw_IDC_FULLSCREEN, fw_IDC_SOUND, IDOK});
  EXPECT_EQ(runDialog(), 1);
  clicks.join();
  EXPECT_FALSE(fw_Framework::mFullscreen);  // started checked, one click unchecked it
  EXPECT_FALSE(fw_Framework::mSound);
}

TEST(DialogGtk, ExitButtonEndsWithTwo) {
  ASSERT_TRUE(platform::GtkAvailable()) << "run under xvfb-run";
  fw_Framework::mFullscreen = false;
  std::thread clicks = clickLater({IDCANCEL});
  EXPECT_EQ(runDialog(), 2);
  clicks.join();
  EXPECT_FALSE(fw_Framework::mFullscreen);
  MSG m;
  bool quit = false;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) quit |= m.message == WM_QUIT;
  EXPECT_TRUE(quit);
}
