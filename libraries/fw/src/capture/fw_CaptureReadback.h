// The presented frame read back from the GPU: the "backbuffer" render target copied into one
// CPU-readable texture, kept for the whole capture.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class fw_CaptureReadback {
 public:
  fw_CaptureReadback() = default;
  fw_CaptureReadback(const fw_CaptureReadback&) = delete;
  fw_CaptureReadback& operator=(const fw_CaptureReadback&) = delete;
  fw_CaptureReadback& operator=(fw_CaptureReadback&& other) noexcept {
    std::swap(mStaging, other.mStaging);
    return *this;
  }
  ~fw_CaptureReadback() { release(); }

  // The back buffer encoded as a PNG file; false with the reason when it could not be.
  bool readPng(std::vector<uint8_t>* png, std::string* reason);
  // The back buffer as tightly packed 8-bit RGBA rows, top row first; false with the reason.
  bool readRgba(std::vector<uint8_t>* rgba, uint32_t* width, uint32_t* height, std::string* reason);
  void release();

 private:
  // The back buffer copied into the staging texture; null with the reason when it cannot be.
  ID3D10Texture2D* copyBackBuffer(std::string* reason);
  ID3D10Texture2D* staging(ID3D10Device* device, const D3D10_TEXTURE2D_DESC& source);
  ID3D10Texture2D* mStaging = nullptr;
};
