// Random, mangled and truncated OBJ/MTL text through the readers and the CPU mesh build: no
// crash, every index in range, every face with a material, every dropped face reported.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "diag/fw_Log.h"
#include "res/fw_ObjMeshBuild.h"
#include "res/fw_ObjModel.h"

namespace {

struct QuietLog {
  uint32_t warnings = 0;
  QuietLog() {
    fw_SetLogListener([this](int level, const char*) { warnings += level == fw_LogWarning; });
  }
  ~QuietLog() { fw_SetLogListener(nullptr); }
};

const char* const kKeywords[] = {"v", "vt", "vn", "f", "usemtl", "mtllib", "#", "o", "g", "s", "newmtl",
                                 "Ka", "Kd", "Ks", "Ns", "d", "Tr", "illum", "map_Kd", "F", "vp", ""};
const char* const kPieces[] = {"1", "2", "3", "-1", "-2", "0", "7", "1/1", "2//1", "3/1/1", "1/", "//", "/1",
                               "1.5", "-0", "nan", "inf", "1e40", "+2", "x", "a", "b", "1/2/3/4", "99999999999",
                               "-99999999999", "\t", "\r", "0.25", ".5", "5.", "-", "+", "e", "\xff", "\x01"};

std::string RandomLine(std::mt19937& rng) {
  std::string line = kKeywords[rng() % std::size(kKeywords)];
  int count = rng() % 7;
  for (int i = 0; i < count; ++i) {
    line += (rng() % 8 == 0) ? "" : " ";
    line += kPieces[rng() % std::size(kPieces)];
  }
  return line;
}

std::string RandomText(std::mt19937& rng) {
  std::string text;
  switch (rng() % 4) {
    case 0:  // plausible lines
    case 1:
      for (int n = rng() % 40; n > 0; --n) text += RandomLine(rng) + (rng() % 10 ? "\n" : "\r\n");
      break;
    case 2:  // a valid model, truncated anywhere and with a byte flipped
      text = "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\n"
             "usemtl a\nf 1/1/1 2/2/1 3/1/1\nusemtl b\nf 2/2/1 4/2/1 3/1/1 1/1/1\nnewmtl a\nKd 1 0 0\nmap_Kd t.png\n";
      text.resize(rng() % (text.size() + 1));
      if (!text.empty()) text[rng() % text.size()] = static_cast<char>(rng());
      break;
    default:  // bytes
      for (int n = rng() % 200; n > 0; --n) text += static_cast<char>(rng());
  }
  return text;
}

// Lines whose first token is "f", and the most triangles they can give.
struct FaceLineCount {
  uint32_t lines = 0, mostTriangles = 0;
};
FaceLineCount CountFaceLines(const std::string& text) {
  FaceLineCount count;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t first = text.find_first_not_of(" \t\r\v\f", start);
    if (first < end && text[first] == 'f' &&
        (first + 1 == end || std::string(" \t\r\v\f").find(text[first + 1]) != std::string::npos)) {
      uint32_t tokens = 0;
      for (size_t i = first; i < end;) {
        size_t from = text.find_first_not_of(" \t\r\v\f", i);
        if (from >= end) break;
        ++tokens;
        i = std::min(end, text.find_first_of(" \t\r\v\f", from));
      }
      ++count.lines;
      count.mostTriangles += tokens > 3 ? tokens - 3 : 0;
    }
    start = end + 1;
  }
  return count;
}

}  // namespace

TEST(ObjFuzz, RandomAndTruncatedTextNeverBreaksTheReadersOrTheMesh) {
  QuietLog log;
  std::mt19937 rng(20261207);
  size_t meshesBuilt = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::string obj = RandomText(rng), mtl = RandomText(rng);
    fw_ObjModel model;
    fw_ParseObjText(obj.data(), obj.size(), "fuzz.obj", model);
    // A face line gives triangles (a polygon of n corners n - 2 of them) or is reported.
    const FaceLineCount faceLines = CountFaceLines(obj);
    ASSERT_LE(model.TriangleCount(), faceLines.mostTriangles) << obj;
    ASSERT_GE(model.problems + model.TriangleCount(), faceLines.lines) << obj;
    if (model.materials.empty() && !model.faceMaterials.empty()) model.materials.resize(1);
    fw_ParseMtlText(mtl.data(), mtl.size(), "fuzz.mtl", model);

    ASSERT_EQ(model.indices.size(), model.faceMaterials.size() * 3);
    for (uint32_t index : model.indices) ASSERT_LT(index, model.vertices.size());
    for (uint32_t material : model.faceMaterials) ASSERT_LT(material, model.materials.size());
    if (model.indices.empty()) continue;

    ID3DX10Mesh* mesh = nullptr;
    ASSERT_EQ(fw_BuildObjExtensionMesh(nullptr, model.vertices, model.indices, model.faceMaterials, &mesh), S_OK) << obj;
    ++meshesBuilt;
    UINT faces = 0;
    for (const D3DX10_ATTRIBUTE_RANGE& range : fw_ReadAttributeTable(mesh)) {
      ASSERT_LT(range.AttribId, model.materials.size());
      ASSERT_EQ(range.FaceStart, faces);
      faces += range.FaceCount;
    }
    ASSERT_EQ(faces, model.TriangleCount());
    ASSERT_LE(mesh->GetVertexCount(), model.vertices.size());
    mesh->Release();
  }
  EXPECT_GT(meshesBuilt, 200u);  // the generator does reach the mesh build
  EXPECT_GT(log.warnings, 1000u);
}
