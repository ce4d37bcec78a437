// Capture option parsing.
#include "capture/fw_CaptureOptions.h"

#include "capture/fw_CaptureEncoder.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
bool ParseFloat(const char* text, float* value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (*end || errno == ERANGE || !std::isfinite(v) || std::fabs(v) > 1e9) return false;
  *value = static_cast<float>(v);
  return true;
}

bool ParseInt(const char* text, int64_t low, int64_t high, int64_t* value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (*end || errno == ERANGE || v < low || v > high) return false;
  *value = v;
  return true;
}
}  // namespace

fw_CaptureSettings& fw_GetCaptureSettings() {
  static fw_CaptureSettings settings;
  return settings;
}

int fw_ParseCaptureOption(int argc, const char* const* argv, int index, fw_CaptureSettings* settings,
                          std::string* error) {
  if (index < 0 || index >= argc || !argv[index]) return 0;
  const char* option = argv[index];
  const bool known = !std::strcmp(option, "--capture") || !std::strcmp(option, "--capture-video") || !std::strcmp(option, "--fps") ||
                     !std::strcmp(option, "--from-row") || !std::strcmp(option, "--to-row") ||
                     !std::strcmp(option, "--frames") || !std::strcmp(option, "--from-frame");
  if (!std::strcmp(option, "--frames-only")) {
    settings->framesOnly = true;
    return 1;
  }
  if (!known) return 0;
  const char* value = index + 1 < argc ? argv[index + 1] : nullptr;
  if (!value) {
    *error = std::string(option) + " needs a value";
    return 1;
  }
  bool ok = true;
  int64_t number = 0;
  if (!std::strcmp(option, "--capture")) {
    ok = *value != '\0';
    if (ok) {
      if (!settings->videoFile.empty()) settings->both = true;
      settings->enabled = true;
      settings->directory = value;
    }
  } else if (!std::strcmp(option, "--capture-video")) {
    const std::string file = value;
    const size_t slash = file.find_last_of('/');
    ok = !file.empty() && file.back() != '/';
    if (ok) {
      if (settings->enabled && settings->videoFile.empty()) settings->both = true;
      settings->enabled = true;
      settings->videoFile = file;
      settings->directory = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    }
  } else if (!std::strcmp(option, "--fps")) {
    ok = ParseInt(value, 1, 1000, &number);
    if (ok) settings->fps = static_cast<int32_t>(number);
  } else if (!std::strcmp(option, "--from-row")) {
    ok = ParseFloat(value, &settings->fromRow) && settings->fromRow >= 0.0f;
  } else if (!std::strcmp(option, "--to-row")) {
    ok = ParseFloat(value, &settings->toRow) && settings->toRow >= 0.0f;
  } else if (!std::strcmp(option, "--from-frame")) {
    ok = ParseInt(value, 0, 100000000, &number);
    if (ok) settings->fromFrame = number;
  } else {
    ok = ParseInt(value, 1, 100000000, &number);
    if (ok) settings->frames = number;
  }
  if (!ok) *error = std::string("bad value for ") + option + ": \"" + value + "\"";
  return 2;
}

bool fw_ValidateCaptureSettings(const fw_CaptureSettings& settings, bool live, std::string* error) {
  if (settings.framesOnly && (!settings.enabled || !settings.videoFile.empty())) {
    *error = settings.enabled ? "--frames-only is for --capture DIR; --capture-video FILE writes the frames alone"
                              : "--frames-only needs --capture DIR";
    return false;
  }
  const fw_CaptureSettings defaults;
  if (settings.both) {
    *error = "give --capture DIR (PNG frames) or --capture-video FILE (a video), once";
    return false;
  }
  if (live && settings.enabled) {
    *error = "--live and --capture do not go together: live mode holds the show's last row, so the capture would not end";
    return false;
  }
  if (!settings.enabled) {
    if (settings.fps != defaults.fps || (settings.fromRow != defaults.fromRow && !live) || settings.toRow >= 0.0f ||
        settings.frames >= 0 || settings.fromFrame >= 0) {
      *error = live ? "--fps, --from-frame, --to-row and --frames need --capture DIR (--live takes --from-row only)"
                    : "--fps, --from-row, --from-frame, --to-row and --frames need --capture DIR";
      return false;
    }
    return true;
  }
  // The container follows the name, so a player never meets one file dressed as another.
  if (!settings.videoFile.empty() && !fw_CaptureVideoFormat(settings.videoFile)) {
    *error = "--capture-video writes .mkv (Matroska), .mp4 or .mov files, not \"" + settings.videoFile + "\"";
    return false;
  }
  if (settings.fromFrame >= 0 && settings.fromRow != defaults.fromRow) {
    *error = "--from-frame and --from-row name the same thing; give one";
    return false;
  }
  if (settings.toRow >= 0.0f && settings.toRow < settings.fromRow) {
    *error = "--to-row must not be below --from-row";
    return false;
  }
  return true;
}
