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

void fw_ResizeSceneCameras(const std::vector<std::unique_ptr<fw_Scene>>& scenes, int renderWidth, int renderHeight) {
  if (renderWidth <= 0 || renderHeight <= 0) return;
  const float aspect = static_cast<float>(renderWidth) / static_cast<float>(renderHeight);
  for (const auto& scene : scenes) {
    if (!scene || !scene->cameraSet()) continue;
    for (const auto& camera : scene->cameraSet()->cameras()) camera.second->computeProjection(aspect);
  }
}

void fw_ReleaseSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes) {
  for (const auto& scene : scenes)
    if (scene) scene->releaseResources();
}
