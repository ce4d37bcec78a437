// The device's pipeline on GL 4.5: input assembler, draws, output merger, viewports, clears and
// the cached state that effect passes set. D3D's clip space (z from 0 to 1, y up, top-left
// window origin) comes from glClipControl, so viewports and texture rows need no flips.
#include "context_p.h"

#include <platform/d3d10_offline.h>
#include <platform/diagnostics.h>

#include <cstring>

namespace d3d10gl {

Device* Device::sCurrent = nullptr;

Device::Device(ContextInfo* context, D3D10_DRIVER_TYPE driverType) : mContext(context), mDriverType(driverType) {
  GlCall glCall("D3D10CreateDevice");
  Activate();
  ApplyDefaultGlState();
}

Device::~Device() {
  MakeCurrent();
  for (auto& entry : mFramebuffers) glDeleteFramebuffers(1, &entry.second);
  CountGlObjects(kGlFramebuffer, -int(mFramebuffers.size()));
  for (SamplerEntry& s : mSamplers) glDeleteSamplers(1, &s.name);
  CountGlObjects(kGlSampler, -int(mSamplers.size()));
  if (mEmptyVertexArray) {
    glDeleteVertexArrays(1, &mEmptyVertexArray);
    CountGlObjects(kGlVertexArray, -1);
  }
  sCurrent = nullptr;
  DestroyContext(mContext);
}

void Device::Activate() {
  MakeContextCurrent(mContext);
  sCurrent = this;
}

void Device::ApplyFixedConventions() {
  // D3D's conventions once and for all: clip z from 0 to 1 and row 0 at the top of every target.
  glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  // Clip control keeps facing as seen in clip space, where D3D's front faces (clockwise on
  // screen) are clockwise too.
  glFrontFace(GL_CW);
  glEnable(GL_FRAMEBUFFER_SRGB);  // sRGB views encode on write, as on the platform
  glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
  glEnable(GL_PRIMITIVE_RESTART_FIXED_INDEX);  // strip cuts at 0xFFFF / 0xFFFFFFFF
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glDisable(GL_DITHER);
  glDisable(GL_SCISSOR_TEST);
  glBlendEquation(GL_FUNC_ADD);
  glDepthFunc(mStates.depth == kDepthWriteOnly ? GL_ALWAYS : GL_LESS);
}

void Device::ApplyDefaultGlState() {
  ApplyFixedConventions();
  glCreateVertexArrays(1, &mEmptyVertexArray);
  CountGlObjects(kGlVertexArray, 1);
  glBindVertexArray(mEmptyVertexArray);
  mBoundVertexArray = mEmptyVertexArray;
  // The platform's defaults: no blending, depth test and write with LESS, back faces culled.
  glDisable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  mDepthMaskOn = true;
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  mStates = PassStates{};
}

HRESULT Device::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_INVALIDARG;
  if (riid == IID_IUnknown || riid == IID_ID3D10Device) {
    AddRef();
    *object = static_cast<ID3D10Device*>(this);
    return S_OK;
  }
  if (riid == IID_DuskGlDevice) {
    AddRef();
    *object = this;
    return S_OK;
  }
  if (riid == IID_IDXGIDevice || riid == IID_IDXGIObject) return CreateDxgiDevice(this, riid, object);
  *object = nullptr;
  return E_NOINTERFACE;
}

// ---- Input assembler -------------------------------------------------------------------------

void Device::IASetInputLayout(ID3D10InputLayout* layout) { mLayout = static_cast<InputLayout*>(layout); }

void Device::IASetVertexBuffers(UINT startSlot, UINT numBuffers, ID3D10Buffer* const* buffers, const UINT* strides,
                                const UINT* offsets) {
  for (UINT i = 0; i < numBuffers && startSlot + i < D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT; ++i) {
    VertexSlot& slot = mVertexSlots[startSlot + i];
    slot.buffer = buffers ? static_cast<Buffer*>(buffers[i]) : nullptr;
    slot.stride = strides ? strides[i] : 0;
    slot.offset = offsets ? offsets[i] : 0;
  }
}

