// Muxing a PNG capture into a video with ffmpeg.
#include "capture/fw_CaptureMux.h"

#include "capture/fw_CaptureEncoder.h"
#include "capture/fw_CaptureNames.h"

#include <platform/process_pipe.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool fw_MuxCaptureVideo(const std::string& directory, int32_t fps, int64_t firstFrame, const std::string& wav,
                        const std::string& video, const std::function<bool()>& stop, std::string* reason) {
  const std::string part = fw_CapturePartName(video);
  platform::PipedProcess ffmpeg;
  ffmpeg.setStopCheck(stop);
  // A whole show's mux takes minutes, so no time is set for it, only for a muxer whose video
  // stops growing (stopped, stuck): the encoder's limit, counted from the last byte it wrote.
  ffmpeg.setStallLimit(fw_CaptureEncoderStallMilliseconds());
  ffmpeg.setProgressCheck([part, written = -1.0]() mutable {
    struct stat status {};
    const double size = stat(part.c_str(), &status) == 0 ? static_cast<double>(status.st_size) : -1.0;
    const bool moved = size != written;
    written = size;
    return moved;
  });
  // The hidden name says nothing of the container, so it is named. "file:" keeps a name with a
  // colon a file's.
  if (!ffmpeg.start({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-framerate", std::to_string(fps),
                     "-start_number", std::to_string(firstFrame), "-i",
                     EscapedForImagePattern(directory) + "/frame_%06d.png", "-i", "file:" + wav, "-c:v", "libx264",
                     "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", "-f", "mp4", "file:" + part},
                    reason))
    return false;
  std::string why;
  const int status = ffmpeg.finish(&why);
  if (status != 0) {
    *reason = status < 0 ? why + "; it was ended" : "ffmpeg's exit code " + std::to_string(status);
    std::remove(part.c_str());
    return false;
  }
  return fw_PublishCapturePart(part, video, reason);
}
