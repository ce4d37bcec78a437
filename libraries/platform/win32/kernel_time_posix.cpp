// Performance counter, tick count and sleep on CLOCK_MONOTONIC, with an optional virtual clock.
#include <platform/win32.h>
#include <platform/win32_testing.h>

#include <ctime>
#include <mutex>
#include <utility>

namespace {

std::mutex gVirtualMutex;
std::function<LONGLONG()> gVirtualCounter;
std::function<DWORD()> gVirtualTicks;  // tests only: see win32_testing.h

LONGLONG monotonicNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<LONGLONG>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

}  // namespace

namespace platform {
void SetVirtualPerformanceCounter(std::function<LONGLONG()> source) {
  std::lock_guard<std::mutex> lock(gVirtualMutex);
  gVirtualCounter = std::move(source);
}
void SetVirtualTickCount(std::function<DWORD()> source) {
  std::lock_guard<std::mutex> lock(gVirtualMutex);
  gVirtualTicks = std::move(source);
}
}  // namespace platform

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) return FALSE;
  {
    std::lock_guard<std::mutex> lock(gVirtualMutex);
    if (gVirtualCounter) {
      count->QuadPart = gVirtualCounter();
      return TRUE;
    }
  }
  count->QuadPart = monotonicNanoseconds();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (!frequency) return FALSE;
  frequency->QuadPart = 1000000000LL;
  return TRUE;
}

DWORD GetTickCount() {
  // Wall time, never the capture's virtual counter: the timed alert's countdown runs in real
  // seconds while a capture renders. Only a test's own tick source replaces it.
  {
    std::lock_guard<std::mutex> lock(gVirtualMutex);
    if (gVirtualTicks) return gVirtualTicks();
  }
  return static_cast<DWORD>(monotonicNanoseconds() / 1000000LL);
}

ULONGLONG GetTickCount64() { return static_cast<ULONGLONG>(monotonicNanoseconds() / 1000000LL); }

void Sleep(DWORD milliseconds) {
  timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}
