// The framework's sync timer: presents the music clock as a fractional row at 17.333334 rows
// per second and keeps the music player (when one is installed) in step on pause, play and
// seeks. Holds no state of its own; works on fw_GetMusicClock() and fw_GetMusicPlayer().
#pragma once

#include "sync/sync_Device.h"

class fw_SyncTimer : public sync::Timer {
public:
  ~fw_SyncTimer() override = default;
  void pause() override;
  // Runs the clock and starts the music from the clock's time.
  void play() override;
  float getRow() override;
  // Moves the clock (left paused) and the music to the row. For a whole row the stored time is
  // nudged up until it converts back to at least that row.
  void setRow(float row) override;
  bool isPlaying() override;
  // The music clock's seconds as float.
  virtual float getTime();
};

// The row the timer gives at a music time: the float seconds times the row rate, rounded to float.
float fw_RowAtMusicTime(float seconds);
// The seconds that setRow stores for a row, whole-row correction included.
float fw_RowToSeconds(float row);
