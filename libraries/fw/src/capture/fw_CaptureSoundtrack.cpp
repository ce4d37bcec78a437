// Decoding a span of the soundtrack for capture mode.
#include "capture/fw_CaptureSoundtrack.h"

#include "audio/fw_BassBinding.h"
#include "audio/fw_MusicPlayer.h"
#include "res/fw_Paths.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
constexpr DWORD kSampleFloat = 0x100;  // BASS_SAMPLE_FLOAT: the stream decodes to 32-bit floats
constexpr DWORD kDataError = 0xFFFFFFFFu;
}  // namespace

bool fw_DecodeSoundtrack(const std::string& musicFile, double start, double seconds, std::vector<int16_t>* samples,
                         int32_t* channels, int32_t* rate) {
  std::unique_ptr<fw_MusicPlayer> ownPlayer;
  fw_MusicPlayer* player = fw_GetMusicPlayer();
  if (!player) {
    if (musicFile.empty() || !fw_PathExists(musicFile)) return false;
    ownPlayer = std::make_unique<fw_MusicPlayer>(musicFile);
    player = ownPlayer.get();
  }
  const HSTREAM stream = player->decodeStream();
  if (!stream) return false;
  BASS_CHANNELINFO info{};
  if (!fw_bass::BASS_ChannelGetInfo(stream, &info) || info.chans == 0 || info.freq == 0) return false;
  const bool isFloat = (info.flags & kSampleFloat) != 0;
  fw_bass::BASS_ChannelSetPosition(stream, fw_bass::BASS_ChannelSeconds2Bytes(stream, start), BASS_POS_BYTE);
  const uint64_t wanted = static_cast<uint64_t>(seconds * info.freq + 0.5) * info.chans;
  samples->assign(wanted, 0);  // silence past the end of the music
  const size_t sampleBytes = isFloat ? 4 : 2;
  std::vector<uint8_t> chunk(65536 * sampleBytes);
  uint64_t at = 0;
  while (at < wanted) {
    const uint64_t want = std::min<uint64_t>(wanted - at, chunk.size() / sampleBytes);
    const DWORD got = fw_bass::BASS_ChannelGetData(stream, chunk.data(), static_cast<DWORD>(want * sampleBytes));
    if (got == 0 || got == kDataError) break;
    const size_t count = got / sampleBytes;
    for (size_t i = 0; i < count; ++i) {
      if (isFloat) {
        float v;
        std::memcpy(&v, &chunk[4 * i], 4);
        v = v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
        (*samples)[at + i] = static_cast<int16_t>(v * 32767.0f);
      } else {
        int16_t v;
        std::memcpy(&v, &chunk[2 * i], 2);
        (*samples)[at + i] = v;
      }
    }
    at += count;
  }
  *channels = static_cast<int32_t>(info.chans);
  *rate = static_cast<int32_t>(info.freq);
  return true;
}
