// The framework object: construction (paths, display mode, ".final", directories) and the
// initialisation sequence (sync, dialog, window, device, music), destruction, the scene list and
// the settings the device and the frame tick are given.
#include "app/fw_Framework.h"

#include "app/fw_MouseState.h"
#include "app/fw_StartupDialog.h"
#include "app/fw_StartupOptions.h"
#include "audio/fw_MusicPlayer.h"
#include "device/fw_DeviceState.h"
#include "device/fw_Quality.h"
#include "device/fw_RenderSize.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameTick.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Paths.h"
#include "res/fw_WriteFolders.h"
#include "scene/fw_Scene.h"
#include "sync/fw_Sync.h"

#include <platform/d3d10_debug.h>
#include <platform/win32_offscreen.h>

#include <boost/filesystem.hpp>

namespace {

// The second display first, then the primary one; left at 0 when neither can be read.
void readDisplayMode() {
  DEVMODEA mode{};
  mode.dmSize = sizeof(mode);
  if (!EnumDisplaySettingsA("\\\\.\\DISPLAY2", ENUM_CURRENT_SETTINGS, &mode) &&
      !EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
    return;
  }
  fw_Framework::mDesktopWidth = static_cast<int32_t>(mode.dmPelsWidth);
  fw_Framework::mDesktopHeight = static_cast<int32_t>(mode.dmPelsHeight);
  fw_Framework::mDesktopRefreshRate = static_cast<int32_t>(mode.dmDisplayFrequency);
}

// An installed release's folder is read-only: the run's own files go to the user's folders, and
// live mode, which saves into the production's files, is refused there (the show plays without it).
void fw_ChooseFolders(const std::string& appName, bool live) {
  const std::string& root = fw_GetProjectRoot();
  const bool writable = fw_FolderWritable(root + "/data");
  if (live && !writable) {
    fw_ReportFailure("Live mode edits the production's files, and <%s/data> is read-only (an installed show?).\n"
                     "Play it without --live, or unpack the release into a folder of your own for live mode.",
                     root.c_str());
    fw_ExitProcess(2, "live mode in a read-only production folder");
  }
  fw_SetWriteFolders(fw_ChooseWriteFolders(root, writable, appName, fw_ProcessEnv));
  const fw_WriteFolders& folders = fw_GetWriteFolders();
  if (!folders.userFolders) {
    CreateDirectoryA((folders.temp + "/").c_str(), nullptr);
    CreateDirectoryA((folders.screenshots + "/").c_str(), nullptr);
    return;
  }
  fw_Log(fw_LogPlain, "The production's folder <%s> is read-only: temporary files go to <%s>, screenshots to <%s>.",
         root.c_str(), folders.temp.c_str(), folders.screenshots.c_str());
  for (const std::string& folder : {folders.temp, folders.screenshots}) {
    boost::system::error_code error;
    if (folder.empty()) continue;
    if (!boost::filesystem::create_directories(folder, error) && error) {
      fw_Log(fw_LogWarning, "Could not make the folder <%s>: %s.", folder.c_str(), error.message().c_str());
    }
  }
}

}  // namespace

bool fw_FinalMarkerExists() { return fw_PathExists(".final"); }

