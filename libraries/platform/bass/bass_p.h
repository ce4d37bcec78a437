// Internals of the audio library stand-in: the MP3 decoder over a memory block, the channel
// (stream) with its playback state and resampling mixer, and the output devices that pull mixed
// PCM (SDL2 audio, or the silent real-time device).
#pragma once

#include <platform/bass.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct mpg123_handle_struct;

namespace bass {

// Decodes MP3 data that stays owned by the caller into signed 16-bit PCM.
class Mp3Decoder {
public:
  Mp3Decoder() = default;
  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  // Returns a BASS error code (BASS_OK on success). prescan reads the whole stream once for an
  // exact length and sample-accurate seeking.
  int open(const unsigned char* data, size_t size, bool prescan);
  int rate() const { return mRate; }
  int channels() const { return mChannels; }
  uint64_t lengthFrames() const { return mLengthFrames; }
  // Decodes up to `frames` frames; fewer only at the end of the data.
  size_t read(int16_t* out, size_t frames);
  bool seek(uint64_t frame);

  // Reader callbacks over the memory block.
  const unsigned char* mData = nullptr;
  size_t mSize = 0;
  size_t mOffset = 0;

private:
  mpg123_handle_struct* mHandle = nullptr;
  int mRate = 0;
  int mChannels = 0;
  uint64_t mLengthFrames = 0;
};

enum class ChannelState { Stopped, Playing, Paused };

struct Channel {
  DWORD handle = 0;
  bool decodeOnly = false;
  std::vector<unsigned char> ownedData;  // only for streams opened from a file name
  Mp3Decoder decoder;
  ChannelState state = ChannelState::Stopped;
  uint64_t position = 0;  // frames handed out so far
  bool ended = false;

  // Mixer state: decoded frames not yet used, and the two frames the resampler sits between.
  std::vector<int16_t> pending;
  size_t pendingFrame = 0;
  size_t pendingFrames = 0;
  float previous[2] = {0, 0};
  float current[2] = {0, 0};
  double phase = 0.0;

  DWORD frameBytes() const { return static_cast<DWORD>(decoder.channels()) * 2u; }
  // Moves decoding to a frame and forgets what the mixer held.
  bool seekFrame(uint64_t frame);
  // Next source frame as stereo floats in [-1, 1]; false at the end.
  bool pullFrame(float out[2]);
  // Adds `frames` output frames at outputRate to a stereo float buffer.
  void mixInto(float* stereo, size_t frames, int outputRate, float volume);
};

// A place the mixed sound goes; it calls `render` from its own thread.
class Output {
public:
  using Render = std::function<void(int16_t* stereo, size_t frames)>;
  virtual ~Output() = default;
  virtual int rate() const = 0;
  virtual DWORD latencyMs() const = 0;
};

// Opens the default SDL2 audio device; null (with error set) when there is none.
std::unique_ptr<Output> openSdlOutput(int rate, Output::Render render, int& error);
// The no-sound device: consumes mixed sound in real time and throws it away.
std::unique_ptr<Output> openSilentOutput(int rate, Output::Render render);

}  // namespace bass
