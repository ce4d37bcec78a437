// Feeding ffmpeg raw frames for capture mode's video.
#include "capture/fw_CaptureEncoder.h"

#include "capture/fw_CaptureNames.h"
#include "diag/fw_Log.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <utility>

int fw_CaptureEncoderStallMilliseconds() {
  constexpr int kDefault = 30000;
  const char* text = std::getenv("DUSK_CAPTURE_STALL_SECONDS");
  if (!text || !*text) return kDefault;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (*end || !std::isfinite(seconds) || seconds <= 0.0 || seconds > 86400.0) {
    fw_Log(fw_LogWarning, "Capture: DUSK_CAPTURE_STALL_SECONDS=\"%s\" is no number of seconds; waiting %d s.", text,
           kDefault / 1000);
    return kDefault;
  }
  return std::max(1, static_cast<int>(seconds * 1000.0 + 0.5));
}

const char* fw_CaptureVideoFormat(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  const std::string extension = path.substr(dot + 1);
  static const struct {
    const char* extension;
    const char* format;
  } kFormats[] = {{"mkv", "matroska"}, {"mp4", "mp4"}, {"mov", "mov"}};
  for (const auto& known : kFormats)
    if (strcasecmp(extension.c_str(), known.extension) == 0) return known.format;
  return nullptr;
}

std::vector<std::string> fw_CaptureEncoderCommand(uint32_t width, uint32_t height, int32_t fps,
                                                  const std::string& format, const std::string& outputPath) {
  // -xerror: a failed write of the output (a full disk) ends ffmpeg with an error code, where it
  // would otherwise report it and exit with 0. +bitexact: the same frames give the same file.
  return {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-xerror",
          "-f", "rawvideo", "-pix_fmt", "rgba", "-s", std::to_string(width) + "x" + std::to_string(height),
          "-framerate", std::to_string(fps), "-i", "pipe:0",
          "-an", "-c:v", "libx264", "-preset", "ultrafast", "-crf", "17", "-pix_fmt", "yuv444p",
          "-fflags", "+bitexact", "-f", format,
          // ffmpeg takes a name with a colon before any slash for a protocol's; "file:" keeps it a file.
          "file:" + outputPath};
}

fw_CaptureEncoder::fw_CaptureEncoder(std::string path, int32_t fps, int stallMilliseconds, std::function<bool()> stop)
    : mPath(std::move(path)), mPartPath(fw_CapturePartName(mPath)), mFps(fps) {
  mProcess.setStallLimit(stallMilliseconds);
  mProcess.setStopCheck(std::move(stop));
}

fw_CaptureEncoder::~fw_CaptureEncoder() {
  if (mProcess.running()) abandon();
}

bool fw_CaptureEncoder::write(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height,
                              std::string* reason) {
  if (!mProcess.running()) {
    if (mWidth != 0) {
      *reason = "the encoder is no longer running";
      return false;
    }
    const char* format = fw_CaptureVideoFormat(mPath);
    if (!mProcess.start(fw_CaptureEncoderCommand(width, height, mFps, format ? format : "matroska", mPartPath),
                        reason)) {
      *reason = "the encoder could not start (" + *reason + ")";
      return false;
    }
    mWidth = width;
    mHeight = height;
  }
  if (width != mWidth || height != mHeight) {
    *reason = "the frame's size changed from " + std::to_string(mWidth) + " x " + std::to_string(mHeight) + " to " +
              std::to_string(width) + " x " + std::to_string(height);
    abandon();
    return false;
  }
  if (rgba.size() != size_t(width) * height * 4) {
    *reason = "the frame holds the wrong number of bytes";
    abandon();
    return false;
  }
  std::string why;
  if (!mProcess.write(rgba.data(), rgba.size(), &why)) {
    // What the encoder itself said is on standard error; its exit code says how it ended. One
    // that took nothing (or was asked to stop) is already ended.
    const int status = mProcess.finish();
    *reason = "the encoder did not take the whole frame: " + why +
              (status >= 0 ? " (ffmpeg's exit code " + std::to_string(status) + ")" : "; it was ended");
    std::remove(mPartPath.c_str());
    return false;
  }
  return true;
}

bool fw_CaptureEncoder::finish(std::string* reason) {
  if (!mProcess.running()) {
    *reason = mWidth == 0 ? "no frame was encoded" : "the encoder is no longer running";
    return false;
  }
  std::string why;
  const int status = mProcess.finish(&why);
  if (status != 0) {
    *reason = status < 0 ? "the encoder failed: " + why + "; it was ended"
                         : "the encoder failed (ffmpeg's exit code " + std::to_string(status) + ")";
    std::remove(mPartPath.c_str());
    return false;
  }
  return fw_PublishCapturePart(mPartPath, mPath, reason);
}

void fw_CaptureEncoder::abandon() {
  mProcess.kill();
  std::remove(mPartPath.c_str());
}
