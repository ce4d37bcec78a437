// Shader-resource, render-target and depth-stencil views. A view that covers its whole texture
// in the texture's own format uses the texture itself; other ranges, dimensions or formats get a
// GL texture view. Render targets attach one level: a 2D image, one slice, or every slice of an
// array or 3D texture as a layered attachment.
#include "device_p.h"

#include <platform/diagnostics.h>

namespace d3d10gl {
namespace {

void AttachTo(GLuint framebuffer, GLenum point, const Attachment& a) {
  if (a.layer < 0)
    glNamedFramebufferTexture(framebuffer, point, a.texture, a.level);
  else
    glNamedFramebufferTextureLayer(framebuffer, point, a.texture, a.level, a.layer);
}

bool SameStorageFormat(const FormatInfo* view, const TextureStorage& s) {
  // Depth textures are read through views in colour formats (R32_FLOAT of a D32 buffer): the
  // texture itself serves and sampling returns the depth in red.
  return view->internalFormat == s.format->internalFormat || (s.format->flags & kFmtDepth);
}

GLuint MakeTextureView(GLenum target, const TextureStorage& s, const FormatInfo* format, UINT firstMip, UINT mips,
                       UINT firstLayer, UINT layers) {
  GLuint view = 0;
  glGenTextures(1, &view);  // a texture view needs a name that was never bound
  CountGlObjects(kGlTexture, 1);
  {
    GlProbe probe;  // a view GL refuses fails the creation
    while (glGetError() != GL_NO_ERROR) {
    }
    glTextureView(view, target, s.name, format->internalFormat, firstMip, mips, firstLayer, layers);
    if (glGetError() != GL_NO_ERROR) {
      glDeleteTextures(1, &view);
      CountGlObjects(kGlTexture, -1);
      return 0;
    }
  }
  if (format->flags & kFmtAlphaOnly) {
    const GLint swizzle[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
    glTextureParameteriv(view, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  }
  return view;
}

}  // namespace

// ---- Shader-resource views -------------------------------------------------------------------

HRESULT ShaderResourceView::Create(Device* device, ID3D10Resource* resource,
                                   const D3D10_SHADER_RESOURCE_VIEW_DESC* desc, ShaderResourceView** out) {
  TextureStorage* s = StorageOf(resource);
  if (!s || !s->name) {
    platform::Report(platform::kReportWarning, "CreateShaderResourceView: only GPU textures can be viewed");
    return E_INVALIDARG;
  }
  D3D10_SHADER_RESOURCE_VIEW_DESC d{};
  if (desc) {
    d = *desc;
  } else {
    d.Format = s->dxgiFormat;
    switch (s->target) {
      case GL_TEXTURE_2D: d.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D; break;
      case GL_TEXTURE_CUBE_MAP: d.ViewDimension = D3D10_SRV_DIMENSION_TEXTURECUBE; break;
      case GL_TEXTURE_3D: d.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE3D; break;
      default:
        d.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2DARRAY;
        d.Texture2DArray.ArraySize = s->layers;
        break;
    }
    d.Texture2D.MostDetailedMip = 0;
    d.Texture2D.MipLevels = s->mips;
  }
  GLenum target = 0;
  UINT firstMip = 0, mips = 0, firstLayer = 0, layers = 1;
  switch (d.ViewDimension) {
    case D3D10_SRV_DIMENSION_TEXTURE2D:
      target = GL_TEXTURE_2D;
      firstMip = d.Texture2D.MostDetailedMip;
      mips = d.Texture2D.MipLevels;
      break;
    case D3D10_SRV_DIMENSION_TEXTURE2DARRAY:
      target = GL_TEXTURE_2D_ARRAY;
      firstMip = d.Texture2DArray.MostDetailedMip;
      mips = d.Texture2DArray.MipLevels;
      firstLayer = d.Texture2DArray.FirstArraySlice;
      layers = d.Texture2DArray.ArraySize;
      break;
    case D3D10_SRV_DIMENSION_TEXTURECUBE:
      target = GL_TEXTURE_CUBE_MAP;
      firstMip = d.TextureCube.MostDetailedMip;
      mips = d.TextureCube.MipLevels;
      layers = 6;
      break;
    case D3D10_SRV_DIMENSION_TEXTURE3D:
      target = GL_TEXTURE_3D;
      firstMip = d.Texture3D.MostDetailedMip;
      mips = d.Texture3D.MipLevels;
      break;
    default: return E_INVALIDARG;
  }
  if ((target == GL_TEXTURE_3D) != (s->target == GL_TEXTURE_3D)) return E_INVALIDARG;
  if (mips == UINT(-1) && firstMip < s->mips) mips = s->mips - firstMip;
  if (mips == 0 || firstMip + mips > s->mips || firstLayer + layers > (target == GL_TEXTURE_3D ? 1 : s->layers))
    return E_INVALIDARG;
  const FormatInfo* format = d.Format == DXGI_FORMAT_UNKNOWN ? s->format : FindFormat(d.Format, s->bindFlags);
  if (!format) return E_INVALIDARG;

  ShaderResourceView* view = new ShaderResourceView(device);
  view->mDesc = d;
  view->mStorage = s;
  view->mTarget = target;
  bool whole = target == s->target && firstMip == 0 && mips == s->mips && firstLayer == 0 &&
               (target == GL_TEXTURE_3D || layers == s->layers);
  if (whole && SameStorageFormat(format, *s)) {
    view->mTexture = s->name;
  } else {
    view->mTexture = MakeTextureView(target, *s, SameStorageFormat(format, *s) ? s->format : format, firstMip, mips,
                                     firstLayer, target == GL_TEXTURE_3D ? 1 : layers);
    view->mOwnsTexture = true;
    if (!view->mTexture) {
      view->Release();
      return E_INVALIDARG;
    }
  }
  view->mResource = resource;
  resource->AddRef();
  *out = view;
  return S_OK;
}

ShaderResourceView::~ShaderResourceView() {
  mDevice->MakeCurrent();
  if (mOwnsTexture && mTexture) {
    mDevice->ForgetTexture(mTexture);
    glDeleteTextures(1, &mTexture);
    CountGlObjects(kGlTexture, -1);
  }
  if (mResource) mResource->Release();
}

HRESULT ShaderResourceView::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10ShaderResourceView>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10View, &IID_ID3D10ShaderResourceView});
}

