// Platform-internal: the OpenGL 4.5 objects behind the Direct3D 10 interfaces (resources, views,
// input layouts) and the formats they map to. Device children hold a reference on their device;
// the device holds none on what is bound to it: a dying object unbinds itself instead.
#pragma once

#include "com_p.h"
#include "formats_p.h"
#include "gl_debug_p.h"
#include "signature_p.h"

#include <platform/d3d10.h>

#include <epoxy/gl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace d3d10gl {

class Device;

// ---- Formats -------------------------------------------------------------------------------
// The storage layout with the GL formats a texture of it is made and uploaded with.
struct FormatInfo : FormatLayout {
  GLenum internalFormat;
  GLenum format;
  GLenum type;
};

// Null for formats this layer cannot store (as FindFormatLayout).
const FormatInfo* FindFormat(DXGI_FORMAT format, UINT bindFlags = 0);

struct VertexFormat {
  GLint size;  // components, or GL_BGRA
  GLenum type;
  GLboolean normalized;
  bool integer;
  UINT bytes;
};
bool FindVertexFormat(DXGI_FORMAT format, VertexFormat* out);

// A process-wide counter: caches key on serials, never on addresses that may be reused.
uint64_t NextSerial();

// ---- Reference counting ----------------------------------------------------------------------
// A GL object's last release deletes GL objects: the calls are labelled with the release.
template <class Base>
class RefCounted : public d3d10com::RefCounted<Base> {
 public:
  ULONG Release() override {
    GlCall glCall(__PRETTY_FUNCTION__);
    return d3d10com::RefCounted<Base>::Release();
  }
};

using d3d10com::AnswerQuery;

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

// ---- Resources -----------------------------------------------------------------------------
class Buffer final : public Child<ID3D10Buffer> {
 public:
  static HRESULT Create(Device* device, const D3D10_BUFFER_DESC& desc, const D3D10_SUBRESOURCE_DATA* data,
                        Buffer** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetType(D3D10_RESOURCE_DIMENSION* dimension) override;
  HRESULT Map(D3D10_MAP mapType, UINT mapFlags, void** data) override;
  void Unmap() override;
  void GetDesc(D3D10_BUFFER_DESC* desc) override;

  D3D10_BUFFER_DESC mDesc{};
  GLuint mName = 0;
  uint64_t mSerial = 0;
  std::vector<uint8_t> mCpu;  // staging buffers live on the CPU only
  bool mMapped = false;

 private:
  using Child::Child;
  ~Buffer() override;
};

// What both texture kinds share: the GL texture and, for staging textures, the CPU copy.
struct TextureStorage {
  GLuint name = 0;
  GLenum target = 0;
  const FormatInfo* format = nullptr;
  DXGI_FORMAT dxgiFormat = DXGI_FORMAT_UNKNOWN;
  UINT width = 0, height = 0, depth = 1, layers = 1, mips = 1;
  D3D10_USAGE usage = D3D10_USAGE_DEFAULT;
  UINT bindFlags = 0;
  uint64_t serial = 0;
  std::vector<uint8_t> cpu;           // staging and dynamic textures
  std::vector<size_t> subresourceAt;  // offset of each subresource in cpu
  int mapped = -1;                    // the mapped subresource, -1 when none
  D3D10_MAP mapType = D3D10_MAP_READ;

