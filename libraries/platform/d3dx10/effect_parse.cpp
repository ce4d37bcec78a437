// The effect-file format: include expansion with line origins, sections, pass and sampler lines,
// uniform declarations with their constant initial values, and the GLSL text of each stage.
// Sections: includes · sections · uniforms · initializers · stage text and compiler messages.
#include "effect_parse_p.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

namespace d3dx10fx {
namespace {

constexpr int kMaxIncludeDepth = 32;
// Includes that are not cycles can still multiply (a file that includes another twice, which
// includes a third twice, ...); past this many lines the expansion stops.
constexpr size_t kMaxExpandedLines = 1u << 20;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == text.size()) break;
    start = end + 1;
  }
  // A final newline does not make one more (empty) line.
  if (!lines.empty() && lines.back().empty() && !text.empty() && text.back() == '\n') lines.pop_back();
  return lines;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && isspace(static_cast<unsigned char>(s[i]))) ++i;
    size_t b = i;
    while (i < s.size() && !isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i > b) words.push_back(s.substr(b, i - b));
  }
  return words;
}

// "#include "name"" or "#include <name>": the name, or empty when the line is something else.
bool IncludeName(const std::string& line, std::string* name, bool* malformed) {
  *malformed = false;
  size_t i = 0;
  while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) ++i;
  if (i >= line.size() || line[i] != '#') return false;
  ++i;
  while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) ++i;
  if (line.compare(i, 7, "include") != 0) return false;
  i += 7;
  while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) ++i;
  if (i >= line.size() || (line[i] != '"' && line[i] != '<')) {
    *malformed = true;
    return true;
  }
  char close = line[i] == '"' ? '"' : '>';
  size_t end = line.find(close, i + 1);
  if (end == std::string::npos || end == i + 1) {
    *malformed = true;
    return true;
  }
  *name = line.substr(i + 1, end - i - 1);
  return true;
}

// "-- line N "file"": sets *line and *file.
bool LineMarker(const std::string& text, int* line, std::string* file) {
  if (text.compare(0, 8, "-- line ") != 0) return false;
  const char* p = text.c_str() + 8;
  char* end = nullptr;
  long n = strtol(p, &end, 10);
  if (end == p || n < 1) return false;
  const char* q1 = strchr(end, '"');
  const char* q2 = q1 ? strrchr(q1 + 1, '"') : nullptr;
  if (!q1 || !q2 || q2 == q1 + 1) return false;
  *line = int(n);
  file->assign(q1 + 1, q2);
  return true;
}

int FileIndex(Expanded* out, const std::string& name) {
  for (size_t i = 0; i < out->files.size(); ++i)
    if (out->files[i] == name) return int(i);
  out->files.push_back(name);
  return int(out->files.size() - 1);
}

// `chain` holds the names of the files being expanded, outermost first.
bool Expand(const std::string& text, int file, std::vector<std::string>& chain, const IncludeResolver& resolve,
            Expanded* out, std::vector<std::string>* errors) {
  const int depth = int(chain.size()) - 1;
  bool ok = true;
  int lineNumber = 1;
  int origin = file;
  for (const std::string& line : SplitLines(text)) {
    int markerLine = 0;
    std::string markerFile;
    if (LineMarker(line, &markerLine, &markerFile)) {
      origin = FileIndex(out, markerFile);
      lineNumber = markerLine;
      continue;
    }
    std::string name;
    bool malformed = false;
    if (IncludeName(line, &name, &malformed)) {
      std::string where = out->files[origin] + ":" + std::to_string(lineNumber) + ": ";
      if (malformed) {
        errors->push_back(where + "error: #include needs a file name in quotes");
        ok = false;
      } else if (depth >= kMaxIncludeDepth) {
        errors->push_back(where + "error: includes nested too deeply (does \"" + name + "\" include itself?)");
        ok = false;
      } else {
        std::string included, resolved;
        if (!resolve || !resolve(name, out->files[origin], &included, &resolved)) {
          errors->push_back(where + "error: cannot open include file \"" + name + "\"");
          ok = false;
        } else if (std::find(chain.begin(), chain.end(), resolved.empty() ? name : resolved) != chain.end()) {
          // Expanding a file inside itself never ends; a file that does it twice doubles each round.
          errors->push_back(where + "error: \"" + name + "\" includes itself");
          ok = false;
        } else {
          out->files.push_back(resolved.empty() ? name : resolved);
          chain.push_back(out->files.back());
          ok = Expand(included, int(out->files.size() - 1), chain, resolve, out, errors) && ok;
          chain.pop_back();
          if (out->lines.size() > kMaxExpandedLines) return false;
        }
      }
      ++lineNumber;
      continue;
    }
    if (out->lines.size() == kMaxExpandedLines) {
      errors->push_back(out->files[origin] + ":" + std::to_string(lineNumber) + ": error: more than " +
                        std::to_string(kMaxExpandedLines) + " lines with the includes expanded");
      out->lines.push_back({line, origin, lineNumber});  // past the limit: the callers stop
      return false;
    }
    out->lines.push_back({line, origin, lineNumber});
    ++lineNumber;
  }
  return ok;
}

}  // namespace

