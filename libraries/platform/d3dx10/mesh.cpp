// The mesh object behind ID3DX10Mesh: CPU copies of every buffer, the Set/Get calls, adjacency,
// Optimize (orders from mesh_optimize.cpp), the attribute table, and device buffers for drawing.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <platform/d3dx10mesh.h>
#include <platform/diagnostics.h>

#include "../d3d10/d3d10_p.h"
#include "mesh_p.h"

using d3dx10mesh::kNone;

namespace {

// Bytes of the vertex element formats an input layout can use; 0 for the others.
UINT VertexFormatBytes(DXGI_FORMAT format) {
  if (format >= DXGI_FORMAT_R32G32B32A32_TYPELESS && format <= DXGI_FORMAT_R32G32B32A32_SINT) return 16;
  if (format >= DXGI_FORMAT_R32G32B32_TYPELESS && format <= DXGI_FORMAT_R32G32B32_SINT) return 12;
  if (format >= DXGI_FORMAT_R16G16B16A16_TYPELESS && format <= DXGI_FORMAT_R32G32_SINT) return 8;
  if (format >= DXGI_FORMAT_R10G10B10A2_TYPELESS && format <= DXGI_FORMAT_R32_SINT) return 4;
  if (format >= DXGI_FORMAT_R8G8_TYPELESS && format <= DXGI_FORMAT_R16_SINT) return 2;
  if (format >= DXGI_FORMAT_R8_TYPELESS && format <= DXGI_FORMAT_A8_UNORM) return 1;
  if (format == DXGI_FORMAT_B8G8R8A8_UNORM || format == DXGI_FORMAT_B8G8R8X8_UNORM) return 4;
  return 0;
}

std::vector<uint32_t> ToUints(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> values(bytes.size() / 4);
  if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * 4);
  return values;
}

std::vector<uint8_t> ToBytes(const std::vector<uint32_t>& values) {
  std::vector<uint8_t> bytes(values.size() * 4);
  if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

class RemapBlob final : public ID3D10Blob {
 public:
  explicit RemapBlob(std::vector<uint32_t> values) : mValues(std::move(values)) {}
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return d3d10gl::AnswerQuery<ID3D10Blob>(this, riid, object, {&IID_IUnknown, &IID_ID3D10Blob});
  }
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override {
    ULONG left = --mRefs;
    if (left == 0) delete this;
    return left;
  }
  void* GetBufferPointer() override { return mValues.data(); }
  SIZE_T GetBufferSize() override { return mValues.size() * sizeof(uint32_t); }

 private:
  std::atomic<ULONG> mRefs{1};
  std::vector<uint32_t> mValues;
};

class MeshBuffer final : public ID3DX10MeshBuffer {
 public:
  MeshBuffer(IUnknown* owner, std::vector<uint8_t>* bytes) : mOwner(owner), mBytes(bytes) { mOwner->AddRef(); }
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return d3d10gl::AnswerQuery<ID3DX10MeshBuffer>(this, riid, object, {&IID_IUnknown, &IID_ID3DX10MeshBuffer});
  }
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override {
    ULONG left = --mRefs;
    if (left == 0) {
      mOwner->Release();
      delete this;
    }
    return left;
  }
  HRESULT Map(void** data, SIZE_T* size) override {
    if (!data) return E_INVALIDARG;
    *data = mBytes->data();
    if (size) *size = mBytes->size();
    return S_OK;
  }
  HRESULT Unmap() override { return S_OK; }
  SIZE_T GetSize() override { return mBytes->size(); }

 private:
  std::atomic<ULONG> mRefs{1};
  IUnknown* mOwner;
  std::vector<uint8_t>* mBytes;
};

