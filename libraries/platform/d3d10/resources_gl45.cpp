// Buffers and 2D/3D textures on GL immutable storage; staging resources live on the CPU and meet
// the GPU through CopyResource; UpdateSubresource and initial data upload rows as given (row 0 is
// the top row, which is also GL's first row, so nothing is flipped).
#include "device_p.h"

#include <platform/d3d10_offline.h>
#include <platform/diagnostics.h>

#include <algorithm>
#include <cstring>

namespace d3d10gl {
namespace {

UINT FullMipCount(UINT w, UINT h, UINT d) {
  UINT largest = std::max(w, std::max(h, d));
  UINT mips = 1;
  while (largest > 1) {
    largest >>= 1;
    ++mips;
  }
  return mips;
}

void LayOutCpu(TextureStorage& s) {
  s.subresourceAt.clear();
  size_t at = 0;
  for (UINT layer = 0; layer < s.layers; ++layer) {
    for (UINT mip = 0; mip < s.mips; ++mip) {
      s.subresourceAt.push_back(at);
      at += size_t(PackedRowPitch(*s.format, s.MipWidth(mip))) * PackedRowCount(*s.format, s.MipHeight(mip)) *
            s.MipDepth(mip);
    }
  }
  s.cpu.assign(at, 0);
}

size_t SubresourceBytes(const TextureStorage& s, UINT mip) {
  return size_t(PackedRowPitch(*s.format, s.MipWidth(mip))) * PackedRowCount(*s.format, s.MipHeight(mip)) *
         s.MipDepth(mip);
}

void ApplySwizzle(const TextureStorage& s) {
  if (s.format->flags & kFmtAlphaOnly) {
    const GLint swizzle[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
    glTextureParameteriv(s.name, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  } else if (s.format->flags & kFmtOpaque) {
    const GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ONE};
    glTextureParameteriv(s.name, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  }
}

bool AllocateGl(TextureStorage& s) {
  glCreateTextures(s.target, 1, &s.name);
  if (!s.name) return false;
  CountGlObjects(kGlTexture, 1);
  GlProbe probe;  // storage GL cannot give fails the creation
  GLenum internal = s.format->internalFormat;
  switch (s.target) {
    case GL_TEXTURE_2D:
    case GL_TEXTURE_CUBE_MAP: glTextureStorage2D(s.name, s.mips, internal, s.width, s.height); break;
    case GL_TEXTURE_2D_ARRAY:
    case GL_TEXTURE_CUBE_MAP_ARRAY: glTextureStorage3D(s.name, s.mips, internal, s.width, s.height, s.layers); break;
    case GL_TEXTURE_3D: glTextureStorage3D(s.name, s.mips, internal, s.width, s.height, s.depth); break;
    default: return false;
  }
  glTextureParameteri(s.name, GL_TEXTURE_MAX_LEVEL, s.mips - 1);
  ApplySwizzle(s);
  return glGetError() == GL_NO_ERROR;
}

// Uploads one subresource (or the box of it) from rows of the given pitches.
void Upload(const TextureStorage& s, UINT mip, UINT layer, const D3D10_BOX* box, const void* data, UINT rowPitch,
            UINT depthPitch) {
  const FormatInfo& f = *s.format;
  UINT x = 0, y = 0, z = 0, w = s.MipWidth(mip), h = s.MipHeight(mip), d = s.MipDepth(mip);
  if (box) {
    if (box->right <= box->left || box->bottom <= box->top || box->back <= box->front) return;
    x = box->left;
    y = box->top;
    z = box->front;
    w = std::min(box->right, s.MipWidth(mip)) - std::min(x, s.MipWidth(mip));
    h = std::min(box->bottom, s.MipHeight(mip)) - std::min(y, s.MipHeight(mip));
    d = std::min(box->back, s.MipDepth(mip)) - std::min(z, s.MipDepth(mip));
    if (!w || !h || !d) return;
  }
  if (s.target != GL_TEXTURE_3D) {
    z = layer;
    d = 1;
  }
  UINT packedPitch = PackedRowPitch(f, w);
  UINT rows = PackedRowCount(f, h);
  if (rowPitch == 0) rowPitch = packedPitch;
  if (depthPitch == 0) depthPitch = rowPitch * rows;
  // Rows shorter than the texels they must hold would have GL read past the caller's data.
  if (rowPitch < packedPitch || (d > 1 && depthPitch < rowPitch * rows)) {
    platform::Report(platform::kReportWarning, "texture upload refused: row pitch %u is below the %u bytes of a row",
                     rowPitch, packedPitch);
    return;
  }

  // Rows that GL cannot walk with its unpack lengths are packed tightly first.
  std::vector<uint8_t> packed;
  const uint8_t* src = static_cast<const uint8_t*>(data);
  bool direct = (f.flags & kFmtCompressed) ? (rowPitch == packedPitch && depthPitch == packedPitch * rows)
                                           : (rowPitch % f.bytes == 0 && depthPitch % rowPitch == 0);
  if (!direct) {
    packed.resize(size_t(packedPitch) * rows * d);
    for (UINT k = 0; k < d; ++k)
      for (UINT r = 0; r < rows; ++r)
        memcpy(&packed[(size_t(k) * rows + r) * packedPitch], src + size_t(k) * depthPitch + size_t(r) * rowPitch,
               packedPitch);
    src = packed.data();
    rowPitch = packedPitch;
    depthPitch = packedPitch * rows;
  }

  bool flat = s.target == GL_TEXTURE_2D;
  if (f.flags & kFmtCompressed) {
    GLsizei size = GLsizei(size_t(packedPitch) * rows * d);
    if (flat)
      glCompressedTextureSubImage2D(s.name, mip, x, y, w, h, f.internalFormat, size, src);
    else
      glCompressedTextureSubImage3D(s.name, mip, x, y, z, w, h, d, f.internalFormat, size, src);
    return;
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, rowPitch / f.bytes);
  glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, depthPitch / rowPitch);
  if (flat)
    glTextureSubImage2D(s.name, mip, x, y, w, h, f.format, f.type, src);
  else
    glTextureSubImage3D(s.name, mip, x, y, z, w, h, d, f.format, f.type, src);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
}

void UploadInitial(TextureStorage& s, const D3D10_SUBRESOURCE_DATA* data) {
  if (!data) return;
  for (UINT layer = 0; layer < s.layers; ++layer) {
    for (UINT mip = 0; mip < s.mips; ++mip) {
      const D3D10_SUBRESOURCE_DATA& d = data[layer * s.mips + mip];
      if (!d.pSysMem) continue;
      if (s.name) Upload(s, mip, layer, nullptr, d.pSysMem, d.SysMemPitch, d.SysMemSlicePitch);
      if (!s.cpu.empty()) {
        // Keep the CPU copy of staging and dynamic textures in step, tightly packed.
        const FormatInfo& f = *s.format;
        UINT pitch = PackedRowPitch(f, s.MipWidth(mip)), rows = PackedRowCount(f, s.MipHeight(mip));
        UINT rowPitch = d.SysMemPitch ? d.SysMemPitch : pitch;
        UINT slicePitch = d.SysMemSlicePitch ? d.SysMemSlicePitch : rowPitch * rows;
        if (rowPitch < pitch || (s.MipDepth(mip) > 1 && slicePitch < rowPitch * rows)) continue;
        uint8_t* dst = s.cpu.data() + s.subresourceAt[layer * s.mips + mip];
        for (UINT k = 0; k < s.MipDepth(mip); ++k)
          for (UINT r = 0; r < rows; ++r)
            memcpy(dst + (size_t(k) * rows + r) * pitch,
                   static_cast<const uint8_t*>(d.pSysMem) + size_t(k) * slicePitch + size_t(r) * rowPitch, pitch);
      }
    }
  }
}

// Reads one whole subresource of a GPU texture into tightly packed bytes.
void Download(const TextureStorage& s, UINT mip, UINT layer, uint8_t* dst) {
  const FormatInfo& f = *s.format;
  GLsizei size = GLsizei(SubresourceBytes(s, mip));
  bool is3d = s.target == GL_TEXTURE_3D;
  UINT z = is3d ? 0 : layer, d = is3d ? s.MipDepth(mip) : 1;
  if (f.flags & kFmtCompressed)
    glGetCompressedTextureSubImage(s.name, mip, 0, 0, z, s.MipWidth(mip), s.MipHeight(mip), d, size, dst);
  else
    glGetTextureSubImage(s.name, mip, 0, 0, z, s.MipWidth(mip), s.MipHeight(mip), d, f.format, f.type, size, dst);
}

bool InitStorage(TextureStorage& s, const D3D10_SUBRESOURCE_DATA* data) {
  s.serial = NextSerial();
  if (s.usage == D3D10_USAGE_STAGING) {
    LayOutCpu(s);
  } else {
    if (!AllocateGl(s)) return false;
    if (s.usage == D3D10_USAGE_DYNAMIC) LayOutCpu(s);
  }
  UploadInitial(s, data);
  return true;
}

HRESULT MapStorage(TextureStorage& s, UINT subresource, D3D10_MAP type, void** data, UINT* rowPitch,
                   UINT* depthPitch) {
  if (s.mapped >= 0 || subresource >= s.SubresourceCount()) return E_INVALIDARG;
  if (s.usage == D3D10_USAGE_DYNAMIC && type != D3D10_MAP_WRITE_DISCARD) return E_INVALIDARG;
  if (s.usage != D3D10_USAGE_DYNAMIC && s.usage != D3D10_USAGE_STAGING) return E_INVALIDARG;
  UINT mip = subresource % s.mips;
  s.mapped = int(subresource);
  s.mapType = type;
  *data = s.cpu.data() + s.subresourceAt[subresource];
  *rowPitch = PackedRowPitch(*s.format, s.MipWidth(mip));
  if (depthPitch) *depthPitch = *rowPitch * PackedRowCount(*s.format, s.MipHeight(mip));
  return S_OK;
}

void UnmapStorage(TextureStorage& s, UINT subresource) {
  if (s.mapped != int(subresource)) return;
  s.mapped = -1;
  if (s.usage == D3D10_USAGE_DYNAMIC && s.name) {
    UINT mip = subresource % s.mips, layer = subresource / s.mips;
    Upload(s, mip, layer, nullptr, s.cpu.data() + s.subresourceAt[subresource], 0, 0);
  }
}

bool SameShape(const TextureStorage& a, const TextureStorage& b) {
  return a.width == b.width && a.height == b.height && a.depth == b.depth && a.layers == b.layers &&
         a.mips == b.mips && a.format->internalFormat == b.format->internalFormat;
}

}  // namespace

// ---- Buffer ----------------------------------------------------------------------------------

HRESULT Buffer::Create(Device* device, const D3D10_BUFFER_DESC& desc, const D3D10_SUBRESOURCE_DATA* data,
                       Buffer** out) {
  if (desc.ByteWidth == 0) return E_INVALIDARG;
  if (desc.Usage == D3D10_USAGE_IMMUTABLE && (!data || !data->pSysMem)) return E_INVALIDARG;
  Buffer* buffer = new Buffer(device);
  buffer->mDesc = desc;
  buffer->mSerial = NextSerial();
  const void* bytes = data ? data->pSysMem : nullptr;
  if (desc.Usage == D3D10_USAGE_STAGING) {
    buffer->mCpu.assign(desc.ByteWidth, 0);
    if (bytes) memcpy(buffer->mCpu.data(), bytes, desc.ByteWidth);
  } else {
    GLbitfield flags = 0;
    if (desc.Usage != D3D10_USAGE_IMMUTABLE) flags |= GL_DYNAMIC_STORAGE_BIT;
    if (desc.Usage == D3D10_USAGE_DYNAMIC) flags |= GL_MAP_WRITE_BIT;
    glCreateBuffers(1, &buffer->mName);
    if (buffer->mName) CountGlObjects(kGlBuffer, 1);
    GlProbe probe;  // storage GL cannot give fails the creation
    glNamedBufferStorage(buffer->mName, desc.ByteWidth, bytes, flags);
    if (!buffer->mName || glGetError() != GL_NO_ERROR) {
      buffer->Release();
      return E_OUTOFMEMORY;
    }
  }
  *out = buffer;
  return S_OK;
}

Buffer::~Buffer() {
  mDevice->MakeCurrent();
  mDevice->ForgetBuffer(this);
  if (mName) {
    if (mMapped) glUnmapNamedBuffer(mName);
    glDeleteBuffers(1, &mName);
    CountGlObjects(kGlBuffer, -1);
  }
}

HRESULT Buffer::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10Buffer>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10Resource, &IID_ID3D10Buffer});
}

