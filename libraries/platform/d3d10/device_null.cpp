// The recording device: every resource in CPU memory, every draw, clear and copy written into
// the device's record, nothing rasterised. A draw is recorded only where the GL device would
// have drawn (a pass applied, a topology set, indices inside the index buffer), so a test that
// sees a draw here knows the real device would have issued it.
// Sections: storage · resources · views and layouts · device state · draws and events · record.
#include "device_null_p.h"

#include <platform/diagnostics.h>

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d10null {

// ---- Storage --------------------------------------------------------------------------------

UINT CpuStorage::RowPitch(UINT mip) const {
  return format ? d3d10gl::PackedRowPitch(*format, MipWidth(mip)) : width;
}

UINT CpuStorage::SlicePitch(UINT mip) const {
  return format ? RowPitch(mip) * d3d10gl::PackedRowCount(*format, MipHeight(mip)) : width;
}

namespace {

void LayOut(CpuStorage& s) {
  s.subresourceAt.clear();
  size_t at = 0;
  for (UINT layer = 0; layer < s.layers; ++layer)
    for (UINT mip = 0; mip < s.mips; ++mip) {
      s.subresourceAt.push_back(at);
      at += size_t(s.SlicePitch(mip)) * s.MipDepth(mip);
    }
  s.bytes.assign(at, 0);
}

// Copies initial data row by row: the caller's pitches need not be the packed ones.
void Upload(CpuStorage& s, UINT subresource, const void* data, UINT rowPitch, UINT depthPitch) {
  if (!data || subresource >= s.SubresourceCount()) return;
  UINT mip = subresource % s.mips;
  UINT row = s.RowPitch(mip), rows = s.format ? d3d10gl::PackedRowCount(*s.format, s.MipHeight(mip)) : 1;
  if (!rowPitch) rowPitch = row;
  if (!depthPitch) depthPitch = rowPitch * rows;
  uint8_t* out = s.bytes.data() + s.subresourceAt[subresource];
  const uint8_t* in = static_cast<const uint8_t*>(data);
  for (UINT z = 0; z < s.MipDepth(mip); ++z)
    for (UINT y = 0; y < rows; ++y) memcpy(out + (size_t(z) * rows + y) * row, in + size_t(z) * depthPitch + size_t(y) * rowPitch, row);
}

// The platform's full chain for a size: levels until both sides are 1.
UINT FullChain(UINT width, UINT height, UINT depth) {
  UINT levels = 1;
  while (width > 1 || height > 1 || depth > 1) {
    width = std::max(1u, width / 2), height = std::max(1u, height / 2), depth = std::max(1u, depth / 2);
    ++levels;
  }
  return levels;
}

HRESULT MapSubresource(CpuStorage& s, UINT subresource, D3D10_MAP type, void** data) {
  if (s.mapped >= 0 || subresource >= s.SubresourceCount()) return E_INVALIDARG;
  if (s.usage != D3D10_USAGE_STAGING && s.usage != D3D10_USAGE_DYNAMIC) return E_INVALIDARG;
  if (s.usage == D3D10_USAGE_DYNAMIC && type != D3D10_MAP_WRITE_DISCARD && type != D3D10_MAP_WRITE_NO_OVERWRITE)
    return E_INVALIDARG;
  s.mapped = int(subresource);
  *data = s.bytes.data() + s.subresourceAt[subresource];
  return S_OK;
}

}  // namespace

// ---- Resources ------------------------------------------------------------------------------

HRESULT Buffer::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<ID3D10Buffer>(
      this, riid, object, {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10Resource, &IID_ID3D10Buffer});
}

HRESULT Buffer::Map(D3D10_MAP mapType, UINT, void** data) {
  if (!data) return E_INVALIDARG;
  *data = nullptr;
  return MapSubresource(mStorage, 0, mapType, data);
}

void Buffer::Unmap() { mStorage.mapped = -1; }

