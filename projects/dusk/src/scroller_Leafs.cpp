#include "scroller_Components.h"

#include "dusk_Draw.h"
#include "res/fw_Effect.h"
#include "res/fw_Texture.h"

#include <platform/crt.h>

namespace {

const D3D10_INPUT_ELEMENT_DESC kLeafLayout[2] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0}};

}  // namespace

void scroller_Leafs::create() {
  dusk_ReplaceEffect(mEffect, "leafs.fx");
  mEffect->bind([this](fw_Effect& effect) {
    SafeRelease(mInputLayout);
    mInputLayout = dusk_CreateLayout(kLeafLayout, 2, effect.getTechniqueByName("leafs"));
  });

  // The field is the same every run; the generator then continues from where it was heading.
  const int restore = crt::rand();
  crt::srand(832);
  std::vector<scroller_LeafVertex> vertices;
  std::vector<uint32_t> indices;
  scroller_BuildLeaves(mLeafCount, vertices, indices);
  crt::srand(static_cast<unsigned int>(restore));

  SafeRelease(mVertexBuffer);
  SafeRelease(mIndexBuffer);
  mVertexBuffer =
      dusk_CreateBuffer(D3D10_BIND_VERTEX_BUFFER, vertices.data(), vertices.size() * sizeof(scroller_LeafVertex));
  mIndexBuffer = dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, indices.data(), indices.size() * sizeof(uint32_t));
}

void scroller_Leafs::render(const scroller_LeafsParams& params) {
  if (!params.target || !mEffect) return;
  mEffect->getVariableByName("gTexture")->AsShaderResource()->SetResource(params.target->mShaderResourceView);
  mEffect->getVariableByName("gTime")->AsScalar()->SetFloat(params.time);
  mEffect->getVariableByName("gRndSeed")->AsScalar()->SetInt(params.seed);
  mEffect->getVariableByName("gQuadScale")->AsScalar()->SetFloat(params.quadScale);
  mEffect->getVariableByName("gAlphaSteps")->AsScalar()->SetFloat(params.alphaSteps);
  const int32_t drawn = scroller_LeafDrawCount(params.amount, mLeafCount);
  dusk_DrawIndexed(mEffect->getTechniqueByName("leafs"), mInputLayout, mVertexBuffer, 20, mIndexBuffer,
                   static_cast<UINT>(drawn) * 6u);
}

void scroller_Leafs::destroy() {
  scroller_DestroyTextures(mTextures);
  SafeRelease(mInputLayout);
  SafeRelease(mIndexBuffer);
  SafeRelease(mVertexBuffer);
  dusk_DestroyEffect(mEffect);
}
