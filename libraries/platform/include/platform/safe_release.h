// Releasing an interface pointer that may be null and forgetting it, in one step, so a pointer is
// never released twice or used after its release.
#pragma once

template <class T> void SafeRelease(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}
