#include "scroller_Geometry.h"

#include <platform/crt.h>

#include <algorithm>
#include <cmath>

namespace {

// Four walls and the top of a block; the floor (0..3) is never drawn from below. Corners are
// numbered x first, then y: floor 0..3, top 4..7.
const uint32_t kCellIndices[30] = {0, 1, 4, 1, 5, 4,   // wall at the cell's low y ("down")
                                   6, 3, 2, 6, 7, 3,   // wall at its high y ("up")
                                   5, 1, 3, 5, 3, 7,   // wall at its high x ("right")
                                   6, 2, 0, 6, 0, 4,   // wall at its low x ("left")
                                   6, 4, 5, 6, 5, 7};  // top
enum Side { kDown, kUp, kRight, kLeft, kTop };

void AppendFace(uint32_t base, Side side, std::vector<uint32_t>& indices) {
  for (int k = 0; k < 6; ++k) indices.push_back(base + kCellIndices[side * 6 + k]);
}

}  // namespace

void scroller_BuildTerrainGrid(int32_t rows, int32_t columns, std::vector<float>& positions,
                               std::vector<uint32_t>& indices) {
  positions.clear();
  indices.clear();
  if (rows <= 0 || columns <= 0) return;
  const size_t cells = static_cast<size_t>(rows) * static_cast<size_t>(columns);
  positions.reserve(cells * 16);
  indices.reserve(cells * 30);
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

namespace {

// What rtype.fx does with a cell's height: lays it flat below kOpenAir, raises it otherwise.
// Heights are mixed in float there and in double here; kNear is far beyond that rounding.
constexpr double kOpenAir = 0.02;
constexpr double kNear = 1e-5;
// A wall this near the stage's eye in x or y (stage pixels) is nearly edge-on: kept either way.
constexpr double kEdgeOn = 1.0;

struct CellLevel {
  enum Kind { kOpen, kSolid, kUnsure } kind = kOpen;
  uint8_t first = 0, second = 0;  // the two maps' texels
  double height = 0.0;
};

class HeightLookup {
 public:
  HeightLookup(int32_t rows, const scroller_HeightMap& first, const scroller_HeightMap& second, double fade)
      : mRows(rows), mFirst(first), mSecond(second), mFade(fade) {}

  // As CellHeight in rtype.fx: rows outside the grid are open, the maps tile sideways.
  CellLevel at(int64_t column, int32_t row) const {
    CellLevel level;
    if (row < 0 || row >= mRows) return level;
    level.first = Texel(mFirst, column, row);
    level.second = Texel(mSecond, column, row);
    const double a = level.first / 255.0, b = level.second / 255.0;
    level.height = a + (b - a) * mFade;
    if (level.height < kOpenAir - kNear)
      level.kind = CellLevel::kOpen;
    else if (level.height >= kOpenAir + kNear)
      level.kind = CellLevel::kSolid;
    else
      level.kind = CellLevel::kUnsure;
    return level;
  }

  // The neighbour's top is at least the cell's in the shader's float arithmetic too: clearly
  // higher, or mixed from the same texels.
  bool reaches(const CellLevel& neighbour, const CellLevel& cell) const {
    if (neighbour.kind != CellLevel::kSolid) return false;
    if (neighbour.height >= cell.height + kNear) return true;
    return neighbour.first == cell.first && (mFade == 0.0 || neighbour.second == cell.second);
  }

 private:
  uint8_t Texel(const scroller_HeightMap& map, int64_t column, int32_t row) const {
    const int32_t imageRow = std::clamp(mRows - 1 - row, 0, map.height - 1);
    const int64_t x = ((column % map.width) + map.width) % map.width;
    return map.red[static_cast<size_t>(imageRow) * map.width + static_cast<size_t>(x)];
  }

  int32_t mRows;
  const scroller_HeightMap& mFirst;
  const scroller_HeightMap& mSecond;
  double mFade;
};

}  // namespace

void scroller_BuildVisibleTerrainIndices(int32_t rows, int32_t columns, const scroller_HeightMap& first,
                                         const scroller_HeightMap& second, float scroll, float heightFade,
                                         std::vector<uint32_t>& indices) {
  indices.clear();
  if (rows <= 0 || columns <= 0) return;
  // Without the maps, or with values the shader's own arithmetic leaves undefined, every face.
  if (!first.valid() || !second.valid() || !std::isfinite(scroll) || std::fabs(scroll) > 1e9f ||
      !std::isfinite(heightFade)) {
    const uint32_t cells = static_cast<uint32_t>(rows) * static_cast<uint32_t>(columns);
    indices.reserve(static_cast<size_t>(cells) * 30);
    for (uint32_t cell = 0; cell < cells; ++cell)
      for (uint32_t index : kCellIndices) indices.push_back(cell * 8 + index);
    return;
  }
  const HeightLookup lookup(rows, first, second, std::clamp(static_cast<double>(heightFade), 0.0, 1.0));
  const int64_t scrollColumns = static_cast<int64_t>(std::floor(static_cast<double>(scroll)));
  const double scrollFraction = static_cast<double>(scroll) - std::floor(static_cast<double>(scroll));
  // The stage position of grid line (column, row), as BlockVS places it; the eye is above 0, 0.
  const double cellWidth = 1280.0 / (columns - 2), cellHeight = 720.0 / rows;
  auto stageX = [&](int32_t line) { return (line - scrollFraction - 0.5 * columns) * cellWidth; };
  auto stageY = [&](int32_t line) { return (line - 0.5 * rows) * cellHeight; };

  for (int32_t i = 0; i < rows; ++i) {
    // A wall shows its outside only to an eye beyond its plane; the others are culled anyway.
    const bool downFaces = stageY(i) > -kEdgeOn, upFaces = stageY(i + 1) < kEdgeOn;
    for (int32_t j = 0; j < columns; ++j) {
      const int64_t column = j + scrollColumns;
      const CellLevel cell = lookup.at(column, i);
      if (cell.kind == CellLevel::kOpen) continue;
      const uint32_t base = (static_cast<uint32_t>(i) * static_cast<uint32_t>(columns) + static_cast<uint32_t>(j)) * 8;
      const bool rightFaces = stageX(j + 1) < kEdgeOn, leftFaces = stageX(j) > -kEdgeOn;
      // A wall against a neighbour at least as high lies inside that neighbour, which hides it
      // from the eye on its side; only its top edge touches the neighbour's top.
      bool up = false, down = false, left = false, right = false;
      if (cell.kind == CellLevel::kSolid) {
        up = lookup.reaches(lookup.at(column, i + 1), cell);
        down = lookup.reaches(lookup.at(column, i - 1), cell);
        left = lookup.reaches(lookup.at(column - 1, i), cell);
        right = lookup.reaches(lookup.at(column + 1, i), cell);
      }
      if (downFaces && !down) AppendFace(base, kDown, indices);
      if (upFaces && !up) AppendFace(base, kUp, indices);
      if (rightFaces && !right) AppendFace(base, kRight, indices);
      if (leftFaces && !left) AppendFace(base, kLeft, indices);
      AppendFace(base, kTop, indices);
    }
  }
}

size_t scroller_SplitWallsAndTops(std::vector<uint32_t>& indices) {
  const size_t faces = indices.size() / 6;
  std::vector<uint32_t> tops;
  size_t walls = 0;
  for (size_t f = 0; f < faces; ++f) {
    const uint32_t* face = indices.data() + f * 6;
    if (std::all_of(face, face + 6, [](uint32_t index) { return index % 8 >= 4; })) {
      tops.insert(tops.end(), face, face + 6);
    } else {
      std::copy(face, face + 6, indices.begin() + walls);
      walls += 6;
    }
  }
  std::copy(tops.begin(), tops.end(), indices.begin() + walls);
  return walls;
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
