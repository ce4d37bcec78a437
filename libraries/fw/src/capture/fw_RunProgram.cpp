// Running a program through the platform's process start.
#include "capture/fw_RunProgram.h"

#include "capture/fw_CommandLine.h"

#include <platform/win32.h>

int fw_RunProgram(const std::vector<std::string>& args) {
  std::string commandLine = fw_CommandLine(args);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
