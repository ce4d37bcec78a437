// Device window messages.
#include "frame/fw_WindowMessages.h"

#include "diag/fw_Log.h"
#include "device/fw_DeviceState.h"
#include "sync/fw_Clock.h"

namespace {
bool gPausedForDrag = false;
}  // namespace

bool fw_HandleDeviceWindowMessage(HWND, UINT message, WPARAM, LPARAM, bool verboseWindowLog, bool fullscreenSetting,
                                  LRESULT* result) {
  switch (message) {
    case WM_SIZE:
      if (IDXGISwapChain* swapChain = fw_GetSwapChain()) {
        BOOL fullscreen = FALSE;
        const HRESULT hr = swapChain->GetFullscreenState(&fullscreen, nullptr);
        if (verboseWindowLog) {
          if (FAILED(hr))
            fw_Log(fw_LogPlain, "WM_SIZE:  mSwapChain->GetFullscreenState() failed with return code 0x%08x",
                   static_cast<unsigned>(hr));
          else
            fw_Log(fw_LogPlain, "WM_SIZE: mFullscreen: %d, mSwapChain->GetFullscreenState(): %d.",
                   fullscreenSetting ? 1 : 0, fullscreen);
        }
      }
      break;
    case WM_SETFOCUS:
      if (verboseWindowLog) fw_Log(fw_LogPlain, "WM_SETFOCUS: Window found focus.");
      break;
    case WM_KILLFOCUS:
      if (verboseWindowLog) fw_Log(fw_LogPlain, "WM_KILLFOCUS: Window lost focus.");
      break;
    case WM_ENTERSIZEMOVE:
      // A clock the user had paused stays paused: only a pause made here is undone on release.
      if (fw_Clock* clock = fw_GetMusicClock(); clock && !clock->isPaused()) {
        clock->pause();
        gPausedForDrag = true;
      }
      break;
    case WM_EXITSIZEMOVE:
      if (fw_Clock* clock = fw_GetMusicClock(); clock && gPausedForDrag) clock->resume();
      gPausedForDrag = false;
      break;
    default:
      return false;
  }
  *result = 0;
  return true;
}
