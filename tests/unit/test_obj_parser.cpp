#include <cmath>
#include <cstring>
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

fw_ObjModel Parse(const std::string& text, const std::string& name = "test.obj") {
  fw_ObjModel model;
  fw_ParseObjText(text.data(), text.size(), name, model);
  return model;
}

const char* const kCube =
    "# unit cube, one normal per side\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "f 1/1/1 3/3/1 2/2/1\nf 1/1/1 4/4/1 3/3/1\n"
    "f 5/1/2 6/2/2 7/3/2\nf 5/1/2 7/3/2 8/4/2\n"
    "f 1/1/3 2/2/3 6/3/3\nf 1/1/3 6/3/3 5/4/3\n"
    "f 4/1/4 8/4/4 7/3/4\nf 4/1/4 7/3/4 3/2/4\n"
    "f 1/1/5 5/2/5 8/3/5\nf 1/1/5 8/3/5 4/4/5\n"
    "f 2/1/6 3/4/6 7/3/6\nf 2/1/6 7/3/6 6/2/6\n";

}  // namespace

TEST(ObjParser, CubeWithNormalPerSideWeldsToTwentyFourVertices) {
  LogCapture log;
  fw_ObjModel model = Parse(kCube);
  EXPECT_EQ(model.TriangleCount(), 12u);
  EXPECT_EQ(model.indices.size(), 36u);
  EXPECT_EQ(model.vertices.size(), 24u);
  EXPECT_EQ(model.faceMaterials, std::vector<uint32_t>(12, 0u));
  EXPECT_TRUE(log.warnings.empty());
  for (uint32_t index : model.indices) ASSERT_LT(index, model.vertices.size());
  // The second face's first corner is the first face's: same position, texcoord and normal.
  EXPECT_EQ(model.indices[3], model.indices[0]);
  EXPECT_EQ(model.indices[5], model.indices[1]);
}

TEST(ObjParser, ReferenceFormsFillOnlyWhatTheyName) {
  fw_ObjModel model = Parse(
      "v 1 2 3\nv 4 5 6\nv 7 8 9\nvt 0.25 0.75\nvn 0 1 0\n"
      "f 1 2/1 3//1\n"
      "f 1/1/1 2 3\n");
  ASSERT_EQ(model.TriangleCount(), 2u);
  const fw_ObjVertex& a = model.vertices[model.indices[0]];
  const fw_ObjVertex& b = model.vertices[model.indices[1]];
  const fw_ObjVertex& c = model.vertices[model.indices[2]];
  EXPECT_EQ(a.position[0], 1.0f);
  EXPECT_EQ(a.texcoord[0], 0.0f);
  EXPECT_EQ(a.normal[1], 0.0f);
  EXPECT_EQ(b.position[2], 6.0f);
  EXPECT_EQ(b.texcoord[0], 0.25f);
  EXPECT_EQ(b.texcoord[1], 0.75f);
  EXPECT_EQ(b.normal[1], 0.0f);
  EXPECT_EQ(c.texcoord[1], 0.0f);
  EXPECT_EQ(c.normal[1], 1.0f);
  const fw_ObjVertex& d = model.vertices[model.indices[3]];
  EXPECT_EQ(d.texcoord[1], 0.75f);
  EXPECT_EQ(d.normal[1], 1.0f);
  // 1 with and without data are different vertices; 2 and 3 of the second face repeat nothing.
  EXPECT_NE(model.indices[3], model.indices[0]);
  EXPECT_EQ(model.vertices.size(), 6u);
}

TEST(ObjParser, WeldingIsByteForByteWithinOnePosition) {
  fw_ObjModel model = Parse(
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 0\n"
      "vn 0 0 1\nvn 0 0 -0\nvn -0 0 1\n"
      "f 1//1 2//1 3//1\n"
      "f 1//1 2//2 3//3\n"  // -0 differs from 0 in its bytes: new vertices
      "f 4//1 2//1 3//1\n");  // same bytes, other position index: not welded with 1
  ASSERT_EQ(model.TriangleCount(), 3u);
  EXPECT_EQ(model.indices[3], model.indices[0]);
  EXPECT_NE(model.indices[4], model.indices[1]);
  EXPECT_NE(model.indices[5], model.indices[2]);
  EXPECT_NE(model.indices[6], model.indices[0]);
  EXPECT_EQ(model.indices[7], model.indices[1]);
  EXPECT_EQ(model.vertices.size(), 6u);
}

