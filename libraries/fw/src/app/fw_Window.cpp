// The framework's window: class, creation with a 1280 x 720 client area, and the window
// procedure (quit, keys and mouse to the mouse state and the current scene; size, focus and drag
// notices go to the device code first).
#include "app/fw_Framework.h"
#include "app/fw_MouseState.h"
#include "diag/fw_Alert.h"
#include "frame/fw_FrameHooks.h"
#include "frame/fw_FrameTick.h"
#include "frame/fw_WindowMessages.h"
#include "scene/fw_Scene.h"

namespace {

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU;

void setHeldFlags(fw_MouseState* mouse, WPARAM flags) {
  mouse->left.held = (flags & MK_LBUTTON) != 0;
  mouse->middle.held = (flags & MK_MBUTTON) != 0;
  mouse->right.held = (flags & MK_RBUTTON) != 0;
}

}  // namespace

HRESULT fw_Framework::_CreateWindow(HINSTANCE instance, int showCommand) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(102));
  wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(102));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = "FrameworkWindowClass";
  if (!RegisterClassExA(&wc)) {
    fw_Alert("RegisterClassEx() failed");
    return E_FAIL;
  }

  RECT rect{0, 0, mWindowWidth, mWindowHeight};
  AdjustWindowRect(&rect, kWindowStyle, FALSE);
  HWND window = CreateWindowExA(0, "FrameworkWindowClass", mTitle.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
  if (!window) {
    fw_Alert("CreateWindow() failed");
    return E_FAIL;
  }
  mWindow = window;
  ShowWindow(window, showCommand);
  if (mFullscreen) ShowCursor(FALSE);
  return 0;
}

LRESULT CALLBACK fw_Framework::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Size and focus notices and the music clock during a drag belong to the device code.
  LRESULT handled = 0;
  if (fw_HandleDeviceWindowMessage(window, message, wParam, lParam, mVerboseWindowLog, mFullscreen, &handled))
    return handled;
  fw_Scene* scene = fw_GetCurrentScene();
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) PostQuitMessage(0);
      // Bit 30 of lParam: the key was down before, so this is an auto-repeat.
      fw_FrameHooksKeyDown(static_cast<int>(wParam), GetKeyState(VK_SHIFT) < 0, (lParam & (1L << 30)) != 0);
      if (scene) scene->onKeyDown(static_cast<int>(wParam), GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
      return 0;
    case WM_MOUSEMOVE:
      if (fw_MouseState* mouse = fw_GetMouseState()) {
        setHeldFlags(mouse, wParam);
        mouse->x = GET_X_LPARAM(lParam);
        mouse->y = GET_Y_LPARAM(lParam);
        if (scene) scene->onMouseMove(mouse->x, mouse->y);
      }
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(window);
      if (scene) scene->onMouseDown();
      return 0;
    case WM_LBUTTONUP:
      ReleaseCapture();
      if (scene) scene->onMouseUp();
      return 0;
    case WM_RBUTTONUP:
      if (fw_MouseState* mouse = fw_GetMouseState()) setHeldFlags(mouse, wParam);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