class Mesh final : public ID3DX10Mesh {
 public:
  HRESULT Init(ID3D10Device* device, const D3D10_INPUT_ELEMENT_DESC* declaration, UINT declCount,
               LPCSTR positionSemantic, UINT vertexCount, UINT faceCount, UINT options) {
    if (!declaration || declCount == 0 || vertexCount == 0 || faceCount == 0) {
      platform::Report(platform::kReportWarning, "D3DX10CreateMesh: a mesh needs a vertex description, vertices and faces.");
      return E_INVALIDARG;
    }
    if (!(options & D3DX10_MESH_32_BIT) && vertexCount > 65536) {
      platform::Report(platform::kReportWarning, "D3DX10CreateMesh: %u vertices need 32-bit indices.", vertexCount);
      return E_INVALIDARG;
    }
    if (static_cast<uint64_t>(faceCount) * 3 > 0xFFFFFFFFull) return E_INVALIDARG;
    const std::string position = positionSemantic ? positionSemantic : "POSITION";
    mSemanticNames.reserve(declCount);
    std::vector<UINT> slotEnds(D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT, 0);
    bool foundPosition = false;
    for (UINT i = 0; i < declCount; ++i) {
      D3D10_INPUT_ELEMENT_DESC element = declaration[i];
      UINT bytes = VertexFormatBytes(element.Format);
      if (!element.SemanticName || bytes == 0 || element.InputSlot >= D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) {
        platform::Report(platform::kReportWarning, "D3DX10CreateMesh: vertex element %u cannot be used.", i);
        return E_INVALIDARG;
      }
      UINT& end = slotEnds[element.InputSlot];
      if (element.AlignedByteOffset == D3D10_APPEND_ALIGNED_ELEMENT) element.AlignedByteOffset = end;
      end = std::max(end, element.AlignedByteOffset + bytes);
      mSemanticNames.emplace_back(element.SemanticName);
      element.SemanticName = mSemanticNames.back().c_str();
      if (!foundPosition && mSemanticNames.back() == position && element.SemanticIndex == 0 &&
          (element.Format == DXGI_FORMAT_R32G32B32_FLOAT || element.Format == DXGI_FORMAT_R32G32B32A32_FLOAT)) {
        foundPosition = true;
        mPositionSlot = element.InputSlot;
        mPositionOffset = element.AlignedByteOffset;
      }
      mElements.push_back(element);
    }
    if (!foundPosition) {
      platform::Report(platform::kReportWarning, "D3DX10CreateMesh: no float3 element named \"%s\" for positions.",
                       position.c_str());
      return E_INVALIDARG;
    }
    mSlotCount = 0;
    for (UINT s = 0; s < slotEnds.size(); ++s)
      if (slotEnds[s] > 0) mSlotCount = s + 1;
    mStrides.assign(slotEnds.begin(), slotEnds.begin() + mSlotCount);
    mOffsets.assign(mSlotCount, 0);
    mDevice = device;
    if (mDevice) mDevice->AddRef();
    mFlags = options;
    mVertexCount = vertexCount;
    mFaceCount = faceCount;
    mVertexData.resize(mSlotCount);
    for (UINT s = 0; s < mSlotCount; ++s) mVertexData[s].assign(static_cast<size_t>(mStrides[s]) * vertexCount, 0);
    mIndexData.assign(static_cast<size_t>(faceCount) * 3 * IndexBytes(), 0);
    mAttributeData.assign(static_cast<size_t>(faceCount) * 4, 0);
    mDeviceVertexBuffers.assign(mSlotCount, nullptr);
    return S_OK;
  }

