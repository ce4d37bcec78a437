// The show's one scene: a gradient sky with a glowing disc over it, both steered by tracks, drawn
// into a render target and handed through the framework's post chain onto the back buffer.
#pragma once

#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "scene/fw_Scene.h"

class StarterScene : public fw_Scene {
 public:
  // The scene's description (its transforms and camera) is data/starter.xml.
  StarterScene() : fw_Scene("starter.xml") {}

  void createResources() override;
  void releaseResources() override;
  void render() override;

  fw_Effect mEffect;
  fw_FullScreenQuad mQuad;
};
