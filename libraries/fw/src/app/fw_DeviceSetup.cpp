// The framework's settings handed to the device code, and the device steps of start-up, frame
// and shutdown.
#include "app/fw_Framework.h"
#include "app/fw_FrameworkServices.h"
#include "app/fw_StartupOptions.h"

#include <platform/d3d10_debug.h>

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

HRESULT fw_CreateDevice() {
  // Checking is chosen when the GL context is made, so it must be on before the device.
  if (fw_GetStartupOptions().glDebug) platform::EnableGlDebug();
  return fw_CreateDeviceAndSwapChain(fw_FrameworkDeviceSettings());
}

void fw_ReleaseDevice() { fw_ReleaseDeviceResources(); }

void fw_PresentFrame() { fw_Present(fw_FrameworkDeviceSettings()); }
