// The DXGI chain reached from a device: DXGI device -> adapter -> factory. Each is a small object
// holding a reference on the device; the window association lives in the device, so every
// factory reached from it agrees.
#include "context_p.h"

namespace d3d10gl {
namespace {

class DxgiAdapter final : public RefCounted<IDXGIAdapter> {
 public:
  explicit DxgiAdapter(Device* device) : mDevice(device) { mDevice->AddRef(); }
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return AnswerQuery<IDXGIAdapter>(this, riid, object, {&IID_IUnknown, &IID_IDXGIObject, &IID_IDXGIAdapter});
  }
  HRESULT GetParent(REFIID riid, void** parent) override { return CreateDxgiFactory(mDevice, riid, parent); }
  HRESULT GetDesc(DXGI_ADAPTER_DESC* desc) override {
    if (!desc) return E_INVALIDARG;
    *desc = DXGI_ADAPTER_DESC{};
    const std::string& name = mDevice->Context()->renderer;
    size_t n = name.size() < 127 ? name.size() : 127;
    for (size_t i = 0; i < n; ++i) desc->Description[i] = WCHAR(static_cast<unsigned char>(name[i]));
    return S_OK;
  }

 private:
  ~DxgiAdapter() override { mDevice->Release(); }
  Device* mDevice;
};

class DxgiFactory final : public RefCounted<IDXGIFactory> {
 public:
  explicit DxgiFactory(Device* device) : mDevice(device) { mDevice->AddRef(); }
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return AnswerQuery<IDXGIFactory>(this, riid, object, {&IID_IUnknown, &IID_IDXGIObject, &IID_IDXGIFactory});
  }
  HRESULT GetParent(REFIID, void** parent) override {
    if (parent) *parent = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT MakeWindowAssociation(HWND window, UINT flags) override {
    // The window handles its own keys and modes; this layer never acts on Alt+Enter anyway.
    if (flags & ~(DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER | DXGI_MWA_NO_PRINT_SCREEN))
      return DXGI_ERROR_INVALID_CALL;
    mDevice->mAssociatedWindow = window;
    mDevice->mAssociationFlags = flags;
    return S_OK;
  }
  HRESULT GetWindowAssociation(HWND* window) override {
    if (!window) return DXGI_ERROR_INVALID_CALL;
    *window = mDevice->mAssociatedWindow;
    return S_OK;
  }

 private:
  ~DxgiFactory() override { mDevice->Release(); }
  Device* mDevice;
};

class DxgiDevice final : public RefCounted<IDXGIDevice> {
 public:
  explicit DxgiDevice(Device* device) : mDevice(device) { mDevice->AddRef(); }
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_INVALIDARG;
    if (riid == IID_IUnknown || riid == IID_IDXGIObject || riid == IID_IDXGIDevice) {
      AddRef();
      *object = static_cast<IDXGIDevice*>(this);
      return S_OK;
    }
    if (riid == IID_ID3D10Device) return mDevice->QueryInterface(riid, object);
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT GetParent(REFIID riid, void** parent) override {
    if (!parent) return E_INVALIDARG;
    DxgiAdapter* adapter = new DxgiAdapter(mDevice);
    HRESULT hr = adapter->QueryInterface(riid, parent);
    adapter->Release();
    return hr;
  }
  HRESULT GetAdapter(IDXGIAdapter** adapter) override {
    if (!adapter) return E_INVALIDARG;
    *adapter = new DxgiAdapter(mDevice);
    return S_OK;
  }

 private:
  ~DxgiDevice() override { mDevice->Release(); }
  Device* mDevice;
};

}  // namespace

HRESULT CreateDxgiDevice(Device* device, REFIID riid, void** object) {
  DxgiDevice* dxgi = new DxgiDevice(device);
  HRESULT hr = dxgi->QueryInterface(riid, object);
  dxgi->Release();
  return hr;
}

HRESULT CreateDxgiFactory(Device* device, REFIID riid, void** object) {
  if (!object) return E_INVALIDARG;
  DxgiFactory* factory = new DxgiFactory(device);
  HRESULT hr = factory->QueryInterface(riid, object);
  factory->Release();
  return hr;
}

}  // namespace d3d10gl
