// Platform-internal: the effect-file format without any GL. Includes are expanded with every
// line keeping its origin (file and line), the text is split into sections (common, stages,
// samplers, techniques with passes), and the uniform declarations are read with their types and
// constant initial values. Errors name "file:line: ...".
#pragma once

#include "../d3d10/pipeline_states_p.h"

#include <functional>
#include <string>
#include <vector>

namespace d3dx10fx {

// One line of the expanded text and where it came from.
struct SourceLine {
  std::string text;
  int file;  // index into Expanded::files
  int line;  // 1-based
};

struct Expanded {
  std::vector<std::string> files;  // files[0] is the effect file itself
  std::vector<SourceLine> lines;
};

// Resolves an include: fills *text (and *resolvedName, the name messages use for the file; left
// empty it is the name as written) and returns true, or returns false when the file is not found.
// includer is the resolved name of the file that holds the #include line.
using IncludeResolver = std::function<bool(const std::string& name, const std::string& includer, std::string* text,
                                           std::string* resolvedName)>;

// Reads a whole file, as bytes, into *text; false when it cannot be opened or read.
bool ReadTextFile(const std::string& path, std::string* text);

// Expands #include "name" (and <name>) lines recursively. Lines "-- line N "file"" (which the
// effect compiler writes into .fxo files) set the origin of the lines after them.
bool ExpandIncludes(const std::string& text, const std::string& fileName, const IncludeResolver& resolve,
                    Expanded* out, std::vector<std::string>* errors);

// Writes the expanded text back out with "-- line" markers wherever the origin jumps, so that
// messages about a precompiled file still name the original files and lines.
std::string WriteExpanded(const Expanded& expanded);

enum class Stage { kVertex, kGeometry, kFragment };

struct StageSection {
  Stage stage;
  std::string name;
  std::vector<int> lines;  // indices into Expanded::lines
  int headerLine;          // index of the "--" line
};

struct SamplerSection {
  std::string variable;
  d3d10gl::SamplerDesc desc;
  int headerLine;
};

struct PassDecl {
  std::string name;
  std::string vertex, geometry, fragment;
  d3d10gl::PassStates states;
  int line;
};

struct TechniqueDecl {
  std::string name;
  std::vector<PassDecl> passes;
  int headerLine;
};

enum class BaseType { kFloat, kInt, kUInt, kBool, kSampler };

struct UniformDecl {
  std::string name;
  std::string typeName;     // as written: "vec4", "sampler2D"
  BaseType base;
  unsigned columns;         // GLSL columns: 1 for scalars and vectors
  unsigned rows;            // GLSL rows (vector size); 1 for scalars
  unsigned elements;        // 0 for a plain variable, N for name[N]
  unsigned samplerTarget;   // 2 = 2D, 3 = 3D, 6 = cube, 4 = 2D array (samplers only)
  bool hasInitialValue;     // the initializer was read (else the value starts at zero)
  bool initializerUnread;   // an initializer was there but is not a constant this reader knows
  std::vector<double> initialValue;  // components in GLSL order, every element
  int line;                 // index into Expanded::lines

  unsigned Components() const { return columns * rows; }
  unsigned Count() const { return elements ? elements : 1; }
};

struct ParsedEffect {
  Expanded source;
  std::vector<int> common;  // indices of the lines shared by every stage
  std::vector<StageSection> stages;
  std::vector<SamplerSection> samplers;
  std::vector<TechniqueDecl> techniques;
  std::vector<UniformDecl> uniforms;

  const StageSection* FindStage(Stage stage, const std::string& name) const;
  const SamplerSection* FindSampler(const std::string& variable) const;
  const UniformDecl* FindUniform(const std::string& name) const;
  // "file:line" of an expanded line.
  std::string Where(int line) const;
};

// Splits the expanded text into sections, reads pass and sampler lines and the uniforms.
bool ParseEffect(Expanded source, ParsedEffect* out, std::vector<std::string>* errors);

// The GLSL text of one stage: version, macro definitions, the common lines and the stage's own,
// with #line directives numbering each line by its place in the expanded text (plus one), which
// MapCompilerLog turns back into file and line.
std::string StageSource(const ParsedEffect& effect, const StageSection& stage,
                        const std::vector<std::pair<std::string, std::string>>& defines);

// Rewrites "0:L(C): error: ..." and "ERROR: 0:L: ..." compiler lines to "file:line: ...".
std::string MapCompilerLog(const std::string& log, const Expanded& source);

// Reads a constant initializer (numbers, + - * /, parentheses, vecN/ivecN/matN/float[N]
// constructors) into components in GLSL order; false when it is anything else.
bool EvaluateInitializer(const std::string& text, const UniformDecl& type, std::vector<double>* out);

}  // namespace d3dx10fx
