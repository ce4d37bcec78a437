// Platform-internal: what an effect does differently on each device, behind one interface chosen
// once when the effect is made. The GL backend compiles and links the passes and uploads the
// variables on Apply; the recording backend keeps each pass's input signature and hands the
// device a snapshot of the variables instead, and needs no GL at all.
#pragma once

#include <platform/d3d10.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace d3dx10fx {

class Effect;
class Pass;
class Variable;
struct ParsedEffect;

// What one pass runs: its input signature, and on GL the linked program behind it.
struct Program {
  virtual ~Program() = default;
  // A reload kept these variables in place of the new ones the program was built with.
  virtual void TakeVariables(const std::map<Variable*, Variable*>& kept) { (void)kept; }
  uint32_t signature = 0;
  std::vector<uint8_t> signatureBytes;
};

class EffectBackend {
 public:
  virtual ~EffectBackend() = default;
  // Fills a new effect from the parsed text: its own variables, techniques, passes and programs.
  // False with "file:line: ..." messages when a pass cannot be made.
  virtual bool Build(Effect* effect, const ParsedEffect& parsed,
                     const std::vector<std::pair<std::string, std::string>>& defines,
                     std::vector<std::string>* messages) = 0;
  virtual HRESULT Apply(Pass* pass) = 0;
  // The programs are going away: the effect ends, or a reload replaces them.
  virtual void DeletePrograms(std::vector<std::unique_ptr<Program>>& programs) = 0;
  // The effect ends: nothing may point at it afterwards.
  virtual void Forget(Effect* effect) { (void)effect; }
  // A name lookup on the effect (the recording device counts them).
  enum class Lookup { kVariable, kTechnique };
  virtual void CountLookup(Lookup lookup) { (void)lookup; }
};

// The backend for the device the effect is made on; null for a device of another layer.
std::unique_ptr<EffectBackend> MakeEffectBackend(ID3D10Device* device);
// Each device's own, made by MakeEffectBackend once it knows which device it has.
std::unique_ptr<EffectBackend> MakeGlEffectBackend(ID3D10Device* device);
std::unique_ptr<EffectBackend> MakeRecordingEffectBackend(ID3D10Device* device);

}  // namespace d3dx10fx
