// A playing or decoding channel: position bookkeeping and the mixer's per-channel resampling.
#include "bass_p.h"

namespace bass {

namespace {
constexpr size_t kPendingFrames = 1152;  // one MPEG-1 layer III frame
}

bool Channel::seekFrame(uint64_t frame) {
  if (!decoder.seek(frame)) return false;
  position = frame;
  ended = false;
  pendingFrame = pendingFrames = 0;
  previous[0] = previous[1] = current[0] = current[1] = 0.0f;
  phase = 0.0;
  return true;
}

bool Channel::pullFrame(float out[2]) {
  if (pendingFrame == pendingFrames) {
    pending.resize(kPendingFrames * 2);
    pendingFrames = decoder.read(pending.data(), kPendingFrames);
    pendingFrame = 0;
    if (pendingFrames == 0) {
      ended = true;
      return false;
    }
  }
  const int16_t* frame = pending.data() + pendingFrame * static_cast<size_t>(decoder.channels());
  out[0] = frame[0] / 32768.0f;
  out[1] = (decoder.channels() > 1 ? frame[1] : frame[0]) / 32768.0f;
  ++pendingFrame;
  ++position;
  return true;
}

void Channel::mixInto(float* stereo, size_t frames, int outputRate, float volume) {
  // Linear interpolation between the last two source frames; at equal rates every output frame
  // takes exactly one source frame, so positions advance at the source's own rate.
  const double step = static_cast<double>(decoder.rate()) / static_cast<double>(outputRate);
  for (size_t i = 0; i < frames; ++i) {
    phase += step;
    while (phase >= 1.0) {
      previous[0] = current[0];
      previous[1] = current[1];
      if (!pullFrame(current)) {
        state = ChannelState::Stopped;
        return;
      }
      phase -= 1.0;
    }
    const float f = static_cast<float>(phase);
    stereo[2 * i] += (previous[0] + (current[0] - previous[0]) * f) * volume;
    stereo[2 * i + 1] += (previous[1] + (current[1] - previous[1]) * f) * volume;
  }
}

}  // namespace bass
