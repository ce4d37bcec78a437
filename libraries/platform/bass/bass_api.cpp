// The BASS_* entry points: library state, channel handles, the mixer and the error code.
// Every call takes the one state lock; the output thread takes it to mix. Output devices are
// opened and closed outside the lock, so closing never waits on a mixer that waits on us.
#include "bass_p.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

namespace bass {
namespace {

struct State {
  std::mutex lock;
  bool initialised = false;
  DWORD initFlags = 0;
  int rate = 44100;
  std::unique_ptr<Output> output;
  std::map<DWORD, std::unique_ptr<Channel>> channels;
  DWORD nextHandle = 0x10000001u;
  DWORD volumeStream = 10000;
  DWORD volumeSample = 10000;
  DWORD volumeMusic = 10000;
};

State*& statePointer() {
  static State* s = nullptr;
  return s;
}

// Made on the first call. Not a static object: the program's own static destructors may still
// call in at exit, before the library's destructors run.
State& state() {
  State*& s = statePointer();
  if (!s) s = new State;
  return *s;
}

// When the library is unloaded (FreeLibrary, or the very end of the process): the output goes
// first, so no mixing callback can run over channels that are being destroyed.
__attribute__((destructor)) void freeState() {
  State*& s = statePointer();
  if (!s) return;
  s->output.reset();
  delete s;
  s = nullptr;
}

thread_local int gError = BASS_OK;

template <typename T>
T fail(int code, T result) {
  gError = code;
  return result;
}

template <typename T>
T ok(T result) {
  gError = BASS_OK;
  return result;
}

// Looks a channel up; the caller holds the lock.
Channel* findChannel(State& s, DWORD handle) {
  auto it = s.channels.find(handle);
  return it == s.channels.end() ? nullptr : it->second.get();
}

void render(int16_t* out, size_t frames) {
  static thread_local std::vector<float> mix;
  mix.assign(frames * 2, 0.0f);
  {
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    const float volume = static_cast<float>(s.volumeStream) / 10000.0f;
    for (auto& [handle, channel] : s.channels) {
      if (!channel->decodeOnly && channel->state == ChannelState::Playing) channel->mixInto(mix.data(), frames, s.rate, volume);
    }
  }
  for (size_t i = 0; i < frames * 2; ++i) {
    const float v = std::clamp(mix[i], -1.0f, 1.0f);
    out[i] = static_cast<int16_t>(std::lround(v * 32767.0f));
  }
}

}  // namespace
}  // namespace bass

using namespace bass;

BASSDEF(BOOL) BASS_SetConfig(DWORD option, DWORD value) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  DWORD* target = nullptr;
  switch (option) {
    case BASS_CONFIG_GVOL_SAMPLE: target = &s.volumeSample; break;
    case BASS_CONFIG_GVOL_STREAM: target = &s.volumeStream; break;
    case BASS_CONFIG_GVOL_MUSIC: target = &s.volumeMusic; break;
    default: return fail(BASS_ERROR_ILLPARAM, FALSE);
  }
  if (value > 10000) return fail(BASS_ERROR_ILLPARAM, FALSE);
  *target = value;
  return ok(TRUE);
}

BASSDEF(DWORD) BASS_GetConfig(DWORD option) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  switch (option) {
    case BASS_CONFIG_GVOL_SAMPLE: return ok(s.volumeSample);
    case BASS_CONFIG_GVOL_STREAM: return ok(s.volumeStream);
    case BASS_CONFIG_GVOL_MUSIC: return ok(s.volumeMusic);
    default: return fail(BASS_ERROR_ILLPARAM, static_cast<DWORD>(-1));
  }
}