  ~Mesh() {
    ReleaseDeviceBuffers();
    if (mDevice) mDevice->Release();
  }

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return d3d10gl::AnswerQuery<ID3DX10Mesh>(this, riid, object, {&IID_IUnknown, &IID_ID3DX10Mesh});
  }
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override {
    ULONG left = --mRefs;
    if (left == 0) delete this;
    return left;
  }

  UINT GetFaceCount() override { return mFaceCount; }
  UINT GetVertexCount() override { return mVertexCount; }
  UINT GetVertexBufferCount() override { return mSlotCount; }
  UINT GetFlags() override { return mFlags; }
  HRESULT GetVertexDescription(const D3D10_INPUT_ELEMENT_DESC** description, UINT* declCount) override {
    if (description) *description = mElements.data();
    if (declCount) *declCount = static_cast<UINT>(mElements.size());
    return S_OK;
  }

  HRESULT SetVertexData(UINT buffer, const void* data) override {
    if (!data || buffer >= mSlotCount || mStrides[buffer] == 0) return E_INVALIDARG;
    std::memcpy(mVertexData[buffer].data(), data, mVertexData[buffer].size());
    return S_OK;
  }
  HRESULT GetVertexBuffer(UINT buffer, ID3DX10MeshBuffer** out) override {
    if (!out || buffer >= mSlotCount) return E_INVALIDARG;
    *out = new MeshBuffer(this, &mVertexData[buffer]);
    return S_OK;
  }

  HRESULT SetIndexData(const void* data, UINT indexCount) override {
    if (!data) return E_INVALIDARG;
    if (indexCount > mFaceCount * 3) {
      platform::Report(platform::kReportWarning, "ID3DX10Mesh::SetIndexData: %u indices for %u faces.", indexCount,
                       mFaceCount);
      return E_INVALIDARG;
    }
    for (UINT i = 0; i < indexCount; ++i) {
      if (IndexAt(data, i) >= mVertexCount) {
        platform::Report(platform::kReportWarning, "ID3DX10Mesh::SetIndexData: index %u is %u, beyond %u vertices.", i,
                         IndexAt(data, i), mVertexCount);
        return E_INVALIDARG;
      }
    }
    std::memcpy(mIndexData.data(), data, static_cast<size_t>(indexCount) * IndexBytes());
    return S_OK;
  }
  HRESULT GetIndexBuffer(ID3DX10MeshBuffer** out) override {
    if (!out) return E_INVALIDARG;
    *out = new MeshBuffer(this, &mIndexData);
    return S_OK;
  }

  HRESULT SetAttributeData(const UINT* data) override {
    if (!data) return E_INVALIDARG;
    std::memcpy(mAttributeData.data(), data, mAttributeData.size());
    return S_OK;
  }
  HRESULT GetAttributeBuffer(ID3DX10MeshBuffer** out) override {
    if (!out) return E_INVALIDARG;
    *out = new MeshBuffer(this, &mAttributeData);
    return S_OK;
  }

  HRESULT SetAttributeTable(const D3DX10_ATTRIBUTE_RANGE* table, UINT tableSize) override {
    if (!table && tableSize > 0) return E_INVALIDARG;
    for (UINT i = 0; i < tableSize; ++i)
      if (static_cast<uint64_t>(table[i].FaceStart) + table[i].FaceCount > mFaceCount) return E_INVALIDARG;
    mTable.assign(table, table + tableSize);
    return S_OK;
  }
  HRESULT GetAttributeTable(D3DX10_ATTRIBUTE_RANGE* table, UINT* tableSize) override {
    if (!tableSize) return E_INVALIDARG;
    if (!table) {
      *tableSize = static_cast<UINT>(mTable.size());
      return S_OK;
    }
    UINT count = std::min<UINT>(*tableSize, static_cast<UINT>(mTable.size()));
    std::copy(mTable.begin(), mTable.begin() + count, table);
    *tableSize = count;
    return S_OK;
  }

  HRESULT GenerateAdjacencyAndPointReps(FLOAT epsilon) override {
    std::vector<uint32_t> indices = Indices();
    if (!IndicesInRange(indices, "GenerateAdjacencyAndPointReps")) return E_FAIL;
    std::vector<float> positions(static_cast<size_t>(mVertexCount) * 3);
    const std::vector<uint8_t>& slot = mVertexData[mPositionSlot];
    for (UINT v = 0; v < mVertexCount; ++v)
      std::memcpy(&positions[3 * v], &slot[static_cast<size_t>(v) * mStrides[mPositionSlot] + mPositionOffset],
                  3 * sizeof(float));
    std::vector<uint32_t> reps = d3dx10mesh::ComputePointReps(positions, epsilon);
    mAdjacency = ToBytes(d3dx10mesh::ComputeAdjacency(indices, reps));
    mPointReps = ToBytes(reps);
    return S_OK;
  }
  HRESULT GetAdjacencyBuffer(ID3DX10MeshBuffer** out) override {
    if (!out) return E_INVALIDARG;
    if (mAdjacency.empty()) {
      *out = nullptr;
      return E_FAIL;
    }
    *out = new MeshBuffer(this, &mAdjacency);
    return S_OK;
  }
  HRESULT GetPointRepBuffer(ID3DX10MeshBuffer** out) override {
    if (!out) return E_INVALIDARG;
    if (mPointReps.empty()) {
      *out = nullptr;
      return E_FAIL;
    }
    *out = new MeshBuffer(this, &mPointReps);
    return S_OK;
  }

  HRESULT Optimize(UINT flags, UINT* faceRemap, LPD3D10BLOB* vertexRemap) override;
  HRESULT CommitToDevice() override;
  HRESULT DrawSubset(UINT attribId) override;

  HRESULT GetDeviceVertexBuffer(UINT buffer, ID3D10Buffer** out) override {
    if (!out || buffer >= mSlotCount) return E_INVALIDARG;
    *out = mDeviceVertexBuffers[buffer];
    if (!*out) return E_FAIL;
    (*out)->AddRef();
    return S_OK;
  }
  HRESULT GetDeviceIndexBuffer(ID3D10Buffer** out) override {
    if (!out) return E_INVALIDARG;
    *out = mDeviceIndexBuffer;
    if (!*out) return E_FAIL;
    (*out)->AddRef();
    return S_OK;
  }

 private:
  UINT IndexBytes() const { return (mFlags & D3DX10_MESH_32_BIT) ? 4 : 2; }
  uint32_t IndexAt(const void* data, size_t i) const {
    if (IndexBytes() == 4) {
      uint32_t v;
      std::memcpy(&v, static_cast<const uint8_t*>(data) + 4 * i, 4);
      return v;
    }
    uint16_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(data) + 2 * i, 2);
    return v;
  }
  std::vector<uint32_t> Indices() const {
    std::vector<uint32_t> indices(static_cast<size_t>(mFaceCount) * 3);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = IndexAt(mIndexData.data(), i);
    return indices;
  }
  void StoreIndices(const std::vector<uint32_t>& indices) {
    mIndexData.assign(indices.size() * IndexBytes(), 0);
    for (size_t i = 0; i < indices.size(); ++i) {
      if (IndexBytes() == 4) {
        std::memcpy(&mIndexData[4 * i], &indices[i], 4);
      } else {
        uint16_t v = static_cast<uint16_t>(indices[i]);
        std::memcpy(&mIndexData[2 * i], &v, 2);
      }
    }
  }
  // Index buffers can be written through Map: check before anything reads vertices by index.
  bool IndicesInRange(const std::vector<uint32_t>& indices, const char* call) const {
    for (uint32_t index : indices)
      if (index >= mVertexCount) {
        platform::Report(platform::kReportWarning, "ID3DX10Mesh::%s: index %u is beyond %u vertices.", call, index,
                         mVertexCount);
        return false;
      }
    return true;
  }
  // Vertex start and count of each range: the span of the vertices its faces use.
  void FillVertexSpans(const std::vector<uint32_t>& indices) {
    for (D3DX10_ATTRIBUTE_RANGE& range : mTable) {
      uint32_t low = kNone, high = 0;
      for (size_t i = 3 * static_cast<size_t>(range.FaceStart); i < 3 * static_cast<size_t>(range.FaceStart + range.FaceCount); ++i) {
        low = std::min(low, indices[i]);
        high = std::max(high, indices[i]);
      }
      range.VertexStart = range.FaceCount ? low : 0;
      range.VertexCount = range.FaceCount ? high - low + 1 : 0;
    }
  }
  void ReleaseDeviceBuffers() {
    for (ID3D10Buffer*& buffer : mDeviceVertexBuffers)
      if (buffer) {
        buffer->Release();
        buffer = nullptr;
      }
    if (mDeviceIndexBuffer) {
      mDeviceIndexBuffer->Release();
      mDeviceIndexBuffer = nullptr;
    }
  }

  std::atomic<ULONG> mRefs{1};
  ID3D10Device* mDevice = nullptr;
  std::vector<std::string> mSemanticNames;  // reserved up front: element names point into it
  std::vector<D3D10_INPUT_ELEMENT_DESC> mElements;
  UINT mSlotCount = 0;
  std::vector<UINT> mStrides, mOffsets;
  UINT mPositionSlot = 0, mPositionOffset = 0;
  UINT mFlags = 0, mVertexCount = 0, mFaceCount = 0;
  std::vector<std::vector<uint8_t>> mVertexData;
  std::vector<uint8_t> mIndexData, mAttributeData, mAdjacency, mPointReps;
  std::vector<D3DX10_ATTRIBUTE_RANGE> mTable;
  // Device side: buffers from the last commit, and the ranges drawn when no table is set.
  std::vector<ID3D10Buffer*> mDeviceVertexBuffers;
  ID3D10Buffer* mDeviceIndexBuffer = nullptr;
  std::vector<D3DX10_ATTRIBUTE_RANGE> mAttributeRuns;
};

