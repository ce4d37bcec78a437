#include "scroller_Components.h"

#include "dusk_Draw.h"
#include "res/fw_Effect.h"
#include "res/fw_Texture.h"

#include <platform/d3dx10math.h>

namespace {

const D3D10_INPUT_ELEMENT_DESC kHeroLayout[1] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0}};
const float kQuad[4][2] = {{-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}, {-1.0f, -1.0f}};
const uint32_t kQuadIndices[6] = {0, 1, 2, 0, 2, 3};

}  // namespace

void scroller_Hero::create() {
  dusk_ReplaceEffect(mEffect, "grain.fx");
  scroller_DestroyTextures(mTextures);
  fw_Texture* grain = fw_Texture::LoadFromImageFile("./data/scroller/grain.png");
  mTextures.push_back(grain);
  mEffect->bind([this, grain](fw_Effect& effect) {
    effect.getVariableByName("gGrainTexture")->AsShaderResource()->SetResource(grain->mShaderResourceView);
    SafeRelease(mInputLayout);
    mInputLayout = dusk_CreateLayout(kHeroLayout, 1, effect.getTechniqueByName("grain"));
  });
  SafeRelease(mVertexBuffer);
  SafeRelease(mIndexBuffer);
  mVertexBuffer = dusk_CreateBuffer(D3D10_BIND_VERTEX_BUFFER, kQuad, sizeof(kQuad));
  mIndexBuffer = dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, kQuadIndices, sizeof(kQuadIndices));
}

void scroller_Hero::render(const scroller_HeroParams& params) {
  if (!mEffect) return;
  const UINT indexCount = 6u * static_cast<UINT>(mQuadCount);
  ID3D10EffectVectorVariable* heroParameters = mEffect->getVariableByName("gHeroParameters")->AsVector();

  // The sky behind the blocks, under the film grain they took as they were drawn.
  mEffect->getVariableByName("gTime")->AsScalar()->SetFloat(params.time);
  dusk_DrawIndexed(mEffect->getTechniqueByName("grain"), mInputLayout, mVertexBuffer, 8, mIndexBuffer, indexCount);

  // The hero, then its echoes at their intensities.
  ID3D10EffectTechnique* hero = mEffect->getTechniqueByName("hero");
  heroParameters->SetFloatVector(D3DXVECTOR4(params.x, params.y, params.z, 1.0f));
  dusk_DrawIndexed(hero, mInputLayout, mVertexBuffer, 8, mIndexBuffer, indexCount);
  D3DXVECTOR4 echoes[5];
  scroller_ComputeEchoes(params, echoes);
  for (const D3DXVECTOR4& echo : echoes) {
    heroParameters->SetFloatVector(echo);
    dusk_DrawIndexed(hero, mInputLayout, mVertexBuffer, 8, mIndexBuffer, indexCount);
  }
}

bool scroller_Hero::fillsSky() const {
  return mEffect && mEffect->getTechniqueByName("grain")->IsValid() && mInputLayout && mVertexBuffer && mIndexBuffer &&
         mQuadCount > 0;
}

void scroller_Hero::destroy() {
  scroller_DestroyTextures(mTextures);
  SafeRelease(mInputLayout);
  SafeRelease(mIndexBuffer);
  SafeRelease(mVertexBuffer);
  dusk_DestroyEffect(mEffect);
}
