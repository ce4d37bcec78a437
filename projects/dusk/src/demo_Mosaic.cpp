#include "demo_Mosaic.h"

#include "device/fw_DeviceState.h"
#include "demo_MosaicCulling.h"
#include "dusk_Draw.h"
#include "res/fw_Effect.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "sync/fw_Sync.h"

#include <platform/crt.h>
#include <platform/d3dx10math.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const D3D10_INPUT_ELEMENT_DESC kQuadLayout[1] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0}};

constexpr UINT kOccupancyBlock = 32;  // as in mosaicQuads.fx

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
  if (mosaicEffect) createLayout(*mosaicEffect);
  std::vector<demo_QuadVertex>& vertices = mVertices;
  std::vector<uint32_t> indices;
  demo_BuildMosaicQuads(mQuadCount, vertices, indices);
  mVertexBuffer = dusk_CreateBuffer(D3D10_BIND_VERTEX_BUFFER, vertices.data(), vertices.size() * sizeof(demo_QuadVertex));
  mIndexBuffer = dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, indices.data(), indices.size() * sizeof(uint32_t));
  std::vector<uint32_t> reversed;
  reversed.reserve(indices.size());
  for (size_t quad = indices.size() / 6; quad-- > 0;)
    reversed.insert(reversed.end(), indices.begin() + quad * 6, indices.begin() + quad * 6 + 6);
  mReverseIndexBuffer =
      dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, reversed.data(), reversed.size() * sizeof(uint32_t));
  if (ID3D10Device* device = fw_GetDevice(); device && !indices.empty()) {
    const D3D10_BUFFER_DESC desc = {static_cast<UINT>(indices.size() * kCulledLayers * sizeof(uint32_t)),
                                    D3D10_USAGE_DYNAMIC, D3D10_BIND_INDEX_BUFFER, D3D10_CPU_ACCESS_WRITE, 0};
    device->CreateBuffer(&desc, nullptr, &mVisibleIndexBuffer);
  }
}

void demo_QuadGeometry::createLayout(fw_Effect& mosaicEffect) {
  SafeRelease(mInputLayout);
  mInputLayout = dusk_CreateLayout(kQuadLayout, 1, mosaicEffect.getTechniqueByName("QuadsOpaque"));
}

void demo_QuadGeometry::release() {
  SafeRelease(mInputLayout);
  SafeRelease(mVisibleIndexBuffer);
  SafeRelease(mReverseIndexBuffer);
  SafeRelease(mIndexBuffer);
  SafeRelease(mVertexBuffer);
}

namespace {

void SetLayerVariables(fw_Effect& effect, const demo_MosaicLayer& layer, int32_t rankBase) {
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
  effect.getVariableByName("gRankBase")->AsScalar()->SetInt(rankBase);
  const fw_Texture* grid = layer.occupancy ? layer.occupancy->grid : nullptr;
  ID3D10ShaderResourceView* occupancy = grid ? grid->mShaderResourceView : nullptr;
  effect.getVariableByName("gOccupancy")->AsShaderResource()->SetResource(occupancy);
  effect.getVariableByName("gCullEmpty")->AsScalar()->SetInt(occupancy ? 1 : 0);
}

// The layer's technique: the calm one when no quad can glitch (Hash01 < gGlitch x 0.01 never
// holds at 0 or below, nor for NaN), unless an edit of the effect lost it.
ID3D10EffectTechnique* LayerTechnique(fw_Effect& effect, const demo_MosaicLayer& layer, const char* name) {
  if (!(layer.glitch > 0.0f)) {
    ID3D10EffectTechnique* calm = effect.getTechniqueByName((std::string(name) + "Calm").c_str());
    if (calm->IsValid()) return calm;
  }
  return effect.getTechniqueByName(name);
}

}  // namespace

void demo_Occupancy::release() {
  delete grid;
  grid = nullptr;
}

void demo_MarkOccupancy(fw_Effect* mosaicEffect, const demo_QuadGeometry& quads, fw_Texture* picture,
                        demo_Occupancy& occupancy) {
  // Without a fresh grid there is none: an old one would drop quads that now show something.
  const UINT width = picture ? (picture->getWidth() + kOccupancyBlock - 1) / kOccupancyBlock : 0;
  const UINT height = picture ? (picture->getHeight() + kOccupancyBlock - 1) / kOccupancyBlock : 0;
  if (!mosaicEffect || !picture || !picture->mShaderResourceView || width == 0 || height == 0) {
    occupancy.release();
    return;
  }
  fw_Texture*& grid = occupancy.grid;
  if (!grid || grid->getWidth() != width || grid->getHeight() != height) {
    delete grid;
    grid = new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, width,
                          height);
  }
  if (!grid->mRenderTargetView) {
    occupancy.release();
    return;
  }
  fw_SetRenderTarget(grid, 0, nullptr);
  // Every block marked until the pass says otherwise: a pass that cannot draw (a broken edit of
  // the effect while it is watched) then drops nothing.
  if (ID3D10Device* device = fw_GetDevice()) {
    const float occupied[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    device->ClearRenderTargetView(grid->mRenderTargetView, occupied);
  }
  mosaicEffect->getVariableByName("gBgTex")->AsShaderResource()->SetResource(picture->mShaderResourceView);
  // The first quad's corners, spread over the grid by the vertex stage.
  dusk_DrawIndexed(mosaicEffect->getTechniqueByName("Occupancy"), quads.mInputLayout, quads.mVertexBuffer, 16,
                   quads.mIndexBuffer, 6u);
}

