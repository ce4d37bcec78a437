// Command-line presets for start-up.
#include "app/fw_StartupOptions.h"

#include "device/fw_Quality.h"
#include "device/fw_RenderSize.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
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
    } else if (arg == "--check") {
      options->checkOnly = true;
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
      // A picture too small for the post chain would draw without its bloom and log errors.
      const fw_RenderSizeInput window;
      const int32_t width = fw_ScaledSide(window.windowWidth, scale), height = fw_ScaledSide(window.windowHeight, scale);
      if (std::min(width, height) < kFwSmallestRenderSide) {
        char text[256];
        std::snprintf(text, sizeof(text),
                      "--render-scale %s makes the %d x %d window's picture %d x %d; the post effects need at least "
                      "%d pixels a side (a scale of at least %.4g)",
                      v, window.windowWidth, window.windowHeight, width, height, kFwSmallestRenderSide,
                      std::ceil(1e4 * kFwSmallestRenderSide / std::min(window.windowWidth, window.windowHeight)) / 1e4);
        *error = text;
        return false;
      }
      options->renderScale = scale;
    } else if (arg == "--sub-frames") {
      const char* v = value("--sub-frames");
      if (!v) return false;
      char* end = nullptr;
      errno = 0;
      const long count = std::strtol(v, &end, 10);
      if (end == v || *end || errno || count < 1 || count > fw_kMaxSubFrames) {
        *error = std::string("--sub-frames takes a whole number from 1 to 8, not \"") + v + "\"";
        return false;
      }
      options->subFrames = static_cast<int>(count);
    } else {
      *error = "unknown option \"" + arg + "\"";
      return false;
    }
  }
  return true;
}
