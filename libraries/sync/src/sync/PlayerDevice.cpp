// Track lookup of the playback device: a linear scan in creation order, a file read on a miss.
#include "sync/PlayerDevice.h"

#include <cstdio>

namespace {

// A file too short for its key count still gives the keys it holds, but it is a damaged file,
// and whoever made it should hear so. A missing file says nothing: the track is simply empty.
std::string DamageOf(const std::string& path, const sync::Track::FileReport& report) {
  char text[512];
  if (!report.hasCount) {
    std::snprintf(text, sizeof(text), "Track file %s holds %zu bytes, too few for its key count: the track is empty.",
                  path.c_str(), report.extraBytes);
    return text;
  }
  if (report.records < report.count) {
    std::snprintf(text, sizeof(text), "Track file %s promises %u keys but holds %zu: the track keeps those.",
                  path.c_str(), report.count, report.records);
    return text;
  }
  return "";
}

}  // namespace

sync::Track& PlayerDevice::getTrack(std::string_view name) {
  for (const auto& track : mTracks) {
    if (track->name() == name) return *track;
  }
  auto track = std::make_unique<sync::Track>(std::string(name));
  const std::string path = sync::trackFileName(basePath(), track->name());
  sync::Track::FileReport report;
  if (track->load(path, &report) && mWarn) {  // a missing file leaves it empty
    const std::string damage = DamageOf(path, report);
    if (!damage.empty()) mWarn(damage);
  }
  mTracks.push_back(std::move(track));
  return *mTracks.back();
}
