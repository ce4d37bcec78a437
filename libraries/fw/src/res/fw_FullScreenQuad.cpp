// Full-screen quad.
#include "res/fw_FullScreenQuad.h"

#include "device/fw_DeviceState.h"

#include <platform/safe_release.h>

namespace {
const float kVertices[4][3] = {{-1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {1.0f, -1.0f, 0.0f}, {-1.0f, -1.0f, 0.0f}};
const UINT kIndices[6] = {0, 1, 2, 0, 2, 3};
const D3D10_INPUT_ELEMENT_DESC kLayout[1] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0}};
}  // namespace

fw_FullScreenQuad::~fw_FullScreenQuad() { release(); }

void fw_FullScreenQuad::create(ID3D10EffectTechnique* technique) {
  ID3D10Device* device = fw_GetDevice();
  if (!device) return;
  release();  // creating again must not leak the previous buffers

  D3D10_BUFFER_DESC vertexDesc = {sizeof(kVertices), D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, 0};
  D3D10_SUBRESOURCE_DATA vertexData = {kVertices, 0, 0};
  device->CreateBuffer(&vertexDesc, &vertexData, &mVertexBuffer);

  D3D10_BUFFER_DESC indexDesc = {sizeof(kIndices), D3D10_USAGE_DEFAULT, D3D10_BIND_INDEX_BUFFER, 0, 0};
  D3D10_SUBRESOURCE_DATA indexData = {kIndices, 0, 0};
  device->CreateBuffer(&indexDesc, &indexData, &mIndexBuffer);

  if (!technique) return;
  D3D10_PASS_DESC pass = {};
  // An invalid technique's pass has no signature; the layout then stays null.
  if (FAILED(technique->GetPassByIndex(0)->GetDesc(&pass)) || !pass.pIAInputSignature) return;
  device->CreateInputLayout(kLayout, 1, pass.pIAInputSignature, pass.IAInputSignatureSize, &mInputLayout);
}

void fw_FullScreenQuad::draw(ID3D10EffectTechnique* technique) {
  ID3D10Device* device = fw_GetDevice();
  if (!device || !technique) return;
  const UINT stride = 12, offset = 0;
  device->IASetInputLayout(mInputLayout);
  device->IASetVertexBuffers(0, 1, &mVertexBuffer, &stride, &offset);
  device->IASetIndexBuffer(mIndexBuffer, DXGI_FORMAT_R32_UINT, 0);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  D3D10_TECHNIQUE_DESC desc = {};
  if (FAILED(technique->GetDesc(&desc))) return;
  for (UINT p = 0; p < desc.Passes; ++p) {
    technique->GetPassByIndex(p)->Apply(0);
    device->DrawIndexed(6, 0, 0);
  }
}

void fw_FullScreenQuad::release() {
  SafeRelease(mInputLayout);
  SafeRelease(mVertexBuffer);
  SafeRelease(mIndexBuffer);
}
