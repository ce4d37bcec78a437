// D3DX10 meshes on meshoptimizer: vertex, index and attribute data kept on the CPU, adjacency and
// point representatives, Optimize (compact, attribute sort, vertex-cache order), the attribute
// table, and device buffers for drawing subsets. A mesh created with a null device is CPU-only:
// everything but CommitToDevice and the draw calls works, for tools and tests without a display.
#pragma once

#include <platform/d3d10.h>

typedef enum D3DX10_MESH {
  D3DX10_MESH_32_BIT = 0x001,       // 32-bit indices (otherwise 16-bit)
  D3DX10_MESH_GS_ADJACENCY = 0x004  // accepted; geometry-shader adjacency is not drawn
} D3DX10_MESH;

typedef enum D3DX10_MESHOPT {
  D3DX10_MESHOPT_COMPACT = 0x01000000,        // drop vertices no face uses
  D3DX10_MESHOPT_ATTR_SORT = 0x02000000,      // faces sorted by attribute; builds the attribute table
  D3DX10_MESHOPT_VERTEX_CACHE = 0x04000000,   // faces of each attribute in vertex-cache order
  D3DX10_MESHOPT_STRIP_REORDER = 0x08000000,  // treated as VERTEX_CACHE
  D3DX10_MESHOPT_IGNORE_VERTS = 0x10000000,   // reorder faces only, keep the vertices as they are
  D3DX10_MESHOPT_DO_NOT_SPLIT = 0x20000000,   // vertices are never split here anyway
  D3DX10_MESHOPT_DEVICE_INDEPENDENT = 0x00400000
} D3DX10_MESHOPT;

typedef struct D3DX10_ATTRIBUTE_RANGE {
  UINT AttribId;
  UINT FaceStart;
  UINT FaceCount;
  UINT VertexStart;
  UINT VertexCount;
} D3DX10_ATTRIBUTE_RANGE;
typedef D3DX10_ATTRIBUTE_RANGE* LPD3DX10_ATTRIBUTE_RANGE;

DUSK_DECLARE_IID(ID3DX10MeshBuffer, 0x04b0d117, 0x1041, 0x46b1, 0xaa, 0x8a, 0x39, 0x52, 0x84, 0x8b, 0xa2, 0x2e);
DUSK_DECLARE_IID(ID3DX10Mesh, 0x4020e5c2, 0x1403, 0x4929, 0x88, 0x3f, 0xe2, 0xe8, 0x49, 0xfa, 0xc1, 0x95);

// One of the mesh's CPU buffers. Map hands out the mesh's own bytes: writes change the mesh
// (the device copy follows at the next CommitToDevice).
struct ID3DX10MeshBuffer : IUnknown {
  virtual HRESULT Map(void** data, SIZE_T* size) = 0;
  virtual HRESULT Unmap() = 0;
  virtual SIZE_T GetSize() = 0;
};

struct ID3DX10Mesh : IUnknown {
  virtual UINT GetFaceCount() = 0;
  virtual UINT GetVertexCount() = 0;
  virtual UINT GetVertexBufferCount() = 0;
  virtual UINT GetFlags() = 0;
  // The description stays owned by the mesh.
  virtual HRESULT GetVertexDescription(const D3D10_INPUT_ELEMENT_DESC** description, UINT* declCount) = 0;

  // Vertex data for one input slot: vertex count × that slot's stride bytes.
  virtual HRESULT SetVertexData(UINT buffer, const void* data) = 0;
  virtual HRESULT GetVertexBuffer(UINT buffer, ID3DX10MeshBuffer** vertexBuffer) = 0;
  // 16- or 32-bit indices as the mesh's flags say; at most face count × 3 of them, each below the
  // vertex count (anything else is refused and leaves the indices as they were).
  virtual HRESULT SetIndexData(const void* data, UINT indexCount) = 0;
  virtual HRESULT GetIndexBuffer(ID3DX10MeshBuffer** indexBuffer) = 0;
  // One attribute id per face.
  virtual HRESULT SetAttributeData(const UINT* data) = 0;
  virtual HRESULT GetAttributeBuffer(ID3DX10MeshBuffer** attributeBuffer) = 0;
  virtual HRESULT SetAttributeTable(const D3DX10_ATTRIBUTE_RANGE* table, UINT tableSize) = 0;
  // With a null table, *tableSize receives the entry count; otherwise up to *tableSize entries
  // are copied and *tableSize receives the number copied.
  virtual HRESULT GetAttributeTable(D3DX10_ATTRIBUTE_RANGE* table, UINT* tableSize) = 0;

  // Vertices whose positions agree within epsilon (per component) share a point representative
  // (the lowest such index); faces meeting along such an edge become neighbours. Three adjacency
  // entries per face, edge k running from corner k to corner k+1; 0xFFFFFFFF where none.
  virtual HRESULT GenerateAdjacencyAndPointReps(FLOAT epsilon) = 0;
  virtual HRESULT GetAdjacencyBuffer(ID3DX10MeshBuffer** adjacency) = 0;
  virtual HRESULT GetPointRepBuffer(ID3DX10MeshBuffer** pointReps) = 0;

  // Reorders in place. faceRemap (face count entries, may be null) receives for each new face
  // its old index; vertexRemap (may be null) a blob of UINT, for each new vertex its old index.
  virtual HRESULT Optimize(UINT flags, UINT* faceRemap, LPD3D10BLOB* vertexRemap) = 0;

  // Copies vertices and indices into device buffers; needed again after Set* or Optimize.
  virtual HRESULT CommitToDevice() = 0;
  // Binds the vertex and index buffers and the triangle-list topology and draws the faces of
  // every attribute range with this id (the caller has applied a pass and bound a layout).
  virtual HRESULT DrawSubset(UINT attribId) = 0;
  virtual HRESULT GetDeviceVertexBuffer(UINT buffer, ID3D10Buffer** vertexBuffer) = 0;
  virtual HRESULT GetDeviceIndexBuffer(ID3D10Buffer** indexBuffer) = 0;
};
typedef ID3DX10Mesh* LPD3DX10MESH;

// Elements may use several input slots; a null position semantic means "POSITION". The position
// element must be R32G32B32_FLOAT or R32G32B32A32_FLOAT. A null device gives a CPU-only mesh.
HRESULT D3DX10CreateMesh(ID3D10Device* device, const D3D10_INPUT_ELEMENT_DESC* declaration, UINT declCount,
                         LPCSTR positionSemantic, UINT vertexCount, UINT faceCount, UINT options,
                         ID3DX10Mesh** mesh);
