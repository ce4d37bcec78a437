// The CPU side of ID3DX10Mesh (a mesh made without a device): creation checks, index checks,
// point representatives and adjacency, Optimize and the attribute table.
#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <numeric>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <platform/d3dx10mesh.h>

namespace {

struct Vertex {
  float position[3];
  float normal[3];
  float texcoord[2];
};

const D3D10_INPUT_ELEMENT_DESC kLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D10_INPUT_PER_VERTEX_DATA, 0},
};

struct MeshPtr {
  ID3DX10Mesh* mesh = nullptr;
  ~MeshPtr() {
    if (mesh) mesh->Release();
  }
  ID3DX10Mesh* operator->() { return mesh; }
};

template <typename T>
std::vector<T> ReadBuffer(ID3DX10Mesh* mesh, HRESULT (ID3DX10Mesh::*get)(ID3DX10MeshBuffer**)) {
  ID3DX10MeshBuffer* buffer = nullptr;
  EXPECT_EQ((mesh->*get)(&buffer), S_OK);
  if (!buffer) return {};
  void* data = nullptr;
  SIZE_T size = 0;
  EXPECT_EQ(buffer->Map(&data, &size), S_OK);
  std::vector<T> values(size / sizeof(T));
  std::memcpy(values.data(), data, values.size() * sizeof(T));
  buffer->Unmap();
  buffer->Release();
  return values;
}

std::vector<Vertex> ReadVertices(ID3DX10Mesh* mesh) {
  ID3DX10MeshBuffer* buffer = nullptr;
  EXPECT_EQ(mesh->GetVertexBuffer(0, &buffer), S_OK);
  void* data = nullptr;
  SIZE_T size = 0;
  buffer->Map(&data, &size);
  std::vector<Vertex> vertices(size / sizeof(Vertex));
  std::memcpy(vertices.data(), data, size);
  buffer->Release();
  return vertices;
}

// A w × h grid of quads in the z = 0 plane, two triangles each.
void Grid(int w, int h, std::vector<Vertex>& vertices, std::vector<uint32_t>& indices) {
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x)
      vertices.push_back(Vertex{{float(x), float(y), 0}, {0, 0, 1}, {float(x) / w, float(y) / h}});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t a = y * (w + 1) + x, b = a + 1, c = a + w + 1, d = c + 1;
      indices.insert(indices.end(), {a, c, b, b, c, d});
    }
}

// Average cache misses per triangle for a 16-entry FIFO cache.
double Acmr(const std::vector<uint32_t>& indices) {
  std::deque<uint32_t> cache;
  size_t misses = 0;
  for (uint32_t index : indices) {
    if (std::find(cache.begin(), cache.end(), index) != cache.end()) continue;
    ++misses;
    cache.push_back(index);
    if (cache.size() > 16) cache.pop_front();
  }
  return double(misses) / (indices.size() / 3);
}

HRESULT Create(MeshPtr& mesh, UINT vertices, UINT faces, UINT options = D3DX10_MESH_32_BIT,
               const D3D10_INPUT_ELEMENT_DESC* layout = kLayout, UINT count = 3, LPCSTR position = "POSITION") {
  return D3DX10CreateMesh(nullptr, layout, count, position, vertices, faces, options, &mesh.mesh);
}

// Vertex data of a face, rotated to start at its smallest position x, y for comparison.
std::array<float, 24> FaceKey(const std::vector<Vertex>& vertices, const uint32_t* corners) {
  int first = 0;
  for (int k = 1; k < 3; ++k)
    if (std::memcmp(&vertices[corners[k]], &vertices[corners[first]], sizeof(Vertex)) < 0) first = k;
  std::array<float, 24> key;
  for (int k = 0; k < 3; ++k) std::memcpy(&key[8 * k], &vertices[corners[(first + k) % 3]], sizeof(Vertex));
  return key;
}

}  // namespace

