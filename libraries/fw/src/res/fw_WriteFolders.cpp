// The choice of write folders, and the process-wide record of it.
#include "res/fw_WriteFolders.h"

#include "res/fw_Paths.h"

#include <boost/filesystem.hpp>

#include <unistd.h>

#include <cstdlib>

namespace {
fw_WriteFolders gFolders;
bool gFoldersChosen = false;

std::string UserFolder(const char* variable, const char* homeFallback, const std::string& appName,
                       const fw_EnvLookup& env) {
  const std::string base = fw_XdgFolder(variable, homeFallback, env);
  return base.empty() ? std::string() : base + "/" + appName;
}
}  // namespace

const char* fw_ProcessEnv(const char* name) { return std::getenv(name); }

std::string fw_XdgFolder(const char* variable, const char* homeFallback, const fw_EnvLookup& env) {
  const char* value = env(variable);
  if (value && value[0] == '/') return value;
  const char* home = env("HOME");
  if (home && home[0] == '/') return std::string(home) + "/" + homeFallback;
  return std::string();
}

fw_WriteFolders fw_ChooseWriteFolders(const std::string& projectRoot, bool projectWritable, const std::string& appName,
                                      const fw_EnvLookup& env) {
  fw_WriteFolders folders;
  if (projectWritable) {
    folders.temp = projectRoot + "/data/temp";
    folders.screenshots = projectRoot + "/data/screenshots";
    return folders;
  }
  folders.userFolders = true;
  const std::string cache = UserFolder("XDG_CACHE_HOME", ".cache", appName, env);
  const std::string data = UserFolder("XDG_DATA_HOME", ".local/share", appName, env);
  if (!cache.empty()) folders.temp = cache + "/temp";
  if (!data.empty()) folders.screenshots = data + "/screenshots";
  return folders;
}

std::string fw_LogFileLocation(const std::string& requested, bool workingDirectoryWritable,
                               const std::string& appName, const fw_EnvLookup& env) {
  if (requested.empty() || requested[0] == '/' || workingDirectoryWritable) return requested;
  const std::string state = UserFolder("XDG_STATE_HOME", ".local/state", appName, env);
  return state.empty() ? std::string() : state + "/" + requested;
}

std::string fw_PrepareLogFile(const std::string& requested, const std::string& appName) {
  const std::string location = fw_LogFileLocation(requested, fw_FolderWritable("."), appName, fw_ProcessEnv);
  if (location.empty()) return requested;
  if (location != requested) {
    boost::system::error_code error;
    boost::filesystem::create_directories(boost::filesystem::path(location).parent_path(), error);
  }
  return location;
}

bool fw_FolderWritable(const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }

const fw_WriteFolders& fw_GetWriteFolders() {
  if (!gFoldersChosen) {
    gFolders = fw_ChooseWriteFolders(fw_GetProjectRoot(), true, std::string(), fw_ProcessEnv);
  }
  return gFolders;
}

void fw_SetWriteFolders(const fw_WriteFolders& folders) {
  gFolders = folders;
  gFoldersChosen = true;
}
