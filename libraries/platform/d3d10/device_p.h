// Platform-internal: the device on an OpenGL 4.5 core context. Besides the ID3D10Device calls it
// offers the pipeline calls that effect passes make (program, pass states, texture units,
// samplers). Every GL state it sets is cached, so repeated binds cost a comparison.
#pragma once

#include "d3d10_p.h"
#include "pipeline_states_p.h"

#include <unordered_map>

struct SDL_Window;

namespace d3d10gl {

struct ContextInfo;  // the GL context and its window, defined by the context code

class Device final : public RefCounted<ID3D10Device> {
 public:
  static constexpr unsigned kTextureUnits = 32;

  Device(ContextInfo* context, D3D10_DRIVER_TYPE driverType);
  ~Device() override;

  // IUnknown: the device also answers for its DXGI device.
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
  void Flush() override;
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

  // ---- Pipeline calls for effect passes ----
  // Makes this device's context current on the calling thread (cheap when it already is).
  void MakeCurrent() {
    if (sCurrent != this) Activate();
  }
  // Re-issues every cached binding and state to GL, for code that used the context directly
  // (the draw benchmark's raw GL side); the caches are right again afterwards.
  void ResyncGlState();
  // Context creation and deletion change the current context behind the devices' backs.
  static void CurrentContextChanged() { sCurrent = nullptr; }
  void UseProgram(GLuint program, uint32_t signature);
  void SetPassStates(const PassStates& states);
  void BindTexture(unsigned unit, GLuint texture);
  void BindSampler(unsigned unit, GLuint sampler);
  // A sampler object for the description, made once per distinct description.
  GLuint Sampler(const SamplerDesc& desc);
  // A program being deleted: forget it as the current one.
  void ForgetProgram(GLuint program);

  // ---- Calls for resources, views and the swap chain ----
  void ForgetBuffer(Buffer* buffer);
  void ForgetTexture(GLuint texture);
  void ForgetView(uint64_t serial);
  void ForgetLayout(InputLayout* layout);
  // Binds the framework of the current render targets if it changed (draws and Present use it).
  void BindDrawFramebuffer();
  void ResetColorAndDepthMasks();  // clears must reach every channel and the depth buffer
  ContextInfo* Context() const { return mContext; }
  D3D10_DRIVER_TYPE DriverType() const { return mDriverType; }
  // DXGI state shared by the adapter and factory objects reached from this device.
  HWND mAssociatedWindow = nullptr;
  UINT mAssociationFlags = 0;

  // Counters for tests and the benchmark.
  uint64_t mDrawCalls = 0;
  uint64_t mFramebufferBinds = 0;
  uint64_t mUniformUploads = 0;

 private:
  void Activate();
  void ApplyDefaultGlState();
  void ApplyFixedConventions();
  bool PrepareDraw();
  bool IndicesFit(UINT count, UINT start);
  GLuint FramebufferFor(const uint64_t* colors, UINT count, uint64_t depth);

  static Device* sCurrent;
  ContextInfo* mContext;
  D3D10_DRIVER_TYPE mDriverType;

  // Input assembler
  struct VertexSlot {
    Buffer* buffer = nullptr;
    UINT stride = 0;
    UINT offset = 0;
  };
  VertexSlot mVertexSlots[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  Buffer* mIndexBuffer = nullptr;
  GLenum mIndexType = GL_UNSIGNED_INT;
  UINT mIndexSize = 4;
  UINT mIndexOffset = 0;
  bool mIndexRangeReported = false;
  InputLayout* mLayout = nullptr;
  D3D10_PRIMITIVE_TOPOLOGY mTopology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  GLenum mMode = GL_TRIANGLES;
  GLuint mBoundVertexArray = 0;
  GLuint mEmptyVertexArray = 0;  // for draws without an input layout (vertices from gl_VertexID)
  uint64_t mEmptyArrayIndexBuffer = 0;

  // Output merger
  RenderTargetView* mTargets[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT] = {};
  UINT mTargetCount = 0;
  DepthStencilView* mDepthTarget = nullptr;
  bool mFramebufferDirty = true;
  GLuint mBoundFramebuffer = 0;
  struct FramebufferKey {
    uint64_t views[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT + 1];
    bool operator==(const FramebufferKey&) const = default;
  };
  struct FramebufferKeyHash {
    size_t operator()(const FramebufferKey& key) const;
  };
  std::unordered_map<FramebufferKey, GLuint, FramebufferKeyHash> mFramebuffers;

  D3D10_VIEWPORT mViewports[D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE] = {};
  UINT mViewportCount = 0;

  // Pipeline
  GLuint mProgram = 0;
  uint32_t mSignature = 0;
  PassStates mStates;
  bool mDepthMaskOn = true;
  GLuint mUnitTextures[kTextureUnits] = {};
  GLuint mUnitSamplers[kTextureUnits] = {};
  struct SamplerEntry {
    SamplerDesc desc;
    GLuint name;
  };
  std::vector<SamplerEntry> mSamplers;
};

// Our device behind an interface pointer (every ID3D10Device in the process is one).
inline Device* DeviceOf(ID3D10Device* device) { return static_cast<Device*>(device); }

template <class Base>
Child<Base>::Child(Device* device) : mDevice(device) {
  mDevice->AddRef();
}
template <class Base>
Child<Base>::~Child() {
  mDevice->Release();
}
template <class Base>
void Child<Base>::GetDevice(ID3D10Device** device) {
  if (!device) return;
  mDevice->AddRef();
  *device = mDevice;
}

}  // namespace d3d10gl
