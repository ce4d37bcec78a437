// Entry point of "amber over the hills".
#include "app_WinMain.h"

#include "app/fw_Framework.h"
#include "app/fw_Main.h"
#include "app_Scenes.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"
#include "res/fw_TextureTable.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // Setup
  const std::string appName = "dusk";
  const std::string title = "amber over the hills";
  const std::string musicPath = "./data/eventide_palekestrel3.mp3";

  fw_SetAlertMode(1);
  // The command line's presets take over from here on (alert mode, log outputs).
  fw_ApplyStartupPresets(appName);

  fw_Log(fw_LogPlain, "Starting application.");
  auto* framework = new fw_Framework(musicPath, appName, instance, showCommand, title, 1280, 720, 1.0f, 16.0f / 9.0f);
  dusk_RegisterScenes();
  fw_Framework::FindOrCreateTexture("./data/missing.png");

  // Main loop
  framework->Run();

  // Cleanup
  fw_Log(fw_LogPlain, "Closing application.");
  delete framework;
  return 0;
}
