// The volume noise data: 128 × 128 × 128 bytes (x fastest, then y, then z) read from a file.
// Never reads past the buffer: a longer file gives its first 2097152 bytes, a shorter one is
// padded with zeros (with a warning naming the file), a missing one gives all zeros.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kNoiseSide = 128;
constexpr size_t kNoiseBytes = static_cast<size_t>(kNoiseSide) * kNoiseSide * kNoiseSide;  // 2097152

// `bytesRead` (optional) receives how many bytes came from the file.
std::vector<uint8_t> fw_ReadNoiseFile(const std::string& path, size_t* bytesRead = nullptr);