void ShaderResourceView::GetResource(ID3D10Resource** resource) {
  if (!resource) return;
  mResource->AddRef();
  *resource = mResource;
}

void ShaderResourceView::GetDesc(D3D10_SHADER_RESOURCE_VIEW_DESC* desc) {
  if (desc) *desc = mDesc;
}

// ---- Render-target views ---------------------------------------------------------------------

HRESULT RenderTargetView::Create(Device* device, ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                                 RenderTargetView** out) {
  TextureStorage* s = StorageOf(resource);
  if (!s || !s->name || !(s->bindFlags & D3D10_BIND_RENDER_TARGET)) {
    platform::Report(platform::kReportWarning,
                     "CreateRenderTargetView: the resource was not created with D3D10_BIND_RENDER_TARGET");
    return E_INVALIDARG;
  }
  D3D10_RENDER_TARGET_VIEW_DESC d{};
  if (desc) {
    d = *desc;
  } else {
    d.Format = s->dxgiFormat;
    if (s->target == GL_TEXTURE_3D) {
      d.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE3D;
      d.Texture3D = {0, 0, UINT(-1)};
    } else if (s->layers > 1) {
      d.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2DARRAY;
      d.Texture2DArray = {0, 0, s->layers};
    } else {
      d.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE2D;
      d.Texture2D.MipSlice = 0;
    }
  }
  const FormatInfo* format = d.Format == DXGI_FORMAT_UNKNOWN ? s->format : FindFormat(d.Format, s->bindFlags);
  if (!format || (format->flags & (kFmtDepth | kFmtCompressed))) return E_INVALIDARG;
  Attachment a;
  UINT slices = 1;
  switch (d.ViewDimension) {
    case D3D10_RTV_DIMENSION_TEXTURE2D:
      if (s->target == GL_TEXTURE_3D) return E_INVALIDARG;
      a.level = d.Texture2D.MipSlice;
      a.layer = s->layers > 1 ? 0 : -1;
      break;
    case D3D10_RTV_DIMENSION_TEXTURE2DARRAY: {
      if (s->target == GL_TEXTURE_3D) return E_INVALIDARG;
      a.level = d.Texture2DArray.MipSlice;
      UINT first = d.Texture2DArray.FirstArraySlice, count = d.Texture2DArray.ArraySize;
      if (count == UINT(-1)) count = s->layers - first;
      if (first + count > s->layers || count == 0) return E_INVALIDARG;
      if (count == 1) a.layer = int(first);
      else if (first == 0 && count == s->layers) a.layer = -1;
      else return E_INVALIDARG;  // a layered attachment always starts at the first layer
      slices = count;
      break;
    }
    case D3D10_RTV_DIMENSION_TEXTURE3D: {
      if (s->target != GL_TEXTURE_3D) return E_INVALIDARG;
      a.level = d.Texture3D.MipSlice;
      UINT depth = a.level < int(s->mips) ? s->MipDepth(a.level) : 0;
      UINT first = d.Texture3D.FirstWSlice, count = d.Texture3D.WSize;
      if (count == UINT(-1)) count = depth - first;
      if (count == 0 || first + count > depth) return E_INVALIDARG;
      if (count == 1 && depth > 1) a.layer = int(first);
      else if (first == 0 && count == depth) a.layer = -1;
      else return E_INVALIDARG;
      slices = count;
      break;
    }
    default: return E_INVALIDARG;
  }
  if (a.level >= int(s->mips)) return E_INVALIDARG;
  a.width = s->MipWidth(a.level);
  a.height = s->MipHeight(a.level);
  (void)slices;

  RenderTargetView* view = new RenderTargetView(device);
  view->mDesc = d;
  view->mFormat = format;
  view->mSerial = NextSerial();
  a.texture = s->name;
  if (format->internalFormat != s->format->internalFormat) {
    // Another format of the same size class (an sRGB view of a typeless texture): a GL view of
    // the one level, every layer kept so the attachment's layer still applies.
    GLenum target = s->target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_2D_ARRAY : s->target;
    view->mOwnView = MakeTextureView(target, *s, format, a.level, 1, 0, s->target == GL_TEXTURE_3D ? 1 : s->layers);
    if (!view->mOwnView) {
      view->Release();
      return E_INVALIDARG;
    }
    a.texture = view->mOwnView;
    a.level = 0;
  }
  view->mAttachment = a;
  view->mResource = resource;
  resource->AddRef();
  *out = view;
  return S_OK;
}

