// libFuzzer target: the OBJ and MTL readers and the CPU mesh build. The first NUL byte splits the
// input into OBJ text and MTL text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_target.h"
#include "diag/fw_Log.h"
#include "res/fw_ObjMeshBuild.h"
#include "res/fw_ObjModel.h"

DUSK_FUZZ_TARGET(obj) {
  static bool quiet = (fw_SetLogListener([](int, const char*) {}), true);
  (void)quiet;
  const char* text = reinterpret_cast<const char*>(data);
  const char* split = static_cast<const char*>(std::memchr(text, 0, size));
  const size_t objSize = split ? static_cast<size_t>(split - text) : size;

  fw_ObjModel model;
  fw_ParseObjText(text, objSize, "fuzz.obj", model);
  if (model.materials.empty() && !model.faceMaterials.empty()) model.materials.resize(1);
  if (split) fw_ParseMtlText(split + 1, size - objSize - 1, "fuzz.mtl", model);

  // What the rest of the program relies on.
  if (model.indices.size() != model.faceMaterials.size() * 3) std::abort();
  for (uint32_t index : model.indices)
    if (index >= model.vertices.size()) std::abort();
  for (uint32_t material : model.faceMaterials)
    if (material >= model.materials.size()) std::abort();
  if (!model.indices.empty()) {
    ID3DX10Mesh* mesh = nullptr;
    if (FAILED(fw_BuildObjExtensionMesh(nullptr, model.vertices, model.indices, model.faceMaterials, &mesh)))
      std::abort();
    UINT faces = 0;
    for (const D3DX10_ATTRIBUTE_RANGE& range : fw_ReadAttributeTable(mesh)) faces += range.FaceCount;
    if (faces != model.TriangleCount()) std::abort();
    mesh->Release();
  }
  return 0;
}