void Device::IASetIndexBuffer(ID3D10Buffer* buffer, DXGI_FORMAT format, UINT offset) {
  mIndexBuffer = static_cast<Buffer*>(buffer);
  mIndexType = format == DXGI_FORMAT_R16_UINT ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
  mIndexSize = format == DXGI_FORMAT_R16_UINT ? 2 : 4;
  mIndexOffset = offset;
  if (buffer && format != DXGI_FORMAT_R16_UINT && format != DXGI_FORMAT_R32_UINT) {
    platform::Report(platform::kReportWarning, "IASetIndexBuffer: index format %d is neither R16_UINT nor R32_UINT",
                     int(format));
    mIndexBuffer = nullptr;
  }
}

void Device::IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY topology) {
  mTopology = topology;
  switch (topology) {
    case D3D10_PRIMITIVE_TOPOLOGY_POINTLIST: mMode = GL_POINTS; break;
    case D3D10_PRIMITIVE_TOPOLOGY_LINELIST: mMode = GL_LINES; break;
    case D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP: mMode = GL_LINE_STRIP; break;
    case D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST: mMode = GL_TRIANGLES; break;
    case D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP: mMode = GL_TRIANGLE_STRIP; break;
    case D3D10_PRIMITIVE_TOPOLOGY_LINELIST_ADJ: mMode = GL_LINES_ADJACENCY; break;
    case D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP_ADJ: mMode = GL_LINE_STRIP_ADJACENCY; break;
    case D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ: mMode = GL_TRIANGLES_ADJACENCY; break;
    case D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP_ADJ: mMode = GL_TRIANGLE_STRIP_ADJACENCY; break;
    default: mTopology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED; break;
  }
}

void Device::IAGetInputLayout(ID3D10InputLayout** layout) {
  if (!layout) return;
  *layout = mLayout;
  if (mLayout) mLayout->AddRef();
}

void Device::IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* topology) {
  if (topology) *topology = mTopology;
}

// ---- Draws -----------------------------------------------------------------------------------

bool Device::PrepareDraw() {
  if (!mProgram || mTopology == D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED) return false;
  MakeCurrent();
  BindDrawFramebuffer();
  GLuint array = mEmptyVertexArray;
  if (mLayout) {
    InputLayout::VertexArray* va = mLayout->ForSignature(mSignature);
    array = va->name;
    for (uint32_t mask = mLayout->mSlotMask; mask; mask &= mask - 1) {
      unsigned slot = unsigned(__builtin_ctz(mask));
      const VertexSlot& vs = mVertexSlots[slot];
      uint64_t serial = vs.buffer ? vs.buffer->mSerial : 0;
      if (va->buffer[slot] != serial || va->offset[slot] != vs.offset || va->stride[slot] != vs.stride) {
        glVertexArrayVertexBuffer(array, slot, vs.buffer ? vs.buffer->mName : 0, vs.offset, GLsizei(vs.stride));
        va->buffer[slot] = serial;
        va->offset[slot] = vs.offset;
        va->stride[slot] = vs.stride;
      }
    }
    uint64_t indexSerial = mIndexBuffer ? mIndexBuffer->mSerial : 0;
    if (va->indexBuffer != indexSerial) {
      glVertexArrayElementBuffer(array, mIndexBuffer ? mIndexBuffer->mName : 0);
      va->indexBuffer = indexSerial;
    }
  } else {
    uint64_t indexSerial = mIndexBuffer ? mIndexBuffer->mSerial : 0;
    if (mEmptyArrayIndexBuffer != indexSerial) {
      glVertexArrayElementBuffer(array, mIndexBuffer ? mIndexBuffer->mName : 0);
      mEmptyArrayIndexBuffer = indexSerial;
    }
  }
  if (array != mBoundVertexArray) {
    glBindVertexArray(array);
    mBoundVertexArray = array;
  }
  ++mDrawCalls;
  return true;
}

