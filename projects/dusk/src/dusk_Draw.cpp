#include "dusk_Draw.h"

#include "device/fw_DeviceState.h"
#include "res/fw_Effect.h"
#include "res/fw_Resources.h"

void dusk_ReplaceEffect(fw_Effect*& effect, const char* name) {
  dusk_DestroyEffect(effect);
  effect = new fw_Effect();
  effect->load(name, fw_GetEffectPool());
}

void dusk_DestroyEffect(fw_Effect*& effect) {
  if (!effect) return;
  effect->release();
  delete effect;
  effect = nullptr;
}

ID3D10Buffer* dusk_CreateBuffer(UINT bindFlags, const void* data, size_t bytes) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || !data || bytes == 0) return nullptr;
  D3D10_BUFFER_DESC desc = {static_cast<UINT>(bytes), D3D10_USAGE_DEFAULT, bindFlags, 0, 0};
  D3D10_SUBRESOURCE_DATA initial = {data, 0, 0};
  ID3D10Buffer* buffer = nullptr;
  device->CreateBuffer(&desc, &initial, &buffer);
  return buffer;
}

ID3D10InputLayout* dusk_CreateLayout(const D3D10_INPUT_ELEMENT_DESC* elements, UINT count,
                                     ID3D10EffectTechnique* technique) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || !technique || !technique->IsValid()) return nullptr;
  D3D10_PASS_DESC pass = {};
  if (FAILED(technique->GetPassByIndex(0)->GetDesc(&pass)) || !pass.pIAInputSignature) return nullptr;
  ID3D10InputLayout* layout = nullptr;
  device->CreateInputLayout(elements, count, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout);
  return layout;
}

void dusk_DrawIndexed(ID3D10EffectTechnique* technique, ID3D10InputLayout* layout, ID3D10Buffer* vertices,
                      UINT stride, ID3D10Buffer* indices, UINT indexCount, UINT startIndex) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || !technique || indexCount == 0) return;
  D3D10_TECHNIQUE_DESC desc = {};
  if (FAILED(technique->GetDesc(&desc))) return;
  const UINT offset = 0;
  device->IASetInputLayout(layout);
  device->IASetVertexBuffers(0, 1, &vertices, &stride, &offset);
  device->IASetIndexBuffer(indices, DXGI_FORMAT_R32_UINT, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  for (UINT p = 0; p < desc.Passes; ++p) {
    technique->GetPassByIndex(p)->Apply(0);
    device->DrawIndexed(indexCount, startIndex, 0);
  }
}
