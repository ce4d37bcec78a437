// Test support for framework tests without a display: the recording device installed as the
// framework's device, the framework's resources loaded on it (effect pool, noise, standard
// targets, the post chain's setup) with tracks from a directory of the test's own, and names
// for the views a draw recorded, looked up in the texture table.
#pragma once

#include "diag/fw_Alert.h"
#include "device/fw_DeviceState.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Paths.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"
#include "testing/fw_RecordingDevice.h"

#include "core_tracks.h"

#include <platform/d3d10_recording.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <string>
#include <vector>

namespace core_test {

// The table name of the texture whose render-target or shader-resource view this is; "" for no
// view, "<unnamed>" for a view of a texture the table does not hold.
inline std::string TextureName(const void* view) {
  if (!view) return "";
  for (const auto& [name, texture] : fw_GetTextureTable())
    if (texture && (texture->mRenderTargetView == view || texture->mShaderResourceView == view)) return name;
  return "<unnamed>";
}

// The name of the texture a draw's shader-resource variable held (element 0).
inline std::string InputName(const d3d10rec::Event& draw, const std::string& variable) {
  const d3d10rec::RecordedVariable* v = draw.Variable(variable);
  return v && !v->views.empty() ? TextureName(v->views[0].view) : "<no variable>";
}

inline std::string TargetName(const d3d10rec::Event& event) {
  return event.targets.empty() ? "" : TextureName(event.targets[0].view);
}

// The recording device installed as the framework's device (no swap chain), released at the end
// of scope; the headless twin of OffscreenDevice.
using RecordingDevice = fw_RecordingDevice;

// A recording device, the framework's roots, a render size and an empty post chain; tracks
// written into Dir()/sync before Load() are the ones the framework sees.
class FrameworkRecording : public ::testing::Test {
 protected:
  explicit FrameworkRecording(int width = 1280, int height = 720) : mWidth(width), mHeight(height) {}

  void SetUp() override {
    fw_SetAlertMode(0);
    mDir = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("fw-rec-%%%%%%");
    boost::filesystem::create_directories(mDir / "sync");
    ASSERT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_NULL, nullptr, 0, D3D10_SDK_VERSION, &mDevice));
    fw_SetDevice(mDevice);
    fw_SetSwapChain(nullptr);
    fw_SetRoots(DUSK_SOURCE_DIR "/libraries/fw", DUSK_SOURCE_DIR "/projects/dusk");
    fw_SetRenderSize(mWidth, mHeight);
    fw_SetOutputSize(mWidth, mHeight);
    fw_gPostEffects = new fw_PostEffects();
  }

  void TearDown() override {
    fw_ReleaseFrameworkResources();
    delete fw_gPostEffects;
    fw_gPostEffects = nullptr;
    fw_StopSync();
    fw_SetDevice(nullptr);
    if (mDevice) {
      EXPECT_EQ(0u, mDevice->Release()) << "something made on the device was not released";
    }
    boost::filesystem::remove_all(mDir);
  }

  bool WriteTrack(const std::string& name, float value) {
    return core_test::WriteTrack((mDir / "sync").string(), name, {{0, value, 0}});
  }

  // Starts sync on the test's tracks, loads the resources and forgets what loading recorded.
  void Load() {
    fw_StartSync((mDir / "sync").string().c_str());
    ASSERT_EQ(S_OK, fw_LoadResources());
    ASSERT_NE(nullptr, fw_gPostEffects->mEffect);
    d3d10rec::ClearRecord(mDevice);
  }

  const d3d10rec::Record& Rec() const { return *d3d10rec::RecordOf(mDevice); }
  std::vector<const d3d10rec::Event*> Draws() const { return Rec().Draws(); }

  ID3D10Device* mDevice = nullptr;
  boost::filesystem::path mDir;
  int mWidth, mHeight;
};

}  // namespace core_test
