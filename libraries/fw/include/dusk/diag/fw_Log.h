// The log: timestamped lines with a level prefix, warning and error counts, and the outputs
// (console echo, log file, listener, and alerts when none of those is set). Any thread may log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum fw_LogLevel : int { fw_LogPlain = 0, fw_LogWarning = 1, fw_LogError = 2 };

// printf-style; the one way every part of the program reports progress and problems.
void fw_Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// An empty path closes the log file; any other path opens it for appending.
void fw_SetLogFile(const std::string& path);
// The open log file's full path, empty while none is open.
std::string fw_GetLogPath();
// Returns the previous setting.
bool fw_SetLogEcho(bool echo);
// True when warnings and errors go to an alert because no echo, file or listener is set.
bool fw_LogAlertsByItself();
uint32_t fw_GetWarningCount();
uint32_t fw_GetErrorCount();
// Receives (level, message without timestamp and prefix) for every line; empty to remove.
void fw_SetLogListener(std::function<void(int, const char*)> listener);

namespace boost::posix_time { class ptime; }
// The line's timestamp for a local time: "2015-Mar-19 14:03:27.123".
std::string fw_LogTimestamp(const boost::posix_time::ptime& time);
// Sends the stand-in layers' reports (platform::Report) into the log at their level; the entry
// point calls it first thing.
void fw_ForwardPlatformReports();