// Indices past the end of the index buffer: the platform reads zeros, GL may read anything, so
// such a draw is refused and told once.
bool Device::IndicesFit(UINT count, UINT start) {
  uint64_t end = uint64_t(mIndexOffset) + (uint64_t(start) + count) * mIndexSize;
  if (end <= mIndexBuffer->mDesc.ByteWidth) return true;
  if (!mIndexRangeReported) {
    platform::Report(platform::kReportWarning,
                     "DrawIndexed: indices %u to %u lie past the end of the %u-byte index buffer; not drawn", start,
                     start + count - 1, mIndexBuffer->mDesc.ByteWidth);
    mIndexRangeReported = true;
  }
  return false;
}

void Device::DrawIndexed(UINT indexCount, UINT startIndexLocation, INT baseVertexLocation) {
  GlCall glCall("ID3D10Device::DrawIndexed");
  if (platform::GpuWorkDiscarded() || !indexCount || !mIndexBuffer || !mIndexBuffer->mName ||
      !IndicesFit(indexCount, startIndexLocation) || !PrepareDraw())
    return;
  const void* first = reinterpret_cast<const void*>(uintptr_t(mIndexOffset) + uintptr_t(startIndexLocation) * mIndexSize);
  glDrawElementsBaseVertex(mMode, GLsizei(indexCount), mIndexType, first, baseVertexLocation);
}

void Device::Draw(UINT vertexCount, UINT startVertexLocation) {
  GlCall glCall("ID3D10Device::Draw");
  if (platform::GpuWorkDiscarded() || !vertexCount || !PrepareDraw()) return;
  glDrawArrays(mMode, GLint(startVertexLocation), GLsizei(vertexCount));
}

void Device::DrawIndexedInstanced(UINT indexCountPerInstance, UINT instanceCount, UINT startIndexLocation,
                                  INT baseVertexLocation, UINT startInstanceLocation) {
  GlCall glCall("ID3D10Device::DrawIndexedInstanced");
  if (platform::GpuWorkDiscarded() || !indexCountPerInstance || !instanceCount || !mIndexBuffer || !mIndexBuffer->mName ||
      !IndicesFit(indexCountPerInstance, startIndexLocation) || !PrepareDraw())
    return;
  const void* first = reinterpret_cast<const void*>(uintptr_t(mIndexOffset) + uintptr_t(startIndexLocation) * mIndexSize);
  glDrawElementsInstancedBaseVertexBaseInstance(mMode, GLsizei(indexCountPerInstance), mIndexType, first,
                                                GLsizei(instanceCount), baseVertexLocation, startInstanceLocation);
}

void Device::DrawInstanced(UINT vertexCountPerInstance, UINT instanceCount, UINT startVertexLocation,
                           UINT startInstanceLocation) {
  GlCall glCall("ID3D10Device::DrawInstanced");
  if (platform::GpuWorkDiscarded() || !vertexCountPerInstance || !instanceCount || !PrepareDraw()) return;
  glDrawArraysInstancedBaseInstance(mMode, GLint(startVertexLocation), GLsizei(vertexCountPerInstance),
                                    GLsizei(instanceCount), startInstanceLocation);
}

// ---- Output merger and viewports ------------------------------------------------------------

