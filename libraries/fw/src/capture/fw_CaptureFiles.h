// The soundtrack file capture mode writes beside its frames: 16-bit PCM WAV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved samples, written whole under a temporary name and renamed. False when the file
// cannot be written, with the system's reason in *reason (when given); nothing is left at path.
bool fw_WriteWav(const std::string& path, int32_t channels, int32_t sampleRate, const std::vector<int16_t>& samples,
                 std::string* reason = nullptr);
