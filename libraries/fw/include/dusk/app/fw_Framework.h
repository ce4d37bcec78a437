// fw_Framework: the one framework object, reached through fw_gFramework, and the settings that
// live beside it as process-wide values (static members, read directly by every part). The
// constructor brings up paths, display mode, sync, the startup dialog, window, device and music;
// Run is the main loop; the destructor empties the texture table. Also the scene list.
#pragma once

#include <platform/win32.h>

#include "device/fw_Device.h"
#include "res/fw_TextureTable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class fw_Scene;

class fw_Framework {
 public:
  // Returns only when the window, the device and the music player are up; otherwise ends the
  // process (exit code 20, or 0 when the dialog's Exit was chosen).
  fw_Framework(const std::string& musicPath, const std::string& appName, HINSTANCE instance, int showCommand,
               const std::string& title, int32_t windowWidth, int32_t windowHeight, float renderScale, float aspect);
  ~fw_Framework();
  fw_Framework(const fw_Framework&) = delete;
  fw_Framework& operator=(const fw_Framework&) = delete;

  // Sync system, startup dialog, window, device and swap chain, music player: 0 or E_FAIL.
  HRESULT Init(HINSTANCE instance, const std::string& musicPath, int showCommand);
  // The main loop; returns the quit message's exit code.
  int Run();

  // ---- Settings (process-wide) ----
  static std::string mMusicPath;   // relative to the project root
  static std::string mAppName;     // finds the project root
  static std::string mTitle;       // window title, alert caption
  static int32_t mWindowWidth, mWindowHeight;  // client size when not full screen
  static const float& mRenderScale;  // read-only: the render size record's scale (device/fw_DeviceState.h)
  static float mAspect;            // enforced by letterboxing
  static int32_t mDesktopWidth, mDesktopHeight, mDesktopRefreshRate;
  static bool mFullscreen;
  static bool mSound;
  static bool mShowStartupDialog;
  static bool mVerboseWindowLog;   // the window procedure logs focus and size changes
  // The frame context's fields (frame/fw_FrameContext.h), which owns them with the scene list.
  static uint32_t& mCurrentScene;  // index into the scene list
  static float& mSceneStartTime;   // music seconds when the current scene was entered

  // ---- Window (process-wide) ----
  static HWND mWindow;
  static HINSTANCE mInstance;

  // Class "FrameworkWindowClass", client area mWindowWidth x mWindowHeight: 0 or E_FAIL.
  static HRESULT _CreateWindow(HINSTANCE instance, int showCommand);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // ---- Texture table ----
  // The table's entry for the name; when absent, the image file of that name is loaded and entered.
  static fw_Texture* FindOrCreateTexture(const std::string& name) { return fw_FindOrCreateTexture(name); }
  // The same lookup; when absent, what the factory makes is entered (named render targets).
  static fw_Texture* FindOrCreateTexture(const std::string& name, const fw_TextureFactory& factory) {
    return fw_FindOrCreateTexture(name, factory);
  }
};

// The framework instance: null before construction and again after destruction.
extern fw_Framework* fw_gFramework;

// ---- Scene list ----
// Appends a scene and takes it over; scenes are never removed and live until the process ends.
void fw_RegisterScene(fw_Scene* scene);
// The current scene (the entry at mCurrentScene) is fw_GetCurrentScene() of frame/fw_FrameTick.h.

// The device settings built from the framework's settings (window, sizes, full screen, refresh).
fw_DeviceSettings fw_FrameworkDeviceSettings();
// Gives the frame context the mouse state's update and the device settings; the run calls it once
// the window, the device and the mouse state exist.
void fw_HandOverFrameContext();

// ".final" in the working directory (a file or a directory); an error while asking counts as absent.
bool fw_FinalMarkerExists();
