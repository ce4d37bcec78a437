// Window classes and windows on SDL2: creation with an OpenGL surface, show, destroy, focus,
// capture, cursor and display modes. SDL belongs to the thread that first creates a window or asks
// for a display mode; events_sdl2.cpp turns its events into messages. Without a display, a program
// that asked for it gets offscreen windows (<platform/win32_offscreen.h>), which never touch SDL.
#include "resources_p.h"
#include "sdl_p.h"
#include "user_p.h"

#include <platform/diagnostics.h>
#include <platform/win32_offscreen.h>
#include <platform/win32_sdl.h>

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

using namespace platform::user;

namespace {

struct WindowClass {
  WNDCLASSEXA wc;
  std::string name;
};

std::mutex gClassMutex;
std::map<std::string, WindowClass> gClasses;
std::atomic<HWND> gCapture{nullptr};
std::atomic<int> gCursorCount{0};

std::once_flag gSdlOnce;
bool gSdlReady = false;
std::thread::id gSdlThread;
std::string gNoDisplayReason;  // why SDL's video is not ready, once asked
std::atomic<bool> gOffscreenAllowed{false};

void applyCursor() {
  if (gSdlReady) SDL_ShowCursor(gCursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void setIcon(SDL_Window* window, HICON icon) {
  const platform::IconResource* resource = platform::resources::FindIcon(icon);
  if (!resource || !resource->pixels) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(resource->pixels), resource->width,
                                                            resource->height, 32, resource->width * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

SDL_Window* makeSdlWindow(LPCSTR windowName, const WNDCLASSEXA& wc, DWORD style, int x, int y, int width,
                          int height) {
  int px = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : x;
  int py = (x == CW_USEDEFAULT || y == CW_USEDEFAULT) ? SDL_WINDOWPOS_UNDEFINED : y;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if ((style & WS_POPUP) && !(style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;

  // The framebuffer's pixel format is fixed when the window is made; ask for RGBA 8888 and fall
  // back to whatever the server offers (Xvfb has no alpha visual for GL on some setups).
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* sdl = SDL_CreateWindow(windowName ? windowName : "", px, py, width, height, flags);
  if (!sdl) {
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    sdl = SDL_CreateWindow(windowName ? windowName : "", px, py, width, height, flags);
  }
  if (!sdl) {
    platform::Report(platform::kReportWarning, "SDL_CreateWindow failed: %s", SDL_GetError());
    return nullptr;
  }
  setIcon(sdl, wc.hIcon ? wc.hIcon : wc.hIconSm);
  return sdl;
}

}  // namespace

namespace platform::sdl {

bool Ready() {
  std::call_once(gSdlOnce, [] {
    // Ctrl+C in a terminal ends the program as usual rather than turning into a close message.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Without a desktop SDL would fall back to a console or off-screen driver; this program's
    // windows need a desktop, unless a driver is asked for by name. Why there is none is reported
    // when a window is asked for: as a warning, or as the note that the window is made offscreen.
    auto set = [](const char* name) { return getenv(name) && *getenv(name); };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
      gNoDisplayReason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
      return;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      gNoDisplayReason = SDL_GetError();
      return;
    }
    // A display that is named but refuses the connection ends in the same fallback, which would
    // run the show in a window nobody can see.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!set("SDL_VIDEODRIVER") && driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"))) {
      gNoDisplayReason = std::string("the display ") + (set("DISPLAY") ? getenv("DISPLAY") : getenv("WAYLAND_DISPLAY")) +
                         " cannot be opened";
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return;
    }
    gSdlReady = true;
    gSdlThread = std::this_thread::get_id();
    SetPump(&PumpEvents);
    applyCursor();
  });
  return gSdlReady;
}

bool OnSdlThread() { return gSdlReady && std::this_thread::get_id() == gSdlThread; }

HWND CaptureWindow() { return gCapture; }

}  // namespace platform::sdl

namespace platform {

void AllowOffscreenWindows(bool allow) { gOffscreenAllowed = allow; }

bool OffscreenWindowSize(HWND window, int* width, int* height) {
  auto record = Find(window);
  if (!record || record->kind != WindowKind::Sdl || !record->offscreen) return false;
  if (width) *width = record->offscreenWidth;
  if (height) *height = record->offscreenHeight;
  return true;
}

SDL_Window* SdlWindowFromHwnd(HWND window) {
  auto record = Find(window);
  return record && record->kind == WindowKind::Sdl ? record->sdl : nullptr;
}

HWND HwndFromSdlWindow(SDL_Window* window) {
  if (!window) return nullptr;
  auto record = FindBySdlId(SDL_GetWindowID(window));
  return record ? record->hwnd : nullptr;
}

}  // namespace platform

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) return 0;
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (gClasses.count(windowClass->lpszClassName)) return 0;  // already registered
  WindowClass& entry = gClasses[windowClass->lpszClassName];
  entry.wc = *windowClass;
  entry.name = windowClass->lpszClassName;
  entry.wc.lpszClassName = entry.name.c_str();
  entry.wc.lpszMenuName = nullptr;
  return static_cast<ATOM>(0xC000 + gClasses.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  if (!className) return FALSE;
  std::lock_guard<std::mutex> lock(gClassMutex);
  return gClasses.erase(className) ? TRUE : FALSE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL) { return rect ? TRUE : FALSE; }

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  WNDCLASSEXA wc;
  {
    std::lock_guard<std::mutex> lock(gClassMutex);
    auto it = className ? gClasses.find(className) : gClasses.end();
    if (it == gClasses.end()) return nullptr;
    wc = it->second.wc;
  }
  if (width == CW_USEDEFAULT || width <= 0) width = 640;
  if (height == CW_USEDEFAULT || height <= 0) height = 480;
  auto record = std::make_shared<WindowRecord>();
  record->kind = WindowKind::Sdl;
  record->className = wc.lpszClassName;
  record->title = windowName ? windowName : "";
  record->proc = wc.lpfnWndProc;
  record->invalid = true;
  if (platform::sdl::Ready()) {
    if (!platform::sdl::OnSdlThread()) return nullptr;
    record->sdl = makeSdlWindow(windowName, wc, style, x, y, width, height);
    if (!record->sdl) return nullptr;
    record->sdlId = SDL_GetWindowID(record->sdl);
    // The title shown is the window's own: a retitle must reach SDL, not only the table.
    record->onTitle = [owner = record.get()](const std::string& title) {
      if (owner->sdl) SDL_SetWindowTitle(owner->sdl, title.c_str());
    };
  } else if (gOffscreenAllowed) {
    platform::Report(platform::kReportInfo, "no display for windows (%s): \"%s\" is made offscreen",
                     gNoDisplayReason.c_str(), record->title.c_str());
    record->offscreen = true;
    record->offscreenWidth = width;
    record->offscreenHeight = height;
  } else {
    platform::Report(platform::kReportWarning, "no display for windows (%s)", gNoDisplayReason.c_str());
    return nullptr;
  }
  HWND hwnd = Register(record);

  CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style), windowName,
                   className, exStyle};
  if (record->proc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

BOOL DestroyWindow(HWND window) {
  auto record = Find(window);
  if (!record || record->kind != WindowKind::Sdl) return FALSE;
  if (record->proc) record->proc(window, WM_DESTROY, 0, 0);
  if (gCapture == window) ReleaseCapture();
  Unregister(window);
  RemoveMessagesFor(window);
  if (record->sdl) SDL_DestroyWindow(record->sdl);
  record->sdl = nullptr;
  return TRUE;
}

BOOL ShowWindow(HWND window, int showCommand) {
  auto record = Find(window);
  if (!record || (!record->sdl && !record->offscreen)) return FALSE;
  bool wasVisible;
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    wasVisible = record->visible;
    record->visible = showCommand != SW_HIDE;
    if (record->visible) record->invalid = true;
  }
  if (record->offscreen) return wasVisible ? TRUE : FALSE;
  switch (showCommand) {
    case SW_HIDE: SDL_HideWindow(record->sdl); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: SDL_ShowWindow(record->sdl); SDL_MinimizeWindow(record->sdl); break;
    case SW_SHOWMAXIMIZED: SDL_ShowWindow(record->sdl); SDL_MaximizeWindow(record->sdl); break;
    case SW_RESTORE: SDL_ShowWindow(record->sdl); SDL_RestoreWindow(record->sdl); break;
    default: SDL_ShowWindow(record->sdl); break;
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
  auto record = Find(window);
  if (!record || record->kind != WindowKind::Sdl) return FALSE;
  bool invalid;
  {
    std::lock_guard<std::mutex> lock(TableMutex());
    invalid = record->invalid;
  }
  if (invalid && record->proc) record->proc(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  auto record = Find(window);
  if (!rect || !record || (!record->sdl && !record->offscreen)) return FALSE;
  int w = record->offscreenWidth, h = record->offscreenHeight;
  if (record->sdl) SDL_GetWindowSize(record->sdl, &w, &h);
  *rect = RECT{0, 0, w, h};
  return TRUE;
}

HWND SetFocus(HWND window) {
  HWND previous = GetFocus();
  auto record = Find(window);
  if (record && record->sdl) {
    SDL_RaiseWindow(record->sdl);
    SDL_SetWindowInputFocus(record->sdl);
  }
  return previous;
}

HWND GetFocus() {
  if (!gSdlReady) return nullptr;
  SDL_Window* focus = SDL_GetKeyboardFocus();
  return platform::HwndFromSdlWindow(focus);
}

HWND SetCapture(HWND window) {
  HWND previous = gCapture.exchange(window);
  if (gSdlReady) SDL_CaptureMouse(window ? SDL_TRUE : SDL_FALSE);
  return previous;
}

BOOL ReleaseCapture() {
  gCapture = nullptr;
  if (gSdlReady) SDL_CaptureMouse(SDL_FALSE);
  return TRUE;
}

HWND GetCapture() { return gCapture; }

int ShowCursor(BOOL show) {
  int count = show ? ++gCursorCount : --gCursorCount;
  applyCursor();
  return count;
}

int GetSystemMetrics(int index) {
  if (index != SM_CXSCREEN && index != SM_CYSCREEN) return 0;
  if (!platform::sdl::Ready()) return 0;
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(0, &mode) != 0) return 0;
  return index == SM_CXSCREEN ? mode.w : mode.h;
}

BOOL EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNum, DEVMODEA* mode) {
  if (!mode) return FALSE;
  int display = 0;
  if (deviceName) {
    const char* prefix = "\\\\.\\DISPLAY";
    size_t n = strlen(prefix);
    if (strncmp(deviceName, prefix, n) != 0) return FALSE;
    char* end = nullptr;
    long number = strtol(deviceName + n, &end, 10);
    if (end == deviceName + n || *end || number < 1) return FALSE;
    display = static_cast<int>(number - 1);
  }
  if (!platform::sdl::Ready() || display >= SDL_GetNumVideoDisplays()) return FALSE;
  SDL_DisplayMode sdlMode;
  int result;
  if (modeNum == ENUM_CURRENT_SETTINGS)
    result = SDL_GetCurrentDisplayMode(display, &sdlMode);
  else if (modeNum == static_cast<DWORD>(-2))  // ENUM_REGISTRY_SETTINGS: the desktop's own mode
    result = SDL_GetDesktopDisplayMode(display, &sdlMode);
  else
    result = SDL_GetDisplayMode(display, static_cast<int>(modeNum), &sdlMode);
  if (result != 0) return FALSE;
  *mode = DEVMODEA{};
  snprintf(mode->dmDeviceName, sizeof(mode->dmDeviceName), "\\\\.\\DISPLAY%d", display + 1);
  mode->dmSize = sizeof(DEVMODEA);
  mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  mode->dmBitsPerPel = SDL_BITSPERPIXEL(sdlMode.format);
  mode->dmPelsWidth = static_cast<DWORD>(sdlMode.w);
  mode->dmPelsHeight = static_cast<DWORD>(sdlMode.h);
  mode->dmDisplayFrequency = static_cast<DWORD>(sdlMode.refresh_rate);
  return TRUE;
}
