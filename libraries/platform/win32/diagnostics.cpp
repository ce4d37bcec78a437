// The platform's report channel: formatted once, handed to the installed sink or standard error.
#include <platform/diagnostics.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

namespace {
std::mutex gSinkMutex;
std::function<void(int, const char*)> gSink;
}  // namespace

namespace platform {

void Report(int level, const char* format, ...) {
  char message[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof(message), format, args);  // long reports are cut, never overrun
  va_end(args);
  std::function<void(int, const char*)> sink;
  {
    std::lock_guard<std::mutex> lock(gSinkMutex);
    sink = gSink;
  }
  if (sink) {
    sink(level, message);
  } else {
    static const char* const kPrefix[] = {"", "warning: ", "error: "};
    fprintf(stderr, "dusk: %s%s\n", kPrefix[level >= 0 && level <= 2 ? level : 0], message);
  }
}

void SetReportSink(std::function<void(int, const char*)> sink) {
  std::lock_guard<std::mutex> lock(gSinkMutex);
  gSink = std::move(sink);
}

}  // namespace platform
