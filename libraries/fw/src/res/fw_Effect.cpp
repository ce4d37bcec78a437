// Effect loading, include handler and technique lookup.
#include "res/fw_Effect.h"

#include "diag/fw_Log.h"
#include "res/fw_InvalidEffectObjects.h"
#include "res/fw_Paths.h"

#include "device/fw_DeviceState.h"

#include <platform/safe_release.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
std::string ShaderDirectory(const std::string& root) { return root + "/src/shaders/"; }

std::vector<fw_Effect*>& LoadedEffects() {
  static std::vector<fw_Effect*> effects;
  return effects;
}
}  // namespace

const std::vector<fw_Effect*>& fw_GetLoadedEffects() { return LoadedEffects(); }

Effect_IncludeHandler::Effect_IncludeHandler(const std::string& frameworkRoot, const std::string& projectRoot)
    : roots{frameworkRoot, projectRoot} {}

HRESULT Effect_IncludeHandler::Open(D3D10_INCLUDE_TYPE, LPCSTR fileName, LPCVOID, LPCVOID* data, UINT* bytes) {
  if (!fileName || !data || !bytes) return E_INVALIDARG;
  for (const std::string& root : roots) {
    const std::string path = ShaderDirectory(root) + fileName;
    if (!fw_PathExists(path)) continue;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) continue;
    std::vector<char> content;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) content.insert(content.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    // A directory opens on this platform but reads nothing useful; try the next root.
    if (failed) continue;
    char* buffer = new char[content.size() + 1];
    if (!content.empty()) std::memcpy(buffer, content.data(), content.size());
    buffer[content.size()] = '\0';
    *data = buffer;
    *bytes = static_cast<UINT>(content.size());
    return S_OK;
  }
  *data = nullptr;
  *bytes = 0;
  return E_FAIL;
}

HRESULT Effect_IncludeHandler::Close(LPCVOID data) {
  delete[] static_cast<const char*>(data);
  return S_OK;
}

std::string fw_EffectFileOfName(const std::string& name, const std::string& frameworkRoot,
                                const std::string& projectRoot) {
  const std::string& root = name.compare(0, 3, "fw_") == 0 ? frameworkRoot : projectRoot;
  return ShaderDirectory(root) + name;
}

std::string fw_EffectPath(const std::string& name, const std::string& frameworkRoot, const std::string& projectRoot) {
  std::string path = fw_EffectFileOfName(name, frameworkRoot, projectRoot);
  if (!fw_PathExists(path)) path += "o";
  return path;
}

fw_Effect::~fw_Effect() {
  release();
  auto& effects = LoadedEffects();
  effects.erase(std::remove(effects.begin(), effects.end(), this), effects.end());
}

bool fw_Effect::load(const std::string& name, ID3D10EffectPool* pool) {
  const std::string path = fw_EffectPath(name, fw_GetFrameworkRoot(), fw_GetProjectRoot());
  Effect_IncludeHandler includes(fw_GetFrameworkRoot(), fw_GetProjectRoot());
  fw_Log(fw_LogPlain, "Loading %s...", path.c_str());
  // Loading again replaces the previous effect instead of leaking it.
  release();
  D3DX10CreateEffectFromFileA(path.c_str(), nullptr, &includes, "fx_4_0", D3D10_SHADER_ENABLE_STRICTNESS,
                              pool ? D3D10_EFFECT_COMPILE_CHILD_EFFECT : 0, fw_GetDevice(), pool, nullptr, &mEffect,
                              nullptr, nullptr);
  fw_Log(fw_LogPlain, "     ... done!");
  // Text with no technique compiles to an effect that can draw nothing: a damaged or wrong file.
  D3D10_EFFECT_DESC desc{};
  if (mEffect && SUCCEEDED(mEffect->GetDesc(&desc)) && desc.Techniques == 0)
    fw_Log(fw_LogWarning, "The effect <%s> has no techniques.  Nothing is drawn with it.", path.c_str());
  mPath = path;
  mName = name;
  mPool = pool;
  auto& effects = LoadedEffects();
  if (std::find(effects.begin(), effects.end(), this) == effects.end()) effects.push_back(this);
  return mEffect != nullptr;
}

bool fw_Effect::reload(std::string* messages, const std::string& source) {
  messages->clear();
  const std::string path = source.empty() ? fw_EffectPath(mName, fw_GetFrameworkRoot(), fw_GetProjectRoot()) : source;
  Effect_IncludeHandler includes(fw_GetFrameworkRoot(), fw_GetProjectRoot());
  ID3D10Effect* rebuilt = nullptr;
  ID3D10Blob* errors = nullptr;
  D3DX10CreateEffectFromFileA(path.c_str(), nullptr, &includes, "fx_4_0", D3D10_SHADER_ENABLE_STRICTNESS,
                              mPool ? D3D10_EFFECT_COMPILE_CHILD_EFFECT : 0, fw_GetDevice(), mPool, nullptr, &rebuilt,
                              &errors, nullptr);
  if (errors) {
    messages->assign(static_cast<const char*>(errors->GetBufferPointer()));
    errors->Release();
  }
  if (!rebuilt) return false;
  // An effect that never loaded has nothing handed out yet: the new one simply takes its place,
  // and takes what its owner would have set on it at load.
  if (!mEffect) {
    mEffect = rebuilt;
    if (mBinding) mBinding(*this);
    return true;
  }
  const bool replaced = platform::ReplaceEffectContents(mEffect, rebuilt);
  rebuilt->Release();
  return replaced;
}

void fw_Effect::bind(std::function<void(fw_Effect&)> binding) {
  mBinding = std::move(binding);
  if (mBinding) mBinding(*this);
}

void fw_Effect::release() {
  SafeRelease(mEffect);
}

ID3D10EffectTechnique* fw_Effect::getTechniqueByName(const char* name) {
  if (!mEffect) return fw_InvalidTechnique();
  ID3D10EffectTechnique* technique = mEffect->GetTechniqueByName(name);
  return technique ? technique : fw_InvalidTechnique();
}

ID3D10EffectVariable* fw_Effect::getVariableByName(const char* name) {
  if (!mEffect) return fw_InvalidVariable();
  ID3D10EffectVariable* variable = mEffect->GetVariableByName(name);
  return variable ? variable : fw_InvalidVariable();
}
