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

// A model whose OBJ selected the given materials, in that order.
fw_ObjModel WithMaterials(std::initializer_list<const char*> names, const std::string& mtl) {
  fw_ObjModel model;
  for (const char* name : names) {
    fw_ObjMaterialData material;
    material.name = name;
    model.materials.push_back(material);
  }
  fw_ParseMtlText(mtl.data(), mtl.size(), "lib.mtl", model);
  return model;
}

void ExpectColour(const float* colour, float r, float g, float b, float a) {
  EXPECT_EQ(colour[0], r);
  EXPECT_EQ(colour[1], g);
  EXPECT_EQ(colour[2], b);
  EXPECT_EQ(colour[3], a);
}

}  // namespace

TEST(MtlParser, KeywordsStoreAsTheMaterialTableSays) {
  LogCapture log;
  fw_ObjModel model = WithMaterials({"shiny"},
      "newmtl shiny\n"
      "Ka 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.5 0.5 0.5\nNs 96.5\nd 0.25\nillum 2\n"
      "map_Kd shiny.png\nmap_Kd -s 2 2 1 second.png\n");
  const fw_ObjMaterialData& m = model.materials[0];
  ExpectColour(m.ambient, 0.1f, 0.2f, 0.3f, 1.0f);
  ExpectColour(m.diffuse, 0.4f, 0.5f, 0.6f, 1.0f);
  ExpectColour(m.specular, 0.5f, 0.5f, 0.5f, 0.0f);
  EXPECT_EQ(m.specularPower, 96);
  EXPECT_EQ(m.opacity, 0.25f);
  EXPECT_TRUE(m.specularEnabled);
  EXPECT_TRUE(m.definedInLibrary);
  EXPECT_EQ(m.textureNames, (std::vector<std::string>{"shiny.png", "second.png"}));
  EXPECT_TRUE(log.warnings.empty());
}

TEST(MtlParser, LaterValuesWinAndTrSharesTheOpacity) {
  fw_ObjModel model = WithMaterials({"a"}, "newmtl a\nd 0.5\nTr 0.75\nillum 2\nillum 1\nNs -3.9\nKd 0.3\n");
  const fw_ObjMaterialData& m = model.materials[0];
  EXPECT_EQ(m.opacity, 0.75f);
  EXPECT_FALSE(m.specularEnabled);
  EXPECT_EQ(m.specularPower, -3);
  ExpectColour(m.diffuse, 0.3f, 0.3f, 0.3f, 1.0f);  // one value stands for grey
}

TEST(MtlParser, IntegerFieldsReadOnlyTheWholeNumberTheyStartWith) {
  LogCapture log;
  fw_ObjModel model = WithMaterials({"a", "b"},
      "newmtl a\nillum 2.0\nNs 1e3\nnewmtl b\nillum 20\nNs -99999999999.5\n");
  EXPECT_TRUE(model.materials[0].specularEnabled);
  EXPECT_EQ(model.materials[0].specularPower, 1);
  EXPECT_FALSE(model.materials[1].specularEnabled);
  EXPECT_EQ(model.materials[1].specularPower, INT32_MIN);
  EXPECT_TRUE(log.warnings.empty());
}

TEST(MtlParser, MaterialsTheObjNeverSelectedAreIgnored) {
  fw_ObjModel model = WithMaterials({"used", "also"},
      "newmtl unused\nmap_Kd never.png\nKd 1 0 0\nnewmtl used\nKd 0 1 0\n"
      "newmtl\nKd 0 0 1\n"   // no name: nothing selected
      "newmtl also\nmap_Kd also.png\n");
  ASSERT_EQ(model.materials.size(), 2u);
  ExpectColour(model.materials[0].diffuse, 0.0f, 1.0f, 0.0f, 1.0f);
  EXPECT_TRUE(model.materials[0].textureNames.empty());
  EXPECT_EQ(model.materials[1].textureNames, std::vector<std::string>{"also.png"});
  ExpectColour(model.materials[1].diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
}

TEST(MtlParser, BadValuesWarnAndKeepWhatWasThere) {
  LogCapture log;
  fw_ObjModel model = WithMaterials({"m"},
      "newmtl m\nKd 0.1 0.2\nKa x y z\nNs\nNs many\nd inf\nillum x2\nmap_Kd\nmap_Kd -clamp\nNs 99999999999\n");
  const fw_ObjMaterialData& m = model.materials[0];
  ExpectColour(m.diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
  ExpectColour(m.ambient, 0.2f, 0.2f, 0.2f, 1.0f);
  EXPECT_EQ(m.opacity, 1.0f);
  EXPECT_FALSE(m.specularEnabled);
  EXPECT_TRUE(m.textureNames.empty());
  EXPECT_EQ(m.specularPower, INT32_MAX);
  EXPECT_EQ(log.warnings.size(), 8u);
  for (const std::string& w : log.warnings) EXPECT_NE(w.find("lib.mtl"), std::string::npos) << w;
}
