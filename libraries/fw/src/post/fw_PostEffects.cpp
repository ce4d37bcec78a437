// Setup and release of the chain, and its plain operations: copy, add and the screen scale-out.
#include "post/fw_PostEffects.h"

#include "diag/fw_Log.h"
#include "device/fw_DeviceState.h"
#include "post/fw_PostPass.h"
#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

fw_PostEffects* fw_gPostEffects = nullptr;

HRESULT fw_PostEffectsSetup(fw_PostEffects* chain)
{
  if (!chain) return E_FAIL;
  // Running setup twice must not leak the first effect and quad.
  fw_PostEffectsRelease(chain);

  chain->mEffect = new fw_Effect();
  chain->mEffect->load("fw_PostEffects.fxo", fw_GetEffectPool());

  chain->mQuad = new fw_FullScreenQuad();
  chain->mEffect->bind([chain](fw_Effect& effect) {
    // The quad's buffers come with its layout, made against the effect as it is now.
    chain->mQuad->create(effect.getTechniqueByName("LightByDepth"));
    // These two stay bound for the whole run; a missing image comes back as the error texture.
    // Looked up by name, so a chain fixed live later finds the same textures.
    fw_Texture* vignette = fw_FindOrCreateTexture("vignette.jpg");
    effect.getVariableByName("texVignette")->AsShaderResource()->SetResource(
        vignette ? vignette->mShaderResourceView : nullptr);
    fw_Texture* rnd = fw_FindOrCreateTexture("rnd.png");
    effect.getVariableByName("texRnd")->AsShaderResource()->SetResource(rnd ? rnd->mShaderResourceView : nullptr);
  });
  return chain->mEffect->mEffect ? S_OK : E_FAIL;
}

void fw_PostEffectsRelease(fw_PostEffects* chain)
{
  if (!chain) return;
  if (chain->mEffect) {
    chain->mEffect->release();
    delete chain->mEffect;
    chain->mEffect = nullptr;
  }
  if (chain->mQuad) {
    chain->mQuad->release();
    delete chain->mQuad;
    chain->mQuad = nullptr;
  }
}

void fw_PostCopy(fw_PostEffects* chain, fw_Texture* source, fw_Texture* destination)
{
  fw_PostPass(chain, {{"texView1", source}}, {}, destination, "Copy");
}

void fw_PostAdd(fw_Texture* destination, fw_PostEffects* chain, fw_Texture* source, float scale)
{
  fw_PostPass(chain, {{"texView1", source}}, {fw_PostScalar("gAddScale", scale)}, destination, "Add");
}

void fw_PostScreenScaleOutTo(fw_PostEffects* chain, fw_Texture* source, fw_Texture* windowTarget, int32_t offset)
{
  if (!windowTarget) return;
  ID3D10Device* device = fw_GetDevice();
  if (offset > 0 && device && windowTarget->mRenderTargetView) {
    const FLOAT black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    device->ClearRenderTargetView(windowTarget->mRenderTargetView, black);
  }

  // The picture goes between the bars: the viewport moves down by the offset and loses it at
  // both ends. Width and x stay as the target has them.
  D3D10_VIEWPORT viewport = windowTarget->mViewport;
  const int64_t height = int64_t(viewport.Height) - 2 * int64_t(offset);
  if (height <= 0) {
    // The viewport height is unsigned: bars that meet would wrap it round to a huge value.
    fw_Log(fw_LogWarning, "Screen scale-out: a letterbox of %d pixels leaves nothing of a %u pixel high target.",
           offset, viewport.Height);
    return;
  }
  viewport.TopLeftY += offset;
  viewport.Height = UINT(height);
  fw_PostBindTarget(windowTarget->mRenderTargetView, &viewport);

  if (!chain || !chain->mEffect || !chain->mQuad) return;
  chain->mEffect->getVariableByName("texView1")->AsShaderResource()->SetResource(
      source ? source->mShaderResourceView : nullptr);
  chain->mQuad->draw(chain->mEffect->getTechniqueByName("HighQualityDownScale"));
}

void fw_PostScreenScaleOut(fw_Texture* source, int32_t offset)
{
  fw_PostScreenScaleOutTo(fw_gPostEffects, source, fw_GetWindowBackbuffer(), offset);
}
