// The effect-file format without a GL context: include expansion with line origins, sections,
// pass and sampler settings, uniform declarations and their constant initial values, errors
// that name file and line, and compiler messages mapped back to the files.
#include "../../libraries/platform/d3dx10/effect_parse_p.h"

#include <gtest/gtest.h>

#include <map>

using namespace d3dx10fx;

namespace {

// Includes from a map of names to texts.
IncludeResolver FromMap(const std::map<std::string, std::string>& files) {
  return [files](const std::string& name, const std::string&, std::string* text, std::string*) {
    auto it = files.find(name);
    if (it == files.end()) return false;
    *text = it->second;
    return true;
  };
}

bool Parse(const std::string& text, ParsedEffect* out, std::vector<std::string>* errors,
           const std::map<std::string, std::string>& includes = {}) {
  Expanded expanded;
  if (!ExpandIncludes(text, "main.fx", FromMap(includes), &expanded, errors)) return false;
  return ParseEffect(std::move(expanded), out, errors);
}

bool HasError(const std::vector<std::string>& errors, const std::string& text) {
  for (const std::string& e : errors)
    if (e.find(text) != std::string::npos) return true;
  return false;
}

TEST(EffectParse, SectionsPassesAndSamplers) {
  ParsedEffect fx;
  std::vector<std::string> errors;
  ASSERT_TRUE(Parse(R"(// before any header: common
uniform float gTime;
-- sampler gTexture filter=point address=wrap addressV=mirror mip=none border=1,0,0.5,1
-- common                            // shared declarations
uniform sampler2D gTexture;
-- vertex leafVS
void main() {}
-- fragment leafPS
void main() {}
-- technique leafs
// a comment line
pass p0 vertex=leafVS fragment=leafPS blend=add depth=off cull=none fill=wireframe
pass p1 vertex=leafVS
)", &fx, &errors)) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(2u, fx.stages.size());
  EXPECT_EQ(1u, fx.stages[0].lines.size());
  ASSERT_EQ(1u, fx.techniques.size());
  const TechniqueDecl& t = fx.techniques[0];
  EXPECT_EQ("leafs", t.name);
  ASSERT_EQ(2u, t.passes.size());
  EXPECT_EQ(d3d10gl::kBlendAdd, t.passes[0].states.blend);
  EXPECT_EQ(d3d10gl::kDepthOff, t.passes[0].states.depth);
  EXPECT_EQ(d3d10gl::kCullNone, t.passes[0].states.cull);
  EXPECT_EQ(d3d10gl::kFillWireframe, t.passes[0].states.fill);
  // Unstated states are the platform's defaults; a pass without a fragment stage is allowed.
  EXPECT_EQ(d3d10gl::PassStates{}, t.passes[1].states);
  EXPECT_EQ(d3d10gl::kDepthWrite, t.passes[1].states.depth);
  EXPECT_EQ(d3d10gl::kCullBack, t.passes[1].states.cull);
  EXPECT_TRUE(t.passes[1].fragment.empty());
  const SamplerSection* s = fx.FindSampler("gTexture");
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(d3d10gl::kFilterPoint, s->desc.filter);
  EXPECT_EQ(0, s->desc.mip);
  EXPECT_EQ(d3d10gl::kAddressWrap, s->desc.address[0]);
  EXPECT_EQ(d3d10gl::kAddressMirror, s->desc.address[1]);
  EXPECT_FLOAT_EQ(0.5f, s->desc.border[2]);
  EXPECT_EQ(2u, fx.uniforms.size());
}

TEST(EffectParse, FormatErrorsNameFileAndLine) {
  ParsedEffect fx;
  std::vector<std::string> errors;
  EXPECT_FALSE(Parse(R"(#include "lib.fxi"
-- vertex VS
void main() {}
-- pixel PS
-- technique T
pass p0 vertex=VS fragment=Missing depth=sometimes
pass p0 vertex=VS
stray words
-- technique T
-- sampler gValue filter=linear
-- sampler gTex filter=bilinear
)", &fx, &errors, {{"lib.fxi", "uniform float gValue;\nuniform sampler2D gTex;\n"}}));
  EXPECT_TRUE(HasError(errors, "main.fx:4: error: unknown section \"-- pixel PS\""));
  EXPECT_TRUE(HasError(errors, "main.fx:6: error: unknown pass setting \"depth=sometimes\""));
  EXPECT_TRUE(HasError(errors, "main.fx:6: error: pass \"p0\" names fragment stage \"Missing\""));
  EXPECT_TRUE(HasError(errors, "main.fx:7: error: pass \"p0\" appears twice"));
  EXPECT_TRUE(HasError(errors, "main.fx:8: error: expected \"pass NAME key=value ...\""));
  EXPECT_TRUE(HasError(errors, "main.fx:9: error: technique \"T\" is defined twice"));
  EXPECT_TRUE(HasError(errors, "main.fx:10: error: sampler settings for \"gValue\", which is not a sampler"));
  EXPECT_TRUE(HasError(errors, "main.fx:11: error: unknown sampler setting \"filter=bilinear\""));
}

TEST(EffectParse, IncludesKeepTheirOriginsAndCyclesAreStopped) {
  std::vector<std::string> errors;
  Expanded expanded;
  ASSERT_TRUE(ExpandIncludes("line one\n#include \"a.fxi\"\n  # include <b.fxi>\nlast\n", "main.fx",
                             FromMap({{"a.fxi", "a1\na2\n"}, {"b.fxi", "b1\r\n"}}), &expanded, &errors));
  ASSERT_EQ(5u, expanded.lines.size());
  EXPECT_EQ("a2", expanded.lines[2].text);
  EXPECT_EQ("a.fxi", expanded.files[expanded.lines[2].file]);
  EXPECT_EQ(2, expanded.lines[2].line);
  EXPECT_EQ("b1", expanded.lines[3].text);  // the carriage return is gone
  EXPECT_EQ(4, expanded.lines[4].line);     // main.fx keeps counting past its includes

  // Written out with line markers and read back, every line keeps its origin.
  Expanded again;
  ASSERT_TRUE(ExpandIncludes(WriteExpanded(expanded), "out.fxo", FromMap({}), &again, &errors));
  ASSERT_EQ(expanded.lines.size(), again.lines.size());
  for (size_t i = 0; i < again.lines.size(); ++i) {
    EXPECT_EQ(expanded.lines[i].text, again.lines[i].text);
    EXPECT_EQ(expanded.files[expanded.lines[i].file], again.files[again.lines[i].file]);
    EXPECT_EQ(expanded.lines[i].line, again.lines[i].line);
  }

  errors.clear();
  EXPECT_FALSE(ExpandIncludes("#include \"loop.fxi\"\n", "main.fx", FromMap({{"loop.fxi", "#include \"loop.fxi\"\n"}}),
                              &expanded, &errors));
  EXPECT_TRUE(HasError(errors, "loop.fxi:1: error: \"loop.fxi\" includes itself"));
  // A cycle through another file that includes its way back twice would double at every round.
  errors.clear();
  EXPECT_FALSE(ExpandIncludes("#include \"a.fxi\"\n", "main.fx",
                              FromMap({{"a.fxi", "#include \"b.fxi\"\n"}, {"b.fxi", "#include \"a.fxi\"\n#include \"a.fxi\"\n"}}),
                              &expanded, &errors));
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_TRUE(HasError(errors, "b.fxi:2: error: \"a.fxi\" includes itself"));
  errors.clear();
  EXPECT_FALSE(ExpandIncludes("ok\n#include\n#include \"gone.fxi\"\n", "main.fx", FromMap({}), &expanded, &errors));
  EXPECT_TRUE(HasError(errors, "main.fx:2: error: #include needs a file name"));
  EXPECT_TRUE(HasError(errors, "main.fx:3: error: cannot open include file \"gone.fxi\""));
}

TEST(EffectParse, UniformDeclarationsAndTheirTypes) {
  ParsedEffect fx;
  std::vector<std::string> errors;
  ASSERT_TRUE(Parse(R"(-- common
uniform float a = 1.5, b;
layout(location = 3) uniform vec3 c;
uniform highp mat4x3 d;
uniform sampler3D gNoise;
uniform sampler2D MeshTextures[4];
/* uniform float commented; */
// uniform float alsoCommented;
float f() { uniform_like(); return 1.0; }
#define NOT_A_UNIFORM uniform
-- fragment PS
uniform int gOnlyHere;
void main() { float uniformish = 0.0; }
)", &fx, &errors)) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(7u, fx.uniforms.size());
  const UniformDecl* a = fx.FindUniform("a");
  ASSERT_NE(nullptr, a);
  EXPECT_TRUE(a->hasInitialValue);
  EXPECT_DOUBLE_EQ(1.5, a->initialValue[0]);
  EXPECT_FALSE(fx.FindUniform("b")->hasInitialValue);
  EXPECT_EQ(3u, fx.FindUniform("c")->rows);
  const UniformDecl* d = fx.FindUniform("d");
  EXPECT_EQ(4u, d->columns);
  EXPECT_EQ(3u, d->rows);
  EXPECT_EQ(BaseType::kSampler, fx.FindUniform("gNoise")->base);
  EXPECT_EQ(3u, fx.FindUniform("gNoise")->samplerTarget);
  EXPECT_EQ(4u, fx.FindUniform("MeshTextures")->elements);
  EXPECT_EQ(BaseType::kInt, fx.FindUniform("gOnlyHere")->base);
  EXPECT_EQ(nullptr, fx.FindUniform("commented"));
}

TEST(EffectParse, UnsupportedUniformsAreErrors) {
  ParsedEffect fx;
  std::vector<std::string> errors;
  EXPECT_FALSE(Parse(R"(-- common
uniform Light { vec4 position; } gLight;
uniform dvec4 gDouble;
uniform float gArray[N];
uniform float gTwice;
-- vertex VS
uniform vec2 gTwice;
uniform sampler2D gSampled = 1;
)", &fx, &errors));
  EXPECT_TRUE(HasError(errors, "main.fx:2: error: uniform blocks are not supported"));
  EXPECT_TRUE(HasError(errors, "main.fx:3: error: uniform type \"dvec4\" is not supported"));
  EXPECT_TRUE(HasError(errors, "main.fx:4: error: the size of uniform array \"gArray\""));
  EXPECT_TRUE(HasError(errors, "main.fx:7: error: uniform \"gTwice\" is declared again with another type"));
  EXPECT_TRUE(HasError(errors, "main.fx:8: error: sampler \"gSampled\" cannot have an initial value"));
}

TEST(EffectParse, ConstantInitializersAreEvaluated) {
  auto eval = [](const std::string& type, const std::string& text, unsigned elements = 0) {
    ParsedEffect fx;
    std::vector<std::string> errors;
    std::string decl = "uniform " + type + " v" + (elements ? "[" + std::to_string(elements) + "]" : "") + " = " + text + ";\n";
    EXPECT_TRUE(Parse(decl, &fx, &errors)) << decl;
    return fx.uniforms.empty() ? UniformDecl{} : fx.uniforms[0];
  };
  UniformDecl m = eval("mat4", "mat4(1.0)");
  ASSERT_EQ(16u, m.initialValue.size());
  for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(i % 5 == 0 ? 1.0 : 0.0, m.initialValue[i]);
  UniformDecl rd = eval("vec4", "vec4(1280.0, 720.0, 1.0 / 1280.0, 1.0 / 720.0)");
  EXPECT_DOUBLE_EQ(1.0 / 720.0, rd.initialValue[3]);
  EXPECT_EQ(std::vector<double>({0.0, 0.0, 0.0, 0.0}), eval("vec4", "vec4(0.0)").initialValue);
  EXPECT_EQ(std::vector<double>({-5.5, 2.0}), eval("vec2", "-(2.0 + 3.5) * vec2(1.0, -2.0 / 5.5)").initialValue);
  EXPECT_EQ(std::vector<double>({1.0, 2.0, 3.0}), eval("vec3", "vec3(1.0, vec2(2.0, 3.0))").initialValue);
  EXPECT_EQ(std::vector<double>({1.0, 2.0, 3.0}), eval("float", "float[3](1.0, 2.0, 3.0)", 3).initialValue);
  EXPECT_EQ(std::vector<double>({7.0, 7.0, 7.0}), eval("vec3", "7.0").initialValue);
  EXPECT_EQ(std::vector<double>({3.0}), eval("int", "3").initialValue);
  EXPECT_EQ(std::vector<double>({1.0}), eval("bool", "true").initialValue);
  // Anything else is left to the GL compiler, never guessed.
  for (const char* text : {"sin(1.0)", "vec3(1.0, 2.0)", "1.0 / 0.0", "vec4(1.0) +"}) {
    UniformDecl u = eval("vec4", text);
    EXPECT_FALSE(u.hasInitialValue) << text;
    EXPECT_TRUE(u.initializerUnread) << text;
  }
}

TEST(EffectParse, StageTextNumbersLinesSoMessagesFindTheirFiles) {
  ParsedEffect fx;
  std::vector<std::string> errors;
  ASSERT_TRUE(Parse("#include \"lib.fxi\"\n-- vertex VS\nvoid main() {\n  oops;\n}\n", &fx, &errors,
                    {{"lib.fxi", "-- common\nuniform float gA;\n"}}));
  std::string source = StageSource(fx, fx.stages[0], {{"DUSK_TEST", "2"}});
  EXPECT_EQ(0u, source.find("#version 450 core\n#define DUSK_TEST 2\n"));
  // Expanded lines: 0 "-- common", 1 "uniform float gA;", 2 "-- vertex VS", 3 "void main() {", 4 "  oops;".
  EXPECT_NE(std::string::npos, source.find("#line 2 0\nuniform float gA;\n#line 4 0\nvoid main() {\n  oops;\n"));
  std::string mesa = MapCompilerLog("0:5(3): error: `oops' undeclared\n0:2(1): warning: unused\nplain text\n", fx.source);
  EXPECT_NE(std::string::npos, mesa.find("main.fx:4: error: `oops' undeclared\n"));
  EXPECT_NE(std::string::npos, mesa.find("lib.fxi:2: warning: unused\n"));
  EXPECT_NE(std::string::npos, mesa.find("plain text\n"));
  std::string glslang = MapCompilerLog("ERROR: 0:5: 'oops' : undeclared identifier\nERROR: 0:99: out of range\n", fx.source);
  EXPECT_NE(std::string::npos, glslang.find("main.fx:4: error: 'oops' : undeclared identifier"));
  EXPECT_NE(std::string::npos, glslang.find("ERROR: 0:99: out of range"));  // left as it was

  // A file's own #version line is dropped: the stage text states it first.
  ParsedEffect versioned;
  ASSERT_TRUE(Parse("#version 450\n-- vertex VS\n  #version 330 core\nvoid main() {}\n", &versioned, &errors));
  std::string text = StageSource(versioned, versioned.stages[0], {});
  EXPECT_EQ(text.find("#version"), text.rfind("#version"));
  EXPECT_NE(std::string::npos, text.find("void main() {}"));
}

}  // namespace
