// The command line's presets for start-up (--no-dialog, --windowed, --fullscreen, --mute, --alerts,
// --log, --echo, --render-scale, --sub-frames, --gl-debug, --check), kept in one process-wide record that the
// entry point fills and the framework reads where the settings are made. Options of libraries
// linked into the program (app/fw_ReadCommandLine.h) may set the record's modes too.
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
  std::optional<int> subFrames;  // --sub-frames N: motion-blur sub-frames a frame averages, 1 to 8
  bool glDebug = false;  // --gl-debug: GL errors become logged errors naming the call
  // Modes that another library's options ask for; the framework's part of them:
  bool live = false;     // files are edited while the show runs: the reloading sync device, a writable folder
  bool offline = false;  // frames are made for files: an offscreen window without a display, the
                         // render scale as given, presents that do not wait for the screen
  bool checkOnly = false;  // --check: read and check the command line, then end without starting
};

fw_StartupOptions& fw_GetStartupOptions();

// Parses argv[1..]. Returns false with a message naming the bad option (unknown option, missing or
// bad value); the record then holds what was read before it.
bool fw_ParseStartupOptions(int argc, const char* const* argv, fw_StartupOptions* options, std::string* error);