RenderTargetView::~RenderTargetView() {
  mDevice->MakeCurrent();
  mDevice->ForgetView(mSerial);
  if (mClearFbo) {
    glDeleteFramebuffers(1, &mClearFbo);
    CountGlObjects(kGlFramebuffer, -1);
  }
  if (mOwnView) {
    mDevice->ForgetTexture(mOwnView);
    glDeleteTextures(1, &mOwnView);
    CountGlObjects(kGlTexture, -1);
  }
  if (mResource) mResource->Release();
}

GLuint RenderTargetView::ClearFramebuffer() {
  if (!mClearFbo) {
    glCreateFramebuffers(1, &mClearFbo);
    CountGlObjects(kGlFramebuffer, 1);
    AttachTo(mClearFbo, GL_COLOR_ATTACHMENT0, mAttachment);
    glNamedFramebufferDrawBuffer(mClearFbo, GL_COLOR_ATTACHMENT0);
  }
  return mClearFbo;
}

HRESULT RenderTargetView::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10RenderTargetView>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10View, &IID_ID3D10RenderTargetView});
}

void RenderTargetView::GetResource(ID3D10Resource** resource) {
  if (!resource) return;
  mResource->AddRef();
  *resource = mResource;
}

void RenderTargetView::GetDesc(D3D10_RENDER_TARGET_VIEW_DESC* desc) {
  if (desc) *desc = mDesc;
}

// ---- Depth-stencil views ---------------------------------------------------------------------

