// The stand-in's message queue without a display: order, removal, the quit flag, key state,
// character translation, and windows (message boxes) found, retitled and closed by handle.
#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

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
