// Scene resources over the framework's scene list.
#include "res/fw_SceneResources.h"

#include "frame/fw_DeviceState.h"
#include "frame/fw_FrameTick.h"
#include "scene/fw_Scene.h"

void fw_LoadSceneResources() {
  const std::vector<fw_Scene*>* scenes = fw_GetFrameContext().scenes;
  if (!scenes) return;
  for (fw_Scene* scene : *scenes) {
    if (!scene) continue;
    scene->LoadDescription(fw_GetRenderWidth(), fw_GetRenderHeight());
    scene->createResources();
  }
}

void fw_ReleaseSceneResources() {
  const std::vector<fw_Scene*>* scenes = fw_GetFrameContext().scenes;
  if (!scenes) return;
  for (fw_Scene* scene : *scenes)
    if (scene) scene->releaseResources();
}
