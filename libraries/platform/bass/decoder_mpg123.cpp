// MP3 decoding from a caller-owned memory block with libmpg123, always to signed 16-bit PCM at
// the stream's own rate and channel count.
#include "bass_p.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <sys/types.h>

namespace bass {

namespace {

ssize_t readMemory(void* handle, void* buffer, size_t bytes) {
  auto* decoder = static_cast<Mp3Decoder*>(handle);
  const size_t left = decoder->mSize - decoder->mOffset;
  const size_t n = std::min(bytes, left);
  std::memcpy(buffer, decoder->mData + decoder->mOffset, n);
  decoder->mOffset += n;
  return static_cast<ssize_t>(n);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
  auto* decoder = static_cast<Mp3Decoder*>(handle);
  off_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<off_t>(decoder->mOffset);
  else if (whence == SEEK_END) base = static_cast<off_t>(decoder->mSize);
  else if (whence != SEEK_SET) return -1;
  const off_t target = base + offset;
  if (target < 0 || target > static_cast<off_t>(decoder->mSize)) return -1;
  decoder->mOffset = static_cast<size_t>(target);
  return target;
}

// The most samples one frame decodes to (MPEG-1 Layer II and III).
constexpr uint64_t kMaxFramesPerByte = 1152;

void initialiseLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

Mp3Decoder::~Mp3Decoder() {
  if (mHandle) {
    mpg123_close(mHandle);
    mpg123_delete(mHandle);
  }
}

int Mp3Decoder::open(const unsigned char* data, size_t size, bool prescan) {
  if (!data || size == 0) return BASS_ERROR_FILEFORM;
  initialiseLibrary();
  mData = data;
  mSize = size;
  mOffset = 0;

  int result = MPG123_OK;
  mHandle = mpg123_new(nullptr, &result);
  if (!mHandle) return BASS_ERROR_MEM;
  mpg123_param(mHandle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // Every rate and both layouts are accepted, but only as 16-bit samples.
  mpg123_format_none(mHandle);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i) mpg123_format(mHandle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

  if (mpg123_replace_reader_handle(mHandle, readMemory, seekMemory, nullptr) != MPG123_OK) return BASS_ERROR_MEM;
  if (mpg123_open_handle(mHandle, this) != MPG123_OK) return BASS_ERROR_FILEFORM;

  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(mHandle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels < 1 || channels > 2)
    return BASS_ERROR_FILEFORM;
  mpg123_format_none(mHandle);
  mpg123_format(mHandle, rate, channels, MPG123_ENC_SIGNED_16);  // no format change mid-stream
  mRate = static_cast<int>(rate);
  mChannels = channels;

  if (prescan && mpg123_scan(mHandle) != MPG123_OK) return BASS_ERROR_FILEFORM;
  // Without the scan the length is an estimate from the first headers, and a damaged header can
  // claim billions of frames; a seek towards such an end then costs minutes. No stream holds more
  // than a frame's samples per byte (every frame has a 4-byte header at least), so that bounds it.
  const off_t length = mpg123_length(mHandle);
  mLengthFrames = length > 0 ? std::min<uint64_t>(static_cast<uint64_t>(length), uint64_t(size) * kMaxFramesPerByte) : 0;
  if (mLengthFrames == 0) return BASS_ERROR_FILEFORM;
  return BASS_OK;
}

size_t Mp3Decoder::read(int16_t* out, size_t frames) {
  if (!mHandle) return 0;
  const size_t frameBytes = static_cast<size_t>(mChannels) * sizeof(int16_t);
  auto* bytes = reinterpret_cast<unsigned char*>(out);
  size_t want = frames * frameBytes;
  size_t got = 0;
  while (got < want) {
    size_t done = 0;
    const int result = mpg123_read(mHandle, bytes + got, want - got, &done);
    got += done;
    if (result == MPG123_NEW_FORMAT) continue;
    if (result != MPG123_OK || done == 0) break;  // MPG123_DONE, or data it cannot decode
  }
  return got / frameBytes;
}

bool Mp3Decoder::seek(uint64_t frame) {
  if (!mHandle) return false;
  // Past the end is the end: mpg123 walks towards a far target frame by frame.
  return mpg123_seek(mHandle, static_cast<off_t>(std::min(frame, mLengthFrames)), SEEK_SET) >= 0;
}

}  // namespace bass
