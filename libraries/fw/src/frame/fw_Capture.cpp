// Capture mode: virtual clock, frame read-back, soundtrack and video.
#include "frame/fw_Capture.h"

#include "audio/fw_BassBinding.h"
#include "audio/fw_ModuleCache.h"
#include "audio/fw_MusicPlayer.h"
#include "diag/fw_Alert.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_CaptureFiles.h"
#include "frame/fw_DeviceState.h"
#include "res/fw_Paths.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include <platform/win32.h>

#include <boost/filesystem.hpp>

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern char** environ;

namespace {
struct CaptureState {
  bool active = false;
  bool finished = false;
  fw_CaptureSettings settings;
  std::string musicFile;
  int64_t frame = 0;          // frames presented so far: the virtual clock's position
  int64_t written = 0;
  double startSeconds = 0.0;  // music time of the first frame
  ID3D10Texture2D* staging = nullptr;
  double wallStart = 0.0, cpuStart = 0.0;
  double writeSeconds = 0.0;  // wall time spent reading frames back and writing them
};
CaptureState gCapture;

double Now(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

std::string FramePath(int64_t index) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame_%06lld.png", static_cast<long long>(index));
  return gCapture.settings.directory + "/" + name;
}

// The staging copy matches the source's size and format; made again when those change.
ID3D10Texture2D* Staging(ID3D10Device* device, const D3D10_TEXTURE2D_DESC& source) {
  if (gCapture.staging) {
    D3D10_TEXTURE2D_DESC desc;
    gCapture.staging->GetDesc(&desc);
    if (desc.Width == source.Width && desc.Height == source.Height && desc.Format == source.Format)
      return gCapture.staging;
    gCapture.staging->Release();
    gCapture.staging = nullptr;
  }
  D3D10_TEXTURE2D_DESC desc = source;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.SampleDesc = {1, 0};
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  device->CreateTexture2D(&desc, nullptr, &gCapture.staging);
  return gCapture.staging;
}

bool FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Decodes the soundtrack's span [start, start + seconds) into 16-bit samples.
bool DecodeSoundtrack(double start, double seconds, std::vector<int16_t>* samples, int32_t* channels,
                      int32_t* rate) {
  std::unique_ptr<fw_MusicPlayer> ownPlayer;
  fw_MusicPlayer* player = fw_GetMusicPlayer();
  if (!player) {
    if (gCapture.musicFile.empty() || !fw_PathExists(gCapture.musicFile)) return false;
    ownPlayer = std::make_unique<fw_MusicPlayer>(gCapture.musicFile);
    player = ownPlayer.get();
  }
  const HSTREAM stream = player->decodeStream();
  if (!stream) return false;
  HMODULE bass = fw_LoadModule("bass.dll");
  auto getInfo = reinterpret_cast<BOOL (*)(DWORD, BASS_CHANNELINFO*)>(GetProcAddress(bass, "BASS_ChannelGetInfo"));
  auto getData = reinterpret_cast<DWORD (*)(DWORD, void*, DWORD)>(GetProcAddress(bass, "BASS_ChannelGetData"));
  if (!getInfo || !getData) return false;
  BASS_CHANNELINFO info{};
  if (!getInfo(stream, &info) || info.chans == 0 || info.freq == 0) return false;
  const bool isFloat = (info.flags & 0x100) != 0;  // BASS_SAMPLE_FLOAT
  fw_bass::BASS_ChannelSetPosition(stream, fw_bass::BASS_ChannelSeconds2Bytes(stream, start), BASS_POS_BYTE);
  const uint64_t wanted = static_cast<uint64_t>(seconds * info.freq + 0.5) * info.chans;
  samples->assign(wanted, 0);  // silence past the end of the music
  const size_t sampleBytes = isFloat ? 4 : 2;
  std::vector<uint8_t> chunk(65536 * sampleBytes);
  uint64_t at = 0;
  while (at < wanted) {
    const uint64_t want = std::min<uint64_t>(wanted - at, chunk.size() / sampleBytes);
    const DWORD got = getData(stream, chunk.data(), static_cast<DWORD>(want * sampleBytes));
    if (got == 0 || got == 0xFFFFFFFFu) break;
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
}  // namespace

int64_t fw_CaptureCounterTicks(int64_t frame, int32_t fps) {
  if (fps <= 0) fps = 60;
  // 128-bit product: frame numbers of any length stay exact.
  return static_cast<int64_t>(static_cast<__int128>(frame) * 1000000000 / fps);
}

bool fw_CaptureInstall(const fw_CaptureSettings& settings, const std::string& musicFile) {
  gCapture = CaptureState();
  gCapture.settings = settings;
  gCapture.musicFile = musicFile;
  boost::system::error_code error;
  boost::filesystem::create_directories(settings.directory, error);
  if (!boost::filesystem::is_directory(settings.directory, error)) {
    fw_Log(fw_LogError, "Capture: could not create the directory <%s>.", settings.directory.c_str());
    fw_Alert("Capture: could not create the directory <%s>.", settings.directory.c_str());
    return false;
  }
  gCapture.active = true;
  platform::SetVirtualPerformanceCounter([] { return fw_CaptureCounterTicks(gCapture.frame, gCapture.settings.fps); });
  fw_Log(fw_LogPlain, "Capture: writing frames at %d frames per second to <%s>.", settings.fps,
         settings.directory.c_str());
  return true;
}

bool fw_CaptureActive() { return gCapture.active; }
int64_t fw_CaptureFramesWritten() { return gCapture.written; }

void fw_CaptureBeginFrame() {
  if (!gCapture.active || gCapture.frame != 0 || gCapture.finished) return;
  gCapture.wallStart = Now(CLOCK_MONOTONIC);
  gCapture.cpuStart = Now(CLOCK_PROCESS_CPUTIME_ID);
  if (gCapture.settings.fromRow > 0.0f) fw_SeekToRow(gCapture.settings.fromRow, true);
  gCapture.startSeconds = fw_GetMusicTime();
}

bool fw_CaptureReachedEnd(float row) {
  if (!gCapture.active) return false;
  if (gCapture.finished) return true;
  if (gCapture.settings.toRow < 0.0f || row <= gCapture.settings.toRow) return false;
  fw_CaptureFinish();
  PostQuitMessage(0);
  return true;
}

void fw_CaptureFrame() {
  if (!gCapture.active || gCapture.finished) return;
  ID3D10Device* device = fw_GetDevice();
  fw_Texture* backbuffer = fw_FindTexture("backbuffer");
  const double writeStart = Now(CLOCK_MONOTONIC);
  bool ok = false;
  if (device && backbuffer && backbuffer->mTexture2D) {
    D3D10_TEXTURE2D_DESC desc;
    backbuffer->mTexture2D->GetDesc(&desc);
    if (ID3D10Texture2D* staging = Staging(device, desc)) {
      device->CopyResource(staging, backbuffer->mTexture2D);
      D3D10_MAPPED_TEXTURE2D mapped{};
      if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped)) && mapped.pData) {
        ok = fw_WritePng(FramePath(gCapture.written), static_cast<int32_t>(desc.Width),
                         static_cast<int32_t>(desc.Height), static_cast<const uint8_t*>(mapped.pData),
                         mapped.RowPitch);
        staging->Unmap(0);
      }
    }
  }
  gCapture.writeSeconds += Now(CLOCK_MONOTONIC) - writeStart;
  if (!ok) {
    // A capture with a hole in it is no capture: stop with a failure code scripts can see (the
    // orderly shutdown would end the process with 0).
    fw_Log(fw_LogError, "Capture: could not write frame %lld to <%s>; stopping.",
           static_cast<long long>(gCapture.written), FramePath(gCapture.written).c_str());
    fw_CaptureFinish();
    fw_ExitProcess(20, "a captured frame could not be written");
  }
  ++gCapture.written;
  ++gCapture.frame;  // the virtual clock moves on by exactly one frame
  if (gCapture.settings.frames >= 0 && gCapture.written >= gCapture.settings.frames) {
    fw_CaptureFinish();
    PostQuitMessage(0);
  }
}

