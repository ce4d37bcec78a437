// D3DX10CreateEffectFromFileA, D3DX10CreateEffectFromMemory and D3DX10CreateEffectPoolFromFileA:
// read the text (source or .fxo, which differ only in having their includes resolved), expand
// includes through the caller's ID3D10Include or beside the including file, parse, build. Every
// message goes to the platform's report channel as a warning and, when asked, into a blob.
#include "effect_p.h"

#include "../d3d10/gl_debug_p.h"

#include <platform/diagnostics.h>

#include <cstdio>
#include <cstring>

namespace d3dx10fx {

bool ReadTextFile(const std::string& path, std::string* text) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  text->clear();
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) text->append(buffer, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

namespace {

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

IncludeResolver MakeResolver(ID3D10Include* include) {
  if (include) {
    return [include](const std::string& name, const std::string&, std::string* text, std::string*) {
      LPCVOID data = nullptr;
      UINT bytes = 0;
      if (FAILED(include->Open(D3D10_INCLUDE_LOCAL, name.c_str(), nullptr, &data, &bytes)) || !data) return false;
      text->assign(static_cast<const char*>(data), bytes);
      include->Close(data);
      return true;
    };
  }
  // Without a handler an include is found beside the file that includes it.
  return [](const std::string& name, const std::string& includer, std::string* text, std::string* resolved) {
    std::string path = name.size() && name[0] == '/' ? name : DirectoryOf(includer) + name;
    if (!ReadTextFile(path, text)) return false;
    *resolved = path;
    return true;
  };
}

std::vector<std::pair<std::string, std::string>> Defines(const D3D10_SHADER_MACRO* defines) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const D3D10_SHADER_MACRO* d = defines; d && d->Name; ++d)
    out.emplace_back(d->Name, d->Definition ? d->Definition : "1");
  return out;
}

void Deliver(const std::vector<std::string>& messages, ID3D10Blob** errors) {
  std::string all;
  for (const std::string& m : messages) {
    platform::Report(platform::kReportWarning, "%s", m.c_str());
    all += m;
    all += '\n';
  }
  if (errors) {
    *errors = nullptr;
    if (!all.empty() && SUCCEEDED(D3D10CreateBlob(all.size() + 1, errors)))
      memcpy((*errors)->GetBufferPointer(), all.c_str(), all.size() + 1);
  }
}

// The whole road from text to effect; *effect is null on failure.
HRESULT Load(const std::string& text, const std::string& fileName, const D3D10_SHADER_MACRO* defines,
             ID3D10Include* include, ID3D10Device* device, Pool* pool, bool isPool, Effect** effect,
             ID3D10Blob** errors) {
  *effect = nullptr;
  std::vector<std::string> messages;
  Expanded expanded;
  ParsedEffect parsed;
  bool ok = ExpandIncludes(text, fileName, MakeResolver(include), &expanded, &messages) &&
            ParseEffect(std::move(expanded), &parsed, &messages);
  std::unique_ptr<EffectBackend> backend = ok ? MakeEffectBackend(device) : nullptr;
  if (backend) {
    Effect* made = new Effect(device, pool, isPool, std::move(backend));
    if (made->mBackend->Build(made, parsed, Defines(defines), &messages))
      *effect = made;
    else
      made->Release();
  }
  if (!*effect) messages.push_back(fileName + ": the effect was not created");
  Deliver(messages, errors);
  return *effect ? S_OK : E_FAIL;
}

HRESULT Finish(HRESULT hr, HRESULT* result) {
  if (result) *result = hr;
  return hr;
}

}  // namespace
}  // namespace d3dx10fx

using namespace d3dx10fx;

HRESULT D3DX10CreateEffectFromMemory(LPCVOID data, SIZE_T dataLength, LPCSTR sourceFileName,
                                     const D3D10_SHADER_MACRO* defines, ID3D10Include* include, LPCSTR,
                                     UINT, UINT fxFlags, ID3D10Device* device, ID3D10EffectPool* effectPool,
                                     ID3DX10ThreadPump*, ID3D10Effect** effect, ID3D10Blob** errors,
                                     HRESULT* result) {
  d3d10gl::GlCall glCall("D3DX10CreateEffectFromMemory");
  if (errors) *errors = nullptr;
  if (effect) *effect = nullptr;
  if (!data || !device || !effect) return Finish(E_INVALIDARG, result);
  // A pool is shared only with an effect compiled as its child, as on the platform.
  Pool* pool = (fxFlags & D3D10_EFFECT_COMPILE_CHILD_EFFECT) ? static_cast<Pool*>(effectPool) : nullptr;
  Effect* created = nullptr;
  HRESULT hr = Load(std::string(static_cast<const char*>(data), dataLength), sourceFileName ? sourceFileName : "memory",
                    defines, include, device, pool, false, &created, errors);
  *effect = created;
  return Finish(hr, result);
}

HRESULT D3DX10CreateEffectFromFileA(LPCSTR fileName, const D3D10_SHADER_MACRO* defines, ID3D10Include* include,
                                    LPCSTR profile, UINT hlslFlags, UINT fxFlags, ID3D10Device* device,
                                    ID3D10EffectPool* effectPool, ID3DX10ThreadPump* pump, ID3D10Effect** effect,
                                    ID3D10Blob** errors, HRESULT* result) {
  d3d10gl::GlCall glCall("D3DX10CreateEffectFromFileA");
  if (errors) *errors = nullptr;
  if (effect) *effect = nullptr;
  if (!fileName || !device || !effect) return Finish(E_INVALIDARG, result);
  std::string text;
  if (!ReadTextFile(fileName, &text)) {
    Deliver({std::string(fileName) + ": error: cannot read the effect file"}, errors);
    return Finish(D3D10_ERROR_FILE_NOT_FOUND, result);
  }
  return D3DX10CreateEffectFromMemory(text.data(), text.size(), fileName, defines, include, profile, hlslFlags,
                                      fxFlags, device, effectPool, pump, effect, errors, result);
}

HRESULT D3DX10CreateEffectPoolFromFileA(LPCSTR fileName, const D3D10_SHADER_MACRO* defines,
                                        ID3D10Include* include, LPCSTR, UINT, UINT,
                                        ID3D10Device* device, ID3DX10ThreadPump*, ID3D10EffectPool** effectPool,
                                        ID3D10Blob** errors, HRESULT* result) {
  d3d10gl::GlCall glCall("D3DX10CreateEffectPoolFromFileA");
  if (errors) *errors = nullptr;
  if (effectPool) *effectPool = nullptr;
  if (!fileName || !device || !effectPool) return Finish(E_INVALIDARG, result);
  std::string text;
  if (!ReadTextFile(fileName, &text)) {
    Deliver({std::string(fileName) + ": error: cannot read the effect pool file"}, errors);
    return Finish(D3D10_ERROR_FILE_NOT_FOUND, result);
  }
  Effect* effect = nullptr;
  HRESULT hr = Load(text, fileName, defines, include, device, nullptr, true, &effect, errors);
  if (SUCCEEDED(hr)) *effectPool = new Pool(effect);
  return Finish(hr, result);
}
