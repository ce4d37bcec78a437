// The video a capture writes without image files: raw RGBA frames through a pipe into ffmpeg,
// which encodes them as H.264 at constant quality (x264 ultrafast, CRF 17, full 4:4:4 colour) in
// Matroska. That is about 290 KB for a 1280 x 720 frame of the show, near the pictures (34 dB
// PSNR, the film grain being most of the loss), for about 20 ms of encoder time a frame; the
// chunks of a video join without encoding again.
#pragma once

#include <platform/process_pipe.h>

#include <cstdint>
#include <string>
#include <vector>

// The encoder's arguments for frames of this size and rate, written to outputPath.
std::vector<std::string> fw_CaptureEncoderCommand(uint32_t width, uint32_t height, int32_t fps,
                                                  const std::string& outputPath);

class fw_CaptureEncoder {
 public:
  // The video goes to a hidden temporary name beside path and gets its name only when whole.
  fw_CaptureEncoder(std::string path, int32_t fps);
  ~fw_CaptureEncoder();

  // Hands one frame (tightly packed RGBA rows, top row first) to the encoder, starting it with
  // the first frame's size. False with the reason when the encoder cannot start, the frame's size
  // changed, or the pipe took less than the whole frame (the encoder died, its disk is full).
  bool write(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, std::string* reason);
  // Ends the input and waits for the encoder; on success the video is renamed to its path. False
  // with the reason when the encoder failed or the file could not be renamed; then no file is left.
  bool finish(std::string* reason);
  // Stops without a video: the encoder's input ends and its file is removed.
  void abandon();

 private:
  std::string mPath, mPartPath;
  int32_t mFps;
  uint32_t mWidth = 0, mHeight = 0;
  platform::PipedProcess mProcess;
};
