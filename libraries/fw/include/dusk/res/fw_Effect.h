// Effects: locating an effect file from its short name (names beginning "fw_" belong to the
// framework's shader directory, all others to the project's), the precompiled ".fxo" rule,
// include resolution against both shader directories, and technique lookup by name.
#pragma once

#include <platform/d3dx10effect.h>

#include <functional>
#include <string>
#include <vector>

// Resolves #include "name" in the framework's shader directory first, then the project's; never
// relative to the including file.
struct Effect_IncludeHandler : ID3D10Include {
  Effect_IncludeHandler(const std::string& frameworkRoot, const std::string& projectRoot);
  HRESULT Open(D3D10_INCLUDE_TYPE includeType, LPCSTR fileName, LPCVOID parentData, LPCVOID* data,
               UINT* bytes) override;
  HRESULT Close(LPCVOID data) override;

  std::string roots[2];
};

struct fw_Effect {
  fw_Effect() = default;
  ~fw_Effect();
  fw_Effect(const fw_Effect&) = delete;
  fw_Effect& operator=(const fw_Effect&) = delete;

  // Loads "<root>/src/shaders/<name>" (or its ".fxo" when the source is absent) as a child of
  // `pool` when one is given. Logs "Loading <path>..." and "     ... done!" whatever the outcome;
  // a failure leaves mEffect null. Returns whether an effect was made.
  bool load(const std::string& name, ID3D10EffectPool* pool);
  // Releases the effect; harmless when repeated.
  void release();
  // Live mode: builds the file again and, when it builds, swaps it into the effect in use, so
  // techniques and variables taken from it stay valid and keep their values. When it does not
  // build (or the effect never loaded), the effect in use stays and the compiler's messages are
  // returned in *messages. `source` names the file to build from instead of the one the name
  // resolves to (an effect loaded precompiled is rebuilt from its source).
  bool reload(std::string* messages, const std::string& source = "");
  // What the owner makes of the effect once: variables set once (images, sizes) and input
  // layouts built against its passes. Runs now, and again when a live reload makes the effect
  // after it failed to load, since an effect that never loaded took none of it; a reload of an
  // effect that was made keeps all of it by itself.
  void bind(std::function<void(fw_Effect&)> binding);
  // The technique of that name, or the interface's invalid technique (safe to use) when the
  // effect has none or did not load.
  ID3D10EffectTechnique* getTechniqueByName(const char* name);
  // The variable of that name, or an invalid variable whose casts and setters do nothing.
  ID3D10EffectVariable* getVariableByName(const char* name);

  ID3D10Effect* mEffect = nullptr;
  std::string mPath;  // the path handed to the compiler
  std::string mName;  // the short name it was loaded by
  ID3D10EffectPool* mPool = nullptr;  // the parent it was loaded with (not owned)
  std::function<void(fw_Effect&)> mBinding;
};

// Every fw_Effect that has been loaded and not yet destroyed, in order of loading.
const std::vector<fw_Effect*>& fw_GetLoadedEffects();

// The path an effect name resolves to under the given roots, after the precompiled-file rule.
std::string fw_EffectPath(const std::string& name, const std::string& frameworkRoot, const std::string& projectRoot);
// The file the name itself stands for, before that rule: what a message about a missing effect
// names (the rule turns a missing "x.fxo" into "x.fxoo", which nobody asked for).
std::string fw_EffectFileOfName(const std::string& name, const std::string& frameworkRoot,
                                const std::string& projectRoot);
