#include "scroller_Components.h"

#include "dusk_Draw.h"
#include "diag/fw_Log.h"
#include "res/fw_Effect.h"
#include "device/fw_DeviceState.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureArray.h"

#include <platform/d3dx10math.h>

#include <cstring>

namespace {

struct TerrainImage {
  const char* file;
  const char* variable;
};

// Load order is binding order; the list keeps them in this order.
const TerrainImage kTerrainImages[] = {
    {"./data/scroller/heightmap.png", "gHeightTexture"},
    {"./data/scroller/heightmap2.png", "gHeightTexture2"},
    // The edge pictures are bound as pairs (kEdgePairs), not one by one.
    {"./data/scroller/horisontal inner edges.png", nullptr},
    {"./data/scroller/horisontal outer edges.png", nullptr},
    {"./data/scroller/vertical inner edges.png", nullptr},
    {"./data/scroller/vertical outer edges.png", nullptr},
    {"./data/scroller/red.png", "gTexture1"},
    {"./data/scroller/grain.png", "gGrainTexture"},
};

// Which of kTerrainImages make each pair, inner first, and the pair's variable.
struct EdgePair {
  int inner, outer;
  const char* variable;
};
const EdgePair kEdgePairs[2] = {{2, 3, "gHorEdgeTextures"}, {4, 5, "gVertEdgeTextures"}};

const D3D10_INPUT_ELEMENT_DESC kTerrainLayout[1] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0}};

// The red channel of the texture's first level, as the shader's texelFetch reads it; an empty
// map for formats whose red is not those bytes, or when it cannot be read.
scroller_HeightMap ReadHeightMap(const fw_Texture* texture) {
  scroller_HeightMap map;
  D3D10_TEXTURE2D_DESC desc;
  std::vector<uint8_t> texels;
  if (!texture || !fw_ReadTexels8(texture->mTexture2D, &desc, &texels)) return map;
  // An sRGB texture's red is not the byte the shader reads; BGRA keeps red third.
  if (desc.Format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB) return map;
  const size_t red = desc.Format == DXGI_FORMAT_B8G8R8A8_UNORM ? 2 : 0;
  map.width = static_cast<int32_t>(desc.Width);
  map.height = static_cast<int32_t>(desc.Height);
  map.red.resize(texels.size() / 4);
  for (size_t i = 0; i < map.red.size(); ++i) map.red[i] = texels[4 * i + red];
  return map;
}

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
  _MakeEdgePairs();
  mEffect->bind([this](fw_Effect& effect) {
    for (size_t i = 0; i < mTextures.size(); ++i)
      if (kTerrainImages[i].variable)
        effect.getVariableByName(kTerrainImages[i].variable)->AsShaderResource()->SetResource(
            mTextures[i]->mShaderResourceView);
    for (int pair = 0; pair < 2; ++pair)
      effect.getVariableByName(kEdgePairs[pair].variable)->AsShaderResource()->SetResource(
          mEdgePairs[pair] ? mEdgePairs[pair]->mShaderResourceView : nullptr);
    effect.getVariableByName("gNumRows")->AsScalar()->SetInt(mRows);
    effect.getVariableByName("gNumColumns")->AsScalar()->SetInt(mColumns);
    SafeRelease(mInputLayout);
    mInputLayout = dusk_CreateLayout(kTerrainLayout, 1, effect.getTechniqueByName("bg"));
  });

  std::vector<float> positions;
  std::vector<uint32_t> indices;
  scroller_BuildTerrainGrid(mRows, mColumns, positions, indices);
  SafeRelease(mVertexBuffer);
  SafeRelease(mIndexBuffer);
  mVertexBuffer = dusk_CreateBuffer(D3D10_BIND_VERTEX_BUFFER, positions.data(), positions.size() * sizeof(float));
  mIndexBuffer = dusk_CreateBuffer(D3D10_BIND_INDEX_BUFFER, indices.data(), indices.size() * sizeof(uint32_t));
  mIndexCount = static_cast<int32_t>(indices.size());

  // The faces that can show are chosen on the CPU from the maps the shader raises the blocks by.
  mHeightMaps[0] = ReadHeightMap(mTextures[0]);
  mHeightMaps[1] = ReadHeightMap(mTextures[1]);
  SafeRelease(mVisibleIndexBuffer);
  if (ID3D10Device* device = fw_GetDevice(); device && mHeightMaps[0].valid() && mHeightMaps[1].valid()) {
    const D3D10_BUFFER_DESC desc = {static_cast<UINT>(indices.size() * sizeof(uint32_t)), D3D10_USAGE_DYNAMIC,
                                    D3D10_BIND_INDEX_BUFFER, D3D10_CPU_ACCESS_WRITE, 0};
    device->CreateBuffer(&desc, nullptr, &mVisibleIndexBuffer);
  }
}