bool ExpandIncludes(const std::string& text, const std::string& fileName, const IncludeResolver& resolve,
                    Expanded* out, std::vector<std::string>* errors) {
  out->files.assign(1, fileName);
  out->lines.clear();
  std::vector<std::string> chain{fileName};
  return Expand(text, 0, chain, resolve, out, errors);
}

std::string WriteExpanded(const Expanded& expanded) {
  std::string text;
  int file = -1, next = 0;
  for (const SourceLine& line : expanded.lines) {
    if (line.file != file || line.line != next)
      text += "-- line " + std::to_string(line.line) + " \"" + expanded.files[line.file] + "\"\n";
    text += line.text;
    text += '\n';
    file = line.file;
    next = line.line + 1;
  }
  return text;
}

// ---- Sections --------------------------------------------------------------------------------

const StageSection* ParsedEffect::FindStage(Stage stage, const std::string& name) const {
  for (const StageSection& s : stages)
    if (s.stage == stage && s.name == name) return &s;
  return nullptr;
}

const SamplerSection* ParsedEffect::FindSampler(const std::string& variable) const {
  for (const SamplerSection& s : samplers)
    if (s.variable == variable) return &s;
  return nullptr;
}

const UniformDecl* ParsedEffect::FindUniform(const std::string& name) const {
  for (const UniformDecl& u : uniforms)
    if (u.name == name) return &u;
  return nullptr;
}

std::string ParsedEffect::Where(int line) const {
  if (line < 0 || line >= int(source.lines.size())) return source.files.empty() ? "?" : source.files[0];
  const SourceLine& l = source.lines[line];
  return source.files[l.file] + ":" + std::to_string(l.line);
}

