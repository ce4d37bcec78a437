// The soundtrack file capture mode writes beside its frames: 16-bit PCM WAV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved samples; returns false when the file cannot be written.
bool fw_WriteWav(const std::string& path, int32_t channels, int32_t sampleRate, const std::vector<int16_t>& samples);
