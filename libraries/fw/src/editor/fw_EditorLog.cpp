// Logging from the server thread without an alert.
#include "editor/fw_EditorLog.h"

#include "diag/fw_Log.h"

#include <cstdarg>
#include <cstdio>

void fw_EditorLog(int level, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  if (level != fw_LogPlain && fw_LogAlertsByItself()) {
    std::fprintf(stderr, "%s\n", text);
    level = fw_LogPlain;
  }
  fw_Log(level, "%s", text);
}
