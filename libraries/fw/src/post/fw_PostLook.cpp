#include "post/fw_PostLook.h"

#include <platform/crt.h>

#include <cmath>

namespace {
// The scalings are single-precision constants; each product and sum is formed in double from
// them (widened, not the exact decimal) and only the result is stored as float.
constexpr float kPerCent = 0.01f;
constexpr float kPerMille = 0.001f;
constexpr float kTenth = 0.1f;
}  // namespace

fw_CompositeConstants fw_CompositeConstantsFrom(const fw_CompositeTracks& t, double u)
{
  fw_CompositeConstants c{};
  double flicker = std::pow(u, 10.0);
  c.fade = float(double(t.fade) * double(kPerCent) + double(t.fadeShake) * double(kPerMille) * flicker);
  c.colorExponents[0] = float(double(t.redExp) * double(kTenth));
  c.colorExponents[1] = float(double(t.greenExp) * double(kTenth));
  c.colorExponents[2] = float(double(t.blueExp) * double(kTenth));
  c.colorExponents[3] = t.scale;
  c.chromaDistortion = float(double(t.chromaDistort) * double(kPerCent));
  c.glitch[0] = t.glitch;
  c.glitch[1] = t.glitchOffset;
  c.glitch[2] = 0.0f;
  c.glitch[3] = 0.0f;
  c.noiseStrength = float(double(t.noise) * double(kPerCent));
  return c;
}

double fw_FlickerRandom()
{
  return double(crt::rand()) / double(crt::kRandMax);
}

float fw_BloomStrength(float postBloom)
{
  return float(double(postBloom) * double(kPerCent));
}