BASSDEF(BOOL) BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* clsid) {
  State& s = state();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.initialised) return fail(BASS_ERROR_ALREADY, FALSE);
  }
  if (device < -1 || device > 1) return fail(BASS_ERROR_DEVICE, FALSE);
  const int rate = freq ? static_cast<int>(freq) : 44100;
  if (rate < 1000 || rate > 384000) return fail(BASS_ERROR_FORMAT, FALSE);

  std::unique_ptr<Output> output;
  if (device == 0) {
    output = openSilentOutput(rate, render);
  } else {
    int error = BASS_OK;
    output = openSdlOutput(rate, render, error);
    if (!output) return fail(error, FALSE);
  }
  std::lock_guard<std::mutex> guard(s.lock);
  s.rate = rate;
  s.initFlags = flags;
  s.output = std::move(output);
  s.initialised = true;
  return ok(TRUE);
}

BASSDEF(BOOL) BASS_Free() {
  State& s = state();
  std::unique_ptr<Output> output;
  std::map<DWORD, std::unique_ptr<Channel>> channels;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.initialised) return fail(BASS_ERROR_INIT, FALSE);
    output = std::move(s.output);
    s.initialised = false;
  }
  output.reset();  // the mixer thread is gone after this
  {
    std::lock_guard<std::mutex> guard(s.lock);
    channels.swap(s.channels);
  }
  return ok(TRUE);
}

BASSDEF(BOOL) BASS_GetInfo(BASS_INFO* info) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.initialised) return fail(BASS_ERROR_INIT, FALSE);
  if (!info) return fail(BASS_ERROR_ILLPARAM, FALSE);
  *info = BASS_INFO{};
  info->minrate = info->maxrate = info->freq = static_cast<DWORD>(s.rate);
  info->speakers = 2;
  info->initflags = s.initFlags;
  info->minbuf = info->latency = s.output->latencyMs();
  return ok(TRUE);
}

BASSDEF(int) BASS_ErrorGetCode() { return gError; }

BASSDEF(HSTREAM) BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  if (!file) return fail(BASS_ERROR_ILLPARAM, HSTREAM{0});
  auto channel = std::make_unique<Channel>();
  channel->decodeOnly = (flags & BASS_STREAM_DECODE) != 0;
  const unsigned char* data = nullptr;
  size_t size = 0;
  if (mem) {
    data = static_cast<const unsigned char*>(file) + offset;
    size = static_cast<size_t>(length);
  } else {
    FILE* f = std::fopen(static_cast<const char*>(file), "rb");
    if (!f) return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});
    if (std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0) {
      unsigned char buffer[65536];
      size_t n;
      while ((length == 0 || channel->ownedData.size() < length) && (n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
        channel->ownedData.insert(channel->ownedData.end(), buffer, buffer + n);
      if (length && channel->ownedData.size() > length) channel->ownedData.resize(static_cast<size_t>(length));
    }
    std::fclose(f);
    data = channel->ownedData.data();
    size = channel->ownedData.size();
  }

  State& s = state();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.initialised) return fail(BASS_ERROR_INIT, HSTREAM{0});
  }
  // Opening (and prescanning) reads the whole stream; do it without holding up the mixer.
  const int error = channel->decoder.open(data, size, (flags & BASS_STREAM_PRESCAN) != 0);
  if (error != BASS_OK) return fail(error, HSTREAM{0});

  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.initialised) return fail(BASS_ERROR_INIT, HSTREAM{0});
  const DWORD handle = s.nextHandle++;
  channel->handle = handle;
  s.channels[handle] = std::move(channel);
  return ok(handle);
}

BASSDEF(BOOL) BASS_StreamFree(HSTREAM handle) {
  State& s = state();
  std::unique_ptr<Channel> channel;  // destroyed after the lock is released
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.channels.find(handle);
  if (it == s.channels.end()) return fail(BASS_ERROR_HANDLE, FALSE);
  channel = std::move(it->second);
  s.channels.erase(it);
  return ok(TRUE);
}

BASSDEF(BOOL) BASS_ChannelPlay(DWORD handle, BOOL restart) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, FALSE);
  if (c->decodeOnly) return fail(BASS_ERROR_DECODE, FALSE);
  if (restart && !c->seekFrame(0)) return fail(BASS_ERROR_POSITION, FALSE);
  c->state = ChannelState::Playing;
  return ok(TRUE);
}

