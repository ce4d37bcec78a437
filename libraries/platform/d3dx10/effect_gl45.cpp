// Effects on GL 4.5: each stage compiled once per effect, one program per distinct combination
// of stages, reflected for its uniforms, samplers (texture units fixed at link time) and vertex
// inputs. Apply binds program and pass states through the device's caches and uploads only the
// uniforms whose variables changed since this program last saw them.
#include "effect_p.h"

#include "../d3d10/device_p.h"

#include <platform/diagnostics.h>

#include <cstring>
#include <map>
#include <tuple>

namespace d3dx10fx {

using d3d10gl::Device;

namespace {

// A linked program: its uniforms and samplers with their variables.
struct GlProgram final : Program {
  struct Uniform {
    Variable* variable;
    GLint location;
    GLsizei count;
    uint64_t uploaded;
  };
  struct Sampler {
    Variable* variable;
    GLuint firstUnit;
    unsigned count;
    GLuint sampler;
    GLenum target;
  };
  void TakeVariables(const std::map<Variable*, Variable*>& kept) override {
    for (Uniform& uniform : uniforms) {
      if (auto it = kept.find(uniform.variable); it != kept.end()) uniform.variable = it->second;
      uniform.uploaded = 0;  // the kept value has never been in this program
    }
    for (Sampler& sampler : samplers) {
      if (auto it = kept.find(sampler.variable); it != kept.end()) sampler.variable = it->second;
    }
  }
  GLuint name = 0;
  std::vector<Uniform> uniforms;
  std::vector<Sampler> samplers;
};

class GlBackend final : public EffectBackend {
 public:
  explicit GlBackend(Device* device) : mDevice(device) {}
  bool Build(Effect* effect, const ParsedEffect& parsed, const std::vector<std::pair<std::string, std::string>>& defines,
             std::vector<std::string>* messages) override;
  HRESULT Apply(Pass* pass) override;
  void DeletePrograms(std::vector<std::unique_ptr<Program>>& programs) override;

