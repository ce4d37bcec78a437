// The bloom: the source is halved three times, bright-passed into the eighth-size level L3,
// blurred three times per level while it is halved down to L6 (a sixty-fourth of the size), and
// the four levels are added back onto the destination, scaled by the bloom strength.
#include "post/fw_PostEffects.h"

#include "post/fw_PostLook.h"
#include "post/fw_PostPass.h"
#include "sync/fw_Sync.h"

#include <cstdio>

namespace {
constexpr int kFirstLevel = 3;
constexpr int kLastLevel = 6;
constexpr int kBlursPerLevel = 3;
}  // namespace

void fw_PostBloom(fw_PostEffects* chain, fw_Texture* source, fw_Texture* destination)
{
  const float strength = fw_BloomStrength(fw_SyncValue("Post_Bloom", 1.0f));
  // Written so that a value that is not a number also skips the bloom.
  if (!(strength > 0.0f)) return;

  fw_Texture* level[kLastLevel + 1] = {};    // L3 ... L6
  fw_Texture* partner[kLastLevel + 1] = {};  // M3 ... M6
  bool complete = true;
  for (int k = kFirstLevel; k <= kLastLevel; ++k) {
    char name[64];
    std::snprintf(name, sizeof(name), "r16g16b16a16f_1_downsample%d", k);
    level[k] = fw_PostFindTarget(name);
    std::snprintf(name, sizeof(name), "r16g16b16a16f_2_downsample%d", k);
    partner[k] = fw_PostFindTarget(name);
    complete = complete && level[k] && partner[k];
  }
  fw_Texture* half = fw_PostFindTarget("r16g16b16a16f_1_downsample1");
  fw_Texture* quarter = fw_PostFindTarget("r16g16b16a16f_1_downsample2");
  // Without every level there is no bloom to add; drawing on would scribble over whatever
  // target happened to be bound.
  if (!complete || !half || !quarter) return;

  fw_PostCopy(chain, source, half);
  fw_PostCopy(chain, half, quarter);
  fw_PostCopy(chain, quarter, partner[kFirstLevel]);

  fw_PostPass(chain, {{"texView1", partner[kFirstLevel]}},
              {fw_PostScalar("gBrightnessCutoff", fw_SyncValue("Post_BloomCutoff", 1.0f))}, level[kFirstLevel],
              "BrightPass");

  for (int k = kFirstLevel; k <= kLastLevel; ++k) {
    for (int i = 0; i < kBlursPerLevel; ++i) {
      fw_PostPass(chain, {{"texView1", level[k]}}, {}, partner[k], "BlurHorizontal5Taps");
      fw_PostPass(chain, {{"texView1", partner[k]}}, {}, level[k], "BlurVertical5Taps");
    }
    // The next level starts from this one's blurred result, halved.
    if (k < kLastLevel) fw_PostCopy(chain, level[k], level[k + 1]);
  }

  fw_PostPass(chain,
              {{"texView1", level[3]}, {"texView2", level[4]}, {"texView3", level[5]}, {"texView4", level[6]}},
              {fw_PostScalar("gBloomBlendScale", strength)}, destination, "BloomBlend");
}
