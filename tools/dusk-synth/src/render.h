// Renders a song's notes to a stereo mix: one voice per note, a bus per instrument,
// reverb and tempo-synced delay sends, kick side-chain ducking. Needs song.h and dsp.h.
// Offers renderVoice (one note, for tests) and renderMix (the whole song, unmastered).
#pragma once

#include "song.h"

#include <vector>

namespace synth {

struct Stereo {
    std::vector<float> left, right;
    size_t size() const { return left.size(); }
    void resize(size_t n) { left.assign(n, 0.f); right.assign(n, 0.f); }
};

// Adds one note's voice into `out` (mono voices land on both channels with their pan).
// `stepSeconds` is the song's sixteenth-note length, used by tempo-relative sounds.
void renderVoice(const Note& note, int sampleRate, double stepSeconds, Stereo& out);

// How long a note of this instrument sounds after its start (gate plus release tail).
double voiceLength(const Note& note);

// Renders every note of the song into a mix of exactly song.lengthSamples() frames.
Stereo renderMix(const Song& song);

} // namespace synth