TEST(D3DX10Mesh, CreationRefusesWhatCannotBeAMesh) {
  MeshPtr mesh;
  EXPECT_EQ(Create(mesh, 0, 1), E_INVALIDARG);
  EXPECT_EQ(Create(mesh, 3, 0), E_INVALIDARG);
  EXPECT_EQ(Create(mesh, 3, 1, D3DX10_MESH_32_BIT, kLayout, 3, "NORMALS"), E_INVALIDARG);
  EXPECT_EQ(Create(mesh, 3, 1, D3DX10_MESH_32_BIT, kLayout + 2, 1, "TEXCOORD"), E_INVALIDARG);  // not float3
  EXPECT_EQ(Create(mesh, 70000, 1, 0), E_INVALIDARG);  // 16-bit indices cannot reach
  EXPECT_EQ(mesh.mesh, nullptr);

  ASSERT_EQ(Create(mesh, 3, 1, D3DX10_MESH_32_BIT, kLayout, 3, nullptr), S_OK);
  EXPECT_EQ(mesh->GetVertexCount(), 3u);
  EXPECT_EQ(mesh->GetFaceCount(), 1u);
  EXPECT_EQ(mesh->GetVertexBufferCount(), 1u);
  const D3D10_INPUT_ELEMENT_DESC* description = nullptr;
  UINT count = 0;
  mesh->GetVertexDescription(&description, &count);
  ASSERT_EQ(count, 3u);
  EXPECT_STREQ(description[1].SemanticName, "NORMAL");
  EXPECT_EQ(description[2].AlignedByteOffset, 24u);
  EXPECT_EQ(mesh->CommitToDevice(), E_FAIL);  // no device: a clean failure
  EXPECT_EQ(mesh->DrawSubset(0), E_FAIL);
}

TEST(D3DX10Mesh, IndexDataIsCheckedAgainstVerticesAndFaces) {
  MeshPtr mesh;
  ASSERT_EQ(Create(mesh, 3, 1, 0), S_OK);  // 16-bit
  const uint16_t good[3] = {2, 1, 0}, bad[3] = {0, 1, 3}, many[6] = {0, 1, 2, 0, 1, 2};
  EXPECT_EQ(mesh->SetIndexData(good, 3), S_OK);
  EXPECT_EQ(mesh->SetIndexData(bad, 3), E_INVALIDARG);
  EXPECT_EQ(mesh->SetIndexData(many, 6), E_INVALIDARG);
  EXPECT_EQ(mesh->SetIndexData(nullptr, 3), E_INVALIDARG);
  std::vector<uint16_t> stored = ReadBuffer<uint16_t>(mesh.mesh, &ID3DX10Mesh::GetIndexBuffer);
  EXPECT_EQ(stored, (std::vector<uint16_t>{2, 1, 0}));
}

TEST(D3DX10Mesh, PointRepsJoinEqualPositionsAndAdjacencyFollowsThem) {
  // Two triangles of a quad, each with its own copy of the shared edge (as an OBJ with per-face
  // normals welds them), plus a lone triangle far away.
  std::vector<Vertex> v = {
      {{0, 0, 0}, {0, 0, 1}, {0, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 0}}, {{0, 1, 0}, {0, 0, 1}, {0, 0}},
      {{1, 0, 0}, {0, 1, 0}, {0, 0}}, {{1, 1, 0}, {0, 1, 0}, {0, 0}}, {{0, 1.0000001f, 0}, {0, 1, 0}, {0, 0}},
      {{5, 5, 5}, {0, 0, 1}, {0, 0}}, {{6, 5, 5}, {0, 0, 1}, {0, 0}}, {{5, 6, 5}, {0, 0, 1}, {0, 0}}};
  std::vector<uint32_t> indices = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  MeshPtr mesh;
  ASSERT_EQ(Create(mesh, 9, 3), S_OK);
  ASSERT_EQ(mesh->SetVertexData(0, v.data()), S_OK);
  ASSERT_EQ(mesh->SetIndexData(indices.data(), 9), S_OK);
  ID3DX10MeshBuffer* none = nullptr;
  EXPECT_EQ(mesh->GetAdjacencyBuffer(&none), E_FAIL);

  ASSERT_EQ(mesh->GenerateAdjacencyAndPointReps(1e-6f), S_OK);
  std::vector<uint32_t> reps = ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetPointRepBuffer);
  EXPECT_EQ(reps, (std::vector<uint32_t>{0, 1, 2, 1, 4, 2, 6, 7, 8}));
  std::vector<uint32_t> adjacency = ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetAdjacencyBuffer);
  const uint32_t n = 0xFFFFFFFFu;
  // Face 0's edge 1 (1 -> 2) meets face 1's edge 2 (5 -> 3, the same points reversed).
  EXPECT_EQ(adjacency, (std::vector<uint32_t>{n, 1, n, n, n, 0, n, n, n}));

  ASSERT_EQ(mesh->GenerateAdjacencyAndPointReps(0.0f), S_OK);  // 1.0000001 is no longer 1
  reps = ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetPointRepBuffer);
  EXPECT_EQ(reps[5], 5u);
  EXPECT_EQ(reps[3], 1u);
  adjacency = ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetAdjacencyBuffer);
  EXPECT_EQ(adjacency[1], n);
}

