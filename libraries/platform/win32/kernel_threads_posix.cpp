// Threads as waitable handles, and critical sections, on the C++ standard library.
#include "kernel_handles_p.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct ThreadHandle final : platform::KernelObject {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  DWORD exitCode = 0;

  DWORD wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex);
    if (milliseconds == INFINITE) {
      finished.wait(lock, [this] { return done; });
    } else if (!finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return done; })) {
      return WAIT_TIMEOUT;
    }
    return WAIT_OBJECT_0;
  }

  bool close() override {
    // Closing a running thread's handle lets the thread run on, as on the platform.
    if (!thread.joinable()) return true;
    bool ended;
    {
      std::lock_guard<std::mutex> lock(mutex);
      ended = done;
    }
    if (ended) {
      thread.join();
      return true;
    }
    thread.detach();
    return false;  // the detached thread still references the record; leak it rather than race
  }
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
  return static_cast<platform::KernelObject*>(handle);  // HANDLE always holds the base pointer
}

DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds) {
  auto* object = static_cast<platform::KernelObject*>(h);
  return object ? object->wait(milliseconds) : WAIT_FAILED;
}

BOOL CloseHandle(HANDLE h) {
  auto* object = static_cast<platform::KernelObject*>(h);
  if (!object) return FALSE;
  if (object->close()) delete object;
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
