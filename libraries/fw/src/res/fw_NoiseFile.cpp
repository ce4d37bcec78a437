// Noise file reading.
#include "res/fw_NoiseFile.h"

#include "diag/fw_Log.h"

#include <cstdio>

std::vector<uint8_t> fw_ReadNoiseFile(const std::string& path, size_t* bytesRead) {
  std::vector<uint8_t> buffer(kNoiseBytes, 0);
  size_t got = 0;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    got = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    // A missing file is the production's choice; a short one is a damaged file.
    if (got < buffer.size())
      fw_Log(fw_LogWarning, "Noise file <%s> holds %zu of its %zu bytes: the rest of the noise is zeros.",
             path.c_str(), got, buffer.size());
  }
  if (bytesRead) *bytesRead = got;
  return buffer;
}