TEST(D3DX10Mesh, OptimizeSortsByAttributeKeepsEveryFaceAndBuildsTheTable) {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
  Grid(24, 24, vertices, indices);
  const UINT faces = indices.size() / 3;
  // Three materials interleaved, and one unused vertex at the end.
  std::vector<UINT> attributes(faces);
  for (UINT f = 0; f < faces; ++f) attributes[f] = (f * 7 + f / 5) % 3;
  vertices.push_back(Vertex{{99, 99, 99}, {0, 0, 0}, {0, 0}});
  const std::vector<Vertex> original = vertices;

  MeshPtr mesh;
  ASSERT_EQ(Create(mesh, vertices.size(), faces), S_OK);
  ASSERT_EQ(mesh->SetVertexData(0, vertices.data()), S_OK);
  ASSERT_EQ(mesh->SetIndexData(indices.data(), indices.size()), S_OK);
  ASSERT_EQ(mesh->SetAttributeData(attributes.data()), S_OK);
  UINT count = 99;
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &count), S_OK);
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(mesh->GenerateAdjacencyAndPointReps(1e-6f), S_OK);

  std::vector<UINT> faceRemap(faces);
  ID3D10Blob* vertexRemap = nullptr;
  ASSERT_EQ(mesh->Optimize(D3DX10_MESHOPT_COMPACT | D3DX10_MESHOPT_ATTR_SORT | D3DX10_MESHOPT_VERTEX_CACHE,
                           faceRemap.data(), &vertexRemap), S_OK);
  ASSERT_NE(vertexRemap, nullptr);
  EXPECT_EQ(mesh->GetVertexCount(), original.size() - 1);  // the unused vertex is gone
  EXPECT_EQ(mesh->GetFaceCount(), faces);

  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &count), S_OK);
  ASSERT_EQ(count, 3u);
  std::vector<D3DX10_ATTRIBUTE_RANGE> table(count);
  ASSERT_EQ(mesh->GetAttributeTable(table.data(), &count), S_OK);
  std::vector<uint32_t> newIndices = ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetIndexBuffer);
  std::vector<UINT> newAttributes = ReadBuffer<UINT>(mesh.mesh, &ID3DX10Mesh::GetAttributeBuffer);
  UINT nextFace = 0;
  for (UINT i = 0; i < 3; ++i) {
    EXPECT_EQ(table[i].AttribId, i);
    EXPECT_EQ(table[i].FaceStart, nextFace);
    EXPECT_EQ(table[i].FaceCount, UINT(std::count(attributes.begin(), attributes.end(), i)));
    for (UINT f = table[i].FaceStart; f < table[i].FaceStart + table[i].FaceCount; ++f) {
      ASSERT_EQ(newAttributes[f], i);
      for (int k = 0; k < 3; ++k) {
        EXPECT_GE(newIndices[3 * f + k], table[i].VertexStart);
        EXPECT_LT(newIndices[3 * f + k], table[i].VertexStart + table[i].VertexCount);
      }
    }
    nextFace += table[i].FaceCount;
  }
  EXPECT_EQ(nextFace, faces);

  // Every new face is its old face, same vertices and winding; the remaps say where each came from.
  std::vector<Vertex> now = ReadVertices(mesh.mesh);
  const UINT* oldOfVertex = static_cast<const UINT*>(vertexRemap->GetBufferPointer());
  ASSERT_EQ(vertexRemap->GetBufferSize(), now.size() * sizeof(UINT));
  for (size_t v = 0; v < now.size(); ++v)
    ASSERT_EQ(std::memcmp(&now[v], &original[oldOfVertex[v]], sizeof(Vertex)), 0);
  std::set<UINT> seen(faceRemap.begin(), faceRemap.end());
  EXPECT_EQ(seen.size(), faces);
  for (UINT f = 0; f < faces; ++f) {
    EXPECT_EQ(attributes[faceRemap[f]], newAttributes[f]);
    EXPECT_EQ(FaceKey(now, &newIndices[3 * f]), FaceKey(original, &indices[3 * faceRemap[f]]));
  }
  vertexRemap->Release();

  // Adjacency moved with the faces: still symmetric.
  std::vector<uint32_t> adjacency = ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetAdjacencyBuffer);
  size_t links = 0;
  for (UINT f = 0; f < faces; ++f)
    for (int k = 0; k < 3; ++k) {
      uint32_t g = adjacency[3 * f + k];
      if (g == 0xFFFFFFFFu) continue;
      ++links;
      ASSERT_LT(g, faces);
      EXPECT_NE(std::find(&adjacency[3 * g], &adjacency[3 * g + 3], f), &adjacency[3 * g + 3]);
    }
  EXPECT_EQ(links, size_t(2 * (3 * faces - 4 * 24) / 2));  // interior edges, counted from both sides
}

