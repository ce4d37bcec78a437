// The framework's sync system and its seek.
#include "sync/fw_Sync.h"

#include "diag/fw_Log.h"

#include <memory>

namespace {

// The device refers to the timer, so it is always destroyed first.
std::unique_ptr<fw_SyncTimer> gTimer;
std::unique_ptr<sync::Device> gDevice;
LiveDevice* gLiveDevice = nullptr;  // gDevice when it is the live one

}  // namespace

void fw_StartSync(const char* basePath, bool live) {
  gLiveDevice = nullptr;
  gDevice.reset();
  gTimer = std::make_unique<fw_SyncTimer>();
  auto warn = [](const std::string& message) { fw_Log(fw_LogWarning, "%s", message.c_str()); };
  if (live) {
    auto device = std::make_unique<LiveDevice>(basePath ? basePath : kFwSyncBasePath, *gTimer);
    device->setWarningSink(warn);
    device->setNoticeSink([](const std::string& message) { fw_Log(fw_LogPlain, "%s", message.c_str()); });
    gLiveDevice = device.get();
    gDevice = std::move(device);
  } else {
    auto device = std::make_unique<PlayerDevice>(basePath ? basePath : kFwSyncBasePath, *gTimer);
    device->setWarningSink(warn);
    gDevice = std::move(device);
  }
}

void fw_StopSync() {
  gLiveDevice = nullptr;
  gDevice.reset();
  gTimer.reset();
}

sync::Device* fw_GetSyncDevice() { return gDevice.get(); }
LiveDevice* fw_GetLiveSyncDevice() { return gLiveDevice; }
fw_SyncTimer* fw_GetSyncTimer() { return gTimer.get(); }

float fw_GetSyncRow() { return gTimer ? gTimer->getRow() : 0.0f; }

float fw_RowFromSeconds(double seconds) { return static_cast<float>(seconds * static_cast<double>(sync::kRowRate)); }

float fw_SyncValueAt(std::string_view name, float defaultValue, float row) {
  if (!gDevice) return defaultValue;
  const sync::Track& track = gDevice->getTrack(name);
  return track.isEmpty() ? defaultValue : track.getValue(row);
}

float fw_SyncValue(std::string_view name, float defaultValue) {
  if (!gDevice) return defaultValue;
  const sync::Track& track = gDevice->getTrack(name);
  return track.isEmpty() ? defaultValue : track.getValue(fw_GetSyncRow());
}

void fw_SeekTimerAndDevice(sync::Timer& timer, sync::Device* device, float row, bool force) {
  const bool wasPaused = !timer.isPlaying();
  if (!wasPaused && !force) return;
  if (!(row >= 0.0f)) row = 0.0f;  // NaN too: a broken track value must not poison the clock
  timer.setRow(row);
  // A paused timer plays for the device's update, as an editor connection would expect.
  if (wasPaused) timer.play();
  if (device) device->update(row);
  if (wasPaused) timer.pause();
  timer.setRow(row);
  if (!wasPaused) timer.play();
}

void fw_SeekToRow(float row, bool force) {
  if (gTimer) fw_SeekTimerAndDevice(*gTimer, gDevice.get(), row, force);
}