HRESULT Texture2D::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<ID3D10Texture2D>(
      this, riid, object, {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10Resource, &IID_ID3D10Texture2D});
}

HRESULT Texture2D::Map(UINT subresource, D3D10_MAP mapType, UINT, D3D10_MAPPED_TEXTURE2D* mapped) {
  if (!mapped) return E_INVALIDARG;
  *mapped = {};
  HRESULT hr = MapSubresource(mStorage, subresource, mapType, &mapped->pData);
  if (SUCCEEDED(hr)) mapped->RowPitch = mStorage.RowPitch(subresource % mStorage.mips);
  return hr;
}

void Texture2D::Unmap(UINT subresource) {
  if (int(subresource) == mStorage.mapped) mStorage.mapped = -1;
}

HRESULT Texture3D::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<ID3D10Texture3D>(
      this, riid, object, {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10Resource, &IID_ID3D10Texture3D});
}

HRESULT Texture3D::Map(UINT subresource, D3D10_MAP mapType, UINT, D3D10_MAPPED_TEXTURE3D* mapped) {
  if (!mapped) return E_INVALIDARG;
  *mapped = {};
  HRESULT hr = MapSubresource(mStorage, subresource, mapType, &mapped->pData);
  if (SUCCEEDED(hr)) {
    mapped->RowPitch = mStorage.RowPitch(subresource % mStorage.mips);
    mapped->DepthPitch = mStorage.SlicePitch(subresource % mStorage.mips);
  }
  return hr;
}

void Texture3D::Unmap(UINT subresource) {
  if (int(subresource) == mStorage.mapped) mStorage.mapped = -1;
}

CpuStorage* StorageOf(ID3D10Resource* resource) {
  if (auto* t = dynamic_cast<Texture2D*>(resource)) return &t->mStorage;
  if (auto* t = dynamic_cast<Texture3D*>(resource)) return &t->mStorage;
  if (auto* b = dynamic_cast<Buffer*>(resource)) return &b->mStorage;
  return nullptr;
}

HRESULT Device::CreateBuffer(const D3D10_BUFFER_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                             ID3D10Buffer** buffer) {
  if (buffer) *buffer = nullptr;
  if (!desc || !desc->ByteWidth) return E_INVALIDARG;
  if (desc->Usage == D3D10_USAGE_IMMUTABLE && !(initialData && initialData->pSysMem)) return E_INVALIDARG;
  if (!buffer) return S_FALSE;  // a validation-only call, as on the platform
  auto* created = new Buffer(this);
  created->mDesc = *desc;
  CpuStorage& s = created->mStorage;
  s.width = desc->ByteWidth;
  s.usage = desc->Usage;
  s.bindFlags = desc->BindFlags;
  LayOut(s);
  if (initialData) Upload(s, 0, initialData->pSysMem, 0, 0);
  *buffer = created;
  return S_OK;
}

namespace {

template <class Texture, class Desc>
HRESULT MakeTexture(Device* device, const Desc& desc, UINT depth, UINT layers, const D3D10_SUBRESOURCE_DATA* data,
                    Texture** out) {
  const d3d10gl::FormatLayout* format = d3d10gl::FindFormatLayout(desc.Format, desc.BindFlags);
  if (!format || !desc.Width || !desc.Height || !depth || !layers) {
    platform::Report(platform::kReportWarning, "recording device: a %ux%ux%u texture of format %d cannot be created",
                     desc.Width, desc.Height, depth, int(desc.Format));
    return E_INVALIDARG;
  }
  if (desc.Usage == D3D10_USAGE_IMMUTABLE && !data) return E_INVALIDARG;
  auto* created = new Texture(device);
  created->mDesc = desc;
  CpuStorage& s = created->mStorage;
  s.format = format;
  s.dxgiFormat = desc.Format;
  s.width = desc.Width, s.height = desc.Height, s.depth = depth, s.layers = layers;
  s.mips = desc.MipLevels ? std::min(desc.MipLevels, FullChain(desc.Width, desc.Height, depth))
                          : FullChain(desc.Width, desc.Height, depth);
  created->mDesc.MipLevels = s.mips;
  s.usage = desc.Usage;
  s.bindFlags = desc.BindFlags;
  LayOut(s);
  for (UINT i = 0; data && i < s.SubresourceCount(); ++i) Upload(s, i, data[i].pSysMem, data[i].SysMemPitch, data[i].SysMemSlicePitch);
  *out = created;
  return S_OK;
}

}  // namespace

