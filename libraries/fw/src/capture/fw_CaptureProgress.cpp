// Progress text and its printing.
#include "capture/fw_CaptureProgress.h"

#include <cmath>
#include <cstdio>

namespace {
// A terminal is refreshed four times a second; a log file gets a line every five seconds.
constexpr double kTerminalInterval = 0.25, kPlainInterval = 5.0;

std::string Clock(double seconds) {
  const long long s = static_cast<long long>(std::llround(seconds));
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof(text), "%lld:%02lld", s / 60, s % 60);
  return text;
}
}  // namespace

std::string fw_CaptureProgressText(int64_t done, int64_t total, float row, const std::string& section,
                                   double framesPerSecond) {
  char text[256];
  std::string line;
  if (total > 0) {
    std::snprintf(text, sizeof(text), "frame %lld of %lld (%.1f %%)", static_cast<long long>(done),
                  static_cast<long long>(total), 100.0 * static_cast<double>(done) / static_cast<double>(total));
  } else {
    std::snprintf(text, sizeof(text), "frame %lld", static_cast<long long>(done));
  }
  line = text;
  std::snprintf(text, sizeof(text), " · row %.1f", static_cast<double>(row));
  line += text;
  if (!section.empty()) line += " · " + section;
  const bool rate = framesPerSecond > 0.0 && std::isfinite(framesPerSecond);
  std::snprintf(text, sizeof(text), rate ? " · %.2f fps" : " · - fps", framesPerSecond);
  line += text;
  if (total > 0) {
    const int64_t left = total > done ? total - done : 0;
    line += " · ETA " + (rate ? Clock(static_cast<double>(left) / framesPerSecond) : std::string("-"));
  }
  return line;
}

fw_CaptureProgressPrinter::fw_CaptureProgressPrinter(bool terminal) : mTerminal(terminal) {}

void fw_CaptureProgressPrinter::update(double now, int64_t done, int64_t total, float row, const std::string& section) {
  if (mStart < 0.0) {
    // The rate counts from the first written frame: stepping and start-up are not frames.
    mStart = now;
    mStartDone = done;
  }
  if (mLastPrint >= 0.0 && now - mLastPrint < (mTerminal ? kTerminalInterval : kPlainInterval)) return;
  print(now, done, total, row, section);
}

void fw_CaptureProgressPrinter::finish(double now, int64_t done, int64_t total, float row, const std::string& section) {
  if (mStart < 0.0) return;  // nothing was written
  print(now, done, total, row, section);
  if (mTerminal) std::fputc('\n', stdout);
  std::fflush(stdout);
}

void fw_CaptureProgressPrinter::print(double now, int64_t done, int64_t total, float row, const std::string& section) {
  mLastPrint = now;
  const double elapsed = now - mStart;
  const double fps = elapsed > 0.0 ? static_cast<double>(done - mStartDone) / elapsed : 0.0;
  const std::string line = "Capture: " + fw_CaptureProgressText(done, total, row, section, fps);
  if (mTerminal) {
    // Pad over what a longer previous line left on the screen.
    const size_t pad = mLastWidth > line.size() ? mLastWidth - line.size() : 0;
    std::fprintf(stdout, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    mLastWidth = line.size();
  } else {
    std::fprintf(stdout, "%s\n", line.c_str());
  }
  std::fflush(stdout);
}
