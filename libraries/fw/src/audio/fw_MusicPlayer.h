// The music player: the soundtrack file held in memory and played through the audio library
// ("bass.dll", bound by name on first use), with play from a time, pause and seek for the sync
// timer. The framework holds at most one; it exists only when sound is on.
#pragma once

#include <platform/bass.h>

#include <cstddef>
#include <memory>
#include <string>

class fw_MusicPlayer {
public:
  // Brings up the audio library (the default device, else the no-sound device), reads the whole
  // file and opens a playback stream and a decoding stream on it. A missing or unreadable file
  // leaves both streams 0: every later call then does nothing and the show runs silently.
  // Ends the process (exit code 20) when the audio library cannot be loaded.
  explicit fw_MusicPlayer(const std::string& path, HWND window = nullptr);
  // Stops and frees the streams, shuts the library down and unloads it.
  ~fw_MusicPlayer();
  fw_MusicPlayer(const fw_MusicPlayer&) = delete;
  fw_MusicPlayer& operator=(const fw_MusicPlayer&) = delete;

  // From 0 the soundtrack restarts from its beginning; from any other time it seeks there and
  // continues without a restart.
  void play(float seconds);
  void pause();
  void seek(float seconds);

  HSTREAM playbackStream() const { return mPlaybackStream; }
  HSTREAM decodeStream() const { return mDecodeStream; }
  size_t fileSize() const { return mFileSize; }
  const BASS_INFO& deviceInfo() const { return mDeviceInfo; }

private:
  std::unique_ptr<unsigned char[]> mFileData;  // the streams play from this block
  size_t mFileSize = 0;
  HSTREAM mPlaybackStream = 0;
  HSTREAM mDecodeStream = 0;
  BASS_INFO mDeviceInfo{};
};

// ---- The framework's one music player ------------------------------------------------------
// Destroys any installed player first (the library holds one state), then creates the player
// for the file and installs it. A player still installed at exit is destroyed with the
// program's static data.
fw_MusicPlayer* fw_CreateMusicPlayer(const std::string& path, HWND window = nullptr);
// The installed player, or null when there is none (sound off, no music path).
fw_MusicPlayer* fw_GetMusicPlayer();
// Takes the installed player out; the run loop destroys it at its end.
std::unique_ptr<fw_MusicPlayer> fw_TakeMusicPlayer();
