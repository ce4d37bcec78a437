// Platform-internal: the objects behind the D3DX10 effect interfaces. Variables keep their values
// on the CPU with a version that changes only when a value really changes; each linked program
// remembers the version it last uploaded, so Apply uploads changed uniforms only and allocates
// nothing. Pool variables are owned by the pool's effect and shared by pointer with its children.
// What differs between devices (compiling, uploading, recording) is the effect's backend.
#pragma once

#include "../d3d10/com_p.h"
#include "../d3d10/pipeline_states_p.h"
#include "effect_backend_p.h"
#include "effect_parse_p.h"

#include <platform/d3dx10effect.h>

#include <memory>
#include <string>
#include <vector>

namespace d3dx10fx {

class Effect;

// The values behind a variable and all its elements.
struct VariableData {
  std::string typeName;
  BaseType base = BaseType::kFloat;
  unsigned columns = 1, rows = 1;  // GLSL shape
  unsigned elements = 0;           // 0: not an array
  unsigned samplerTarget = 0;
  std::vector<uint32_t> words;     // Count() * Components() values of 4 bytes
  std::vector<ID3D10ShaderResourceView*> views;  // samplers: Count() views, references held
  uint64_t version = 1;
  bool targetWarned = false;

  unsigned Components() const { return columns * rows; }
  unsigned Count() const { return elements ? elements : 1; }
  D3D10_SHADER_VARIABLE_CLASS Class() const;
};

uint64_t NextVersion();

class TypeObject final : public ID3D10EffectType {
 public:
  BOOL IsValid() override { return mData != nullptr; }
  HRESULT GetDesc(D3D10_EFFECT_TYPE_DESC* desc) override;
  const VariableData* mData = nullptr;
  bool mElement = false;  // the type of one element of an array
};

// One object answers every variable interface; the As* casts hand out the matching base when
// the class fits and the invalid variable otherwise.
class Variable final : public ID3D10EffectScalarVariable,
                       public ID3D10EffectVectorVariable,
                       public ID3D10EffectMatrixVariable,
                       public ID3D10EffectShaderResourceVariable {
 public:
  // The invalid variable, shared by everything that finds no variable.
  static Variable* Invalid();
  // A top-level variable owning its data, with its elements when it is an array.
  static std::unique_ptr<Variable> Create(const UniformDecl& decl, bool pooled);

  ~Variable();
  ID3D10EffectVariable* AsBase() { return static_cast<ID3D10EffectScalarVariable*>(this); }

  BOOL IsValid() override { return mData != nullptr; }
  ID3D10EffectType* GetType() override { return &mType; }
  HRESULT GetDesc(D3D10_EFFECT_VARIABLE_DESC* desc) override;
  ID3D10EffectVariable* GetElement(UINT index) override;
  ID3D10EffectScalarVariable* AsScalar() override;
  ID3D10EffectVectorVariable* AsVector() override;
  ID3D10EffectMatrixVariable* AsMatrix() override;
  ID3D10EffectShaderResourceVariable* AsShaderResource() override;
  HRESULT SetRawValue(const void* data, UINT byteOffset, UINT byteCount) override;
  HRESULT GetRawValue(void* data, UINT byteOffset, UINT byteCount) override;

  HRESULT SetFloat(float value) override;
  HRESULT GetFloat(float* value) override;
  HRESULT SetFloatArray(const float* data, UINT offset, UINT count) override;
  HRESULT GetFloatArray(float* data, UINT offset, UINT count) override;
  HRESULT SetInt(int value) override;
  HRESULT GetInt(int* value) override;
  HRESULT SetIntArray(const int* data, UINT offset, UINT count) override;
  HRESULT GetIntArray(int* data, UINT offset, UINT count) override;
  HRESULT SetBool(BOOL value) override;
  HRESULT GetBool(BOOL* value) override;

  HRESULT SetFloatVector(const float* data) override;
  HRESULT GetFloatVector(float* data) override;
  HRESULT SetIntVector(const int* data) override;
  HRESULT GetIntVector(int* data) override;
  HRESULT SetBoolVector(const BOOL* data) override;
  HRESULT GetBoolVector(BOOL* data) override;
  HRESULT SetFloatVectorArray(const float* data, UINT offset, UINT count) override;
  HRESULT GetFloatVectorArray(float* data, UINT offset, UINT count) override;

  HRESULT SetMatrix(const float* data) override;
  HRESULT GetMatrix(float* data) override;
  HRESULT SetMatrixArray(const float* data, UINT offset, UINT count) override;
  HRESULT GetMatrixArray(float* data, UINT offset, UINT count) override;
  HRESULT SetMatrixTranspose(const float* data) override;
  HRESULT GetMatrixTranspose(float* data) override;

  HRESULT SetResource(ID3D10ShaderResourceView* resource) override;
  HRESULT GetResource(ID3D10ShaderResourceView** resource) override;
  HRESULT SetResourceArray(ID3D10ShaderResourceView** resources, UINT offset, UINT count) override;
  HRESULT GetResourceArray(ID3D10ShaderResourceView** resources, UINT offset, UINT count) override;

  std::string mName;
  VariableData* mData = nullptr;  // null for the invalid variable
  bool mPooled = false;

 private:
  Variable() = default;
  // Writes count values of comps components each, from src (stride values apart) into the
  // elements from first; converts from float (kind 0), int (1) or BOOL (2).
  HRESULT Write(UINT first, UINT count, unsigned comps, const void* src, unsigned stride, int kind);
  HRESULT Read(UINT first, UINT count, unsigned comps, void* dst, unsigned stride, int kind);
  bool CastFits(D3D10_SHADER_VARIABLE_CLASS wanted, const char* what);

  std::unique_ptr<VariableData> mOwned;
  UINT mFirst = 0;  // first element this variable covers
  UINT mCount = 1;  // elements it covers
  std::vector<std::unique_ptr<Variable>> mElements;
  TypeObject mType;
  bool mCastWarned = false;
};

class Pass final : public ID3D10EffectPass {
 public:
  static Pass* Invalid();
  BOOL IsValid() override { return mEffect != nullptr; }
  HRESULT GetDesc(D3D10_PASS_DESC* desc) override;
  HRESULT Apply(UINT flags) override;

