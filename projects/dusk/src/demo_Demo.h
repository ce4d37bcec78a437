// Demo: the production's one scene. Every frame is eight sub-frames (fewer where the framework's
// quality says so) spread back in music time ("timeDelay") and averaged: the block landscape with its hero, optionally a model picture, up to
// four mosaic layers of the pictures, and the leaves on top; then bloom and the final composite.
// Everything moves by sync tracks; the camera is the framework's track-driven orbit camera.
#pragma once

#include "demo_Mosaic.h"
#include "scene/fw_Scene.h"
#include "scroller_Components.h"

#include <array>
#include <functional>
#include <string>

class fw_ObjMesh;
class fw_Texture;
struct fw_Effect;

// The stretches of one frame, in drawing order, for measuring where the time goes.
enum class demo_Phase { Terrain, Hero, Models, Mosaic, Adds, Leaves, Bloom, Composite };
constexpr int demo_kPhaseCount = 8;

class Demo : public fw_Scene {
 public:
  explicit Demo(const std::string& name) : fw_Scene(name) {}
  ~Demo() override;

  void createResources() override;
  void prepare() override;
  void render() override;

  // The picture "./bg/<number>.png" through the framework's texture table.
  static fw_Texture* BackgroundPicture(int number);

  // Owned, in declaration order; empty until createResources.
  fw_Effect* mMeshEffect = nullptr;
  fw_Effect* mMosaicEffect = nullptr;
  demo_QuadGeometry* mQuads = nullptr;
  scroller_Terrain* mTerrain = nullptr;
  scroller_Hero* mHero = nullptr;
  scroller_Leafs* mLeafs = nullptr;
  fw_ObjMesh* mSecondModel = nullptr;  // "hjortenfrahorten.obj"
  fw_ObjMesh* mFirstModel = nullptr;   // "tingen.obj"
  fw_ObjMesh* mThirdModel = nullptr;   // "skallen.obj"
  demo_Occupancy mModelOccupancy;       // the model picture's, made when first drawn

  // Called after each stretch of drawing when set (a benchmark waits for the device there).
  std::function<void(demo_Phase)> mPhaseHook;

 private:
  void _RenderSubFrame(double ti, float weight, int background, fw_Texture* backgroundTexture);
  void _DrawMosaic(float row, fw_Texture* background, const demo_Occupancy* occupancy, fw_Texture* landscape,
                   fw_Texture* depth);
  void _EndPhase(demo_Phase phase) {
    if (mPhaseHook) mPhaseHook(phase);
  }
};
