// The root search on the process's working directory, with its report when nothing is found.
#include "res/fw_Paths.h"

#include "diag/fw_Exit.h"

#include <platform/win32.h>

#include <vector>

bool fw_FindRoots(const std::string& appName) {
  std::vector<char> buffer(4096);
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  std::string workingDirectory = length > 0 && length < buffer.size() ? std::string(buffer.data(), length) : std::string();
  fw_RootSearchResult result = fw_SearchRoots(workingDirectory, appName);
  if (!result.found) {
    fw_ReportFailure("Could not find the project root: %s.\nStart the program in the project's directory "
             "(beside \"%s.scons\") or in a directory that holds src and data.",
             result.message.c_str(), appName.c_str());
    return false;
  }
  fw_SetRoots(result.frameworkRoot, result.projectRoot);
  return true;
}
