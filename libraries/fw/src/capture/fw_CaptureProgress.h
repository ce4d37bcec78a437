// The progress line of a capture: frames done of the total, percent, the row and its section,
// the frame rate and the time left. On a terminal it is rewritten in place a few times a second;
// into a file or a pipe it goes as a plain line every few seconds.
#pragma once

#include <cstdint>
#include <string>

// "frame 120 of 4878 (2.5 %) · row 70.4 · intro · 1.31 fps · ETA 1:02:13"; without a total
// (total <= 0) the count, percent and ETA are left out, and so is an empty section.
std::string fw_CaptureProgressText(int64_t done, int64_t total, float row, const std::string& section,
                                   double framesPerSecond);

class fw_CaptureProgressPrinter {
 public:
  // terminal: rewrite one line with '\r'; otherwise one line per interval.
  explicit fw_CaptureProgressPrinter(bool terminal);
  // Called after each written frame with the wall clock in seconds; prints when it is due.
  void update(double now, int64_t done, int64_t total, float row, const std::string& section);
  // The last state, always printed, and the line ended.
  void finish(double now, int64_t done, int64_t total, float row, const std::string& section);

 private:
  void print(double now, int64_t done, int64_t total, float row, const std::string& section);
  bool mTerminal;
  double mStart = -1.0, mLastPrint = -1.0;
  int64_t mStartDone = 0;
  size_t mLastWidth = 0;
};
