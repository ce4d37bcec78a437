// SDL windows behind HWNDs under Xvfb: creation messages and client size, WM_PAINT until the
// window is validated, keys (held ones repeating) and mouse from the X server as WM_* with
// virtual keys and MK_* flags, the close box's path to WM_DESTROY, and the display mode.
#include "process_runner.h"

#include <platform/win32.h>
#include <platform/win32_sdl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

std::vector<MSG> gSeen;
bool gValidate = true;

LRESULT CALLBACK recordProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gSeen.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
  if (message == WM_PAINT) {
    if (gValidate) {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
    }
    return 0;  // without BeginPaint the window stays invalid
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(3);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Pumps messages for up to `seconds` or until `until` returns true.
template <class Until>
bool pumpUntil(double seconds, Until until) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  MSG m;
  while (std::chrono::steady_clock::now() < end) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) gSeen.push_back(m);
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    if (until()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool seen(UINT message) {
  for (auto& m : gSeen)
    if (m.message == message) return true;
  return false;
}

const MSG* last(UINT message) {
  for (auto it = gSeen.rbegin(); it != gSeen.rend(); ++it)
    if (it->message == message) return &*it;
  return nullptr;
}

HWND makeWindow(const char* title) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = recordProc;
    wc.lpszClassName = "RecordClass";
    registered = RegisterClassExA(&wc) != 0;
  }
  RECT r{0, 0, 1280, 720};
  AdjustWindowRect(&r, WS_CAPTION | WS_SYSMENU, FALSE);
  return CreateWindowExA(0, "RecordClass", title, WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                         r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(Win32Window, CreatedWithItsClientSizeAndPaintedUntilValidated) {
  gSeen.clear();
  HWND window = makeWindow("window one");
  ASSERT_NE(window, nullptr) << "run under xvfb-run";
  EXPECT_TRUE(seen(WM_CREATE));
  ASSERT_NE(platform::SdlWindowFromHwnd(window), nullptr);
  EXPECT_EQ(platform::HwndFromSdlWindow(platform::SdlWindowFromHwnd(window)), window);
  EXPECT_EQ(FindWindowA("RecordClass", "window one"), window);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 1280);
  EXPECT_EQ(client.bottom, 720);

  ShowWindow(window, SW_SHOWDEFAULT);
  std::string x = FindXWindow("window one", 10.0);
  ASSERT_FALSE(x.empty());
  int w = 0, h = 0;
  ASSERT_TRUE(XWindowSize(x, &w, &h));
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 720);

  // Validated once, WM_PAINT stops; an invalid window keeps getting it.
  gSeen.clear();
  pumpUntil(0.3, [] { return false; });
  size_t paints = 0;
  for (auto& m : gSeen) paints += m.message == WM_PAINT;
  EXPECT_GE(paints, 1u);
  EXPECT_LE(paints, 3u);
  gValidate = false;
  InvalidateRect(window, nullptr, FALSE);
  gSeen.clear();
  MSG m;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(PeekMessageA(&m, window, WM_PAINT, WM_PAINT, PM_REMOVE));
    DispatchMessageA(&m);
  }
  gValidate = true;
  ValidateRect(window, nullptr);
  EXPECT_FALSE(PeekMessageA(&m, window, WM_PAINT, WM_PAINT, PM_REMOVE));
  // A retitle is what the screen shows, not only what GetWindowTextA reads back.
  ASSERT_TRUE(SetWindowTextA(window, "window one \xc2\xb7 row 12"));
  EXPECT_TRUE(pumpUntil(30.0, [&x] { return XWindowName(x) == "window one \xc2\xb7 row 12"; })) << XWindowName(x);
  DestroyWindow(window);
  EXPECT_FALSE(IsWindow(window));
  pumpUntil(0.2, [] { return false; });
}