HRESULT Device::CreateTexture2D(const D3D10_TEXTURE2D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                                ID3D10Texture2D** texture) {
  if (texture) *texture = nullptr;
  if (!desc || !texture) return E_INVALIDARG;
  Texture2D* created = nullptr;
  HRESULT hr = MakeTexture(this, *desc, 1, desc->ArraySize ? desc->ArraySize : 1, initialData, &created);
  *texture = created;
  return hr;
}

HRESULT Device::CreateTexture3D(const D3D10_TEXTURE3D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                                ID3D10Texture3D** texture) {
  if (texture) *texture = nullptr;
  if (!desc || !texture) return E_INVALIDARG;
  Texture3D* created = nullptr;
  HRESULT hr = MakeTexture(this, *desc, desc->Depth, 1, initialData, &created);
  *texture = created;
  return hr;
}

// ---- Views and layouts ----------------------------------------------------------------------

template <class Base, class Desc>
View<Base, Desc>::~View() {
  mResource->Release();
}

template <class Base, class Desc>
HRESULT View<Base, Desc>::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<Base>(this, riid, object,
                                    {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10View, &__uuidof(Base)});
}

template <class Base, class Desc>
d3d10rec::RecordedView View<Base, Desc>::Describe() const {
  d3d10rec::RecordedView out;
  out.view = static_cast<const Base*>(this);
  out.resource = mResource;
  if (const CpuStorage* s = StorageOf(mResource)) {
    out.width = s->MipWidth(mMip);
    out.height = s->MipHeight(mMip);
    out.depth = s->MipDepth(mMip);
    out.format = mDesc.Format != DXGI_FORMAT_UNKNOWN ? mDesc.Format : s->dxgiFormat;
  }
  return out;
}

template class View<ID3D10ShaderResourceView, D3D10_SHADER_RESOURCE_VIEW_DESC>;
template class View<ID3D10RenderTargetView, D3D10_RENDER_TARGET_VIEW_DESC>;
template class View<ID3D10DepthStencilView, D3D10_DEPTH_STENCIL_VIEW_DESC>;

d3d10rec::RecordedView DescribeShaderResource(ID3D10ShaderResourceView* view) {
  if (auto* v = dynamic_cast<ShaderResourceView*>(view)) return v->Describe();
  d3d10rec::RecordedView out;
  out.view = view;
  return out;
}

namespace {

// The texture a view may be made of: one of this device's, with the bind flag the view needs.
CpuStorage* ViewableStorage(Device* device, ID3D10Resource* resource, UINT bindFlag, const char* what) {
  CpuStorage* s = resource ? StorageOf(resource) : nullptr;
  if (!s || !s->format) {
    platform::Report(platform::kReportWarning, "recording device: %s of something that is not a texture", what);
    return nullptr;
  }
  ID3D10Device* owner = nullptr;
  resource->GetDevice(&owner);
  owner->Release();
  if (owner != device || !(s->bindFlags & bindFlag)) {
    platform::Report(platform::kReportWarning, "recording device: %s of a texture without its bind flag", what);
    return nullptr;
  }
  return s;
}

}  // namespace

