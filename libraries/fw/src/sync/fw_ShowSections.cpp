// The section map beside the soundtrack.
#include "sync/fw_ShowSections.h"

#include "diag/fw_Log.h"
#include "res/fw_Paths.h"

#include <boost/filesystem.hpp>

std::string fw_ShowSectionsPath(const std::string& musicPath) {
  if (musicPath.empty()) return {};
  const boost::filesystem::path sections = boost::filesystem::path(musicPath).replace_extension(".sections");
  return sections.is_absolute() ? sections.string() : fw_GetProjectRoot() + "/" + sections.string();
}

std::vector<sync::Section> fw_ReadSectionMap(const std::string& path) {
  boost::system::error_code ignored;
  if (path.empty() || !boost::filesystem::exists(path, ignored)) return {};
  std::vector<std::string> errors;
  std::vector<sync::Section> sections = sync::loadSections(path, errors);
  for (const std::string& error : errors) fw_Log(fw_LogWarning, "%s.", error.c_str());
  return sections;
}
