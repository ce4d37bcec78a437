// Clocks on the performance counter, and the framework's music and frame clocks.
#include "sync/fw_Clock.h"

#include <memory>

namespace {

LONGLONG currentCount() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

std::unique_ptr<fw_Clock> gMusicClock;
std::unique_ptr<fw_Clock> gFrameClock;
float gPlaybackSpeed = 1.0f;

}  // namespace

fw_Clock::fw_Clock() : mLastCount(currentCount()) {}

void fw_Clock::update(float speed) {
  if (mPaused) {
    mLastCount = currentCount();
    return;
  }
  const LONGLONG now = currentCount();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const LONGLONG delta = now - mLastCount;
  mLastCount = now;
  // Extended precision keeps nanosecond deltas exact against hours of accumulated time.
  mTime = static_cast<double>(static_cast<long double>(mTime) +
                              static_cast<long double>(delta) * speed / static_cast<long double>(frequency.QuadPart));
}

void fw_Clock::restart() {
  mLastCount = currentCount();
  mTime = 0.0;
  mPaused = false;
}

void fw_Clock::stopAt(double seconds) {
  mLastCount = currentCount();
  mTime = seconds;
  mPaused = true;
}

void fw_CreateClocks() {
  gMusicClock = std::make_unique<fw_Clock>();
  gFrameClock = std::make_unique<fw_Clock>();
}

void fw_DestroyClocks() {
  gMusicClock.reset();
  gFrameClock.reset();
}

fw_Clock* fw_GetMusicClock() { return gMusicClock.get(); }
fw_Clock* fw_GetFrameClock() { return gFrameClock.get(); }

void fw_RestartClocks() {
  if (gMusicClock) gMusicClock->restart();
  if (gFrameClock) gFrameClock->restart();
}

void fw_UpdateClocks() {
  if (gMusicClock) gMusicClock->update(gPlaybackSpeed);
  if (gFrameClock) gFrameClock->update(1.0f);
}

void fw_SetPlaybackSpeed(float speed) { gPlaybackSpeed = speed; }

double fw_GetMusicTime() { return gMusicClock ? gMusicClock->getTime() : 0.0; }