TEST(D3DX10Mesh, VertexCacheOrderLowersCacheMisses) {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
  Grid(64, 64, vertices, indices);
  // Scatter the faces so the input order is cache-hostile.
  const size_t faces = indices.size() / 3;
  std::vector<uint32_t> scattered(indices.size());
  for (size_t f = 0; f < faces; ++f) {
    size_t from = (f * 7919) % faces;
    std::copy(&indices[3 * from], &indices[3 * from + 3], &scattered[3 * f]);
  }
  MeshPtr mesh;
  ASSERT_EQ(Create(mesh, vertices.size(), faces), S_OK);
  mesh->SetVertexData(0, vertices.data());
  mesh->SetIndexData(scattered.data(), scattered.size());
  const double before = Acmr(scattered);
  ASSERT_EQ(mesh->Optimize(D3DX10_MESHOPT_VERTEX_CACHE, nullptr, nullptr), S_OK);
  const double after = Acmr(ReadBuffer<uint32_t>(mesh.mesh, &ID3DX10Mesh::GetIndexBuffer));
  EXPECT_GT(before, 2.0);
  EXPECT_LT(after, 0.8);
}

TEST(D3DX10Mesh, WithoutCompactUnusedVerticesStayAndIgnoreVertsKeepsTheirOrder) {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
  Grid(4, 4, vertices, indices);
  vertices.insert(vertices.begin(), Vertex{{-1, -1, -1}, {0, 0, 0}, {0, 0}});  // unused, first
  for (uint32_t& i : indices) ++i;
  MeshPtr sorted, kept;
  ASSERT_EQ(Create(sorted, vertices.size(), indices.size() / 3, 0), S_OK);  // 16-bit this time
  ASSERT_EQ(Create(kept, vertices.size(), indices.size() / 3, 0), S_OK);
  std::vector<uint16_t> small(indices.begin(), indices.end());
  for (MeshPtr* m : {&sorted, &kept}) {
    (*m)->SetVertexData(0, vertices.data());
    (*m)->SetIndexData(small.data(), small.size());
  }
  ASSERT_EQ(sorted->Optimize(D3DX10_MESHOPT_ATTR_SORT | D3DX10_MESHOPT_VERTEX_CACHE, nullptr, nullptr), S_OK);
  EXPECT_EQ(sorted->GetVertexCount(), vertices.size());
  EXPECT_EQ(ReadVertices(sorted.mesh).back().position[0], -1.0f);  // unused vertices go last

  ASSERT_EQ(kept->Optimize(D3DX10_MESHOPT_COMPACT | D3DX10_MESHOPT_VERTEX_CACHE | D3DX10_MESHOPT_IGNORE_VERTS,
                           nullptr, nullptr), S_OK);
  std::vector<Vertex> now = ReadVertices(kept.mesh);
  ASSERT_EQ(now.size(), vertices.size());
  EXPECT_EQ(std::memcmp(now.data(), vertices.data(), now.size() * sizeof(Vertex)), 0);
  UINT count = 0;
  kept->GetAttributeTable(nullptr, &count);
  EXPECT_EQ(count, 1u);
}