 private:
  Device* mDevice;  // the effect holds the reference
};

// ---- Apply -----------------------------------------------------------------------------------

HRESULT GlBackend::Apply(Pass* pass) {
  d3d10gl::GlCall glCall("ID3D10EffectPass::Apply");
  Device* device = mDevice;
  GlProgram& program = static_cast<GlProgram&>(*pass->mProgram);
  device->MakeCurrent();  // uniform uploads below go to this device's context
  device->UseProgram(program.name, program.signature);
  device->SetPassStates(pass->mStates);
  for (GlProgram::Uniform& u : program.uniforms) {
    const VariableData& d = *u.variable->mData;
    if (u.uploaded == d.version) continue;
    u.uploaded = d.version;
    ++device->mUniformUploads;
    const GLfloat* f = reinterpret_cast<const GLfloat*>(d.words.data());
    const GLint* i = reinterpret_cast<const GLint*>(d.words.data());
    const GLuint* ui = reinterpret_cast<const GLuint*>(d.words.data());
    GLuint p = program.name;
    GLint l = u.location;
    GLsizei n = u.count;
    if (d.columns == 1) {
      switch (d.base) {
        case BaseType::kFloat:
          if (d.rows == 1) glProgramUniform1fv(p, l, n, f);
          else if (d.rows == 2) glProgramUniform2fv(p, l, n, f);
          else if (d.rows == 3) glProgramUniform3fv(p, l, n, f);
          else glProgramUniform4fv(p, l, n, f);
          break;
        case BaseType::kUInt:
          if (d.rows == 1) glProgramUniform1uiv(p, l, n, ui);
          else if (d.rows == 2) glProgramUniform2uiv(p, l, n, ui);
          else if (d.rows == 3) glProgramUniform3uiv(p, l, n, ui);
          else glProgramUniform4uiv(p, l, n, ui);
          break;
        default:  // int and bool
          if (d.rows == 1) glProgramUniform1iv(p, l, n, i);
          else if (d.rows == 2) glProgramUniform2iv(p, l, n, i);
          else if (d.rows == 3) glProgramUniform3iv(p, l, n, i);
          else glProgramUniform4iv(p, l, n, i);
          break;
      }
      continue;
    }
    // Rows first as the helpers lay them out, not transposed: GLSL sees the transpose.
    switch (d.columns * 10 + d.rows) {
      case 22: glProgramUniformMatrix2fv(p, l, n, GL_FALSE, f); break;
      case 33: glProgramUniformMatrix3fv(p, l, n, GL_FALSE, f); break;
      case 44: glProgramUniformMatrix4fv(p, l, n, GL_FALSE, f); break;
      case 23: glProgramUniformMatrix2x3fv(p, l, n, GL_FALSE, f); break;
      case 24: glProgramUniformMatrix2x4fv(p, l, n, GL_FALSE, f); break;
      case 32: glProgramUniformMatrix3x2fv(p, l, n, GL_FALSE, f); break;
      case 34: glProgramUniformMatrix3x4fv(p, l, n, GL_FALSE, f); break;
      case 42: glProgramUniformMatrix4x2fv(p, l, n, GL_FALSE, f); break;
      case 43: glProgramUniformMatrix4x3fv(p, l, n, GL_FALSE, f); break;
      default: break;
    }
  }
  for (GlProgram::Sampler& s : program.samplers) {
    VariableData& d = *s.variable->mData;
    for (unsigned k = 0; k < s.count; ++k) {
      const d3d10gl::ShaderResourceView* view = static_cast<const d3d10gl::ShaderResourceView*>(d.views[k]);
      GLuint texture = 0;
      if (view) {
        if (view->mTarget == s.target) {
          texture = view->mTexture;
        } else if (!d.targetWarned) {
          platform::Report(platform::kReportWarning,
                           "effect variable \"%s\" (%s) was given a view of another texture dimension; it reads zero",
                           s.variable->mName.c_str(), d.typeName.c_str());
          d.targetWarned = true;
        }
      }
      device->BindTexture(s.firstUnit + k, texture);
      device->BindSampler(s.firstUnit + k, s.sampler);
    }
  }
  return S_OK;
}

// ---- Building ------------------------------------------------------------------------------

const char* StageName(Stage stage) {
  return stage == Stage::kVertex ? "vertex" : stage == Stage::kFragment ? "fragment" : "geometry";
}

GLenum SamplerTarget(unsigned target) {
  switch (target) {
    case 3: return GL_TEXTURE_3D;
    case 6: return GL_TEXTURE_CUBE_MAP;
    case 4: return GL_TEXTURE_2D_ARRAY;
    default: return GL_TEXTURE_2D;
  }
}

std::string BaseName(const std::string& name) {
  size_t bracket = name.find('[');
  return bracket == std::string::npos ? name : name.substr(0, bracket);
}

class Builder {
 public:
  Builder(Device* device, const ParsedEffect& parsed, const std::vector<std::pair<std::string, std::string>>& defines,
          std::vector<std::string>* messages)
      : mDevice(device), mParsed(parsed), mDefines(defines), mMessages(messages) {}

  ~Builder() {
    for (auto& entry : mShaders) {
      if (!entry.second) continue;  // a stage that did not compile, deleted at once
      glDeleteShader(entry.second);
      d3d10gl::CountGlObjects(d3d10gl::kGlShader, -1);
    }
  }

  bool Variables(Effect* effect) { return DeclareVariables(effect, mParsed, mMessages); }

  GLuint Shader(Stage stage, const std::string& name) {
    auto key = std::make_pair(int(stage), name);
    auto it = mShaders.find(key);
    if (it != mShaders.end()) return it->second;
    const StageSection* section = mParsed.FindStage(stage, name);
    GLenum type = stage == Stage::kVertex ? GL_VERTEX_SHADER
                  : stage == Stage::kFragment ? GL_FRAGMENT_SHADER : GL_GEOMETRY_SHADER;
    GLuint shader = glCreateShader(type);
    d3d10gl::CountGlObjects(d3d10gl::kGlShader, 1);
    std::string source = StageSource(mParsed, *section, mDefines);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (!status) {
      std::string log = InfoLog(shader, false);
      mMessages->push_back(mParsed.Where(section->headerLine) + ": error: " + StageName(stage) + " stage \"" + name +
                           "\" does not compile:");
      for (const std::string& line : Lines(MapCompilerLog(log, mParsed.source))) mMessages->push_back(line);
      glDeleteShader(shader);
      d3d10gl::CountGlObjects(d3d10gl::kGlShader, -1);
      shader = 0;
    }
    mShaders[key] = shader;
    return shader;
  }

