// Platform-internal: the recording device (D3D10_DRIVER_TYPE_NULL) and its children. Resources
// live in CPU memory, draws are written into the device's record instead of being rasterised,
// and no GL call is made anywhere, so it runs without a display. Effects made on it apply their
// passes through RecordApply.
#pragma once

#include "com_p.h"
#include "formats_p.h"
#include "pipeline_states_p.h"
#include "signature_p.h"

#include <platform/d3d10_recording.h>

#include <string>
#include <vector>

namespace d3d10null {

using d3d10com::RefCounted;

class Device;

template <class Base>
class Child : public RefCounted<Base> {
 public:
  explicit Child(Device* device);
  ~Child() override;
  void GetDevice(ID3D10Device** device) override;
  Device* DeviceImpl() const { return mDevice; }

 protected:
  Device* mDevice;
};

// Bytes of a buffer or of every subresource of a texture (mip levels of slice 0 first).
struct CpuStorage {
  const d3d10gl::FormatLayout* format = nullptr;  // null for buffers
  DXGI_FORMAT dxgiFormat = DXGI_FORMAT_UNKNOWN;
  UINT width = 0, height = 1, depth = 1, layers = 1, mips = 1;
  D3D10_USAGE usage = D3D10_USAGE_DEFAULT;
  UINT bindFlags = 0;
  std::vector<uint8_t> bytes;
  std::vector<size_t> subresourceAt;
  int mapped = -1;

  UINT MipWidth(UINT mip) const { return width >> mip ? width >> mip : 1; }
  UINT MipHeight(UINT mip) const { return height >> mip ? height >> mip : 1; }
  UINT MipDepth(UINT mip) const { return depth >> mip ? depth >> mip : 1; }
  UINT RowPitch(UINT mip) const;
  UINT SlicePitch(UINT mip) const;
  UINT SubresourceCount() const { return mips * layers; }
};

class Buffer final : public Child<ID3D10Buffer> {
 public:
  using Child::Child;
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetType(D3D10_RESOURCE_DIMENSION* dimension) override { *dimension = D3D10_RESOURCE_DIMENSION_BUFFER; }
  HRESULT Map(D3D10_MAP mapType, UINT mapFlags, void** data) override;
  void Unmap() override;
  void GetDesc(D3D10_BUFFER_DESC* desc) override { *desc = mDesc; }

  D3D10_BUFFER_DESC mDesc{};
  CpuStorage mStorage;
};

class Texture2D final : public Child<ID3D10Texture2D> {
 public:
  using Child::Child;
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetType(D3D10_RESOURCE_DIMENSION* dimension) override { *dimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D; }
  HRESULT Map(UINT subresource, D3D10_MAP mapType, UINT mapFlags, D3D10_MAPPED_TEXTURE2D* mapped) override;
  void Unmap(UINT subresource) override;
  void GetDesc(D3D10_TEXTURE2D_DESC* desc) override { *desc = mDesc; }

  D3D10_TEXTURE2D_DESC mDesc{};
  CpuStorage mStorage;
};

class Texture3D final : public Child<ID3D10Texture3D> {
 public:
  using Child::Child;
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetType(D3D10_RESOURCE_DIMENSION* dimension) override { *dimension = D3D10_RESOURCE_DIMENSION_TEXTURE3D; }
  HRESULT Map(UINT subresource, D3D10_MAP mapType, UINT mapFlags, D3D10_MAPPED_TEXTURE3D* mapped) override;
  void Unmap(UINT subresource) override;
  void GetDesc(D3D10_TEXTURE3D_DESC* desc) override { *desc = mDesc; }

  D3D10_TEXTURE3D_DESC mDesc{};
  CpuStorage mStorage;
};

// The storage of any resource of a recording device; null for anything else.
CpuStorage* StorageOf(ID3D10Resource* resource);

// The three view kinds differ only in their description; each keeps its resource alive.
template <class Base, class Desc>
class View final : public Child<Base> {
 public:
  View(Device* device, ID3D10Resource* resource, const Desc& desc, UINT mip)
      : Child<Base>(device), mResource(resource), mDesc(desc), mMip(mip) {
    mResource->AddRef();
  }
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetResource(ID3D10Resource** resource) override {
    mResource->AddRef();
    *resource = mResource;
  }
  void GetDesc(Desc* desc) override { *desc = mDesc; }
  d3d10rec::RecordedView Describe() const;

  ID3D10Resource* mResource;
  Desc mDesc;
  UINT mMip;

 private:
  ~View() override;
};
using ShaderResourceView = View<ID3D10ShaderResourceView, D3D10_SHADER_RESOURCE_VIEW_DESC>;
using RenderTargetView = View<ID3D10RenderTargetView, D3D10_RENDER_TARGET_VIEW_DESC>;
using DepthStencilView = View<ID3D10DepthStencilView, D3D10_DEPTH_STENCIL_VIEW_DESC>;

// What a shader-resource view of a recording device shows; an empty description otherwise.
d3d10rec::RecordedView DescribeShaderResource(ID3D10ShaderResourceView* view);

class InputLayout final : public Child<ID3D10InputLayout> {
 public:
  using Child::Child;
  HRESULT QueryInterface(REFIID riid, void** object) override;
  std::vector<D3D10_INPUT_ELEMENT_DESC> mElements;
  std::vector<std::string> mSemantics;  // owned copies of the element names
};

class Device final : public RefCounted<ID3D10Device> {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override;

