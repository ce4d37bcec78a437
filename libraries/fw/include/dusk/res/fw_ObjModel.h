// The CPU side of OBJ/MTL meshes: the vertex format, material data and the welded triangle
// list that the readers produce. Needs only the log; the mesh object (fw_ObjMesh.h) turns a
// model into a device mesh, and the mesh tool reads models without any device at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// 32 bytes: POSITION at 0, NORMAL at 12, TEXCOORD at 24, all in input slot 0.
struct fw_ObjVertex {
  float position[3];
  float normal[3];
  float texcoord[2];
};
static_assert(sizeof(fw_ObjVertex) == 32, "the mesh vertex format is 32 bytes");

// What the MTL file says about one material the OBJ file selected with "usemtl".
struct fw_ObjMaterialData {
  std::string name;
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  int32_t specularPower = 0;
  float opacity = 1.0f;
  bool specularEnabled = false;
  std::vector<std::string> textureNames;
  // Set when a "newmtl" of the material library selected this material.
  bool definedInLibrary = false;
};

struct fw_ObjModel {
  std::vector<fw_ObjVertex> vertices;
  std::vector<uint32_t> indices;        // three per triangle, into vertices
  std::vector<uint32_t> faceMaterials;  // one per triangle, into materials
  std::vector<fw_ObjMaterialData> materials;  // in order of first "usemtl"
  std::vector<std::string> libraries;         // "mtllib" names in file order
  uint32_t problems = 0;  // warnings logged while reading this model

  size_t TriangleCount() const { return indices.size() / 3; }
};

// Name used for the one material a model gets when its OBJ file never says "usemtl".
extern const char* const fw_ObjDefaultMaterialName;

// Parses OBJ text into `model` (appending). `fileName` names the file in warnings. Lines that
// cannot be read are skipped with a warning; nothing in the text can make this fail.
void fw_ParseObjText(const char* text, size_t size, const std::string& fileName, fw_ObjModel& model);

// Applies MTL text to the materials the OBJ text created: only selected materials take values.
void fw_ParseMtlText(const char* text, size_t size, const std::string& fileName, fw_ObjModel& model);

// Reads directory + "/" + file and the first material library beside it, gives a model without
// "usemtl" its default material, and empties a model without triangles. Problems are logged as
// warnings naming the file; the result is always usable (perhaps empty).
void fw_LoadObjModel(const std::string& directory, const std::string& file, fw_ObjModel& model);

// Whole file into `out`; false (and `out` empty) when it cannot be read.
bool fw_ReadWholeFile(const std::string& path, std::string& out);
