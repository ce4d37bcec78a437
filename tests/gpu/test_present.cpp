// The device on a real window: the swap chain description, the driver-type fallback with its
// alert, the window back buffer as "backbuffer" when the sizes agree and as "realBackbuffer"
// beside a render-size "backbuffer" when they do not, the present, and the release in order.
#include "diag/fw_Alert.h"
#include "device/fw_Device.h"
#include "frame/fw_Present.h"
#include "device/fw_DeviceState.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "res/fw_TextureTable.h"

#include "core_gpu.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <platform/win32.h>

namespace {
LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

struct PresentTest : ::testing::Test {
  HWND window = nullptr;
  fw_DeviceSettings settings;
  void SetUp() override {
    fw_SetAlertMode(0);  // alerts on the console
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Proc;
    windowClass.lpszClassName = "PresentTestClass";
    RegisterClassExA(&windowClass);
    window = CreateWindowExA(0, "PresentTestClass", "present", 0, 0, 0, 1280, 720, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    settings.window = window;
    settings.desktopRefreshRate = 60;
  }
  void TearDown() override {
    fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
    if (window) DestroyWindow(window);
  }
};
}  // namespace

TEST_F(PresentTest, SwapChainDescriptionFollowsTheSettings) {
  DXGI_SWAP_CHAIN_DESC desc = fw_SwapChainDescription(settings);
  EXPECT_EQ(desc.BufferDesc.Width, 1280u);
  EXPECT_EQ(desc.BufferDesc.Height, 720u);
  EXPECT_EQ(desc.BufferDesc.RefreshRate.Numerator, 60u);
  EXPECT_EQ(desc.BufferDesc.RefreshRate.Denominator, 1u);
  EXPECT_EQ(desc.BufferDesc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
  EXPECT_EQ(desc.SampleDesc.Count, 1u);
  EXPECT_EQ(desc.BufferUsage, 0x70u);
  EXPECT_EQ(desc.BufferCount, 2u);
  EXPECT_EQ(desc.OutputWindow, window);
  EXPECT_TRUE(desc.Windowed);
  EXPECT_EQ(desc.SwapEffect, DXGI_SWAP_EFFECT_DISCARD);

  fw_DeviceSettings full = settings;
  full.size.fullscreen = true;
  full.size.desktopWidth = 1920;
  full.size.desktopHeight = 1200;
  desc = fw_SwapChainDescription(full);
  EXPECT_EQ(desc.BufferDesc.Width, 1920u);
  EXPECT_EQ(desc.BufferDesc.RefreshRate.Numerator, 0u);
  EXPECT_FALSE(desc.Windowed);
}

TEST_F(PresentTest, EqualSizesUseTheWindowsBufferAsBackbuffer) {
  testing::internal::CaptureStdout();
  ASSERT_EQ(fw_CreateDeviceAndSwapChain(settings), S_OK);
  const std::string alerts = testing::internal::GetCapturedStdout();
  ASSERT_NE(fw_GetDevice(), nullptr);
  ASSERT_NE(fw_GetSwapChain(), nullptr);
  EXPECT_FALSE(fw_GetLetterbox());
  EXPECT_EQ(fw_GetRenderWidth(), 1280);
  // Under a virtual X server the only renderer is a software one: hardware fails first.
  if (!alerts.empty()) {
    EXPECT_NE(alerts.find("Device failed to be created on hardware, the application will try to run on software device."),
              std::string::npos)
        << alerts;
  }

  LogCapture log;
  ASSERT_EQ(fw_LoadResources(), S_OK);
  EXPECT_FALSE(log.contains("Creating extra backbuffer"));
  EXPECT_EQ(fw_FindTexture("realBackbuffer"), nullptr);
  fw_Texture* backbuffer = fw_FindTexture("backbuffer");
  ASSERT_NE(backbuffer, nullptr);
  EXPECT_EQ(backbuffer, fw_GetWindowBackbuffer());
  EXPECT_EQ(backbuffer->getWidth(), 1280u);
  EXPECT_NE(backbuffer->mRenderTargetView, nullptr);

  const FLOAT colour[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  fw_GetDevice()->ClearRenderTargetView(backbuffer->mRenderTargetView, colour);
  std::vector<uint8_t> pixels = core_test::ReadPixels(backbuffer->mTexture2D);
  ASSERT_EQ(pixels.size(), 1280u * 720u * 4u);
  EXPECT_EQ(pixels[1], 255);
  fw_Present(settings);
  fw_Present(settings);
}

TEST_F(PresentTest, ASmallerRenderSizeGetsItsOwnBackbufferBesideTheRealOne) {
  settings.size.renderScale = 0.5f;
  ASSERT_EQ(fw_CreateDeviceAndSwapChain(settings), S_OK);
  EXPECT_EQ(fw_GetRenderWidth(), 640);
  EXPECT_EQ(fw_GetOutputWidth(), 1280);
  LogCapture log;
  ASSERT_EQ(fw_LoadResources(), S_OK);
  EXPECT_TRUE(log.contains("LoadResources: Creating extra backbuffer of dimensions (640, 360).", 0));
  fw_Texture* real = fw_FindTexture("realBackbuffer");
  ASSERT_NE(real, nullptr);
  EXPECT_EQ(real, fw_GetWindowBackbuffer());
  EXPECT_EQ(real->getWidth(), 1280u);
  EXPECT_EQ(fw_FindTexture("backbuffer")->getWidth(), 640u);
  EXPECT_EQ(fw_FindTexture("d32f_backbuffer")->getWidth(), 640u);
  fw_Present(settings);  // no post chain here: the scale-out has nothing to draw with, and says nothing

  fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
  EXPECT_EQ(fw_GetDevice(), nullptr);
  EXPECT_EQ(fw_GetSwapChain(), nullptr);
  EXPECT_TRUE(fw_GetTextureTable().empty());
  EXPECT_EQ(fw_GetWindowBackbuffer(), nullptr);
  fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
}

TEST_F(PresentTest, FullScreenIsReenteredWithinABoundedNumberOfAttempts) {
  ASSERT_EQ(fw_CreateDeviceAndSwapChain(settings), S_OK);
  // The setting asks for full screen while the swap chain is windowed: the call asks it back.
  fw_DeviceSettings full = settings;
  full.size.fullscreen = true;
  full.verboseWindowLog = true;
  LogCapture log;
  const bool now = fw_ReenterFullscreenIfRequired(full, 3);
  EXPECT_TRUE(log.contains("_ReenterFullscreenIfRequired(): Internal fullscreen state inconsistency.  "
                           "mSwapChain->GetFullscreenState(): 0, fw_Framework::mFullscreen: 1, ",
                           0));
  if (now) {
    EXPECT_TRUE(log.contains("Succeeded setting fullscreen state on swap chain after 1 attempt.", 0));
  }
  // Windowed setting: nothing is asked and nothing logged.
  LogCapture quiet;
  BOOL state = FALSE;
  fw_GetSwapChain()->SetFullscreenState(FALSE, nullptr);
  EXPECT_FALSE(fw_ReenterFullscreenIfRequired(settings));
  fw_GetSwapChain()->GetFullscreenState(&state, nullptr);
  EXPECT_FALSE(state);
  EXPECT_TRUE(quiet.lines().empty());
}
