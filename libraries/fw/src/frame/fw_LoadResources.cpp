// The run's resource loading and release over the standard resources, the chain and the scenes.
#include "frame/fw_LoadResources.h"

#include "device/fw_DeviceState.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameContext.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_Paths.h"
#include "res/fw_Resources.h"
#include "scene/fw_SceneResources.h"

namespace {
// A new render size while the show runs: the render targets and back buffers at that size, and
// every scene camera's projection. Clocks, sync, effects and images stay as they are.
void ResizeFrameworkResources() {
  fw_RecreateRenderSizeResources();
  fw_ResizeSceneCameras(fw_GetFrameContext().scenes, fw_GetRenderWidth(), fw_GetRenderHeight());
}
}  // namespace

HRESULT fw_LoadResources() {
  fw_Log(fw_LogPlain, "Start loading resources.");
  if (fw_CreateStandardResources() < 0) return E_FAIL;
  if (fw_gPostEffects && fw_PostEffectsSetup(fw_gPostEffects) < 0) {
    // Every frame reaches the screen through the chain's effect. Its compiled file is named, not
    // the path the precompiled-file rule made of it.
    const std::string& name = fw_gPostEffects->mEffect->mName;
    const std::string file = fw_EffectFileOfName(name, fw_GetFrameworkRoot(), fw_GetProjectRoot());
    if (!fw_PathExists(file))
      fw_ReportFailure("Could not load the post-effects chain's effect: <%s> does not exist.  The build writes it "
                       "(the effect compiler dusk-effect makes it from %s).",
                       file.c_str(), name.substr(0, name.size() - 1).c_str());
    else
      fw_ReportFailure("Could not load the post-effects chain's effect <%s>; the log says why.", file.c_str());
    return E_FAIL;
  }
  fw_LoadSceneResources(fw_GetFrameContext().scenes);
  fw_SetRenderSizeFollower(ResizeFrameworkResources);
  fw_Log(fw_LogPlain, "Finished loading resources.");
  return S_OK;
}

void fw_ReleaseFrameworkResources() {
  fw_SetRenderSizeFollower(nullptr);
  if (fw_gPostEffects) fw_PostEffectsRelease(fw_gPostEffects);
  fw_ReleaseSceneResources(fw_GetFrameContext().scenes);
  fw_ReleaseStandardResources();
}
