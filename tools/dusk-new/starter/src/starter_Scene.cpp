#include "starter_Scene.h"

#include "post/fw_PostEffects.h"
#include "res/fw_Resources.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"

void StarterScene::createResources() {
  mEffect.load("starter.fx", fw_GetEffectPool());
  // The quad's layout is made against the effect's pass; a binding runs again when live mode
  // brings back an effect that failed to load, so the layout follows it.
  mEffect.bind([this](fw_Effect& effect) { mQuad.create(effect.getTechniqueByName("Picture")); });
}

void StarterScene::releaseResources() {
  mQuad.release();
  mEffect.release();
}

void StarterScene::render() {
  // Every value that moves is a track read at the current row; the effect takes it as its own
  // variable and uploads it when the pass is applied.
  const float shape[4] = {fw_SyncValue("shapeX", 0.0f), fw_SyncValue("shapeY", 0.0f),
                          fw_SyncValue("shapeSize", 20.0f) * 0.01f, fw_SyncValue("shapeGlow", 0.0f) * 0.01f};
  mEffect.getVariableByName("gShape")->AsVector()->SetFloatVector(shape);
  mEffect.getVariableByName("gSkyHue")->AsScalar()->SetFloat(fw_SyncValue("skyHue", 0.0f));
  mEffect.getVariableByName("gSkyHorizon")->AsScalar()->SetFloat(fw_SyncValue("skyHorizon", 50.0f) * 0.01f);

  // A floating-point target with its halvings, so the bloom has room above 1.
  fw_Texture* picture = fw_FindTexture("r16g16b16a16f_1");
  fw_SetRenderTarget(picture, 0, nullptr);
  mQuad.draw(mEffect.getTechniqueByName("Picture"));

  // Bloom ("Post_Bloom", "Post_BloomCutoff"), then the final look ("Post_Fade" and the colour
  // tracks) onto the render-size back buffer, which the framework scales out to the window.
  fw_PostBloom(fw_gPostEffects, picture, picture);
  fw_PostFinalComposite(fw_gPostEffects, picture, fw_FindTexture("backbuffer"));
}
