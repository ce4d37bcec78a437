// Turns a read OBJ model into the optimised extension mesh: one subset per material, faces
// sorted by material and ordered for the vertex cache. Needs only the platform's mesh calls, so
// the mesh tool can build with a null device (a CPU-only mesh).
#pragma once

#include <platform/d3dx10mesh.h>

#include "res/fw_ObjModel.h"

// The mesh vertex format: POSITION, NORMAL, TEXCOORD in slot 0 (see fw_ObjVertex).
extern const D3D10_INPUT_ELEMENT_DESC fw_ObjVertexDescription[3];

// Creates the mesh (32-bit indices), sets vertices, indices and face materials, generates
// adjacency (epsilon 1e-6) and optimises in place with compact, attribute sort and vertex cache.
// Face materials are set when there is one per triangle. No triangles, or a mesh the platform
// refuses, gives null and a failure code.
HRESULT fw_BuildObjExtensionMesh(ID3D10Device* device, const std::vector<fw_ObjVertex>& vertices,
                                 const std::vector<uint32_t>& indices, const std::vector<uint32_t>& faceMaterials,
                                 ID3DX10Mesh** mesh);

// The mesh's attribute table (empty when the mesh is null).
std::vector<D3DX10_ATTRIBUTE_RANGE> fw_ReadAttributeTable(ID3DX10Mesh* mesh);