HRESULT Device::CreateShaderResourceView(ID3D10Resource* resource, const D3D10_SHADER_RESOURCE_VIEW_DESC* desc,
                                         ID3D10ShaderResourceView** view) {
  if (view) *view = nullptr;
  CpuStorage* s = ViewableStorage(this, resource, D3D10_BIND_SHADER_RESOURCE, "a shader-resource view");
  if (!s || !view) return E_INVALIDARG;
  D3D10_SHADER_RESOURCE_VIEW_DESC d{};
  UINT mip = 0;
  if (desc) {
    d = *desc;
    mip = d.Texture2D.MostDetailedMip;  // the same place in every dimension's description
  } else {
    d.Format = s->dxgiFormat;
    d.ViewDimension = s->depth > 1 ? D3D10_SRV_DIMENSION_TEXTURE3D
                      : s->layers > 1 ? D3D10_SRV_DIMENSION_TEXTURE2DARRAY : D3D10_SRV_DIMENSION_TEXTURE2D;
    d.Texture2D = {0, s->mips};
    if (s->layers > 1) d.Texture2DArray = {0, s->mips, 0, s->layers};
  }
  if (mip >= s->mips) return E_INVALIDARG;
  *view = new ShaderResourceView(this, resource, d, mip);
  return S_OK;
}

HRESULT Device::CreateRenderTargetView(ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                                       ID3D10RenderTargetView** view) {
  if (view) *view = nullptr;
  CpuStorage* s = ViewableStorage(this, resource, D3D10_BIND_RENDER_TARGET, "a render-target view");
  if (!s || !view) return E_INVALIDARG;
  D3D10_RENDER_TARGET_VIEW_DESC d{};
  if (desc) d = *desc;
  else d.Format = s->dxgiFormat, d.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
  if (d.Texture2D.MipSlice >= s->mips) return E_INVALIDARG;
  *view = new RenderTargetView(this, resource, d, d.Texture2D.MipSlice);
  return S_OK;
}

HRESULT Device::CreateDepthStencilView(ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                                       ID3D10DepthStencilView** view) {
  if (view) *view = nullptr;
  CpuStorage* s = ViewableStorage(this, resource, D3D10_BIND_DEPTH_STENCIL, "a depth-stencil view");
  if (!s || !view) return E_INVALIDARG;
  D3D10_DEPTH_STENCIL_VIEW_DESC d{};
  if (desc) d = *desc;
  else d.Format = s->dxgiFormat, d.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
  if (d.Texture2D.MipSlice >= s->mips) return E_INVALIDARG;
  *view = new DepthStencilView(this, resource, d, d.Texture2D.MipSlice);
  return S_OK;
}

HRESULT InputLayout::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<ID3D10InputLayout>(this, riid, object,
                                                 {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10InputLayout});
}

// The same matching as the GL device: every input of the pass must come from an element.
HRESULT Device::CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* elements, UINT numElements, const void* signature,
                                  SIZE_T signatureSize, ID3D10InputLayout** layout) {
  if (layout) *layout = nullptr;
  const d3d10gl::SignatureHeader* header = d3d10gl::ReadSignature(signature, signatureSize);
  if (!header) {
    platform::Report(platform::kReportWarning,
                     "CreateInputLayout: the signature is not a pass's input signature (D3D10_PASS_DESC)");
    return E_INVALIDARG;
  }
  for (UINT i = 0; i < numElements; ++i) {
    const D3D10_INPUT_ELEMENT_DESC& e = elements[i];
    if (!e.SemanticName || !d3d10gl::IsVertexFormat(e.Format) ||
        e.InputSlot >= D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) {
      platform::Report(platform::kReportWarning, "CreateInputLayout: element %u (%s) has an unusable format or slot",
                       i, e.SemanticName ? e.SemanticName : "no semantic");
      return E_INVALIDARG;
    }
  }
  const d3d10gl::SignatureInput* inputs = d3d10gl::SignatureInputs(header);
  for (uint32_t k = 0; k < header->count; ++k) {
    bool found = false;
    for (UINT i = 0; i < numElements && !found; ++i)
      found = strcasecmp(elements[i].SemanticName, inputs[k].semantic) == 0 && elements[i].SemanticIndex == inputs[k].index;
    if (!found) {
      platform::Report(platform::kReportWarning, "CreateInputLayout: no element gives the pass's input %s%u",
                       inputs[k].semantic, inputs[k].index);
      return E_INVALIDARG;
    }
  }
  if (!layout) return S_FALSE;
  auto* created = new InputLayout(this);
  created->mElements.assign(elements, elements + numElements);
  created->mSemantics.reserve(numElements);
  for (UINT i = 0; i < numElements; ++i) {
    created->mSemantics.emplace_back(elements[i].SemanticName);
    created->mElements[i].SemanticName = created->mSemantics.back().c_str();
  }
  *layout = created;
  return S_OK;
}

