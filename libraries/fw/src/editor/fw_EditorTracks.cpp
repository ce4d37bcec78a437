// Listing, reading and describing the track sources.
#include "editor/fw_EditorTracks.h"

#include "editor/fw_TrackWriteBack.h"
#include "sync/sync_Compile.h"
#include "sync/sync_TrackSource.h"

#include <boost/filesystem.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

bool fw_IsEditorSourceName(const std::string& name) { return sync::isSourceName(name); }

std::vector<std::string> fw_ListEditorSources(const std::string& tracksDir) { return sync::listSources(tracksDir); }

bool fw_ReadEditorSource(const std::string& tracksDir, const std::string& name, std::string* text) {
  if (!fw_IsEditorSourceName(name)) return false;
  const std::string path = tracksDir + "/" + name + ".txt";
  boost::system::error_code error;
  if (!boost::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) return false;
  *text = bytes.str();
  return true;
}

std::string fw_EditorVersion(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char text[48];
  std::snprintf(text, sizeof(text), "%016llx-%zu", static_cast<unsigned long long>(hash), bytes.size());
  return text;
}

double fw_EditorJsonNumber(float value) { return std::strtod(fw_ShortestFloat(value).c_str(), nullptr); }

nlohmann::json fw_EditorFileJson(const std::string& name, const std::string& text) {
  std::vector<std::string> errors;
  const std::vector<sync::SourceTrack> parsed = sync::parseSource(text, name + ".txt", errors);
  nlohmann::json file{{"name", name}, {"version", fw_EditorVersion(text)}, {"error", nullptr},
                      {"tracks", nlohmann::json::array()}};
  if (!errors.empty()) {
    file["error"] = errors.front();
    return file;
  }
  for (const sync::SourceTrack& source : parsed) {
    nlohmann::json keys = nlohmann::json::array();
    for (const auto& [row, key] : source.track.keys())
      keys.push_back({{"row", row}, {"value", fw_EditorJsonNumber(key.value)}, {"kind", sync::kindName(key.interpolation)}});
    file["tracks"].push_back({{"name", source.name}, {"keys", std::move(keys)}});
  }
  return file;
}
