// Track lookup of the playback device: a linear scan in creation order, a file read on a miss.
#include "sync/PlayerDevice.h"

#include "diag/fw_Log.h"

#include <cstdint>
#include <cstdio>

namespace {

// A file too short for its key count still gives the keys it holds, but it is a damaged file,
// and whoever made it should hear so. A missing file says nothing: the track is simply empty.
void WarnIfShort(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return;
  unsigned char header[4];
  const size_t headerBytes = std::fread(header, 1, sizeof(header), file);
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  std::fclose(file);
  if (size < 0) return;
  if (headerBytes < sizeof(header)) {
    fw_Log(fw_LogWarning, "Track file %s holds %ld bytes, too few for its key count: the track is empty.",
           path.c_str(), size);
    return;
  }
  const uint32_t count = uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 |
                         uint32_t(header[3]) << 24;
  const uint64_t held = (uint64_t(size) - 4) / sync::kTrackRecordSize;
  if (held < count)
    fw_Log(fw_LogWarning, "Track file %s promises %u keys but holds %llu: the track keeps those.", path.c_str(),
           count, static_cast<unsigned long long>(held));
}

}  // namespace

sync::Track& PlayerDevice::getTrack(std::string_view name) {
  for (const auto& track : mTracks) {
    if (track->name() == name) return *track;
  }
  auto track = std::make_unique<sync::Track>(std::string(name));
  const std::string path = sync::trackFileName(basePath(), track->name());
  if (track->load(path)) WarnIfShort(path);  // a missing file leaves it empty
  mTracks.push_back(std::move(track));
  return *mTracks.back();
}