HRESULT Mesh::Optimize(UINT flags, UINT* faceRemap, LPD3D10BLOB* vertexRemap) {
  if (vertexRemap) *vertexRemap = nullptr;
  std::vector<uint32_t> indices = Indices();
  if (!IndicesInRange(indices, "Optimize")) return E_FAIL;
  const std::vector<uint32_t> attributes = ToUints(mAttributeData);
  const bool vertexCache = flags & (D3DX10_MESHOPT_VERTEX_CACHE | D3DX10_MESHOPT_STRIP_REORDER);
  const bool attributeSort = vertexCache || (flags & D3DX10_MESHOPT_ATTR_SORT);
  d3dx10mesh::Order order = d3dx10mesh::ComputeOrder(indices, attributes, mVertexCount, attributeSort, vertexCache,
                                                     flags & D3DX10_MESHOPT_COMPACT,
                                                     flags & D3DX10_MESHOPT_IGNORE_VERTS);
  const UINT newVertexCount = static_cast<UINT>(order.vertexOldIndex.size());

  for (UINT s = 0; s < mSlotCount; ++s) {
    const size_t stride = mStrides[s];
    std::vector<uint8_t> data(stride * newVertexCount);
    for (UINT v = 0; v < newVertexCount; ++v)
      std::memcpy(&data[v * stride], &mVertexData[s][order.vertexOldIndex[v] * stride], stride);
    mVertexData[s] = std::move(data);
  }
  std::vector<uint32_t> newIndices(indices.size()), newAttributes(mFaceCount);
  std::vector<uint32_t> faceNewIndex(mFaceCount);
  for (UINT f = 0; f < mFaceCount; ++f) {
    const uint32_t old = order.faceOldIndex[f];
    faceNewIndex[old] = f;
    newAttributes[f] = attributes[old];
    for (int k = 0; k < 3; ++k) newIndices[3 * f + k] = order.vertexNewIndex[indices[3 * old + k]];
  }
  if (!mAdjacency.empty()) {
    std::vector<uint32_t> adjacency = ToUints(mAdjacency), moved(adjacency.size(), kNone);
    for (UINT f = 0; f < mFaceCount; ++f)
      for (int k = 0; k < 3; ++k) {
        uint32_t neighbour = adjacency[3 * order.faceOldIndex[f] + k];
        moved[3 * f + k] = neighbour < mFaceCount ? faceNewIndex[neighbour] : kNone;
      }
    mAdjacency = ToBytes(moved);
  }
  if (!mPointReps.empty()) {
    // A representative may have been dropped: each group takes its lowest surviving member.
    std::vector<uint32_t> reps = ToUints(mPointReps), groupRep(mVertexCount, kNone), moved(newVertexCount);
    for (UINT v = 0; v < newVertexCount; ++v) {
      uint32_t group = reps[order.vertexOldIndex[v]];
      if (group >= mVertexCount) group = order.vertexOldIndex[v];
      groupRep[group] = std::min(groupRep[group], v);
    }
    for (UINT v = 0; v < newVertexCount; ++v) {
      uint32_t group = reps[order.vertexOldIndex[v]];
      if (group >= mVertexCount) group = order.vertexOldIndex[v];
      moved[v] = groupRep[group];
    }
    mPointReps = ToBytes(moved);
  }
  mVertexCount = newVertexCount;
  StoreIndices(newIndices);
  mAttributeData = ToBytes(newAttributes);

  if (attributeSort) {
    mTable.clear();
    for (UINT f = 0; f < mFaceCount; ++f) {
      if (mTable.empty() || mTable.back().AttribId != newAttributes[f])
        mTable.push_back(D3DX10_ATTRIBUTE_RANGE{newAttributes[f], f, 0, 0, 0});
      ++mTable.back().FaceCount;
    }
  }
  FillVertexSpans(newIndices);

  if (faceRemap) std::copy(order.faceOldIndex.begin(), order.faceOldIndex.end(), faceRemap);
  if (vertexRemap) *vertexRemap = new RemapBlob(std::move(order.vertexOldIndex));
  ReleaseDeviceBuffers();  // the device copy is stale until the next commit
  return S_OK;
}

