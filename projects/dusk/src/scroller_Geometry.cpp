#include "scroller_Geometry.h"

#include <platform/crt.h>

#include <algorithm>
#include <cmath>

void scroller_BuildTerrainGrid(int32_t rows, int32_t columns, std::vector<float>& positions,
                               std::vector<uint32_t>& indices) {
  positions.clear();
  indices.clear();
  if (rows <= 0 || columns <= 0) return;
  const size_t cells = static_cast<size_t>(rows) * static_cast<size_t>(columns);
  positions.reserve(cells * 16);
  indices.reserve(cells * 30);
  // Four walls and the top of a block; the floor (0..3) is never drawn from below.
  static const uint32_t kCellIndices[30] = {0, 1, 4, 1, 5, 4, 6, 3, 2, 6, 7, 3, 5, 1, 3,
                                            5, 3, 7, 6, 2, 0, 6, 0, 4, 6, 4, 5, 6, 5, 7};
  uint32_t base = 0;
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t j = 0; j < columns; ++j) {
      for (int copy = 0; copy < 2; ++copy) {
        for (int k = 0; k < 2; ++k) {
          for (int a = 0; a < 2; ++a) {
            const double x = 2.0 * (j + a) / (columns + 1) - 1.0;
            const double y = 2.0 * (i + k) / (rows + 1) - 1.0;
            positions.push_back(static_cast<float>(x));
            positions.push_back(static_cast<float>(y));
          }
        }
      }
      for (uint32_t index : kCellIndices) indices.push_back(base + index);
      base += 8;
    }
  }
}

void scroller_BuildLeaves(int32_t count, std::vector<scroller_LeafVertex>& vertices, std::vector<uint32_t>& indices) {
  vertices.clear();
  indices.clear();
  if (count <= 0) return;
  vertices.reserve(static_cast<size_t>(count) * 4);
  indices.reserve(static_cast<size_t>(count) * 6);
  for (int32_t n = 0; n < count; ++n) {
    // One call per value, in this order: the field depends on it.
    const float x = (2.0f * crt::rand() / 32767.0f - 1.0f) * 600.0f;
    const float y = (2.0f * crt::rand() / 32767.0f - 1.0f) * 200.0f;
    const float z = n * 0.03485f;
    float s = crt::rand() * 12.0f / 32767.0f + 30.0f;
    if (n % 400 == 0) s *= 10.0f;
    const float h = 9.0f * s / 16.0f;
    const float corners[4][2] = {{-s, h}, {s, h}, {s, -h}, {-s, -h}};
    for (const auto& c : corners) vertices.push_back({{x, y, z}, {c[0], c[1]}});
    const uint32_t b = 4u * static_cast<uint32_t>(n);
    for (uint32_t index : {b, b + 1, b + 2, b, b + 2, b + 3}) indices.push_back(index);
  }
}

int32_t scroller_LeafDrawCount(float amount, int32_t leafCount) {
  const double wanted = static_cast<double>(amount) * leafCount / 100.0;
  // NaN and anything below one leaf draw none; the comparison also keeps the cast in range.
  if (!(wanted >= 1.0)) return 0;
  if (wanted >= leafCount) return leafCount;
  return static_cast<int32_t>(wanted);
}

namespace {

struct Point {
  double x, y;
};

// Where the echoes wander: echo e passes waypoint u on its way to u + 1.
Point Waypoint(double v) { return {80.0 * std::sin(2.43 * v) - 150.0, 50.0 * std::sin(1.132 * v)}; }

}  // namespace

void scroller_ComputeEchoes(const scroller_HeroParams& params, D3DXVECTOR4 echoes[5]) {
  const int restore = crt::rand();
  crt::srand(static_cast<unsigned int>(params.seed));
  for (int e = 0; e < 5; ++e) {
    const double o = params.time / 4.2 + e;
    const double u = std::floor(o);
    const double t = std::clamp(o - u, 0.0, 1.0);
    const double h = t * t * (3.0 - 2.0 * t);
    const Point from = Waypoint(u), to = Waypoint(u + 1.0);
    const float qx = static_cast<float>(from.x * (1.0 - h) + to.x * h);
    const float qy = static_cast<float>(from.y * (1.0 - h) + to.y * h);
    const int r1 = crt::rand();
    const int r2 = crt::rand();
    echoes[e] = D3DXVECTOR4(qx + params.x - 40.0f, (0.5f - r1 / 32767.0f) * 410.0f + params.y + qy,
                            r2 * 60.0f / 32767.0f + params.z, 0.8f - 0.1f * e);
  }
  crt::srand(static_cast<unsigned int>(restore));
}
