// dusk: reads the command line into the start-up presets and enters the program as the platform
// would, with the program's resources behind the instance handle.
#include "app/fw_StartupOptions.h"
#include "app_Resources.h"
#include "app_WinMain.h"
#include "dusk_Version.h"
#include "capture/fw_CaptureOptions.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::vector<const char*> rest{argv[0]};
  std::string error;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
      fputs(fw_StartupUsage(), stdout);
      return 0;
    }
    if (!strcmp(argv[i], "--version")) {
      printf("dusk %s\n", DUSK_VERSION);
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
    fprintf(stderr, "dusk: %s\n%s", error.c_str(), fw_StartupUsage());
    return 2;
  }
  if (fw_GetStartupOptions().checkOnly) return 0;
  return WinMain(dusk_RegisterResources(), nullptr, argv[0], SW_SHOWDEFAULT);
}