void Device::OMSetRenderTargets(UINT numViews, ID3D10RenderTargetView* const* views,
                                ID3D10DepthStencilView* depthStencilView) {
  if (numViews > D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT) numViews = D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT;
  bool same = numViews == mTargetCount && static_cast<DepthStencilView*>(depthStencilView) == mDepthTarget;
  for (UINT i = 0; same && i < numViews; ++i) same = static_cast<RenderTargetView*>(views ? views[i] : nullptr) == mTargets[i];
  if (same) return;
  for (UINT i = 0; i < D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT; ++i)
    mTargets[i] = i < numViews && views ? static_cast<RenderTargetView*>(views[i]) : nullptr;
  mTargetCount = numViews;
  mDepthTarget = static_cast<DepthStencilView*>(depthStencilView);
  mFramebufferDirty = true;
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
  GlCall glCall("ID3D10Device::RSSetViewports");
  if (numViewports > D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE)
    numViewports = D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE;
  if (numViewports && !viewports) return;
  MakeCurrent();
  for (UINT i = 0; i < numViewports; ++i) {
    const D3D10_VIEWPORT& v = viewports[i];
    D3D10_VIEWPORT& cached = mViewports[i];
    // With the upper-left origin, GL's viewport y counts rows from the top like TopLeftY.
    if (i >= mViewportCount || cached.TopLeftX != v.TopLeftX || cached.TopLeftY != v.TopLeftY ||
        cached.Width != v.Width || cached.Height != v.Height)
      glViewportIndexedf(i, float(v.TopLeftX), float(v.TopLeftY), float(v.Width), float(v.Height));
    if (i >= mViewportCount || cached.MinDepth != v.MinDepth || cached.MaxDepth != v.MaxDepth)
      glDepthRangeIndexed(i, v.MinDepth, v.MaxDepth);
    cached = v;
  }
  mViewportCount = numViewports;
}

void Device::RSGetViewports(UINT* numViewports, D3D10_VIEWPORT* viewports) {
  if (!numViewports) return;
  if (!viewports) {
    *numViewports = mViewportCount;
    return;
  }
  UINT n = *numViewports < mViewportCount ? *numViewports : mViewportCount;
  for (UINT i = 0; i < *numViewports; ++i) viewports[i] = i < n ? mViewports[i] : D3D10_VIEWPORT{};
  *numViewports = n;
}

// ---- Clears ----------------------------------------------------------------------------------

void Device::ResetColorAndDepthMasks() {
  if (!mDepthMaskOn) {
    glDepthMask(GL_TRUE);
    mDepthMaskOn = true;
  }
}

void Device::ClearRenderTargetView(ID3D10RenderTargetView* view, const FLOAT colorRGBA[4]) {
  GlCall glCall("ID3D10Device::ClearRenderTargetView");
  if (platform::GpuWorkDiscarded() || !view || !colorRGBA) return;
  MakeCurrent();
  RenderTargetView* v = static_cast<RenderTargetView*>(view);
  GLuint fbo = v->ClearFramebuffer();
  if (v->mFormat->flags & kFmtInteger) {
    if (v->mFormat->flags & kFmtUnsigned) {
      GLuint u[4] = {GLuint(colorRGBA[0]), GLuint(colorRGBA[1]), GLuint(colorRGBA[2]), GLuint(colorRGBA[3])};
      glClearNamedFramebufferuiv(fbo, GL_COLOR, 0, u);
    } else {
      GLint s[4] = {GLint(colorRGBA[0]), GLint(colorRGBA[1]), GLint(colorRGBA[2]), GLint(colorRGBA[3])};
      glClearNamedFramebufferiv(fbo, GL_COLOR, 0, s);
    }
  } else {
    glClearNamedFramebufferfv(fbo, GL_COLOR, 0, colorRGBA);
  }
}

void Device::ClearDepthStencilView(ID3D10DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil) {
  GlCall glCall("ID3D10Device::ClearDepthStencilView");
  if (platform::GpuWorkDiscarded() || !view) return;
  MakeCurrent();
  DepthStencilView* v = static_cast<DepthStencilView*>(view);
  GLuint fbo = v->ClearFramebuffer();
  bool hasStencil = (v->mFormat->flags & kFmtStencil) != 0;
  bool clearDepth = (clearFlags & D3D10_CLEAR_DEPTH) != 0;
  bool clearStencil = hasStencil && (clearFlags & D3D10_CLEAR_STENCIL) != 0;
  if (clearDepth) ResetColorAndDepthMasks();  // a pass without depth writes must not stop the clear
  if (clearDepth && clearStencil) {
    glClearNamedFramebufferfi(fbo, GL_DEPTH_STENCIL, 0, depth, stencil);
  } else if (clearDepth) {
    glClearNamedFramebufferfv(fbo, GL_DEPTH, 0, &depth);
  } else if (clearStencil) {
    GLint s = stencil;
    glClearNamedFramebufferiv(fbo, GL_STENCIL, 0, &s);
  }
}

