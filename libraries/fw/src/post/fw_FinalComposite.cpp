// The final composite: the HDR scene through technique "Vignette" into the displayable target,
// with the look tracks turned into the effect's constants.
#include "post/fw_PostEffects.h"

#include "post/fw_PostLook.h"
#include "post/fw_PostPass.h"
#include "sync/fw_Sync.h"

void fw_PostFinalComposite(fw_PostEffects* chain, fw_Texture* source, fw_Texture* destination)
{
  fw_CompositeTracks tracks;
  tracks.fade = fw_SyncValue("Post_Fade", tracks.fade);
  tracks.fadeShake = fw_SyncValue("Post_FadeShake", tracks.fadeShake);
  // One draw of the shared generator per composite, whatever the shake, so that the sequence
  // seen by everything else that draws from it does not depend on the track.
  const double u = fw_FlickerRandom();
  tracks.scale = fw_SyncValue("Post_Scale", tracks.scale);
  tracks.blueExp = fw_SyncValue("Post_BlueExp", tracks.blueExp);
  tracks.greenExp = fw_SyncValue("Post_GreenExp", tracks.greenExp);
  tracks.redExp = fw_SyncValue("Post_RedExp", tracks.redExp);
  tracks.chromaDistort = fw_SyncValue("Post_ChromaDistort", tracks.chromaDistort);
  tracks.glitch = fw_SyncValue("Post_Glitch", tracks.glitch);
  tracks.glitchOffset = fw_SyncValue("Post_GlitchOffset", tracks.glitchOffset);
  tracks.noise = fw_SyncValue("Post_Noise", tracks.noise);
  const fw_CompositeConstants c = fw_CompositeConstantsFrom(tracks, u);

  fw_PostPass(chain, {{"texColorBufferForVignette", source}},
              {fw_PostScalar("gFade", c.fade), fw_PostVector("gColorExponents", c.colorExponents),
               fw_PostScalar("gChromaDistortion", c.chromaDistortion), fw_PostVector("gGlitch", c.glitch),
               fw_PostScalar("gNoiseStrength", c.noiseStrength)},
              destination, "Vignette");
}
