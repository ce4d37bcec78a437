// The swap chain of a recording device: a back buffer in CPU memory and no window behind it.
// Present writes an event into the device's record; the full-screen state is only remembered.
#include "device_null_p.h"

namespace d3d10null {
namespace {

class SwapChain final : public RefCounted<IDXGISwapChain> {
 public:
  SwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc) : mDevice(device), mDesc(desc) {
    mDevice->AddRef();
    mFullscreen = !desc.Windowed;
  }

  HRESULT MakeBuffer() {
    D3D10_TEXTURE2D_DESC texture{mDesc.BufferDesc.Width,
                                 mDesc.BufferDesc.Height,
                                 1,
                                 1,
                                 mDesc.BufferDesc.Format,
                                 {1, 0},
                                 D3D10_USAGE_DEFAULT,
                                 D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE,
                                 0,
                                 0};
    return mDevice->CreateTexture2D(&texture, nullptr, &mBuffer);
  }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return d3d10com::AnswerQuery<IDXGISwapChain>(
        this, riid, object, {&IID_IUnknown, &IID_IDXGIObject, &IID_IDXGIDeviceSubObject, &IID_IDXGISwapChain});
  }
  // No adapter or factory stands behind a recording device.
  HRESULT GetParent(REFIID, void** parent) override {
    if (parent) *parent = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetDevice(REFIID riid, void** device) override { return mDevice->QueryInterface(riid, device); }

  HRESULT Present(UINT, UINT flags) override {
    if (!(flags & DXGI_PRESENT_TEST)) mDevice->RecordPresent();
    return S_OK;
  }
  HRESULT GetBuffer(UINT buffer, REFIID riid, void** surface) override {
    if (!surface) return E_INVALIDARG;
    *surface = nullptr;
    if (buffer != 0 || !mBuffer) return DXGI_ERROR_INVALID_CALL;
    return mBuffer->QueryInterface(riid, surface);
  }
  HRESULT SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) override {
    if (target) return DXGI_ERROR_INVALID_CALL;
    mFullscreen = fullscreen != FALSE;
    return S_OK;
  }
  HRESULT GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) override {
    if (fullscreen) *fullscreen = mFullscreen ? TRUE : FALSE;
    if (target) *target = nullptr;
    return S_OK;
  }
  HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override {
    if (!desc) return E_INVALIDARG;
    *desc = mDesc;
    desc->Windowed = mFullscreen ? FALSE : TRUE;
    return S_OK;
  }
  // As on the platform: refused while anyone else still holds the old back buffer.
  HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT newFormat, UINT) override {
    mBuffer->AddRef();
    const ULONG others = mBuffer->Release() - 1;
    if (others > 0) return DXGI_ERROR_INVALID_CALL;
    DXGI_SWAP_CHAIN_DESC previous = mDesc;
    if (bufferCount) mDesc.BufferCount = bufferCount;
    if (width) mDesc.BufferDesc.Width = width;
    if (height) mDesc.BufferDesc.Height = height;
    if (newFormat != DXGI_FORMAT_UNKNOWN) mDesc.BufferDesc.Format = newFormat;
    ID3D10Texture2D* old = mBuffer;
    mBuffer = nullptr;
    if (FAILED(MakeBuffer())) {
      mDesc = previous;
      mBuffer = old;
      return E_INVALIDARG;
    }
    old->Release();
    return S_OK;
  }

 private:
  ~SwapChain() override {
    if (mBuffer) mBuffer->Release();
    mDevice->Release();
  }

  Device* mDevice;
  DXGI_SWAP_CHAIN_DESC mDesc;
  ID3D10Texture2D* mBuffer = nullptr;
  bool mFullscreen = false;
};

}  // namespace

HRESULT CreateSwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, IDXGISwapChain** swapChain) {
  *swapChain = nullptr;
  auto* created = new SwapChain(device, desc);
  HRESULT hr = created->MakeBuffer();
  if (FAILED(hr)) {
    created->Release();
    return hr;
  }
  *swapChain = created;
  return S_OK;
}

}  // namespace d3d10null
