// The framework's run-time state, owned in one place: the scene list with the current scene and
// the time it was entered, the mouse state's update and the device settings the present reads.
// The frame tick, the resource loading and the run work on it; fw_Framework's mCurrentScene and
// mSceneStartTime name its fields. It owns every scene it holds, so nothing in it can point at a
// scene that is gone.
#pragma once

#include "device/fw_Device.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class fw_Scene;

struct fw_FrameContext {
  fw_FrameContext();
  ~fw_FrameContext();
  std::vector<std::unique_ptr<fw_Scene>> scenes;  // registration order; never removed while running
  uint32_t currentScene = 0;                      // none current when not below the count
  float sceneStartTime = 0.0f;                    // music seconds when the current scene was entered
  std::function<void()> updateMouse;              // the mouse state's per-tick update, when it exists
  fw_DeviceSettings device;  // what the present reads (window, full screen); the render size is the record's
};

// The one context. It lives until the process ends: scenes are never destroyed before exit, and
// at exit nothing may run their destructors after the device is gone.
fw_FrameContext& fw_GetFrameContext();

// Appends a scene and takes it over.
void fw_AddScene(std::unique_ptr<fw_Scene> scene);

// Releases every scene's resources, destroys the scenes and sets the rest back to its start
// values. For tests and tools that run the tick more than once in a process.
void fw_ResetFrameContext();
