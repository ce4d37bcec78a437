// The scroller's three components: the block landscape ("rtype.fx"), the hero with its grain
// layer and echoes ("grain.fx") and the leaf field ("leafs.fx"). Each owns its effect, textures
// and geometry; create loads everything, render draws one sub-frame from its parameter record
// without touching render targets, viewport or depth state, destroy releases in a fixed order.
#pragma once

#include "scroller_Geometry.h"

#include <platform/d3d10.h>

#include <cstdint>
#include <vector>

class fw_Texture;
struct fw_Effect;

struct scroller_TerrainParams {
  float scroll;      // "bgScroll"
  float heroX, heroY, heroZ;
  float heightFade;  // "bgHeightFade" x 0.01
  float time;        // the sub-frame's seconds, for the film grain
};

struct scroller_LeafsParams {
  int32_t seed;      // "leafsRnd" truncated
  float time;        // the sub-frame's seconds
  float quadScale;   // "leafsScale" x 0.01
  float amount;      // "leafsNum", percent of the leaves
  fw_Texture* target;  // the picture the leaves take their colours from; none draws nothing
  // The frame's sub-frames over the show's eight: a leaf drawn in fewer sub-frames is blended
  // more strongly in each, so it builds up to the same cover.
  float alphaSteps = 1.0f;
};

class scroller_Terrain {
 public:
  ~scroller_Terrain() { destroy(); }
  void create();
  void render(const scroller_TerrainParams& params);
  void destroy();

  int32_t mColumns = 160;
  int32_t mRows = 45;
  int32_t mIndexCount = 0;
  std::vector<fw_Texture*> mTextures;
  // The edge pictures in pairs (inner, outer; horizontal, then vertical) as two-layer arrays, and
  // the textures each was copied from: a live edit of a picture gives it a new texture.
  fw_Texture* mEdgePairs[2] = {nullptr, nullptr};
  ID3D10Texture2D* mEdgeSources[2][2] = {};
  fw_Effect* mEffect = nullptr;
  ID3D10Buffer* mIndexBuffer = nullptr;
  // The height maps' texels as read back from their textures, and each sub-frame's faces that
  // can show (scroller_BuildVisibleTerrainIndices). Without them every face of mIndexBuffer is
  // drawn.
  scroller_HeightMap mHeightMaps[2];
  std::vector<uint32_t> mVisibleIndices;
  ID3D10Buffer* mVisibleIndexBuffer = nullptr;
  ID3D10Buffer* mVertexBuffer = nullptr;
  ID3D10InputLayout* mInputLayout = nullptr;

 private:
  // Copies each edge pair whose pictures changed since it was made; true when one was made.
  bool _MakeEdgePairs();
};

class scroller_Leafs {
 public:
  ~scroller_Leafs() { destroy(); }
  // Builds the field from the seed 832 and leaves the shared generator seeded from a value it
  // drew before, so other users of rand() continue from a fresh point.
  void create();
  void render(const scroller_LeafsParams& params);
  void destroy();

  int32_t mLeafCount = 25000;
  std::vector<fw_Texture*> mTextures;
  // The edge pictures in pairs (inner, outer; horizontal, then vertical) as two-layer arrays, and
  // the textures each was copied from: a live edit of a picture gives it a new texture.
  fw_Texture* mEdgePairs[2] = {nullptr, nullptr};
  ID3D10Texture2D* mEdgeSources[2][2] = {};
  fw_Effect* mEffect = nullptr;
  ID3D10Buffer* mIndexBuffer = nullptr;
  ID3D10Buffer* mVertexBuffer = nullptr;
  ID3D10InputLayout* mInputLayout = nullptr;
};

class scroller_Hero {
 public:
  ~scroller_Hero() { destroy(); }
  void create();
  // The sky under the film grain, the hero, then its five echoes (scroller_ComputeEchoes).
  void render(const scroller_HeroParams& params);
  void destroy();
  // The sky pass can draw: every pixel of the landscape then ends up with alpha 1.
  bool fillsSky() const;

  int32_t mQuadCount = 1;
  std::vector<fw_Texture*> mTextures;
  // The edge pictures in pairs (inner, outer; horizontal, then vertical) as two-layer arrays, and
  // the textures each was copied from: a live edit of a picture gives it a new texture.
  fw_Texture* mEdgePairs[2] = {nullptr, nullptr};
  ID3D10Texture2D* mEdgeSources[2][2] = {};
  fw_Effect* mEffect = nullptr;
  ID3D10Buffer* mIndexBuffer = nullptr;
  ID3D10Buffer* mVertexBuffer = nullptr;
  ID3D10InputLayout* mInputLayout = nullptr;
};

// Releases and deletes every texture, then empties the list.
void scroller_DestroyTextures(std::vector<fw_Texture*>& textures);
