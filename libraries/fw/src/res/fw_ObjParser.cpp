// OBJ reader: positions, normals and texture coordinates, triangles from "f" lines (polygons as
// fans), materials
// from "usemtl" and library names from "mtllib". Vertices are welded per position index: two
// corners that agree in all 32 bytes share one vertex.
#include <cstring>
#include <string_view>

#include "res/fw_ObjModel.h"
#include "res/fw_ObjText.h"

using fw_objtext::ForEachTokenLine;
using fw_objtext::ProblemReporter;
using fw_objtext::Shorten;

namespace {

struct Reference {
  int64_t position = 0, texcoord = 0, normal = 0;  // as written; 0 = absent
};

// p, p/t, p//n or p/t/n. Empty texture or normal parts count as absent.
bool ParseReference(std::string_view token, Reference& ref) {
  std::string_view parts[3];
  int count = 0;
  size_t start = 0;
  for (;;) {
    size_t slash = token.find('/', start);
    if (count == 3) return false;
    parts[count++] = token.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  int64_t values[3] = {0, 0, 0};
  for (int i = 0; i < count; ++i) {
    if (parts[i].empty()) {
      if (i == 0) return false;
      continue;
    }
    if (!fw_objtext::ParseInteger(parts[i], values[i]) || values[i] == 0) return false;
  }
  ref.position = values[0];
  ref.texcoord = values[1];
  ref.normal = values[2];
  return true;
}

// 1-based from the front, negative counts back from the end of the list read so far.
bool Resolve(int64_t written, size_t listSize, size_t& index) {
  if (written > 0 && static_cast<uint64_t>(written) <= listSize) {
    index = static_cast<size_t>(written - 1);
    return true;
  }
  if (written < 0 && static_cast<uint64_t>(-(written + 1)) < listSize) {
    index = listSize - static_cast<size_t>(-written);
    return true;
  }
  return false;
}

struct Float3 { float v[3]; };
struct Float2 { float v[2]; };

class ObjReader {
 public:
  ObjReader(const std::string& fileName, fw_ObjModel& model) : mProblems(fileName), mModel(model) {}

  void Read(const char* text, size_t size) {
    ForEachTokenLine(text, size, mLine, [this](const std::vector<std::string_view>& tokens) {
      std::string_view key = tokens[0];
      if (key == "v") ReadFloats<3>(tokens, mPositions, "position");
      else if (key == "vn") ReadFloats<3>(tokens, mNormals, "normal");
      else if (key == "vt") ReadTexcoord(tokens);
      else if (key == "f") ReadFace(tokens);
      else if (key == "mtllib") ReadName(tokens, "mtllib", [&](std::string_view n) { mModel.libraries.emplace_back(n); });
      else if (key == "usemtl") ReadName(tokens, "usemtl", [&](std::string_view n) { UseMaterial(n); });
      // "#" and every other keyword ("o", "g", "s", ...) skip their line.
    });
    mProblems.Finish();
    mModel.problems += mProblems.Count();
  }

 private:
  template <size_t N, typename T>
  void ReadFloats(const std::vector<std::string_view>& tokens, std::vector<T>& list, const char* what) {
    T value{};
    if (tokens.size() < N + 1) {
      // Kept (as zero) so that later indices still point where the author meant.
      mProblems.Warn(mLine, "a %s needs %zu numbers; it reads as zero.", what, N);
      list.push_back(value);
      return;
    }
    for (size_t i = 0; i < N; ++i) {
      if (!fw_objtext::ParseFloat(tokens[1 + i], value.v[i])) {
        mProblems.Warn(mLine, "'%s' is not a number; the %s reads as zero.", Shorten(tokens[1 + i]).c_str(), what);
        value = T{};
        break;
      }
    }
    list.push_back(value);
  }

  // "vt u" alone is common (1D textures); v then reads as 0.
  void ReadTexcoord(const std::vector<std::string_view>& tokens) {
    Float2 value{};
    if (tokens.size() < 2) {
      mProblems.Warn(mLine, "a texture coordinate needs numbers; it reads as zero.");
    } else {
      for (size_t i = 0; i < 2 && 1 + i < tokens.size(); ++i) {
        if (!fw_objtext::ParseFloat(tokens[1 + i], value.v[i])) {
          mProblems.Warn(mLine, "'%s' is not a number; the texture coordinate reads as zero.",
                         Shorten(tokens[1 + i]).c_str());
          value = Float2{};
          break;
        }
      }
    }
    mTexcoords.push_back(value);
  }

  template <typename F>
  void ReadName(const std::vector<std::string_view>& tokens, const char* key, F use) {
    if (tokens.size() < 2) {
      mProblems.Warn(mLine, "\"%s\" without a name; line skipped.", key);
      return;
    }
    use(tokens[1]);
  }

  void UseMaterial(std::string_view name) {
    for (size_t m = 0; m < mModel.materials.size(); ++m) {
      if (mModel.materials[m].name == name) {
        mCurrentMaterial = static_cast<uint32_t>(m);
        return;
      }
    }
    fw_ObjMaterialData material;
    material.name = std::string(name);
    mModel.materials.push_back(std::move(material));
    mCurrentMaterial = static_cast<uint32_t>(mModel.materials.size() - 1);
  }

  // A polygon becomes a fan of triangles (corners 0, i, i + 1); a triangle loads as before. A bad
  // corner among the first three drops the face, a bad later one ends the polygon before it. A
  // token that starts with '#' begins a comment and ends the corners.
  void ReadFace(const std::vector<std::string_view>& tokens) {
    size_t end = 1;
    while (end < tokens.size() && tokens[end].front() != '#') ++end;
    if (end < 4) {
      mProblems.Warn(mLine, "a face needs three vertex references; face skipped.");
      return;
    }
    mCorners.clear();
    mCornerPositions.clear();
    for (size_t c = 1; c < end; ++c) {
      fw_ObjVertex vertex;
      size_t position = 0;
      if (!ReadCorner(tokens[c], c <= 3 ? "face skipped" : "the polygon ends before it", vertex, position)) {
        if (c <= 3) return;
        break;
      }
      mCorners.push_back(vertex);
      mCornerPositions.push_back(position);
    }
    mCornerIndices.clear();
    for (size_t c = 0; c < mCorners.size(); ++c) mCornerIndices.push_back(Weld(mCornerPositions[c], mCorners[c]));
    for (size_t c = 1; c + 1 < mCornerIndices.size(); ++c) {
      mModel.indices.push_back(mCornerIndices[0]);
      mModel.indices.push_back(mCornerIndices[c]);
      mModel.indices.push_back(mCornerIndices[c + 1]);
      mModel.faceMaterials.push_back(mCurrentMaterial);
    }
  }

  // One vertex reference into a vertex; `consequence` ends the warning when it cannot be read.
  bool ReadCorner(std::string_view token, const char* consequence, fw_ObjVertex& vertex, size_t& position) {
    Reference ref;
    if (!ParseReference(token, ref)) {
      mProblems.Warn(mLine, "'%s' is not a vertex reference; %s.", Shorten(token).c_str(), consequence);
      return false;
    }
    std::memset(&vertex, 0, sizeof vertex);
    size_t p = 0, t = 0, n = 0;
    if (!Resolve(ref.position, mPositions.size(), p) ||
        (ref.texcoord != 0 && !Resolve(ref.texcoord, mTexcoords.size(), t)) ||
        (ref.normal != 0 && !Resolve(ref.normal, mNormals.size(), n))) {
      mProblems.Warn(mLine, "vertex reference '%s' is out of range (%zu positions, %zu texture coordinates, "
                     "%zu normals read so far); %s.", Shorten(token).c_str(), mPositions.size(),
                     mTexcoords.size(), mNormals.size(), consequence);
      return false;
    }
    std::memcpy(vertex.position, mPositions[p].v, sizeof vertex.position);
    if (ref.texcoord != 0) std::memcpy(vertex.texcoord, mTexcoords[t].v, sizeof vertex.texcoord);
    if (ref.normal != 0) std::memcpy(vertex.normal, mNormals[n].v, sizeof vertex.normal);
    position = p;
    return true;
  }

  // Chains per position index, kept as a head per position and a link per vertex.
  uint32_t Weld(size_t position, const fw_ObjVertex& vertex) {
    static constexpr uint32_t kEnd = 0xFFFFFFFFu;
    if (mChainHead.size() <= position) mChainHead.resize(position + 1, kEnd);
    for (uint32_t v = mChainHead[position]; v != kEnd; v = mChainNext[v]) {
      if (std::memcmp(&mModel.vertices[v], &vertex, sizeof vertex) == 0) return v;
    }
    uint32_t index = static_cast<uint32_t>(mModel.vertices.size());
    mModel.vertices.push_back(vertex);
    mChainNext.resize(mModel.vertices.size(), kEnd);
    mChainNext[index] = mChainHead[position];
    mChainHead[position] = index;
    return index;
  }

  ProblemReporter mProblems;
  fw_ObjModel& mModel;
  uint32_t mLine = 0;
  uint32_t mCurrentMaterial = 0;
  std::vector<Float3> mPositions, mNormals;
  std::vector<Float2> mTexcoords;
  std::vector<uint32_t> mChainHead, mChainNext;
  // The corners of the face being read, kept between faces to save allocations.
  std::vector<fw_ObjVertex> mCorners;
  std::vector<size_t> mCornerPositions;
  std::vector<uint32_t> mCornerIndices;
};

}  // namespace

void fw_ParseObjText(const char* text, size_t size, const std::string& fileName, fw_ObjModel& model) {
  ObjReader reader(fileName, model);
  reader.Read(text, size);
}
