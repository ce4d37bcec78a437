// Test support: a scene of the test production that draws through the framework's own pieces:
// its effect ("testprod.fx", with includes under both shader roots) loaded against the pool,
// a full-screen fill that shows Time, and a textured square placed by World and the camera.
// Draws into "backbuffer".
#pragma once

#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "scene/fw_Scene.h"

namespace core_test {

class FillScene : public fw_Scene {
 public:
  explicit FillScene(const std::string& name) : fw_Scene(name) {}
  void createResources() override {
    effect.load("testprod.fx", fw_GetEffectPool());
    quad.create(effect.getTechniqueByName("Fill"));
    picture = fw_FindOrCreateTexture("gradient.png");
    ++creates;
  }
  void releaseResources() override {
    quad.release();
    effect.release();
    ++releases;
  }
  void render() override {
    fw_SetRenderTarget(fw_FindTexture("backbuffer"), 0, nullptr);
    quad.draw(effect.getTechniqueByName("Fill"));
    effect.getVariableByName("gPicture")->AsShaderResource()->SetResource(picture ? picture->mShaderResourceView
                                                                                  : nullptr);
    D3DXMATRIX world, previous;
    D3DXMatrixScaling(&world, 0.5f, 0.5f, 1.0f);
    previous = world;
    fw_SetWorld(world, previous);
    quad.draw(effect.getTechniqueByName("Square"));
    ++renders;
  }

  fw_Effect effect;
  fw_FullScreenQuad quad;
  fw_Texture* picture = nullptr;
  int creates = 0, releases = 0, renders = 0;
};

}  // namespace core_test