HRESULT DepthStencilView::Create(Device* device, ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                                 DepthStencilView** out) {
  TextureStorage* s = StorageOf(resource);
  if (!s || !s->name || s->target == GL_TEXTURE_3D || !(s->bindFlags & D3D10_BIND_DEPTH_STENCIL) ||
      !(s->format->flags & kFmtDepth)) {
    platform::Report(platform::kReportWarning,
                     "CreateDepthStencilView: the resource is not a depth texture created with D3D10_BIND_DEPTH_STENCIL");
    return E_INVALIDARG;
  }
  D3D10_DEPTH_STENCIL_VIEW_DESC d{};
  if (desc) {
    d = *desc;
  } else {
    d.Format = s->dxgiFormat;
    if (s->layers > 1) {
      d.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2DARRAY;
      d.Texture2DArray = {0, 0, s->layers};
    } else {
      d.ViewDimension = D3D10_DSV_DIMENSION_TEXTURE2D;
      d.Texture2D.MipSlice = 0;
    }
  }
  Attachment a;
  a.texture = s->name;
  if (d.ViewDimension == D3D10_DSV_DIMENSION_TEXTURE2D) {
    a.level = d.Texture2D.MipSlice;
    a.layer = s->layers > 1 ? 0 : -1;
  } else if (d.ViewDimension == D3D10_DSV_DIMENSION_TEXTURE2DARRAY) {
    a.level = d.Texture2DArray.MipSlice;
    UINT first = d.Texture2DArray.FirstArraySlice, count = d.Texture2DArray.ArraySize;
    if (count == 1 && first < s->layers) a.layer = int(first);
    else if (first == 0 && count == s->layers) a.layer = -1;
    else return E_INVALIDARG;
  } else {
    return E_INVALIDARG;
  }
  if (a.level >= int(s->mips)) return E_INVALIDARG;
  a.width = s->MipWidth(a.level);
  a.height = s->MipHeight(a.level);

  DepthStencilView* view = new DepthStencilView(device);
  view->mDesc = d;
  view->mFormat = s->format;
  view->mAttachment = a;
  view->mAttachmentPoint = (s->format->flags & kFmtStencil) ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
  view->mSerial = NextSerial();
  view->mResource = resource;
  resource->AddRef();
  *out = view;
  return S_OK;
}

DepthStencilView::~DepthStencilView() {
  mDevice->MakeCurrent();
  mDevice->ForgetView(mSerial);
  if (mClearFbo) {
    glDeleteFramebuffers(1, &mClearFbo);
    CountGlObjects(kGlFramebuffer, -1);
  }
  if (mResource) mResource->Release();
}

GLuint DepthStencilView::ClearFramebuffer() {
  if (!mClearFbo) {
    glCreateFramebuffers(1, &mClearFbo);
    CountGlObjects(kGlFramebuffer, 1);
    AttachTo(mClearFbo, mAttachmentPoint, mAttachment);
    glNamedFramebufferDrawBuffer(mClearFbo, GL_NONE);
  }
  return mClearFbo;
}

HRESULT DepthStencilView::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10DepthStencilView>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10View, &IID_ID3D10DepthStencilView});
}

void DepthStencilView::GetResource(ID3D10Resource** resource) {
  if (!resource) return;
  mResource->AddRef();
  *resource = mResource;
}

void DepthStencilView::GetDesc(D3D10_DEPTH_STENCIL_VIEW_DESC* desc) {
  if (desc) *desc = mDesc;
}

// ---- Device: view creation and the framebuffer cache ------------------------------------------

HRESULT Device::CreateShaderResourceView(ID3D10Resource* resource, const D3D10_SHADER_RESOURCE_VIEW_DESC* desc,
                                         ID3D10ShaderResourceView** view) {
  GlCall glCall("ID3D10Device::CreateShaderResourceView");
  if (!resource) return E_INVALIDARG;
  if (!view) return S_FALSE;
  *view = nullptr;
  MakeCurrent();
  ShaderResourceView* created = nullptr;
  HRESULT hr = ShaderResourceView::Create(this, resource, desc, &created);
  if (SUCCEEDED(hr)) *view = created;
  return hr;
}

HRESULT Device::CreateRenderTargetView(ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                                       ID3D10RenderTargetView** view) {
  GlCall glCall("ID3D10Device::CreateRenderTargetView");
  if (!resource) return E_INVALIDARG;
  if (!view) return S_FALSE;
  *view = nullptr;
  MakeCurrent();
  RenderTargetView* created = nullptr;
  HRESULT hr = RenderTargetView::Create(this, resource, desc, &created);
  if (SUCCEEDED(hr)) *view = created;
  return hr;
}

