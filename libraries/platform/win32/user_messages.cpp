// The HWND table and the process's message queue: posting, sending, peeking, dispatching, the quit
// flag, WM_PAINT for invalid windows, and the keyboard state as of the messages taken so far.
#include "user_p.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>

namespace platform::user {
namespace {

std::mutex gTableMutex;
std::map<HWND, std::shared_ptr<WindowRecord>> gTable;
uintptr_t gNextHandle = 0x10010;

struct QueuedMessage {
  MSG msg;
  int sideKey;
};

std::mutex gQueueMutex;
std::deque<QueuedMessage> gQueue;
bool gQuitPosted = false;
int gQuitCode = 0;
std::atomic<void (*)()> gPump{nullptr};

std::mutex gKeyMutex;
BYTE gKeyState[256];  // 0x80 down, 0x01 toggled

void setKey(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  if (down && !(gKeyState[vk] & 0x80)) gKeyState[vk] ^= 0x01;
  gKeyState[vk] = static_cast<BYTE>((gKeyState[vk] & 0x01) | (down ? 0x80 : 0));
}

// Keeps GetKeyState in step with the input messages the program has taken from the queue.
void noteTaken(const QueuedMessage& q) {
  std::lock_guard<std::mutex> lock(gKeyMutex);
  switch (q.msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool down = q.msg.message == WM_KEYDOWN || q.msg.message == WM_SYSKEYDOWN;
      setKey(static_cast<int>(q.msg.wParam), down);
      if (q.sideKey) {
        setKey(q.sideKey, down);
        // The generic key stays down while either side is down.
        int a = 0, b = 0;
        if (q.msg.wParam == VK_SHIFT) a = VK_LSHIFT, b = VK_RSHIFT;
        if (q.msg.wParam == VK_CONTROL) a = VK_LCONTROL, b = VK_RCONTROL;
        if (q.msg.wParam == VK_MENU) a = VK_LMENU, b = VK_RMENU;
        if (a) {
          bool any = (gKeyState[a] & 0x80) || (gKeyState[b] & 0x80);
          gKeyState[q.msg.wParam] = static_cast<BYTE>((gKeyState[q.msg.wParam] & 0x01) | (any ? 0x80 : 0));
        }
      }
      break;
    }
    case WM_LBUTTONDOWN: setKey(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: setKey(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: setKey(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: setKey(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: setKey(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: setKey(VK_MBUTTON, false); break;
    default: break;
  }
}

bool matches(const MSG& m, HWND window, UINT filterMin, UINT filterMax) {
  if (window && m.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return m.message >= filterMin && m.message <= filterMax;
}

}  // namespace

HWND Register(std::shared_ptr<WindowRecord> record) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  HWND hwnd = reinterpret_cast<HWND>(gNextHandle);
  gNextHandle += 0x10;
  record->hwnd = hwnd;
  gTable[hwnd] = std::move(record);
  return hwnd;
}

void Unregister(HWND hwnd) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  gTable.erase(hwnd);
}

std::shared_ptr<WindowRecord> Find(HWND hwnd) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  auto it = gTable.find(hwnd);
  return it == gTable.end() ? nullptr : it->second;
}

std::shared_ptr<WindowRecord> FindBySdlId(uint32_t id) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  for (auto& [hwnd, record] : gTable)
    if (record->kind == WindowKind::Sdl && record->sdlId == id) return record;
  return nullptr;
}

std::mutex& TableMutex() { return gTableMutex; }

void Post(const MSG& message, int sideKey) {
  MSG m = message;
  if (!m.time) m.time = GetTickCount();
  std::lock_guard<std::mutex> lock(gQueueMutex);
  gQueue.push_back({m, sideKey});
}

void RemoveMessagesFor(HWND hwnd) {
  std::lock_guard<std::mutex> lock(gQueueMutex);
  std::erase_if(gQueue, [hwnd](const QueuedMessage& q) { return q.msg.hwnd == hwnd; });
}

void SetPump(void (*pump)()) { gPump = pump; }

}  // namespace platform::user

using namespace platform::user;

BOOL IsWindow(HWND window) { return Find(window) ? TRUE : FALSE; }

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  auto record = Find(window);
  if (!record) return FALSE;
  std::string title = text ? text : "";
  {
    std::lock_guard<std::mutex> lock(gTableMutex);
    record->title = title;
  }
  if (record->onTitle) record->onTitle(title);
  return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
  if (!text || maxCount <= 0) return 0;
  auto record = Find(window);
  text[0] = '\0';
  if (!record) return 0;
  std::lock_guard<std::mutex> lock(gTableMutex);
  size_t n = std::min(record->title.size(), static_cast<size_t>(maxCount - 1));
  memcpy(text, record->title.data(), n);
  text[n] = '\0';
  return static_cast<int>(n);
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  for (auto& [hwnd, record] : gTable) {
    if (record->kind == WindowKind::DialogItem) continue;  // only top-level windows are found
    if (className && !IS_INTRESOURCE(className) && record->className != className) continue;
    if (windowName && record->title != windowName) continue;
    return hwnd;
  }
  return nullptr;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) {
    Post(MSG{nullptr, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
  }
  auto record = Find(window);
  if (!record) return FALSE;
  if (record->onPost) {
    record->onPost(message, wParam, lParam);
    return TRUE;
  }
  Post(MSG{window, message, wParam, lParam, 0, {0, 0}});
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto record = Find(window);
  if (!record) return 0;
  if (record->onSend) return record->onSend(message, wParam, lParam);
  if (message == WM_SETTEXT) return SetWindowTextA(window, reinterpret_cast<LPCSTR>(lParam));
  if (message == WM_GETTEXT) return GetWindowTextA(window, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
  return record->proc ? record->proc(window, message, wParam, lParam) : 0;
}

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!message) return FALSE;
  if (auto pump = gPump.load()) pump();
  bool remove = (removeFlags & PM_REMOVE) != 0;
  // Order as on the platform: posted and input messages, then the quit flag, then WM_PAINT.
  {
    std::unique_lock<std::mutex> lock(gQueueMutex);
    for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
      if (!matches(it->msg, window, filterMin, filterMax)) continue;
      QueuedMessage q = *it;
      if (remove) gQueue.erase(it);
      lock.unlock();
      if (remove) noteTaken(q);
      *message = q.msg;
      return TRUE;
    }
    if (gQuitPosted && !window && matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {}}, nullptr, filterMin, filterMax)) {
      *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(gQuitCode), 0, GetTickCount(), {0, 0}};
      if (remove) gQuitPosted = false;
      return TRUE;
    }
  }
  std::lock_guard<std::mutex> lock(gTableMutex);
  for (auto& [hwnd, record] : gTable) {
    if (record->kind != WindowKind::Sdl || !record->invalid) continue;
    MSG paint{hwnd, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
    if (!matches(paint, window, filterMin, filterMax)) continue;
    *message = paint;  // stays until the window is validated, as on the platform
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG* message) {
  if (!message || message->message != WM_KEYDOWN) return FALSE;
  int vk = static_cast<int>(message->wParam);
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  bool control = GetKeyState(VK_CONTROL) < 0;
  int ch = 0;
  if (vk >= 'A' && vk <= 'Z') {
    ch = (shift != caps) ? vk : std::tolower(vk);
    if (control) ch = vk - 'A' + 1;
  } else if (vk >= '0' && vk <= '9' && !shift) {
    ch = vk;
  } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK || vk == VK_TAB) {
    ch = vk;
  }
  if (!ch) return FALSE;
  // The character comes before anything posted after the key.
  std::lock_guard<std::mutex> lock(gQueueMutex);
  gQueue.push_front({MSG{message->hwnd, WM_CHAR, static_cast<WPARAM>(ch), message->lParam, message->time, message->pt}, 0});
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
  if (!message || !message->hwnd) return 0;
  auto record = Find(message->hwnd);
  if (!record) return 0;
  if (record->onSend && !record->proc) return record->onSend(message->message, message->wParam, message->lParam);
  return record->proc ? record->proc(message->hwnd, message->message, message->wParam, message->lParam) : 0;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> lock(gQueueMutex);
  gQuitPosted = true;
  gQuitCode = exitCode;
}