namespace {

bool IsHeader(const std::string& line) {
  return line.size() >= 2 && line[0] == '-' && line[1] == '-' && (line.size() == 2 || line[2] == ' ' || line[2] == '\t');
}

bool IsBlankOrComment(const std::string& line) {
  std::string t = Trim(line);
  return t.empty() || t.compare(0, 2, "//") == 0;
}

bool ParseSamplerKey(const std::string& key, const std::string& value, d3d10gl::SamplerDesc* desc) {
  using namespace d3d10gl;
  auto address = [](const std::string& v, uint8_t* out) {
    if (v == "wrap") *out = kAddressWrap;
    else if (v == "clamp") *out = kAddressClamp;
    else if (v == "mirror") *out = kAddressMirror;
    else if (v == "border") *out = kAddressBorder;
    else return false;
    return true;
  };
  if (key == "filter") {
    if (value == "point") desc->filter = kFilterPoint;
    else if (value == "linear") desc->filter = kFilterLinear;
    else if (value == "anisotropic") desc->filter = kFilterAnisotropic;
    else return false;
    return true;
  }
  if (key == "mip") {
    if (value == "none") desc->mip = 0;
    else if (value == "linear") desc->mip = 1;
    else if (value == "point") desc->mip = 2;
    else return false;
    return true;
  }
  if (key == "address") {
    uint8_t a;
    if (!address(value, &a)) return false;
    desc->address[0] = desc->address[1] = desc->address[2] = a;
    return true;
  }
  if (key == "addressU") return address(value, &desc->address[0]);
  if (key == "addressV") return address(value, &desc->address[1]);
  if (key == "addressW") return address(value, &desc->address[2]);
  if (key == "border") {
    float c[4] = {0, 0, 0, 0};
    const char* p = value.c_str();
    for (int i = 0; i < 4; ++i) {
      char* end = nullptr;
      c[i] = strtof(p, &end);
      if (end == p) return false;
      p = end;
      if (i < 3) {
        if (*p != ',') return false;
        ++p;
      }
    }
    if (*p) return false;
    memcpy(desc->border, c, sizeof(c));
    return true;
  }
  return false;
}

bool ParsePassKey(const std::string& key, const std::string& value, PassDecl* pass) {
  using namespace d3d10gl;
  if (key == "vertex") return !(pass->vertex = value).empty();
  if (key == "fragment") return !(pass->fragment = value).empty();
  if (key == "geometry") return !(pass->geometry = value).empty();
  if (key == "blend") {
    if (value == "none") pass->states.blend = kBlendNone;
    else if (value == "alpha") pass->states.blend = kBlendAlpha;
    else if (value == "add") pass->states.blend = kBlendAdd;
    else if (value == "premultiplied") pass->states.blend = kBlendPremultiplied;
    else if (value == "multiply") pass->states.blend = kBlendMultiply;
    else return false;
    return true;
  }
  if (key == "depth") {
    if (value == "off") pass->states.depth = kDepthOff;
    else if (value == "test") pass->states.depth = kDepthTest;
    else if (value == "write") pass->states.depth = kDepthWrite;
    else if (value == "writeonly") pass->states.depth = kDepthWriteOnly;
    else return false;
    return true;
  }
  if (key == "cull") {
    if (value == "none") pass->states.cull = kCullNone;
    else if (value == "back") pass->states.cull = kCullBack;
    else if (value == "front") pass->states.cull = kCullFront;
    else return false;
    return true;
  }
  if (key == "fill") {
    if (value == "solid") pass->states.fill = kFillSolid;
    else if (value == "wireframe") pass->states.fill = kFillWireframe;
    else return false;
    return true;
  }
  return false;
}

bool SplitKeyValue(const std::string& word, std::string* key, std::string* value) {
  size_t eq = word.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == word.size()) return false;
  *key = word.substr(0, eq);
  *value = word.substr(eq + 1);
  return true;
}

// ---- Uniforms --------------------------------------------------------------------------------

struct TypeEntry {
  const char* name;
  BaseType base;
  unsigned columns, rows, target;
};

const TypeEntry kTypes[] = {
    {"float", BaseType::kFloat, 1, 1, 0},   {"vec2", BaseType::kFloat, 1, 2, 0},
    {"vec3", BaseType::kFloat, 1, 3, 0},    {"vec4", BaseType::kFloat, 1, 4, 0},
    {"int", BaseType::kInt, 1, 1, 0},       {"ivec2", BaseType::kInt, 1, 2, 0},
    {"ivec3", BaseType::kInt, 1, 3, 0},     {"ivec4", BaseType::kInt, 1, 4, 0},
    {"uint", BaseType::kUInt, 1, 1, 0},     {"uvec2", BaseType::kUInt, 1, 2, 0},
    {"uvec3", BaseType::kUInt, 1, 3, 0},    {"uvec4", BaseType::kUInt, 1, 4, 0},
    {"bool", BaseType::kBool, 1, 1, 0},     {"bvec2", BaseType::kBool, 1, 2, 0},
    {"bvec3", BaseType::kBool, 1, 3, 0},    {"bvec4", BaseType::kBool, 1, 4, 0},
    {"mat2", BaseType::kFloat, 2, 2, 0},    {"mat3", BaseType::kFloat, 3, 3, 0},
    {"mat4", BaseType::kFloat, 4, 4, 0},    {"mat2x2", BaseType::kFloat, 2, 2, 0},
    {"mat2x3", BaseType::kFloat, 2, 3, 0},  {"mat2x4", BaseType::kFloat, 2, 4, 0},
    {"mat3x2", BaseType::kFloat, 3, 2, 0},  {"mat3x3", BaseType::kFloat, 3, 3, 0},
    {"mat3x4", BaseType::kFloat, 3, 4, 0},  {"mat4x2", BaseType::kFloat, 4, 2, 0},
    {"mat4x3", BaseType::kFloat, 4, 3, 0},  {"mat4x4", BaseType::kFloat, 4, 4, 0},
    {"sampler2D", BaseType::kSampler, 1, 1, 2},       {"sampler3D", BaseType::kSampler, 1, 1, 3},
    {"samplerCube", BaseType::kSampler, 1, 1, 6},     {"sampler2DArray", BaseType::kSampler, 1, 1, 4},
    {"sampler2DShadow", BaseType::kSampler, 1, 1, 2}, {"isampler2D", BaseType::kSampler, 1, 1, 2},
    {"usampler2D", BaseType::kSampler, 1, 1, 2},      {"isampler3D", BaseType::kSampler, 1, 1, 3},
    {"usampler3D", BaseType::kSampler, 1, 1, 3},
};

