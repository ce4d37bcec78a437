#include "res/fw_FacesByHeight.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

fw_FacesByHeight fw_SortFacesByLowestCorner(const uint8_t* vertices, size_t stride, size_t vertexCount,
                                            const uint32_t* indices, size_t faceCount) {
  fw_FacesByHeight out;
  if (!vertices || !indices || stride < 8) return out;
  std::vector<float> lowest;
  std::vector<uint32_t> faces;
  lowest.reserve(faceCount);
  faces.reserve(faceCount);
  for (size_t f = 0; f < faceCount; ++f) {
    float low = INFINITY;
    bool inside = true;
    for (int corner = 0; corner < 3; ++corner) {
      const uint32_t v = indices[f * 3 + corner];
      if (v >= vertexCount) {
        inside = false;
        break;
      }
      float y;
      std::memcpy(&y, vertices + v * stride + 4, sizeof y);
      // A NaN corner puts the face last, below no finite height.
      low = std::isnan(y) || std::isnan(low) ? NAN : std::min(low, y);
    }
    if (!inside) continue;
    faces.push_back(static_cast<uint32_t>(f));
    lowest.push_back(std::isnan(low) ? INFINITY : low);
  }
  std::vector<uint32_t> order(faces.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return lowest[a] < lowest[b]; });
  out.indices.reserve(order.size() * 3);
  out.lowest.reserve(order.size());
  for (uint32_t i : order) {
    const uint32_t* face = indices + size_t{faces[i]} * 3;
    out.indices.insert(out.indices.end(), face, face + 3);
    out.lowest.push_back(lowest[i]);
  }
  return out;
}

size_t fw_FacesAtOrBelow(const fw_FacesByHeight& faces, float height) {
  if (std::isnan(height)) return 0;
  return static_cast<size_t>(std::upper_bound(faces.lowest.begin(), faces.lowest.end(), height) - faces.lowest.begin());
}
