// Capture mode: the span, the frame hooks of the tick, and the files at the end.
#include "capture/fw_Capture.h"

#include "capture/fw_CaptureEncoder.h"
#include "capture/fw_CaptureFiles.h"
#include "capture/fw_CaptureMux.h"
#include "capture/fw_CapturePaths.h"
#include "capture/fw_CaptureProgress.h"
#include "capture/fw_CaptureReadback.h"
#include "capture/fw_CaptureSignals.h"
#include "capture/fw_CaptureSoundtrack.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "sync/fw_Sync.h"
#include "sync/sync_Sections.h"

#include <platform/d3d10_offline.h>
#include <platform/file_write.h>
#include <platform/win32.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {
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
  double spanStart = -1.0;      // wall time when the span's first frame began
  fw_CaptureReadback readback;
  std::unique_ptr<fw_CaptureEncoder> encoder;  // --capture-video: the frames go here, not to PNGs
  std::vector<uint8_t> pixels;                 // the frame handed to the encoder, kept for its size
  std::vector<sync::Section> sections;
  std::unique_ptr<fw_CaptureProgressPrinter> progress;
};
CaptureState gCapture;

// The frames this capture writes, when known: the span's end, or the show's own.
int64_t TotalFrames() {
  const int64_t last = gCapture.lastFrame >= 0 ? gCapture.lastFrame : gCapture.showEndFrame;
  return last >= gCapture.firstFrame ? last - gCapture.firstFrame + 1 : 0;
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

// The last progress line, for the frames that are written.
void FinishProgress() {
  if (gCapture.written == 0) return;
  const int64_t last = gCapture.firstFrame + gCapture.written - 1;
  const float row = fw_CaptureRowOfFrame(last, gCapture.settings.fps);
  gCapture.progress->finish(WallSeconds(), gCapture.written, TotalFrames(), row, SectionName(row));
}

bool StopRequested() { return fw_CaptureStopSignal() != 0; }

// A signal asked the capture to stop: the encoder is ended and its hidden file removed, and
// nothing more is written; what is on disk under a final name stays, and is whole.
[[noreturn]] void StopOnSignal() {
  const int signal = fw_CaptureStopSignal();
  gCapture.finished = true;
  platform::SetGpuWorkDiscarded(false);
  FinishProgress();
  if (gCapture.encoder) gCapture.encoder->abandon();
  fw_Log(fw_LogWarning, "Capture: stopped by %s after %lld frames; %s.", fw_CaptureSignalName(signal),
         static_cast<long long>(gCapture.written),
         gCapture.encoder ? ("no video written to <" + gCapture.settings.videoFile + ">").c_str()
                          : "the frames written are whole; no soundtrack or video made");
  fw_ExitProcess(fw_CaptureStopExitCode(signal), "a signal stopped the capture");
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

}  // namespace

bool fw_CaptureInstall(const fw_CaptureSettings& settings, const std::string& musicFile) {
  gCapture = CaptureState();
  gCapture.settings = settings;
  gCapture.musicFile = musicFile;
  std::string path, reason;
  if (!fw_PrepareCapturePaths(settings, &path, &reason)) {
    fw_ReportFailure("Capture: could not write <%s>: %s.", path.c_str(), reason.c_str());
    return false;
  }
  fw_CaptureCatchStopSignals();
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
  platform::SetVirtualPerformanceCounter([] { return fw_CaptureCounterTicks(fw_CaptureFrameOfTick(gCapture.tick), gCapture.settings.fps); });
  if (!settings.videoFile.empty()) {
    gCapture.encoder = std::make_unique<fw_CaptureEncoder>(settings.videoFile, settings.fps,
                                                           fw_CaptureEncoderStallMilliseconds(), StopRequested);
    fw_Log(fw_LogPlain, "Capture: encoding frames at %d frames per second into <%s>.", settings.fps,
           settings.videoFile.c_str());
  } else {
    fw_Log(fw_LogPlain, "Capture: writing frames at %d frames per second to <%s>.", settings.fps,
           settings.directory.c_str());
  }
  return true;
}

bool fw_CaptureActive() { return gCapture.active; }
int64_t fw_CaptureFramesWritten() { return gCapture.written; }

void fw_CaptureBeginFrame() {
  if (!gCapture.active || gCapture.finished) return;
  if (StopRequested()) StopOnSignal();
  const int64_t frame = fw_CaptureFrameOfTick(gCapture.tick);
  // Frames before the span are stepped through for what they carry to the next frame (the
  // shared generator, camera shake, the scenes' own state), but never drawn.
  platform::SetGpuWorkDiscarded(gCapture.tick >= fw_kCaptureWarmUpTicks && frame < gCapture.firstFrame);
  if (gCapture.spanStart < 0.0 && gCapture.tick >= fw_kCaptureWarmUpTicks && frame == gCapture.firstFrame)
    gCapture.spanStart = WallSeconds();
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
  if (gCapture.lastFrame < 0 || fw_CaptureFrameOfTick(gCapture.tick) <= gCapture.lastFrame) return false;
  fw_CaptureFinish();
  PostQuitMessage(0);
  return true;
}

void fw_CaptureFrame() {
  if (!gCapture.active || gCapture.finished) return;
  const int64_t tick = gCapture.tick++;  // the virtual clock moves on by exactly one tick
  const int64_t frame = fw_CaptureFrameOfTick(tick);
  if (tick < fw_kCaptureWarmUpTicks || frame < gCapture.firstFrame) return;
  if (gCapture.written == 0) gCapture.writeSeconds = 0.0;

  const double writeStart = WallSeconds();
  std::string reason;
  if (gCapture.encoder) {
    uint32_t width = 0, height = 0;
    if (!gCapture.readback.readRgba(&gCapture.pixels, &width, &height, &reason) ||
        !gCapture.encoder->write(gCapture.pixels, width, height, &reason)) {
      // An encoder that got the same Ctrl+C from the terminal ends by itself: that is the stop too.
      if (StopRequested()) StopOnSignal();
      StopOnWriteFailure(gCapture.settings.videoFile, reason);
    }
  } else {
    const std::string path = FramePath(frame);
    std::vector<uint8_t> png;
    if (!gCapture.readback.readPng(&png, &reason) || !platform::WriteWholeFile(path, png.data(), png.size(), &reason))
      StopOnWriteFailure(path, reason);
  }
  gCapture.writeSeconds += WallSeconds() - writeStart;
  // Counted only now that the frame is on disk under its name, or taken whole by the encoder.
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
  gCapture.readback.release();
  FinishProgress();
  // The video is whole only once the encoder has ended well; until then it has no name.
  std::string encoderFailure;
  if (gCapture.encoder) {
    if (gCapture.written == 0 || gCapture.writeFailed) {
      gCapture.encoder->abandon();
    } else if (!gCapture.encoder->finish(&encoderFailure)) {
      if (StopRequested()) StopOnSignal();
      if (encoderFailure.empty()) encoderFailure = "the encoder failed";
    }
  }
  const double now = WallSeconds();
  const double wall = now - gCapture.wallStart;
  const double cpu = CpuSeconds() - gCapture.cpuStart;
  const int64_t n = gCapture.written;
  // The span's own frames, without the start-up and the frames stepped through before it: what
  // a frame of a capture costs, encoding included.
  const double span = gCapture.spanStart >= 0.0 && n > 0 ? (now - gCapture.spanStart) * 1000.0 / n : 0.0;
  fw_Log(fw_LogPlain,
         "Capture: %lld frames in %.3f s (%.2f frames per second, %.2f ms of process CPU per frame, %.2f ms per "
         "frame reading back and writing, %.1f ms per frame of the span).",
         static_cast<long long>(n), wall, wall > 0 ? n / wall : 0.0, n > 0 ? cpu * 1000.0 / n : 0.0,
         n > 0 ? gCapture.writeSeconds * 1000.0 / n : 0.0, span);
  if (gCapture.encoder) {
    gCapture.encoder.reset();
    if (!encoderFailure.empty()) StopOnWriteFailure(gCapture.settings.videoFile, encoderFailure);
    if (n > 0 && !gCapture.writeFailed) fw_Log(fw_LogPlain, "Capture: wrote <%s>.", gCapture.settings.videoFile.c_str());
    return;  // the video alone: whoever joins the chunks adds the music
  }
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
  bool haveSound = fw_DecodeSoundtrack(gCapture.musicFile, startSeconds, seconds, &samples, &channels, &rate);
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
  if (StopRequested()) StopOnSignal();
  const std::string video = dir + "/capture.mp4";
  if (fw_MuxCaptureVideo(dir, gCapture.settings.fps, gCapture.firstFrame, wav, video, StopRequested, &reason))
    fw_Log(fw_LogPlain, "Capture: wrote <%s>.", video.c_str());
  else if (StopRequested())
    StopOnSignal();
  else
    fw_Log(fw_LogWarning, "Capture: ffmpeg failed (%s); the frames and soundtrack are in <%s>.", reason.c_str(),
           dir.c_str());
}
