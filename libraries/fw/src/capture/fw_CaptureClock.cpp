// Frame numbers, counter ticks and rows of capture mode's virtual clock.
#include "capture/fw_CaptureClock.h"

#include "sync/fw_SyncTimer.h"
#include "sync/sync_Track.h"

#include <cmath>

int64_t fw_CaptureCounterTicks(int64_t frame, int32_t fps) {
  if (fps <= 0) fps = 60;
  // 128-bit product: frame numbers of any length stay exact.
  return static_cast<int64_t>(static_cast<__int128>(frame) * 1000000000 / fps);
}

float fw_CaptureRowOfFrame(int64_t frame, int32_t fps) {
  // As the sync timer makes it from the music clock's seconds.
  return fw_RowAtMusicTime(static_cast<float>(static_cast<double>(fw_CaptureCounterTicks(frame, fps)) * 1e-9));
}

int64_t fw_CaptureFirstFrameAtRow(float row, int32_t fps) {
  if (!(row > 0.0f)) return 0;
  if (fps <= 0) fps = 60;
  // The estimate is within a frame of the answer; the rows themselves decide.
  int64_t frame = static_cast<int64_t>(std::floor(static_cast<double>(row) / static_cast<double>(sync::kRowRate) * fps));
  if (frame < 0) frame = 0;
  while (frame > 0 && fw_CaptureRowOfFrame(frame - 1, fps) >= row) --frame;
  while (fw_CaptureRowOfFrame(frame, fps) < row) ++frame;
  return frame;
}
