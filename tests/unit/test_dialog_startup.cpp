// The startup dialog's procedure driven through the Win32 stand-in without a display: initial
// states, the manually managed "Fullscreen", "Sound", Run, Exit, the close box, missing resources.
#include "app/fw_Framework.h"
#include "app/fw_StartupDialog.h"
#include "app/fw_StartupOptions.h"
#include "app_Resources.h"

#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

namespace {

struct Seen {
  int fullscreen = -1, sound = -1;
};

class StartupDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetHeadlessDialogs(true);
    fw_GetStartupOptions() = fw_StartupOptions{};
    fw_Framework::mFullscreen = false;  // as without ".final"
    fw_Framework::mSound = false;
    drainQuit();
  }
  void TearDown() override {
    platform::SetDialogDriver(nullptr);
    fw_GetStartupOptions() = fw_StartupOptions{};
    drainQuit();
  }
  static bool drainQuit() {
    MSG m;
    bool quit = false;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) quit |= m.message == WM_QUIT;
    return quit;
  }
  // Runs dialog 101 with a driver that records the boxes and then clicks the given ids in order.
  INT_PTR run(std::vector<int> clicks, Seen* seen = nullptr) {
    platform::SetDialogDriver([clicks, seen](HWND dialog) {
      if (seen) {
        seen->fullscreen = static_cast<int>(SendDlgItemMessageA(dialog, fw_IDC_FULLSCREEN, BM_GETCHECK, 0, 0));
        seen->sound = static_cast<int>(SendDlgItemMessageA(dialog, fw_IDC_SOUND, BM_GETCHECK, 0, 0));
      }
      for (int id : clicks) platform::ClickDialogItem(dialog, id);
    });
    return DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0);
  }
};

}  // namespace

TEST_F(StartupDialog, BothBoxesStartCheckedAndRunReadsThem) {
  Seen seen;
  EXPECT_EQ(run({IDOK}, &seen), 1);
  EXPECT_EQ(seen.fullscreen, BST_CHECKED);  // even though mFullscreen was false
  EXPECT_EQ(seen.sound, BST_CHECKED);
  EXPECT_TRUE(fw_Framework::mFullscreen);
  EXPECT_TRUE(fw_Framework::mSound);
  EXPECT_FALSE(drainQuit());
}

TEST_F(StartupDialog, FullscreenIsFlippedByTheProcedure) {
  EXPECT_EQ(run({fw_IDC_FULLSCREEN, IDOK}), 1);
  EXPECT_FALSE(fw_Framework::mFullscreen);
  EXPECT_TRUE(fw_Framework::mSound);
  EXPECT_EQ(run({fw_IDC_FULLSCREEN, fw_IDC_FULLSCREEN, IDOK}), 1);
  EXPECT_TRUE(fw_Framework::mFullscreen);
}

TEST_F(StartupDialog, SoundIsAnAutomaticBox) {
  EXPECT_EQ(run({fw_IDC_SOUND, IDOK}), 1);
  EXPECT_TRUE(fw_Framework::mFullscreen);
  EXPECT_FALSE(fw_Framework::mSound);
}

TEST_F(StartupDialog, ExitEndsWithTwoAndPostsQuit) {
  fw_Framework::mFullscreen = true;
  EXPECT_EQ(run({fw_IDC_FULLSCREEN, IDCANCEL}), 2);
  EXPECT_TRUE(fw_Framework::mFullscreen);  // Exit reads nothing
  EXPECT_TRUE(drainQuit());
}

TEST_F(StartupDialog, CloseBoxMeansExit) {
  platform::SetDialogDriver([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); });
  EXPECT_EQ(DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0),
            2);
  EXPECT_TRUE(drainQuit());
}

TEST_F(StartupDialog, CommandLinePresetsTheBoxes) {
  fw_GetStartupOptions().fullscreen = false;
  fw_GetStartupOptions().mute = true;
  Seen seen;
  EXPECT_EQ(run({IDOK}, &seen), 1);
  EXPECT_EQ(seen.fullscreen, BST_UNCHECKED);
  EXPECT_EQ(seen.sound, BST_UNCHECKED);
  EXPECT_FALSE(fw_Framework::mFullscreen);
  EXPECT_FALSE(fw_Framework::mSound);
}

TEST_F(StartupDialog, WithoutDriverOrDisplayTheDefaultButtonRuns) {
  testing::internal::CaptureStdout();
  INT_PTR result =
      DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(result, 1);
  EXPECT_NE(out.find("\"Basalt\": no display"), std::string::npos) << out;
  EXPECT_TRUE(fw_Framework::mFullscreen);
}

namespace {
INT_PTR CALLBACK ignoreEverything(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
}  // namespace

TEST_F(StartupDialog, AProcedureThatNeverEndsDoesNotHangHeadless) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, ignoreEverything, 0), -1);
  testing::internal::GetCapturedStdout();
}

TEST_F(StartupDialog, UnknownResourceOrInstanceGivesMinusOne) {
  EXPECT_EQ(DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(999), nullptr, fw_StartupDialogProc, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0), -1);
}

TEST_F(StartupDialog, ControlsExistOnlyWhileTheDialogRuns) {
  HWND seenDialog = nullptr;
  platform::SetDialogDriver([&](HWND dialog) {
    seenDialog = dialog;
    EXPECT_EQ(FindWindowA(nullptr, "Basalt"), dialog);
    EXPECT_NE(GetDlgItem(dialog, fw_IDC_SOUND), nullptr);
    EXPECT_EQ(GetDlgItem(dialog, 4242), nullptr);
    platform::ClickDialogItem(dialog, IDOK);
  });
  DialogBoxParamA(dusk_RegisterResources(), MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0);
  EXPECT_FALSE(IsWindow(seenDialog));
  EXPECT_EQ(SendDlgItemMessageA(seenDialog, fw_IDC_SOUND, BM_GETCHECK, 0, 0), 0);
}