HRESULT Mesh::CommitToDevice() {
  d3d10gl::GlCall glCall("ID3DX10Mesh::CommitToDevice");
  if (!mDevice) {
    platform::Report(platform::kReportWarning, "ID3DX10Mesh::CommitToDevice: the mesh was created without a device.");
    return E_FAIL;
  }
  std::vector<uint32_t> indices = Indices();
  if (!IndicesInRange(indices, "CommitToDevice")) return E_FAIL;
  ReleaseDeviceBuffers();
  for (UINT s = 0; s < mSlotCount; ++s) {
    if (mVertexData[s].empty()) continue;
    D3D10_BUFFER_DESC desc = {static_cast<UINT>(mVertexData[s].size()), D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, 0};
    D3D10_SUBRESOURCE_DATA data = {mVertexData[s].data(), 0, 0};
    if (FAILED(mDevice->CreateBuffer(&desc, &data, &mDeviceVertexBuffers[s]))) {
      ReleaseDeviceBuffers();
      return E_FAIL;
    }
  }
  D3D10_BUFFER_DESC desc = {static_cast<UINT>(mIndexData.size()), D3D10_USAGE_DEFAULT, D3D10_BIND_INDEX_BUFFER, 0, 0};
  D3D10_SUBRESOURCE_DATA data = {mIndexData.data(), 0, 0};
  if (FAILED(mDevice->CreateBuffer(&desc, &data, &mDeviceIndexBuffer))) {
    ReleaseDeviceBuffers();
    return E_FAIL;
  }
  // Without an attribute table a subset is every run of faces with its attribute id.
  std::vector<uint32_t> attributes = ToUints(mAttributeData);
  mAttributeRuns.clear();
  for (UINT f = 0; f < mFaceCount; ++f) {
    if (mAttributeRuns.empty() || mAttributeRuns.back().AttribId != attributes[f])
      mAttributeRuns.push_back(D3DX10_ATTRIBUTE_RANGE{attributes[f], f, 0, 0, 0});
    ++mAttributeRuns.back().FaceCount;
  }
  return S_OK;
}

