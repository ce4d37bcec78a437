// Render size and letterbox maths.
#include "device/fw_RenderSize.h"

#include <cmath>
#include <cstdio>

int32_t fw_ScaledSide(int32_t side, float renderScale) {
  const double scaled = static_cast<double>(side) * static_cast<double>(renderScale);
  // A scale that is not a positive finite number (or a size past int range) would leave no
  // picture or overflow; one pixel, or the unscaled side, is the safe reading.
  if (!std::isfinite(scaled) || scaled >= 2147483647.0) return side > 0 ? side : 1;
  const int32_t truncated = static_cast<int32_t>(scaled);
  return truncated > 0 ? truncated : 1;
}

fw_RenderSize fw_ComputeRenderSize(const fw_RenderSizeInput& input) {
  fw_RenderSize size;
  if (input.fullscreen && !input.finalMarker) {
    size.width = input.desktopWidth;
    size.height = input.desktopHeight;
  } else {
    size.width = fw_ScaledSide(input.windowWidth, input.renderScale);
    size.height = fw_ScaledSide(input.windowHeight, input.renderScale);
  }
  // An unread desktop mode gives 0 × 0; fall back to the window size rather than no picture.
  if (size.width <= 0 || size.height <= 0) {
    size.width = fw_ScaledSide(input.windowWidth, input.renderScale);
    size.height = fw_ScaledSide(input.windowHeight, input.renderScale);
  }

  const float a = input.aspect;
  const float ratio = static_cast<float>(static_cast<double>(size.width) / static_cast<double>(size.height));
  if (a > 0.0f && a > ratio) {
    const int32_t oldHeight = size.height;
    const int32_t newHeight = static_cast<int32_t>(static_cast<double>(size.width) / static_cast<double>(a));
    size.height = newHeight > 0 ? newHeight : 1;
    size.letterbox = true;
    char line[256];
    std::snprintf(line, sizeof(line),
                  "Resizing backbuffer dimensions: (%d, %d) -> (%d, %d) to obtain an aspect ratio of %.5f.   "
                  "Letterbox will be applied.",
                  size.width, oldHeight, size.width, size.height, static_cast<double>(a));
    size.logLine = line;
  }
  return size;
}

void fw_OutputSize(bool fullscreen, int32_t windowWidth, int32_t windowHeight, int32_t desktopWidth,
                   int32_t desktopHeight, int32_t* width, int32_t* height) {
  // An unread desktop mode (0 × 0) falls back to the window, as the render size does: a swap
  // chain of no pixels would show nothing.
  const bool desktop = fullscreen && desktopWidth > 0 && desktopHeight > 0;
  *width = desktop ? desktopWidth : windowWidth;
  *height = desktop ? desktopHeight : windowHeight;
}

int32_t fw_LetterboxOffset(bool letterbox, int32_t outputWidth, int32_t outputHeight, int32_t renderWidth,
                           int32_t renderHeight) {
  if (!letterbox || renderWidth <= 0) return 0;
  const int64_t scaledHeight = static_cast<int64_t>(outputWidth) * renderHeight / renderWidth;
  return static_cast<int32_t>((outputHeight - scaledHeight) / 2);
}
