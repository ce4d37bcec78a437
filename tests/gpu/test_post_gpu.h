// Shared by the post chain's GPU tests: a software-rasterised device without a window, the
// framework's resources loaded on it (effect pool, standard targets, the chain's setup), tracks
// read from a directory of the test's own, and helpers to fill and read back textures.
#pragma once

#include "device/fw_DeviceState.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_Paths.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"

#include "core_tracks.h"

#include <platform/d3dx10effect.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace post_gpu {

namespace fs = boost::filesystem;

struct Rgba {
  float r, g, b, a;
};

inline float HalfToFloat(uint16_t h) {
  const int sign = h >> 15, exponent = (h >> 10) & 31, mantissa = h & 1023;
  float value;
  if (exponent == 0)
    value = std::ldexp(float(mantissa), -24);
  else if (exponent == 31)
    value = mantissa ? NAN : INFINITY;
  else
    value = std::ldexp(float(mantissa + 1024), exponent - 25);
  return sign ? -value : value;
}

// The texture's texels as floats, row 0 first. Handles the formats the chain renders into.
inline std::vector<Rgba> ReadBack(fw_Texture* texture) {
  std::vector<Rgba> out;
  if (!texture || !texture->mTexture2D) return out;
  D3D10_TEXTURE2D_DESC desc;
  texture->mTexture2D->GetDesc(&desc);
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  ID3D10Texture2D* staging = nullptr;
  fw_GetDevice()->CreateTexture2D(&desc, nullptr, &staging);
  if (!staging) return out;
  fw_GetDevice()->CopyResource(staging, texture->mTexture2D);
  D3D10_MAPPED_TEXTURE2D mapped{};
  if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) {
    out.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch;
      for (UINT x = 0; x < desc.Width; ++x) {
        Rgba& p = out[size_t(y) * desc.Width + x];
        if (desc.Format == DXGI_FORMAT_R8G8B8A8_UNORM) {
          const uint8_t* t = row + 4 * x;
          p = {t[0] / 255.0f, t[1] / 255.0f, t[2] / 255.0f, t[3] / 255.0f};
        } else if (desc.Format == DXGI_FORMAT_R16G16B16A16_FLOAT) {
          uint16_t t[4];
          std::memcpy(t, row + 8 * x, 8);
          p = {HalfToFloat(t[0]), HalfToFloat(t[1]), HalfToFloat(t[2]), HalfToFloat(t[3])};
        } else if (desc.Format == DXGI_FORMAT_R32G32B32A32_FLOAT) {
          std::memcpy(&p, row + 16 * x, 16);
        } else {
          ADD_FAILURE() << "ReadBack: format " << desc.Format << " is not handled";
        }
      }
    }
    staging->Unmap(0);
  }
  staging->Release();
  return out;
}

// A texture with both views made from RGBA float texels (row 0 first); the caller owns it.
inline fw_Texture* MakeFloatTexture(UINT width, UINT height, const std::vector<Rgba>& texels) {
  return new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R32G32B32A32_FLOAT, width,
                        height, 1, texels.data());
}

inline fw_Texture* MakeRgba8Texture(UINT width, UINT height, const std::vector<uint8_t>& texels) {
  return new fw_Texture(D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8G8B8A8_UNORM, width,
                        height, 1, texels.data());
}

inline void Clear(fw_Texture* target, Rgba colour) {
  const FLOAT c[4] = {colour.r, colour.g, colour.b, colour.a};
  fw_GetDevice()->ClearRenderTargetView(target->mRenderTargetView, c);
}

// A one-key step track in <dir>/sync_<name>.track, the folder the fixtures start sync from.
inline bool WriteTrack(const fs::path& dir, const std::string& name, float value) {
  return core_test::WriteTrack((dir / "sync").string(), name, {{0, value, 0}});
}

// A software device, the framework's roots, a render size and an empty post chain, set up once
// per test; tracks written into mDir before sync starts are the ones the test sees.
class FrameworkGpu : public ::testing::Test {
 protected:
  FrameworkGpu(int width, int height, const char* dirPattern)
      : mWidth(width), mHeight(height), mDirPattern(dirPattern) {}

  void SetUp() override {
    mDir = fs::temp_directory_path() / fs::unique_path(mDirPattern);
    fs::create_directories(mDir);
    D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &mDevice);
    ASSERT_NE(mDevice, nullptr) << "no software GL 4.5 device (is a display, e.g. Xvfb, available?)";
    fw_SetDevice(mDevice);
    fw_SetRoots(DUSK_SOURCE_DIR "/libraries/fw", DUSK_SOURCE_DIR "/projects/dusk");
    fw_SetRenderSize(mWidth, mHeight);
    fw_SetOutputSize(mWidth, mHeight);
    fw_gPostEffects = new fw_PostEffects();
  }

  void StartSyncAndLoadResources() {
    fw_StartSync((mDir / "sync").string().c_str());
    ASSERT_EQ(fw_LoadResources(), S_OK);
  }

  void TearDown() override {
    fw_ReleaseFrameworkResources();
    delete fw_gPostEffects;
    fw_gPostEffects = nullptr;
    fw_StopSync();
    fw_SetDevice(nullptr);
    if (mDevice) mDevice->Release();
    fs::remove_all(mDir);
  }

  ID3D10Device* mDevice = nullptr;
  fs::path mDir;

 private:
  int mWidth, mHeight;
  const char* mDirPattern;
};

// The chain at 1280 x 720.
class PostGpu : public FrameworkGpu {
 protected:
  PostGpu() : FrameworkGpu(1280, 720, "post-gpu-%%%%%%") {}

  // Tracks written before this call are the ones the chain sees.
  void Load() {
    ASSERT_NO_FATAL_FAILURE(StartSyncAndLoadResources());
    ASSERT_NE(fw_gPostEffects->mEffect, nullptr);
    ASSERT_NE(fw_gPostEffects->mEffect->mEffect, nullptr) << "fw_PostEffects.fxo did not load";
  }

  void TearDown() override {
    for (fw_Texture* t : mOwn) delete t;
    FrameworkGpu::TearDown();
  }

  fw_Texture* Own(fw_Texture* t) {
    mOwn.push_back(t);
    return t;
  }
  ID3D10EffectVariable* Var(const char* name) { return fw_gPostEffects->mEffect->getVariableByName(name); }

  std::vector<fw_Texture*> mOwn;
};

}  // namespace post_gpu
