// Track curve plots, written with stb_image_write.
#include "track_plot.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace track_tool {

namespace {

struct Rgb {
  unsigned char r, g, b;
};

constexpr Rgb kBackground{24, 24, 28};
constexpr Rgb kGrid{48, 48, 56};
constexpr Rgb kZero{110, 110, 120};
constexpr Rgb kCurve{255, 176, 64};
constexpr Rgb kKey{90, 200, 255};

struct Canvas {
  int width, height;
  std::vector<unsigned char> pixels;
  Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}
  void put(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
  void fill(Rgb c) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) put(x, y, c);
  }
  void vertical(int x, int y0, int y1, Rgb c) {
    if (y0 > y1) std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y) put(x, y, c);
  }
};

}  // namespace

PlotResult plotTrack(const sync::Track& track, const PlotOptions& options, const std::string& pngPath) {
  PlotResult result;
  const int w = std::clamp(options.width, 16, 8192), h = std::clamp(options.height, 16, 8192);
  double from = options.fromRow, to = options.toRow;
  if (!(to > from)) {
    if (track.isEmpty()) {
      from = 0.0;
      to = 64.0;
    } else {
      from = track.keys().begin()->first;
      to = std::prev(track.keys().end())->first;
      const double margin = std::max(1.0, (to - from) * 0.05);
      from = std::max(0.0, from - margin);
      to += margin;
    }
  }

  // One sample per pixel column, with the program's sampling code.
  std::vector<float> samples(w);
  for (int x = 0; x < w; ++x) samples[x] = track.getValue(static_cast<float>(from + (to - from) * x / (w - 1)));
  float lo = *std::min_element(samples.begin(), samples.end());
  float hi = *std::max_element(samples.begin(), samples.end());
  if (!(hi > lo)) {
    lo -= 1.0f;
    hi += 1.0f;
  }
  const double pad = (static_cast<double>(hi) - lo) * 0.08;
  const double top = hi + pad, bottom = lo - pad;
  auto yOf = [&](double v) { return static_cast<int>(std::lround((top - v) / (top - bottom) * (h - 1))); };
  auto xOf = [&](double row) { return static_cast<int>(std::lround((row - from) / (to - from) * (w - 1))); };

  Canvas canvas(w, h);
  canvas.fill(kBackground);
  if ((to - from) / 8.0 < w / 4.0) {
    for (double row = std::ceil(from / 8.0) * 8.0; row <= to; row += 8.0) canvas.vertical(xOf(row), 0, h - 1, kGrid);
  }
  if (bottom < 0.0 && top > 0.0) {
    for (int x = 0; x < w; ++x) canvas.put(x, yOf(0.0), kZero);
  }
  for (int x = 0; x < w; ++x) {
    const int y = yOf(samples[x]);
    canvas.vertical(x, x > 0 ? yOf(samples[x - 1]) : y, y, kCurve);  // joined, steps included
  }
  for (const auto& [row, key] : track.keys()) {
    if (row < from || row > to) continue;
    const int cx = xOf(row), cy = yOf(key.value);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) canvas.put(cx + dx, cy + dy, kKey);
  }

  result.ok = stbi_write_png(pngPath.c_str(), w, h, 3, canvas.pixels.data(), w * 3) != 0;
  result.fromRow = from;
  result.toRow = to;
  result.minValue = lo;
  result.maxValue = hi;
  return result;
}

}  // namespace track_tool
