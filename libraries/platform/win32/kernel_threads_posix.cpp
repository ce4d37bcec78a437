// Threads as waitable handles, and critical sections, on the C++ standard library.
#include <platform/win32.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct ThreadHandle {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  DWORD exitCode = 0;
};

}  // namespace

struct CRITICAL_SECTION_IMPL {
  std::recursive_mutex mutex;  // Win32 sections may be re-entered by their owner.
};

HANDLE CreateThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                    DWORD* threadId) {
  if (!start) return nullptr;
  auto* handle = new ThreadHandle;
  handle->thread = std::thread([handle, start, parameter] {
    DWORD code = start(parameter);
    std::lock_guard<std::mutex> lock(handle->mutex);
    handle->exitCode = code;
    handle->done = true;
    handle->finished.notify_all();
  });
  if (threadId) *threadId = static_cast<DWORD>(std::hash<std::thread::id>{}(handle->thread.get_id()));
  return handle;
}

DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds) {
  auto* handle = static_cast<ThreadHandle*>(h);
  if (!handle) return WAIT_FAILED;
  std::unique_lock<std::mutex> lock(handle->mutex);
  if (milliseconds == INFINITE) {
    handle->finished.wait(lock, [handle] { return handle->done; });
  } else if (!handle->finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                        [handle] { return handle->done; })) {
    return WAIT_TIMEOUT;
  }
  return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE h) {
  auto* handle = static_cast<ThreadHandle*>(h);
  if (!handle) return FALSE;
  // Closing a running thread's handle lets the thread run on, as on the platform.
  if (handle->thread.joinable()) {
    bool done;
    {
      std::lock_guard<std::mutex> lock(handle->mutex);
      done = handle->done;
    }
    if (done) {
      handle->thread.join();
    } else {
      handle->thread.detach();
      return TRUE;  // the detached thread still references the record; leak it rather than race
    }
  }
  delete handle;
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(std::hash<std::thread::id>{}(std::this_thread::get_id())); }

BOOL InitializeCriticalSectionAndSpinCount(CRITICAL_SECTION* section, DWORD) {
  if (!section) return FALSE;
  section->impl = new CRITICAL_SECTION_IMPL;
  return TRUE;
}

void InitializeCriticalSection(CRITICAL_SECTION* section) { InitializeCriticalSectionAndSpinCount(section, 0); }

void EnterCriticalSection(CRITICAL_SECTION* section) { section->impl->mutex.lock(); }

void LeaveCriticalSection(CRITICAL_SECTION* section) { section->impl->mutex.unlock(); }

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  if (!section) return;
  delete section->impl;
  section->impl = nullptr;
}