// ---- Device state ---------------------------------------------------------------------------

HRESULT Device::QueryInterface(REFIID riid, void** object) {
  if (object && riid == IID_DuskRecordingDevice) {
    AddRef();
    *object = this;
    return S_OK;
  }
  return d3d10com::AnswerQuery<ID3D10Device>(this, riid, object, {&IID_IUnknown, &IID_ID3D10Device});
}

void Device::IASetInputLayout(ID3D10InputLayout* layout) {
  ++mRecord.stateCalls;
  mLayout = static_cast<InputLayout*>(layout);
}

void Device::IASetVertexBuffers(UINT startSlot, UINT numBuffers, ID3D10Buffer* const* buffers, const UINT* strides,
                                const UINT* offsets) {
  ++mRecord.stateCalls;
  for (UINT i = 0; i < numBuffers && startSlot + i < D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT; ++i)
    mVertexSlots[startSlot + i] = {buffers ? static_cast<Buffer*>(buffers[i]) : nullptr, strides ? strides[i] : 0,
                                   offsets ? offsets[i] : 0};
}

void Device::IASetIndexBuffer(ID3D10Buffer* buffer, DXGI_FORMAT format, UINT offset) {
  ++mRecord.stateCalls;
  mIndexBuffer = static_cast<Buffer*>(buffer);
  mIndexFormat = format;
  mIndexOffset = offset;
}

void Device::IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY topology) {
  ++mRecord.stateCalls;
  mTopology = topology;
}

void Device::IAGetInputLayout(ID3D10InputLayout** layout) {
  if (!layout) return;
  *layout = mLayout;
  if (mLayout) mLayout->AddRef();
}

void Device::IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* topology) {
  if (topology) *topology = mTopology;
}

void Device::OMSetRenderTargets(UINT numViews, ID3D10RenderTargetView* const* views,
                                ID3D10DepthStencilView* depthStencilView) {
  ++mRecord.stateCalls;
  numViews = std::min<UINT>(numViews, D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT);
  for (UINT i = 0; i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT; ++i)
    mTargets[i] = i < numViews && views ? static_cast<RenderTargetView*>(views[i]) : nullptr;
  mTargetCount = numViews;
  mDepthTarget = static_cast<DepthStencilView*>(depthStencilView);
}

void Device::OMGetRenderTargets(UINT numViews, ID3D10RenderTargetView** views,
                                ID3D10DepthStencilView** depthStencilView) {
  for (UINT i = 0; views && i < numViews; ++i) {
    views[i] = i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT ? mTargets[i] : nullptr;
    if (views[i]) views[i]->AddRef();
  }
  if (depthStencilView) {
    *depthStencilView = mDepthTarget;
    if (mDepthTarget) mDepthTarget->AddRef();
  }
}

void Device::RSSetViewports(UINT numViewports, const D3D10_VIEWPORT* viewports) {
  ++mRecord.stateCalls;
  numViewports = std::min<UINT>(numViewports, D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE);
  mViewports.assign(viewports, viewports + (viewports ? numViewports : 0));
}

void Device::RSGetViewports(UINT* numViewports, D3D10_VIEWPORT* viewports) {
  if (!numViewports) return;
  if (!viewports) {
    *numViewports = UINT(mViewports.size());
    return;
  }
  UINT n = std::min<UINT>(*numViewports, UINT(mViewports.size()));
  std::copy_n(mViewports.begin(), n, viewports);
  *numViewports = n;
}

