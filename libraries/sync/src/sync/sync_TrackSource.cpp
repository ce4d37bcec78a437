// Parsing and printing of track sources, and writing of track files.
#include "sync/sync_TrackSource.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

namespace sync {

namespace {

const char* const kKindNames[] = {"step", "linear", "smooth", "ramp", "catmull"};

bool parseKind(const std::string& word, int32_t& kind) {
  for (int32_t i = 0; i < 5; ++i) {
    if (word == kKindNames[i]) {
      kind = i;
      return true;
    }
  }
  if (word == "catmull-rom" || word == "spline") {
    kind = sync::kCatmullRom;
    return true;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long n = std::strtoul(word.c_str(), &end, 10);
  if (word.empty() || word[0] == '-' || *end || errno || n > 255) return false;
  kind = static_cast<int32_t>(n);
  return true;
}

bool parseRow(const std::string& word, uint32_t& row) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(word.c_str(), &end, 10);
  if (word.empty() || word[0] == '-' || word[0] == '+' || *end || errno || n > 0xFFFFFFFFull) return false;
  row = static_cast<uint32_t>(n);
  return true;
}

bool parseValue(const std::string& word, float& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtof(word.c_str(), &end);
  return !word.empty() && !*end && errno == 0 && std::isfinite(value);
}

void putU32(FILE* f, uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  std::fwrite(b, 1, 4, f);
}

}  // namespace

bool isValidTrackName(const std::string& name) {
  if (name.empty() || name.size() > 200) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    if (!ok) return false;
  }
  return name != "." && name != "..";
}

std::vector<SourceTrack> parseSource(const std::string& text, const std::string& fileName, std::vector<std::string>& errors) {
  std::vector<SourceTrack> tracks;
  std::map<uint32_t, int> rowLines;  // rows of the current track and where they were given
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  auto error = [&](const std::string& message) { errors.push_back(fileName + ":" + std::to_string(lineNumber) + ": " + message); };

  while (std::getline(in, line)) {
    ++lineNumber;
    if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string w; words >> w;) fields.push_back(w);
    if (fields.empty()) continue;

    if (fields[0] == "track") {
      if (fields.size() != 2) {
        error("expected `track NAME`");
        continue;
      }
      if (!isValidTrackName(fields[1])) {
        error("bad track name '" + fields[1] + "' (letters, digits, '_', '-' and '.' only)");
        continue;
      }
      tracks.push_back(SourceTrack{fields[1], fileName + ":" + std::to_string(lineNumber), sync::Track(fields[1]), lineNumber, {}});
      rowLines.clear();
      continue;
    }
    if (tracks.empty()) {
      error("a key before any `track NAME` line");
      continue;
    }
    if (fields.size() < 2 || fields.size() > 3) {
      error("expected `ROW VALUE [KIND]`");
      continue;
    }
    uint32_t row = 0;
    float value = 0.0f;
    int32_t kind = sync::kStep;
    if (!parseRow(fields[0], row)) {
      error("bad row '" + fields[0] + "' (a whole number from 0 to 4294967295)");
      continue;
    }
    if (!parseValue(fields[1], value)) {
      error("bad value '" + fields[1] + "' (a finite number)");
      continue;
    }
    if (fields.size() == 3 && !parseKind(fields[2], kind)) {
      error("bad kind '" + fields[2] + "' (step, linear, smooth, ramp, catmull or 0-255)");
      continue;
    }
    if (auto seen = rowLines.find(row); seen != rowLines.end()) {
      error("row " + fields[0] + " already has a key in track " + tracks.back().name + " (line " + std::to_string(seen->second) + ")");
      continue;
    }
    rowLines[row] = lineNumber;
    tracks.back().keyLines[row] = lineNumber;
    tracks.back().track.setKey(row, sync::Key{value, kind});
  }
  return tracks;
}

std::string kindName(int32_t kind) {
  if (kind >= 0 && kind < 5) return kKindNames[kind];
  return std::to_string(kind);
}

std::string formatTrack(const std::string& name, const sync::Track& track) {
  std::string out = "track " + name + "\n";
  char line[128];
  for (const auto& [row, key] : track.keys()) {
    std::snprintf(line, sizeof(line), "%-10u %-16.9g %s\n", row, static_cast<double>(key.value), kindName(key.interpolation).c_str());
    out += line;
  }
  return out;
}

bool writeTrackFile(const std::string& path, const sync::Track& track) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  putU32(f, static_cast<uint32_t>(track.keyCount()));
  for (const auto& [row, key] : track.keys()) {
    uint32_t bits;
    std::memcpy(&bits, &key.value, 4);
    putU32(f, row);
    putU32(f, bits);
    const unsigned char kind = static_cast<unsigned char>(key.interpolation);
    std::fwrite(&kind, 1, 1, f);
  }
  const bool ok = !std::ferror(f);
  return std::fclose(f) == 0 && ok;
}

}  // namespace sync
