// MTL reader: fills the materials an OBJ file selected. A "newmtl" of a material the OBJ never
// used selects nothing, and the lines up to the next "newmtl" are ignored.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "res/fw_ObjModel.h"
#include "res/fw_ObjText.h"

using fw_objtext::ForEachTokenLine;
using fw_objtext::ProblemReporter;
using fw_objtext::Shorten;

namespace {

class MtlReader {
 public:
  MtlReader(const std::string& fileName, fw_ObjModel& model) : mProblems(fileName), mModel(model) {}

  void Read(const char* text, size_t size) {
    ForEachTokenLine(text, size, mLine, [this](const std::vector<std::string_view>& tokens) {
      std::string_view key = tokens[0];
      if (key == "newmtl") {
        Select(tokens);
        return;
      }
      if (!mMaterial) return;
      if (key == "Ka") ReadColour(tokens, mMaterial->ambient, 1.0f);
      else if (key == "Kd") ReadColour(tokens, mMaterial->diffuse, 1.0f);
      else if (key == "Ks") ReadColour(tokens, mMaterial->specular, 0.0f);
      else if (key == "Ns") ReadSpecularPower(tokens);
      else if (key == "d" || key == "Tr") ReadFloat(tokens, mMaterial->opacity);
      else if (key == "illum") ReadIllum(tokens);
      else if (key == "map_Kd") ReadTextureName(tokens);
    });
    mProblems.Finish();
    mModel.problems += mProblems.Count();
  }

 private:
  void Select(const std::vector<std::string_view>& tokens) {
    mMaterial = nullptr;
    if (tokens.size() < 2) {
      mProblems.Warn(mLine, "\"newmtl\" without a name; lines up to the next \"newmtl\" are ignored.");
      return;
    }
    for (fw_ObjMaterialData& material : mModel.materials) {
      if (material.name == tokens[1]) {
        mMaterial = &material;
        material.definedInLibrary = true;
        return;
      }
    }
  }

  // "K? r g b"; g and b may be left out and then repeat r.
  void ReadColour(const std::vector<std::string_view>& tokens, float* colour, float w) {
    float rgb[3];
    size_t given = tokens.size() - 1;
    if (given != 1 && given < 3) {
      mProblems.Warn(mLine, "\"%s\" needs three numbers; value ignored.", std::string(tokens[0]).c_str());
      return;
    }
    for (size_t i = 0; i < (given == 1 ? 1u : 3u); ++i) {
      if (!fw_objtext::ParseFloat(tokens[1 + i], rgb[i])) {
        mProblems.Warn(mLine, "'%s' is not a number; value ignored.", Shorten(tokens[1 + i]).c_str());
        return;
      }
    }
    if (given == 1) rgb[1] = rgb[2] = rgb[0];
    colour[0] = rgb[0];
    colour[1] = rgb[1];
    colour[2] = rgb[2];
    colour[3] = w;
  }

  bool ReadFloat(const std::vector<std::string_view>& tokens, float& value) {
    if (tokens.size() < 2 || !fw_objtext::ParseFloat(tokens[1], value)) {
      mProblems.Warn(mLine, "\"%s\" needs a number; value ignored.", std::string(tokens[0]).c_str());
      return false;
    }
    return true;
  }

  // "Ns" and "illum" are integers: only the whole number a value starts with counts, so "96.5"
  // is 96 and "1e3" is 1. A power beyond 32 bits is clamped.
  bool ReadLeadingInteger(const std::vector<std::string_view>& tokens, int64_t& value) {
    if (tokens.size() < 2 || !fw_objtext::ParseLeadingInteger(tokens[1], value)) {
      mProblems.Warn(mLine, "\"%s\" needs a whole number; value ignored.", std::string(tokens[0]).c_str());
      return false;
    }
    return true;
  }

  void ReadSpecularPower(const std::vector<std::string_view>& tokens) {
    int64_t value = 0;
    if (!ReadLeadingInteger(tokens, value)) return;
    mMaterial->specularPower = static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
  }

  void ReadIllum(const std::vector<std::string_view>& tokens) {
    int64_t value = 0;
    if (ReadLeadingInteger(tokens, value)) mMaterial->specularEnabled = value == 2;
  }

  // Options ("-s 1 1 1", "-clamp on") come before the name; the name is the last token.
  void ReadTextureName(const std::vector<std::string_view>& tokens) {
    if (tokens.size() < 2) {
      mProblems.Warn(mLine, "\"map_Kd\" without a texture name; line skipped.");
      return;
    }
    std::string_view name = tokens[1];
    if (name.front() == '-') {
      name = tokens.back();
      if (tokens.size() < 3 || name.front() == '-') {
        mProblems.Warn(mLine, "\"map_Kd\" options without a texture name; line skipped.");
        return;
      }
    }
    mMaterial->textureNames.emplace_back(name);
  }

  ProblemReporter mProblems;
  fw_ObjModel& mModel;
  fw_ObjMaterialData* mMaterial = nullptr;
  uint32_t mLine = 0;
};

}  // namespace

void fw_ParseMtlText(const char* text, size_t size, const std::string& fileName, fw_ObjModel& model) {
  MtlReader reader(fileName, model);
  reader.Read(text, size);
}