  GlProgram* Link(Effect* effect, const PassDecl& pass) {
    auto key = std::make_tuple(pass.vertex, pass.geometry, pass.fragment);
    auto it = mPrograms.find(key);
    if (it != mPrograms.end()) return it->second;
    mPrograms[key] = nullptr;
    GLuint vs = Shader(Stage::kVertex, pass.vertex);
    GLuint gs = pass.geometry.empty() ? 0 : Shader(Stage::kGeometry, pass.geometry);
    GLuint fs = pass.fragment.empty() ? 0 : Shader(Stage::kFragment, pass.fragment);
    if (!vs || (!pass.geometry.empty() && !gs) || (!pass.fragment.empty() && !fs)) return nullptr;
    GLuint name = glCreateProgram();
    d3d10gl::CountGlObjects(d3d10gl::kGlProgram, 1);
    glAttachShader(name, vs);
    if (gs) glAttachShader(name, gs);
    if (fs) glAttachShader(name, fs);
    glLinkProgram(name);
    glDetachShader(name, vs);
    if (gs) glDetachShader(name, gs);
    if (fs) glDetachShader(name, fs);
    GLint status = 0;
    glGetProgramiv(name, GL_LINK_STATUS, &status);
    if (!status) {
      mMessages->push_back(mParsed.Where(pass.line) + ": error: pass \"" + pass.name + "\" does not link:");
      for (const std::string& line : Lines(MapCompilerLog(InfoLog(name, true), mParsed.source)))
        mMessages->push_back(line);
      glDeleteProgram(name);
      d3d10gl::CountGlObjects(d3d10gl::kGlProgram, -1);
      return nullptr;
    }
    auto program = std::make_unique<GlProgram>();
    program->name = name;
    if (!Reflect(effect, pass, program.get())) {
      glDeleteProgram(name);
      d3d10gl::CountGlObjects(d3d10gl::kGlProgram, -1);
      return nullptr;
    }
    GlProgram* raw = program.get();
    effect->mPrograms.push_back(std::move(program));
    mPrograms[key] = raw;
    return raw;
  }

 private:
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      if (end > start) lines.push_back("    " + text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  static std::string InfoLog(GLuint object, bool program) {
    GLint length = 0;
    if (program) glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(length > 0 ? length : 1), '\0');
    if (program) glGetProgramInfoLog(object, GLsizei(log.size()), nullptr, log.data());
    else glGetShaderInfoLog(object, GLsizei(log.size()), nullptr, log.data());
    log.resize(strlen(log.c_str()));
    return log;
  }

  bool Reflect(Effect* effect, const PassDecl& pass, GlProgram* program) {
    GLuint p = program->name;
    GLint count = 0;
    glGetProgramInterfaceiv(p, GL_UNIFORM, GL_ACTIVE_RESOURCES, &count);
    GLuint nextUnit = 0;
    char name[256];
    for (GLint r = 0; r < count; ++r) {
      const GLenum props[] = {GL_LOCATION, GL_ARRAY_SIZE, GL_BLOCK_INDEX};
      GLint values[3] = {-1, 0, -1};
      glGetProgramResourceiv(p, GL_UNIFORM, GLuint(r), 3, props, 3, nullptr, values);
      glGetProgramResourceName(p, GL_UNIFORM, GLuint(r), sizeof(name), nullptr, name);
      if (values[0] < 0 || values[2] >= 0) continue;  // in a block, or a built-in
      std::string base = BaseName(name);
      Variable* v = effect->FindVariable(base.c_str());
      if (!v) {
        mMessages->push_back(mParsed.Where(pass.line) + ": warning: uniform \"" + base +
                             "\" was not found among the declarations; it keeps its GLSL value");
        continue;
      }
      VariableData& d = *v->mData;
      GLsizei elements = GLsizei(values[1] < GLint(d.Count()) ? values[1] : GLint(d.Count()));
      if (d.base == BaseType::kSampler) {
        if (nextUnit + GLuint(elements) > Device::kTextureUnits) {
          mMessages->push_back(mParsed.Where(pass.line) + ": error: pass \"" + pass.name + "\" uses more than " +
                               std::to_string(Device::kTextureUnits) + " textures");
          return false;
        }
        GLint units[Device::kTextureUnits];
        for (GLsizei k = 0; k < elements; ++k) units[k] = GLint(nextUnit + GLuint(k));
        glProgramUniform1iv(p, values[0], elements, units);
        const d3d10gl::SamplerDesc* desc = effect->FindSamplerDesc(base);
        d3d10gl::SamplerDesc defaults;
        program->samplers.push_back({v, nextUnit, unsigned(elements), mDevice->Sampler(desc ? *desc : defaults),
                                     SamplerTarget(d.samplerTarget)});
        nextUnit += GLuint(elements);
      } else {
        const UniformDecl* decl = mParsed.FindUniform(base);
        if (decl && decl->initializerUnread && !mReadBack.count(base)) {
          // An initializer this layer could not evaluate: take the value GL computed for it.
          for (GLsizei e = 0; e < elements; ++e) {
            std::string elementName = d.elements ? base + "[" + std::to_string(e) + "]" : base;
            GLint location = glGetProgramResourceLocation(p, GL_UNIFORM, elementName.c_str());
            if (location < 0) continue;
            uint32_t* words = &d.words[size_t(e) * d.Components()];
            if (d.base == BaseType::kFloat) glGetUniformfv(p, location, reinterpret_cast<GLfloat*>(words));
            else if (d.base == BaseType::kUInt) glGetUniformuiv(p, location, reinterpret_cast<GLuint*>(words));
            else glGetUniformiv(p, location, reinterpret_cast<GLint*>(words));
          }
          mReadBack[base] = true;
        }
        program->uniforms.push_back({v, values[0], elements, 0});
      }
    }

    std::vector<d3d10gl::SignatureInput> inputs;
    glGetProgramInterfaceiv(p, GL_PROGRAM_INPUT, GL_ACTIVE_RESOURCES, &count);
    for (GLint r = 0; r < count; ++r) {
      const GLenum props[] = {GL_LOCATION, GL_TYPE};
      GLint values[2] = {-1, 0};
      glGetProgramResourceiv(p, GL_PROGRAM_INPUT, GLuint(r), 2, props, 2, nullptr, values);
      if (values[0] < 0) continue;  // gl_VertexID and the like
      glGetProgramResourceName(p, GL_PROGRAM_INPUT, GLuint(r), sizeof(name), nullptr, name);
      d3d10gl::SignatureInput in{};
      std::string semantic;
      UINT index = 0;
      d3d10gl::SplitSemantic(BaseName(name).c_str(), &semantic, &index);
      snprintf(in.semantic, sizeof(in.semantic), "%s", semantic.c_str());
      in.index = index;
      in.location = values[0];
      in.type = uint32_t(values[1]);
      inputs.push_back(in);
    }
    program->signatureBytes = d3d10gl::BuildSignature(inputs);
    program->signature = d3d10gl::ReadSignature(program->signatureBytes.data(), program->signatureBytes.size())->id;
    return true;
  }