void Device::ClearState() {
  ++mRecord.stateCalls;
  for (VertexSlot& slot : mVertexSlots) slot = {};
  mIndexBuffer = nullptr;
  mLayout = nullptr;
  mTopology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  OMSetRenderTargets(0, nullptr, nullptr);
  mViewports.clear();
  mEffect = nullptr;
  mTechnique.clear(), mPass.clear(), mVariables.clear();
}

void Device::Forget(const void* object) {
  for (VertexSlot& slot : mVertexSlots)
    if (slot.buffer == object) slot = {};
  if (mIndexBuffer == object) mIndexBuffer = nullptr;
  if (mLayout == object) mLayout = nullptr;
  for (RenderTargetView*& target : mTargets)
    if (target == object) target = nullptr;
  if (mDepthTarget == object) mDepthTarget = nullptr;
  // A snapshot keeps its views by address only; a dead one must not be described later.
  for (d3d10rec::RecordedVariable& v : mVariables)
    for (d3d10rec::RecordedView& view : v.views)
      if (view.view == object) view = {};
}

// ---- Draws and events -----------------------------------------------------------------------

void Device::RecordApply(const void* effect, const std::string& technique, const std::string& pass,
                         const d3d10gl::PassStates& states, std::vector<d3d10rec::RecordedVariable> variables) {
  ++mRecord.stateCalls;
  mEffect = effect;
  mStates = states;
  mTechnique = technique;
  mPass = pass;
  mVariables = std::move(variables);
}

void Device::ForgetEffect(const void* effect) {
  if (mEffect != effect) return;
  mEffect = nullptr;
  mTechnique.clear(), mPass.clear(), mVariables.clear();
}

void Device::RecordPresent() {
  d3d10rec::Event event;
  event.kind = d3d10rec::EventKind::kPresent;
  mRecord.events.push_back(std::move(event));
}

bool Device::Drawable() { return mEffect && mTopology != D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED; }

void Device::RecordDraw(d3d10rec::Event event) {
  event.kind = d3d10rec::EventKind::kDraw;
  for (UINT i = 0; i < mTargetCount; ++i)
    event.targets.push_back(mTargets[i] ? mTargets[i]->Describe() : d3d10rec::RecordedView{});
  if (mDepthTarget) event.depthTarget = mDepthTarget->Describe();
  event.viewports = mViewports;
  event.topology = mTopology;
  event.inputLayout = mLayout;
  event.technique = mTechnique;
  event.pass = mPass;
  event.effect = mEffect;
  static const char* const kBlend[] = {"none", "alpha", "add", "premultiplied", "multiply"};
  static const char* const kDepth[] = {"off", "test", "write", "writeonly"};
  static const char* const kCull[] = {"none", "back", "front"};
  static const char* const kFill[] = {"solid", "wireframe"};
  event.blend = kBlend[mStates.blend % 5];
  event.depth = kDepth[mStates.depth % 4];
  event.cull = kCull[mStates.cull % 3];
  event.fill = kFill[mStates.fill % 2];
  event.variables = mVariables;
  mRecord.events.push_back(std::move(event));
}

namespace {

bool IndicesFit(const ID3D10Buffer* buffer, DXGI_FORMAT format, UINT offset, UINT count, UINT start, bool* reported) {
  const auto* b = static_cast<const Buffer*>(buffer);
  UINT size = format == DXGI_FORMAT_R16_UINT ? 2 : 4;
  uint64_t end = uint64_t(offset) + (uint64_t(start) + count) * size;
  if (end <= b->mDesc.ByteWidth) return true;
  if (!*reported) {
    platform::Report(platform::kReportWarning,
                     "DrawIndexed: indices %u to %u lie past the end of the %u-byte index buffer; not drawn", start,
                     start + count - 1, b->mDesc.ByteWidth);
    *reported = true;
  }
  return false;
}

}  // namespace

