#include "demo_Mosaic.h"

#include "dusk_Draw.h"
#include "res/fw_Effect.h"
#include "res/fw_Texture.h"
#include "sync/fw_Sync.h"

#include <platform/crt.h>
#include <platform/d3dx10math.h>

#include <string>

namespace {

const D3D10_INPUT_ELEMENT_DESC kQuadLayout[1] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0}};

}  // namespace

void demo_BuildMosaicQuads(int32_t count, std::vector<demo_QuadVertex>& vertices, std::vector<uint32_t>& indices) {
  vertices.clear();
  indices.clear();
  if (count <= 0) return;
  vertices.reserve(static_cast<size_t>(count) * 4);
  indices.reserve(static_cast<size_t>(count) * 6);
  for (int32_t q = 0; q < count; ++q) {
    const float cx = crt::rand() / 32767.0f * 3.0f - 1.5f;
    const float cy = crt::rand() / 32767.0f * 2.0f - 1.0f;
    const float w = crt::rand() * 0.5f / 32767.0f;
    const float h = crt::rand() * 0.5f / 32767.0f;
    vertices.push_back({{cx, cy}, {-w / 2, h / 2}});
    vertices.push_back({{cx, cy}, {w / 2, h / 2}});
    vertices.push_back({{cx, cy}, {w / 2, -h / 2}});
    vertices.push_back({{cx, cy}, {-w / 2, -h / 2}});
    const uint32_t b = 4u * static_cast<uint32_t>(q);
    for (uint32_t index : {b, b + 1, b + 2, b, b + 2, b + 3}) indices.push_back(index);
  }
}

int32_t demo_MosaicQuadCount(float numQuads, int32_t count) {
  const double wanted = static_cast<double>(numQuads) * count / 100.0;
  // Negative and NaN draw none; the bound also keeps the cast in range.
  if (!(wanted >= 0.0)) return 0;
  if (wanted >= count) return count;
  return static_cast<int32_t>(wanted);
}

void demo_ReadMosaicLayer(int digit, float row, demo_MosaicLayer& layer) {
  const std::string prefix = std::to_string(digit) + "_";
  auto track = [&](const char* name, float defaultValue) {
    return fw_SyncValueAt(prefix + name, defaultValue, row);
  };
  layer.spread = track("Spread", 0.0f);
  layer.drift = track("Drift", 0.0f);
  layer.glitch = track("Glitch", 0.0f);
  layer.zoom = track("Zoom", 100.0f);
  layer.depthMess = track("DepthMess", 0.0f) * 0.1f + 1.0f;
  layer.quadScaleX = track("QuadScaleX", 100.0f) * 0.01f;
  layer.quadScaleY = track("QuadScaleY", 100.0f) * 0.01f;
}

void demo_QuadGeometry::create(fw_Effect* mosaicEffect) {
  release();
  if (mosaicEffect) mInputLayout = dusk_CreateLayout(kQuadLayout, 1, mosaicEffect->getTechniqueByName("Quads"));
  std::vector<demo_QuadVertex> vertices;
  std::vector<uint32_t> indices;
  demo_BuildMosaicQuads(mQuadCount, vertices, indices);
  mVertexBuffer = dusk_CreateBuffer(D3D10_BIND_VERTEX_BUFFER, vertices.data(), vertices.size() * sizeof(demo_QuadVertex));
  mIndexBuffer = dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, indices.data(), indices.size() * sizeof(uint32_t));
}

void demo_QuadGeometry::release() {
  dusk_SafeRelease(mInputLayout);
  dusk_SafeRelease(mIndexBuffer);
  dusk_SafeRelease(mVertexBuffer);
}

void demo_DrawMosaicLayer(fw_Effect* mosaicEffect, const demo_QuadGeometry& quads, const demo_MosaicLayer& layer,
                          int32_t quadCount) {
  if (!mosaicEffect) return;
  fw_Effect& effect = *mosaicEffect;
  ID3D10ShaderResourceView* view = layer.texture ? layer.texture->mShaderResourceView : nullptr;
  effect.getVariableByName("gBgTex")->AsShaderResource()->SetResource(view);
  effect.getVariableByName("gSpread")->AsScalar()->SetFloat(layer.spread);
  effect.getVariableByName("gDrift")->AsScalar()->SetFloat(layer.drift);
  effect.getVariableByName("gGlitch")->AsScalar()->SetFloat(layer.glitch);
  effect.getVariableByName("gBgZoom")->AsScalar()->SetFloat(layer.zoom);
  effect.getVariableByName("gDepthMess")->AsScalar()->SetFloat(layer.depthMess);
  effect.getVariableByName("gQuadScale")->AsVector()->SetFloatVector(
      D3DXVECTOR4(layer.quadScaleX, layer.quadScaleY, 0.0f, 0.0f));
  // A texture without a size (a failed load) is taken as square rather than dividing by zero.
  const float width = layer.texture ? static_cast<float>(layer.texture->getWidth()) : 0.0f;
  const float height = layer.texture ? static_cast<float>(layer.texture->getHeight()) : 0.0f;
  effect.getVariableByName("gImageAspect")->AsScalar()->SetFloat(height > 0.0f ? width / height : 1.0f);
  dusk_DrawIndexed(effect.getTechniqueByName("Quads"), quads.mInputLayout, quads.mVertexBuffer, 16, quads.mIndexBuffer,
                   static_cast<UINT>(quadCount) * 6u);
}
