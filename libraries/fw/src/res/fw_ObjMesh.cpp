#include "res/fw_ObjMesh.h"

#include <algorithm>

#include "diag/fw_Log.h"
#include "device/fw_DeviceState.h"
#include "res/fw_Effect.h"
#include "res/fw_ObjMeshBuild.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

#include <platform/safe_release.h>

namespace {

ID3D10InputLayout* CreateLayoutFor(ID3D10EffectTechnique* technique) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || !technique || !technique->IsValid()) return nullptr;
  D3D10_PASS_DESC pass = {};
  if (FAILED(technique->GetPassByIndex(0)->GetDesc(&pass))) return nullptr;
  ID3D10InputLayout* layout = nullptr;
  if (FAILED(device->CreateInputLayout(fw_ObjVertexDescription, 3, pass.pIAInputSignature, pass.IAInputSignatureSize,
                                       &layout)))
    return nullptr;
  return layout;
}

}  // namespace

fw_ObjMesh::fw_ObjMesh(const std::string& directory, const std::string& file, fw_Effect* effect)
    : mName(file), mEffect(effect) {
  for (int slot = 0; slot < kLayoutSlots; ++slot) mLayouts[slot] = nullptr;
  _Load(directory, file);
}

fw_ObjMesh::~fw_ObjMesh() { release(); }

void fw_ObjMesh::_Load(const std::string& directory, const std::string& file) {
  release();
  fw_ObjModel model;
  fw_LoadObjModel(directory, file, model);

  for (fw_ObjMaterialData& data : model.materials) {
    fw_ObjMaterial* material = new fw_ObjMaterial;
    static_cast<fw_ObjMaterialData&>(*material) = std::move(data);
    if (material->definedInLibrary && mEffect) material->technique = mEffect->getTechniqueByName(material->name.c_str());
    for (const std::string& name : material->textureNames) {
      fw_Texture* texture = fw_FindOrCreateTexture(name);
      material->textures.push_back(texture ? texture->mShaderResourceView : nullptr);
    }
    mMaterials.push_back(material);
  }
  if (!mMaterials.empty() && mMaterials[0]->technique) mMaterialLayout = CreateLayoutFor(mMaterials[0]->technique);

  mVertices = std::move(model.vertices);
  mIndices = std::move(model.indices);
  mFaceMaterials = std::move(model.faceMaterials);
  if (!mIndices.empty()) _BuildMesh();
  mVertices.clear();
  mIndices.clear();
  mFaceMaterials.clear();
}

void fw_ObjMesh::_BuildMesh() {
  HRESULT result = fw_BuildObjExtensionMesh(fw_GetDevice(), mVertices, mIndices, mFaceMaterials, &mMesh);
  if (FAILED(result)) {
    fw_Log(fw_LogWarning, "The mesh <%s> could not be built (0x%08x).  It will draw nothing.", mName.c_str(),
           static_cast<unsigned>(result));
    return;
  }
  mFaceMaterials.clear();
  std::vector<D3DX10_ATTRIBUTE_RANGE> table = fw_ReadAttributeTable(mMesh);
  mAttributeRangeCount = static_cast<uint32_t>(table.size());
  mAttributeTable = new D3DX10_ATTRIBUTE_RANGE[table.size() ? table.size() : 1];
  std::copy(table.begin(), table.end(), mAttributeTable);
  mMesh->CommitToDevice();
  _BuildFacesByHeight();
}

void fw_ObjMesh::_BuildFacesByHeight() {
  ID3DX10MeshBuffer *vertexBuffer = nullptr, *indexBuffer = nullptr;
  void *vertices = nullptr, *indices = nullptr;
  SIZE_T vertexBytes = 0, indexBytes = 0;
  // fw_BuildObjExtensionMesh makes 32-bit indices; anything else leaves the reveal drawing nothing.
  if (SUCCEEDED(mMesh->GetVertexBuffer(0, &vertexBuffer)) && SUCCEEDED(mMesh->GetIndexBuffer(&indexBuffer)) &&
      SUCCEEDED(vertexBuffer->Map(&vertices, &vertexBytes)) && SUCCEEDED(indexBuffer->Map(&indices, &indexBytes)) &&
      indexBytes == size_t{mMesh->GetFaceCount()} * 3 * sizeof(uint32_t))
    mFacesByHeight =
        fw_SortFacesByLowestCorner(static_cast<const uint8_t*>(vertices), sizeof(fw_ObjVertex),
                                   vertexBytes / sizeof(fw_ObjVertex), static_cast<const uint32_t*>(indices),
                                   mMesh->GetFaceCount());
  else
    fw_Log(fw_LogWarning, "The mesh <%s> has no 32-bit indices to order by height.  Its reveal draws nothing.",
           mName.c_str());
  if (vertices) vertexBuffer->Unmap();
  if (indices) indexBuffer->Unmap();
  SafeRelease(vertexBuffer);
  SafeRelease(indexBuffer);

  ID3D10Device* device = fw_GetDevice();
  if (!device || mFacesByHeight.indices.empty()) return;
  const D3D10_BUFFER_DESC desc = {static_cast<UINT>(mFacesByHeight.indices.size() * sizeof(uint32_t)),
                                  D3D10_USAGE_IMMUTABLE, D3D10_BIND_INDEX_BUFFER, 0, 0};
  const D3D10_SUBRESOURCE_DATA data = {mFacesByHeight.indices.data(), 0, 0};
  if (FAILED(device->CreateBuffer(&desc, &data, &mFacesByHeightBuffer))) mFacesByHeight = {};
  // Only the heights are needed from here on.
  mFacesByHeight.indices = {};
}

