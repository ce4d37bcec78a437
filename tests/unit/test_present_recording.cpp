// The end of a frame, on the recording device and its windowless swap chain: the tick's scale-out
// takes a render size other than the window's into the window's buffer (between letterbox bars
// when asked), then the swap chain presents; equal sizes present the window's own buffer. And the
// end of the run: the device's release with what the run made on it.
#include "device/fw_Device.h"
#include "frame/fw_FrameContext.h"
#include "frame/fw_FrameTick.h"
#include "frame/fw_Present.h"
#include "scene/fw_Scene.h"

#include "core_recording.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using core_test::InputName;
using core_test::TargetName;

class PresentRecording : public core_test::FrameworkRecording {
 protected:
  PresentRecording() : FrameworkRecording(1280, 544) {}

  // Replaces the fixture's device with one that has a 1280 x 720 swap chain.
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FrameworkRecording::SetUp());
    mDevice->Release();
    mDevice = nullptr;
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Width = 1280;
    desc.BufferDesc.Height = 720;
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT | DXGI_USAGE_SHADER_INPUT;
    desc.BufferCount = 2;
    desc.Windowed = TRUE;
    ASSERT_EQ(S_OK, D3D10CreateDeviceAndSwapChain(nullptr, D3D10_DRIVER_TYPE_NULL, nullptr, 0, D3D10_SDK_VERSION,
                                                  &desc, &mSwapChain, &mDevice));
    fw_SetDevice(mDevice);
    fw_SetSwapChain(mSwapChain);
    fw_SetOutputSize(1280, 720);
  }

  void TearDown() override {
    fw_ReleaseFrameworkResources();
    fw_ResetFrameContext();
    fw_SetSwapChain(nullptr);
    if (mSwapChain) mSwapChain->Release();
    FrameworkRecording::TearDown();
  }

  IDXGISwapChain* mSwapChain = nullptr;
  fw_DeviceSettings mSettings;
};

}  // namespace

TEST_F(PresentRecording, ALetterboxedRenderIsScaledOutBetweenBarsBeforeThePresent) {
  // The 1280 x 720 window showing a picture of aspect 2.35: 1280 x 544 between bars.
  fw_RenderSizeInput wide;
  wide.aspect = 2.35f;
  ASSERT_EQ(fw_ApplyRenderSize(wide).height, 544);
  ASSERT_TRUE(fw_GetLetterbox());
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_Texture* window = fw_FindTexture("realBackbuffer");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window, fw_GetWindowBackbuffer());
  EXPECT_EQ(window->getWidth(), 1280u);
  EXPECT_EQ(window->getHeight(), 720u);

  fw_ScaleOutToWindow();
  fw_Present(mSettings);
  const std::vector<d3d10rec::Event>& events = Rec().events;
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, d3d10rec::EventKind::kClearRenderTarget);
  EXPECT_EQ(TargetName(events[0]), "realBackbuffer");
  const d3d10rec::Event& scaleOut = events[1];
  EXPECT_EQ(scaleOut.technique, "HighQualityDownScale");
  EXPECT_EQ(InputName(scaleOut, "texView1"), "backbuffer");
  EXPECT_EQ(TargetName(scaleOut), "realBackbuffer");
  ASSERT_EQ(scaleOut.viewports.size(), 1u);
  EXPECT_EQ(scaleOut.viewports[0].TopLeftY, (720 - 544) / 2);
  EXPECT_EQ(scaleOut.viewports[0].Height, 544u);
  EXPECT_EQ(events[2].kind, d3d10rec::EventKind::kPresent);
}

TEST_F(PresentRecording, EqualSizesPresentTheWindowsOwnBufferWithNothingDrawn) {
  fw_SetRenderSize(1280, 720);
  ASSERT_NO_FATAL_FAILURE(Load());
  EXPECT_EQ(fw_FindTexture("realBackbuffer"), nullptr);
  EXPECT_EQ(fw_FindTexture("backbuffer"), fw_GetWindowBackbuffer());
  fw_ScaleOutToWindow();
  fw_Present(mSettings);
  ASSERT_EQ(Rec().events.size(), 1u);
  EXPECT_EQ(Rec().events[0].kind, d3d10rec::EventKind::kPresent);
}

namespace {
// Notes, when its resources are released, what else is still there.
struct ReleaseWitness : fw_Scene {
  ReleaseWitness() : fw_Scene("release-witness.xml") {}
  void releaseResources() override {
    ++releases;
    chainEffectGone = fw_gPostEffects && !fw_gPostEffects->mEffect;
    poolThere = fw_GetEffectPool() != nullptr;
    deviceThere = fw_GetDevice() && fw_GetSwapChain();
  }
  int releases = 0;
  bool chainEffectGone = false, poolThere = false, deviceThere = false;
};
}  // namespace

// The run hands its resources to the device's release: the chain's effect, then the scenes (with
// the effect pool and the device still there for them), then the standard resources; the swap
// chain and the device last.
TEST_F(PresentRecording, TheDevicesReleaseTakesTheScenesAfterTheChainAndBeforeTheDevice) {
  auto owned = std::make_unique<ReleaseWitness>();
  const ReleaseWitness& scene = *owned;
  fw_AddScene(std::move(owned));
  ASSERT_NO_FATAL_FAILURE(Load());
  // The release drops the framework's references; the fixture keeps its own.
  mDevice->AddRef();
  mSwapChain->AddRef();
  fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
  EXPECT_EQ(scene.releases, 1);
  EXPECT_TRUE(scene.chainEffectGone);
  EXPECT_TRUE(scene.poolThere);
  EXPECT_TRUE(scene.deviceThere);
  EXPECT_EQ(fw_GetEffectPool(), nullptr);
  EXPECT_TRUE(fw_GetTextureTable().empty());
  EXPECT_EQ(fw_GetDevice(), nullptr);
  EXPECT_EQ(fw_GetSwapChain(), nullptr);
}