HRESULT Device::CreateDepthStencilView(ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                                       ID3D10DepthStencilView** view) {
  GlCall glCall("ID3D10Device::CreateDepthStencilView");
  if (!resource) return E_INVALIDARG;
  if (!view) return S_FALSE;
  *view = nullptr;
  MakeCurrent();
  DepthStencilView* created = nullptr;
  HRESULT hr = DepthStencilView::Create(this, resource, desc, &created);
  if (SUCCEEDED(hr)) *view = created;
  return hr;
}

size_t Device::FramebufferKeyHash::operator()(const FramebufferKey& key) const {
  uint64_t h = 1469598103934665603ull;
  for (uint64_t v : key.views) h = (h ^ v) * 1099511628211ull;
  return size_t(h);
}

GLuint Device::FramebufferFor(const uint64_t* colors, UINT count, uint64_t depth) {
  FramebufferKey key{};
  for (UINT i = 0; i < count; ++i) key.views[i] = colors[i];
  key.views[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT] = depth;
  auto it = mFramebuffers.find(key);
  if (it != mFramebuffers.end()) return it->second;

  GLuint fbo = 0;
  glCreateFramebuffers(1, &fbo);
  CountGlObjects(kGlFramebuffer, 1);
  GLenum drawBuffers[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT];
  for (UINT i = 0; i < count; ++i) {
    if (mTargets[i]) {
      AttachTo(fbo, GL_COLOR_ATTACHMENT0 + i, mTargets[i]->mAttachment);
      drawBuffers[i] = GL_COLOR_ATTACHMENT0 + i;
    } else {
      drawBuffers[i] = GL_NONE;
    }
  }
  glNamedFramebufferDrawBuffers(fbo, GLsizei(count), drawBuffers);
  if (mDepthTarget) AttachTo(fbo, mDepthTarget->mAttachmentPoint, mDepthTarget->mAttachment);
  if (count == 0 && depth == 0) {
    // No views: a complete framebuffer without attachments, so draws run and write nothing.
    glNamedFramebufferParameteri(fbo, GL_FRAMEBUFFER_DEFAULT_WIDTH, 4096);
    glNamedFramebufferParameteri(fbo, GL_FRAMEBUFFER_DEFAULT_HEIGHT, 4096);
  }
  GLenum status = glCheckNamedFramebufferStatus(fbo, GL_DRAW_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE && status != GL_FRAMEBUFFER_UNDEFINED)
    platform::Report(platform::kReportWarning, "OMSetRenderTargets: the views cannot be bound together (0x%04x)",
                     status);
  mFramebuffers.emplace(key, fbo);
  return fbo;
}

void Device::ForgetView(uint64_t serial) {
  for (auto it = mFramebuffers.begin(); it != mFramebuffers.end();) {
    bool uses = false;
    for (uint64_t v : it->first.views) uses = uses || v == serial;
    if (uses) {
      if (mBoundFramebuffer == it->second) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        mBoundFramebuffer = 0;
      }
      glDeleteFramebuffers(1, &it->second);
      CountGlObjects(kGlFramebuffer, -1);
      it = mFramebuffers.erase(it);
    } else {
      ++it;
    }
  }
  for (UINT i = 0; i < mTargetCount; ++i)
    if (mTargets[i] && mTargets[i]->mSerial == serial) {
      mTargets[i] = nullptr;
      mFramebufferDirty = true;
    }
  if (mDepthTarget && mDepthTarget->mSerial == serial) {
    mDepthTarget = nullptr;
    mFramebufferDirty = true;
  }
}

void Device::BindDrawFramebuffer() {
  if (!mFramebufferDirty) return;
  mFramebufferDirty = false;
  uint64_t colors[D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT];
  bool any = mDepthTarget != nullptr;
  for (UINT i = 0; i < mTargetCount; ++i) {
    colors[i] = mTargets[i] ? mTargets[i]->mSerial : 0;
    any = any || mTargets[i];
  }
  // With nothing bound, draws go to an empty framebuffer of our own rather than the window.
  GLuint fbo = FramebufferFor(colors, any ? mTargetCount : 0, mDepthTarget ? mDepthTarget->mSerial : 0);
  if (fbo != mBoundFramebuffer) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    mBoundFramebuffer = fbo;
    ++mFramebufferBinds;
  }
}

}  // namespace d3d10gl