const TypeEntry* FindType(const std::string& name) {
  for (const TypeEntry& t : kTypes)
    if (name == t.name) return &t;
  return nullptr;
}

struct Token {
  std::string text;
  bool word;  // identifier or number
};

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (isspace(c)) {
      ++i;
    } else if (isalnum(c) || c == '_' || c == '.') {
      size_t b = i;
      while (i < s.size() && (isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' || s[i] == '.' ||
                              ((s[i] == '+' || s[i] == '-') && i > b && (s[i - 1] == 'e' || s[i - 1] == 'E') &&
                               isdigit(static_cast<unsigned char>(s[b])))))
        ++i;
      tokens.push_back({s.substr(b, i - b), true});
    } else {
      tokens.push_back({std::string(1, char(c)), false});
      ++i;
    }
  }
  return tokens;
}

std::string Join(const std::vector<Token>& tokens, size_t b, size_t e) {
  std::string s;
  for (size_t i = b; i < e; ++i) {
    if (!s.empty()) s += ' ';
    s += tokens[i].text;
  }
  return s;
}

bool HasUniformWord(const std::string& statement) {
  for (const Token& t : Tokenize(statement))
    if (t.text == "uniform") return true;
  return false;
}

class UniformReader {
 public:
  UniformReader(ParsedEffect* effect, std::vector<std::string>* errors) : mEffect(effect), mErrors(errors) {}

