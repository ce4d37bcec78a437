// The framework's window procedure, driven with messages directly (no display): mouse state and
// scene calls, capture, Escape, destroy; and window creation without a display.
#include "app/fw_Framework.h"
#include "app/fw_MouseState.h"
#include "diag/fw_Alert.h"
#include "live/fw_Live.h"
#include "scene/fw_Scene.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"
#include "tools/fw_Tools.h"

#include <platform/win32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct RecordingScene : fw_Scene {
  RecordingScene() : fw_Scene("record.xml") {}
  std::vector<std::string> calls;
  void onKeyDown(int key, bool shift, bool control) override {
    calls.push_back("key " + std::to_string(key) + (shift ? " shift" : "") + (control ? " control" : ""));
  }
  void onMouseDown() override { calls.push_back("down"); }
  void onMouseUp() override { calls.push_back("up"); }
  void onMouseMove(int x, int y) override { calls.push_back("move " + std::to_string(x) + "," + std::to_string(y)); }
};

RecordingScene* gScene = nullptr;
HWND const kWindow = reinterpret_cast<HWND>(0x1234);

LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return fw_Framework::WindowProc(kWindow, message, wParam, lParam);
}

bool takeQuit(WPARAM* code = nullptr) {
  MSG m;
  bool quit = false;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      quit = true;
      if (code) *code = m.wParam;
    }
  }
  return quit;
}

class AppWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gScene = new RecordingScene;
    fw_RegisterScene(gScene);
    fw_Framework::mCurrentScene = 0;
    fw_HandOverFrameContext();
  }
  void SetUp() override {
    gScene->calls.clear();
    takeQuit();
  }
  void TearDown() override { fw_DestroyMouseState(); }
};

}  // namespace

TEST_F(AppWindow, MouseMovesFillTheMouseStateAndReachTheScene) {
  send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 7));  // no mouse state yet: nothing to fill
  EXPECT_TRUE(gScene->calls.empty());

  fw_MouseState* mouse = fw_CreateMouseState();
  EXPECT_EQ(send(WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(-5, 300)), 0);
  EXPECT_EQ(mouse->x, -5);  // signed 16-bit halves: outside the client area while captured
  EXPECT_EQ(mouse->y, 300);
  EXPECT_TRUE(mouse->left.held);
  EXPECT_TRUE(mouse->right.held);
  EXPECT_FALSE(mouse->middle.held);
  EXPECT_EQ(gScene->calls, std::vector<std::string>{"move -5,300"});

  send(WM_RBUTTONUP, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(1, 1));
  EXPECT_FALSE(mouse->right.held);
  EXPECT_TRUE(mouse->middle.held);
  EXPECT_EQ(mouse->x, -5);  // the button-up message moves nothing

  // Button messages alone change no held flag: a click without movement is not seen.
  send(WM_LBUTTONUP, 0, 0);
  EXPECT_TRUE(mouse->left.held);
}

TEST_F(AppWindow, LeftButtonCapturesAndReleases) {
  send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(GetCapture(), kWindow);
  send(WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(gScene->calls, (std::vector<std::string>{"down", "up"}));
}

TEST_F(AppWindow, EscapeQuitsAndStillReachesTheScene) {
  PostMessageA(nullptr, WM_KEYDOWN, VK_SHIFT, 0);  // taken from the queue: Shift is down
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  send(WM_KEYDOWN, 'X', 0);
  EXPECT_FALSE(takeQuit());
  send(WM_KEYDOWN, VK_ESCAPE, 0);
  WPARAM code = 99;
  EXPECT_TRUE(takeQuit(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(gScene->calls, (std::vector<std::string>{"key 88 shift", "key 27 shift"}));
  PostMessageA(nullptr, WM_KEYUP, VK_SHIFT, 0);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

// A held key repeats as WM_KEYDOWN with bit 30 (the key was down before) set: live mode's toggles
// take the press only, its steps every repeat; the scene gets them all.
TEST_F(AppWindow, LiveModeTogglesOnAPressAndStepsOnEveryRepeat) {
  constexpr LPARAM kRepeat = 1 | (1L << 30);
  fw_UseTools();  // live mode's keys come through the window's key hook
  fw_CreateClocks();
  fw_StartSync("nowhere/sync", true);
  ASSERT_TRUE(fw_LiveStart(nullptr, "show", ""));
  fw_SyncTimer& timer = *fw_GetSyncTimer();
  ASSERT_FALSE(timer.isPlaying());

  send(WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(timer.isPlaying());
  for (int i = 0; i < 3; ++i) send(WM_KEYDOWN, VK_SPACE, kRepeat);
  EXPECT_TRUE(timer.isPlaying());
  send(WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_FALSE(timer.isPlaying());

  send(WM_KEYDOWN, VK_RIGHT, 1);
  for (int i = 0; i < 3; ++i) send(WM_KEYDOWN, VK_RIGHT, kRepeat);
  EXPECT_EQ(fw_GetSyncRow(), 32.0f);
  EXPECT_EQ(gScene->calls.size(), 9u);

  fw_LiveStop();
  fw_StopSync();
  fw_DestroyClocks();
}

TEST_F(AppWindow, DestroyPostsQuitAndPaintValidates) {
  EXPECT_EQ(send(WM_PAINT), 0);
  EXPECT_EQ(send(WM_DESTROY), 0);
  EXPECT_TRUE(takeQuit());
}

TEST_F(AppWindow, WithoutADisplayCreationFailsWithItsAlert) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  fw_SetAlertMode(0);
  fw_SetAlertCaption("amber over the hills");
  testing::internal::CaptureStdout();
  EXPECT_EQ(fw_Framework::_CreateWindow(nullptr, SW_SHOWDEFAULT), E_FAIL);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "amber over the hills: CreateWindow() failed\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(fw_Framework::_CreateWindow(nullptr, SW_SHOWDEFAULT), E_FAIL);  // the class exists by now
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "amber over the hills: RegisterClassEx() failed\n");
}
