// @TITLE@: reads the command line into the start-up presets, makes the framework with the
// soundtrack and the scene, and runs the show until its "GotoRow" track ends it.
#include "app/fw_Framework.h"
#include "app/fw_StartupDialog.h"
#include "app/fw_StartupOptions.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"
#include "capture/fw_CaptureOptions.h"
#include "res/fw_TextureTable.h"
#include "starter_Scene.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The startup dialog, as the framework's dialog procedure expects it: the show's name, the
// full-screen and sound choices, Run and Exit.
const platform::DialogItemResource kStartupItems[] = {
    {"STATIC", "@TITLE@", -1, SS_LEFT, 17, 17, 320, 8},
    {"BUTTON", "Fullscreen", fw_IDC_FULLSCREEN, BS_3STATE | WS_TABSTOP, 18, 69, 85, 8},
    {"BUTTON", "Sound", fw_IDC_SOUND, BS_AUTOCHECKBOX | WS_TABSTOP, 18, 79, 85, 8},
    {"BUTTON", "Run", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 68, 93, 13},
    {"BUTTON", "Exit", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 120, 84, 93, 13},
};
const platform::DialogResource kDialogs[] = {
    {fw_IDD_STARTUP, "@NAME@", DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, "MS Sans Serif", 8, 0,
     0, 230, 132, kStartupItems, static_cast<int>(sizeof(kStartupItems) / sizeof(kStartupItems[0]))},
};
const platform::ResourceTable kResources = {kDialogs, 1, nullptr, 0};

int RunShow(HINSTANCE instance) {
  fw_SetAlertMode(1);
  const fw_StartupOptions& options = fw_GetStartupOptions();
  if (options.alertMode) fw_SetAlertMode(*options.alertMode);
  fw_ForwardPlatformReports();
  if (options.echo) fw_SetLogEcho(true);
  if (!options.logFile.empty()) fw_SetLogFile(options.logFile);

  fw_Log(fw_LogPlain, "Starting application.");
  auto* framework = new fw_Framework("./data/music.mp3", "@NAME@", instance, SW_SHOWDEFAULT, "@TITLE@", 1280, 720,
                                     1.0f, 16.0f / 9.0f);
  fw_RegisterScene(new StarterScene());  // scenes live until the process ends
  fw_Framework::FindOrCreateTexture("./data/missing.png");
  framework->Run();
  fw_Log(fw_LogPlain, "Closing application.");
  delete framework;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<const char*> rest{argv[0]};
  std::string error;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
      fputs(fw_StartupUsage(), stdout);
      return 0;
    }
    int used = fw_ParseCaptureOption(argc, argv, i, &fw_GetCaptureSettings(), &error);
    if (!error.empty()) break;
    if (used > 0) {
      i += used - 1;
      continue;
    }
    rest.push_back(argv[i]);
  }
  if (error.empty()) fw_ParseStartupOptions(static_cast<int>(rest.size()), rest.data(), &fw_GetStartupOptions(), &error);
  if (error.empty()) fw_ValidateCaptureSettings(fw_GetCaptureSettings(), fw_GetStartupOptions().live, &error);
  if (!error.empty()) {
    fprintf(stderr, "@NAME@: %s\n%s", error.c_str(), fw_StartupUsage());
    return 2;
  }
  if (fw_GetStartupOptions().checkOnly) return 0;  // --check: the command line is good
  return RunShow(platform::RegisterModuleResources(&kResources));
}
