// Reports from the stand-in layers (a shader that does not compile, an image that cannot be
// decoded). The platform tier knows nothing of the framework's log; the framework installs a
// sink that forwards these reports to it. Without a sink they go to standard error.
#pragma once

#include <functional>

namespace platform {

enum ReportLevel : int { kReportInfo = 0, kReportWarning = 1, kReportError = 2 };

// printf-style; any thread.
void Report(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// An empty function restores the standard-error sink.
void SetReportSink(std::function<void(int level, const char* message)> sink);

}  // namespace platform
