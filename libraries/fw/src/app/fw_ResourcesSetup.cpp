// The post-effects chain's lifetime and the framework's resource loading, as the run loop uses them.
#include "app/fw_FrameworkServices.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Resources.h"

void fw_CreatePostEffectsChain() {
  delete fw_gPostEffects;
  fw_gPostEffects = new fw_PostEffects;
}

void fw_DestroyPostEffectsChain() {
  if (fw_gPostEffects) fw_PostEffectsRelease(fw_gPostEffects);
  delete fw_gPostEffects;
  fw_gPostEffects = nullptr;
}

HRESULT fw_LoadFrameworkResources() { return fw_LoadResources(); }
