// Effect variables: typed values on the CPU, converted to the variable's own component type on
// Set and back on Get; the version moves only when a stored value actually changes.
#include "effect_p.h"

#include <platform/diagnostics.h>

#include <cstring>

namespace d3dx10fx {
namespace {

uint32_t FloatBits(float f) {
  uint32_t w;
  memcpy(&w, &f, 4);
  return w;
}

float BitsFloat(uint32_t w) {
  float f;
  memcpy(&f, &w, 4);
  return f;
}

// One source value (float, int or BOOL) as a word of the given base type.
uint32_t ToWord(BaseType base, const void* src, size_t index, int kind) {
  double v;
  switch (kind) {
    case 0: v = static_cast<const float*>(src)[index]; break;
    case 1: v = static_cast<const int*>(src)[index]; break;
    default: v = static_cast<const BOOL*>(src)[index] ? 1.0 : 0.0; break;
  }
  switch (base) {
    case BaseType::kFloat: return FloatBits(float(v));
    case BaseType::kInt: return uint32_t(int32_t(v));
    case BaseType::kUInt: return v <= 0 ? 0u : uint32_t(v);
    case BaseType::kBool: return v != 0 ? 1u : 0u;
    default: return 0;
  }
}

void FromWord(BaseType base, uint32_t w, void* dst, size_t index, int kind) {
  double v;
  switch (base) {
    case BaseType::kFloat: v = BitsFloat(w); break;
    case BaseType::kInt: v = int32_t(w); break;
    case BaseType::kUInt: v = w; break;
    default: v = w ? 1.0 : 0.0; break;
  }
  switch (kind) {
    case 0: static_cast<float*>(dst)[index] = float(v); break;
    case 1: static_cast<int*>(dst)[index] = int(v); break;
    default: static_cast<BOOL*>(dst)[index] = v != 0 ? TRUE : FALSE; break;
  }
}

const char* ClassName(D3D10_SHADER_VARIABLE_CLASS c) {
  switch (c) {
    case D3D10_SVC_SCALAR: return "a scalar";
    case D3D10_SVC_VECTOR: return "a vector";
    case D3D10_SVC_MATRIX_ROWS: return "a matrix";
    default: return "a shader resource";
  }
}

}  // namespace

uint64_t NextVersion() {
  static uint64_t version = 1;
  return ++version;
}

D3D10_SHADER_VARIABLE_CLASS VariableData::Class() const {
  if (base == BaseType::kSampler) return D3D10_SVC_OBJECT;
  if (columns > 1) return D3D10_SVC_MATRIX_ROWS;
  return rows > 1 ? D3D10_SVC_VECTOR : D3D10_SVC_SCALAR;
}

HRESULT TypeObject::GetDesc(D3D10_EFFECT_TYPE_DESC* desc) {
  if (!desc) return E_INVALIDARG;
  *desc = D3D10_EFFECT_TYPE_DESC{};
  if (!mData) return E_FAIL;
  desc->TypeName = mData->typeName.c_str();
  desc->Class = mData->Class();
  switch (mData->base) {
    case BaseType::kFloat: desc->Type = D3D10_SVT_FLOAT; break;
    case BaseType::kInt: desc->Type = D3D10_SVT_INT; break;
    case BaseType::kUInt: desc->Type = D3D10_SVT_UINT; break;
    case BaseType::kBool: desc->Type = D3D10_SVT_BOOL; break;
    case BaseType::kSampler:
      desc->Type = mData->samplerTarget == 3 ? D3D10_SVT_TEXTURE3D
                   : mData->samplerTarget == 6 ? D3D10_SVT_TEXTURECUBE : D3D10_SVT_TEXTURE2D;
      break;
  }
  desc->Elements = mElement ? 0 : mData->elements;
  // The platform's view of a GLSL matCxR: C rows of R columns, laid out rows first.
  desc->Rows = mData->Class() == D3D10_SVC_MATRIX_ROWS ? mData->columns : 1;
  desc->Columns = mData->Class() == D3D10_SVC_MATRIX_ROWS ? mData->rows : mData->rows;
  desc->Stride = mData->base == BaseType::kSampler ? 0 : mData->Components() * 4;
  desc->PackedSize = desc->UnpackedSize = desc->Stride * (mElement ? 1 : mData->Count());
  return S_OK;
}

// ---- Construction ----------------------------------------------------------------------------

Variable* Variable::Invalid() {
  static Variable* invalid = new Variable();
  return invalid;
}

std::unique_ptr<Variable> Variable::Create(const UniformDecl& decl, bool pooled) {
  std::unique_ptr<Variable> v(new Variable());
  v->mOwned = std::make_unique<VariableData>();
  VariableData& d = *v->mOwned;
  d.typeName = decl.typeName;
  d.base = decl.base;
  d.columns = decl.columns;
  d.rows = decl.rows;
  d.elements = decl.elements;
  d.samplerTarget = decl.samplerTarget;
  if (d.base == BaseType::kSampler) {
    d.views.assign(d.Count(), nullptr);
  } else {
    d.words.assign(size_t(d.Count()) * d.Components(), 0);
    if (decl.hasInitialValue) {
      for (size_t i = 0; i < d.words.size() && i < decl.initialValue.size(); ++i) {
        float f = float(decl.initialValue[i]);
        d.words[i] = ToWord(d.base, &f, 0, 0);
      }
    }
  }
  v->mData = &d;
  v->mName = decl.name;
  v->mPooled = pooled;
  v->mCount = d.Count();
  v->mType.mData = &d;
  for (unsigned e = 0; e < d.elements; ++e) {
    std::unique_ptr<Variable> element(new Variable());
    element->mData = &d;
    element->mName = decl.name + "[" + std::to_string(e) + "]";
    element->mPooled = pooled;
    element->mFirst = e;
    element->mCount = 1;
    element->mType.mData = &d;
    element->mType.mElement = true;
    v->mElements.push_back(std::move(element));
  }
  return v;
}

Variable::~Variable() {
  if (mOwned)
    for (ID3D10ShaderResourceView* view : mOwned->views)
      if (view) view->Release();
}

HRESULT Variable::GetDesc(D3D10_EFFECT_VARIABLE_DESC* desc) {
  if (!desc) return E_INVALIDARG;
  *desc = D3D10_EFFECT_VARIABLE_DESC{};
  if (!mData) return E_FAIL;
  desc->Name = mName.c_str();
  desc->Flags = mPooled ? D3D10_EFFECT_VARIABLE_POOLED : 0;
  return S_OK;
}

ID3D10EffectVariable* Variable::GetElement(UINT index) {
  if (!mData || index >= mElements.size()) return Invalid()->AsBase();
  return mElements[index]->AsBase();
}

bool Variable::CastFits(D3D10_SHADER_VARIABLE_CLASS wanted, const char* what) {
  if (!mData) return false;
  D3D10_SHADER_VARIABLE_CLASS actual = mData->Class();
  if (actual == wanted) return true;
  if (!mCastWarned) {
    // A cast that does not fit is almost always a mismatch between program and effect file.
    platform::Report(platform::kReportWarning, "effect variable \"%s\" is %s (%s), not %s; the %s call does nothing",
                     mName.c_str(), ClassName(actual), mData->typeName.c_str(), ClassName(wanted), what);
    mCastWarned = true;
  }
  return false;
}

ID3D10EffectScalarVariable* Variable::AsScalar() {
  return CastFits(D3D10_SVC_SCALAR, "AsScalar") ? this : static_cast<ID3D10EffectScalarVariable*>(Invalid());
}
ID3D10EffectVectorVariable* Variable::AsVector() {
  return CastFits(D3D10_SVC_VECTOR, "AsVector") ? this : static_cast<ID3D10EffectVectorVariable*>(Invalid());
}
ID3D10EffectMatrixVariable* Variable::AsMatrix() {
  return CastFits(D3D10_SVC_MATRIX_ROWS, "AsMatrix") ? this : static_cast<ID3D10EffectMatrixVariable*>(Invalid());
}
ID3D10EffectShaderResourceVariable* Variable::AsShaderResource() {
  return CastFits(D3D10_SVC_OBJECT, "AsShaderResource") ? this
                                                          : static_cast<ID3D10EffectShaderResourceVariable*>(Invalid());
}

// ---- Numeric values --------------------------------------------------------------------------

HRESULT Variable::Write(UINT first, UINT count, unsigned comps, const void* src, unsigned stride, int kind) {
  if (!mData || mData->base == BaseType::kSampler) return E_FAIL;
  if (!src || count == 0 || first > mCount || count > mCount - first || comps > mData->Components()) return E_INVALIDARG;
  const unsigned perElement = mData->Components();
  bool changed = false;
  for (UINT e = 0; e < count; ++e) {
    uint32_t* words = &mData->words[size_t(mFirst + first + e) * perElement];
    for (unsigned c = 0; c < comps; ++c) {
      uint32_t w = ToWord(mData->base, src, size_t(e) * stride + c, kind);
      if (words[c] != w) {
        words[c] = w;
        changed = true;
      }
    }
  }
  if (changed) mData->version = NextVersion();
  return S_OK;
}

HRESULT Variable::Read(UINT first, UINT count, unsigned comps, void* dst, unsigned stride, int kind) {
  if (!mData || mData->base == BaseType::kSampler) return E_FAIL;
  if (!dst || first > mCount || count > mCount - first || comps > mData->Components()) return E_INVALIDARG;
  const unsigned perElement = mData->Components();
  for (UINT e = 0; e < count; ++e) {
    const uint32_t* words = &mData->words[size_t(mFirst + first + e) * perElement];
    for (unsigned c = 0; c < comps; ++c) FromWord(mData->base, words[c], dst, size_t(e) * stride + c, kind);
  }
  return S_OK;
}

HRESULT Variable::SetRawValue(const void* data, UINT byteOffset, UINT byteCount) {
  if (!mData || mData->base == BaseType::kSampler) return E_FAIL;
  size_t begin = size_t(mFirst) * mData->Components() * 4, size = size_t(mCount) * mData->Components() * 4;
  if (!data || byteOffset > size || byteCount > size - byteOffset) return E_INVALIDARG;
  uint8_t* target = reinterpret_cast<uint8_t*>(mData->words.data()) + begin + byteOffset;
  if (memcmp(target, data, byteCount) != 0) {
    memcpy(target, data, byteCount);
    mData->version = NextVersion();
  }
  return S_OK;
}

HRESULT Variable::GetRawValue(void* data, UINT byteOffset, UINT byteCount) {
  if (!mData || mData->base == BaseType::kSampler) return E_FAIL;
  size_t begin = size_t(mFirst) * mData->Components() * 4, size = size_t(mCount) * mData->Components() * 4;
  if (!data || byteOffset > size || byteCount > size - byteOffset) return E_INVALIDARG;
  memcpy(data, reinterpret_cast<const uint8_t*>(mData->words.data()) + begin + byteOffset, byteCount);
  return S_OK;
}

HRESULT Variable::SetFloat(float value) { return Write(0, 1, 1, &value, 1, 0); }
HRESULT Variable::GetFloat(float* value) { return Read(0, 1, 1, value, 1, 0); }
HRESULT Variable::SetFloatArray(const float* data, UINT offset, UINT count) { return Write(offset, count, 1, data, 1, 0); }
HRESULT Variable::GetFloatArray(float* data, UINT offset, UINT count) { return Read(offset, count, 1, data, 1, 0); }
HRESULT Variable::SetInt(int value) { return Write(0, 1, 1, &value, 1, 1); }
HRESULT Variable::GetInt(int* value) { return Read(0, 1, 1, value, 1, 1); }
HRESULT Variable::SetIntArray(const int* data, UINT offset, UINT count) { return Write(offset, count, 1, data, 1, 1); }
HRESULT Variable::GetIntArray(int* data, UINT offset, UINT count) { return Read(offset, count, 1, data, 1, 1); }
HRESULT Variable::SetBool(BOOL value) { return Write(0, 1, 1, &value, 1, 2); }
HRESULT Variable::GetBool(BOOL* value) { return Read(0, 1, 1, value, 1, 2); }

HRESULT Variable::SetFloatVector(const float* data) { return mData ? Write(0, 1, mData->rows, data, 4, 0) : E_FAIL; }
HRESULT Variable::GetFloatVector(float* data) { return mData ? Read(0, 1, mData->rows, data, 4, 0) : E_FAIL; }
HRESULT Variable::SetIntVector(const int* data) { return mData ? Write(0, 1, mData->rows, data, 4, 1) : E_FAIL; }
HRESULT Variable::GetIntVector(int* data) { return mData ? Read(0, 1, mData->rows, data, 4, 1) : E_FAIL; }
HRESULT Variable::SetBoolVector(const BOOL* data) { return mData ? Write(0, 1, mData->rows, data, 4, 2) : E_FAIL; }
HRESULT Variable::GetBoolVector(BOOL* data) { return mData ? Read(0, 1, mData->rows, data, 4, 2) : E_FAIL; }
// Arrays of vectors come four floats per element, as the platform packs them.
HRESULT Variable::SetFloatVectorArray(const float* data, UINT offset, UINT count) {
  return mData ? Write(offset, count, mData->rows, data, 4, 0) : E_FAIL;
}
HRESULT Variable::GetFloatVectorArray(float* data, UINT offset, UINT count) {
  return mData ? Read(offset, count, mData->rows, data, 4, 0) : E_FAIL;
}

// ---- Matrices --------------------------------------------------------------------------------
// Storage is what GL receives untransposed: GLSL column c holds the platform's row c. For a
// mat4 that is the sixteen floats exactly as given.

HRESULT Variable::SetMatrixArray(const float* data, UINT offset, UINT count) {
  if (!mData || mData->base != BaseType::kFloat || mData->columns < 2) return E_FAIL;
  if (!data || count == 0 || offset > mCount || count > mCount - offset) return E_INVALIDARG;
  const unsigned C = mData->columns, R = mData->rows;
  bool changed = false;
  for (UINT e = 0; e < count; ++e) {
    uint32_t* words = &mData->words[size_t(mFirst + offset + e) * C * R];
    const float* m = data + size_t(e) * 16;
    for (unsigned c = 0; c < C; ++c)
      for (unsigned r = 0; r < R; ++r) {
        uint32_t w = FloatBits(m[c * 4 + r]);
        if (words[c * R + r] != w) {
          words[c * R + r] = w;
          changed = true;
        }
      }
  }
  if (changed) mData->version = NextVersion();
  return S_OK;
}

HRESULT Variable::GetMatrixArray(float* data, UINT offset, UINT count) {
  if (!mData || mData->base != BaseType::kFloat || mData->columns < 2) return E_FAIL;
  if (!data || offset > mCount || count > mCount - offset) return E_INVALIDARG;
  const unsigned C = mData->columns, R = mData->rows;
  for (UINT e = 0; e < count; ++e) {
    const uint32_t* words = &mData->words[size_t(mFirst + offset + e) * C * R];
    float* m = data + size_t(e) * 16;
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    for (unsigned c = 0; c < C; ++c)
      for (unsigned r = 0; r < R; ++r) m[c * 4 + r] = BitsFloat(words[c * R + r]);
  }
  return S_OK;
}

HRESULT Variable::SetMatrix(const float* data) { return SetMatrixArray(data, 0, 1); }
HRESULT Variable::GetMatrix(float* data) { return GetMatrixArray(data, 0, 1); }

HRESULT Variable::SetMatrixTranspose(const float* data) {
  if (!data) return E_INVALIDARG;
  float t[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) t[c * 4 + r] = data[r * 4 + c];
  return SetMatrixArray(t, 0, 1);
}

HRESULT Variable::GetMatrixTranspose(float* data) {
  float m[16];
  HRESULT hr = GetMatrixArray(m, 0, 1);
  if (FAILED(hr)) return hr;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) data[c * 4 + r] = m[r * 4 + c];
  return S_OK;
}

