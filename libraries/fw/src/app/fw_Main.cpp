// The shared start-up: the command line, then the show's entry.
#include "app/fw_Main.h"

#include "app/fw_ReadCommandLine.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"
#include "res/fw_WriteFolders.h"

#include <cstdio>

int fw_Main(int argc, char** argv, const fw_MainInfo& info, fw_Entry entry) {
  std::string error;
  switch (fw_ReadCommandLine(argc, argv, &error)) {
    case fw_CommandLineAction::Help:
      fputs(fw_StartupUsage(info.name).c_str(), stdout);
      return 0;
    case fw_CommandLineAction::Version:
      printf("%s %s\n", info.name, info.version);
      return 0;
    case fw_CommandLineAction::Refused:
      fprintf(stderr, "%s: %s\n%s", info.name, error.c_str(), fw_StartupUsage(info.name).c_str());
      return 2;
    case fw_CommandLineAction::Run:
      break;
  }
  if (fw_GetStartupOptions().checkOnly) return 0;  // --check: the command line is good
  return entry(info.resources, nullptr, argc > 0 ? argv[0] : nullptr, SW_SHOWDEFAULT);
}

void fw_ApplyStartupPresets(const std::string& appName) {
  const fw_StartupOptions& options = fw_GetStartupOptions();
  if (options.alertMode) fw_SetAlertMode(*options.alertMode);
  fw_ForwardPlatformReports();
  if (options.echo) fw_SetLogEcho(true);
  if (!options.logFile.empty()) fw_SetLogFile(fw_PrepareLogFile(options.logFile, appName));
}
