// Render size, letterbox and output-size maths of the device set-up and the present. Pure
// functions of the settings, so every desktop shape can be checked without a window.
#pragma once

#include <cstdint>
#include <string>

struct fw_RenderSizeInput {
  bool fullscreen = false;
  bool finalMarker = false;  // ".final" in the working directory: fixed render size in full screen
  int32_t windowWidth = 1280, windowHeight = 720;
  float renderScale = 1.0f;
  int32_t desktopWidth = 0, desktopHeight = 0;
  float aspect = 16.0f / 9.0f;
};

struct fw_RenderSize {
  int32_t width = 0, height = 0;
  bool letterbox = false;
  std::string logLine;  // the plain log line announcing the letterbox; empty without one
};

// The render size's shorter side must be at least this: the bloom's deepest level is a
// sixty-fourth of the render size, and below it the post chain has no target to draw to.
inline constexpr int32_t kFwSmallestRenderSide = 64;

// The size of one side scaled by the render scale: double precision, truncated toward zero.
int32_t fw_ScaledSide(int32_t side, float renderScale);

fw_RenderSize fw_ComputeRenderSize(const fw_RenderSizeInput& input);

// Output size: the desktop in full screen (when its mode could be read), the window's client area
// otherwise.
void fw_OutputSize(bool fullscreen, int32_t windowWidth, int32_t windowHeight, int32_t desktopWidth,
                   int32_t desktopHeight, int32_t* width, int32_t* height);

// Height of each letterbox bar when scaling the render out to the output; 0 without letterbox.
int32_t fw_LetterboxOffset(bool letterbox, int32_t outputWidth, int32_t outputHeight, int32_t renderWidth,
                           int32_t renderHeight);
