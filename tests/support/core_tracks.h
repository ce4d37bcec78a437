// Test support: writes sync track files in the player's format (count, then packed records of
// row, value and interpolation), so tests can shape a show row by row.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace core_test {

struct TrackKey {
  uint32_t row;
  float value;
  uint8_t interpolation;  // 0 step, 1 linear, 2 smooth, 3 ramp, 4 Catmull-Rom
};

// Writes <base>_<name>.track; returns false when the file cannot be written.
inline bool WriteTrack(const std::string& base, const std::string& name, const std::vector<TrackKey>& keys) {
  FILE* file = std::fopen((base + "_" + name + ".track").c_str(), "wb");
  if (!file) return false;
  const uint32_t count = static_cast<uint32_t>(keys.size());
  bool ok = std::fwrite(&count, 4, 1, file) == 1;
  for (const TrackKey& key : keys) {
    ok = ok && std::fwrite(&key.row, 4, 1, file) == 1 && std::fwrite(&key.value, 4, 1, file) == 1 &&
         std::fwrite(&key.interpolation, 1, 1, file) == 1;
  }
  return std::fclose(file) == 0 && ok;
}

}  // namespace core_test