// ---- Shader resources ------------------------------------------------------------------------

HRESULT Variable::SetResourceArray(ID3D10ShaderResourceView** resources, UINT offset, UINT count) {
  if (!mData || mData->base != BaseType::kSampler) return E_FAIL;
  if (!resources || count == 0 || offset > mCount || count > mCount - offset) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) {
    ID3D10ShaderResourceView*& slot = mData->views[mFirst + offset + i];
    if (slot == resources[i]) continue;
    if (resources[i]) resources[i]->AddRef();
    if (slot) slot->Release();
    slot = resources[i];
  }
  return S_OK;
}

HRESULT Variable::GetResourceArray(ID3D10ShaderResourceView** resources, UINT offset, UINT count) {
  if (!mData || mData->base != BaseType::kSampler) return E_FAIL;
  if (!resources || offset > mCount || count > mCount - offset) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) {
    resources[i] = mData->views[mFirst + offset + i];
    if (resources[i]) resources[i]->AddRef();
  }
  return S_OK;
}

HRESULT Variable::SetResource(ID3D10ShaderResourceView* resource) {
  if (!mData || mData->base != BaseType::kSampler) return E_FAIL;
  return SetResourceArray(&resource, 0, 1);
}

HRESULT Variable::GetResource(ID3D10ShaderResourceView** resource) {
  if (!resource) return E_INVALIDARG;
  *resource = nullptr;
  return GetResourceArray(resource, 0, 1);
}

}  // namespace d3dx10fx
