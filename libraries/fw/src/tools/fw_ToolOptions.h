// The development tools' options: capture's (capture/fw_CaptureOptions.h), --live and
// --editor [PORT]. --live sets the framework's live mode; the capture options, when they ask for a
// capture, its offline mode.
#pragma once

#include "app/fw_StartupOptions.h"

#include <optional>
#include <string>

inline constexpr int kFwEditorDefaultPort = 7411;

struct fw_ToolOptions {
  std::optional<int> editorPort;  // --editor [PORT], with --live: the timeline page (0: any free port)
};

fw_ToolOptions& fw_GetToolOptions();

// An option parser's two steps (app/fw_ReadCommandLine.h), on the process-wide records.
int fw_ParseToolOption(int argc, const char* const* argv, int index, fw_StartupOptions* options, std::string* error);
// --editor needs --live, and the capture options must go together (fw_ValidateCaptureSettings).
bool fw_FinishToolOptions(fw_StartupOptions* options, std::string* error);

// The tools' lines of the usage text.
extern const char* const kFwToolUsage;
