// Capture mode: virtual clock, frame read-back, soundtrack and video.
#include "frame/fw_Capture.h"

#include "audio/fw_BassBinding.h"
#include "audio/fw_ModuleCache.h"
#include "audio/fw_MusicPlayer.h"
#include "device/fw_DeviceState.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_CaptureFiles.h"
#include "frame/fw_CaptureProgress.h"
#include "res/fw_Paths.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"
#include "sync/fw_SyncTimer.h"
#include "sync/sync_Sections.h"

#include <platform/d3d10_offline.h>
#include <platform/d3dx10tex.h>
#include <platform/file_write.h>
#include <platform/win32.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {
// The tick's first three calls draw nothing; they run at the show's time 0, and frame 0 of the
// show is the fourth tick.
constexpr int64_t kWarmUpTicks = 3;

struct CaptureState {
  bool active = false;
  bool finished = false;
  fw_CaptureSettings settings;
  std::string musicFile;
  int64_t tick = 0;             // ticks presented so far, warm-up included: the virtual clock
  int64_t firstFrame = 0;       // the span written, by frame number in the show
  int64_t lastFrame = -1;       // below 0: to the show's own end
  int64_t showEndFrame = -1;    // the show's last frame when its end is known, for the total
  int64_t written = 0;          // frames on disk under their names
  bool writeFailed = false;     // a file could not be written: the capture stops without sound or video
  double wallStart = 0.0, cpuStart = 0.0;
  double writeSeconds = 0.0;    // wall time spent reading frames back and writing them
  ID3D10Texture2D* staging = nullptr;  // the frame's CPU-readable copy, made once per size and format
  std::vector<sync::Section> sections;
  std::unique_ptr<fw_CaptureProgressPrinter> progress;
};
CaptureState gCapture;

int64_t FrameOfTick(int64_t tick) { return tick < kWarmUpTicks ? 0 : tick - kWarmUpTicks; }

// The frames this capture writes, when known: the span's end, or the show's own.
int64_t TotalFrames() {
  const int64_t last = gCapture.lastFrame >= 0 ? gCapture.lastFrame : gCapture.showEndFrame;
  return last >= gCapture.firstFrame ? last - gCapture.firstFrame + 1 : 0;
}

// The staging copy matches the source's size and format; made again when those change. One copy
// for the whole capture keeps the driver from making and freeing a texture every frame.
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

std::string SectionName(float row) {
  const sync::Section* section = sync::sectionAt(gCapture.sections, row);
  return section ? section->name : std::string();
}

// Wall seconds; the performance counter is the virtual clock while capturing.
double WallSeconds() { return static_cast<double>(GetTickCount64()) * 0.001; }

// User and kernel time of the process.
double CpuSeconds() {
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0.0;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

std::string FramePath(int64_t index) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame_%06lld.png", static_cast<long long>(index));
  return gCapture.settings.directory + "/" + name;
}

