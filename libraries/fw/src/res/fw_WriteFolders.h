// Where a run writes its own files. A production folder the user can write (the development tree,
// an unpacked archive) keeps them in its data/ folder; a read-only one (an installed release)
// sends them to the user's XDG folders, so an installed show never needs to write where it lives.
#pragma once

#include <functional>
#include <string>

// Looks up an environment variable; null when it is not set.
using fw_EnvLookup = std::function<const char*(const char*)>;
const char* fw_ProcessEnv(const char* name);

struct fw_WriteFolders {
  std::string temp;         // data/temp, or $XDG_CACHE_HOME/<app>/temp
  std::string screenshots;  // data/screenshots, or $XDG_DATA_HOME/<app>/screenshots
  bool userFolders = false; // true when the project folder was read-only
};

// An XDG base folder: the variable's value when it is an absolute path (the base directory rules
// ignore relative ones), else $HOME/<fallback>; "" when neither gives a folder.
std::string fw_XdgFolder(const char* variable, const char* homeFallback, const fw_EnvLookup& env);

// The folders for a project root. With no user folder to go to (no HOME, no XDG variables) a
// read-only project gets "" for each: nothing is written then.
fw_WriteFolders fw_ChooseWriteFolders(const std::string& projectRoot, bool projectWritable, const std::string& appName,
                                      const fw_EnvLookup& env);

// The log file for a --log name: as given, unless it is relative and the working directory is
// read-only; then it goes under $XDG_STATE_HOME/<app>/ (or "" when there is no such folder).
std::string fw_LogFileLocation(const std::string& requested, bool workingDirectoryWritable,
                               const std::string& appName, const fw_EnvLookup& env);

// fw_LogFileLocation for this process's working directory, with the user folder made when the
// log goes there. With no user folder the name stays as given, so opening it reports the failure.
std::string fw_PrepareLogFile(const std::string& requested, const std::string& appName);

// True when this process may create files in the folder.
bool fw_FolderWritable(const std::string& folder);

// The folders in force for this run (chosen when the framework starts; data/ under the project
// root until then) and whether the project folder takes writes.
const fw_WriteFolders& fw_GetWriteFolders();
void fw_SetWriteFolders(const fw_WriteFolders& folders);
