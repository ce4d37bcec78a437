// High-resolution clocks that count seconds while running, read from the performance counter.
// The framework keeps two: the music clock (the master time of the show, seen by the sync timer)
// and the frame clock, both created by the run loop and advanced once per frame tick.
#pragma once

#include <platform/win32.h>

class fw_Clock {
public:
  // Paused, at 0 seconds.
  fw_Clock();

  // Adds the counter ticks since the last update, scaled by speed; a paused clock only moves its
  // reference point, so resuming continues without a jump.
  void update(float speed);
  // Back to 0 seconds and running.
  void restart();
  // Stops at the given time with a fresh reference point (a seek).
  void stopAt(double seconds);
  void pause() { mPaused = true; }
  void resume() { mPaused = false; }
  bool isPaused() const { return mPaused; }
  double getTime() const { return mTime; }

private:
  double mTime = 0.0;
  LONGLONG mLastCount = 0;
  bool mPaused = true;
};

// ---- The framework's two clocks ------------------------------------------------------------
// Creates both (paused, 0 s), replacing any earlier ones; the run loop calls this first.
void fw_CreateClocks();
// Deletes both; the run loop calls this at exit. The getters then return null.
void fw_DestroyClocks();
fw_Clock* fw_GetMusicClock();
fw_Clock* fw_GetFrameClock();
// Restarts both from 0 s; the run loop calls this just before the first frame.
void fw_RestartClocks();
// Advances the music clock by the playback speed and the frame clock at normal speed; the
// first step of every frame tick.
void fw_UpdateClocks();
// Sets the music clock's speed factor (1.0 unless changed).
void fw_SetPlaybackSpeed(float speed);
// The music clock's seconds (0 without a clock).
double fw_GetMusicTime();
