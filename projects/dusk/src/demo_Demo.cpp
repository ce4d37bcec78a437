#include "demo_Demo.h"

#include "demo_Models.h"
#include "diag/fw_Log.h"
#include "dusk_Draw.h"
#include "dusk_Tracks.h"
#include "device/fw_DeviceState.h"
#include "device/fw_Quality.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_ObjMesh.h"
#include "res/fw_Paths.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "scene/fw_OrbitCamera.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include <cmath>
#include <cstdio>

namespace {

const float kClear[4] = {0.0f, 0.0f, 0.0f, 0.0f};

// The framework's standard targets, by the roles this scene gives them.
// The models' picture: drawn when "3_i" is negative, and then mosaic layer 3's picture.
const char* const kModelPictureTarget = "r8g8b8a8_1";
// Landscape and hero of one sub-frame, the mosaic's first layer.
const char* const kLandscapeTarget = "r8g8b8a8_2";
// The mosaic of one sub-frame, averaged into the accumulation.
const char* const kMosaicTarget = "r8g8b8a8_3";
// The motion-blur sum of every sub-frame, the input of bloom and the final composite.
const char* const kAccumulationTarget = "r16g16b16a16f_1";
const char* const kDepthTarget = "d32f_backbuffer";

template <class T> void Replace(T*& member, T* fresh) {
  delete member;
  member = fresh;
}

template <class T> void Destroy(T*& member) {
  delete member;
  member = nullptr;
}

void DestroyModel(fw_ObjMesh*& model) {
  if (model) model->release();
  Destroy(model);
}

// No effect of its own: the materials carry no techniques, the scene's technique draws them
// (its layout comes with the mesh effect's binding).
fw_ObjMesh* LoadModel(const char* file) { return new fw_ObjMesh(fw_DataPath("./data/models"), file, nullptr); }

void ClearTarget(fw_Texture* target) {
  ID3D10Device* device = fw_GetDevice();
  if (device && target && target->mRenderTargetView) device->ClearRenderTargetView(target->mRenderTargetView, kClear);
}

float TrackAt(const char* name, float defaultValue, double seconds) {
  return fw_SyncValueAt(name, defaultValue, fw_RowFromSeconds(seconds));
}

}  // namespace

Demo::~Demo() {
  DestroyModel(mThirdModel);
  DestroyModel(mFirstModel);
  DestroyModel(mSecondModel);
  if (mLeafs) mLeafs->destroy();
  Destroy(mLeafs);
  if (mHero) mHero->destroy();
  Destroy(mHero);
  if (mTerrain) mTerrain->destroy();
  Destroy(mTerrain);
  if (mQuads) mQuads->release();
  Destroy(mQuads);
  dusk_DestroyEffect(mMosaicEffect);
  dusk_DestroyEffect(mMeshEffect);
}

void Demo::createResources() {
  // The scroller.
  Replace(mTerrain, new scroller_Terrain());
  mTerrain->create();
  Replace(mHero, new scroller_Hero());
  mHero->create();
  Replace(mLeafs, new scroller_Leafs());
  mLeafs->create();

  dusk_ReplaceEffect(mMeshEffect, "mesh.fx");
  dusk_ReplaceEffect(mMosaicEffect, "mosaicQuads.fx");
  fw_Texture* tapet = fw_FindOrCreateTexture("./data/tex.png");
  fw_Log(fw_LogPlain, "Reloding done.");

  Replace(mQuads, new demo_QuadGeometry());
  mQuads->create(mMosaicEffect);
  // The wallpaper is set once; the layout is made again only for a mosaic effect fixed live
  // after failing to load.
  mMosaicEffect->bind([this, tapet](fw_Effect& effect) {
    effect.getVariableByName("gTapetTexture")->AsShaderResource()->SetResource(
        tapet ? tapet->mShaderResourceView : nullptr);
    if (!mQuads->mInputLayout) mQuads->createLayout(effect);
  });

  DestroyModel(mFirstModel);
  mFirstModel = LoadModel("tingen.obj");
  DestroyModel(mSecondModel);
  mSecondModel = LoadModel("hjortenfrahorten.obj");
  DestroyModel(mThirdModel);
  mThirdModel = LoadModel("skallen.obj");
  // The models' layouts against the mesh effect, made again when it is fixed live after failing
  // to load.
  mMeshEffect->bind([this](fw_Effect& effect) {
    for (fw_ObjMesh* model : {mFirstModel, mSecondModel, mThirdModel})
      if (model) model->prepareForTechnique(effect.getTechniqueByName("smooth"));
  });

  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  fw_SetWorld(identity, identity);
}

