// Alerts: a message box (mode 1), a console line (mode 0) or nothing. The timed alert runs a
// watcher thread that counts the box's title down each second and closes the box at the end.
#include "diag/fw_Alert.h"

#include <platform/win32.h>

#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr size_t kAlertSize = 16256;

std::mutex gCaptionMutex;
std::string gCaption = "Alert";
std::atomic<int> gMode{1};

std::string caption() {
  std::lock_guard<std::mutex> lock(gCaptionMutex);
  if (gCaption.empty()) gCaption = "Alert";
  return gCaption;
}

void toConsole(const std::string& title, const char* text) {
  printf("%s: %s\n", title.c_str(), text);
  fflush(stdout);
}

struct TimedAlertRecord {
  const char* caption;
  const char* text;
  UINT style = MB_ICONINFORMATION;
  HWND owner = nullptr;
  DWORD timeoutMs = 0;
  std::atomic<bool> timedOut{false};
  bool countdown = true;
  std::atomic<int> result{0};  // nonzero once the box has closed
  char title[80] = {};
};

DWORD watch(LPVOID parameter) {
  auto* record = static_cast<TimedAlertRecord*>(parameter);
  DWORD start = GetTickCount();
  DWORD lastUpdate = start;
  while (record->result.load() == 0) {
    Sleep(5);
    DWORD now = GetTickCount();
    if (now - lastUpdate <= 999) continue;
    DWORD elapsed = now - start;
    if (elapsed >= record->timeoutMs) {
      HWND box = FindWindowA(nullptr, record->title);
      // A box not yet on screen is looked for again on the next turn rather than left open.
      if (box) {
        record->timedOut = true;
        PostMessageA(box, WM_CLOSE, 0, 0);
        break;
      }
    } else if (record->countdown) {
      HWND box = FindWindowA(nullptr, record->title);
      if (box) {
        char* lastSpace = strrchr(record->title, ' ');
        if (lastSpace) {
          unsigned remaining = static_cast<unsigned>(std::ceil((record->timeoutMs - elapsed) / 1000.0));
          size_t room = sizeof(record->title) - static_cast<size_t>(lastSpace + 1 - record->title);
          snprintf(lastSpace + 1, room, "%u", remaining);
          SetWindowTextA(box, record->title);
        }
      }
    }
    lastUpdate = now;
  }
  return 0;
}

}  // namespace

void fw_Alert(const char* format, ...) {
  char text[kAlertSize];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format ? format : "", args);  // long texts are cut
  va_end(args);
  int mode = gMode;
  if (mode == 0) {
    toConsole(caption(), text);
  } else if (mode == 1) {
    std::string title = caption();
    MessageBoxA(nullptr, text, title.c_str(), MB_ICONINFORMATION);
  }
}

int fw_TimedAlert(float seconds, const char* format, ...) {
  char text[kAlertSize];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format ? format : "", args);
  va_end(args);
  int mode = gMode;
  std::string title = caption();
  if (mode == 0) toConsole(title, text);
  if (mode != 1) return 0;

  TimedAlertRecord record;
  record.caption = title.c_str();
  record.text = text;
  // Negative or absurd timeouts close the box at the first check instead of wrapping around.
  record.timeoutMs = (seconds > 0.0f && seconds < 4.0e6f) ? static_cast<DWORD>(seconds * 1000.0f) : 0;
  snprintf(record.title, sizeof(record.title), "%s: %d", record.caption, static_cast<int>(record.timeoutMs / 1000));
  HANDLE watcher = CreateThread(nullptr, 0, watch, &record, 0, nullptr);
  int boxResult = MessageBoxA(record.owner, record.text, record.title, record.style);
  record.result = boxResult ? boxResult : IDOK;
  if (watcher) {
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
  }
  return record.timedOut ? 0 : boxResult;
}

void fw_SetAlertCaption(const std::string& text) {
  std::lock_guard<std::mutex> lock(gCaptionMutex);
  gCaption = text;
}

void fw_SetAlertMode(int mode) { gMode = mode; }
