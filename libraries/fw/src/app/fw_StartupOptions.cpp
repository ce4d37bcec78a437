// Command-line presets for start-up.
#include "app/fw_StartupOptions.h"

#include <cstdlib>
#include <cstring>

fw_StartupOptions& fw_GetStartupOptions() {
  static fw_StartupOptions options;
  return options;
}

bool fw_ParseStartupOptions(int argc, const char* const* argv, fw_StartupOptions* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc || !argv[i + 1]) {
        *error = std::string(name) + " needs a value";
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--no-dialog") {
      options->noDialog = true;
    } else if (arg == "--windowed") {
      options->fullscreen = false;
    } else if (arg == "--fullscreen") {
      options->fullscreen = true;
    } else if (arg == "--mute") {
      options->mute = true;
    } else if (arg == "--echo") {
      options->echo = true;
    } else if (arg == "--gl-debug") {
      options->glDebug = true;
    } else if (arg == "--alerts") {
      const char* v = value("--alerts");
      if (!v) return false;
      if (!strcmp(v, "box")) options->alertMode = 1;
      else if (!strcmp(v, "console")) options->alertMode = 0;
      else if (!strcmp(v, "off")) options->alertMode = 2;
      else {
        *error = std::string("--alerts takes box, console or off, not \"") + v + "\"";
        return false;
      }
    } else if (arg == "--log") {
      const char* v = value("--log");
      if (!v) return false;
      if (!*v) {
        *error = "--log needs a file name";
        return false;
      }
      options->logFile = v;
    } else if (arg == "--render-scale") {
      const char* v = value("--render-scale");
      if (!v) return false;
      char* end = nullptr;
      float scale = strtof(v, &end);
      // Above 0 and at most 4: a render target past 4x the window is no longer a preview setting.
      if (end == v || *end || !(scale > 0.0f && scale <= 4.0f)) {
        *error = std::string("--render-scale takes a number above 0 and at most 4, not \"") + v + "\"";
        return false;
      }
      options->renderScale = scale;
    } else {
      *error = "unknown option \"" + arg + "\"";
      return false;
    }
  }
  return true;
}
