// Waitable kernel objects behind HANDLE: threads and processes share one base, so
// WaitForSingleObject and CloseHandle work on either.
#pragma once

#include <platform/win32.h>

namespace platform {

struct KernelObject {
  virtual ~KernelObject() = default;
  // WAIT_OBJECT_0 once the object has ended, WAIT_TIMEOUT when the time ran out first.
  virtual DWORD wait(DWORD milliseconds) = 0;
  // Releases what the handle holds; false when the object must outlive its handle (a thread
  // still running keeps its record).
  virtual bool close() { return true; }
};

}  // namespace platform
