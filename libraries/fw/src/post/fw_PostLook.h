// The numbers the post chain derives from its sync tracks: the bloom strength and the final
// composite's constants. Pure functions of the track values (and the flicker's random number),
// so the scalings can be checked without a device.
#pragma once

// Track values as the composite reads them; each member starts at the value used when its
// track has no keys.
struct fw_CompositeTracks {
  float fade = 100.0f;        // "Post_Fade", per cent
  float fadeShake = 0.0f;     // "Post_FadeShake", per mille of the flicker
  // The exponents reach the effect as tenths of the track values; the shader multiplies them
  // back, so a track value is the exponent itself and 1 leaves a channel as it is.
  float redExp = 1.0f;        // "Post_RedExp"
  float greenExp = 1.0f;      // "Post_GreenExp"
  float blueExp = 1.0f;       // "Post_BlueExp"
  float scale = 1.0f;         // "Post_Scale"
  float chromaDistort = 0.0f; // "Post_ChromaDistort", per cent
  float glitch = 0.0f;        // "Post_Glitch"
  float glitchOffset = 0.0f;  // "Post_GlitchOffset"
  float noise = 0.0f;         // "Post_Noise", per cent
};

struct fw_CompositeConstants {
  float fade;                // gFade
  float colorExponents[4];   // gColorExponents: red, green, blue exponents in tenths; scale
  float chromaDistortion;    // gChromaDistortion
  float glitch[4];           // gGlitch: amount, offset, 0, 0
  float noiseStrength;       // gNoiseStrength
};

// u is the flicker's random number in [0, 1]; the fade gains shake x 0.001 x u^10.
fw_CompositeConstants fw_CompositeConstantsFrom(const fw_CompositeTracks& tracks, double u);

// The flicker's random number: the shared generator's next value over 32767. Draws one value.
double fw_FlickerRandom();

// Bloom strength from "Post_Bloom" (per cent); the bloom runs only when this is above 0.
float fw_BloomStrength(float postBloom);