HRESULT Mesh::DrawSubset(UINT attribId) {
  d3d10gl::GlCall glCall("ID3DX10Mesh::DrawSubset");
  if (!mDeviceIndexBuffer) return E_FAIL;
  mDevice->IASetVertexBuffers(0, mSlotCount, mDeviceVertexBuffers.data(), mStrides.data(), mOffsets.data());
  mDevice->IASetIndexBuffer(mDeviceIndexBuffer, IndexBytes() == 4 ? DXGI_FORMAT_R32_UINT : DXGI_FORMAT_R16_UINT, 0);
  mDevice->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const std::vector<D3DX10_ATTRIBUTE_RANGE>& ranges = mTable.empty() ? mAttributeRuns : mTable;
  for (const D3DX10_ATTRIBUTE_RANGE& range : ranges)
    if (range.AttribId == attribId && range.FaceCount > 0)
      mDevice->DrawIndexed(range.FaceCount * 3, range.FaceStart * 3, 0);
  return S_OK;
}

}  // namespace

HRESULT D3DX10CreateMesh(ID3D10Device* device, const D3D10_INPUT_ELEMENT_DESC* declaration, UINT declCount,
                         LPCSTR positionSemantic, UINT vertexCount, UINT faceCount, UINT options, ID3DX10Mesh** mesh) {
  if (!mesh) return E_INVALIDARG;
  *mesh = nullptr;
  Mesh* created = new Mesh;
  HRESULT result = E_OUTOFMEMORY;
  try {
    result = created->Init(device, declaration, declCount, positionSemantic, vertexCount, faceCount, options);
  } catch (const std::bad_alloc&) {
    platform::Report(platform::kReportWarning, "D3DX10CreateMesh: no memory for %u vertices and %u faces.",
                     vertexCount, faceCount);
  }
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *mesh = created;
  return S_OK;
}
