// The run: clocks, mouse state, post-effects chain, resources, the resource-issue summary, then
// the message loop with frame ticks as idle work, and the orderly release at its end.
#include "app/fw_Framework.h"
#include "app/fw_FrameworkServices.h"
#include "app/fw_MouseState.h"
#include "app/fw_ResourceSummary.h"
#include "audio/fw_MusicPlayer.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_Capture.h"
#include "frame/fw_FrameTick.h"
#include "res/fw_Paths.h"
#include "sync/fw_Clock.h"


int fw_Framework::Run() {
  // Setup. Offline capture replaces the performance counter before any clock reads it.
  if (fw_GetCaptureSettings().enabled && !fw_CaptureInstall(fw_GetCaptureSettings(), fw_GetProjectRoot() + "/" + mMusicPath))
    fw_ExitProcess(20, "the capture could not be set up");
  fw_CreateClocks();
  fw_CreateMouseState();
  fw_HandOverFrameContext();
  fw_CreatePostEffectsChain();
  // Without the effect pool nothing can be drawn; the loader has reported why.
  if (fw_LoadFrameworkResources() < 0) {
    fw_ReleaseDevice();
    fw_ExitProcess(20, "the resources could not be loaded");
  }

  uint32_t warnings = fw_GetWarningCount();
  if (warnings > 0 && !mFullscreen) {
    fw_TimedAlert(20.0f, "%s", fw_ResourceSummaryText(warnings, fw_GetLogPath()).c_str());
  }

  fw_RestartClocks();
  if (fw_MusicPlayer* player = fw_GetMusicPlayer()) player->play(0.0f);

  // Main loop: a waiting message is handled first; a frame runs only when none is waiting.
  MSG message{};
  while (message.message != WM_QUIT) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else {
      fw_FrameTick();
    }
  }

  // Cleanup
  fw_ReleaseDevice();
  fw_DestroyClocks();
  fw_DestroyMouseState();
  fw_DestroyPostEffectsChain();
  fw_StopMusicPlayer();
  return static_cast<int>(message.wParam);
}
