// Music player on the by-name audio binding.
#include "audio/fw_MusicPlayer.h"

#include "audio/fw_BassBinding.h"
#include "audio/fw_ModuleCache.h"
#include "diag/fw_Log.h"

#include <cstdio>

namespace {

std::unique_ptr<fw_MusicPlayer> gMusicPlayer;

// The size of the file, 0 when it cannot be opened or measured.
size_t fileSizeOf(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 0;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  std::fclose(file);
  return size > 0 ? static_cast<size_t>(size) : 0;
}

}  // namespace

fw_MusicPlayer::fw_MusicPlayer(const std::string& path, HWND window) {
  // The first call loads the library; it does not return if that fails.
  fw_bass::BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, 5000);
  fw_bass::BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, 5000);
  fw_bass::BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 5000);
  if (!fw_bass::BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, window, nullptr)) {
    fw_bass::BASS_Init(0, 44100, BASS_DEVICE_LATENCY, window, nullptr);  // no sound, same time base
    // Plain, not a warning: a machine without a sound card still plays the show, only silently.
    fw_Log(fw_LogPlain, "No audio device: the soundtrack keeps time on the silent device.");
  }

  mFileSize = fileSizeOf(path);
  mFileData = std::make_unique<unsigned char[]>(mFileSize ? mFileSize : 1);
  if (mFileSize) {
    FILE* file = std::fopen(path.c_str(), "rb");
    // A file that shrank since it was measured keeps only what could be read.
    mFileSize = file ? std::fread(mFileData.get(), 1, mFileSize, file) : 0;
    if (file) std::fclose(file);
  }

  mPlaybackStream = fw_bass::BASS_StreamCreateFile(TRUE, mFileData.get(), 0, mFileSize, BASS_STREAM_PRESCAN);
  mDecodeStream = fw_bass::BASS_StreamCreateFile(TRUE, mFileData.get(), 0, mFileSize, BASS_STREAM_PRESCAN | BASS_STREAM_DECODE);
  fw_bass::BASS_GetInfo(&mDeviceInfo);
  // A missing soundtrack is a silent show by design; a file that is there but does not play is
  // a damaged one.
  if (!mPlaybackStream)
    fw_Log(mFileSize ? fw_LogWarning : fw_LogPlain, "No music from %s: the show runs silently.", path.c_str());
}

fw_MusicPlayer::~fw_MusicPlayer() {
  if (mPlaybackStream) {
    fw_bass::BASS_ChannelStop(mPlaybackStream);
    fw_bass::BASS_StreamFree(mPlaybackStream);
    fw_bass::BASS_StreamFree(mDecodeStream);
  }
  fw_bass::BASS_Free();
  fw_ReleaseModule("bass.dll");
  fw_bass::Unbind();
}

void fw_MusicPlayer::play(float seconds) {
  if (seconds != 0.0f) seek(seconds);
  fw_bass::BASS_ChannelPlay(mPlaybackStream, seconds == 0.0f);
}

void fw_MusicPlayer::pause() { fw_bass::BASS_ChannelPause(mPlaybackStream); }

void fw_MusicPlayer::seek(float seconds) {
  const QWORD position = fw_bass::BASS_ChannelSeconds2Bytes(mPlaybackStream, static_cast<double>(seconds));
  fw_bass::BASS_ChannelSetPosition(mPlaybackStream, position, BASS_POS_BYTE);
}

fw_MusicPlayer* fw_CreateMusicPlayer(const std::string& path, HWND window) {
  gMusicPlayer.reset();  // the old one shuts the library down before the new one starts it
  gMusicPlayer = std::make_unique<fw_MusicPlayer>(path, window);
  return gMusicPlayer.get();
}

fw_MusicPlayer* fw_GetMusicPlayer() { return gMusicPlayer.get(); }

std::unique_ptr<fw_MusicPlayer> fw_TakeMusicPlayer() { return std::move(gMusicPlayer); }
