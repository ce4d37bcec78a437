// Capture mode's virtual clock: frame k of the show is at exactly k / fps seconds, so every
// picture depends on its frame number alone and spans rendered apart join.
#pragma once

#include <cstdint>

// The tick's first three calls draw nothing; they run at the show's time 0, and frame 0 of the
// show is the fourth tick.
inline constexpr int64_t fw_kCaptureWarmUpTicks = 3;

// The show's frame a presented tick (warm-up included) draws.
inline int64_t fw_CaptureFrameOfTick(int64_t tick) {
  return tick < fw_kCaptureWarmUpTicks ? 0 : tick - fw_kCaptureWarmUpTicks;
}

// The row frame n of the show is drawn at, and the first frame at or after a row (0 for rows
// at or below 0): spans are made of whole frames, so captures of neighbouring spans join.
float fw_CaptureRowOfFrame(int64_t frame, int32_t fps);
int64_t fw_CaptureFirstFrameAtRow(float row, int32_t fps);
// Performance counter ticks (10^9 per second) for a frame number at a rate: floor(n · 10^9 / fps),
// so n frames are n/fps seconds to the nanosecond, without drift.
int64_t fw_CaptureCounterTicks(int64_t frame, int32_t fps);