  Effect* mEffect = nullptr;
  std::string mName;
  Program* mProgram = nullptr;
  d3d10gl::PassStates mStates;
};

class Technique final : public ID3D10EffectTechnique {
 public:
  static Technique* Invalid();
  BOOL IsValid() override { return mEffect != nullptr; }
  HRESULT GetDesc(D3D10_TECHNIQUE_DESC* desc) override;
  ID3D10EffectPass* GetPassByIndex(UINT index) override;
  ID3D10EffectPass* GetPassByName(LPCSTR name) override;

  Effect* mEffect = nullptr;
  std::string mName;
  std::vector<std::unique_ptr<Pass>> mPasses;
};

class Pool;

class Effect final : public d3d10com::RefCounted<ID3D10Effect> {
 public:
  Effect(ID3D10Device* device, Pool* pool, bool isPool, std::unique_ptr<EffectBackend> backend);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  BOOL IsValid() override { return TRUE; }
  BOOL IsPool() override { return mIsPool; }
  HRESULT GetDevice(ID3D10Device** device) override;
  HRESULT GetDesc(D3D10_EFFECT_DESC* desc) override;
  ID3D10EffectVariable* GetVariableByIndex(UINT index) override;
  ID3D10EffectVariable* GetVariableByName(LPCSTR name) override;
  ID3D10EffectTechnique* GetTechniqueByIndex(UINT index) override;
  ID3D10EffectTechnique* GetTechniqueByName(LPCSTR name) override;

  // Own variables first, then the pool's.
  Variable* FindVariable(const char* name);
  const d3d10gl::SamplerDesc* FindSamplerDesc(const std::string& variable) const;

  ID3D10Device* mDevice;               // a reference is held
  std::unique_ptr<EffectBackend> mBackend;
  Pool* mPool;  // the parent pool of a child effect (a reference is held), else null
  bool mIsPool;
  std::vector<std::unique_ptr<Variable>> mVariables;
  std::vector<std::unique_ptr<Technique>> mTechniques;
  std::vector<std::unique_ptr<Program>> mPrograms;
  std::vector<std::pair<std::string, d3d10gl::SamplerDesc>> mSamplerDescs;
  // What a reload took away but the program may still point at (see ReplaceContents).
  std::vector<std::unique_ptr<Variable>> mRetiredVariables;
  std::vector<std::unique_ptr<Technique>> mRetiredTechniques;
  std::vector<std::unique_ptr<Pass>> mRetiredPasses;

 private:
  ~Effect() override;
};

class Pool final : public d3d10com::RefCounted<ID3D10EffectPool> {
 public:
  explicit Pool(Effect* effect) : mEffect(effect) {}
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ID3D10Effect* AsEffect() override { return mEffect; }
  Effect* EffectImpl() { return mEffect; }

 private:
  ~Pool() override { mEffect->Release(); }
  Effect* mEffect;
};

// Adds the effect's own variables (those the pool does not already give it); false when a
// declaration disagrees with the pool's variable of that name.
bool DeclareVariables(Effect* effect, const ParsedEffect& parsed, std::vector<std::string>* messages);
// Moves a rebuilt effect's variables, programs, techniques and passes into target, keeping the
// target's objects wherever names (and variable types) match.
void ReplaceContents(Effect* target, Effect* source);

}  // namespace d3dx10fx