  // Reads the global statements of one run of lines (the common lines, or one stage's).
  void Read(const std::vector<int>& lines) {
    std::string statement;
    int statementLine = -1;
    int depth = 0;
    bool inBlockComment = false;
    for (int index : lines) {
      const std::string& text = mEffect->source.lines[index].text;
      std::string t = Trim(text);
      if (!inBlockComment && !t.empty() && t[0] == '#') continue;  // preprocessor lines
      for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inBlockComment) {
          if (c == '*' && i + 1 < text.size() && text[i + 1] == '/') {
            inBlockComment = false;
            ++i;
          }
          continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') break;
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
          inBlockComment = true;
          ++i;
          continue;
        }
        if (c == '{') {
          // A block after "uniform Name" is a uniform block; anything else is a body.
          if (depth == 0 && !mBlockReported && HasUniformWord(statement)) {
            Error(statementLine, "uniform blocks are not supported; declare the uniforms one by one");
            mBlockReported = true;
          }
          ++depth;
          continue;
        }
        if (c == '}') {
          if (depth > 0 && --depth == 0) {
            statement.clear();
            statementLine = -1;
          }
          continue;
        }
        if (depth > 0) continue;
        if (c == ';') {
          Statement(statement, statementLine);
          statement.clear();
          statementLine = -1;
          continue;
        }
        if (statementLine < 0 && !isspace(static_cast<unsigned char>(c))) statementLine = index;
        statement += c;
      }
      if (depth == 0 && !statement.empty()) statement += ' ';
    }
  }

 private:
  void Error(int line, const std::string& message) {
    mErrors->push_back(mEffect->Where(line) + ": error: " + message);
  }

  void Statement(const std::string& text, int line) {
    std::vector<Token> tokens = Tokenize(text);
    size_t i = 0;
    if (i < tokens.size() && tokens[i].text == "layout") {
      ++i;
      int parens = 0;
      for (; i < tokens.size(); ++i) {
        if (tokens[i].text == "(") ++parens;
        else if (tokens[i].text == ")" && --parens == 0) {
          ++i;
          break;
        }
      }
    }
    if (i >= tokens.size() || tokens[i].text != "uniform") return;
    ++i;
    while (i < tokens.size() && (tokens[i].text == "highp" || tokens[i].text == "mediump" ||
                                 tokens[i].text == "lowp" || tokens[i].text == "const"))
      ++i;
    if (i >= tokens.size()) return;
    const TypeEntry* type = FindType(tokens[i].text);
    if (!type) {
      Error(line, "uniform type \"" + tokens[i].text + "\" is not supported");
      return;
    }
    std::string typeName = tokens[i].text;
    ++i;
    while (i < tokens.size()) {
      UniformDecl u{};
      u.typeName = typeName;
      u.base = type->base;
      u.columns = type->columns;
      u.rows = type->rows;
      u.samplerTarget = type->target;
      u.line = line;
      if (!tokens[i].word || isdigit(static_cast<unsigned char>(tokens[i].text[0]))) {
        Error(line, "expected a uniform name after \"" + typeName + "\"");
        return;
      }
      u.name = tokens[i].text;
      ++i;
      if (i < tokens.size() && tokens[i].text == "[") {
        char* end = nullptr;
        long n = i + 1 < tokens.size() ? strtol(tokens[i + 1].text.c_str(), &end, 10) : 0;
        if (i + 2 >= tokens.size() || !end || *end || n <= 0 || n > 4096 || tokens[i + 2].text != "]") {
          Error(line, "the size of uniform array \"" + u.name + "\" must be a positive number");
          return;
        }
        u.elements = unsigned(n);
        i += 3;
      }
      if (i < tokens.size() && tokens[i].text == "=") {
        size_t b = ++i;
        int parens = 0;
        while (i < tokens.size() && !(parens == 0 && tokens[i].text == ",")) {
          if (tokens[i].text == "(") ++parens;
          if (tokens[i].text == ")") --parens;
          ++i;
        }
        if (u.base == BaseType::kSampler) {
          Error(line, "sampler \"" + u.name + "\" cannot have an initial value");
          return;
        }
        u.hasInitialValue = EvaluateInitializer(Join(tokens, b, i), u, &u.initialValue);
        u.initializerUnread = !u.hasInitialValue;
      }
      Add(u);
      if (i < tokens.size() && tokens[i].text == ",") {
        ++i;
        continue;
      }
      if (i < tokens.size()) Error(line, "unexpected \"" + tokens[i].text + "\" in the declaration of \"" + u.name + "\"");
      return;
    }
  }

  void Add(const UniformDecl& u) {
    for (const UniformDecl& other : mEffect->uniforms) {
      if (other.name != u.name) continue;
      if (other.typeName != u.typeName || other.elements != u.elements)
        Error(u.line, "uniform \"" + u.name + "\" is declared again with another type (first at " +
                          mEffect->Where(other.line) + ")");
      return;
    }
    mEffect->uniforms.push_back(u);
  }

  ParsedEffect* mEffect;
  std::vector<std::string>* mErrors;
  bool mBlockReported = false;
};

}  // namespace

