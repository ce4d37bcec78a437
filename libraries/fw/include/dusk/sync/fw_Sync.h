// The framework's sync system: its one sync device ("data/sync/sync" tracks, played back from
// files) and its one timer, the seek to row that moves timer, device and music together, and
// the convention every caller uses to read a track's value.
#pragma once

#include "sync/LiveDevice.h"
#include "sync/PlayerDevice.h"
#include "sync/fw_SyncTimer.h"

#include <string_view>

// The base path of the framework's track files, relative to the working directory.
inline constexpr const char* kFwSyncBasePath = "data/sync/sync";

// Creates a new timer (destroying any earlier one and its device) and the PlayerDevice on it, or
// in live mode the LiveDevice. The first step of the framework's initialisation.
void fw_StartSync(const char* basePath = kFwSyncBasePath, bool live = false);
// Destroys the device and the timer; at exit.
void fw_StopSync();
sync::Device* fw_GetSyncDevice();
// The device when it is the live one, else null.
LiveDevice* fw_GetLiveSyncDevice();
fw_SyncTimer* fw_GetSyncTimer();

// The timer's current row, 0 before the sync system exists.
float fw_GetSyncRow();
// The row for a time on the music clock: seconds × 17.333334 in double, rounded to float.
float fw_RowFromSeconds(double seconds);

// A track's value at the timer's current row, or defaultValue when the track has no keys
// (or there is no sync system yet).
float fw_SyncValue(std::string_view name, float defaultValue);
// The same at an explicit row.
float fw_SyncValueAt(std::string_view name, float defaultValue, float row);

// Seek to row: while playing, only a forced seek moves. A negative row goes to 0. The device is
// updated at the target row and the timer returns to the state it was found in.
void fw_SeekToRow(float row, bool force);
// The same steps on a given timer and device (the framework's seek passes its own).
void fw_SeekTimerAndDevice(sync::Timer& timer, sync::Device* device, float row, bool force);
