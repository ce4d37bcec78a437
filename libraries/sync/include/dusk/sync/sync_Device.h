// The sync device and sync timer interfaces. The device is the one place that hands out sync
// tracks by name and is told each frame which row the music has reached; the timer supplies
// that row and is moved by seeks. PlayerDevice and fw_SyncTimer are the implementations.
#pragma once

#include "sync/sync_Namespace.h"
#include "sync/sync_Track.h"

#include <string>
#include <string_view>

namespace sync {

class Device {
public:
  explicit Device(std::string basePath) : mBasePath(std::move(basePath)) {}
  virtual ~Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // The track with this exact (case-sensitive) name; the reference lives as long as the device.
  virtual Track& getTrack(std::string_view name) = 0;
  // Called every frame with the timer's row before any track is sampled, and by seeks.
  virtual bool update(float row) = 0;
  virtual void onPauseToggled() {}
  // A row an editor asks the show to jump to, or -1 when none is asked for.
  virtual float requestedRow(int) { return -1.0f; }
  virtual void onRowEvent(int, float) {}

  // Prefix of every track file name ("data/sync/sync" in the framework).
  const std::string& basePath() const { return mBasePath; }

private:
  std::string mBasePath;
};

class Timer {
public:
  virtual ~Timer() = default;
  virtual void pause() = 0;
  virtual void play() = 0;
  virtual float getRow() = 0;
  virtual void setRow(float row) = 0;
  virtual bool isPlaying() = 0;
};

}  // namespace sync