bool ParseEffect(Expanded source, ParsedEffect* out, std::vector<std::string>* errors) {
  *out = ParsedEffect{};
  out->source = std::move(source);
  size_t errorsBefore = errors->size();
  enum class Kind { kCommon, kStage, kSampler, kTechnique } kind = Kind::kCommon;
  auto error = [&](int line, const std::string& message) {
    errors->push_back(out->Where(line) + ": error: " + message);
  };

  for (int index = 0; index < int(out->source.lines.size()); ++index) {
    const std::string& line = out->source.lines[index].text;
    if (!IsHeader(line)) {
      switch (kind) {
        case Kind::kCommon: out->common.push_back(index); break;
        case Kind::kStage: out->stages.back().lines.push_back(index); break;
        case Kind::kSampler:
          if (!IsBlankOrComment(line)) error(index, "a sampler section holds nothing but its header line");
          break;
        case Kind::kTechnique: {
          if (IsBlankOrComment(line)) break;
          std::vector<std::string> words = Words(line);
          if (words[0] != "pass" || words.size() < 2 || words[1].find('=') != std::string::npos) {
            error(index, "expected \"pass NAME key=value ...\" in technique \"" + out->techniques.back().name + "\"");
            break;
          }
          PassDecl pass;
          pass.name = words[1];
          pass.line = index;
          for (size_t w = 2; w < words.size(); ++w) {
            if (words[w].compare(0, 2, "//") == 0) break;
            std::string key, value;
            if (!SplitKeyValue(words[w], &key, &value) || !ParsePassKey(key, value, &pass))
              error(index, "unknown pass setting \"" + words[w] + "\"");
          }
          for (const PassDecl& other : out->techniques.back().passes)
            if (other.name == pass.name) error(index, "pass \"" + pass.name + "\" appears twice");
          out->techniques.back().passes.push_back(pass);
          break;
        }
      }
      continue;
    }
    std::string header = line.substr(2);
    size_t comment = header.find("//");
    if (comment != std::string::npos) header.resize(comment);
    std::vector<std::string> words = Words(header);
    std::string section = words.empty() ? "" : words[0];
    if (section == "common" && words.size() == 1) {
      kind = Kind::kCommon;
    } else if ((section == "vertex" || section == "fragment" || section == "geometry") && words.size() == 2) {
      Stage stage = section == "vertex" ? Stage::kVertex : section == "fragment" ? Stage::kFragment : Stage::kGeometry;
      if (out->FindStage(stage, words[1])) error(index, section + " stage \"" + words[1] + "\" is defined twice");
      out->stages.push_back({stage, words[1], {}, index});
      kind = Kind::kStage;
    } else if (section == "sampler" && words.size() >= 2) {
      SamplerSection sampler{words[1], d3d10gl::SamplerDesc{}, index};
      for (size_t w = 2; w < words.size(); ++w) {
        std::string key, value;
        if (!SplitKeyValue(words[w], &key, &value) || !ParseSamplerKey(key, value, &sampler.desc))
          error(index, "unknown sampler setting \"" + words[w] + "\"");
      }
      // A later declaration of the same sampler (an effect re-stating a pool's) replaces the first.
      bool replaced = false;
      for (SamplerSection& other : out->samplers)
        if (other.variable == sampler.variable) {
          other = sampler;
          replaced = true;
        }
      if (!replaced) out->samplers.push_back(sampler);
      kind = Kind::kSampler;
    } else if (section == "technique" && words.size() == 2) {
      for (const TechniqueDecl& other : out->techniques)
        if (other.name == words[1]) error(index, "technique \"" + words[1] + "\" is defined twice");
      out->techniques.push_back({words[1], {}, index});
      kind = Kind::kTechnique;
    } else {
      error(index, "unknown section \"" + Trim(line) + "\" (expected common, vertex NAME, fragment NAME, "
                   "geometry NAME, sampler VARIABLE ..., technique NAME)");
    }
  }

  for (const TechniqueDecl& technique : out->techniques) {
    for (const PassDecl& pass : technique.passes) {
      if (pass.vertex.empty()) error(pass.line, "pass \"" + pass.name + "\" has no vertex stage");
      else if (!out->FindStage(Stage::kVertex, pass.vertex))
        error(pass.line, "pass \"" + pass.name + "\" names vertex stage \"" + pass.vertex + "\", which is not defined");
      if (!pass.fragment.empty() && !out->FindStage(Stage::kFragment, pass.fragment))
        error(pass.line, "pass \"" + pass.name + "\" names fragment stage \"" + pass.fragment + "\", which is not defined");
      if (!pass.geometry.empty() && !out->FindStage(Stage::kGeometry, pass.geometry))
        error(pass.line, "pass \"" + pass.name + "\" names geometry stage \"" + pass.geometry + "\", which is not defined");
    }
  }

  UniformReader reader(out, errors);
  reader.Read(out->common);
  for (const StageSection& stage : out->stages) reader.Read(stage.lines);
  for (const SamplerSection& sampler : out->samplers) {
    const UniformDecl* u = out->FindUniform(sampler.variable);
    if (!u || u->base != BaseType::kSampler)
      error(sampler.headerLine, "sampler settings for \"" + sampler.variable + "\", which is not a sampler uniform");
  }
  return errors->size() == errorsBefore;
}