void Buffer::GetType(D3D10_RESOURCE_DIMENSION* dimension) {
  if (dimension) *dimension = D3D10_RESOURCE_DIMENSION_BUFFER;
}

HRESULT Buffer::Map(D3D10_MAP mapType, UINT, void** data) {
  GlCall glCall("ID3D10Buffer::Map");
  if (!data || mMapped) return E_INVALIDARG;
  if (mDesc.Usage == D3D10_USAGE_STAGING) {
    *data = mCpu.data();
  } else if (mDesc.Usage == D3D10_USAGE_DYNAMIC &&
             (mapType == D3D10_MAP_WRITE_DISCARD || mapType == D3D10_MAP_WRITE_NO_OVERWRITE)) {
    mDevice->MakeCurrent();
    GLbitfield access = GL_MAP_WRITE_BIT |
                        (mapType == D3D10_MAP_WRITE_DISCARD ? GL_MAP_INVALIDATE_BUFFER_BIT : GL_MAP_UNSYNCHRONIZED_BIT);
    *data = glMapNamedBufferRange(mName, 0, mDesc.ByteWidth, access);
    if (!*data) return E_FAIL;
  } else {
    *data = nullptr;
    return E_INVALIDARG;
  }
  mMapped = true;
  return S_OK;
}

void Buffer::Unmap() {
  GlCall glCall("ID3D10Buffer::Unmap");
  if (!mMapped) return;
  mMapped = false;
  if (mName) {
    mDevice->MakeCurrent();
    glUnmapNamedBuffer(mName);
  }
}

