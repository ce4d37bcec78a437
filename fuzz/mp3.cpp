// libFuzzer target: MP3 bytes through the audio stand-in's decoder, from memory as a decode-only
// stream is opened (with and without the prescan), read to the end in small blocks, with a seek.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_target.h"
#include "../libraries/platform/bass/bass_p.h"

namespace {

void DecodeAll(const uint8_t* data, size_t size, bool prescan) {
  bass::Mp3Decoder decoder;
  if (decoder.open(data, size, prescan) != BASS_OK) return;
  if (decoder.channels() < 1 || decoder.channels() > 2 || decoder.rate() <= 0) std::abort();
  int16_t block[2 * 1152];
  // A bounded number of blocks: a tiny input cannot decode to more than this many frames.
  for (int i = 0; i < 4096; ++i)
    if (decoder.read(block, 1152) < 1152) break;
  if (decoder.seek(decoder.lengthFrames() / 2)) (void)decoder.read(block, 1152);
}

}  // namespace

DUSK_FUZZ_TARGET(mp3) {
  DecodeAll(data, size, true);
  DecodeAll(data, size, false);
  return 0;
}
