// Output devices: the default SDL2 audio device, and the silent device that consumes sound in
// real time on its own thread so positions move as if it were heard.
#include "bass_p.h"

#include <SDL.h>

#include <dlfcn.h>

#include <chrono>
#include <thread>

namespace bass {

namespace {

// The ALSA library prints its own complaints to standard error when there is no sound card,
// before SDL and the program say the same plainly in the log. Its error handler is replaced by
// one that drops them; SDL loads the same library, so the handler is the one it uses.
void DropAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsaErrors() {
  static bool done = false;
  if (done) return;
  done = true;
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (!alsa) return;  // no ALSA: nothing to quieten; the handle stays open for SDL otherwise
  using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
  auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set) set(&DropAlsaError);
}

class SdlOutput : public Output {
public:
  SdlOutput(int rate, Render render) : mRate(rate), mRender(std::move(render)) {}
  ~SdlOutput() override {
    if (mDevice) SDL_CloseAudioDevice(mDevice);  // waits for the callback to return
    if (mSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  int open(int rate) {
    QuietAlsaErrors();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return BASS_ERROR_DRIVER;
    mSubsystem = true;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts to the hardware
    if (mDevice == 0) return BASS_ERROR_DEVICE;
    mLatencyMs = static_cast<DWORD>(have.samples * 1000u / static_cast<unsigned>(rate));
    SDL_PauseAudioDevice(mDevice, 0);
    return BASS_OK;
  }

  int rate() const override { return mRate; }
  DWORD latencyMs() const override { return mLatencyMs; }

private:
  static void callback(void* user, Uint8* stream, int length) {
    auto* self = static_cast<SdlOutput*>(user);
    self->mRender(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / 4);
  }

  int mRate;
  Render mRender;
  SDL_AudioDeviceID mDevice = 0;
  bool mSubsystem = false;
  DWORD mLatencyMs = 0;
};

class SilentOutput : public Output {
public:
  SilentOutput(int rate, Render render) : mRate(rate), mRender(std::move(render)) {
    mThread = std::thread([this] { run(); });
  }
  ~SilentOutput() override {
    mStop = true;
    mThread.join();
  }
  int rate() const override { return mRate; }
  DWORD latencyMs() const override { return 0; }

private:
  void run() {
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    uint64_t done = 0;
    std::vector<int16_t> scratch;
    while (!mStop) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const double elapsed = std::chrono::duration<double>(clock::now() - start).count();
      const uint64_t due = static_cast<uint64_t>(elapsed * mRate);
      if (due <= done) continue;
      const size_t frames = static_cast<size_t>(due - done);
      scratch.resize(frames * 2);
      mRender(scratch.data(), frames);
      done = due;
    }
  }

  int mRate;
  Render mRender;
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

}  // namespace

std::unique_ptr<Output> openSdlOutput(int rate, Output::Render render, int& error) {
  auto output = std::make_unique<SdlOutput>(rate, std::move(render));
  error = output->open(rate);
  if (error != BASS_OK) return nullptr;
  return output;
}

std::unique_ptr<Output> openSilentOutput(int rate, Output::Render render) {
  return std::make_unique<SilentOutput>(rate, std::move(render));
}

}  // namespace bass
