// dusk-mesh info FILE.obj: reads a model the way the program does (OBJ and its material
// library, welding, default material), builds and optimises the mesh on the CPU, and prints
// one "name: value" a line: vertices, triangles, materials, subsets, then the bounding box,
// cache figures and one line per subset. Warnings go to standard error. Needs no display.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <meshoptimizer.h>

#include "diag/fw_Log.h"
#include "res/fw_ObjMeshBuild.h"
#include "res/fw_ObjModel.h"

namespace {

constexpr unsigned kCacheSize = 16;

int Usage() {
  std::fprintf(stderr,
               "usage: dusk-mesh info FILE.obj\n"
               "  prints vertices, triangles, materials and subsets after welding and optimising,\n"
               "  then bounds, average cache misses per triangle (before/after, %u-entry cache) and subsets.\n",
               kCacheSize);
  return 2;
}

std::vector<uint32_t> ReadIndices(ID3DX10Mesh* mesh) {
  std::vector<uint32_t> indices;
  ID3DX10MeshBuffer* buffer = nullptr;
  if (FAILED(mesh->GetIndexBuffer(&buffer))) return indices;
  void* data = nullptr;
  SIZE_T size = 0;
  if (SUCCEEDED(buffer->Map(&data, &size))) {
    indices.resize(size / sizeof(uint32_t));
    std::memcpy(indices.data(), data, indices.size() * sizeof(uint32_t));
    buffer->Unmap();
  }
  buffer->Release();
  return indices;
}

double Acmr(const std::vector<uint32_t>& indices, size_t vertexCount) {
  if (indices.empty()) return 0.0;
  return meshopt_analyzeVertexCache(indices.data(), indices.size(), vertexCount, kCacheSize, 0, 0).acmr;
}

int Info(const std::string& path) {
  fw_SetLogListener([](int level, const char* message) {
    std::fprintf(stderr, "%s%s\n", level == fw_LogWarning ? "warning: " : level == fw_LogError ? "error: " : "", message);
  });
  const size_t slash = path.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);

  const auto start = std::chrono::steady_clock::now();
  fw_ObjModel model;
  fw_LoadObjModel(directory, file, model);
  const double acmrBefore = Acmr(model.indices, model.vertices.size());
  ID3DX10Mesh* mesh = nullptr;
  if (!model.indices.empty() &&
      FAILED(fw_BuildObjExtensionMesh(nullptr, model.vertices, model.indices, model.faceMaterials, &mesh)))
    std::fprintf(stderr, "error: the mesh could not be built from %s\n", path.c_str());
  const double milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  const std::vector<D3DX10_ATTRIBUTE_RANGE> table = fw_ReadAttributeTable(mesh);
  std::printf("vertices: %u\n", mesh ? mesh->GetVertexCount() : 0u);
  std::printf("triangles: %u\n", mesh ? mesh->GetFaceCount() : 0u);
  std::printf("materials: %zu\n", model.materials.size());
  std::printf("subsets: %zu\n", table.size());
  if (mesh) {
    float low[3] = {model.vertices[0].position[0], model.vertices[0].position[1], model.vertices[0].position[2]};
    float high[3] = {low[0], low[1], low[2]};
    for (const fw_ObjVertex& v : model.vertices)
      for (int c = 0; c < 3; ++c) {
        low[c] = std::min(low[c], v.position[c]);
        high[c] = std::max(high[c], v.position[c]);
      }
    std::printf("bounds_min: %g %g %g\n", low[0], low[1], low[2]);
    std::printf("bounds_max: %g %g %g\n", high[0], high[1], high[2]);
    std::printf("acmr_before: %.3f\n", acmrBefore);
    std::printf("acmr_after: %.3f\n", Acmr(ReadIndices(mesh), mesh->GetVertexCount()));
  }
  for (size_t i = 0; i < table.size(); ++i) {
    const D3DX10_ATTRIBUTE_RANGE& r = table[i];
    const char* name = r.AttribId < model.materials.size() ? model.materials[r.AttribId].name.c_str() : "?";
    std::printf("subset_%zu: material=%s triangles=%u vertices=%u\n", i, name, r.FaceCount, r.VertexCount);
  }
  for (size_t m = 0; m < model.materials.size(); ++m) {
    const fw_ObjMaterialData& material = model.materials[m];
    std::string textures;
    for (const std::string& t : material.textureNames) textures += (textures.empty() ? "" : ",") + t;
    std::printf("material_%zu: name=%s in_library=%s textures=%s\n", m, material.name.c_str(),
                material.definedInLibrary ? "yes" : "no", textures.empty() ? "-" : textures.c_str());
  }
  std::printf("warnings: %u\n", model.problems);
  std::printf("load_ms: %.1f\n", milliseconds);
  if (mesh) mesh->Release();
  fw_SetLogListener(nullptr);
  return mesh ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "info") == 0) return Info(argv[2]);
  return Usage();
}
