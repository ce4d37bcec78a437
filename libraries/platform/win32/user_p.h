// Private to the Win32 stand-in's user interface: the table of HWNDs (SDL windows, dialogs, their
// controls, message boxes), the process's message queue, and the hooks through which the SDL and
// GTK backends plug into them.
#pragma once

#include <platform/win32.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

struct SDL_Window;

namespace platform::user {

// Sdl: a top-level window of CreateWindowExA, on SDL or, without a display, offscreen.
enum class WindowKind { Sdl, Dialog, DialogItem, MessageBox };

struct WindowRecord {
  HWND hwnd = nullptr;
  WindowKind kind = WindowKind::Sdl;
  std::string className;
  std::string title;
  // SDL windows
  WNDPROC proc = nullptr;
  SDL_Window* sdl = nullptr;  // null offscreen
  uint32_t sdlId = 0;
  bool offscreen = false;
  int offscreenWidth = 0, offscreenHeight = 0;
  bool invalid = false;  // needs WM_PAINT
  bool visible = false;
  // Dialogs, their controls and message boxes: how posted and sent messages and new titles reach
  // the backend. Called without the table lock held, from any thread.
  std::function<void(UINT, WPARAM, LPARAM)> onPost;
  std::function<LRESULT(UINT, WPARAM, LPARAM)> onSend;
  std::function<void(const std::string&)> onTitle;
};

// The table. Handles are small numbers, never reused, so a stale handle finds nothing.
HWND Register(std::shared_ptr<WindowRecord> record);
void Unregister(HWND hwnd);
std::shared_ptr<WindowRecord> Find(HWND hwnd);
std::shared_ptr<WindowRecord> FindBySdlId(uint32_t id);
std::mutex& TableMutex();  // guards the mutable fields of records (title, invalid, visible)

// The queue. `sideKey` is the left/right variant of a generic shift, control or menu key.
void Post(const MSG& message, int sideKey = 0);
void RemoveMessagesFor(HWND hwnd);

// Set by the SDL backend: pumps SDL's events into the queue (only on the thread that owns SDL).
void SetPump(void (*pump)());

}  // namespace platform::user