BASSDEF(BOOL) BASS_ChannelPause(DWORD handle) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, FALSE);
  if (c->decodeOnly) return fail(BASS_ERROR_DECODE, FALSE);
  if (c->state != ChannelState::Playing) return fail(BASS_ERROR_NOPLAY, FALSE);
  c->state = ChannelState::Paused;
  return ok(TRUE);
}

BASSDEF(BOOL) BASS_ChannelStop(DWORD handle) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, FALSE);
  c->state = ChannelState::Stopped;
  return ok(TRUE);
}

BASSDEF(DWORD) BASS_ChannelIsActive(DWORD handle) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, DWORD{BASS_ACTIVE_STOPPED});
  if (c->decodeOnly) return ok(static_cast<DWORD>(c->ended ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING));
  switch (c->state) {
    case ChannelState::Playing: return ok(DWORD{BASS_ACTIVE_PLAYING});
    case ChannelState::Paused: return ok(DWORD{BASS_ACTIVE_PAUSED});
    default: return ok(DWORD{BASS_ACTIVE_STOPPED});
  }
}

BASSDEF(BOOL) BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, FALSE);
  if (!info) return fail(BASS_ERROR_ILLPARAM, FALSE);
  *info = BASS_CHANNELINFO{};
  info->freq = static_cast<DWORD>(c->decoder.rate());
  info->chans = static_cast<DWORD>(c->decoder.channels());
  info->flags = c->decodeOnly ? BASS_STREAM_DECODE : 0;
  info->origres = 16;
  return ok(TRUE);
}

BASSDEF(QWORD) BASS_ChannelSeconds2Bytes(DWORD handle, double seconds) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, static_cast<QWORD>(-1));
  // Whole frames, rounded down; negative and NaN times are the start.
  double frames = seconds > 0.0 ? std::floor(seconds * c->decoder.rate()) : 0.0;
  frames = std::min(frames, 4.0e18 / c->frameBytes());  // far beyond any length, without overflow
  return ok(static_cast<QWORD>(frames) * c->frameBytes());
}

BASSDEF(double) BASS_ChannelBytes2Seconds(DWORD handle, QWORD position) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, -1.0);
  return ok(static_cast<double>(position / c->frameBytes()) / c->decoder.rate());
}

BASSDEF(BOOL) BASS_ChannelSetPosition(DWORD handle, QWORD position, DWORD mode) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, FALSE);
  if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_NOTAVAIL, FALSE);
  const uint64_t frame = position / c->frameBytes();
  if (frame > c->decoder.lengthFrames()) return fail(BASS_ERROR_POSITION, FALSE);
  if (!c->seekFrame(frame)) return fail(BASS_ERROR_POSITION, FALSE);
  return ok(TRUE);
}

BASSDEF(QWORD) BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, static_cast<QWORD>(-1));
  if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_NOTAVAIL, static_cast<QWORD>(-1));
  return ok(c->position * c->frameBytes());
}

BASSDEF(QWORD) BASS_ChannelGetLength(DWORD handle, DWORD mode) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, static_cast<QWORD>(-1));
  if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_NOTAVAIL, static_cast<QWORD>(-1));
  return ok(c->decoder.lengthFrames() * c->frameBytes());
}

BASSDEF(DWORD) BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  State& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  Channel* c = findChannel(s, handle);
  if (!c) return fail(BASS_ERROR_HANDLE, static_cast<DWORD>(-1));
  if (!c->decodeOnly) return fail(BASS_ERROR_NOTAVAIL, static_cast<DWORD>(-1));
  if (!buffer) return fail(BASS_ERROR_ILLPARAM, static_cast<DWORD>(-1));
  if (c->ended) return fail(BASS_ERROR_ENDED, static_cast<DWORD>(-1));
  const size_t frames = length / c->frameBytes();
  const size_t got = c->decoder.read(static_cast<int16_t*>(buffer), frames);
  c->position += got;
  if (got < frames) c->ended = true;
  if (got == 0 && frames > 0) return fail(BASS_ERROR_ENDED, static_cast<DWORD>(-1));
  return ok(static_cast<DWORD>(got * c->frameBytes()));
}