  Device* mDevice;
  const ParsedEffect& mParsed;
  const std::vector<std::pair<std::string, std::string>>& mDefines;
  std::vector<std::string>* mMessages;
  std::map<std::pair<int, std::string>, GLuint> mShaders;
  std::map<std::tuple<std::string, std::string, std::string>, GlProgram*> mPrograms;
  std::map<std::string, bool> mReadBack;
};

bool GlBackend::Build(Effect* effect, const ParsedEffect& parsed,
                      const std::vector<std::pair<std::string, std::string>>& defines,
                      std::vector<std::string>* messages) {
  mDevice->MakeCurrent();
  Builder builder(mDevice, parsed, defines, messages);
  bool ok = builder.Variables(effect);
  for (const TechniqueDecl& decl : parsed.techniques) {
    auto technique = std::make_unique<Technique>();
    technique->mEffect = effect;
    technique->mName = decl.name;
    for (const PassDecl& passDecl : decl.passes) {
      GlProgram* program = builder.Link(effect, passDecl);  // every pass, so every error is told
      if (!program) {
        ok = false;
        continue;
      }
      auto pass = std::make_unique<Pass>();
      pass->mEffect = effect;
      pass->mName = passDecl.name;
      pass->mProgram = program;
      pass->mStates = passDecl.states;
      technique->mPasses.push_back(std::move(pass));
    }
    effect->mTechniques.push_back(std::move(technique));
  }
  return ok;
}

void GlBackend::DeletePrograms(std::vector<std::unique_ptr<Program>>& programs) {
  d3d10gl::GlCall glCall("ID3D10Effect::Release");
  mDevice->MakeCurrent();
  for (auto& program : programs) {
    const GLuint name = static_cast<GlProgram&>(*program).name;
    mDevice->ForgetProgram(name);
    glDeleteProgram(name);
    d3d10gl::CountGlObjects(d3d10gl::kGlProgram, -1);
  }
  programs.clear();
}

}  // namespace

std::unique_ptr<EffectBackend> MakeGlEffectBackend(ID3D10Device* device) {
  return std::make_unique<GlBackend>(d3d10com::ImplementationOf<Device>(device, IID_DuskGlDevice));
}


}  // namespace d3dx10fx
