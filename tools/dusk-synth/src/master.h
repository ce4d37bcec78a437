// Mastering: integrated loudness (K-weighted, gated, in LUFS), a look-ahead peak limiter,
// and the master stage that brings a mix to a target loudness under a peak ceiling and
// fades its last seconds to silence. Needs render.h for the Stereo buffer.
#pragma once

#include "render.h"

namespace synth {

// Integrated loudness of a stereo signal in LUFS; -70 or below for silence.
double integratedLoudness(const Stereo& s, int sampleRate);

// Largest absolute sample value of both channels.
float samplePeak(const Stereo& s);

// Limits `s` in place so that no sample, nor the signal between samples, exceeds `ceiling`
// (linear), looking `lookahead` seconds ahead so that the gain is down when a peak arrives.
void limit(Stereo& s, int sampleRate, float ceiling, double lookahead = 0.005, double release = 0.08);

struct MasterReport {
    double loudness = 0;  // LUFS after mastering
    float peak = 0;       // linear sample peak after mastering
    double gainDb = 0;    // make-up gain applied before the limiter
};

// Gain to `targetLufs`, limit to `ceilingDb` dBFS, fade out the last `fadeSeconds`.
MasterReport master(Stereo& s, int sampleRate, double targetLufs, double ceilingDb, double fadeSeconds);

} // namespace synth