// ---- Initializers ----------------------------------------------------------------------------

namespace {

class Evaluator {
 public:
  explicit Evaluator(const std::string& text) : mTokens(Tokenize(text)) {}

  bool Run(std::vector<double>* out) {
    if (!Expression(out)) return false;
    return mPos == mTokens.size();
  }

 private:
  bool Peek(const char* text) const { return mPos < mTokens.size() && mTokens[mPos].text == text; }

  static bool Combine(std::vector<double>* a, const std::vector<double>& b, char op) {
    if (a->size() != b.size() && a->size() != 1 && b.size() != 1) return false;
    size_t n = a->size() > b.size() ? a->size() : b.size();
    std::vector<double> r(n);
    for (size_t i = 0; i < n; ++i) {
      double x = (*a)[a->size() == 1 ? 0 : i], y = b[b.size() == 1 ? 0 : i];
      switch (op) {
        case '+': r[i] = x + y; break;
        case '-': r[i] = x - y; break;
        case '*': r[i] = x * y; break;
        default:
          if (y == 0) return false;
          r[i] = x / y;
          break;
      }
    }
    *a = std::move(r);
    return true;
  }

  bool Expression(std::vector<double>* out) {
    if (!Term(out)) return false;
    while (Peek("+") || Peek("-")) {
      char op = mTokens[mPos++].text[0];
      std::vector<double> rhs;
      if (!Term(&rhs) || !Combine(out, rhs, op)) return false;
    }
    return true;
  }

  bool Term(std::vector<double>* out) {
    if (!Unary(out)) return false;
    while (Peek("*") || Peek("/")) {
      char op = mTokens[mPos++].text[0];
      std::vector<double> rhs;
      if (!Unary(&rhs) || !Combine(out, rhs, op)) return false;
    }
    return true;
  }

  bool Unary(std::vector<double>* out) {
    if (Peek("-")) {
      ++mPos;
      if (!Unary(out)) return false;
      for (double& v : *out) v = -v;
      return true;
    }
    if (Peek("+")) {
      ++mPos;
      return Unary(out);
    }
    return Primary(out);
  }

  bool Arguments(std::vector<std::vector<double>>* args) {
    if (!Peek("(")) return false;
    ++mPos;
    if (Peek(")")) {
      ++mPos;
      return true;
    }
    for (;;) {
      std::vector<double> arg;
      if (!Expression(&arg)) return false;
      args->push_back(std::move(arg));
      if (Peek(",")) {
        ++mPos;
        continue;
      }
      if (!Peek(")")) return false;
      ++mPos;
      return true;
    }
  }

