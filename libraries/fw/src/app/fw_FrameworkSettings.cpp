// The framework's process-wide settings and the framework instance, with their start values.
#include "app/fw_Framework.h"
#include "device/fw_DeviceState.h"
#include "frame/fw_FrameContext.h"

std::string fw_Framework::mMusicPath;
std::string fw_Framework::mAppName;
std::string fw_Framework::mTitle;
int32_t fw_Framework::mWindowWidth = 1280;
int32_t fw_Framework::mWindowHeight = 720;
const float& fw_Framework::mRenderScale = fw_GetRenderSizeRecord().scale;
float fw_Framework::mAspect = 16.0f / 9.0f;
int32_t fw_Framework::mDesktopWidth = 0;
int32_t fw_Framework::mDesktopHeight = 0;
int32_t fw_Framework::mDesktopRefreshRate = 0;
bool fw_Framework::mFullscreen = false;
bool fw_Framework::mSound = true;
bool fw_Framework::mShowStartupDialog = true;
bool fw_Framework::mVerboseWindowLog = false;
uint32_t& fw_Framework::mCurrentScene = fw_GetFrameContext().currentScene;
float& fw_Framework::mSceneStartTime = fw_GetFrameContext().sceneStartTime;
HWND fw_Framework::mWindow = nullptr;
HINSTANCE fw_Framework::mInstance = nullptr;

fw_Framework* fw_gFramework = nullptr;
