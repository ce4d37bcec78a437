// Project root search and the data-path rule.
#include "res/fw_Paths.h"

#include <boost/filesystem.hpp>

namespace {
std::string gFrameworkRoot;
std::string gProjectRoot;

std::string Join(const std::string& dir, const char* name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}
}  // namespace

bool fw_PathExists(const std::string& path) {
  boost::system::error_code error;
  boost::filesystem::file_status status = boost::filesystem::status(path, error);
  if (error) return false;
  return boost::filesystem::exists(status);
}

fw_RootSearchResult fw_SearchRoots(const std::string& workingDirectory, const std::string& appName,
                                   const std::function<bool(const std::string&)>& exists) {
  fw_RootSearchResult result;
  std::string dir = workingDirectory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) {
    result.message = "the working directory is unknown";
    return result;
  }

  const bool development = exists(Join(dir, (appName + ".scons").c_str()));
  if (!development && exists(Join(dir, "src")) && exists(Join(dir, "data"))) {
    result.found = true;
    result.standalone = true;
    result.frameworkRoot = result.projectRoot = dir;
    return result;
  }

  // Walk up to the directory that marks the tree's top. The root directory is the last one
  // asked: above it there is nothing left to cut, so the search ends there instead of looping.
  std::string top = dir;
  for (;;) {
    if (exists(Join(top, ".top"))) break;
    const std::string::size_type slash = top.find_last_of('/');
    if (top == "/" || slash == std::string::npos) {
      result.message = "no directory from <" + dir + "> up to the file system's root holds \".top\"";
      return result;
    }
    top = slash == 0 ? std::string("/") : top.substr(0, slash);
  }
  result.found = true;
  const std::string base = top == "/" ? std::string() : top;
  result.frameworkRoot = base + "/libraries/fw";
  result.projectRoot = base + "/projects/" + appName;
  return result;
}

const std::string& fw_GetFrameworkRoot() { return gFrameworkRoot; }
const std::string& fw_GetProjectRoot() { return gProjectRoot; }

void fw_SetRoots(const std::string& frameworkRoot, const std::string& projectRoot) {
  gFrameworkRoot = frameworkRoot;
  gProjectRoot = projectRoot;
}

std::string fw_DataPath(const std::string& projectRoot, const std::string& name) {
  if (name.size() > 1 && name[1] == ':') return name;
  if (!name.empty() && name[0] == '/') return name;
  if (name.compare(0, 7, "./data/") == 0) return projectRoot + name.substr(1);
  return projectRoot + "/data/" + name;
}

std::string fw_DataPath(const std::string& name) { return fw_DataPath(gProjectRoot, name); }
