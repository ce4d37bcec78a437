// The video of a PNG capture: its frames and its soundtrack muxed by ffmpeg into one MP4.
#pragma once

#include <cstdint>
#include <string>

// Muxes directory/frame_NNNNNN.png from firstFrame on, at fps, with the WAV into video (H.264
// and AAC). ffmpeg's exit code, or -1 when it could not start.
int fw_MuxCaptureVideo(const std::string& directory, int32_t fps, int64_t firstFrame, const std::string& wav,
                       const std::string& video);
