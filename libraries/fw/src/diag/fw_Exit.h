// The one way the framework ends the process, and the framework's check for its own misuse.
// Every end outside the main loop's orderly return (the dialog's Exit, a failed start-up step,
// the show's last row, a capture that cannot go on, a library that cannot be loaded) goes
// through fw_ExitProcess, so the log says why the program stopped.
#pragma once

// Notes the exit code and the reason in the log, flushes every stream and ends the process.
[[noreturn]] void fw_ExitProcess(int code, const char* reason);

// A failure the viewer must see: one error line in the log and exactly one alert for it (the log
// already alerts by itself when it has no echo, file or listener).
void fw_ReportFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Misuse of the framework by its caller: the message goes to the log and standard error, and
// the process aborts (in every build type).
#define FW_ASSERT(condition, message) \
  ((condition) ? static_cast<void>(0) : fw_AssertFailed(#condition, message, __FILE__, __LINE__))
[[noreturn]] void fw_AssertFailed(const char* condition, const char* message, const char* file, int line);