TEST(Win32Window, KeysAndMouseArriveAsMessages) {
  gSeen.clear();
  HWND window = makeWindow("window two");
  ASSERT_NE(window, nullptr) << "run under xvfb-run";
  ShowWindow(window, SW_SHOW);
  std::string x = FindXWindow("window two", 10.0);
  ASSERT_FALSE(x.empty());
  pumpUntil(0.3, [] { return false; });

  RunCommand("xdotool windowfocus --sync " + x);
  RunCommand("xdotool keydown shift key a keyup shift");
  ASSERT_TRUE(pumpUntil(5.0, [] { return seen(WM_CHAR); }));
  const MSG* key = nullptr;
  for (auto& m : gSeen)
    if (m.message == WM_KEYDOWN && m.wParam == 'A') key = &m;
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(last(WM_CHAR)->wParam, static_cast<WPARAM>('A'));  // shifted
  bool sawShift = false;
  for (auto& m : gSeen) sawShift |= m.message == WM_KEYDOWN && m.wParam == VK_SHIFT;
  EXPECT_TRUE(sawShift);

  RunCommand("xdotool keydown Escape");
  ASSERT_TRUE(pumpUntil(5.0, [] { return GetKeyState(VK_ESCAPE) < 0; }));
  RunCommand("xdotool keyup Escape");
  ASSERT_TRUE(pumpUntil(5.0, [] { return GetKeyState(VK_ESCAPE) >= 0; }));

  // A held key: the X server repeats it, and only the first WM_KEYDOWN has bit 30 (the key was
  // down before) clear; the release has bits 30 and 31 set.
  gSeen.clear();
  RunCommand("xdotool keydown space");
  const auto spaceDowns = [] {
    std::vector<const MSG*> downs;
    for (auto& m : gSeen)
      if (m.message == WM_KEYDOWN && m.wParam == VK_SPACE) downs.push_back(&m);
    return downs;
  };
  const bool repeated = pumpUntil(20.0, [&] { return spaceDowns().size() >= 3; });
  RunCommand("xdotool keyup space");
  ASSERT_TRUE(repeated) << "the X server did not repeat a held key";
  ASSERT_TRUE(pumpUntil(5.0, [] { return seen(WM_KEYUP); }));
  const std::vector<const MSG*> downs = spaceDowns();
  EXPECT_EQ(downs[0]->lParam & (1L << 30), 0);
  for (size_t i = 1; i < downs.size(); ++i) EXPECT_NE(downs[i]->lParam & (1L << 30), 0) << "repeat " << i;
  EXPECT_EQ(last(WM_KEYUP)->lParam & (3L << 30), 3L << 30);

  gSeen.clear();
  RunCommand("xdotool mousemove --sync --window " + x + " 100 50");
  ASSERT_TRUE(pumpUntil(5.0, [] {
    const MSG* move = last(WM_MOUSEMOVE);
    return move && GET_X_LPARAM(move->lParam) == 100 && GET_Y_LPARAM(move->lParam) == 50;
  }));
  RunCommand("xdotool mousedown 3");
  RunCommand("xdotool mousemove --sync --window " + x + " 110 60");
  ASSERT_TRUE(pumpUntil(5.0, [] {
    const MSG* move = last(WM_MOUSEMOVE);
    return move && (move->wParam & MK_RBUTTON) && GET_X_LPARAM(move->lParam) == 110;
  }));
  RunCommand("xdotool mouseup 3");
  ASSERT_TRUE(pumpUntil(5.0, [] { return seen(WM_RBUTTONUP); }));
  EXPECT_EQ(last(WM_RBUTTONUP)->wParam & MK_RBUTTON, 0u);  // the flags after the release
  RunCommand("xdotool click 1");
  ASSERT_TRUE(pumpUntil(5.0, [] { return seen(WM_LBUTTONUP); }));
  EXPECT_TRUE(seen(WM_LBUTTONDOWN));

  // The close box: WM_CLOSE, the default procedure destroys, WM_DESTROY posts the quit.
  gSeen.clear();
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(pumpUntil(5.0, [] { return seen(WM_QUIT); }));
  EXPECT_TRUE(seen(WM_DESTROY));
  EXPECT_EQ(last(WM_QUIT)->wParam, 3u);
  EXPECT_FALSE(IsWindow(window));
}

TEST(Win32Window, DisplayModeOfTheVirtualScreen) {
  DEVMODEA mode{};
  mode.dmSize = sizeof(mode);
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) << "run under xvfb-run";
  // The X server's own answer, whatever size the screen was given.
  unsigned width = 0, height = 0;
  ASSERT_EQ(sscanf(RunCommand("xdotool getdisplaygeometry").c_str(), "%u %u", &width, &height), 2);
  EXPECT_EQ(mode.dmPelsWidth, width);
  EXPECT_EQ(mode.dmPelsHeight, height);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), static_cast<int>(width));
  EXPECT_FALSE(EnumDisplaySettingsA("\\\\.\\DISPLAY2", ENUM_CURRENT_SETTINGS, &mode));
  EXPECT_TRUE(EnumDisplaySettingsA("\\\\.\\DISPLAY1", ENUM_CURRENT_SETTINGS, &mode));
  EXPECT_FALSE(EnumDisplaySettingsA("DISPLAY1", ENUM_CURRENT_SETTINGS, &mode));
}
