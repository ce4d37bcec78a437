// The log: one line per call, "<timestamp>:  <prefix><message>", to the console echo, the log
// file ("\r\n" endings, flushed at once), the listener, or as an alert when none of them is set.
#include "diag/fw_Log.h"

#include "diag/fw_Alert.h"

#include <platform/diagnostics.h>
#include <platform/win32.h>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

constexpr size_t kLineSize = 16000;  // the whole line, terminator included

uint32_t gWarningCount = 0;
uint32_t gErrorCount = 0;
bool gEcho = false;
FILE* gLogFile = nullptr;
std::string gLogPath;
std::function<void(int, const char*)> gListener;

// The lock is created on first use and deleted at exit; a line logged after that (from another
// static destructor) is written without it, when only one thread is left.
struct LogLock {
  CRITICAL_SECTION section{};
  bool alive = false;
  LogLock() { alive = InitializeCriticalSectionAndSpinCount(&section, 4096) != 0; }
  ~LogLock() {
    if (alive) DeleteCriticalSection(&section);
    alive = false;
  }
};

LogLock& logLock() {
  static LogLock lock;
  return lock;
}

struct Locked {
  LogLock& lock = logLock();
  Locked() {
    if (lock.alive) EnterCriticalSection(&lock.section);
  }
  ~Locked() {
    if (lock.alive) LeaveCriticalSection(&lock.section);
  }
};

const char* prefixFor(int level) {
  switch (level) {
    case fw_LogWarning: return "WARNING: ";
    case fw_LogError: return "ERROR: ";
    default: return "";
  }
}

}  // namespace

// "2015-Mar-19 14:03:27.123": the date-time library's text form with microseconds, cut by three.
std::string fw_LogTimestamp(const boost::posix_time::ptime& time) {
  std::string text = boost::posix_time::to_simple_string(time);
  // The library leaves the fraction out when it is exactly zero; keep the shape fixed.
  if (text.size() < 7 || text[text.size() - 7] != '.') text += ".000000";
  return text.substr(0, text.size() - 3);
}

void fw_Log(int level, const char* format, ...) {
  if (level == fw_LogWarning) ++gWarningCount;
  if (level == fw_LogError) ++gErrorCount;

  std::string timestamp = fw_LogTimestamp(boost::posix_time::microsec_clock::local_time());
  char line[kLineSize];
  int head = snprintf(line, sizeof(line), "%s:  %s", timestamp.c_str(), prefixFor(level));
  if (head < 0) head = 0;
  size_t start = static_cast<size_t>(head) < sizeof(line) ? static_cast<size_t>(head) : sizeof(line) - 1;
  const char* message = line + start;
  va_list args;
  va_start(args, format);
  vsnprintf(line + start, sizeof(line) - start, format ? format : "", args);  // cut to fit
  va_end(args);

  Locked locked;
  if (gEcho) {
    fputs(line, stdout);
    fputc('\n', stdout);
    fflush(stdout);
  }
  if (gLogFile) {
    fputs(line, gLogFile);
    fputs("\r\n", gLogFile);
    fflush(gLogFile);
  }
  if (!gEcho && !gLogFile && !gListener && level != fw_LogPlain) fw_Alert("%s", line);
  if (gListener) gListener(level, message);
}

void fw_SetLogFile(const std::string& path) {
  Locked locked;
  if (gLogFile) fclose(gLogFile);  // a second file replaces the first
  gLogFile = nullptr;
  gLogPath.clear();
  if (path.empty()) return;

  char full[4096];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  std::string fullPath = (n > 0 && n < sizeof(full)) ? std::string(full, n) : path;
  struct stat st{};
  bool existed = stat(fullPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  gLogFile = fopen(fullPath.c_str(), "ab");
  if (!gLogFile) {
    // The path is only kept while a file is open: the summary alert must not name a file that
    // was never written.
    fw_Alert("Could not open log file \"%s\" for writing.", fullPath.c_str());
    return;
  }
  gLogPath = fullPath;
  if (existed) {
    fputs("\r\n", gLogFile);
    fflush(gLogFile);
  }
}

std::string fw_GetLogPath() {
  Locked locked;
  return gLogPath;
}

bool fw_SetLogEcho(bool echo) {
  Locked locked;
  bool previous = gEcho;
  gEcho = echo;
  return previous;
}

bool fw_LogAlertsByItself() {
  Locked locked;
  return !gEcho && !gLogFile && !gListener;
}

uint32_t fw_GetWarningCount() { return gWarningCount; }
uint32_t fw_GetErrorCount() { return gErrorCount; }

void fw_SetLogListener(std::function<void(int, const char*)> listener) {
  Locked locked;
  gListener = std::move(listener);
}

void fw_ForwardPlatformReports() {
  platform::SetReportSink([](int level, const char* message) {
    fw_Log(level >= fw_LogPlain && level <= fw_LogError ? level : fw_LogError, "%s", message);
  });
}
