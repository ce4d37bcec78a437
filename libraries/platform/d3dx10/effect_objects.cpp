// The effect objects every device shares: passes, techniques, the effect and its pool, and the
// declaration of an effect's own variables. What differs by device goes to the effect's backend.
#include "effect_p.h"

namespace d3dx10fx {

// ---- Techniques and passes ------------------------------------------------------------------

// ---- Techniques and passes ------------------------------------------------------------------

Pass* Pass::Invalid() {
  static Pass* invalid = new Pass();
  return invalid;
}

HRESULT Pass::GetDesc(D3D10_PASS_DESC* desc) {
  if (!desc) return E_INVALIDARG;
  *desc = D3D10_PASS_DESC{};
  if (!mEffect) return E_FAIL;
  desc->Name = mName.c_str();
  desc->pIAInputSignature = mProgram->signatureBytes.data();
  desc->IAInputSignatureSize = mProgram->signatureBytes.size();
  desc->SampleMask = 0xffffffffu;
  return S_OK;
}

HRESULT Pass::Apply(UINT) {
  if (!mEffect) return E_FAIL;
  return mEffect->mBackend->Apply(this);
}

Technique* Technique::Invalid() {
  static Technique* invalid = new Technique();
  return invalid;
}

HRESULT Technique::GetDesc(D3D10_TECHNIQUE_DESC* desc) {
  if (!desc) return E_INVALIDARG;
  // Zeroed even when invalid: callers loop over Passes without checking the result.
  *desc = D3D10_TECHNIQUE_DESC{};
  if (!mEffect) return E_FAIL;
  desc->Name = mName.c_str();
  desc->Passes = UINT(mPasses.size());
  return S_OK;
}

ID3D10EffectPass* Technique::GetPassByIndex(UINT index) {
  if (!mEffect || index >= mPasses.size()) return Pass::Invalid();
  return mPasses[index].get();
}

ID3D10EffectPass* Technique::GetPassByName(LPCSTR name) {
  if (!mEffect || !name) return Pass::Invalid();
  for (auto& pass : mPasses)
    if (pass->mName == name) return pass.get();
  return Pass::Invalid();
}

// ---- Effect and pool -------------------------------------------------------------------------

Effect::Effect(ID3D10Device* device, Pool* pool, bool isPool, std::unique_ptr<EffectBackend> backend)
    : mDevice(device), mBackend(std::move(backend)), mPool(pool), mIsPool(isPool) {
  mDevice->AddRef();
  if (mPool) mPool->AddRef();
}

Effect::~Effect() {
  mBackend->DeletePrograms(mPrograms);
  mBackend->Forget(this);
  mTechniques.clear();
  mVariables.clear();
  if (mPool) mPool->Release();
  mDevice->Release();
}

HRESULT Effect::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<ID3D10Effect>(this, riid, object, {&IID_IUnknown, &IID_ID3D10Effect});
}

HRESULT Effect::GetDevice(ID3D10Device** device) {
  if (!device) return E_INVALIDARG;
  mDevice->AddRef();
  *device = mDevice;
  return S_OK;
}

HRESULT Effect::GetDesc(D3D10_EFFECT_DESC* desc) {
  if (!desc) return E_INVALIDARG;
  *desc = D3D10_EFFECT_DESC{};
  desc->IsChildEffect = mPool ? TRUE : FALSE;
  desc->GlobalVariables = UINT(mVariables.size());
  desc->SharedGlobalVariables = mPool ? UINT(mPool->EffectImpl()->mVariables.size()) : 0;
  desc->Techniques = UINT(mTechniques.size());
  return S_OK;
}

Variable* Effect::FindVariable(const char* name) {
  for (auto& v : mVariables)
    if (v->mName == name) return v.get();
  return mPool ? mPool->EffectImpl()->FindVariable(name) : nullptr;
}

ID3D10EffectVariable* Effect::GetVariableByIndex(UINT index) {
  if (index < mVariables.size()) return mVariables[index]->AsBase();
  index -= UINT(mVariables.size());
  if (mPool && index < mPool->EffectImpl()->mVariables.size()) return mPool->EffectImpl()->mVariables[index]->AsBase();
  return Variable::Invalid()->AsBase();
}

ID3D10EffectVariable* Effect::GetVariableByName(LPCSTR name) {
  mBackend->CountLookup(EffectBackend::Lookup::kVariable);
  Variable* v = name ? FindVariable(name) : nullptr;
  return v ? v->AsBase() : Variable::Invalid()->AsBase();
}

ID3D10EffectTechnique* Effect::GetTechniqueByIndex(UINT index) {
  if (index >= mTechniques.size()) return Technique::Invalid();
  return mTechniques[index].get();
}

ID3D10EffectTechnique* Effect::GetTechniqueByName(LPCSTR name) {
  mBackend->CountLookup(EffectBackend::Lookup::kTechnique);
  if (!name) return Technique::Invalid();
  for (auto& t : mTechniques)
    if (t->mName == name) return t.get();
  return Technique::Invalid();
}

const d3d10gl::SamplerDesc* Effect::FindSamplerDesc(const std::string& variable) const {
  for (const auto& entry : mSamplerDescs)
    if (entry.first == variable) return &entry.second;
  return mPool ? mPool->EffectImpl()->FindSamplerDesc(variable) : nullptr;
}

HRESULT Pool::QueryInterface(REFIID riid, void** object) {
  return d3d10com::AnswerQuery<ID3D10EffectPool>(this, riid, object, {&IID_IUnknown, &IID_ID3D10EffectPool});
}

bool DeclareVariables(Effect* effect, const ParsedEffect& parsed, std::vector<std::string>* messages) {
  bool ok = true;
  for (const UniformDecl& decl : parsed.uniforms) {
    Variable* shared = effect->mPool ? effect->mPool->EffectImpl()->FindVariable(decl.name.c_str()) : nullptr;
    if (shared) {
      if (shared->mData->typeName != decl.typeName || shared->mData->elements != decl.elements) {
        messages->push_back(parsed.Where(decl.line) + ": error: \"" + decl.name +
                            "\" is a pool variable of another type (" + shared->mData->typeName + ")");
        ok = false;
      }
      continue;
    }
    effect->mVariables.push_back(Variable::Create(decl, effect->mIsPool));
  }
  for (const SamplerSection& s : parsed.samplers) effect->mSamplerDescs.emplace_back(s.variable, s.desc);
  return ok;
}

// ---- Choosing the backend --------------------------------------------------------------------

std::unique_ptr<EffectBackend> MakeEffectBackend(ID3D10Device* device) {
  if (!device) return nullptr;
  // Asked once, of the device itself: each device of this layer answers its own private id.
  void* implementation = nullptr;
  if (SUCCEEDED(device->QueryInterface(IID_DuskRecordingDevice, &implementation)) && implementation) {
    device->Release();
    return MakeRecordingEffectBackend(device);
  }
  if (SUCCEEDED(device->QueryInterface(IID_DuskGlDevice, &implementation)) && implementation) {
    device->Release();
    return MakeGlEffectBackend(device);
  }
  return nullptr;
}

}  // namespace d3dx10fx
