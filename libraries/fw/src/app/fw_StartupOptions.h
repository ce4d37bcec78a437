// The command line's presets for start-up (--no-dialog, --windowed, --fullscreen, --mute, --alerts,
// --log, --echo, --render-scale, --gl-debug, --live, --editor, --check), kept in one process-wide record that the entry point fills and
// the framework reads where the settings are made. Other options go to the capture parser.
#pragma once

#include <optional>
#include <string>

struct fw_StartupOptions {
  bool noDialog = false;
  std::optional<bool> fullscreen;  // --windowed / --fullscreen: presets the dialog and the setting
  bool mute = false;
  std::optional<int> alertMode;    // --alerts box|console|off: 1, 0, 2
  std::string logFile;
  bool echo = false;
  std::optional<float> renderScale;
  bool glDebug = false;  // --gl-debug: GL errors become logged errors naming the call
  bool live = false;     // --live: saved files reload, transport keys, a status title
  std::optional<int> editorPort;  // --editor [PORT], with --live: the timeline page (0: any free port)
  bool checkOnly = false;  // --check: read and check the command line, then end without starting
};

inline constexpr int kFwEditorDefaultPort = 7411;

fw_StartupOptions& fw_GetStartupOptions();

// Parses argv[1..]. Returns false with a message naming the bad option (unknown option, missing or
// bad value); the record then holds what was read before it.
bool fw_ParseStartupOptions(int argc, const char* const* argv, fw_StartupOptions* options, std::string* error);
// Usage text for --help and errors.
const char* fw_StartupUsage();
