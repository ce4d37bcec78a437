#include "core_recording.h"
#include "res/fw_Effect.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>

namespace fs = boost::filesystem;

namespace {
struct Roots : ::testing::Test {
  fs::path base = fs::temp_directory_path() / fs::unique_path("core-fx-%%%%%%");
  std::string fw = (base / "fw").string(), proj = (base / "proj").string();
  void SetUp() override {
    fs::create_directories(base / "fw/src/shaders");
    fs::create_directories(base / "proj/src/shaders");
  }
  void TearDown() override { fs::remove_all(base); }
  void Write(const std::string& root, const std::string& name, const std::string& text) {
    std::ofstream(root + "/src/shaders/" + name, std::ios::binary) << text;
  }
  std::string Open(Effect_IncludeHandler& handler, const char* name, HRESULT* result) {
    LPCVOID data = nullptr;
    UINT bytes = 123;
    *result = handler.Open(D3D10_INCLUDE_LOCAL, name, nullptr, &data, &bytes);
    if (FAILED(*result)) {
      EXPECT_EQ(data, nullptr);
      EXPECT_EQ(bytes, 0u);
      return {};
    }
    std::string text(static_cast<const char*>(data), bytes);
    EXPECT_EQ(handler.Close(data), S_OK);
    return text;
  }
};
}  // namespace

TEST_F(Roots, NamesPickTheRootAndMissingSourcesTurnIntoPrecompiledPaths) {
  Write(proj, "rtype.fx", "x");
  Write(fw, "fw_PostEffects.fxo", "x");
  EXPECT_EQ(fw_EffectPath("rtype.fx", fw, proj), proj + "/src/shaders/rtype.fx");
  EXPECT_EQ(fw_EffectPath("fw_PostEffects.fxo", fw, proj), fw + "/src/shaders/fw_PostEffects.fxo");
  // Absent source: the compiled form is asked for without a second check.
  EXPECT_EQ(fw_EffectPath("leafs.fx", fw, proj), proj + "/src/shaders/leafs.fxo");
  EXPECT_EQ(fw_EffectPath("fw_Missing.fx", fw, proj), fw + "/src/shaders/fw_Missing.fxo");
  // The prefix must begin the name.
  EXPECT_EQ(fw_EffectPath("my_fw_thing.fx", fw, proj), proj + "/src/shaders/my_fw_thing.fxo");
  // A directory of that name counts as present.
  fs::create_directories(base / "proj/src/shaders/dir.fx");
  EXPECT_EQ(fw_EffectPath("dir.fx", fw, proj), proj + "/src/shaders/dir.fx");
}

TEST_F(Roots, IncludesTakeTheFrameworkCopyFirstAndNeverTheIncludersDirectory) {
  Write(fw, "both.fxi", "framework copy");
  Write(proj, "both.fxi", "project copy");
  Write(proj, "only_project.fxi", "project only");
  Write(proj, "empty.fxi", "");
  Effect_IncludeHandler handler(fw, proj);
  HRESULT result;
  EXPECT_EQ(Open(handler, "both.fxi", &result), "framework copy");
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(Open(handler, "only_project.fxi", &result), "project only");
  EXPECT_EQ(Open(handler, "empty.fxi", &result), "");
  EXPECT_EQ(result, S_OK);
  Open(handler, "nowhere.fxi", &result);
  EXPECT_TRUE(FAILED(result));

  // One directory for both roots: everything resolves there.
  Effect_IncludeHandler same(proj, proj);
  EXPECT_EQ(Open(same, "both.fxi", &result), "project copy");

  LPCVOID data = nullptr;
  UINT bytes = 0;
  EXPECT_TRUE(FAILED(handler.Open(D3D10_INCLUDE_SYSTEM, nullptr, nullptr, &data, &bytes)));
}

