// A model's faces ordered by their lowest corner, for effects that reveal a model from its feet
// up and discard everything above a front: the faces at or below the front are then one run at
// the start, and the rest need not be drawn at all. The order keeps each face's own indices, so
// a shader that keys on the vertex index sees the same vertices as in the model's own order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct fw_FacesByHeight {
  std::vector<uint32_t> indices;  // three per face, lowest face first
  std::vector<float> lowest;      // each face's lowest y, ascending
};

// Orders the faces of a triangle list by the lowest y of their corners (y is the float at byte 4
// of each `stride`-byte vertex). Faces with an index outside the vertices are dropped, a face
// with a NaN corner goes last (below no finite height), and equal heights keep the model's order.
fw_FacesByHeight fw_SortFacesByLowestCorner(const uint8_t* vertices, size_t stride, size_t vertexCount,
                                            const uint32_t* indices, size_t faceCount);

// How many of the ordered faces have their lowest corner at or below `height`.
size_t fw_FacesAtOrBelow(const fw_FacesByHeight& faces, float height);
