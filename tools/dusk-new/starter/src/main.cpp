// @TITLE@: the framework reads the command line; the entry makes the framework with the soundtrack
// and the scene, and runs the show until its "GotoRow" track ends it.
#include "app/fw_Framework.h"
#include "app/fw_Main.h"
#include "app/fw_StartupDialog.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"
#include "dusk_Version.h"
#include "res/fw_TextureTable.h"
#include "starter_Scene.h"
#include "tools/fw_Tools.h"

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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // Setup
  const std::string appName = "@NAME@";
  fw_SetAlertMode(1);
  // The command line's presets take over from here on (alert mode, log outputs).
  fw_ApplyStartupPresets(appName);

  fw_Log(fw_LogPlain, "Starting application.");
  auto* framework = new fw_Framework("./data/music.mp3", appName, instance, showCommand, "@TITLE@", 1280, 720, 1.0f,
                                     16.0f / 9.0f);
  fw_RegisterScene(new StarterScene());  // scenes live until the process ends
  fw_Framework::FindOrCreateTexture("./data/missing.png");

  // Main loop
  framework->Run();

  // Cleanup
  fw_Log(fw_LogPlain, "Closing application.");
  delete framework;
  return 0;
}

int main(int argc, char** argv) {
  fw_UseTools();  // capture, live mode and the timeline page, with their options
  return fw_Main(argc, argv, {"@NAME@", DUSK_VERSION, platform::RegisterModuleResources(&kResources)}, WinMain);
}