void Buffer::GetDesc(D3D10_BUFFER_DESC* desc) {
  if (desc) *desc = mDesc;
}

// ---- Textures --------------------------------------------------------------------------------

namespace {
// What creating a 2D and a 3D texture share once the description has been checked: the storage's
// shape, the mip count (all of them when the description asks for 0, never more than the size
// allows), and the GL texture with its first contents. Takes ownership of `texture`.
template <class TextureT, class DescT>
HRESULT FinishTexture(TextureT* texture, const DescT& desc, const FormatInfo* format, UINT depth, UINT layers,
                      GLenum target, const D3D10_SUBRESOURCE_DATA* data, TextureT** out) {
  texture->mDesc = desc;
  TextureStorage& s = texture->mStorage;
  s.format = format;
  s.dxgiFormat = desc.Format;
  s.width = desc.Width;
  s.height = desc.Height;
  s.depth = depth;
  s.layers = layers;
  const UINT full = FullMipCount(desc.Width, desc.Height, depth);
  s.mips = desc.MipLevels ? std::min(desc.MipLevels, full) : full;
  texture->mDesc.MipLevels = s.mips;
  s.usage = desc.Usage;
  s.bindFlags = desc.BindFlags;
  s.target = target;
  if (!InitStorage(s, data)) {
    texture->Release();
    return E_OUTOFMEMORY;
  }
  *out = texture;
  return S_OK;
}

void DeleteStorage(Device* device, TextureStorage& s) {
  if (!s.name) return;
  device->MakeCurrent();
  device->ForgetTexture(s.name);
  glDeleteTextures(1, &s.name);
  CountGlObjects(kGlTexture, -1);
}
}  // namespace