bool scroller_Terrain::_MakeEdgePairs() {
  bool made = false;
  for (int pair = 0; pair < 2; ++pair) {
    const EdgePair& p = kEdgePairs[pair];
    if (mTextures.size() <= static_cast<size_t>(p.outer)) continue;
    const fw_Texture* inner = mTextures[p.inner];
    const fw_Texture* outer = mTextures[p.outer];
    ID3D10Texture2D* sources[2] = {inner ? inner->mTexture2D : nullptr, outer ? outer->mTexture2D : nullptr};
    if (mEdgePairs[pair] && sources[0] == mEdgeSources[pair][0] && sources[1] == mEdgeSources[pair][1]) continue;
    delete mEdgePairs[pair];  // its destructor releases the copy
    mEdgePairs[pair] = fw_CreateTextureArray({inner, outer});
    if (!mEdgePairs[pair]) {
      fw_Log(fw_LogWarning,
             "The edge pictures <%s> and <%s> differ in size, format or mip levels, so they cannot be sampled as a "
             "pair.  The blocks are drawn without those edges until the two match.",
             kTerrainImages[p.inner].file, kTerrainImages[p.outer].file);
      mEdgePairs[pair] = fw_CreateClearTextureArray(2);
    }
    mEdgeSources[pair][0] = sources[0];
    mEdgeSources[pair][1] = sources[1];
    made = true;
  }
  return made;
}

void scroller_Terrain::render(const scroller_TerrainParams& params) {
  // The visible faces are a fifth of a stepped-through frame's time, for draws that go nowhere.
  if (!mEffect || fw_DrawingDiscarded()) return;
  if (_MakeEdgePairs())
    for (int pair = 0; pair < 2; ++pair)
      mEffect->getVariableByName(kEdgePairs[pair].variable)->AsShaderResource()->SetResource(
          mEdgePairs[pair] ? mEdgePairs[pair]->mShaderResourceView : nullptr);
  const D3DXVECTOR4 hero(params.heroX, params.heroY, params.heroZ, 0.0f);
  mEffect->getVariableByName("gHeroPosition")->AsVector()->SetFloatVector(hero);
  mEffect->getVariableByName("gScrollValue")->AsScalar()->SetFloat(params.scroll);
  mEffect->getVariableByName("gHeightFade")->AsScalar()->SetFloat(params.heightFade);
  mEffect->getVariableByName("gTime")->AsScalar()->SetFloat(params.time);
  ID3D10EffectTechnique* technique = mEffect->getTechniqueByName("bg");
  if (mVisibleIndexBuffer) {
    scroller_BuildVisibleTerrainIndices(mRows, mColumns, mHeightMaps[0], mHeightMaps[1], params.scroll,
                                        params.heightFade, mVisibleIndices);
    const size_t walls = scroller_SplitWallsAndTops(mVisibleIndices);
    void* data = nullptr;
    if (mVisibleIndices.size() <= static_cast<size_t>(mIndexCount) &&
        SUCCEEDED(mVisibleIndexBuffer->Map(D3D10_MAP_WRITE_DISCARD, 0, &data)) && data) {
      std::memcpy(data, mVisibleIndices.data(), mVisibleIndices.size() * sizeof(uint32_t));
      mVisibleIndexBuffer->Unmap();
      // Walls and tops by techniques of their own, unless an edit of the effect lost them.
      ID3D10EffectTechnique* wallTechnique = mEffect->getTechniqueByName("bgWalls");
      ID3D10EffectTechnique* topTechnique = mEffect->getTechniqueByName("bgTops");
      if (!wallTechnique->IsValid() || !topTechnique->IsValid()) wallTechnique = topTechnique = technique;
      dusk_DrawIndexed(wallTechnique, mInputLayout, mVertexBuffer, 8, mVisibleIndexBuffer, static_cast<UINT>(walls));
      dusk_DrawIndexed(topTechnique, mInputLayout, mVertexBuffer, 8, mVisibleIndexBuffer,
                       static_cast<UINT>(mVisibleIndices.size() - walls), static_cast<UINT>(walls));
      return;
    }
  }
  dusk_DrawIndexed(technique, mInputLayout, mVertexBuffer, 8, mIndexBuffer, static_cast<UINT>(mIndexCount));
}

void scroller_Terrain::destroy() {
  scroller_DestroyTextures(mTextures);
  for (fw_Texture*& pair : mEdgePairs) {
    delete pair;
    pair = nullptr;
  }
  SafeRelease(mInputLayout);
  SafeRelease(mVisibleIndexBuffer);
  SafeRelease(mIndexBuffer);
  SafeRelease(mVertexBuffer);
  dusk_DestroyEffect(mEffect);
}
