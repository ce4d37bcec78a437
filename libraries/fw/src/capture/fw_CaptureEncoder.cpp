// Feeding ffmpeg raw frames for capture mode's video.
#include "capture/fw_CaptureEncoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

std::vector<std::string> fw_CaptureEncoderCommand(uint32_t width, uint32_t height, int32_t fps,
                                                  const std::string& outputPath) {
  // -xerror: a failed write of the output (a full disk) ends ffmpeg with an error code, where it
  // would otherwise report it and exit with 0. +bitexact: the same frames give the same file.
  return {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-xerror",
          "-f", "rawvideo", "-pix_fmt", "rgba", "-s", std::to_string(width) + "x" + std::to_string(height),
          "-framerate", std::to_string(fps), "-i", "pipe:0",
          "-an", "-c:v", "libx264", "-preset", "ultrafast", "-crf", "17", "-pix_fmt", "yuv444p",
          "-fflags", "+bitexact", "-f", "matroska",
          // ffmpeg takes a name with a colon before any slash for a protocol's; "file:" keeps it a file.
          "file:" + outputPath};
}

namespace {
std::string HiddenPartName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".part";
}
}  // namespace

fw_CaptureEncoder::fw_CaptureEncoder(std::string path, int32_t fps)
    : mPath(std::move(path)), mPartPath(HiddenPartName(mPath)), mFps(fps) {}

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
    if (!mProcess.start(fw_CaptureEncoderCommand(width, height, mFps, mPartPath), reason)) {
      *reason = "the encoder could not start (" + *reason + ")";
      return false;
    }
    mWidth = width;
    mHeight = height;
  }
  if (width != mWidth || height != mHeight) {
    *reason = "the frame's size changed from " + std::to_string(mWidth) + " x " + std::to_string(mHeight) + " to " +
              std::to_string(width) + " x " + std::to_string(height);
    return false;
  }
  if (rgba.size() != size_t(width) * height * 4) {
    *reason = "the frame holds the wrong number of bytes";
    return false;
  }
  if (!mProcess.write(rgba.data(), rgba.size(), reason)) {
    // What the encoder itself said is on standard error; its exit code says how it ended.
    const int status = mProcess.finish();
    *reason = "the encoder did not take the whole frame: " + *reason +
              " (ffmpeg's exit code " + std::to_string(status) + ")";
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
  const int status = mProcess.finish();
  if (status != 0) {
    *reason = "the encoder failed (ffmpeg's exit code " + std::to_string(status) + ")";
    std::remove(mPartPath.c_str());
    return false;
  }
  if (std::rename(mPartPath.c_str(), mPath.c_str()) != 0) {
    *reason = std::strerror(errno);
    std::remove(mPartPath.c_str());
    return false;
  }
  return true;
}

void fw_CaptureEncoder::abandon() {
  mProcess.finish();
  std::remove(mPartPath.c_str());
}
