// The video a capture writes without image files: raw RGBA frames through a pipe into ffmpeg,
// which encodes them as H.264 at constant quality (x264 ultrafast, CRF 17, full 4:4:4 colour) in
// Matroska (or MP4 or QuickTime, by the file's extension). That is about 290 KB for a 1280 x 720
// frame of the show, near the pictures (34 dB PSNR, the film grain being most of the loss), for
// about 20 ms of encoder time a frame; the chunks of a video join without encoding again. An
// encoder that takes nothing for a set time (stopped, stuck) fails the capture rather than hold it.
#pragma once

#include <platform/process_pipe.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How long the encoder may take nothing before the capture fails: 30 s, or the seconds in the
// environment variable DUSK_CAPTURE_STALL_SECONDS (for tests).
int fw_CaptureEncoderStallMilliseconds();

// ffmpeg's name for the container a video file's extension asks for (.mkv, .mp4, .mov, in any
// case), or nullptr when the capture does not write that container.
const char* fw_CaptureVideoFormat(const std::string& path);

// The encoder's arguments for frames of this size and rate, written to outputPath in format.
std::vector<std::string> fw_CaptureEncoderCommand(uint32_t width, uint32_t height, int32_t fps,
                                                  const std::string& format, const std::string& outputPath);

class fw_CaptureEncoder {
 public:
  // The video goes to a hidden temporary name beside path and gets its name only when whole.
  // stop, when it returns true, cuts short a wait for the encoder (a signal asked to stop).
  fw_CaptureEncoder(std::string path, int32_t fps, int stallMilliseconds, std::function<bool()> stop = {});
  ~fw_CaptureEncoder();

  // Hands one frame (tightly packed RGBA rows, top row first) to the encoder, starting it with
  // the first frame's size. False with the reason when the encoder cannot start, the frame's size
  // changed, or the pipe took less than the whole frame (the encoder died or took nothing for the
  // stall limit, its disk is full, a stop was asked for); then no file is left and no encoder runs.
  bool write(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, std::string* reason);
  // Ends the input and waits for the encoder; on success the video is renamed to its path. False
  // with the reason when the encoder failed, did not end within the stall limit, or the file
  // could not be renamed; then no file is left.
  bool finish(std::string* reason);
  // Stops without a video: the encoder is ended and its file removed.
  void abandon();

  const std::string& partPath() const { return mPartPath; }

 private:
  std::string mPath, mPartPath;
  int32_t mFps;
  uint32_t mWidth = 0, mHeight = 0;
  platform::PipedProcess mProcess;
};