HRESULT Texture2D::Create(Device* device, const D3D10_TEXTURE2D_DESC& desc, const D3D10_SUBRESOURCE_DATA* data,
                          Texture2D** out) {
  const FormatInfo* format = FindFormat(desc.Format, desc.BindFlags);
  if (!format || desc.Width == 0 || desc.Height == 0 || desc.ArraySize == 0) return E_INVALIDARG;
  if (desc.SampleDesc.Count > 1) {
    platform::Report(platform::kReportWarning, "CreateTexture2D: multisampled textures are not supported");
    return E_INVALIDARG;
  }
  bool cube = (desc.MiscFlags & D3D10_RESOURCE_MISC_TEXTURECUBE) != 0;
  if (cube && (desc.ArraySize % 6 != 0 || desc.Width != desc.Height)) return E_INVALIDARG;
  const GLenum target = cube ? (desc.ArraySize == 6 ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_CUBE_MAP_ARRAY)
                             : (desc.ArraySize == 1 ? GL_TEXTURE_2D : GL_TEXTURE_2D_ARRAY);
  return FinishTexture(new Texture2D(device), desc, format, 1, desc.ArraySize, target, data, out);
}

Texture2D::~Texture2D() { DeleteStorage(mDevice, mStorage); }

HRESULT Texture2D::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10Texture2D>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10Resource, &IID_ID3D10Texture2D});
}

