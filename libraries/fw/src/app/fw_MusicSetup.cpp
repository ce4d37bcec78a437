// The framework's one music player: installed after the device, taken out at the run's end.
#include "app/fw_FrameworkServices.h"
#include "audio/fw_MusicPlayer.h"

void fw_StartMusicPlayer(const std::string& path, HWND window) { fw_CreateMusicPlayer(path, window); }

void fw_StopMusicPlayer() {
  std::unique_ptr<fw_MusicPlayer> player = fw_TakeMusicPlayer();
  player.reset();  // the destructor stops the stream before freeing it
}