  void IASetInputLayout(ID3D10InputLayout* layout) override;
  void IASetVertexBuffers(UINT startSlot, UINT numBuffers, ID3D10Buffer* const* buffers, const UINT* strides,
                          const UINT* offsets) override;
  void IASetIndexBuffer(ID3D10Buffer* buffer, DXGI_FORMAT format, UINT offset) override;
  void IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY topology) override;
  void IAGetInputLayout(ID3D10InputLayout** layout) override;
  void IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* topology) override;
  void DrawIndexed(UINT indexCount, UINT startIndexLocation, INT baseVertexLocation) override;
  void Draw(UINT vertexCount, UINT startVertexLocation) override;
  void DrawIndexedInstanced(UINT indexCountPerInstance, UINT instanceCount, UINT startIndexLocation,
                            INT baseVertexLocation, UINT startInstanceLocation) override;
  void DrawInstanced(UINT vertexCountPerInstance, UINT instanceCount, UINT startVertexLocation,
                     UINT startInstanceLocation) override;
  void OMSetRenderTargets(UINT numViews, ID3D10RenderTargetView* const* views,
                          ID3D10DepthStencilView* depthStencilView) override;
  void OMGetRenderTargets(UINT numViews, ID3D10RenderTargetView** views,
                          ID3D10DepthStencilView** depthStencilView) override;
  void RSSetViewports(UINT numViewports, const D3D10_VIEWPORT* viewports) override;
  void RSGetViewports(UINT* numViewports, D3D10_VIEWPORT* viewports) override;
  void ClearRenderTargetView(ID3D10RenderTargetView* view, const FLOAT colorRGBA[4]) override;
  void ClearDepthStencilView(ID3D10DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil) override;
  void ClearState() override;
  void Flush() override {}
  void UpdateSubresource(ID3D10Resource* dst, UINT dstSubresource, const D3D10_BOX* dstBox, const void* srcData,
                         UINT srcRowPitch, UINT srcDepthPitch) override;
  void CopyResource(ID3D10Resource* dst, ID3D10Resource* src) override;
  void GenerateMips(ID3D10ShaderResourceView* view) override;
  HRESULT CreateBuffer(const D3D10_BUFFER_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                       ID3D10Buffer** buffer) override;
  HRESULT CreateTexture2D(const D3D10_TEXTURE2D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                          ID3D10Texture2D** texture) override;
  HRESULT CreateTexture3D(const D3D10_TEXTURE3D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                          ID3D10Texture3D** texture) override;
  HRESULT CreateShaderResourceView(ID3D10Resource* resource, const D3D10_SHADER_RESOURCE_VIEW_DESC* desc,
                                   ID3D10ShaderResourceView** view) override;
  HRESULT CreateRenderTargetView(ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                                 ID3D10RenderTargetView** view) override;
  HRESULT CreateDepthStencilView(ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                                 ID3D10DepthStencilView** view) override;
  HRESULT CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* elements, UINT numElements, const void* signature,
                            SIZE_T signatureSize, ID3D10InputLayout** layout) override;

  // ---- For effects made on this device ----
  // A pass was applied: later draws record it and this snapshot of its variables.
  void RecordApply(const void* effect, const std::string& technique, const std::string& pass,
                   const d3d10gl::PassStates& states, std::vector<d3d10rec::RecordedVariable> variables);
  // An effect is going away: draws after this record no pass.
  void ForgetEffect(const void* effect);
  void RecordPresent();

  // ---- For dying children: the device holds no reference on what is bound to it ----
  void Forget(const void* object);

  d3d10rec::Record mRecord;

 private:
  ~Device() override = default;
  bool Drawable();
  void RecordDraw(d3d10rec::Event event);

  struct VertexSlot {
    Buffer* buffer = nullptr;
    UINT stride = 0, offset = 0;
  };
  VertexSlot mVertexSlots[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  Buffer* mIndexBuffer = nullptr;
  DXGI_FORMAT mIndexFormat = DXGI_FORMAT_UNKNOWN;
  UINT mIndexOffset = 0;
  bool mIndexRangeReported = false;
  InputLayout* mLayout = nullptr;
  D3D10_PRIMITIVE_TOPOLOGY mTopology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  RenderTargetView* mTargets[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT] = {};
  UINT mTargetCount = 0;
  DepthStencilView* mDepthTarget = nullptr;
  std::vector<D3D10_VIEWPORT> mViewports;

  // The pass applied last.
  const void* mEffect = nullptr;
  std::string mTechnique, mPass;
  d3d10gl::PassStates mStates;
  std::vector<d3d10rec::RecordedVariable> mVariables;
};

// The recording device behind an interface pointer, or null when it is a GL device.
Device* RecordingDeviceOf(ID3D10Device* device);
HRESULT CreateDevice(ID3D10Device** device);
// A swap chain whose back buffer is a texture of the device, with no window behind it.
HRESULT CreateSwapChain(Device* device, const DXGI_SWAP_CHAIN_DESC& desc, IDXGISwapChain** swapChain);

template <class Base>
Child<Base>::Child(Device* device) : mDevice(device) {
  mDevice->AddRef();
}
template <class Base>
Child<Base>::~Child() {
  mDevice->Forget(this);
  mDevice->Release();
}
template <class Base>
void Child<Base>::GetDevice(ID3D10Device** device) {
  if (!device) return;
  mDevice->AddRef();
  *device = mDevice;
}

}  // namespace d3d10null
