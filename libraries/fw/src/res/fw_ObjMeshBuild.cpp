#include "res/fw_ObjMeshBuild.h"

const D3D10_INPUT_ELEMENT_DESC fw_ObjVertexDescription[3] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 24, D3D10_INPUT_PER_VERTEX_DATA, 0},
};

HRESULT fw_BuildObjExtensionMesh(ID3D10Device* device, const std::vector<fw_ObjVertex>& vertices,
                                 const std::vector<uint32_t>& indices, const std::vector<uint32_t>& faceMaterials,
                                 ID3DX10Mesh** mesh) {
  *mesh = nullptr;
  if (vertices.empty() || indices.size() < 3) return E_INVALIDARG;
  const UINT faceCount = static_cast<UINT>(indices.size() / 3);
  ID3DX10Mesh* created = nullptr;
  HRESULT result = D3DX10CreateMesh(device, fw_ObjVertexDescription, 3, "POSITION",
                                    static_cast<UINT>(vertices.size()), faceCount, D3DX10_MESH_32_BIT, &created);
  if (FAILED(result)) return result;
  result = created->SetVertexData(0, vertices.data());
  if (SUCCEEDED(result)) result = created->SetIndexData(indices.data(), faceCount * 3);
  if (SUCCEEDED(result) && faceMaterials.size() == faceCount) result = created->SetAttributeData(faceMaterials.data());
  if (SUCCEEDED(result)) result = created->GenerateAdjacencyAndPointReps(1e-6f);
  if (SUCCEEDED(result))
    result = created->Optimize(D3DX10_MESHOPT_COMPACT | D3DX10_MESHOPT_ATTR_SORT | D3DX10_MESHOPT_VERTEX_CACHE,
                               nullptr, nullptr);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *mesh = created;
  return S_OK;
}

std::vector<D3DX10_ATTRIBUTE_RANGE> fw_ReadAttributeTable(ID3DX10Mesh* mesh) {
  std::vector<D3DX10_ATTRIBUTE_RANGE> table;
  if (!mesh) return table;
  UINT count = 0;
  mesh->GetAttributeTable(nullptr, &count);
  table.resize(count);
  if (count > 0) mesh->GetAttributeTable(table.data(), &count);
  table.resize(count);
  return table;
}