  bool Primary(std::vector<double>* out) {
    if (mPos >= mTokens.size()) return false;
    const Token& t = mTokens[mPos];
    if (t.text == "(") {
      ++mPos;
      if (!Expression(out) || !Peek(")")) return false;
      ++mPos;
      return true;
    }
    if (!t.word) return false;
    if (t.text == "true" || t.text == "false") {
      ++mPos;
      *out = {t.text == "true" ? 1.0 : 0.0};
      return true;
    }
    if (isdigit(static_cast<unsigned char>(t.text[0])) || t.text[0] == '.') {
      std::string number = t.text;
      while (!number.empty() && (number.back() == 'f' || number.back() == 'F' || number.back() == 'u' ||
                                 number.back() == 'U'))
        number.pop_back();
      char* end = nullptr;
      double v = (number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X'))
                     ? double(strtoul(number.c_str(), &end, 16))
                     : strtod(number.c_str(), &end);
      if (!end || *end) return false;
      ++mPos;
      *out = {v};
      return true;
    }
    // A constructor: a type, optionally as an array "type[N]", then its arguments.
    const TypeEntry* type = FindType(t.text);
    if (!type || type->base == BaseType::kSampler) return false;
    ++mPos;
    bool array = false;
    if (Peek("[")) {
      array = true;
      ++mPos;
      if (mPos < mTokens.size() && mTokens[mPos].word) ++mPos;
      if (!Peek("]")) return false;
      ++mPos;
    }
    std::vector<std::vector<double>> args;
    if (!Arguments(&args) || args.empty()) return false;
    out->clear();
    for (const auto& a : args) out->insert(out->end(), a.begin(), a.end());
    if (array) return true;
    unsigned n = type->columns * type->rows;
    if (args.size() == 1 && args[0].size() == 1) {
      double s = args[0][0];
      out->assign(n, 0.0);
      if (type->columns > 1) {
        // matN(s): s on the diagonal.
        for (unsigned c = 0; c < type->columns && c < type->rows; ++c) (*out)[c * type->rows + c] = s;
      } else {
        out->assign(n, s);
      }
      return true;
    }
    if (out->size() < n) return false;
    out->resize(n);
    return true;
  }

  std::vector<Token> mTokens;
  size_t mPos = 0;
};

}  // namespace

bool EvaluateInitializer(const std::string& text, const UniformDecl& type, std::vector<double>* out) {
  std::vector<double> values;
  if (!Evaluator(text).Run(&values)) return false;
  size_t wanted = size_t(type.Components()) * type.Count();
  if (values.size() == 1 && wanted > 1 && type.elements == 0 && type.columns == 1) values.assign(wanted, values[0]);
  if (values.size() != wanted) return false;
  *out = std::move(values);
  return true;
}

// ---- Stage text and compiler messages --------------------------------------------------------

std::string StageSource(const ParsedEffect& effect, const StageSection& stage,
                        const std::vector<std::pair<std::string, std::string>>& defines) {
  std::string text = "#version 450 core\n";
  for (const auto& d : defines) text += "#define " + d.first + " " + d.second + "\n";
  // Numbered by place in the expanded text rather than by (file, line): compilers differ in how
  // they report source-string numbers, but all of them report line numbers.
  int next = -1;
  auto emit = [&](int index) {
    const std::string& line = effect.source.lines[index].text;
    // The version is ours to state, first; a file's own "#version" line would come too late.
    if (Trim(line).compare(0, 8, "#version") == 0) return;
    if (index != next) text += "#line " + std::to_string(index + 1) + " 0\n";
    text += line;
    text += '\n';
    next = index + 1;
  };
  for (int index : effect.common) emit(index);
  for (int index : stage.lines) emit(index);
  return text;
}

std::string MapCompilerLog(const std::string& log, const Expanded& source) {
  std::string out;
  for (const std::string& raw : SplitLines(log)) {
    std::string line = raw;
    const char* p = line.c_str();
    std::string prefix;
    if (strncmp(p, "ERROR: ", 7) == 0) {
      prefix = "error: ";
      p += 7;
    } else if (strncmp(p, "WARNING: ", 9) == 0) {
      prefix = "warning: ";
      p += 9;
    }
    char* end = nullptr;
    long f = strtol(p, &end, 10);
    if (end != p && *end == ':' && f == 0) {
      const char* q = end + 1;
      long l = strtol(q, &end, 10);
      if (end != q && l >= 1 && l <= long(source.lines.size())) {
        const SourceLine& origin = source.lines[size_t(l - 1)];
        if (*end == '(') {  // Mesa: "F:L(C): error: ..."
          const char* close = strchr(end, ')');
          if (close) end = const_cast<char*>(close + 1);
        }
        if (*end == ':') {
          ++end;
          while (*end == ' ') ++end;
          line = source.files[origin.file] + ":" + std::to_string(origin.line) + ": " + prefix + end;
        }
      }
    }
    if (Trim(line).empty()) continue;
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace d3dx10fx