void Device::DrawIndexed(UINT indexCount, UINT startIndexLocation, INT baseVertexLocation) {
  ++mRecord.stateCalls;
  if (!indexCount || !mIndexBuffer || !Drawable() ||
      !IndicesFit(mIndexBuffer, mIndexFormat, mIndexOffset, indexCount, startIndexLocation, &mIndexRangeReported))
    return;
  d3d10rec::Event e;
  e.indexed = true, e.count = indexCount, e.start = startIndexLocation, e.baseVertex = baseVertexLocation;
  RecordDraw(std::move(e));
}

void Device::Draw(UINT vertexCount, UINT startVertexLocation) {
  ++mRecord.stateCalls;
  if (!vertexCount || !Drawable()) return;
  d3d10rec::Event e;
  e.count = vertexCount, e.start = startVertexLocation;
  RecordDraw(std::move(e));
}

void Device::DrawIndexedInstanced(UINT indexCountPerInstance, UINT instanceCount, UINT startIndexLocation,
                                  INT baseVertexLocation, UINT startInstanceLocation) {
  ++mRecord.stateCalls;
  if (!indexCountPerInstance || !instanceCount || !mIndexBuffer || !Drawable() ||
      !IndicesFit(mIndexBuffer, mIndexFormat, mIndexOffset, indexCountPerInstance, startIndexLocation,
                  &mIndexRangeReported))
    return;
  d3d10rec::Event e;
  e.indexed = true, e.instanced = true, e.count = indexCountPerInstance, e.instanceCount = instanceCount;
  e.start = startIndexLocation, e.baseVertex = baseVertexLocation, e.startInstance = startInstanceLocation;
  RecordDraw(std::move(e));
}

void Device::DrawInstanced(UINT vertexCountPerInstance, UINT instanceCount, UINT startVertexLocation,
                           UINT startInstanceLocation) {
  ++mRecord.stateCalls;
  if (!vertexCountPerInstance || !instanceCount || !Drawable()) return;
  d3d10rec::Event e;
  e.instanced = true, e.count = vertexCountPerInstance, e.instanceCount = instanceCount;
  e.start = startVertexLocation, e.startInstance = startInstanceLocation;
  RecordDraw(std::move(e));
}

void Device::ClearRenderTargetView(ID3D10RenderTargetView* view, const FLOAT colorRGBA[4]) {
  ++mRecord.stateCalls;
  if (!view || !colorRGBA) return;
  d3d10rec::Event e;
  e.kind = d3d10rec::EventKind::kClearRenderTarget;
  e.targets.push_back(static_cast<RenderTargetView*>(view)->Describe());
  std::copy_n(colorRGBA, 4, e.color);
  mRecord.events.push_back(std::move(e));
}

void Device::ClearDepthStencilView(ID3D10DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil) {
  ++mRecord.stateCalls;
  if (!view) return;
  d3d10rec::Event e;
  e.kind = d3d10rec::EventKind::kClearDepthStencil;
  e.depthTarget = static_cast<DepthStencilView*>(view)->Describe();
  e.clearFlags = clearFlags, e.clearDepth = depth, e.clearStencil = stencil;
  mRecord.events.push_back(std::move(e));
}

