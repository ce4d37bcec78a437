// The playback sync device: tracks are created on first request and filled once from their
// track files (base path + "_" + name + ".track"); they never change afterwards. Needs a
// sync::Timer that outlives it; offers the sync::Device interface.
#pragma once

#include "sync/sync_Device.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class PlayerDevice : public sync::Device {
public:
  PlayerDevice(std::string basePath, sync::Timer& timer) : sync::Device(std::move(basePath)), mTimer(timer) {}
  ~PlayerDevice() override = default;

  // Looks the name up among the tracks made so far; the first request loads its file. A missing
  // file is not retried: its track stays empty for the device's life.
  sync::Track& getTrack(std::string_view name) override;
  // Playback has nothing to do per row.
  bool update(float row) override { return true; }

  // Receives a message for each track file that is damaged (shorter than its key count); the
  // framework sends them to its log.
  void setWarningSink(std::function<void(const std::string&)> warn) { mWarn = std::move(warn); }

  sync::Timer& timer() { return mTimer; }
  size_t trackCount() const { return mTracks.size(); }

private:
  std::vector<std::unique_ptr<sync::Track>> mTracks;  // in order of first request
  sync::Timer& mTimer;
  std::function<void(const std::string&)> mWarn;
};
