// The run's resource loading and release over the standard resources, the chain and the scenes.
#include "frame/fw_LoadResources.h"

#include "device/fw_DeviceState.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameContext.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_Resources.h"
#include "scene/fw_SceneResources.h"

HRESULT fw_LoadResources() {
  fw_Log(fw_LogPlain, "Start loading resources.");
  if (fw_CreateStandardResources() < 0) return E_FAIL;
  if (fw_gPostEffects && fw_PostEffectsSetup(fw_gPostEffects) < 0) {
    // Every frame reaches the screen through the chain's effect.
    fw_ReportFailure("Could not load the post-effects chain's effect <%s>.", fw_gPostEffects->mEffect->mPath.c_str());
    return E_FAIL;
  }
  fw_LoadSceneResources(fw_GetFrameContext().scenes);
  fw_Log(fw_LogPlain, "Finished loading resources.");
  return S_OK;
}

void fw_ResizeFrameworkResources() {
  fw_RecreateRenderSizeResources();
  fw_ResizeSceneCameras(fw_GetFrameContext().scenes, fw_GetRenderWidth(), fw_GetRenderHeight());
}

void fw_ReleaseFrameworkResources() {
  if (fw_gPostEffects) fw_PostEffectsRelease(fw_gPostEffects);
  fw_ReleaseSceneResources(fw_GetFrameContext().scenes);
  fw_ReleaseStandardResources();
}