void Device::UpdateSubresource(ID3D10Resource* dst, UINT dstSubresource, const D3D10_BOX* dstBox, const void* srcData,
                               UINT srcRowPitch, UINT srcDepthPitch) {
  ++mRecord.stateCalls;
  CpuStorage* s = dst ? StorageOf(dst) : nullptr;
  if (!s || !srcData || dstSubresource >= s->SubresourceCount()) return;
  if (!dstBox) {
    Upload(*s, dstSubresource, srcData, srcRowPitch, srcDepthPitch);
  } else if (!s->format) {
    if (dstBox->right <= s->width && dstBox->left < dstBox->right)
      memcpy(s->bytes.data() + dstBox->left, srcData, dstBox->right - dstBox->left);
  } else if (!(s->format->flags & d3d10gl::kFmtCompressed)) {
    UINT mip = dstSubresource % s->mips;
    if (dstBox->right > s->MipWidth(mip) || dstBox->bottom > s->MipHeight(mip) || dstBox->back > s->MipDepth(mip) ||
        dstBox->left >= dstBox->right || dstBox->top >= dstBox->bottom || dstBox->front >= dstBox->back)
      return;
    UINT texel = s->format->bytes, row = s->RowPitch(mip), bytes = (dstBox->right - dstBox->left) * texel;
    uint8_t* base = s->bytes.data() + s->subresourceAt[dstSubresource];
    const uint8_t* in = static_cast<const uint8_t*>(srcData);
    for (UINT z = dstBox->front; z < dstBox->back; ++z)
      for (UINT y = dstBox->top; y < dstBox->bottom; ++y)
        memcpy(base + size_t(z) * s->SlicePitch(mip) + size_t(y) * row + size_t(dstBox->left) * texel,
               in + size_t(z - dstBox->front) * srcDepthPitch + size_t(y - dstBox->top) * srcRowPitch, bytes);
  }
  d3d10rec::Event e;
  e.kind = d3d10rec::EventKind::kUpdateSubresource;
  e.destination = dst;
  mRecord.events.push_back(std::move(e));
}

void Device::CopyResource(ID3D10Resource* dst, ID3D10Resource* src) {
  ++mRecord.stateCalls;
  CpuStorage* d = dst ? StorageOf(dst) : nullptr;
  CpuStorage* s = src ? StorageOf(src) : nullptr;
  if (!d || !s || d == s || d->bytes.size() != s->bytes.size() || d->format != s->format) {
    platform::Report(platform::kReportWarning, "CopyResource: the resources differ in kind, size or format; not copied");
    return;
  }
  d->bytes = s->bytes;
  d3d10rec::Event e;
  e.kind = d3d10rec::EventKind::kCopyResource;
  e.destination = dst, e.source = src;
  mRecord.events.push_back(std::move(e));
}

void Device::GenerateMips(ID3D10ShaderResourceView* view) {
  ++mRecord.stateCalls;
  auto* v = dynamic_cast<ShaderResourceView*>(view);
  if (!v) return;
  d3d10rec::Event e;
  e.kind = d3d10rec::EventKind::kGenerateMips;
  e.destination = v->mResource;
  mRecord.events.push_back(std::move(e));
}

// ---- Creation and the record ------------------------------------------------------------------

Device* RecordingDeviceOf(ID3D10Device* device) {
  return d3d10com::ImplementationOf<Device>(device, IID_DuskRecordingDevice);
}

HRESULT CreateDevice(ID3D10Device** device) {
  if (!device) return S_FALSE;
  *device = new Device();
  return S_OK;
}

}  // namespace d3d10null

namespace d3d10rec {

const RecordedVariable* Event::Variable(const std::string& name) const {
  for (const RecordedVariable& v : variables)
    if (v.name == name) return &v;
  return nullptr;
}

float Event::Float(const std::string& name) const {
  const RecordedVariable* v = Variable(name);
  return v && !v->floats.empty() ? v->floats[0] : NAN;
}

std::vector<const Event*> Record::Draws() const {
  std::vector<const Event*> draws;
  for (const Event& e : events)
    if (e.kind == EventKind::kDraw) draws.push_back(&e);
  return draws;
}

bool IsRecordingDevice(ID3D10Device* device) { return d3d10null::RecordingDeviceOf(device) != nullptr; }

const Record* RecordOf(ID3D10Device* device) {
  d3d10null::Device* d = d3d10null::RecordingDeviceOf(device);
  return d ? &d->mRecord : nullptr;
}

void ClearRecord(ID3D10Device* device) {
  if (d3d10null::Device* d = d3d10null::RecordingDeviceOf(device)) d->mRecord = Record();
}

}  // namespace d3d10rec
