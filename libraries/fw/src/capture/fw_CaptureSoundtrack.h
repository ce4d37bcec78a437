// The soundtrack of a captured span, decoded through the audio library's decode-only stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Decodes [start, start + seconds) of the music into interleaved 16-bit samples; the playing
// music's stream when there is one, else musicFile's. Past the music's end the span is silence.
// False when there is nothing to decode.
bool fw_DecodeSoundtrack(const std::string& musicFile, double start, double seconds, std::vector<int16_t>* samples,
                         int32_t* channels, int32_t* rate);
