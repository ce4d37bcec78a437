// The run-time state's one instance.
#include "frame/fw_FrameContext.h"

#include "scene/fw_Scene.h"
#include "scene/fw_SceneResources.h"

fw_FrameContext::fw_FrameContext() = default;
fw_FrameContext::~fw_FrameContext() = default;

fw_FrameContext& fw_GetFrameContext() {
  static fw_FrameContext* context = new fw_FrameContext;
  return *context;
}

void fw_AddScene(std::unique_ptr<fw_Scene> scene) { fw_GetFrameContext().scenes.push_back(std::move(scene)); }

void fw_ResetFrameContext() {
  fw_FrameContext& context = fw_GetFrameContext();
  fw_ReleaseSceneResources(context.scenes);
  context.scenes.clear();
  context.currentScene = 0;
  context.sceneStartTime = 0.0f;
  context.updateMouse = nullptr;
  context.device = fw_DeviceSettings();
}
