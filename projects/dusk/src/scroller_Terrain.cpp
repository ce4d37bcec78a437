#include "scroller_Components.h"

#include "dusk_Draw.h"
#include "res/fw_Effect.h"
#include "res/fw_Texture.h"

#include <platform/d3dx10math.h>

namespace {

struct TerrainImage {
  const char* file;
  const char* variable;
};

// Load order is binding order; the list keeps them in this order.
const TerrainImage kTerrainImages[] = {
    {"./data/scroller/heightmap.png", "gHeightTexture"},
    {"./data/scroller/heightmap2.png", "gHeightTexture2"},
    {"./data/scroller/horisontal inner edges.png", "gHorInnerTexture"},
    {"./data/scroller/horisontal outer edges.png", "gHorOuterTexture"},
    {"./data/scroller/vertical inner edges.png", "gVertInnerTexture"},
    {"./data/scroller/vertical outer edges.png", "gVertOuterTexture"},
    {"./data/scroller/red.png", "gTexture1"},
    {"./data/scroller/grain.png", "gGrainTexture"},
};

const D3D10_INPUT_ELEMENT_DESC kTerrainLayout[1] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0}};

}  // namespace

void scroller_DestroyTextures(std::vector<fw_Texture*>& textures) {
  for (fw_Texture* texture : textures) {
    if (!texture) continue;
    texture->release();
    delete texture;
  }
  textures.clear();
}

void scroller_Terrain::create() {
  dusk_ReplaceEffect(mEffect, "rtype.fx");
  scroller_DestroyTextures(mTextures);
  for (const TerrainImage& image : kTerrainImages) mTextures.push_back(fw_Texture::LoadFromImageFile(image.file));
  mEffect->bind([this](fw_Effect& effect) {
    for (size_t i = 0; i < mTextures.size(); ++i)
      effect.getVariableByName(kTerrainImages[i].variable)->AsShaderResource()->SetResource(
          mTextures[i]->mShaderResourceView);
    effect.getVariableByName("gNumRows")->AsScalar()->SetInt(mRows);
    effect.getVariableByName("gNumColumns")->AsScalar()->SetInt(mColumns);
    dusk_SafeRelease(mInputLayout);
    mInputLayout = dusk_CreateLayout(kTerrainLayout, 1, effect.getTechniqueByName("bg"));
  });

  std::vector<float> positions;
  std::vector<uint32_t> indices;
  scroller_BuildTerrainGrid(mRows, mColumns, positions, indices);
  dusk_SafeRelease(mVertexBuffer);
  dusk_SafeRelease(mIndexBuffer);
  mVertexBuffer = dusk_CreateBuffer(D3D10_BIND_VERTEX_BUFFER, positions.data(), positions.size() * sizeof(float));
  mIndexBuffer = dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, indices.data(), indices.size() * sizeof(uint32_t));
  mIndexCount = static_cast<int32_t>(indices.size());
}

void scroller_Terrain::render(const scroller_TerrainParams& params) {
  if (!mEffect) return;
  const D3DXVECTOR4 hero(params.heroX, params.heroY, params.heroZ, 0.0f);
  mEffect->getVariableByName("gHeroPosition")->AsVector()->SetFloatVector(hero);
  mEffect->getVariableByName("gScrollValue")->AsScalar()->SetFloat(params.scroll);
  mEffect->getVariableByName("gHeightFade")->AsScalar()->SetFloat(params.heightFade);
  mEffect->getVariableByName("gTime")->AsScalar()->SetFloat(params.time);
  dusk_DrawIndexed(mEffect->getTechniqueByName("bg"), mInputLayout, mVertexBuffer, 8, mIndexBuffer,
                   static_cast<UINT>(mIndexCount));
}

void scroller_Terrain::destroy() {
  scroller_DestroyTextures(mTextures);
  dusk_SafeRelease(mInputLayout);
  dusk_SafeRelease(mIndexBuffer);
  dusk_SafeRelease(mVertexBuffer);
  dusk_DestroyEffect(mEffect);
}
