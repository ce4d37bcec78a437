// Scene resources over a scene list.
#include "scene/fw_SceneResources.h"

#include "device/fw_DeviceState.h"
#include "scene/fw_Scene.h"

void fw_LoadSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes) {
  for (const auto& scene : scenes) {
    if (!scene) continue;
    scene->LoadDescription(fw_GetRenderWidth(), fw_GetRenderHeight());
    scene->createResources();
  }
}

void fw_ReleaseSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes) {
  for (const auto& scene : scenes)
    if (scene) scene->releaseResources();
}