void fw_ObjMesh::prepareForTechnique(ID3D10EffectTechnique* technique) {
  ID3D10InputLayout*& slot = mLayouts[kOwnerLayoutSlot];
  SafeRelease(slot);
  slot = CreateLayoutFor(technique);
}

void fw_ObjMesh::drawWithTechnique(ID3D10EffectTechnique* technique) {
  ID3D10Device* device = fw_GetDevice();
  D3D10_TECHNIQUE_DESC techniqueDesc = {};
  if (!mMesh || !device || !technique || FAILED(technique->GetDesc(&techniqueDesc))) return;
  device->IASetInputLayout(mLayouts[kOwnerLayoutSlot]);

  // The material colours are framework globals kept as handles; "MeshTextures" is looked up in
  // the pool by name, as every other effect variable is.
  const fw_GlobalVariables& globals = fw_GetGlobals();
  ID3D10EffectPool* pool = fw_GetEffectPool();
  ID3D10EffectShaderResourceVariable* meshTextures =
      pool ? pool->AsEffect()->GetVariableByName("MeshTextures")->AsShaderResource() : nullptr;
  UINT textureSlots = 0;
  D3D10_EFFECT_TYPE_DESC type = {};
  if (meshTextures && meshTextures->IsValid() && SUCCEEDED(meshTextures->GetType()->GetDesc(&type)))
    textureSlots = std::max(1u, type.Elements);

  for (uint32_t i = 0; i < mAttributeRangeCount; ++i) {
    const D3DX10_ATTRIBUTE_RANGE& range = mAttributeTable[i];
    if (range.AttribId >= mMaterials.size()) continue;
    fw_ObjMaterial& material = *mMaterials[range.AttribId];
    // A material without textures keeps what the previous subset bound.
    if (!material.textures.empty() && textureSlots > 0)
      meshTextures->SetResourceArray(material.textures.data(), 0,
                                     std::min<UINT>(textureSlots, static_cast<UINT>(material.textures.size())));
    if (globals.Ambient) globals.Ambient->SetFloatVector(material.ambient);
    if (globals.Diffuse) globals.Diffuse->SetFloatVector(material.diffuse);
    if (globals.Specular) globals.Specular->SetFloatVector(material.specular);
    if (globals.SpecularPower) globals.SpecularPower->SetFloat(20.0f);
    // Subsets are numbered by attribute id, so a material without faces shifts nothing.
    for (UINT pass = 0; pass < techniqueDesc.Passes; ++pass) {
      technique->GetPassByIndex(pass)->Apply(0);
      mMesh->DrawSubset(range.AttribId);
    }
  }
}

void fw_ObjMesh::drawFacesAtOrBelow(ID3D10EffectTechnique* technique, float height) {
  ID3D10Device* device = fw_GetDevice();
  D3D10_TECHNIQUE_DESC techniqueDesc = {};
  const size_t faces = fw_FacesAtOrBelow(mFacesByHeight, height);
  if (faces == 0 || !mMesh || !mFacesByHeightBuffer || !device || !technique ||
      FAILED(technique->GetDesc(&techniqueDesc)))
    return;
  ID3D10Buffer* vertexBuffer = nullptr;
  if (FAILED(mMesh->GetDeviceVertexBuffer(0, &vertexBuffer))) return;
  const UINT stride = sizeof(fw_ObjVertex), offset = 0;
  device->IASetInputLayout(mLayouts[kOwnerLayoutSlot]);
  device->IASetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);
  device->IASetIndexBuffer(mFacesByHeightBuffer, DXGI_FORMAT_R32_UINT, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  for (UINT pass = 0; pass < techniqueDesc.Passes; ++pass) {
    technique->GetPassByIndex(pass)->Apply(0);
    device->DrawIndexed(static_cast<UINT>(faces * 3), 0, 0);
  }
  SafeRelease(vertexBuffer);
}

void fw_ObjMesh::release() {
  for (fw_ObjMaterial* material : mMaterials) delete material;
  mMaterials.clear();
  mVertices.clear();
  mIndices.clear();
  mFaceMaterials.clear();
  delete[] mAttributeTable;
  mAttributeTable = nullptr;
  mAttributeRangeCount = 0;
  SafeRelease(mMesh);
  SafeRelease(mFacesByHeightBuffer);
  mFacesByHeight = {};
  SafeRelease(mMaterialLayout);
  for (auto& [slot, layout] : mLayouts)
    SafeRelease(layout);
}
