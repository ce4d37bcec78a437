// Ending the process: the log line, the flush, the exit.
#include "diag/fw_Exit.h"

#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void fw_ExitProcess(int code, const char* reason) {
  fw_Log(fw_LogPlain, "Ending the process with exit code %d: %s.", code, reason ? reason : "");
  std::fflush(nullptr);
  std::exit(code);
}

void fw_ReportFailure(const char* format, ...) {
  char message[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  const bool alertedByLog = fw_LogAlertsByItself();
  fw_Log(fw_LogError, "%s", message);
  if (!alertedByLog) fw_Alert("%s", message);
}

void fw_AssertFailed(const char* condition, const char* message, const char* file, int line) {
  fw_Log(fw_LogError, "%s:%d: %s (%s)", file, line, message, condition);
  std::fprintf(stderr, "%s:%d: %s (%s)\n", file, line, message, condition);
  std::fflush(nullptr);
  std::abort();
}
