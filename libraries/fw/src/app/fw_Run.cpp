// The run: what it makes, the message loop with frame ticks as idle work, and the release in the
// reverse order. The order of making and destroying the run-time state is written here once.
#include "app/fw_AutoQuality.h"
#include "app/fw_Framework.h"
#include "app/fw_MouseState.h"
#include "app/fw_ResourceSummary.h"
#include "app/fw_StopSignals.h"
#include "audio/fw_MusicPlayer.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameHooks.h"
#include "frame/fw_FrameStats.h"
#include "frame/fw_FrameTick.h"
#include "frame/fw_LoadResources.h"
#include "post/fw_PostEffects.h"
#include "sync/fw_Clock.h"

#include <csignal>

int fw_Framework::Run() {
  // Setup. A hook may replace the performance counter here, before any clock reads it, and a
  // capture its own stop signals in place of these.
  fw_CatchStopSignals();
  fw_FrameHooksSetUp();
  fw_CreateClocks();
  fw_CreateMouseState();
  fw_HandOverFrameContext();
  fw_gPostEffects = new fw_PostEffects;  // empty until the resources are loaded
  // Without the effect pool or the chain's effect nothing can be drawn; the loader has said why.
  if (fw_LoadResources() < 0) {
    fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
    fw_ExitProcess(20, "the resources could not be loaded");
  }

  uint32_t warnings = fw_GetWarningCount();
  if (warnings > 0 && !mFullscreen) {
    fw_TimedAlert(20.0f, "%s", fw_ResourceSummaryText(warnings, fw_GetLogPath()).c_str());
  }

  fw_RestartClocks();
  if (fw_MusicPlayer* player = fw_GetMusicPlayer()) player->play(0.0f);
  fw_FrameHooksStart();
  fw_AutoQualityStart();
  fw_FrameStatsStart(mMusicPath);

  // Main loop: a waiting message is handled first; a frame runs only when none is waiting. A stop
  // signal ends it as the quit message does.
  MSG message{};
  while (message.message != WM_QUIT) {
    if (const int signal = fw_StopSignal()) {
      fw_Log(fw_LogPlain, "Stopping the show on %s.", signal == SIGINT ? "SIGINT" : "SIGTERM");
      message.wParam = 0;
      break;
    }
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else {
      fw_FrameTick();
      fw_AutoQualityAfterFrame();
    }
  }
  fw_FrameStatsLog();

  // Cleanup, the reverse of the setup: device resources (the chain's effect, the scenes'
  // resources, the standard resources, then the swap chain and the device), clocks, mouse state,
  // the chain itself, and the music player, whose destructor stops the stream before freeing it.
  fw_FrameHooksStop();
  fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
  fw_DestroyClocks();
  fw_DestroyMouseState();
  delete fw_gPostEffects;
  fw_gPostEffects = nullptr;
  fw_TakeMusicPlayer().reset();
  return static_cast<int>(message.wParam);
}
