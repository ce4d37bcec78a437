// The readable source form of sync tracks, and its parser and printer.
//
//   # comments run from '#' to the end of the line
//   track cam_Yaw          starts a track; the keys below belong to it
//   0     0      linear    row (unsigned integer), value (float), kind
//   64    90.5   smooth    kinds: step linear smooth ramp catmull (or a number 0-255)
//   128   180              no kind: step
//
// One source may hold many tracks; each becomes one .track file.
#pragma once

#include "sync/sync_Track.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sync {

struct SourceTrack {
  std::string name;
  std::string where;  // "file:line" of its `track` line
  sync::Track track;
  int line = 0;                      // its `track` line, counted from 1
  std::map<uint32_t, int> keyLines;  // each key's row -> the line that gives it
};

// Parses one source text. Problems are appended to errors as "file:line: message"; tracks are
// returned as far as they could be read.
std::vector<SourceTrack> parseSource(const std::string& text, const std::string& fileName, std::vector<std::string>& errors);

// Whether a name is safe as a track name and inside a file name.
bool isValidTrackName(const std::string& name);

// The one rule for a key's value, kept by the parser and by everything else that makes keys (the
// timeline editor's calls): a finite number whose float is 0 or a normal float, so at least
// 1.17549435e-38 in size. A smaller one would be kept as a subnormal float, or as 0 though it is
// not 0, and would not read back as written. number is the value as written (a decimal's double);
// value receives the float the key stores. False, with *why (when given) set, when refused.
bool trackValue(double number, float& value, std::string* why);

// The name of an interpolation kind ("linear"), or its number for unknown kinds.
std::string kindName(int32_t kind);

// The track in source form, values printed so that they read back to the same bits.
std::string formatTrack(const std::string& name, const sync::Track& track);

// The bytes of a track file (count, then packed records) for the keys in row order.
std::string trackFileBytes(const sync::Track& track);

// Writes a track file (count, then packed records) for the keys in row order.
bool writeTrackFile(const std::string& path, const sync::Track& track);

}  // namespace sync