void Texture2D::GetType(D3D10_RESOURCE_DIMENSION* dimension) {
  if (dimension) *dimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
}

HRESULT Texture2D::Map(UINT subresource, D3D10_MAP mapType, UINT, D3D10_MAPPED_TEXTURE2D* mapped) {
  GlCall glCall("ID3D10Texture2D::Map");
  if (!mapped) return E_INVALIDARG;
  mDevice->MakeCurrent();
  return MapStorage(mStorage, subresource, mapType, &mapped->pData, &mapped->RowPitch, nullptr);
}

void Texture2D::Unmap(UINT subresource) {
  GlCall glCall("ID3D10Texture2D::Unmap");
  mDevice->MakeCurrent();
  UnmapStorage(mStorage, subresource);
}

void Texture2D::GetDesc(D3D10_TEXTURE2D_DESC* desc) {
  if (desc) *desc = mDesc;
}

HRESULT Texture3D::Create(Device* device, const D3D10_TEXTURE3D_DESC& desc, const D3D10_SUBRESOURCE_DATA* data,
                          Texture3D** out) {
  const FormatInfo* format = FindFormat(desc.Format, desc.BindFlags);
  if (!format || desc.Width == 0 || desc.Height == 0 || desc.Depth == 0) return E_INVALIDARG;
  if (format->flags & kFmtDepth) return E_INVALIDARG;  // no 3D depth buffers, as on the platform
  return FinishTexture(new Texture3D(device), desc, format, desc.Depth, 1, GL_TEXTURE_3D, data, out);
}

Texture3D::~Texture3D() { DeleteStorage(mDevice, mStorage); }

HRESULT Texture3D::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10Texture3D>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10Resource, &IID_ID3D10Texture3D});
}

void Texture3D::GetType(D3D10_RESOURCE_DIMENSION* dimension) {
  if (dimension) *dimension = D3D10_RESOURCE_DIMENSION_TEXTURE3D;
}

HRESULT Texture3D::Map(UINT subresource, D3D10_MAP mapType, UINT, D3D10_MAPPED_TEXTURE3D* mapped) {
  GlCall glCall("ID3D10Texture3D::Map");
  if (!mapped) return E_INVALIDARG;
  mDevice->MakeCurrent();
  return MapStorage(mStorage, subresource, mapType, &mapped->pData, &mapped->RowPitch, &mapped->DepthPitch);
}

void Texture3D::Unmap(UINT subresource) {
  GlCall glCall("ID3D10Texture3D::Unmap");
  mDevice->MakeCurrent();
  UnmapStorage(mStorage, subresource);
}

void Texture3D::GetDesc(D3D10_TEXTURE3D_DESC* desc) {
  if (desc) *desc = mDesc;
}

TextureStorage* StorageOf(ID3D10Resource* resource) {
  if (!resource) return nullptr;
  D3D10_RESOURCE_DIMENSION dimension = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  resource->GetType(&dimension);
  if (dimension == D3D10_RESOURCE_DIMENSION_TEXTURE2D) return &static_cast<Texture2D*>(resource)->mStorage;
  if (dimension == D3D10_RESOURCE_DIMENSION_TEXTURE3D) return &static_cast<Texture3D*>(resource)->mStorage;
  return nullptr;
}

// ---- Device: creation and copies ------------------------------------------------------------