SHORT GetKeyState(int virtualKey) {
  if (virtualKey <= 0 || virtualKey > 255) return 0;
  std::lock_guard<std::mutex> lock(gKeyMutex);
  BYTE s = gKeyState[virtualKey];
  return static_cast<SHORT>(((s & 0x80) ? 0xFF80 : 0) | (s & 0x01));
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  auto record = Find(window);
  if (!record || record->kind != WindowKind::Sdl) return FALSE;
  std::lock_guard<std::mutex> lock(gTableMutex);
  record->invalid = true;
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*) {
  auto record = Find(window);
  if (!record) return FALSE;
  std::lock_guard<std::mutex> lock(gTableMutex);
  record->invalid = false;
  return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  auto record = Find(window);
  if (!record) return nullptr;
  if (paint) {
    *paint = PAINTSTRUCT{};
    GetClientRect(window, &paint->rcPaint);
  }
  ValidateRect(window, nullptr);
  // There is no GDI: the device context is only a token that EndPaint takes back.
  HDC dc = reinterpret_cast<HDC>(window);
  if (paint) paint->hdc = dc;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT:
      return SetWindowTextA(window, reinterpret_cast<LPCSTR>(lParam));
    case WM_GETTEXT:
      return GetWindowTextA(window, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    default:
      return 0;
  }
}