TEST(ObjParser, PolygonsBecomeFansAndABadLaterCornerEndsThePolygon) {
  fw_ObjModel pentagon = Parse("v 0 0 0\nv 1 0 0\nv 2 1 0\nv 1 2 0\nv 0 1 0\nf 1 2 3 4 5 # closed\n");
  EXPECT_EQ(pentagon.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
  EXPECT_EQ(pentagon.vertices.size(), 5u);
  EXPECT_EQ(pentagon.faceMaterials.size(), 3u);
  EXPECT_EQ(pentagon.problems, 0u);

  fw_ObjModel cut = Parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4 9 4\nf 1 2 x 4\n");
  EXPECT_EQ(cut.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(cut.problems, 2u);
}

TEST(ObjParser, NegativeIndicesCountBackFromWhatWasRead) {
  fw_ObjModel relative = Parse(
      "v 9 9 9\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0 0 1\nf -3/-1/-1 -2/-1/-1 -1/-1/-1\n");
  fw_ObjModel absolute = Parse(
      "v 9 9 9\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0 0 1\nf 2/1/1 3/1/1 4/1/1\n");
  ASSERT_EQ(relative.vertices.size(), absolute.vertices.size());
  ASSERT_EQ(relative.indices, absolute.indices);
  EXPECT_EQ(std::memcmp(relative.vertices.data(), absolute.vertices.data(),
                        relative.vertices.size() * sizeof(fw_ObjVertex)), 0);
}

TEST(ObjParser, BadReferencesSkipTheFaceWithAWarningNamingFileAndLine) {
  LogCapture log;
  fw_ObjModel model = Parse(
      "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "f 1 2 4\n"        // line 4: beyond the positions read so far
      "f 0 1 2\n"        // line 5: zero is no index
      "f -4 1 2\n"       // line 6: relative, before the first position
      "f 1/2 2 3\n"      // line 7: no texture coordinates at all
      "f 1 2 x\n"        // line 8: not a reference
      "f 1/1/1/1 2 3\n"  // line 9: too many parts
      "f 1 2\n"          // line 10: too few references
      "f 99999999999999999999 1 2\n"  // line 11: does not fit
      "f 1 2 3\n",
      "dir/bad.obj");
  EXPECT_EQ(model.TriangleCount(), 1u);
  EXPECT_EQ(model.faceMaterials.size(), 1u);
  ASSERT_EQ(log.warnings.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_NE(log.warnings[i].find("dir/bad.obj"), std::string::npos) << log.warnings[i];
    EXPECT_NE(log.warnings[i].find("line " + std::to_string(4 + i)), std::string::npos) << log.warnings[i];
  }
  EXPECT_NE(log.warnings[0].find("out of range"), std::string::npos);
  EXPECT_EQ(model.problems, 8u);
}

TEST(ObjParser, MalformedNumbersReadAsZeroAndKeepLaterIndicesInPlace) {
  LogCapture log;
  fw_ObjModel model = Parse(
      "v 1 1 1\nv 1 nan 1\nv 2\nv 1e99 0 0\nv 0 0 3\nv +1 -1 .5\nf 1 5 6\nf 2 3 4\n");
  ASSERT_EQ(model.TriangleCount(), 2u);
  EXPECT_EQ(log.warnings.size(), 3u);
  EXPECT_EQ(model.vertices[model.indices[1]].position[2], 3.0f);
  EXPECT_EQ(model.vertices[model.indices[2]].position[0], 1.0f);
  EXPECT_EQ(model.vertices[model.indices[2]].position[1], -1.0f);
  for (int c = 3; c < 6; ++c)
    for (float x : model.vertices[model.indices[c]].position) EXPECT_EQ(x, 0.0f);
}

TEST(ObjParser, MaterialsInOrderOfFirstUseWithOneRecordPerName) {
  fw_ObjModel model = Parse(
      "mtllib first.mtl\nmtllib second.mtl\n"
      "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "f 1 2 3\n"  // before any usemtl: material 0
      "usemtl red\nf 1 2 3\nusemtl blue\nf 1 2 3\nusemtl red\nf 1 2 3\n");
  ASSERT_EQ(model.materials.size(), 2u);
  EXPECT_EQ(model.materials[0].name, "red");
  EXPECT_EQ(model.materials[1].name, "blue");
  EXPECT_EQ(model.faceMaterials, (std::vector<uint32_t>{0, 0, 1, 0}));
  EXPECT_EQ(model.libraries, (std::vector<std::string>{"first.mtl", "second.mtl"}));
  EXPECT_EQ(model.materials[0].diffuse[0], 0.8f);
  EXPECT_EQ(model.materials[0].ambient[3], 1.0f);
  EXPECT_EQ(model.materials[0].specularPower, 0);
}

TEST(ObjParser, LongTokensAndOddLineEndingsAreHandled) {
  LogCapture log;
  std::string longName(100000, 'm');
  std::string longKeyword(5000, 'k');
  std::string text = "v 0 0 0\r\nv 1 0 0\r\n\r\nv 0 1 0\r\n" + longKeyword + " 1 2 3\r\n" +
                     "usemtl " + longName + "\r\n\t f  1\t2 3  \r\n# comment f 1 2 3\no thing\ns 1\ng group";
  fw_ObjModel model = Parse(text);
  EXPECT_TRUE(log.warnings.empty());
  ASSERT_EQ(model.TriangleCount(), 1u);
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_EQ(model.materials[0].name, longName);
  EXPECT_EQ(model.vertices[model.indices[1]].position[0], 1.0f);
}

TEST(ObjParser, ABrokenFileListsAFewProblemsAndCountsTheRest) {
  LogCapture log;
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "f 1 2 3\n";
  fw_ObjModel model = Parse(text, "broken.obj");
  EXPECT_EQ(model.TriangleCount(), 0u);
  EXPECT_EQ(model.problems, 1000u);
  ASSERT_EQ(log.warnings.size(), 9u);
  EXPECT_NE(log.warnings.back().find("992 more problems"), std::string::npos) << log.warnings.back();
}