HRESULT Device::CreateBuffer(const D3D10_BUFFER_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                             ID3D10Buffer** buffer) {
  GlCall glCall("ID3D10Device::CreateBuffer");
  if (!desc) return E_INVALIDARG;
  if (!buffer) return S_FALSE;  // the platform's way of validating a description
  *buffer = nullptr;
  MakeCurrent();
  Buffer* created = nullptr;
  HRESULT hr = Buffer::Create(this, *desc, initialData, &created);
  if (SUCCEEDED(hr)) *buffer = created;
  return hr;
}

HRESULT Device::CreateTexture2D(const D3D10_TEXTURE2D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                                ID3D10Texture2D** texture) {
  GlCall glCall("ID3D10Device::CreateTexture2D");
  if (!desc) return E_INVALIDARG;
  if (!texture) return S_FALSE;
  *texture = nullptr;
  MakeCurrent();
  Texture2D* created = nullptr;
  HRESULT hr = Texture2D::Create(this, *desc, initialData, &created);
  if (SUCCEEDED(hr)) *texture = created;
  return hr;
}

HRESULT Device::CreateTexture3D(const D3D10_TEXTURE3D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                                ID3D10Texture3D** texture) {
  GlCall glCall("ID3D10Device::CreateTexture3D");
  if (!desc) return E_INVALIDARG;
  if (!texture) return S_FALSE;
  *texture = nullptr;
  MakeCurrent();
  Texture3D* created = nullptr;
  HRESULT hr = Texture3D::Create(this, *desc, initialData, &created);
  if (SUCCEEDED(hr)) *texture = created;
  return hr;
}

void Device::UpdateSubresource(ID3D10Resource* dst, UINT dstSubresource, const D3D10_BOX* dstBox,
                               const void* srcData, UINT srcRowPitch, UINT srcDepthPitch) {
  GlCall glCall("ID3D10Device::UpdateSubresource");
  if (!dst || !srcData) return;
  MakeCurrent();
  D3D10_RESOURCE_DIMENSION dimension = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  dst->GetType(&dimension);
  if (dimension == D3D10_RESOURCE_DIMENSION_BUFFER) {
    Buffer* buffer = static_cast<Buffer*>(dst);
    if (buffer->mDesc.Usage == D3D10_USAGE_IMMUTABLE || dstSubresource != 0) return;
    UINT begin = dstBox ? std::min(dstBox->left, buffer->mDesc.ByteWidth) : 0;
    UINT end = dstBox ? std::min(dstBox->right, buffer->mDesc.ByteWidth) : buffer->mDesc.ByteWidth;
    if (end <= begin) return;
    if (buffer->mName)
      glNamedBufferSubData(buffer->mName, begin, end - begin, srcData);
    else
      memcpy(buffer->mCpu.data() + begin, srcData, end - begin);
    return;
  }
  TextureStorage* s = StorageOf(dst);
  if (!s || dstSubresource >= s->SubresourceCount() || s->usage == D3D10_USAGE_IMMUTABLE) return;
  UINT mip = dstSubresource % s->mips, layer = dstSubresource / s->mips;
  if (s->name) Upload(*s, mip, layer, dstBox, srcData, srcRowPitch, srcDepthPitch);
  if (!s->cpu.empty() && !dstBox) {
    const FormatInfo& f = *s->format;
    UINT pitch = PackedRowPitch(f, s->MipWidth(mip)), rows = PackedRowCount(f, s->MipHeight(mip));
    UINT rowPitch = srcRowPitch ? srcRowPitch : pitch;
    UINT slicePitch = srcDepthPitch ? srcDepthPitch : rowPitch * rows;
    if (rowPitch < pitch || (s->MipDepth(mip) > 1 && slicePitch < rowPitch * rows)) return;
    uint8_t* out = s->cpu.data() + s->subresourceAt[dstSubresource];
    for (UINT k = 0; k < s->MipDepth(mip); ++k)
      for (UINT r = 0; r < rows; ++r)
        memcpy(out + (size_t(k) * rows + r) * pitch,
               static_cast<const uint8_t*>(srcData) + size_t(k) * slicePitch + size_t(r) * rowPitch, pitch);
  }
}

