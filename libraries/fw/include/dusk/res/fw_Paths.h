// Where the framework and the project live on disk, and how data file names become paths.
// The roots are found once at start from the working directory and the app name; every
// resource path (images, effects, data files) is built from them.
#pragma once

#include <functional>
#include <string>

struct fw_RootSearchResult {
  bool found = false;
  bool standalone = false;      // src and data beside the working directory, no "<app>.scons"
  std::string frameworkRoot;    // holds src/shaders with the framework's own effects
  std::string projectRoot;      // holds data/ and the project's src/shaders
  std::string message;          // why the search failed; empty on success
};

// Existence as the file system status reports it; an error while asking counts as absent.
bool fw_PathExists(const std::string& path);

// The root search on a given working directory. Pure apart from `exists`, so trees can be faked.
fw_RootSearchResult fw_SearchRoots(const std::string& workingDirectory, const std::string& appName,
                                   const std::function<bool(const std::string&)>& exists = fw_PathExists);

// Runs the search on the process's working directory and keeps the roots. On failure it logs
// an error, shows an alert naming the directory and returns false; the roots stay unchanged.
bool fw_FindRoots(const std::string& appName);

// The roots in force (set by fw_FindRoots or fw_SetRoots).
const std::string& fw_GetFrameworkRoot();
const std::string& fw_GetProjectRoot();
void fw_SetRoots(const std::string& frameworkRoot, const std::string& projectRoot);

// Data-path rule: a full path ("C:..." or "/...") stays as it is; "./data/x" and "x" both
// become <project root>/data/x.
std::string fw_DataPath(const std::string& name);
std::string fw_DataPath(const std::string& projectRoot, const std::string& name);