  UINT MipWidth(UINT mip) const { return width >> mip ? width >> mip : 1; }
  UINT MipHeight(UINT mip) const { return height >> mip ? height >> mip : 1; }
  UINT MipDepth(UINT mip) const { return depth >> mip ? depth >> mip : 1; }
  UINT SubresourceCount() const { return mips * layers; }
};

class Texture2D final : public Child<ID3D10Texture2D> {
 public:
  static HRESULT Create(Device* device, const D3D10_TEXTURE2D_DESC& desc, const D3D10_SUBRESOURCE_DATA* data,
                        Texture2D** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetType(D3D10_RESOURCE_DIMENSION* dimension) override;
  HRESULT Map(UINT subresource, D3D10_MAP mapType, UINT mapFlags, D3D10_MAPPED_TEXTURE2D* mapped) override;
  void Unmap(UINT subresource) override;
  void GetDesc(D3D10_TEXTURE2D_DESC* desc) override;

  D3D10_TEXTURE2D_DESC mDesc{};
  TextureStorage mStorage;

 private:
  using Child::Child;
  ~Texture2D() override;
};

class Texture3D final : public Child<ID3D10Texture3D> {
 public:
  static HRESULT Create(Device* device, const D3D10_TEXTURE3D_DESC& desc, const D3D10_SUBRESOURCE_DATA* data,
                        Texture3D** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetType(D3D10_RESOURCE_DIMENSION* dimension) override;
  HRESULT Map(UINT subresource, D3D10_MAP mapType, UINT mapFlags, D3D10_MAPPED_TEXTURE3D* mapped) override;
  void Unmap(UINT subresource) override;
  void GetDesc(D3D10_TEXTURE3D_DESC* desc) override;

  D3D10_TEXTURE3D_DESC mDesc{};
  TextureStorage mStorage;

 private:
  using Child::Child;
  ~Texture3D() override;
};

// The storage of a 2D or 3D texture, null for anything else (buffers, foreign objects).
TextureStorage* StorageOf(ID3D10Resource* resource);

// ---- Views ---------------------------------------------------------------------------------
class ShaderResourceView final : public Child<ID3D10ShaderResourceView> {
 public:
  static HRESULT Create(Device* device, ID3D10Resource* resource, const D3D10_SHADER_RESOURCE_VIEW_DESC* desc,
                        ShaderResourceView** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetResource(ID3D10Resource** resource) override;
  void GetDesc(D3D10_SHADER_RESOURCE_VIEW_DESC* desc) override;

  D3D10_SHADER_RESOURCE_VIEW_DESC mDesc{};
  ID3D10Resource* mResource = nullptr;
  TextureStorage* mStorage = nullptr;
  GLuint mTexture = 0;  // the resource's texture, or a GL texture view of it
  GLenum mTarget = 0;
  bool mOwnsTexture = false;

 private:
  using Child::Child;
  ~ShaderResourceView() override;
};

// Where a render-target or depth view attaches: one level, one layer or all of them.
struct Attachment {
  GLuint texture = 0;
  GLint level = 0;
  GLint layer = -1;  // -1: the whole level (every slice of a 3D texture, layered)
  UINT width = 0, height = 0;
};

class RenderTargetView final : public Child<ID3D10RenderTargetView> {
 public:
  static HRESULT Create(Device* device, ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                        RenderTargetView** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetResource(ID3D10Resource** resource) override;
  void GetDesc(D3D10_RENDER_TARGET_VIEW_DESC* desc) override;
  GLuint ClearFramebuffer();  // a framebuffer of this view alone, made on first use

  D3D10_RENDER_TARGET_VIEW_DESC mDesc{};
  ID3D10Resource* mResource = nullptr;
  const FormatInfo* mFormat = nullptr;
  Attachment mAttachment;
  uint64_t mSerial = 0;
  GLuint mOwnView = 0;  // a GL texture view when the view's format differs from the resource's
  GLuint mClearFbo = 0;

 private:
  using Child::Child;
  ~RenderTargetView() override;
};

class DepthStencilView final : public Child<ID3D10DepthStencilView> {
 public:
  static HRESULT Create(Device* device, ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                        DepthStencilView** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void GetResource(ID3D10Resource** resource) override;
  void GetDesc(D3D10_DEPTH_STENCIL_VIEW_DESC* desc) override;
  GLuint ClearFramebuffer();

  D3D10_DEPTH_STENCIL_VIEW_DESC mDesc{};
  ID3D10Resource* mResource = nullptr;
  const FormatInfo* mFormat = nullptr;
  Attachment mAttachment;
  GLenum mAttachmentPoint = GL_DEPTH_ATTACHMENT;
  uint64_t mSerial = 0;
  GLuint mClearFbo = 0;

 private:
  using Child::Child;
  ~DepthStencilView() override;
};

// ---- Input layouts and pass signatures -------------------------------------------------------
struct LayoutElement {
  std::string semantic;
  UINT index;
  VertexFormat format;
  UINT slot;
  UINT offset;
  UINT divisor;
};

class InputLayout final : public Child<ID3D10InputLayout> {
 public:
  static HRESULT Create(Device* device, const D3D10_INPUT_ELEMENT_DESC* elements, UINT count,
                        const void* signature, SIZE_T signatureSize, InputLayout** out);
  HRESULT QueryInterface(REFIID riid, void** object) override;

  // The vertex array for a program's signature; made on first use of that signature.
  struct VertexArray {
    uint32_t signature = 0;
    GLuint name = 0;
    uint64_t buffer[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
    UINT offset[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
    UINT stride[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
    uint64_t indexBuffer = 0;
  };
  VertexArray* ForSignature(uint32_t signature);

  std::vector<LayoutElement> mElements;
  uint32_t mSlotMask = 0;

 private:
  using Child::Child;
  ~InputLayout() override;
  std::vector<VertexArray> mArrays;
  VertexArray* mLast = nullptr;
};

// ---- Blob ----------------------------------------------------------------------------------
class Blob final : public RefCounted<ID3D10Blob> {
 public:
  explicit Blob(size_t size) : mBytes(size) {}
  HRESULT QueryInterface(REFIID riid, void** object) override;
  void* GetBufferPointer() override { return mBytes.data(); }
  SIZE_T GetBufferSize() override { return mBytes.size(); }

 private:
  std::vector<uint8_t> mBytes;
};

}  // namespace d3d10gl
