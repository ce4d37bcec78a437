// The effect loader on a software device: the log lines around every load, includes from both
// shader roots, the shared pool, the ".fxo" path for a missing source, and failures that leave
// the effect empty without stopping anything.
#include "res/fw_Effect.h"
#include "res/fw_Paths.h"

#include "core_gpu.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>

namespace fs = boost::filesystem;

namespace {
struct EffectTest : ::testing::Test {
  core_test::OffscreenDevice device;
  ID3D10EffectPool* pool = nullptr;
  void SetUp() override {
    ASSERT_NE(device.get(), nullptr);
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    const std::string poolPath = core_test::FrameworkRoot() + "/src/shaders/fw_Globals.fxi";
    D3DX10CreateEffectPoolFromFileA(poolPath.c_str(), nullptr, nullptr, "fx_4_0", 0x800, 0, device.get(), nullptr,
                                    &pool, nullptr, nullptr);
    ASSERT_NE(pool, nullptr);
  }
  void TearDown() override {
    if (pool) pool->Release();
  }
  static std::vector<std::string> Plain(const LogCapture& log) {
    std::vector<std::string> lines;
    for (const auto& line : log.lines())
      if (line.first == 0) lines.push_back(line.second);
    return lines;
  }
};
}  // namespace

TEST_F(EffectTest, LoadsAgainstThePoolWithIncludesFromBothRootsAndLogsAroundIt) {
  LogCapture log;
  fw_Effect effect;
  ASSERT_TRUE(effect.load("testprod.fx", pool));
  const std::string path = core_test::TestProductionRoot() + "/src/shaders/testprod.fx";
  EXPECT_EQ(effect.mPath, path);
  EXPECT_EQ(Plain(log), (std::vector<std::string>{"Loading " + path + "...", "     ... done!"}));
  EXPECT_TRUE(effect.getTechniqueByName("Fill")->IsValid());
  EXPECT_TRUE(effect.getTechniqueByName("Square")->IsValid());
  EXPECT_FALSE(effect.getTechniqueByName("NoSuchTechnique")->IsValid());
  // gTint comes from the project's include, Time from the framework's pool.
  EXPECT_TRUE(effect.getVariableByName("gTint")->IsValid());
  ASSERT_TRUE(effect.getVariableByName("Time")->IsValid());
  pool->AsEffect()->GetVariableByName("Time")->AsScalar()->SetFloat(7.25f);
  float time = 0;
  effect.getVariableByName("Time")->AsScalar()->GetFloat(&time);
  EXPECT_EQ(time, 7.25f);  // one value shared through the pool
  effect.release();
  EXPECT_EQ(effect.mEffect, nullptr);
}

TEST_F(EffectTest, AMissingSourceIsLookedForInItsPrecompiledFormAndFailsQuietly) {
  LogCapture log;
  fw_Effect effect;
  EXPECT_FALSE(effect.load("rtype.fx", pool));
  const std::string path = core_test::TestProductionRoot() + "/src/shaders/rtype.fxo";
  EXPECT_EQ(effect.mPath, path);
  const std::vector<std::string> plain = Plain(log);
  ASSERT_GE(plain.size(), 2u);
  EXPECT_EQ(plain.front(), "Loading " + path + "...");
  EXPECT_EQ(plain.back(), "     ... done!");  // logged whatever the outcome
  EXPECT_EQ(effect.mEffect, nullptr);
  EXPECT_FALSE(effect.getTechniqueByName("Anything")->IsValid());
  effect.getVariableByName("gTime")->AsScalar()->SetFloat(1.0f);  // safe on an empty effect
}

TEST_F(EffectTest, BrokenSourcesAndMissingIncludesLeaveTheEffectEmptyAndLoadingAgainReplacesIt) {
  const fs::path dir = fs::temp_directory_path() / fs::unique_path("core-fxload-%%%%%%");
  fs::create_directories(dir / "src/shaders");
  std::ofstream((dir / "src/shaders/broken.fx").string()) << "-- vertex v\nthis is not glsl\n-- technique T\npass p0 vertex=v\n";
  std::ofstream((dir / "src/shaders/include_missing.fx").string()) << "#include \"nowhere.fxi\"\n";
  fs::copy_file(fs::path(core_test::TestProductionRoot()) / "src/shaders/quad_passes.fx", dir / "src/shaders/good.fx");
  fw_SetRoots(core_test::FrameworkRoot(), dir.string());

  fw_Effect effect;
  EXPECT_FALSE(effect.load("broken.fx", nullptr));
  EXPECT_FALSE(effect.load("include_missing.fx", nullptr));
  EXPECT_TRUE(effect.load("good.fx", nullptr));
  EXPECT_TRUE(effect.load("good.fx", nullptr));  // the earlier effect is released, not leaked
  EXPECT_NE(effect.mEffect, nullptr);
  fs::remove_all(dir);
}
