// Sync tracks: named, keyframed curves over the row axis, and their binary track files.
// A track holds its keys in row order and is sampled at a fractional row with one of five
// interpolation kinds. Needs nothing but the standard library; used by the sync device, the
// frame tick, cameras, post-processing, the scenes and the track tool.
#pragma once

#include "sync/sync_Namespace.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace sync {

// Rows per second of music, the float whose bits are 0x418AAAAB. Double-precision arithmetic
// widens this float (17.33333396911621); it is not 52/3.
constexpr float kRowRate = 17.333334f;

enum Interpolation : int32_t {
  kStep = 0,
  kLinear = 1,
  kSmooth = 2,
  kRamp = 3,
  kCatmullRom = 4,  // any value above this one is sampled as kStep
};

struct Key {
  float value = 0.0f;
  int32_t interpolation = kStep;  // one byte in the file, widened here
};

class Track {
public:
  Track() = default;
  explicit Track(std::string name) : mName(std::move(name)) {}

  const std::string& name() const { return mName; }
  size_t keyCount() const { return mKeys.size(); }
  bool isEmpty() const { return mKeys.empty(); }
  const std::map<uint32_t, Key>& keys() const { return mKeys; }

  // Puts a key at its row, replacing any key already there.
  void setKey(uint32_t row, const Key& key) { mKeys[row] = key; }
  void clear() { mKeys.clear(); }

  // The curve's value at a fractional row. Pure, allocation-free, O(log keys).
  float getValue(float row) const;

  // What reading a track file met, for the tools that explain a file.
  struct FileReport {
    bool hasCount = false;  // the file holds at least its 4-byte count
    uint32_t count = 0;     // the records the count promises
    size_t records = 0;     // whole records read (never more than the count)
    size_t extraBytes = 0;  // bytes after the records read
  };

  // Fills the track from a track file, keeping keys already present unless a record replaces
  // them. Returns whether the file could be opened; a short file keeps the records read so far.
  bool load(const std::string& path, FileReport* report = nullptr);
  // The same from the bytes of a track file already in memory.
  void read(const unsigned char* data, size_t size, FileReport* report = nullptr);

private:
  std::string mName;
  std::map<uint32_t, Key> mKeys;
};

// The file that holds the track `name` under a device's base path: base + "_" + name + ".track".
std::string trackFileName(const std::string& basePath, const std::string& name);

// Size in bytes of one key record in a track file (row, value, interpolation; no padding).
constexpr size_t kTrackRecordSize = 9;

}  // namespace sync
