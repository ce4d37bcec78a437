// Point representatives and adjacency (vertices sorted into cells of one epsilon, half-edges sorted) and the orders behind
// ID3DX10Mesh::Optimize: a stable attribute sort, meshoptimizer's vertex-cache order within each
// attribute, and vertices renumbered in order of first use.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include <meshoptimizer.h>

#include "mesh_p.h"

namespace d3dx10mesh {

namespace {

struct CellKey {
  int64_t x, y, z;
  bool operator==(const CellKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

int64_t CellOf(float value, double cellSize) {
  double c = std::floor(static_cast<double>(value) / cellSize);
  const double limit = 4.0e18;  // coordinates beyond this share the outermost cells
  return static_cast<int64_t>(std::clamp(c, -limit, limit));
}

}  // namespace

std::vector<uint32_t> ComputePointReps(const std::vector<float>& positions, float epsilon) {
  const uint32_t count = static_cast<uint32_t>(positions.size() / 3);
  std::vector<uint32_t> reps(count);
  std::iota(reps.begin(), reps.end(), 0u);
  if (!(epsilon >= 0.0f) || !std::isfinite(epsilon)) epsilon = 0.0f;
  const double cellSize = static_cast<double>(epsilon);
  const int reach = epsilon > 0.0f ? 1 : 0;
  // With epsilon 0 a cell holds exactly equal values: key on the bits (-0 counts as +0).
  auto cellOf = [&](float value) -> int64_t {
    if (epsilon > 0.0f) return CellOf(value, cellSize);
    if (value == 0.0f) value = 0.0f;
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
  };
  // Vertices sorted by cell; the neighbours of a cell are found by binary search.
  struct Entry {
    CellKey key;
    uint32_t vertex;
  };
  auto less = [](const CellKey& a, const CellKey& b) {
    return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z < b.z;
  };
  std::vector<Entry> cells;
  cells.reserve(count);
  std::vector<CellKey> keyOf(count);
  std::vector<bool> finite(count, false);
  for (uint32_t v = 0; v < count; ++v) {
    const float* p = &positions[3 * v];
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
    finite[v] = true;
    keyOf[v] = CellKey{cellOf(p[0]), cellOf(p[1]), cellOf(p[2])};
    cells.push_back(Entry{keyOf[v], v});
  }
  std::sort(cells.begin(), cells.end(), [&](const Entry& a, const Entry& b) {
    return less(a.key, b.key) || (a.key == b.key && a.vertex < b.vertex);
  });
  // In index order, so that every earlier vertex already has its representative.
  for (uint32_t v = 0; v < count; ++v) {
    if (!finite[v]) continue;
    const float* p = &positions[3 * v];
    const CellKey& key = keyOf[v];
    uint32_t best = v;
    for (int dx = -reach; dx <= reach; ++dx)
      for (int dy = -reach; dy <= reach; ++dy) {
        const CellKey low{key.x + dx, key.y + dy, key.z - reach}, high{key.x + dx, key.y + dy, key.z + reach};
        auto it = std::lower_bound(cells.begin(), cells.end(), low,
                                   [&](const Entry& e, const CellKey& k) { return less(e.key, k); });
        for (; it != cells.end() && !less(high, it->key); ++it) {
          const uint32_t other = it->vertex;
          if (other >= v) continue;
          const float* q = &positions[3 * other];
          if (std::fabs(p[0] - q[0]) <= epsilon && std::fabs(p[1] - q[1]) <= epsilon &&
              std::fabs(p[2] - q[2]) <= epsilon)
            best = std::min(best, reps[other]);
        }
      }
    reps[v] = best;
  }
  return reps;
}

std::vector<uint32_t> ComputeAdjacency(const std::vector<uint32_t>& indices, const std::vector<uint32_t>& pointReps) {
  const size_t faceCount = indices.size() / 3;
  std::vector<uint32_t> adjacency(faceCount * 3, kNone);
  // Directed edges (from, to) of point representatives, sorted; a face's neighbour across an
  // edge is the first other face that has the edge reversed.
  struct HalfEdge {
    uint64_t key;
    uint32_t face;
  };
  auto rep = [&](size_t corner) { return pointReps[indices[corner]]; };
  std::vector<HalfEdge> edges;
  edges.reserve(indices.size());
  for (size_t f = 0; f < faceCount; ++f)
    for (int k = 0; k < 3; ++k) {
      uint32_t a = rep(3 * f + k), b = rep(3 * f + (k + 1) % 3);
      if (a != b) edges.push_back(HalfEdge{(static_cast<uint64_t>(a) << 32) | b, static_cast<uint32_t>(f)});
    }
  std::sort(edges.begin(), edges.end(),
            [](const HalfEdge& x, const HalfEdge& y) { return x.key != y.key ? x.key < y.key : x.face < y.face; });
  for (size_t f = 0; f < faceCount; ++f)
    for (int k = 0; k < 3; ++k) {
      uint32_t a = rep(3 * f + k), b = rep(3 * f + (k + 1) % 3);
      if (a == b) continue;
      const uint64_t reversed = (static_cast<uint64_t>(b) << 32) | a;
      auto it = std::lower_bound(edges.begin(), edges.end(), reversed,
                                 [](const HalfEdge& e, uint64_t key) { return e.key < key; });
      for (; it != edges.end() && it->key == reversed; ++it)
        if (it->face != f) {
          adjacency[3 * f + k] = it->face;
          break;
        }
    }
  return adjacency;
}

namespace {

// meshoptimizer returns triangles, not a permutation: find each output triangle's source face.
// Faces are keyed by their rotation that starts at the smallest index, so a rotated output
// still finds its face; duplicates are handed out in order.
void VertexCacheOrder(const std::vector<uint32_t>& indices, uint32_t vertexCount, uint32_t* faces, size_t faceCount) {
  std::vector<uint32_t> local(faceCount * 3), optimized(faceCount * 3);
  for (size_t i = 0; i < faceCount; ++i)
    for (int k = 0; k < 3; ++k) local[3 * i + k] = indices[3 * faces[i] + k];
  meshopt_optimizeVertexCache(optimized.data(), local.data(), local.size(), vertexCount);

  struct Key {
    uint32_t a, b, c;
    bool operator==(const Key& o) const { return a == o.a && b == o.b && c == o.c; }
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      return (static_cast<size_t>(k.a) * 0x9E3779B97F4A7C15ull) ^ (static_cast<size_t>(k.b) * 0xC2B2AE3D27D4EB4Full) ^ k.c;
    }
  };
  auto canonical = [](const uint32_t* t) {
    int m = (t[0] <= t[1] && t[0] <= t[2]) ? 0 : (t[1] <= t[2] ? 1 : 2);
    return Key{t[m], t[(m + 1) % 3], t[(m + 2) % 3]};
  };
  std::unordered_multimap<Key, uint32_t, KeyHash> source;
  source.reserve(faceCount);
  for (size_t i = 0; i < faceCount; ++i) source.emplace(canonical(&local[3 * i]), faces[i]);
  std::vector<uint32_t> reordered;
  reordered.reserve(faceCount);
  for (size_t i = 0; i < faceCount; ++i) {
    auto it = source.find(canonical(&optimized[3 * i]));
    if (it == source.end()) return;  // not a reordering after all: keep the sorted order
    reordered.push_back(it->second);
    source.erase(it);
  }
  std::copy(reordered.begin(), reordered.end(), faces);
}

}  // namespace

Order ComputeOrder(const std::vector<uint32_t>& indices, const std::vector<uint32_t>& attributes,
                   uint32_t vertexCount, bool attributeSort, bool vertexCache, bool compact, bool keepVertices) {
  const size_t faceCount = indices.size() / 3;
  Order order;
  order.faceOldIndex.resize(faceCount);
  std::iota(order.faceOldIndex.begin(), order.faceOldIndex.end(), 0u);
  if (attributeSort || vertexCache) {
    std::stable_sort(order.faceOldIndex.begin(), order.faceOldIndex.end(),
                     [&](uint32_t a, uint32_t b) { return attributes[a] < attributes[b]; });
  }
  if (vertexCache) {
    for (size_t start = 0; start < faceCount;) {
      size_t end = start + 1;
      while (end < faceCount && attributes[order.faceOldIndex[end]] == attributes[order.faceOldIndex[start]]) ++end;
      VertexCacheOrder(indices, vertexCount, order.faceOldIndex.data() + start, end - start);
      start = end;
    }
  }

  order.vertexNewIndex.assign(vertexCount, kNone);
  if (keepVertices || !(compact || vertexCache || attributeSort)) {
    std::iota(order.vertexNewIndex.begin(), order.vertexNewIndex.end(), 0u);
  } else {
    // Number vertices in order of first use by the new face order; unused ones go last unless
    // compacting drops them.
    uint32_t next = 0;
    for (uint32_t f : order.faceOldIndex)
      for (int k = 0; k < 3; ++k) {
        uint32_t v = indices[3 * f + k];
        if (order.vertexNewIndex[v] == kNone) order.vertexNewIndex[v] = next++;
      }
    if (!compact)
      for (uint32_t& n : order.vertexNewIndex)
        if (n == kNone) n = next++;
  }
  for (uint32_t old = 0; old < vertexCount; ++old)
    if (order.vertexNewIndex[old] != kNone) {
      if (order.vertexOldIndex.size() <= order.vertexNewIndex[old])
        order.vertexOldIndex.resize(order.vertexNewIndex[old] + 1);
      order.vertexOldIndex[order.vertexNewIndex[old]] = old;
    }
  return order;
}

}  // namespace d3dx10mesh
