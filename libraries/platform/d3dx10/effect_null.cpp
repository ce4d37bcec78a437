// Effects on a recording device: the parser's variables, techniques and passes with no GL at all.
// A pass's input signature comes from the "in" declarations of its vertex stage, so input layouts
// are matched as on the GL device; Apply gives the device a snapshot of every variable of the
// effect and its pool, which is what the GL device would have uploaded for the next draw.
// Stages are not compiled here: a shader that does not compile shows up on the GL device only.
#include "effect_p.h"

#include "../d3d10/device_null_p.h"

#include <cstring>
#include <regex>

namespace d3dx10fx {

namespace {

uint32_t InputType(const std::string& type) {
  static const std::pair<const char*, uint32_t> kTypes[] = {
      {"float", d3d10gl::kInputFloat},       {"vec2", d3d10gl::kInputFloatVec2},       {"vec3", d3d10gl::kInputFloatVec3},
      {"vec4", d3d10gl::kInputFloatVec4},   {"int", d3d10gl::kInputInt},               {"ivec2", d3d10gl::kInputIntVec2},
      {"ivec3", d3d10gl::kInputIntVec3},    {"ivec4", d3d10gl::kInputIntVec4},        {"uint", d3d10gl::kInputUInt},
      {"uvec2", d3d10gl::kInputUIntVec2}, {"uvec3", d3d10gl::kInputUIntVec3}, {"uvec4", d3d10gl::kInputUIntVec4},
      {"mat4", d3d10gl::kInputFloatMat4}};
  for (const auto& [name, value] : kTypes)
    if (type == name) return value;
  return d3d10gl::kInputFloatVec4;
}

// The vertex inputs a stage declares at file scope, named after their semantics. Inputs without
// a location take the next free one, as a linker would number them.
std::vector<d3d10gl::SignatureInput> VertexInputs(const ParsedEffect& parsed, const StageSection& stage) {
  static const std::regex kIn(R"(^\s*(?:layout\s*\(\s*location\s*=\s*(\d+)\s*\)\s*)?in\s+(\w+)\s+(\w+)\s*;)");
  std::vector<d3d10gl::SignatureInput> inputs;
  std::vector<int> lines = parsed.common;
  lines.insert(lines.end(), stage.lines.begin(), stage.lines.end());
  int32_t next = 0;
  int depth = 0;  // braces: only file-scope declarations are inputs
  for (int index : lines) {
    std::string text = parsed.source.lines[size_t(index)].text;
    size_t comment = text.find("//");
    if (comment != std::string::npos) text.resize(comment);
    std::smatch m;
    if (depth == 0 && std::regex_search(text, m, kIn)) {
      d3d10gl::SignatureInput in{};
      std::string semantic;
      UINT semanticIndex = 0;
      d3d10gl::SplitSemantic(m[3].str().c_str(), &semantic, &semanticIndex);
      snprintf(in.semantic, sizeof(in.semantic), "%s", semantic.c_str());
      in.index = semanticIndex;
      in.location = m[1].matched ? int32_t(std::stoi(m[1].str())) : next;
      in.type = InputType(m[2].str());
      next = in.location + 1;
      inputs.push_back(in);
    }
    for (char c : text) depth += c == '{' ? 1 : c == '}' ? -1 : 0;
  }
  return inputs;
}

d3d10rec::ValueKind KindOf(BaseType base) {
  switch (base) {
    case BaseType::kInt: return d3d10rec::ValueKind::kInt;
    case BaseType::kUInt: return d3d10rec::ValueKind::kUInt;
    case BaseType::kBool: return d3d10rec::ValueKind::kBool;
    case BaseType::kSampler: return d3d10rec::ValueKind::kResource;
    default: return d3d10rec::ValueKind::kFloat;
  }
}

void Snapshot(const std::vector<std::unique_ptr<Variable>>& variables, std::vector<d3d10rec::RecordedVariable>* out) {
  for (const auto& v : variables) {
    const VariableData& d = *v->mData;
    d3d10rec::RecordedVariable r;
    r.name = v->mName;
    r.kind = KindOf(d.base);
    r.pooled = v->mPooled;
    if (d.base == BaseType::kSampler) {
      for (ID3D10ShaderResourceView* view : d.views) r.views.push_back(d3d10null::DescribeShaderResource(view));
    } else {
      r.floats.reserve(d.words.size());
      for (uint32_t w : d.words) {
        if (d.base == BaseType::kFloat) {
          float f;
          memcpy(&f, &w, 4);
          r.floats.push_back(f);
        } else {
          r.ints.push_back(int32_t(w));
          r.floats.push_back(d.base == BaseType::kUInt ? float(w) : float(int32_t(w)));
        }
      }
    }
    out->push_back(std::move(r));
  }
}

class RecordingBackend final : public EffectBackend {
 public:
  explicit RecordingBackend(d3d10null::Device* device) : mDevice(device) {}

  bool Build(Effect* effect, const ParsedEffect& parsed, const std::vector<std::pair<std::string, std::string>>&,
             std::vector<std::string>* messages) override {
    bool ok = DeclareVariables(effect, parsed, messages);
    for (const TechniqueDecl& decl : parsed.techniques) {
      auto technique = std::make_unique<Technique>();
      technique->mEffect = effect;
      technique->mName = decl.name;
      for (const PassDecl& passDecl : decl.passes) {
        const StageSection* vertex = parsed.FindStage(Stage::kVertex, passDecl.vertex);
        if (!vertex) {
          messages->push_back(parsed.Where(passDecl.line) + ": error: pass \"" + passDecl.name +
                              "\" has no vertex stage");
          ok = false;
          continue;
        }
        auto program = std::make_unique<Program>();
        program->signatureBytes = d3d10gl::BuildSignature(VertexInputs(parsed, *vertex));
        program->signature =
            d3d10gl::ReadSignature(program->signatureBytes.data(), program->signatureBytes.size())->id;
        auto pass = std::make_unique<Pass>();
        pass->mEffect = effect;
        pass->mName = passDecl.name;
        pass->mProgram = program.get();
        pass->mStates = passDecl.states;
        effect->mPrograms.push_back(std::move(program));
        technique->mPasses.push_back(std::move(pass));
      }
      effect->mTechniques.push_back(std::move(technique));
    }
    return ok;
  }

  HRESULT Apply(Pass* pass) override {
    Effect* effect = pass->mEffect;
    std::string technique;
    for (const auto& t : effect->mTechniques)
      for (const auto& p : t->mPasses)
        if (p.get() == pass) technique = t->mName;
    std::vector<d3d10rec::RecordedVariable> variables;
    Snapshot(effect->mVariables, &variables);
    if (effect->mPool) Snapshot(effect->mPool->EffectImpl()->mVariables, &variables);
    mDevice->RecordApply(static_cast<ID3D10Effect*>(effect), technique, pass->mName, pass->mStates,
                         std::move(variables));
    return S_OK;
  }

  void DeletePrograms(std::vector<std::unique_ptr<Program>>& programs) override { programs.clear(); }
  void Forget(Effect* effect) override { mDevice->ForgetEffect(effect); }
  void CountLookup(Lookup lookup) override {
    ++(lookup == Lookup::kVariable ? mDevice->mRecord.variableLookups : mDevice->mRecord.techniqueLookups);
  }

 private:
  d3d10null::Device* mDevice;  // the effect holds the reference
};

}  // namespace

std::unique_ptr<EffectBackend> MakeRecordingEffectBackend(ID3D10Device* device) {
  return std::make_unique<RecordingBackend>(d3d10null::RecordingDeviceOf(device));
}

}  // namespace d3dx10fx
