// 16-bit PCM WAV files: write a stereo float buffer (dithered with a seeded generator so
// the bytes repeat) and read one back. Needs render.h for the Stereo buffer.
#pragma once

#include "render.h"

#include <string>

namespace synth {

bool writeWav(const std::string& path, const Stereo& s, int sampleRate);

// Reads a 16-bit PCM WAV (mono or stereo); false with a message on anything else.
bool readWav(const std::string& path, Stereo& s, int& sampleRate, std::string& error);

} // namespace synth