TEST(EffectObject, AnUnloadedEffectHandsOutSafeInvalidObjects) {
  fw_Effect effect;
  ID3D10EffectTechnique* technique = effect.getTechniqueByName("Anything");
  ASSERT_NE(technique, nullptr);
  EXPECT_FALSE(technique->IsValid());
  D3D10_TECHNIQUE_DESC desc;
  EXPECT_TRUE(FAILED(technique->GetDesc(&desc)));
  EXPECT_EQ(desc.Passes, 0u);
  EXPECT_TRUE(FAILED(technique->GetPassByIndex(0)->Apply(0)));
  ID3D10EffectVariable* variable = effect.getVariableByName("gTime");
  EXPECT_FALSE(variable->IsValid());
  EXPECT_TRUE(FAILED(variable->AsScalar()->SetFloat(1.0f)));
  EXPECT_TRUE(FAILED(variable->AsShaderResource()->SetResource(nullptr)));
  float m[16] = {};
  EXPECT_TRUE(FAILED(variable->AsMatrix()->SetMatrix(m)));
  EXPECT_FALSE(variable->GetElement(3)->AsVector()->IsValid());
  effect.release();
  effect.release();
}

// Reloading keeps every object handed out: a kept variable keeps its value, a kept technique and
// pass draw with the new program; what the new text dropped, or declares differently, is
// invalid or no longer found. Text that does not build changes nothing.
TEST_F(Roots, AReloadedEffectKeepsWhatItHandedOut) {
  core_test::RecordingDevice device;
  fw_SetRoots(fw, proj);
  const std::string stage =
      "-- vertex VS\nlayout(location = 0) in vec3 POSITION;\nvoid main() { gl_Position = vec4(POSITION, 1.0); }\n"
      "-- fragment PS\nlayout(location = 0) out vec4 oColor;\nvoid main() { oColor = vec4(gScale); }\n";
  Write(proj, "live.fx", "-- common\nuniform float gScale = 1.0;\nuniform float gGone;\nuniform float gShape;\n" + stage +
                             "-- technique draw\npass p0 vertex=VS fragment=PS\n-- technique old\npass p0 vertex=VS fragment=PS\n");
  fw_Effect effect;
  ASSERT_TRUE(effect.load("live.fx", nullptr));
  ID3D10Effect* object = effect.mEffect;
  ID3D10EffectScalarVariable* scale = effect.getVariableByName("gScale")->AsScalar();
  ID3D10EffectVariable* shape = effect.getVariableByName("gShape");
  ID3D10EffectTechnique* draw = effect.getTechniqueByName("draw");
  ID3D10EffectTechnique* old = effect.getTechniqueByName("old");
  ID3D10EffectPass* pass = draw->GetPassByIndex(0);
  ASSERT_EQ(scale->SetFloat(4.0f), S_OK);

  Write(proj, "live.fx", "-- common\nuniform float gScale = 2.0;\nuniform vec2 gShape;\nuniform float gNew = 3.0;\n" + stage +
                             "-- technique draw\npass p0 vertex=VS fragment=PS blend=add\n");
  std::string messages;
  ASSERT_TRUE(effect.reload(&messages)) << messages;
  EXPECT_EQ(effect.mEffect, object);
  EXPECT_EQ(effect.getVariableByName("gScale")->AsScalar(), scale);
  float value = 0.0f;
  EXPECT_EQ(scale->GetFloat(&value), S_OK);
  EXPECT_EQ(value, 4.0f);  // the value set, not the new initial value
  EXPECT_EQ(effect.getTechniqueByName("draw"), draw);
  EXPECT_EQ(draw->GetPassByIndex(0), pass);
  EXPECT_TRUE(pass->IsValid());
  EXPECT_EQ(pass->Apply(0), S_OK);
  EXPECT_FALSE(old->IsValid());
  EXPECT_TRUE(FAILED(old->GetPassByIndex(0)->Apply(0)));
  EXPECT_FALSE(effect.getVariableByName("gGone")->IsValid());
  EXPECT_TRUE(effect.getVariableByName("gNew")->IsValid());
  EXPECT_NE(effect.getVariableByName("gShape"), shape);  // float became vec2: a new variable
  EXPECT_EQ(shape->AsScalar()->SetFloat(1.0f), S_OK);     // the old one is still safe to use

  Write(proj, "live.fx", "-- common\nuniform float gScale;\n-- technique draw\npass p0 vertex=Missing\n");
  EXPECT_FALSE(effect.reload(&messages));
  EXPECT_NE(messages.find("live.fx"), std::string::npos) << messages;
  EXPECT_EQ(effect.getTechniqueByName("draw"), draw);
  EXPECT_TRUE(pass->IsValid());
  EXPECT_TRUE(effect.getVariableByName("gNew")->IsValid());
}
