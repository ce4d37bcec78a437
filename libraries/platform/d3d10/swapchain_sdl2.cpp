// The swap chain on an SDL window: one back-buffer texture that the program renders into with
// row 0 at the top; Present blits it into the window's bottom-up default framebuffer, flipped
// and scaled to the window, then swaps. Full screen is SDL's desktop full screen. An offscreen
// context has no window to show on: there the back buffer is all there is, Present only hands
// the frame's commands to the driver, and full screen is never offered.
#include "context_p.h"

#include <platform/d3d10_offline.h>
#include <platform/diagnostics.h>

#include <SDL.h>

namespace d3d10gl {
namespace {

bool PresentableFormat(DXGI_FORMAT f) {
  return f == DXGI_FORMAT_R8G8B8A8_UNORM || f == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB || f == DXGI_FORMAT_B8G8R8A8_UNORM;
}

class SwapChain final : public RefCounted<IDXGISwapChain> {
 public:
  SwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc) : mDevice(device), mDesc(desc) { mDevice->AddRef(); }

  HRESULT Init() {
    if (!PresentableFormat(mDesc.BufferDesc.Format)) {
      platform::Report(platform::kReportWarning, "swap chain: format %d cannot be presented",
                       int(mDesc.BufferDesc.Format));
      return E_INVALIDARG;
    }
    HRESULT hr = MakeBackBuffer(mDesc.BufferDesc.Width, mDesc.BufferDesc.Height, mDesc.BufferDesc.Format);
    if (FAILED(hr)) return hr;
    if (!mDesc.Windowed) SetFullscreenState(TRUE, nullptr);
    return S_OK;
  }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return AnswerQuery<IDXGISwapChain>(this, riid, object,
        {&IID_IUnknown, &IID_IDXGIObject, &IID_IDXGIDeviceSubObject, &IID_IDXGISwapChain});
  }

  HRESULT GetParent(REFIID riid, void** parent) override { return CreateDxgiFactory(mDevice, riid, parent); }
  HRESULT GetDevice(REFIID riid, void** device) override { return mDevice->QueryInterface(riid, device); }

  HRESULT Present(UINT syncInterval, UINT flags) override {
    GlCall glCall("IDXGISwapChain::Present");
    if ((flags & DXGI_PRESENT_TEST) || platform::GpuWorkDiscarded()) return S_OK;
    mDevice->MakeCurrent();
    ContextInfo* context = mDevice->Context();
    if (!context->window) {
      glFlush();  // as a swap would: the driver starts on the frame instead of queueing the next
      ++mPresents;
      return S_OK;
    }
    int interval = syncInterval > 0 ? 1 : 0;
    if (context->swapInterval != interval) {
      // Late swap tearing where vertical sync is not offered at all.
      if (SDL_GL_SetSwapInterval(interval) != 0 && interval) SDL_GL_SetSwapInterval(0);
      context->swapInterval = interval;
    }
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(context->window, &width, &height);
    if (width <= 0 || height <= 0 || (SDL_GetWindowFlags(context->window) & SDL_WINDOW_MINIMIZED))
      return DXGI_STATUS_OCCLUDED;
    UINT bw = mDesc.BufferDesc.Width, bh = mDesc.BufferDesc.Height;
    // The window's rows run bottom-up: the blit turns the top-down back buffer over.
    glDisable(GL_FRAMEBUFFER_SRGB);
    glBlitNamedFramebuffer(mReadFramebuffer, 0, 0, 0, GLint(bw), GLint(bh), 0, height, width, 0, GL_COLOR_BUFFER_BIT,
                           (UINT(width) == bw && UINT(height) == bh) ? GL_NEAREST : GL_LINEAR);
    glEnable(GL_FRAMEBUFFER_SRGB);
    SDL_GL_SwapWindow(context->window);
    ++mPresents;
    return S_OK;
  }

  HRESULT GetBuffer(UINT buffer, REFIID riid, void** surface) override {
    if (!surface) return E_INVALIDARG;
    *surface = nullptr;
    if (buffer != 0 || !mBackBuffer) return DXGI_ERROR_INVALID_CALL;
    return mBackBuffer->QueryInterface(riid, surface);
  }

