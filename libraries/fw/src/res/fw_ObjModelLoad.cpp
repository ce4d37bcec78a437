// Reading an OBJ model and its material library from disk, with the fallbacks that keep a bad
// file from reaching the device: one default material, and an empty model without triangles.
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "diag/fw_Log.h"
#include "res/fw_ObjModel.h"

const char* const fw_ObjDefaultMaterialName = "default";

bool fw_ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream buffer;
  buffer << file.rdbuf();
  if (file.bad()) {
    out.clear();
    return false;
  }
  out = std::move(buffer).str();
  return true;
}

namespace {

void LoadObjModel(const std::string& directory, const std::string& file, fw_ObjModel& model) {
  const std::string objPath = directory + "/" + file;
  std::string text;
  if (!fw_ReadWholeFile(objPath, text)) {
    fw_Log(fw_LogWarning, "Could not open the mesh file <%s>.  The mesh will be empty.", objPath.c_str());
    ++model.problems;
    return;
  }
  fw_ParseObjText(text.data(), text.size(), objPath, model);

  // Faces before any "usemtl" (or in a file without one) belong to material 0: make sure it exists.
  if (model.materials.empty() && !model.faceMaterials.empty()) {
    fw_ObjMaterialData material;
    material.name = fw_ObjDefaultMaterialName;
    model.materials.push_back(std::move(material));
  }

  if (!model.libraries.empty()) {
    const std::string mtlPath = directory + "/" + model.libraries.front();
    if (fw_ReadWholeFile(mtlPath, text)) {
      fw_ParseMtlText(text.data(), text.size(), mtlPath, model);
      // A library that defines none of the materials the mesh uses (damaged, or the wrong file)
      // leaves every subset without a look; say so once rather than per material.
      bool anyDefined = false;
      for (const fw_ObjMaterialData& material : model.materials) anyDefined = anyDefined || material.definedInLibrary;
      if (!anyDefined && !model.faceMaterials.empty()) {
        fw_Log(fw_LogWarning, "The material library <%s> defines none of the materials of <%s>.  They keep their defaults.",
               mtlPath.c_str(), objPath.c_str());
        ++model.problems;
      }
    } else {
      fw_Log(fw_LogWarning, "Could not open the material library <%s>.  The materials keep their defaults.",
             mtlPath.c_str());
      ++model.problems;
    }
  }

  if (model.indices.empty() || model.vertices.empty()) {
    fw_Log(fw_LogWarning, "The mesh file <%s> has no triangles.  The mesh will be empty.", objPath.c_str());
    ++model.problems;
    model.vertices.clear();
    model.indices.clear();
    model.faceMaterials.clear();
  }
}

}  // namespace

void fw_LoadObjModel(const std::string& directory, const std::string& file, fw_ObjModel& model) {
  model = fw_ObjModel();
  try {
    LoadObjModel(directory, file, model);
  } catch (const std::bad_alloc&) {
    const uint32_t problems = model.problems + 1;
    model = fw_ObjModel();
    model.problems = problems;
    fw_Log(fw_LogWarning, "The mesh file <%s/%s> is too large to read.  The mesh will be empty.", directory.c_str(),
           file.c_str());
  }
}
