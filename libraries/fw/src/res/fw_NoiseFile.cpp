// Noise file reading.
#include "res/fw_NoiseFile.h"

#include <cstdio>

std::vector<uint8_t> fw_ReadNoiseFile(const std::string& path, size_t* bytesRead) {
  std::vector<uint8_t> buffer(kNoiseBytes, 0);
  size_t got = 0;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    got = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
  }
  if (bytesRead) *bytesRead = got;
  return buffer;
}