  HRESULT SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) override {
    GlCall glCall("IDXGISwapChain::SetFullscreenState");
    if (target) return DXGI_ERROR_INVALID_CALL;
    SDL_Window* window = mDevice->Context()->window;
    if (!window || mDevice->Context()->ownsWindow) return DXGI_ERROR_UNSUPPORTED;
    if (fullscreen && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED)) SDL_RestoreWindow(window);
    if (SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
      platform::Report(platform::kReportInfo, "swap chain: full screen %s refused (%s)", fullscreen ? "on" : "off",
                       SDL_GetError());
      return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
    }
    mDesc.Windowed = fullscreen ? FALSE : TRUE;
    return S_OK;
  }

  HRESULT GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) override {
    if (target) *target = nullptr;
    if (fullscreen && !mDevice->Context()->window) {
      *fullscreen = FALSE;
    } else if (fullscreen) {
      // Minimised is how a full-screen window looks after the user switched away from it.
      Uint32 flags = SDL_GetWindowFlags(mDevice->Context()->window);
      *fullscreen = (flags & SDL_WINDOW_FULLSCREEN) && !(flags & SDL_WINDOW_MINIMIZED) ? TRUE : FALSE;
    }
    return S_OK;
  }

  HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override {
    if (!desc) return E_INVALIDARG;
    *desc = mDesc;
    BOOL fullscreen = FALSE;
    GetFullscreenState(&fullscreen, nullptr);
    desc->Windowed = !fullscreen;
    return S_OK;
  }

  HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags) override {
    GlCall glCall("IDXGISwapChain::ResizeBuffers");
    if (mBackBuffer && mBackBuffer->RefCount() > 1) return DXGI_ERROR_INVALID_CALL;  // still referenced
    if (format == DXGI_FORMAT_UNKNOWN) format = mDesc.BufferDesc.Format;
    if (!PresentableFormat(format)) return E_INVALIDARG;
    HRESULT hr = MakeBackBuffer(width, height, format);
    if (SUCCEEDED(hr) && bufferCount) mDesc.BufferCount = bufferCount;
    return hr;
  }

 private:
  ~SwapChain() override {
    mDevice->MakeCurrent();
    if (mReadFramebuffer) {
      glDeleteFramebuffers(1, &mReadFramebuffer);
      CountGlObjects(kGlFramebuffer, -1);
    }
    if (mBackBuffer) mBackBuffer->Release();
    if (mDevice->Context()->window && !mDevice->Context()->ownsWindow &&
        (SDL_GetWindowFlags(mDevice->Context()->window) & SDL_WINDOW_FULLSCREEN))
      SDL_SetWindowFullscreen(mDevice->Context()->window, 0);
    mDevice->Release();
  }

  HRESULT MakeBackBuffer(UINT width, UINT height, DXGI_FORMAT format) {
    if (width == 0 || height == 0) {
      ContextInfo* context = mDevice->Context();
      int w = context->offscreenWidth, h = context->offscreenHeight;
      if (context->window) SDL_GL_GetDrawableSize(context->window, &w, &h);
      width = width ? width : UINT(w > 0 ? w : 1);
      height = height ? height : UINT(h > 0 ? h : 1);
    }
    D3D10_TEXTURE2D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D10_USAGE_DEFAULT;
    desc.BindFlags = D3D10_BIND_RENDER_TARGET;
    if (mDesc.BufferUsage & DXGI_USAGE_SHADER_INPUT) desc.BindFlags |= D3D10_BIND_SHADER_RESOURCE;
    mDevice->MakeCurrent();
    Texture2D* texture = nullptr;
    HRESULT hr = Texture2D::Create(mDevice, desc, nullptr, &texture);
    if (FAILED(hr)) return hr;
    if (mBackBuffer) mBackBuffer->Release();
    mBackBuffer = texture;
    if (!mReadFramebuffer) {
      glCreateFramebuffers(1, &mReadFramebuffer);
      CountGlObjects(kGlFramebuffer, 1);
    }
    glNamedFramebufferTexture(mReadFramebuffer, GL_COLOR_ATTACHMENT0, texture->mStorage.name, 0);
    glNamedFramebufferReadBuffer(mReadFramebuffer, GL_COLOR_ATTACHMENT0);
    mDesc.BufferDesc.Width = width;
    mDesc.BufferDesc.Height = height;
    mDesc.BufferDesc.Format = format;
    return S_OK;
  }

  Device* mDevice;
  DXGI_SWAP_CHAIN_DESC mDesc;
  Texture2D* mBackBuffer = nullptr;
  GLuint mReadFramebuffer = 0;
  uint64_t mPresents = 0;
};

}  // namespace

HRESULT CreateSwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, IDXGISwapChain** swapChain) {
  GlCall glCall("D3D10CreateDeviceAndSwapChain");
  SwapChain* chain = new SwapChain(device, desc);
  HRESULT hr = chain->Init();
  if (FAILED(hr)) {
    chain->Release();
    return hr;
  }
  *swapChain = chain;
  return S_OK;
}

}  // namespace d3d10gl
