// The development tools' options.
#include "tools/fw_ToolOptions.h"

#include "capture/fw_CaptureOptions.h"

#include <cstdlib>

const char* const kFwToolUsage =
    "[--live [--from-row R] [--editor [PORT]]]\n"
    "[--capture DIR | --capture-video FILE.mkv] [--fps N] [--from-row R] [--to-row R] [--frames N]\n"
    "(a capture also takes --from-frame K instead of --from-row; --capture takes --frames-only)\n";

fw_ToolOptions& fw_GetToolOptions() {
  static fw_ToolOptions options;
  return options;
}

int fw_ParseToolOption(int argc, const char* const* argv, int index, fw_StartupOptions* options, std::string* error) {
  const std::string arg = argv[index];
  if (arg == "--live") {
    options->live = true;
    return 1;
  }
  if (arg == "--editor") {
    fw_GetToolOptions().editorPort = kFwEditorDefaultPort;
    // The port is optional: a following word that is not a number is the next option.
    if (index + 1 >= argc || !argv[index + 1] || argv[index + 1][0] < '0' || argv[index + 1][0] > '9') return 1;
    const char* v = argv[index + 1];
    char* end = nullptr;
    const long port = strtol(v, &end, 10);
    if (*end || port < 0 || port > 65535) {
      *error = std::string("--editor takes a port from 0 to 65535 (0: any free one), not \"") + v + "\"";
      return 2;
    }
    fw_GetToolOptions().editorPort = static_cast<int>(port);
    return 2;
  }
  return fw_ParseCaptureOption(argc, argv, index, &fw_GetCaptureSettings(), error);
}

bool fw_FinishToolOptions(fw_StartupOptions* options, std::string* error) {
  if (fw_GetToolOptions().editorPort && !options->live) {
    *error = "--editor edits the running show's tracks and needs --live";
    return false;
  }
  if (!fw_ValidateCaptureSettings(fw_GetCaptureSettings(), options->live, error)) return false;
  options->offline = fw_GetCaptureSettings().enabled;
  return true;
}
