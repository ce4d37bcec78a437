// Track lookup of the playback device: a linear scan in creation order, a file read on a miss.
#include "sync/PlayerDevice.h"

sync::Track& PlayerDevice::getTrack(std::string_view name) {
  for (const auto& track : mTracks) {
    if (track->name() == name) return *track;
  }
  auto track = std::make_unique<sync::Track>(std::string(name));
  track->load(sync::trackFileName(basePath(), track->name()));  // a missing file leaves it empty
  mTracks.push_back(std::move(track));
  return *mTracks.back();
}
