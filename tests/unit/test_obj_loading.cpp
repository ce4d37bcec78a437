#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "diag/fw_Log.h"
#include "res/fw_ObjModel.h"

namespace {

struct LogCapture {
  std::vector<std::string> warnings;
  LogCapture() {
    fw_SetLogListener([this](int level, const char* message) {
      if (level == fw_LogWarning) warnings.emplace_back(message);
    });
  }
  ~LogCapture() { fw_SetLogListener(nullptr); }
};

class ObjLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("dusk_obj_loading_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }

  std::filesystem::path dir;
};

const char* const kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

}  // namespace

TEST_F(ObjLoading, MaterialLibraryIsReadBesideTheObjFile) {
  Write("m.obj", std::string("mtllib m.mtl\nmtllib other.mtl\n") + kTriangle + "usemtl a\nf 1 2 3\n");
  Write("m.mtl", "newmtl a\nKd 0 0 1\nmap_Kd a.png\n");
  Write("other.mtl", "newmtl a\nKd 1 0 0\n");
  LogCapture log;
  fw_ObjModel model;
  fw_LoadObjModel(dir.string(), "m.obj", model);
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_EQ(model.materials[0].diffuse[2], 1.0f);
  EXPECT_EQ(model.materials[0].textureNames, std::vector<std::string>{"a.png"});
  EXPECT_TRUE(log.warnings.empty());
  EXPECT_EQ(model.problems, 0u);
}

TEST_F(ObjLoading, WithoutUsemtlTheFacesGetOneDefaultMaterial) {
  Write("plain.obj", std::string(kTriangle) + "f 1 2 3\nf 3 2 1\n");
  fw_ObjModel model;
  fw_LoadObjModel(dir.string(), "plain.obj", model);
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_EQ(model.materials[0].name, fw_ObjDefaultMaterialName);
  EXPECT_EQ(model.faceMaterials, (std::vector<uint32_t>{0, 0}));
}

TEST_F(ObjLoading, MissingFilesGiveWarningsAndAnEmptyOrDefaultModel) {
  LogCapture log;
  fw_ObjModel model;
  fw_LoadObjModel(dir.string(), "absent.obj", model);
  EXPECT_TRUE(model.vertices.empty());
  EXPECT_TRUE(model.indices.empty());
  ASSERT_EQ(log.warnings.size(), 1u);
  EXPECT_NE(log.warnings[0].find("absent.obj"), std::string::npos);

  fw_LoadObjModel(dir.string(), ".", model);  // a directory is no mesh file
  EXPECT_TRUE(model.indices.empty());
  EXPECT_EQ(log.warnings.size(), 2u);

  Write("nolib.obj", std::string("mtllib gone.mtl\n") + kTriangle + "usemtl x\nf 1 2 3\n");
  fw_LoadObjModel(dir.string(), "nolib.obj", model);
  EXPECT_EQ(model.TriangleCount(), 1u);
  ASSERT_EQ(log.warnings.size(), 3u);
  EXPECT_NE(log.warnings[2].find("gone.mtl"), std::string::npos);
  EXPECT_EQ(model.materials[0].diffuse[0], 0.8f);
}

TEST_F(ObjLoading, AModelWithoutTrianglesIsEmptied) {
  LogCapture log;
  Write("points.obj", std::string(kTriangle) + "usemtl a\nf 1 2 9\n");
  fw_ObjModel model;
  fw_LoadObjModel(dir.string(), "points.obj", model);
  EXPECT_TRUE(model.vertices.empty());
  EXPECT_TRUE(model.indices.empty());
  EXPECT_TRUE(model.faceMaterials.empty());
  ASSERT_EQ(log.warnings.size(), 2u);
  EXPECT_NE(log.warnings[1].find("no triangles"), std::string::npos);
  EXPECT_EQ(model.problems, 2u);
}
