// Invalid technique, pass and variables.
#include "res/fw_InvalidEffectObjects.h"

namespace {
struct InvalidType : ID3D10EffectType {
  BOOL IsValid() override { return FALSE; }
  HRESULT GetDesc(D3D10_EFFECT_TYPE_DESC* desc) override {
    if (desc) *desc = {};
    return E_FAIL;
  }
};

InvalidType gInvalidType;

struct InvalidScalar;
struct InvalidVector;
struct InvalidMatrix;
struct InvalidShaderResource;
ID3D10EffectScalarVariable* Scalar();
ID3D10EffectVectorVariable* Vector();
ID3D10EffectMatrixVariable* Matrix();
ID3D10EffectShaderResourceVariable* ShaderResource();

#define DUSK_INVALID_VARIABLE_BASE                                                             \
  BOOL IsValid() override { return FALSE; }                                                   \
  ID3D10EffectType* GetType() override { return &gInvalidType; }                              \
  HRESULT GetDesc(D3D10_EFFECT_VARIABLE_DESC* desc) override {                                 \
    if (desc) *desc = {};                                                                      \
    return E_FAIL;                                                                             \
  }                                                                                            \
  ID3D10EffectVariable* GetElement(UINT) override { return fw_InvalidVariable(); }            \
  ID3D10EffectScalarVariable* AsScalar() override { return Scalar(); }                         \
  ID3D10EffectVectorVariable* AsVector() override { return Vector(); }                         \
  ID3D10EffectMatrixVariable* AsMatrix() override { return Matrix(); }                         \
  ID3D10EffectShaderResourceVariable* AsShaderResource() override { return ShaderResource(); } \
  HRESULT SetRawValue(const void*, UINT, UINT) override { return E_FAIL; }                     \
  HRESULT GetRawValue(void*, UINT, UINT) override { return E_FAIL; }

struct InvalidVariable : ID3D10EffectVariable {
  DUSK_INVALID_VARIABLE_BASE
};

struct InvalidScalar : ID3D10EffectScalarVariable {
  DUSK_INVALID_VARIABLE_BASE
  HRESULT SetFloat(float) override { return E_FAIL; }
  HRESULT GetFloat(float*) override { return E_FAIL; }
  HRESULT SetFloatArray(const float*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetFloatArray(float*, UINT, UINT) override { return E_FAIL; }
  HRESULT SetInt(int) override { return E_FAIL; }
  HRESULT GetInt(int*) override { return E_FAIL; }
  HRESULT SetIntArray(const int*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetIntArray(int*, UINT, UINT) override { return E_FAIL; }
  HRESULT SetBool(BOOL) override { return E_FAIL; }
  HRESULT GetBool(BOOL*) override { return E_FAIL; }
};

struct InvalidVector : ID3D10EffectVectorVariable {
  DUSK_INVALID_VARIABLE_BASE
  HRESULT SetFloatVector(const float*) override { return E_FAIL; }
  HRESULT GetFloatVector(float*) override { return E_FAIL; }
  HRESULT SetIntVector(const int*) override { return E_FAIL; }
  HRESULT GetIntVector(int*) override { return E_FAIL; }
  HRESULT SetBoolVector(const BOOL*) override { return E_FAIL; }
  HRESULT GetBoolVector(BOOL*) override { return E_FAIL; }
  HRESULT SetFloatVectorArray(const float*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetFloatVectorArray(float*, UINT, UINT) override { return E_FAIL; }
};

struct InvalidMatrix : ID3D10EffectMatrixVariable {
  DUSK_INVALID_VARIABLE_BASE
  HRESULT SetMatrix(const float*) override { return E_FAIL; }
  HRESULT GetMatrix(float*) override { return E_FAIL; }
  HRESULT SetMatrixArray(const float*, UINT, UINT) override { return E_FAIL; }
  HRESULT GetMatrixArray(float*, UINT, UINT) override { return E_FAIL; }
  HRESULT SetMatrixTranspose(const float*) override { return E_FAIL; }
  HRESULT GetMatrixTranspose(float*) override { return E_FAIL; }
};

struct InvalidShaderResource : ID3D10EffectShaderResourceVariable {
  DUSK_INVALID_VARIABLE_BASE
  HRESULT SetResource(ID3D10ShaderResourceView*) override { return E_FAIL; }
  HRESULT GetResource(ID3D10ShaderResourceView** resource) override {
    if (resource) *resource = nullptr;
    return E_FAIL;
  }
  HRESULT SetResourceArray(ID3D10ShaderResourceView**, UINT, UINT) override { return E_FAIL; }
  HRESULT GetResourceArray(ID3D10ShaderResourceView**, UINT, UINT) override { return E_FAIL; }
};
#undef DUSK_INVALID_VARIABLE_BASE

InvalidScalar gScalar;
InvalidVector gVector;
InvalidMatrix gMatrix;
InvalidShaderResource gShaderResource;
InvalidVariable gVariable;

ID3D10EffectScalarVariable* Scalar() { return &gScalar; }
ID3D10EffectVectorVariable* Vector() { return &gVector; }
ID3D10EffectMatrixVariable* Matrix() { return &gMatrix; }
ID3D10EffectShaderResourceVariable* ShaderResource() { return &gShaderResource; }

struct InvalidPass : ID3D10EffectPass {
  BOOL IsValid() override { return FALSE; }
  HRESULT GetDesc(D3D10_PASS_DESC* desc) override {
    if (desc) *desc = {};
    return E_FAIL;
  }
  HRESULT Apply(UINT) override { return E_FAIL; }
};

struct InvalidTechnique : ID3D10EffectTechnique {
  BOOL IsValid() override { return FALSE; }
  HRESULT GetDesc(D3D10_TECHNIQUE_DESC* desc) override {
    if (desc) *desc = {"", 0, 0};
    return E_FAIL;
  }
  ID3D10EffectPass* GetPassByIndex(UINT) override { return &pass; }
  ID3D10EffectPass* GetPassByName(LPCSTR) override { return &pass; }
  InvalidPass pass;
};

InvalidTechnique gTechnique;
}  // namespace

ID3D10EffectTechnique* fw_InvalidTechnique() { return &gTechnique; }
ID3D10EffectVariable* fw_InvalidVariable() { return &gVariable; }
