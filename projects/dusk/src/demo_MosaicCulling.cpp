#include "demo_MosaicCulling.h"

#include <algorithm>
#include <cmath>

namespace {

// As dusk_Stage.fxi's hashes, bit for bit.
uint32_t HashU(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}
float Hash01(uint32_t x) { return static_cast<float>(HashU(x) >> 8) * (1.0f / 16777216.0f); }
float Hash01(int32_t a, int32_t b) { return Hash01(HashU(static_cast<uint32_t>(a)) ^ static_cast<uint32_t>(b) * 0x9e3779b9U); }

// Cells of the coverage grid: about a ninetieth of the view's height (a quad is up to a quarter of
// it), from one pixel up to eight. A pixel of margin on every side covers the difference between
// the CPU's and the device's float arithmetic and the rasteriser's edge rules.
constexpr double kCellsHigh = 90.0, kMinCell = 1.0, kMaxCell = 8.0;
constexpr double kMargin = 1.0;

struct Rect {
  double x0, y0, x1, y1;  // pixels, y down
};

bool Calm(const demo_MosaicLayer& layer) { return !(layer.glitch > 0.0f) && !std::isnan(layer.glitch); }

bool Finite(const demo_MosaicLayer& layer) {
  for (float v : {layer.spread, layer.drift, layer.depthMess, layer.quadScaleX, layer.quadScaleY})
    if (!std::isfinite(v)) return false;
  return true;
}

// Where QuadsVS puts quad q of a calm layer.
Rect QuadRect(const std::vector<demo_QuadVertex>& vertices, int32_t q, const demo_MosaicLayer& layer,
              const demo_MosaicView& view) {
  const demo_QuadVertex& v = vertices[static_cast<size_t>(q) * 4 + 1];  // the (+w/2, +h/2) corner
  const float r1 = Hash01(q, 11), r2 = Hash01(q, 12), r3 = Hash01(q, 13), r4 = Hash01(q, 14);
  float cx = v.centre[0] * (view.aspect / 1.42f), cy = v.centre[1];
  const float push = 1.0f + layer.spread * 0.01f * (0.25f + 1.5f * r1);
  cx *= push;
  cy *= push;
  const float angle = 6.2831853f * r2, drift = layer.drift * 0.01f * (0.4f + 1.2f * r3);
  cx += std::cos(angle) * drift;
  cy += std::sin(angle) * drift;
  const float depth = std::max(1.0f + std::max(layer.depthMess - 1.0f, -0.9f) * r4, 0.1f);
  const float hx = std::fabs(v.corner[0] * layer.quadScaleX), hy = std::fabs(v.corner[1] * layer.quadScaleY);
  auto pixelX = [&](float p) { return (static_cast<double>(p / depth / view.aspect) + 1.0) * 0.5 * view.width; };
  auto pixelY = [&](float p) { return (1.0 - static_cast<double>(p / depth)) * 0.5 * view.height; };
  return {pixelX(cx - hx), pixelY(cy + hy), pixelX(cx + hx), pixelY(cy - hy)};
}

class Coverage {
 public:
  explicit Coverage(const demo_MosaicView& view)
      : mCell(std::clamp(view.height / kCellsHigh, kMinCell, kMaxCell)),
        mWidth(static_cast<int32_t>(std::ceil(view.width / mCell))),
        mHeight(static_cast<int32_t>(std::ceil(view.height / mCell))),
        mViewWidth(view.width), mViewHeight(view.height),
        mCovered(static_cast<size_t>(mWidth) * mHeight, 0) {}

  // Every pixel the quad could touch lies in covered cells, or outside the view.
  bool hides(const Rect& r) const {
    const double x0 = r.x0 - kMargin, y0 = r.y0 - kMargin, x1 = r.x1 + kMargin, y1 = r.y1 + kMargin;
    if (x1 < 0.0 || y1 < 0.0 || x0 > mViewWidth || y0 > mViewHeight) return true;
    const int32_t i0 = Clamp(std::floor(x0 / mCell), mWidth), i1 = Clamp(std::floor(x1 / mCell), mWidth);
    const int32_t j0 = Clamp(std::floor(y0 / mCell), mHeight), j1 = Clamp(std::floor(y1 / mCell), mHeight);
    for (int32_t j = j0; j <= j1; ++j)
      for (int32_t i = i0; i <= i1; ++i)
        if (!mCovered[static_cast<size_t>(j) * mWidth + i]) return false;
    return true;
  }

  // Marks the cells that lie wholly inside the quad.
  void cover(const Rect& r) {
    const double x0 = r.x0 + kMargin, y0 = r.y0 + kMargin, x1 = r.x1 - kMargin, y1 = r.y1 - kMargin;
    const int32_t i0 = std::max(0, static_cast<int32_t>(std::ceil(x0 / mCell)));
    const int32_t j0 = std::max(0, static_cast<int32_t>(std::ceil(y0 / mCell)));
    const int32_t i1 = std::min(mWidth, static_cast<int32_t>(std::floor(x1 / mCell)));
    const int32_t j1 = std::min(mHeight, static_cast<int32_t>(std::floor(y1 / mCell)));
    for (int32_t j = j0; j < j1; ++j)
      for (int32_t i = i0; i < i1; ++i) mCovered[static_cast<size_t>(j) * mWidth + i] = 1;
  }

 private:
  static int32_t Clamp(double cell, int32_t count) {
    return static_cast<int32_t>(std::clamp(cell, 0.0, static_cast<double>(count - 1)));
  }
  double mCell;
  int32_t mWidth, mHeight;
  double mViewWidth, mViewHeight;
  std::vector<uint8_t> mCovered;
};

}  // namespace

std::vector<std::vector<int32_t>> demo_VisibleOpaqueQuads(const std::vector<demo_QuadVertex>& vertices,
                                                          const std::vector<demo_MosaicLayer>& layers,
                                                          int32_t total, const demo_MosaicView& view) {
  std::vector<std::vector<int32_t>> visible(layers.size());
  total = std::clamp(total, 0, static_cast<int32_t>(vertices.size() / 4));
  const bool viewValid = view.width > 0 && view.height > 0 && std::isfinite(view.aspect) && view.aspect > 0.0f;
  Coverage coverage(viewValid ? view : demo_MosaicView{1, 1, 1.0f});
  // Front to back: the last layer's last quad is the nearest.
  for (size_t k = layers.size(); k-- > 0;) {
    const demo_MosaicLayer& layer = layers[k];
    if (!layer.opaque) continue;
    const int32_t count = std::clamp(layer.quadCount, 0, total);
    const bool placed = viewValid && Calm(layer) && Finite(layer);
    const bool occludes = placed && !layer.occupancy;
    std::vector<int32_t>& quads = visible[k];
    quads.reserve(static_cast<size_t>(count));
    for (int32_t q = count; q-- > 0;) {
      if (!placed) {
        quads.push_back(q);
        continue;
      }
      const Rect rect = QuadRect(vertices, q, layer, view);
      if (coverage.hides(rect)) continue;
      quads.push_back(q);
      if (occludes) coverage.cover(rect);
    }
  }
  return visible;
}
