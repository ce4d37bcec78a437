// The files capture mode writes: frames as PNG (8-bit RGB, Sub filter, a small deflate coder whose
// bytes depend on the pixels alone) and the soundtrack as 16-bit PCM WAV. No libraries needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgba` holds `height` rows of `width` RGBA8 texels, `rowPitch` bytes apart, row 0 on top.
// Alpha is dropped. Returns false when the file cannot be written.
bool fw_WritePng(const std::string& path, int32_t width, int32_t height, const uint8_t* rgba, uint32_t rowPitch);

// Interleaved samples; returns false when the file cannot be written.
bool fw_WriteWav(const std::string& path, int32_t channels, int32_t sampleRate, const std::vector<int16_t>& samples);

uint32_t fw_Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
