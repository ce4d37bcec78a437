// Muxing a PNG capture into a video with ffmpeg.
#include "capture/fw_CaptureMux.h"

#include "capture/fw_RunProgram.h"

namespace {
// ffmpeg reads '%' in an image sequence's name as the start of the frame number's pattern.
std::string EscapedForImagePattern(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}
}  // namespace

int fw_MuxCaptureVideo(const std::string& directory, int32_t fps, int64_t firstFrame, const std::string& wav,
                       const std::string& video) {
  return fw_RunProgram({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-framerate", std::to_string(fps),
                        "-start_number", std::to_string(firstFrame), "-i",
                        EscapedForImagePattern(directory) + "/frame_%06d.png", "-i", wav, "-c:v", "libx264",
                        "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", video});
}
