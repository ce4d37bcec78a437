// Input layouts: elements matched to a pass's vertex inputs by semantic name and index. A layout
// keeps one vertex array object per distinct pass signature it is drawn with, with the formats
// set through glVertexArrayAttribFormat and the buffers bound per slot, so a draw with the same
// layout, pass and buffers binds nothing again.
#include "device_p.h"

#include <platform/diagnostics.h>

#include <strings.h>

#include <cctype>
#include <cstring>

namespace d3d10gl {

// The signature's input types are GL's own numbers: a linked program's reflection gives them.
static_assert(kInputFloat == GL_FLOAT && kInputFloatVec2 == GL_FLOAT_VEC2 && kInputFloatVec3 == GL_FLOAT_VEC3 &&
              kInputFloatVec4 == GL_FLOAT_VEC4 && kInputInt == GL_INT && kInputIntVec2 == GL_INT_VEC2 &&
              kInputIntVec3 == GL_INT_VEC3 && kInputIntVec4 == GL_INT_VEC4 && kInputUInt == GL_UNSIGNED_INT &&
              kInputUIntVec2 == GL_UNSIGNED_INT_VEC2 && kInputUIntVec3 == GL_UNSIGNED_INT_VEC3 &&
              kInputUIntVec4 == GL_UNSIGNED_INT_VEC4 && kInputFloatMat4 == GL_FLOAT_MAT4);

// ---- InputLayout -----------------------------------------------------------------------------

HRESULT InputLayout::Create(Device* device, const D3D10_INPUT_ELEMENT_DESC* elements, UINT count,
                            const void* signature, SIZE_T signatureSize, InputLayout** out) {
  const SignatureHeader* header = ReadSignature(signature, signatureSize);
  if (!header) {
    platform::Report(platform::kReportWarning,
                     "CreateInputLayout: the signature is not a pass's input signature (D3D10_PASS_DESC)");
    return E_INVALIDARG;
  }
  std::vector<LayoutElement> parsed;
  UINT nextOffset[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
  for (UINT i = 0; i < count; ++i) {
    const D3D10_INPUT_ELEMENT_DESC& e = elements[i];
    LayoutElement le;
    if (!e.SemanticName || !FindVertexFormat(e.Format, &le.format) ||
        e.InputSlot >= D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) {
      platform::Report(platform::kReportWarning, "CreateInputLayout: element %u (%s) has an unusable format or slot",
                       i, e.SemanticName ? e.SemanticName : "no semantic");
      return E_INVALIDARG;
    }
    le.semantic = e.SemanticName;
    le.index = e.SemanticIndex;
    le.slot = e.InputSlot;
    le.offset = e.AlignedByteOffset == D3D10_APPEND_ALIGNED_ELEMENT ? nextOffset[e.InputSlot] : e.AlignedByteOffset;
    nextOffset[e.InputSlot] = le.offset + le.format.bytes;
    le.divisor = e.InputSlotClass == D3D10_INPUT_PER_INSTANCE_DATA ? (e.InstanceDataStepRate ? e.InstanceDataStepRate : 1) : 0;
    parsed.push_back(le);
  }
  // Every input the pass reads must come from an element; extra elements are allowed.
  const SignatureInput* inputs = SignatureInputs(header);
  for (uint32_t k = 0; k < header->count; ++k) {
    bool found = false;
    for (const LayoutElement& le : parsed)
      found = found || (strcasecmp(le.semantic.c_str(), inputs[k].semantic) == 0 && le.index == inputs[k].index);
    if (!found) {
      platform::Report(platform::kReportWarning, "CreateInputLayout: no element provides %s%u, which the pass reads",
                       inputs[k].semantic, inputs[k].index);
      return E_INVALIDARG;
    }
  }
  InputLayout* layout = new InputLayout(device);
  layout->mElements = std::move(parsed);
  for (const LayoutElement& le : layout->mElements) layout->mSlotMask |= 1u << le.slot;
  layout->mArrays.reserve(2);
  layout->ForSignature(header->id);  // the vertex array for the pass it was made for
  *out = layout;
  return S_OK;
}

InputLayout::VertexArray* InputLayout::ForSignature(uint32_t signature) {
  if (mLast && mLast->signature == signature) return mLast;
  for (VertexArray& array : mArrays)
    if (array.signature == signature) return mLast = &array;

  mDevice->MakeCurrent();
  VertexArray array;
  array.signature = signature;
  glCreateVertexArrays(1, &array.name);
  CountGlObjects(kGlVertexArray, 1);
  const std::vector<SignatureInput>& inputs = SignatureById(signature);
  for (const LayoutElement& le : mElements) {
    for (const SignatureInput& in : inputs) {
      if (in.location < 0 || strcasecmp(le.semantic.c_str(), in.semantic) != 0 || le.index != in.index) continue;
      GLuint location = GLuint(in.location);
      glEnableVertexArrayAttrib(array.name, location);
      if (le.format.integer)
        glVertexArrayAttribIFormat(array.name, location, le.format.size, le.format.type, le.offset);
      else
        glVertexArrayAttribFormat(array.name, location, le.format.size, le.format.type, le.format.normalized,
                                  le.offset);
      glVertexArrayAttribBinding(array.name, location, le.slot);
      glVertexArrayBindingDivisor(array.name, le.slot, le.divisor);
    }
  }
  for (const SignatureInput& in : inputs) {
    bool found = false;
    for (const LayoutElement& le : mElements)
      found = found || (strcasecmp(le.semantic.c_str(), in.semantic) == 0 && le.index == in.index);
    if (!found)
      platform::Report(platform::kReportWarning,
                       "input layout drawn with a pass that reads %s%u, which the layout lacks; it reads zero",
                       in.semantic, in.index);
  }
  mArrays.push_back(array);
  mLast = &mArrays.back();
  return mLast;
}

InputLayout::~InputLayout() {
  mDevice->MakeCurrent();
  mDevice->ForgetLayout(this);
  for (VertexArray& array : mArrays) glDeleteVertexArrays(1, &array.name);
  CountGlObjects(kGlVertexArray, -int(mArrays.size()));
}

HRESULT InputLayout::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10InputLayout>(this, riid, object,
      {&IID_IUnknown, &IID_ID3D10DeviceChild, &IID_ID3D10InputLayout});
}

HRESULT Device::CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* elements, UINT numElements, const void* signature,
                                  SIZE_T signatureSize, ID3D10InputLayout** layout) {
  GlCall glCall("ID3D10Device::CreateInputLayout");
  if (!elements || numElements == 0 || numElements > 32) return E_INVALIDARG;
  if (!layout) return S_FALSE;
  *layout = nullptr;
  MakeCurrent();
  InputLayout* created = nullptr;
  HRESULT hr = InputLayout::Create(this, elements, numElements, signature, signatureSize, &created);
  if (SUCCEEDED(hr)) *layout = created;
  return hr;
}

// ---- Blob ------------------------------------------------------------------------------------

HRESULT Blob::QueryInterface(REFIID riid, void** object) {
  return AnswerQuery<ID3D10Blob>(this, riid, object, {&IID_IUnknown, &IID_ID3D10Blob});
}

}  // namespace d3d10gl

HRESULT D3D10CreateBlob(SIZE_T numBytes, ID3D10Blob** blob) {
  if (!blob) return E_INVALIDARG;
  *blob = new d3d10gl::Blob(numBytes);
  return S_OK;
}
