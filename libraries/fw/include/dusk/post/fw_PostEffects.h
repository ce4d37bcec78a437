// The post-effects chain: one effect ("fw_PostEffects.fxo") and one full-screen quad, with the
// image operations that run between the scene and the screen (copy, add, bloom, screen
// scale-out, final composite). Needs the framework's device, effect pool, texture table, sync
// device and window back-buffer target.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>

class fw_Texture;
struct fw_Effect;
struct fw_FullScreenQuad;

// Both members are null until setup and again after release.
struct fw_PostEffects {
  fw_Effect* mEffect = nullptr;
  fw_FullScreenQuad* mQuad = nullptr;
};

// The framework's one chain; created empty by the run, destroyed after the device is released.
extern fw_PostEffects* fw_gPostEffects;

// Once, during resource loading, after the effect pool exists: loads the effect, builds the
// quad against "LightByDepth" and binds texVignette and texRnd. Looks up no render target.
// Fails (E_FAIL) when the effect cannot be loaded: then nothing could reach the screen.
HRESULT fw_PostEffectsSetup(fw_PostEffects* chain);
// Destroys the effect and the quad and sets both to null; harmless on an empty chain.
void fw_PostEffectsRelease(fw_PostEffects* chain);

// Technique "Copy" from source into destination; a smaller destination gives the downscale.
void fw_PostCopy(fw_PostEffects* chain, fw_Texture* source, fw_Texture* destination);
// Technique "Add": destination += source x scale, the destination not cleared.
void fw_PostAdd(fw_Texture* destination, fw_PostEffects* chain, fw_Texture* source, float scale);
// The bloom from source onto destination (may be the same texture), driven by "Post_Bloom" and
// "Post_BloomCutoff"; does nothing at all when the strength is not above 0.
void fw_PostBloom(fw_PostEffects* chain, fw_Texture* source, fw_Texture* destination);
// Technique "HighQualityDownScale" from source into the window back-buffer target with the
// global chain; offset > 0 clears the target and leaves bars of that many pixels top and bottom.
void fw_PostScreenScaleOut(fw_Texture* source, int32_t offset);
// Technique "Vignette" with the look tracks ("Post_Fade" ... "Post_Noise") into destination.
void fw_PostFinalComposite(fw_PostEffects* chain, fw_Texture* source, fw_Texture* destination);
