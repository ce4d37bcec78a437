// The WAV writer of capture mode (frames are saved by the D3DX10 layer).
#include "capture/fw_CaptureFiles.h"

#include <platform/file_write.h>

namespace {
void PutLE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
}  // namespace

bool fw_WriteWav(const std::string& path, int32_t channels, int32_t sampleRate, const std::vector<int16_t>& samples,
                 std::string* reason) {
  if (channels <= 0 || sampleRate <= 0) {
    if (reason) *reason = "no channels or no sample rate";
    return false;
  }
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> wav;
  wav.reserve(44 + dataBytes);
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  PutLE(wav, 36 + dataBytes, 4);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLE(wav, 16, 4);
  PutLE(wav, 1, 2);  // PCM
  PutLE(wav, static_cast<uint32_t>(channels), 2);
  PutLE(wav, static_cast<uint32_t>(sampleRate), 4);
  PutLE(wav, static_cast<uint32_t>(sampleRate * channels * 2), 4);
  PutLE(wav, static_cast<uint32_t>(channels * 2), 2);
  PutLE(wav, 16, 2);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  PutLE(wav, dataBytes, 4);
  for (int16_t s : samples) PutLE(wav, static_cast<uint16_t>(s), 2);
  return platform::WriteWholeFile(path, wav.data(), wav.size(), reason);
}
