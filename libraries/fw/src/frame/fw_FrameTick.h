// The frame tick: advance the clocks, bring the sync device to the current row, update the mouse
// state, obey "GotoRow" (end or seek) and "Scene" (switch and enter), set Time, let the current
// scene update, prepare and render with the camera variables set, and present. It never waits.
#pragma once

#include "frame/fw_Device.h"

#include <cstdint>
#include <functional>
#include <vector>

class fw_Scene;

// What the tick works on, owned by the framework object and handed over once.
struct fw_FrameContext {
  const std::vector<fw_Scene*>* scenes = nullptr;
  uint32_t* currentScene = nullptr;   // index into scenes; none current when not below the count
  float* sceneStartTime = nullptr;    // music seconds when the current scene was entered
  std::function<void()> updateMouse;  // the mouse state's per-tick update, when it exists
  fw_DeviceSettings device;
};

void fw_SetFrameContext(const fw_FrameContext& context);
fw_FrameContext& fw_GetFrameContext();

// The current scene, or null (no scenes, or the index not below their count).
fw_Scene* fw_GetCurrentScene();

void fw_FrameTick();

// Render calls so far (the first three draw nothing).
uint32_t fw_GetRenderSkipCounter();