fw_Framework::fw_Framework(const std::string& musicPath, const std::string& appName, HINSTANCE instance,
                           int showCommand, const std::string& title, int32_t windowWidth, int32_t windowHeight,
                           float renderScale, float aspect) {
  mMusicPath = musicPath;
  fw_DestroyOwnedTextures();  // the texture table and owned set start empty
  fw_SetAlertCaption(title);
  // Without its roots the program can find neither shaders nor data: the search has reported it.
  if (!fw_FindRoots(appName)) fw_ExitProcess(20, "no project root");
  fw_gFramework = this;
  mAppName = appName;
  mTitle = title;

  const fw_StartupOptions& options = fw_GetStartupOptions();
  mWindowWidth = windowWidth;
  mWindowHeight = windowHeight;
  mAspect = aspect;
  // The render size until the device decides it: the window's at the scale, no full screen, no letterbox.
  fw_RenderSizeInput windowed;
  windowed.windowWidth = mWindowWidth;
  windowed.windowHeight = mWindowHeight;
  windowed.renderScale = options.renderScale.value_or(renderScale);
  windowed.aspect = 0.0f;
  fw_ApplyRenderSize(windowed);
  fw_SetSubFrames(options.subFrames.value_or(fw_kShowSubFrames));

  mShowStartupDialog = !options.noDialog;
  mVerboseWindowLog = false;
  mCurrentScene = 0;
  mSceneStartTime = 0.0f;
  mSound = !options.mute;

  readDisplayMode();
  mFullscreen = options.fullscreen.value_or(fw_FinalMarkerExists());

  if (!fw_GetProjectRoot().empty()) fw_ChooseFolders(appName, options.live);

  if (Init(instance, mMusicPath, showCommand) < 0) fw_ExitProcess(20, "initialisation failed");
}

HRESULT fw_Framework::Init(HINSTANCE instance, const std::string& musicPath, int showCommand) {
  mInstance = instance;
  // A new timer and the player device on "data/sync/sync" (the live device in live mode).
  fw_StartSync(kFwSyncBasePath, fw_GetStartupOptions().live);

  if (mShowStartupDialog) {
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(fw_IDD_STARTUP), nullptr, fw_StartupDialogProc, 0);
    if (result != 1) fw_ExitProcess(0, "Exit chosen in the startup dialog");
  }

  // Frames made for files alone: without a display the window is made offscreen and the device
  // renders through EGL, so a machine with no display server renders the same frames.
  platform::AllowOffscreenWindows(fw_GetStartupOptions().offline);
  if (_CreateWindow(instance, showCommand) < 0) return E_FAIL;

  // GL error checking is chosen when the GL context is made, so it must be on before the device.
  if (fw_GetStartupOptions().glDebug) platform::EnableGlDebug();
  if (fw_CreateDeviceAndSwapChain(fw_FrameworkDeviceSettings()) < 0) {
    fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
    return E_FAIL;
  }

  // The one music player, replacing any earlier one.
  if (mSound && !musicPath.empty()) fw_CreateMusicPlayer(fw_GetProjectRoot() + "/" + musicPath, mWindow);
  return 0;
}

fw_Framework::~fw_Framework() {
  fw_DestroyOwnedTextures();
  fw_gFramework = nullptr;
}

void fw_RegisterScene(fw_Scene* scene) { fw_AddScene(std::unique_ptr<fw_Scene>(scene)); }


fw_DeviceSettings fw_FrameworkDeviceSettings() {
  fw_DeviceSettings settings;
  settings.window = fw_Framework::mWindow;
  settings.size.fullscreen = fw_Framework::mFullscreen;
  settings.size.finalMarker = fw_FinalMarkerExists();
  settings.size.windowWidth = fw_Framework::mWindowWidth;
  settings.size.windowHeight = fw_Framework::mWindowHeight;
  settings.size.renderScale = fw_Framework::mRenderScale;
  settings.size.desktopWidth = fw_Framework::mDesktopWidth;
  settings.size.desktopHeight = fw_Framework::mDesktopHeight;
  settings.size.aspect = fw_Framework::mAspect;
  settings.desktopRefreshRate = fw_Framework::mDesktopRefreshRate;
  settings.verboseWindowLog = fw_Framework::mVerboseWindowLog;
  return settings;
}

void fw_HandOverFrameContext() {
  fw_FrameContext& context = fw_GetFrameContext();
  context.updateMouse = [] {
    if (fw_MouseState* mouse = fw_GetMouseState()) mouse->update();
  };
  context.device = fw_FrameworkDeviceSettings();
}
