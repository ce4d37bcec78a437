// Mesh algorithms on plain arrays, shared by the mesh object (mesh.cpp): point representatives,
// adjacency and the face and vertex orders of Optimize (mesh_optimize.cpp, on meshoptimizer).
#pragma once

#include <cstdint>
#include <vector>

namespace d3dx10mesh {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// positions: x, y, z per vertex. Each vertex gets the lowest index whose position is within
// epsilon in every component of its own (or of a vertex already matched to it).
std::vector<uint32_t> ComputePointReps(const std::vector<float>& positions, float epsilon);

// Three entries per face: the face across edge k (corner k to k+1), kNone where there is none.
std::vector<uint32_t> ComputeAdjacency(const std::vector<uint32_t>& indices, const std::vector<uint32_t>& pointReps);

struct Order {
  std::vector<uint32_t> faceOldIndex;    // new face -> old face
  std::vector<uint32_t> vertexOldIndex;  // new vertex -> old vertex
  std::vector<uint32_t> vertexNewIndex;  // old vertex -> new vertex, kNone when dropped
};

// Face and vertex orders for the Optimize flags. Indices must all be below vertexCount.
Order ComputeOrder(const std::vector<uint32_t>& indices, const std::vector<uint32_t>& attributes,
                   uint32_t vertexCount, bool attributeSort, bool vertexCache, bool compact, bool keepVertices);

}  // namespace d3dx10mesh