// ffmpeg reads '%' in an image sequence's name as the start of the frame number's pattern.
std::string EscapedForImagePattern(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

// The frame read back from the GPU and encoded; false with the reason when it could not be.
bool EncodeFrame(std::vector<uint8_t>* png, std::string* reason) {
  fw_Texture* backbuffer = fw_FindTexture("backbuffer");
  ID3D10Device* device = fw_GetDevice();
  if (!device || !backbuffer || !backbuffer->mTexture2D) {
    *reason = "there is no back buffer to read";
    return false;
  }
  D3D10_TEXTURE2D_DESC desc;
  backbuffer->mTexture2D->GetDesc(&desc);
  ID3D10Texture2D* staging = Staging(device, desc);
  if (!staging) {
    *reason = "no CPU-readable copy of the back buffer could be made";
    return false;
  }
  device->CopyResource(staging, backbuffer->mTexture2D);
  ID3D10Blob* file = nullptr;
  if (FAILED(D3DX10SaveTextureToMemory(staging, D3DX10_IFF_PNG, &file, 0)) || !file) {
    *reason = "the frame could not be read back and encoded";
    return false;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(file->GetBufferPointer());
  png->assign(bytes, bytes + file->GetBufferSize());
  file->Release();
  return true;
}

// A capture with a hole in it is no capture: the first file that cannot be written ends the
// process with a code of its own (the orderly shutdown would end it with 0). What is on disk
// under a final name stays, and is whole.
[[noreturn]] void StopOnWriteFailure(const std::string& path, const std::string& reason) {
  gCapture.writeFailed = true;
  fw_CaptureFinish();  // the last progress and the summary; a failed capture makes no soundtrack or video
  fw_ReportFailure("Capture: could not write <%s>: %s.", path.c_str(), reason.c_str());
  fw_ExitProcess(fw_kCaptureWriteFailedExitCode, "a capture could not write its files");
}

// One argument of a command line, quoted so that it splits back to itself.
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');  // before the closing quote
  return out + "\"";
}

// Runs a program found on PATH and waits for it: its exit code, or -1 when it could not start.
int Run(const std::vector<std::string>& args) {
  std::string commandLine;
  for (const std::string& arg : args) commandLine += (commandLine.empty() ? "" : " ") + Quoted(arg);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
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

float fw_CaptureRowOfFrame(int64_t frame, int32_t fps) {
  // As the sync timer makes it from the music clock's seconds.
  return fw_RowAtMusicTime(static_cast<float>(static_cast<double>(fw_CaptureCounterTicks(frame, fps)) * 1e-9));
}

int64_t fw_CaptureFirstFrameAtRow(float row, int32_t fps) {
  if (!(row > 0.0f)) return 0;
  if (fps <= 0) fps = 60;
  // The estimate is within a frame of the answer; the rows themselves decide.
  int64_t frame = static_cast<int64_t>(std::floor(static_cast<double>(row) / static_cast<double>(sync::kRowRate) * fps));
  if (frame < 0) frame = 0;
  while (frame > 0 && fw_CaptureRowOfFrame(frame - 1, fps) >= row) --frame;
  while (fw_CaptureRowOfFrame(frame, fps) < row) ++frame;
  return frame;
}

bool fw_CaptureInstall(const fw_CaptureSettings& settings, const std::string& musicFile) {
  gCapture = CaptureState();
  gCapture.settings = settings;
  gCapture.musicFile = musicFile;
  boost::system::error_code error;
  boost::filesystem::create_directories(settings.directory, error);
  if (!boost::filesystem::is_directory(settings.directory, error)) {
    fw_ReportFailure("Capture: could not create the directory <%s>.", settings.directory.c_str());
    return false;
  }
  gCapture.active = true;
  const int32_t fps = settings.fps;
  gCapture.firstFrame = settings.fromFrame >= 0 ? settings.fromFrame : fw_CaptureFirstFrameAtRow(settings.fromRow, fps);
  // The last frame at or before the end row is the one before the first frame past it.
  if (settings.toRow >= 0.0f)
    gCapture.lastFrame = fw_CaptureFirstFrameAtRow(std::nextafter(settings.toRow, INFINITY), fps) - 1;
  if (settings.frames >= 0) {
    const int64_t last = gCapture.firstFrame + settings.frames - 1;
    gCapture.lastFrame = gCapture.lastFrame >= 0 ? std::min(gCapture.lastFrame, last) : last;
  }
  std::vector<std::string> errors;
  const size_t dot = musicFile.find_last_of('.');
  if (dot != std::string::npos && musicFile.find('/', dot) == std::string::npos)
    gCapture.sections = sync::loadSections(musicFile.substr(0, dot) + ".sections", errors);
  gCapture.progress = std::make_unique<fw_CaptureProgressPrinter>(GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR);
  platform::SetVirtualPerformanceCounter([] { return fw_CaptureCounterTicks(FrameOfTick(gCapture.tick), gCapture.settings.fps); });
  fw_Log(fw_LogPlain, "Capture: writing frames at %d frames per second to <%s>.", settings.fps,
         settings.directory.c_str());
  return true;
}

bool fw_CaptureActive() { return gCapture.active; }
int64_t fw_CaptureFramesWritten() { return gCapture.written; }

void fw_CaptureBeginFrame() {
  if (!gCapture.active || gCapture.finished) return;
  const int64_t frame = FrameOfTick(gCapture.tick);
  // Frames before the span are stepped through for what they carry to the next frame (the
  // shared generator, camera shake, the scenes' own state), but never drawn.
  platform::SetGpuWorkDiscarded(gCapture.tick >= kWarmUpTicks && frame < gCapture.firstFrame);
  if (gCapture.tick == 0) {
    gCapture.wallStart = WallSeconds();
    gCapture.cpuStart = CpuSeconds();
    // The show's end, when the "GotoRow" track has one, gives the progress its total.
    if (sync::Device* device = fw_GetSyncDevice()) {
      for (const auto& [row, key] : device->getTrack("GotoRow").keys()) {
        if (key.value != 0.0f) continue;
        gCapture.showEndFrame = fw_CaptureFirstFrameAtRow(static_cast<float>(row), gCapture.settings.fps) - 1;
        break;
      }
    }
    if (gCapture.firstFrame > 0)
      fw_Log(fw_LogPlain, "Capture: stepping through frames 0 to %lld without drawing them.",
             static_cast<long long>(gCapture.firstFrame - 1));
  }
}

bool fw_CaptureReachedEnd(float row) {
  if (!gCapture.active) return false;
  if (gCapture.finished) return true;
  if (gCapture.lastFrame < 0 || FrameOfTick(gCapture.tick) <= gCapture.lastFrame) return false;
  fw_CaptureFinish();
  PostQuitMessage(0);
  return true;
}

void fw_CaptureFrame() {
  if (!gCapture.active || gCapture.finished) return;
  const int64_t tick = gCapture.tick++;  // the virtual clock moves on by exactly one tick
  const int64_t frame = FrameOfTick(tick);
  if (tick < kWarmUpTicks || frame < gCapture.firstFrame) return;
  if (gCapture.written == 0) gCapture.writeSeconds = 0.0;

  const std::string path = FramePath(frame);
  const double writeStart = WallSeconds();
  std::vector<uint8_t> png;
  std::string reason;
  if (!EncodeFrame(&png, &reason) || !platform::WriteWholeFile(path, png.data(), png.size(), &reason))
    StopOnWriteFailure(path, reason);
  gCapture.writeSeconds += WallSeconds() - writeStart;
  // Counted only now that the frame is on disk under its name.
  ++gCapture.written;
  const float row = fw_CaptureRowOfFrame(frame, gCapture.settings.fps);
  gCapture.progress->update(WallSeconds(), gCapture.written, TotalFrames(), row, SectionName(row));
  if (gCapture.lastFrame >= 0 && frame >= gCapture.lastFrame) {
    fw_CaptureFinish();
    PostQuitMessage(0);
  }
}

void fw_CaptureFinish() {
  if (!gCapture.active || gCapture.finished) return;
  gCapture.finished = true;
  platform::SetGpuWorkDiscarded(false);
  if (gCapture.staging) {
    gCapture.staging->Release();
    gCapture.staging = nullptr;
  }
  if (gCapture.written > 0) {
    const int64_t last = gCapture.firstFrame + gCapture.written - 1;
    const float row = fw_CaptureRowOfFrame(last, gCapture.settings.fps);
    gCapture.progress->finish(WallSeconds(), gCapture.written, TotalFrames(), row, SectionName(row));
  }
  const double wall = WallSeconds() - gCapture.wallStart;
  const double cpu = CpuSeconds() - gCapture.cpuStart;
  const int64_t n = gCapture.written;
  fw_Log(fw_LogPlain,
         "Capture: %lld frames in %.3f s (%.2f frames per second, %.2f ms of process CPU per frame, %.2f ms per "
         "frame reading back and writing).",
         static_cast<long long>(n), wall, wall > 0 ? n / wall : 0.0, n > 0 ? cpu * 1000.0 / n : 0.0,
         n > 0 ? gCapture.writeSeconds * 1000.0 / n : 0.0);
  if (n == 0 || gCapture.writeFailed) return;
  // With --frames-only the capture is one chunk of a longer video: whoever joins the chunks
  // makes the sound and the video once, from all of them.
  if (gCapture.settings.framesOnly) return;

  const std::string dir = gCapture.settings.directory;
  const double seconds = static_cast<double>(n) / gCapture.settings.fps;
  std::vector<int16_t> samples;
  int32_t channels = 0, rate = 0;
  const std::string wav = dir + "/soundtrack.wav";
  // The span's own stretch of the music, from its first frame's time.
  const double startSeconds = static_cast<double>(fw_CaptureCounterTicks(gCapture.firstFrame, gCapture.settings.fps)) * 1e-9;
  bool haveSound = DecodeSoundtrack(startSeconds, seconds, &samples, &channels, &rate);
  if (!haveSound) {
    // No soundtrack to decode: a silent track of the same length keeps the video's timing.
    channels = 2;
    rate = 44100;
    samples.assign(static_cast<size_t>(seconds * rate + 0.5) * channels, 0);
    fw_Log(fw_LogWarning, "Capture: the soundtrack <%s> could not be decoded; writing silence.",
           gCapture.musicFile.c_str());
  }
  std::string reason;
  if (!fw_WriteWav(wav, channels, rate, samples, &reason)) StopOnWriteFailure(wav, reason);

  if (SearchPathA(nullptr, "ffmpeg", nullptr, 0, nullptr, nullptr) == 0) {
    fw_Log(fw_LogPlain, "Capture: ffmpeg is not installed; no video made.");
    return;
  }
  const std::string video = dir + "/capture.mp4";
  const int status = Run({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-framerate",
                          std::to_string(gCapture.settings.fps), "-start_number", std::to_string(gCapture.firstFrame),
                          "-i", EscapedForImagePattern(dir) + "/frame_%06d.png", "-i", wav, "-c:v",
                          "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", video});
  if (status == 0)
    fw_Log(fw_LogPlain, "Capture: wrote <%s>.", video.c_str());
  else
    fw_Log(fw_LogWarning, "Capture: ffmpeg failed (status %d); the frames and soundtrack are in <%s>.", status,
           dir.c_str());
}
