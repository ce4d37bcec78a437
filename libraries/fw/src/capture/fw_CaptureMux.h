// The video of a PNG capture: its frames and its soundtrack muxed by ffmpeg into one MP4, under a
// hidden name that is renamed when ffmpeg has ended well, as every other file of a capture is.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Muxes directory/frame_NNNNNN.png from firstFrame on, at fps, with the WAV into video (H.264
// and AAC). False with the reason when ffmpeg could not start, failed, or was ended because stop
// returned true (asked at least every tenth of a second); then nothing is left under either name.
bool fw_MuxCaptureVideo(const std::string& directory, int32_t fps, int64_t firstFrame, const std::string& wav,
                        const std::string& video, const std::function<bool()>& stop, std::string* reason);