namespace {

// The viewport bound now and the aspect the vertex stage reads from RenderDim.
demo_MosaicView CurrentView() {
  demo_MosaicView view;
  ID3D10Device* device = fw_GetDevice();
  UINT count = 1;
  D3D10_VIEWPORT viewport = {};
  if (!device) return view;
  device->RSGetViewports(&count, &viewport);
  float dim[4] = {};
  if (count < 1 || FAILED(fw_GetGlobals().RenderDim->GetFloatVector(dim))) return view;
  view.width = static_cast<int32_t>(viewport.Width);
  view.height = static_cast<int32_t>(viewport.Height);
  view.aspect = dim[0] / std::max(dim[1], 1.0f);
  return view;
}

// Writes each opaque layer's quads that can show into the geometry's visible-quad buffer, layer k
// from index k x total x 6 on; false when the buffer cannot take them.
bool WriteVisibleQuads(const demo_QuadGeometry& quads, const std::vector<demo_MosaicLayer>& layers,
                       const std::vector<std::vector<int32_t>>& visible) {
  const int32_t total = quads.mQuadCount;
  if (!quads.mVisibleIndexBuffer || layers.size() > static_cast<size_t>(demo_QuadGeometry::kCulledLayers) ||
      quads.mVertices.size() != static_cast<size_t>(total) * 4)
    return false;
  void* data = nullptr;
  if (FAILED(quads.mVisibleIndexBuffer->Map(D3D10_MAP_WRITE_DISCARD, 0, &data)) || !data) return false;
  uint32_t* out = static_cast<uint32_t*>(data);
  for (size_t k = 0; k < visible.size(); ++k) {
    uint32_t* index = out + k * static_cast<size_t>(total) * 6;
    for (int32_t q : visible[k]) {
      const uint32_t b = 4u * static_cast<uint32_t>(q);
      for (uint32_t i : {b, b + 1, b + 2, b, b + 2, b + 3}) *index++ = i;
    }
  }
  quads.mVisibleIndexBuffer->Unmap();
  return true;
}

}  // namespace

void demo_DrawMosaicLayers(fw_Effect* mosaicEffect, const demo_QuadGeometry& quads,
                           const std::vector<demo_MosaicLayer>& layers) {
  // The culling is a third of a stepped-through frame's time, for draws that go nowhere.
  if (!mosaicEffect || fw_DrawingDiscarded()) return;
  fw_Effect& effect = *mosaicEffect;
  const int32_t total = quads.mQuadCount;
  const std::vector<std::vector<int32_t>> visible = demo_VisibleOpaqueQuads(quads.mVertices, layers, total, CurrentView());
  const bool culled = WriteVisibleQuads(quads, layers, visible);
  // Layer k's quad q is the (k * total + q)-th quad drawn; its rank orders the depths.
  for (size_t k = layers.size(); k-- > 0;) {
    const demo_MosaicLayer& layer = layers[k];
    const int32_t count = std::clamp(layer.quadCount, 0, total);
    if (!layer.opaque || count == 0) continue;
    SetLayerVariables(effect, layer, static_cast<int32_t>(k) * total);
    ID3D10EffectTechnique* technique = LayerTechnique(effect, layer, "QuadsOpaque");
    if (culled) {
      dusk_DrawIndexed(technique, quads.mInputLayout, quads.mVertexBuffer, 16, quads.mVisibleIndexBuffer,
                       static_cast<UINT>(visible[k].size()) * 6u, static_cast<UINT>(k * total) * 6u);
      continue;
    }
    // Quads count-1 ... 0 are the last `count` of the reversed list.
    dusk_DrawIndexed(technique, quads.mInputLayout, quads.mVertexBuffer, 16, quads.mReverseIndexBuffer,
                     static_cast<UINT>(count) * 6u, static_cast<UINT>(total - count) * 6u);
  }
  for (size_t k = 0; k < layers.size(); ++k) {
    const demo_MosaicLayer& layer = layers[k];
    const int32_t count = std::clamp(layer.quadCount, 0, total);
    if (layer.opaque || count == 0) continue;
    SetLayerVariables(effect, layer, static_cast<int32_t>(k) * total);
    dusk_DrawIndexed(LayerTechnique(effect, layer, "QuadsSeeThrough"), quads.mInputLayout, quads.mVertexBuffer, 16,
                     quads.mIndexBuffer, static_cast<UINT>(count) * 6u);
  }
}
