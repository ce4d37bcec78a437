// Capture mode's command-line options: --capture DIR or --capture-video FILE, [--fps N] [--from-row R | --from-frame N]
// [--to-row R] [--frames N] [--frames-only]. The program's option parser hands every argument it
// does not know to fw_ParseCaptureOption; the settings stay in one process-wide record.
#pragma once

#include <cstdint>
#include <string>

struct fw_CaptureSettings {
  bool enabled = false;
  std::string directory;     // the PNG frames' folder, or the video's
  std::string videoFile;     // set: the frames go to this video, not to PNG files
  int32_t fps = 60;
  float fromRow = 0.0f;     // the span starts at the first frame at or after this row (live: the start)
  int64_t fromFrame = -1;   // or at this frame of the show (frame k is at k / fps seconds)
  float toRow = -1.0f;      // below 0: no row limit
  int64_t frames = -1;   // below 0: no frame limit
  bool both = false;         // --capture and --capture-video both given: refused after parsing
  bool framesOnly = false;  // the frames alone: no soundtrack, no video (chunks of a longer video)
};

fw_CaptureSettings& fw_GetCaptureSettings();

// Looks at argv[index]. Returns how many arguments it consumed (0 when the argument is not a
// capture option). A capture option with a missing or bad value consumes what it looked at and
// sets *error to a message naming the option.
int fw_ParseCaptureOption(int argc, const char* const* argv, int index, fw_CaptureSettings* settings,
                          std::string* error);

// After all options: --fps and the limits without --capture are an error, and so are --capture
// and --capture-video together, a video file whose extension names no container the capture
// writes, and a row range that ends before it starts. Without limits a capture runs to the
// show's own end. With --live (live), --from-row alone is the row the show starts at, and
// --capture is refused: live mode holds the show's last row, so a capture would never end.
bool fw_ValidateCaptureSettings(const fw_CaptureSettings& settings, bool live, std::string* error);
