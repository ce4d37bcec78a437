// Music-driven sync timer.
#include "sync/fw_SyncTimer.h"

#include "audio/fw_MusicPlayer.h"
#include "sync/fw_Clock.h"

#include <cfloat>
#include <cmath>

namespace {

// The row rate widened from float (17.33333396911621), never 52/3.
constexpr double kRowRateWide = static_cast<double>(sync::kRowRate);

// The next float towards +infinity; from zero the step goes straight to the smallest normal
// float, so the nudged time never becomes a denormal.
float nextUp(float value) {
  if (value == 0.0f) return FLT_MIN;
  return std::nextafter(value, INFINITY);
}

}  // namespace

float fw_RowToSeconds(float row) {
  float seconds = static_cast<float>(static_cast<double>(row) / kRowRateWide);
  if (row == std::floor(row)) {
    // The product is rounded to float before flooring, as getRow rounds it, so a seek never
    // lands one row early. A handful of steps always suffices; the bound only guards the loop.
    auto back = [&] { return std::floor(static_cast<float>(static_cast<double>(seconds) * kRowRateWide)); };
    for (int step = 0; step < 1024 && back() < row; ++step) seconds = nextUp(seconds);
  }
  return seconds;
}

void fw_SyncTimer::pause() {
  if (fw_Clock* clock = fw_GetMusicClock()) clock->pause();
  if (fw_MusicPlayer* player = fw_GetMusicPlayer()) player->pause();
}

void fw_SyncTimer::play() {
  fw_Clock* clock = fw_GetMusicClock();
  if (clock) clock->resume();
  if (fw_MusicPlayer* player = fw_GetMusicPlayer()) player->play(clock ? static_cast<float>(clock->getTime()) : 0.0f);
}

float fw_RowAtMusicTime(float seconds) {
  return static_cast<float>(static_cast<long double>(seconds) * static_cast<long double>(sync::kRowRate));
}

float fw_SyncTimer::getRow() { return fw_RowAtMusicTime(getTime()); }

void fw_SyncTimer::setRow(float row) {
  const float seconds = fw_RowToSeconds(row);
  if (fw_Clock* clock = fw_GetMusicClock()) clock->stopAt(seconds);
  if (fw_MusicPlayer* player = fw_GetMusicPlayer()) player->seek(seconds);
}

bool fw_SyncTimer::isPlaying() {
  fw_Clock* clock = fw_GetMusicClock();
  return clock && !clock->isPaused();
}

float fw_SyncTimer::getTime() { return static_cast<float>(fw_GetMusicTime()); }
