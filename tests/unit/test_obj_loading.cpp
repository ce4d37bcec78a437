#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "diag/fw_Log.h"
#include "res/fw_FacesByHeight.h"
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

TEST(FacesByHeight, LowestFirstEqualsInOrderAndNothingUnsafeCounted) {
  // y of vertices 0..5; vertex 5 is NaN.
  const float ys[6] = {3.0f, 1.0f, 2.0f, -1.0f, 1.0f, NAN};
  std::vector<fw_ObjVertex> vertices(6);
  for (int v = 0; v < 6; ++v) vertices[v].position[1] = ys[v];
  const uint32_t indices[] = {
      0, 2, 0,  // lowest 2
      1, 0, 2,  // lowest 1
      3, 0, 0,  // lowest -1
      0, 4, 2,  // lowest 1, after the other 1
      0, 1, 9,  // an index past the vertices: dropped
      5, 0, 0,  // a NaN corner: last, below no height
  };
  const fw_FacesByHeight faces = fw_SortFacesByLowestCorner(reinterpret_cast<const uint8_t*>(vertices.data()),
                                                            sizeof(fw_ObjVertex), vertices.size(), indices, 6);
  EXPECT_EQ(faces.indices, (std::vector<uint32_t>{3, 0, 0, 1, 0, 2, 0, 4, 2, 0, 2, 0, 5, 0, 0}));
  ASSERT_EQ(faces.lowest.size(), 5u);
  EXPECT_EQ(fw_FacesAtOrBelow(faces, -2.0f), 0u);
  EXPECT_EQ(fw_FacesAtOrBelow(faces, 1.0f), 3u);
  EXPECT_EQ(fw_FacesAtOrBelow(faces, 1e30f), 4u);
  EXPECT_EQ(fw_FacesAtOrBelow(faces, INFINITY), 5u) << "only an infinite height takes the NaN face";
  EXPECT_EQ(fw_FacesAtOrBelow(faces, NAN), 0u);
}