void Device::ClearState() {
  GlCall glCall("ID3D10Device::ClearState");
  MakeCurrent();
  for (VertexSlot& slot : mVertexSlots) slot = VertexSlot{};
  mIndexBuffer = nullptr;
  mIndexOffset = 0;
  mLayout = nullptr;
  mTopology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  OMSetRenderTargets(0, nullptr, nullptr);
  mViewportCount = 0;
  UseProgram(0, 0);
  SetPassStates(PassStates{});
  for (unsigned unit = 0; unit < kTextureUnits; ++unit) {
    BindTexture(unit, 0);
    BindSampler(unit, 0);
  }
}

void Device::Flush() {
  GlCall glCall("ID3D10Device::Flush");
  MakeCurrent();
  glFlush();
}

// ---- Pipeline state for effect passes --------------------------------------------------------

void Device::UseProgram(GLuint program, uint32_t signature) {
  if (program != mProgram) {
    MakeCurrent();
    glUseProgram(program);
    mProgram = program;
  }
  mSignature = signature;
}

void Device::SetPassStates(const PassStates& s) {
  bool depthMask = s.depth == kDepthWrite || s.depth == kDepthWriteOnly;
  if (s == mStates && depthMask == mDepthMaskOn) return;
  MakeCurrent();
  if (s.blend != mStates.blend) {
    if (s.blend == kBlendNone) {
      glDisable(GL_BLEND);
    } else {
      if (mStates.blend == kBlendNone) glEnable(GL_BLEND);
      switch (s.blend) {
        case kBlendAlpha: glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
        case kBlendAdd: glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ONE, GL_ONE); break;
        case kBlendPremultiplied: glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); break;
        case kBlendMultiply: glBlendFuncSeparate(GL_DST_COLOR, GL_ZERO, GL_DST_ALPHA, GL_ZERO); break;
        default: break;
      }
    }
  }
  if (s.depth != mStates.depth) {
    // GL skips depth writes when its test is off, so write-only depth tests with ALWAYS.
    if (s.depth == kDepthOff) {
      glDisable(GL_DEPTH_TEST);
    } else {
      if (mStates.depth == kDepthOff) glEnable(GL_DEPTH_TEST);
      glDepthFunc(s.depth == kDepthWriteOnly ? GL_ALWAYS : GL_LESS);
    }
  }
  if (depthMask != mDepthMaskOn) {
    glDepthMask(depthMask ? GL_TRUE : GL_FALSE);
    mDepthMaskOn = depthMask;
  }
  if (s.cull != mStates.cull) {
    if (s.cull == kCullNone) {
      glDisable(GL_CULL_FACE);
    } else {
      if (mStates.cull == kCullNone) glEnable(GL_CULL_FACE);
      glCullFace(s.cull == kCullFront ? GL_FRONT : GL_BACK);
    }
  }
  if (s.fill != mStates.fill) glPolygonMode(GL_FRONT_AND_BACK, s.fill == kFillWireframe ? GL_LINE : GL_FILL);
  mStates = s;
}

void Device::BindTexture(unsigned unit, GLuint texture) {
  if (unit >= kTextureUnits || mUnitTextures[unit] == texture) return;
  MakeCurrent();
  glBindTextureUnit(unit, texture);
  mUnitTextures[unit] = texture;
}

void Device::BindSampler(unsigned unit, GLuint sampler) {
  if (unit >= kTextureUnits || mUnitSamplers[unit] == sampler) return;
  MakeCurrent();
  glBindSampler(unit, sampler);
  mUnitSamplers[unit] = sampler;
}

