// Parsing and printing of track sources, and writing of track files.
#include "sync/sync_TrackSource.h"

#include <cerrno>
#include <cfloat>
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

// A value as written, with the reason it is refused in *why ("" when the word is no number).
bool parseValue(const std::string& word, float& value, std::string* why) {
  why->clear();
  char* end = nullptr;
  errno = 0;
  double number = std::strtod(word.c_str(), &end);
  if (word.empty() || *end) return false;
  // A decimal out of the double's range still gets the rule's own reason.
  if (errno == ERANGE) number = std::fabs(number) < 1.0 ? std::copysign(DBL_TRUE_MIN, number) : HUGE_VAL;
  if (!trackValue(number, value, why)) return false;
  // The float nearest the decimal itself, not the float nearest its double.
  value = std::strtof(word.c_str(), nullptr);
  return true;
}

void putU32(std::string& bytes, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(static_cast<unsigned char>(v >> shift));
}

}  // namespace

bool trackValue(double number, float& value, std::string* why) {
  const auto refuse = [&](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  if (!std::isfinite(number)) return refuse("not a finite number");
  // From half a step above the largest float on, a double rounds to no float (converting it would
  // be undefined); below that it rounds to the largest, as "3.4028235e38" must.
  if (std::fabs(number) >= 0x1.ffffffp127) return refuse("too large: a value is at most 3.40282347e+38 in size");
  value = static_cast<float>(number);
  if (number != 0.0 && !std::isnormal(value))
    return refuse("too close to 0: a value is 0 or at least 1.17549435e-38 in size");
  return true;
}

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
    if (std::string why; !parseValue(fields[1], value, &why)) {
      error("bad value '" + fields[1] + "' (" + (why.empty() ? "a finite number" : why) + ")");
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

std::string trackFileBytes(const sync::Track& track) {
  std::string bytes;
  bytes.reserve(4 + 9 * track.keyCount());
  putU32(bytes, static_cast<uint32_t>(track.keyCount()));
  for (const auto& [row, key] : track.keys()) {
    uint32_t bits;
    std::memcpy(&bits, &key.value, 4);
    putU32(bytes, row);
    putU32(bytes, bits);
    bytes += static_cast<char>(static_cast<unsigned char>(key.interpolation));
  }
  return bytes;
}

bool writeTrackFile(const std::string& path, const sync::Track& track) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const std::string bytes = trackFileBytes(track);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && !std::ferror(f);
  return std::fclose(f) == 0 && ok;
}

}  // namespace sync