void Device::CopyResource(ID3D10Resource* dst, ID3D10Resource* src) {
  GlCall glCall("ID3D10Device::CopyResource");
  // Never dropped with the frames nobody sees: a copy is data the program goes on to use, often
  // on the CPU (a staging texture mapped to read a picture's texels or a captured frame).
  if (!dst || !src || dst == src) return;
  MakeCurrent();
  D3D10_RESOURCE_DIMENSION dd = D3D10_RESOURCE_DIMENSION_UNKNOWN, sd = D3D10_RESOURCE_DIMENSION_UNKNOWN;
  dst->GetType(&dd);
  src->GetType(&sd);
  if (dd != sd) return;
  if (dd == D3D10_RESOURCE_DIMENSION_BUFFER) {
    Buffer* d = static_cast<Buffer*>(dst);
    Buffer* s = static_cast<Buffer*>(src);
    if (d->mDesc.ByteWidth != s->mDesc.ByteWidth) return;
    GLsizeiptr n = d->mDesc.ByteWidth;
    if (d->mName && s->mName)
      glCopyNamedBufferSubData(s->mName, d->mName, 0, 0, n);
    else if (s->mName)
      glGetNamedBufferSubData(s->mName, 0, n, d->mCpu.data());
    else if (d->mName)
      glNamedBufferSubData(d->mName, 0, n, s->mCpu.data());
    else
      memcpy(d->mCpu.data(), s->mCpu.data(), n);
    return;
  }
  TextureStorage* d = StorageOf(dst);
  TextureStorage* s = StorageOf(src);
  if (!d || !s || !SameShape(*d, *s)) {
    if (d && s)
      platform::Report(platform::kReportWarning,
                       "CopyResource: the textures differ (%ux%ux%u, %u layers, %u levels, format %d into "
                       "%ux%ux%u, %u layers, %u levels, format %d); nothing copied",
                       s->width, s->height, s->depth, s->layers, s->mips, int(s->dxgiFormat), d->width, d->height,
                       d->depth, d->layers, d->mips, int(d->dxgiFormat));
    return;
  }
  for (UINT layer = 0; layer < s->layers; ++layer) {
    for (UINT mip = 0; mip < s->mips; ++mip) {
      UINT sub = layer * s->mips + mip;
      if (d->name && s->name) {
        // One call per level copies every layer (or every slice of a 3D level).
        if (layer == 0)
          glCopyImageSubData(s->name, s->target, mip, 0, 0, 0, d->name, d->target, mip, 0, 0, 0, s->MipWidth(mip),
                             s->MipHeight(mip), s->target == GL_TEXTURE_3D ? s->MipDepth(mip) : s->layers);
        if (!d->cpu.empty()) Download(*d, mip, layer, d->cpu.data() + d->subresourceAt[sub]);
      } else if (s->name) {
        Download(*s, mip, layer, d->cpu.data() + d->subresourceAt[sub]);
      } else if (d->name) {
        Upload(*d, mip, layer, nullptr, s->cpu.data() + s->subresourceAt[sub], 0, 0);
        if (!d->cpu.empty()) memcpy(d->cpu.data() + d->subresourceAt[sub], s->cpu.data() + s->subresourceAt[sub],
                                    SubresourceBytes(*s, mip));
      } else {
        memcpy(d->cpu.data() + d->subresourceAt[sub], s->cpu.data() + s->subresourceAt[sub], SubresourceBytes(*s, mip));
      }
    }
  }
}

void Device::GenerateMips(ID3D10ShaderResourceView* view) {
  GlCall glCall("ID3D10Device::GenerateMips");
  if (!view) return;
  ShaderResourceView* v = static_cast<ShaderResourceView*>(view);
  // The levels of a render target follow what was drawn into it, which a dropped frame did not
  // draw; the levels of a loaded picture are its data and are always made.
  if (platform::GpuWorkDiscarded() && v->mStorage && (v->mStorage->bindFlags & D3D10_BIND_RENDER_TARGET)) return;
  MakeCurrent();
  if (v->mStorage && v->mStorage->name && !(v->mStorage->format->flags & (kFmtCompressed | kFmtInteger)))
    glGenerateTextureMipmap(v->mStorage->name);
}

}  // namespace d3d10gl
