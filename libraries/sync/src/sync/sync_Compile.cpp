// Compiling sources together, and the folder's sources.
#include "sync/sync_Compile.h"

#include "sync/sync_Text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace sync {

bool isSourceName(const std::string& name) {
  if (name.empty() || name.size() > 200 || name[0] == '.' || !isUtf8(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '/';
  });
}

std::vector<std::string> listSources(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    std::error_code ignored;
    if (path.extension() != ".txt" || !fs::is_regular_file(path, ignored)) continue;
    const std::string name = path.stem().string();
    if (isSourceName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<SourceText> readSources(const std::string& folder, const std::string& shownAs,
                                    std::vector<std::string>& errors) {
  std::vector<SourceText> sources;
  for (const std::string& name : listSources(folder)) {
    const std::string shown = shownAs + "/" + name + ".txt";
    std::ifstream file(folder + "/" + name + ".txt", std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    if (!file || file.bad()) {
      errors.push_back(shown + ": cannot be read");
      continue;
    }
    sources.push_back(SourceText{shown, text.str()});
  }
  return sources;
}

std::vector<SourceTrack> compileSources(const std::vector<SourceText>& sources, std::vector<std::string>& errors) {
  std::vector<SourceTrack> tracks;
  std::map<std::string, std::string> seen;  // track -> where it is defined
  for (const SourceText& source : sources) {
    for (SourceTrack& track : parseSource(source.text, source.fileName, errors)) {
      if (auto it = seen.find(track.name); it != seen.end()) {
        errors.push_back(track.where + ": track " + track.name + " is already defined at " + it->second);
        continue;
      }
      seen[track.name] = track.where;
      tracks.push_back(std::move(track));
    }
  }
  return tracks;
}

}  // namespace sync
