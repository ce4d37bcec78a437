// The stand-in's message queue without a display: order, removal, the quit flag, key state,
// character translation, windows (message boxes) found, retitled and closed by handle, and the
// offscreen windows a capture may have instead of none.
#include <platform/win32.h>
#include <platform/win32_offscreen.h>
#include <platform/win32_sdl.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

namespace {

std::vector<UINT> gOffscreenMessages;

LRESULT CALLBACK offscreenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gOffscreenMessages.push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}

void drain() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
}

}  // namespace

TEST(Win32Messages, PostedMessagesComeInOrderThenQuitAndNeverWait) {
  drain();
  MSG m{};
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));

  PostQuitMessage(7);
  PostMessageA(nullptr, WM_USER + 1, 1, 0);
  PostMessageA(nullptr, WM_USER + 2, 2, 0);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);  // not removed: seen again
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));  // after the posted messages
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST(Win32Messages, KeyStateFollowsTheKeysTakenFromTheQueue) {
  drain();
  HWND none = nullptr;
  PostMessageA(none, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_GE(GetKeyState(VK_ESCAPE), 0);  // still queued
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_LT(GetKeyState(VK_ESCAPE), 0);
  EXPECT_TRUE(TranslateMessage(&m));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(m.wParam, static_cast<WPARAM>(27));
  PostMessageA(none, WM_KEYUP, VK_ESCAPE, 0);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_GE(GetKeyState(VK_ESCAPE), 0);
  EXPECT_EQ(GetKeyState(0), 0);
  EXPECT_EQ(GetKeyState(4096), 0);
}

TEST(Win32Messages, MessageBoxesAreFoundRetitledAndClosedFromAnotherThread) {
  platform::SetMessageBoxBackend(platform::MessageBoxBackend::Virtual);
  auto result = std::async(std::launch::async, [] { return MessageBoxA(nullptr, "text", "Box title", MB_OKCANCEL); });
  HWND box = nullptr;
  for (int i = 0; i < 1000 && !box; ++i) {
    box = FindWindowA(nullptr, "Box title");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(FindWindowA("#32770", nullptr), box);
  EXPECT_EQ(FindWindowA("OtherClass", "Box title"), nullptr);
  EXPECT_TRUE(SetWindowTextA(box, "New title"));
  EXPECT_EQ(FindWindowA(nullptr, "Box title"), nullptr);
  char title[5];
  EXPECT_EQ(GetWindowTextA(box, title, sizeof(title)), 4);  // cut to the buffer
  EXPECT_STREQ(title, "New ");
  EXPECT_TRUE(PostMessageA(box, WM_CLOSE, 0, 0));
  EXPECT_EQ(result.get(), IDCANCEL);  // closing a box with Cancel means Cancel
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(PostMessageA(box, WM_CLOSE, 0, 0));  // a stale handle finds nothing
  EXPECT_FALSE(SetWindowTextA(box, "x"));
  platform::SetMessageBoxBackend(platform::MessageBoxBackend::Automatic);
}

TEST(Win32Messages, WithoutADisplayWindowsAreNotCreatedAndBoxesPrint) {
  // Nothing in this program has opened a display yet; make sure none can be.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_FALSE(platform::GtkAvailable());
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "TestClass";
  EXPECT_NE(RegisterClassExA(&wc), 0);
  EXPECT_EQ(RegisterClassExA(&wc), 0);  // already registered
  EXPECT_EQ(CreateWindowExA(0, "TestClass", "t", WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);
  DEVMODEA mode{};
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
  testing::internal::CaptureStdout();
  EXPECT_EQ(MessageBoxA(nullptr, "no display here", "Caption", MB_OK), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[message box] Caption: no display here\n");
}

TEST(Win32Messages, WithoutADisplayOnlyAProgramThatAllowsItGetsAnOffscreenWindow) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  drain();
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = offscreenProc;
  wc.lpszClassName = "OffscreenClass";
  ASSERT_NE(RegisterClassExA(&wc), 0);
  auto create = [] {
    return CreateWindowExA(0, "OffscreenClass", "amber", WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT, 1280, 720, nullptr,
                           nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(create(), nullptr);  // the interactive show: no window without a display

  platform::AllowOffscreenWindows(true);
  HWND window = create();
  platform::AllowOffscreenWindows(false);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(gOffscreenMessages, std::vector<UINT>{WM_CREATE});
  EXPECT_EQ(platform::SdlWindowFromHwnd(window), nullptr);
  int width = 0, height = 0;
  ASSERT_TRUE(platform::OffscreenWindowSize(window, &width, &height));
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(height, 720);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 1280);
  EXPECT_EQ(client.bottom, 720);
  EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT));  // was hidden
  EXPECT_TRUE(ShowWindow(window, SW_SHOWDEFAULT));
  EXPECT_TRUE(SetWindowTextA(window, "amber · row 12"));
  EXPECT_EQ(FindWindowA(nullptr, "amber · row 12"), window);

  // Messages run as for a window on screen: WM_PAINT until the window is validated, then quiet.
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageA(&m);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageA(&m);  // the default procedure destroys it
  EXPECT_EQ(gOffscreenMessages.back(), static_cast<UINT>(WM_DESTROY));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(platform::OffscreenWindowSize(window, &width, &height));
  EXPECT_EQ(create(), nullptr);  // the permission was taken back
}
