// The start-up every show shares: main() hands the command line to fw_Main, which answers --help
// and --version, refuses bad options (exit code 2, with the usage), and otherwise enters the show
// in the platform's shape, with the program's resources behind the instance handle:
//
//   int main(int argc, char** argv) {
//     fw_UseTools();  // optional: capture, live mode, the timeline page (tools/fw_Tools.h)
//     return fw_Main(argc, argv, {"my_show", DUSK_VERSION, platform::RegisterModuleResources(&kResources)}, WinMain);
//   }
#pragma once

#include <platform/win32.h>

#include <string>

struct fw_MainInfo {
  const char* name;     // the program's name in --version, the usage text and its messages
  const char* version;  // what --version prints after the name
  HINSTANCE resources;  // the instance handle the entry receives (its dialog resources)
};

using fw_Entry = int(WINAPI*)(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// Reads the command line (app/fw_ReadCommandLine.h); returns 0 after --help or --version, 2 after
// a refused option, otherwise what the entry returns. The entry gets SW_SHOWDEFAULT.
int fw_Main(int argc, char** argv, const fw_MainInfo& info, fw_Entry entry);

// The command line's alert mode and log outputs, made where the entry would make them: the alert
// mode asked for (the entry's own stays otherwise), the platform layer's reports into the log, the
// echo, and the log file (a relative name in a read-only working directory goes to the user's folder, fw_PrepareLogFile).
void fw_ApplyStartupPresets(const std::string& appName);