void Demo::prepare() { fw_UpdateOrbitCamera(cameraSet()); }

fw_Texture* Demo::BackgroundPicture(int number) {
  char name[32];
  std::snprintf(name, sizeof(name), "./bg/%d.png", number);
  return fw_FindOrCreateTexture(name);
}

void Demo::render() {
  const double t = fw_GetMusicTime();
  const int background = dusk_TruncateTrack(TrackAt("3_i", 0.0f, t));
  fw_Texture* backgroundTexture = background < 0 ? fw_FindTexture(kModelPictureTarget) : BackgroundPicture(background);

  fw_Texture* accumulation = fw_FindTexture(kAccumulationTarget);
  ClearTarget(accumulation);
  // The sub-frames spread back over "timeDelay" milliseconds; fewer than the show's eight (a slow
  // device's choice, or --sub-frames) keep the span and each weighs more.
  const double delay = TrackAt("timeDelay", 0.0f, t) * 0.001;
  const int subFrames = fw_GetSubFrames();
  const std::array<double, fw_kMaxSubFrames> times = fw_SubFrameTimes(t, delay, subFrames);
  for (int i = 0; i < subFrames; ++i) _RenderSubFrame(times[i], fw_SubFrameWeight(subFrames), background, backgroundTexture);

  fw_PostBloom(fw_gPostEffects, accumulation, accumulation);
  _EndPhase(demo_Phase::Bloom);
  fw_PostFinalComposite(fw_gPostEffects, accumulation, fw_FindTexture("backbuffer"));
  _EndPhase(demo_Phase::Composite);
}