GLuint Device::Sampler(const SamplerDesc& desc) {
  for (const SamplerEntry& e : mSamplers)
    if (e.desc == desc) return e.name;
  MakeCurrent();
  GLuint s = 0;
  glCreateSamplers(1, &s);
  CountGlObjects(kGlSampler, 1);
  bool point = desc.filter == kFilterPoint;
  GLenum minFilter;
  if (desc.mip == 0) minFilter = point ? GL_NEAREST : GL_LINEAR;
  else if (desc.mip == 2) minFilter = point ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
  else minFilter = point ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
  glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
  glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, point ? GL_NEAREST : GL_LINEAR);
  if (desc.filter == kFilterAnisotropic &&
      (epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") ||
       epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")))
    glSamplerParameterf(s, GL_TEXTURE_MAX_ANISOTROPY_EXT, 16.0f);
  static const GLenum kWrap[] = {GL_REPEAT, GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT, GL_CLAMP_TO_BORDER};
  const GLenum kAxes[3] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
  for (int axis = 0; axis < 3; ++axis) glSamplerParameteri(s, kAxes[axis], GLint(kWrap[desc.address[axis] & 3]));
  glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, desc.border);
  mSamplers.push_back({desc, s});
  return s;
}

void Device::ResyncGlState() {
  MakeCurrent();
  ApplyFixedConventions();
  glUseProgram(mProgram);
  glBindVertexArray(mBoundVertexArray);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mBoundFramebuffer);
  for (unsigned unit = 0; unit < kTextureUnits; ++unit) {
    glBindTextureUnit(unit, mUnitTextures[unit]);
    glBindSampler(unit, mUnitSamplers[unit]);
  }
  for (UINT i = 0; i < mViewportCount; ++i) {
    const D3D10_VIEWPORT& v = mViewports[i];
    glViewportIndexedf(i, float(v.TopLeftX), float(v.TopLeftY), float(v.Width), float(v.Height));
    glDepthRangeIndexed(i, v.MinDepth, v.MaxDepth);
  }
  // Pass states: from the opposite of each cached value to the cached one, so every call is made.
  PassStates wanted = mStates;
  mStates.blend = wanted.blend == kBlendNone ? kBlendAdd : kBlendNone;
  mStates.depth = wanted.depth == kDepthOff ? kDepthWrite : kDepthOff;
  mStates.cull = wanted.cull == kCullNone ? kCullBack : kCullNone;
  mStates.fill = wanted.fill == kFillSolid ? kFillWireframe : kFillSolid;
  if (wanted.blend != kBlendNone) glDisable(GL_BLEND);
  if (wanted.depth != kDepthOff) glDisable(GL_DEPTH_TEST);
  if (wanted.cull != kCullNone) glDisable(GL_CULL_FACE);
  mDepthMaskOn = !(wanted.depth == kDepthWrite || wanted.depth == kDepthWriteOnly);
  glDepthMask(mDepthMaskOn ? GL_TRUE : GL_FALSE);
  SetPassStates(wanted);
}

void Device::ForgetProgram(GLuint program) {
  if (program && mProgram == program) {
    MakeCurrent();
    glUseProgram(0);
    mProgram = 0;
    mSignature = 0;
  }
}

void Device::ForgetBuffer(Buffer* buffer) {
  for (VertexSlot& slot : mVertexSlots)
    if (slot.buffer == buffer) slot.buffer = nullptr;
  if (mIndexBuffer == buffer) mIndexBuffer = nullptr;
}

void Device::ForgetTexture(GLuint texture) {
  // GL unbinds a deleted texture from the current context's units; the cache follows.
  for (GLuint& bound : mUnitTextures)
    if (bound == texture) bound = 0;
}

void Device::ForgetLayout(InputLayout* layout) {
  if (mLayout == layout) mLayout = nullptr;
  if (mBoundVertexArray != mEmptyVertexArray) {
    glBindVertexArray(mEmptyVertexArray);
    mBoundVertexArray = mEmptyVertexArray;
  }
}

}  // namespace d3d10gl
