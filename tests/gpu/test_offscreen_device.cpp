// The Direct3D 10 stand-in with no display at all: an offscreen window's device and swap chain
// come from EGL on Mesa's surfaceless platform under the same driver types and conventions as on
// a window. Runs with DISPLAY and WAYLAND_DISPLAY removed from its own environment.
#include "test_d3d10_support.h"

#include "../../libraries/platform/d3d10/d3d10_sdl2_p.h"

#include <platform/win32.h>
#include <platform/win32_offscreen.h>

#include <cstdlib>

using namespace gfxtest;

namespace {

const char* kEffect = R"(
-- common
uniform vec4 gColor = vec4(1.0, 0.0, 0.0, 1.0);
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gColor; }
-- technique Plain
pass p0 vertex=VS fragment=PS depth=off cull=back
)";

// A clockwise (front-facing) quad over the whole of clip space.
const std::vector<float> kQuad = {-1, 1, 0, 1, 1, 0, 1, -1, 0, -1, 1, 0, 1, -1, 0, -1, -1, 0};

DXGI_SWAP_CHAIN_DESC ChainFor(HWND window, UINT width, UINT height) {
  DXGI_SWAP_CHAIN_DESC desc{};
  desc.BufferDesc = {width, height, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                     DXGI_MODE_SCALING_UNSPECIFIED};
  desc.SampleDesc = {1, 0};
  desc.BufferUsage = DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT | DXGI_USAGE_BACK_BUFFER;
  desc.BufferCount = 2;
  desc.OutputWindow = window;
  desc.Windowed = TRUE;
  return desc;
}

}  // namespace

TEST(OffscreenDevice, WithoutADisplayTheSwapChainRendersThroughEglAsOnAWindow) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "OffscreenDeviceClass";
  ASSERT_NE(0, RegisterClassExA(&wc));
  platform::AllowOffscreenWindows(true);
  HWND window = CreateWindowExA(0, "OffscreenDeviceClass", "offscreen", WS_CAPTION, 0, 0, 64, 48, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(nullptr, window);

  // The driver types mean what they mean on a window: the software rasteriser is no hardware.
  DXGI_SWAP_CHAIN_DESC desc = ChainFor(window, 64, 48);
  IDXGISwapChain* chain = nullptr;
  ID3D10Device* device = nullptr;
  ReportCapture reports;
  HRESULT hardware = D3D10CreateDeviceAndSwapChain(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION,
                                                   &desc, &chain, &device);
  if (SUCCEEDED(hardware)) {
    chain->Release();
    device->Release();
  }
  ASSERT_EQ(S_OK, D3D10CreateDeviceAndSwapChain(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &desc,
                                                &chain, &device));
  const std::string renderer = d3d10gl::RendererOf(device);
  if (renderer.find("llvmpipe") != std::string::npos) {
    EXPECT_TRUE(FAILED(hardware));
  }
  EXPECT_TRUE(reports.Contains("no display: rendering offscreen through EGL (WARP device, renderer \"" + renderer))
      << renderer;

  // D3D's conventions hold: the quad is front-facing, and the viewport's top rows are row 0 on.
  ID3D10Texture2D* back = nullptr;
  ASSERT_EQ(S_OK, chain->GetBuffer(0, __uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&back)));
  ID3D10RenderTargetView* rtv = nullptr;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(back, nullptr, &rtv));
  const float blue[4] = {0, 0, 1, 1};
  device->ClearRenderTargetView(rtv, blue);
  ID3D10Effect* effect = EffectFromText(device, kEffect);
  ASSERT_NE(nullptr, effect);
  device->OMSetRenderTargets(1, &rtv, nullptr);
  D3D10_VIEWPORT top{0, 0, 64, 16, 0.0f, 1.0f};
  device->RSSetViewports(1, &top);
  {
    ID3D10EffectTechnique* t = effect->GetTechniqueByName("Plain");
    Geometry quad(device, t, kQuad);
    quad.Bind(device);
    t->GetPassByIndex(0)->Apply(0);
    device->Draw(6, 0);
  }
  EXPECT_EQ(S_OK, chain->Present(1, 0));  // nothing to show on; the back buffer keeps the frame
  const std::vector<uint8_t> pixels = ReadBack(device, back, 4);
  EXPECT_EQ(0xFF0000FFu, Rgba(pixels, 64, 10, 0));
  EXPECT_EQ(0xFF0000FFu, Rgba(pixels, 64, 63, 15));
  EXPECT_EQ(0x0000FFFFu, Rgba(pixels, 64, 10, 16));
  EXPECT_EQ(0x0000FFFFu, Rgba(pixels, 64, 10, 47));
  effect->Release();

  // No output to be full screen on; a zero size takes the window's client size.
  EXPECT_EQ(DXGI_ERROR_UNSUPPORTED, chain->SetFullscreenState(TRUE, nullptr));
  BOOL fullscreen = TRUE;
  EXPECT_EQ(S_OK, chain->GetFullscreenState(&fullscreen, nullptr));
  EXPECT_FALSE(fullscreen);
  rtv->Release();
  back->Release();
  ASSERT_EQ(S_OK, chain->ResizeBuffers(2, 0, 0, DXGI_FORMAT_UNKNOWN, 0));
  DXGI_SWAP_CHAIN_DESC after{};
  chain->GetDesc(&after);
  EXPECT_EQ(64u, after.BufferDesc.Width);
  EXPECT_EQ(48u, after.BufferDesc.Height);
  EXPECT_TRUE(after.Windowed);

  device->ClearState();
  chain->Release();
  EXPECT_EQ(0u, device->Release());
  // A device made after the last one went finds the display as it left it.
  ASSERT_EQ(S_OK, D3D10CreateDeviceAndSwapChain(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &desc,
                                                &chain, &device));
  chain->Release();
  EXPECT_EQ(0u, device->Release());
  platform::AllowOffscreenWindows(false);
  DestroyWindow(window);
}