void Demo::_RenderSubFrame(double ti, float weight, int background, fw_Texture* backgroundTexture) {
  ID3D10Device* device = fw_GetDevice();
  fw_Texture* landscape = fw_FindTexture(kLandscapeTarget);
  fw_Texture* mosaic = fw_FindTexture(kMosaicTarget);
  fw_Texture* depth = fw_FindTexture(kDepthTarget);
  fw_Texture* accumulation = fw_FindTexture(kAccumulationTarget);
  const float row = fw_RowFromSeconds(ti);

  const float heroX = fw_SyncValueAt("heroX", 0.0f, row);
  const float heroY = fw_SyncValueAt("heroY", 0.0f, row);
  const float heroZ = fw_SyncValueAt("heroZ", 0.0f, row);
  const int32_t heroSeed = dusk_TruncateTrack(fw_SyncValueAt("heroRnd", 0.0f, row));
  const float scroll = fw_SyncValueAt("bgScroll", 0.0f, row);
  const float heightFade = fw_SyncValueAt("bgHeightFade", 0.0f, row) * 0.01f;

  // Landscape and hero.
  fw_SetRenderTarget(landscape, 0, depth);
  if (device && depth && depth->mDepthStencilView)
    device->ClearDepthStencilView(depth->mDepthStencilView, D3D10_CLEAR_DEPTH, 1.0f, 0);
  ClearTarget(landscape);
  if (mTerrain) mTerrain->render({scroll, heroX, heroY, heroZ, heightFade, static_cast<float>(ti)});
  _EndPhase(demo_Phase::Terrain);
  if (mHero) mHero->render({heroSeed, static_cast<float>(ti), heroX, heroY, heroZ});
  _EndPhase(demo_Phase::Hero);

  // The model picture, tested against the landscape's depth.
  if (background < 0) {
    fw_Texture* modelTarget = fw_FindTexture(kModelPictureTarget);
    fw_SetRenderTarget(modelTarget, 0, depth);
    ClearTarget(modelTarget);
    fw_ObjMesh* const models[3] = {mFirstModel, mSecondModel, mThirdModel};
    demo_RenderModel(mMeshEffect, models, demo_ModelNumber(background), demo_ReadModelTracks(row));
    if (mQuads) demo_MarkOccupancy(mMosaicEffect, *mQuads, modelTarget, mModelOccupancy);
    _EndPhase(demo_Phase::Models);
  }

  // The mosaic, averaged into the accumulation. The depth buffer is the landscape's, free again.
  fw_SetRenderTarget(mosaic, 0, depth);
  ClearTarget(mosaic);
  _DrawMosaic(row, backgroundTexture, background < 0 ? &mModelOccupancy : nullptr, landscape, depth);
  _EndPhase(demo_Phase::Mosaic);
  fw_PostAdd(accumulation, fw_gPostEffects, mosaic, weight);
  _EndPhase(demo_Phase::Adds);

  // Leaves straight onto the accumulation, coloured from this sub-frame's picture.
  fw_SetRenderTarget(accumulation, 0, nullptr);
  if (mLeafs) {
    const int32_t leafSeed = dusk_TruncateTrack(fw_SyncValueAt("leafsRnd", 0.0f, row));
    const float leafScale = fw_SyncValueAt("leafsScale", 0.0f, row) * 0.01f;
    const float amount = fw_SyncValueAt("leafsNum", 0.0f, row);
    mLeafs->render({leafSeed, static_cast<float>(ti), leafScale, amount, mosaic, weight / 0.125f});
  }
  _EndPhase(demo_Phase::Leaves);
}

void Demo::_DrawMosaic(float row, fw_Texture* background, const demo_Occupancy* occupancy, fw_Texture* landscape,
                       fw_Texture* depth) {
  if (!mQuads) return;
  std::vector<demo_MosaicLayer> layers;
  auto add = [&](int digit, fw_Texture* texture, bool opaque) {
    demo_MosaicLayer& layer = layers.emplace_back();
    demo_ReadMosaicLayer(digit, row, layer);
    layer.texture = texture;
    layer.opaque = opaque;
    const float numQuads = fw_SyncValueAt(std::to_string(digit) + "_NumQuads", 100.0f, row);
    layer.quadCount = demo_MosaicQuadCount(numQuads, mQuads->mQuadCount);
  };
  auto opaque = [](const fw_Texture* texture) { return texture && texture->mOpaque; };
  // The sky fills every pixel the blocks leave, so the landscape is opaque once the hero draws.
  add(1, landscape, mHero && mHero->fillsSky());
  const float picture2 = fw_SyncValueAt("2_i", 0.0f, row);
  if (picture2 >= 0.0f) {
    fw_Texture* texture = BackgroundPicture(dusk_TruncateTrack(picture2));
    add(2, texture, opaque(texture));
  }
  if (background) {
    add(3, background, opaque(background));
    layers.back().occupancy = occupancy;
  }
  const float picture4 = fw_SyncValueAt("4_i", 0.0f, row);
  if (picture4 >= 0.0f) {
    fw_Texture* texture = BackgroundPicture(dusk_TruncateTrack(picture4));
    add(4, texture, opaque(texture));
  }

  ID3D10Device* device = fw_GetDevice();
  if (device && depth && depth->mDepthStencilView)
    device->ClearDepthStencilView(depth->mDepthStencilView, D3D10_CLEAR_DEPTH, 1.0f, 0);
  demo_DrawMosaicLayers(mMosaicEffect, *mQuads, layers);
}