void fw_CaptureFinish() {
  if (!gCapture.active || gCapture.finished) return;
  gCapture.finished = true;
  if (gCapture.staging) {
    gCapture.staging->Release();
    gCapture.staging = nullptr;
  }
  const double wall = Now(CLOCK_MONOTONIC) - gCapture.wallStart;
  const double cpu = Now(CLOCK_PROCESS_CPUTIME_ID) - gCapture.cpuStart;
  const int64_t n = gCapture.written;
  fw_Log(fw_LogPlain,
         "Capture: %lld frames in %.3f s (%.2f frames per second, %.2f ms of process CPU per frame, %.2f ms per "
         "frame reading back and writing).",
         static_cast<long long>(n), wall, wall > 0 ? n / wall : 0.0, n > 0 ? cpu * 1000.0 / n : 0.0,
         n > 0 ? gCapture.writeSeconds * 1000.0 / n : 0.0);
  if (n == 0) return;

  const std::string dir = gCapture.settings.directory;
  const double seconds = static_cast<double>(n) / gCapture.settings.fps;
  std::vector<int16_t> samples;
  int32_t channels = 0, rate = 0;
  const std::string wav = dir + "/soundtrack.wav";
  bool haveSound = DecodeSoundtrack(gCapture.startSeconds, seconds, &samples, &channels, &rate);
  if (!haveSound) {
    // No soundtrack to decode: a silent track of the same length keeps the video's timing.
    channels = 2;
    rate = 44100;
    samples.assign(static_cast<size_t>(seconds * rate + 0.5) * channels, 0);
    fw_Log(fw_LogWarning, "Capture: the soundtrack <%s> could not be decoded; writing silence.",
           gCapture.musicFile.c_str());
  }
  if (!fw_WriteWav(wav, channels, rate, samples)) fw_Log(fw_LogError, "Capture: could not write <%s>.", wav.c_str());

  if (!FindProgram("ffmpeg")) {
    fw_Log(fw_LogPlain, "Capture: ffmpeg is not installed; no video made.");
    return;
  }
  const std::string video = dir + "/capture.mp4";
  const int status = Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-framerate",
                          std::to_string(gCapture.settings.fps), "-i", dir + "/frame_%06d.png", "-i", wav, "-c:v",
                          "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", video});
  if (status == 0)
    fw_Log(fw_LogPlain, "Capture: wrote <%s>.", video.c_str());
  else
    fw_Log(fw_LogWarning, "Capture: ffmpeg failed (status %d); the frames and soundtrack are in <%s>.", status,
           dir.c_str());
}
