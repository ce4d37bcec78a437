// An OBJ/MTL model on the device: materials with their textures (from the framework's texture
// table) and techniques, the optimised extension mesh with one subset per material, and drawing
// with a technique the owner supplies. Needs the framework's device and the effect pool's
// material variables ("MeshTextures", "Ambient", "Diffuse", "Specular", "SpecularPower").
#pragma once

#include <platform/d3dx10effect.h>
#include <platform/d3dx10mesh.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "res/fw_FacesByHeight.h"
#include "res/fw_ObjModel.h"

struct fw_Effect;

struct fw_ObjMaterial : fw_ObjMaterialData {
  std::vector<ID3D10ShaderResourceView*> textures;  // not owned: the texture table's views
  ID3D10EffectTechnique* technique = nullptr;       // the mesh effect's technique of this name
};

class fw_ObjMesh {
 public:
  static constexpr int kLayoutSlots = 11;
  static constexpr int kOwnerLayoutSlot = 9;

  // Loads directory + "/" + file and its first material library; `effect` (may be null) gives
  // each material the technique of its name. A file that cannot be read, or has no triangle,
  // leaves an empty mesh that draws nothing (with a warning).
  fw_ObjMesh(const std::string& directory, const std::string& file, fw_Effect* effect);
  ~fw_ObjMesh();
  fw_ObjMesh(const fw_ObjMesh&) = delete;
  fw_ObjMesh& operator=(const fw_ObjMesh&) = delete;

  // Builds the layout for the owner's technique (pass 0) into slot 9, once before drawing.
  void prepareForTechnique(ID3D10EffectTechnique* technique);
  // Draws every subset with every pass of the technique, setting each subset's material.
  void drawWithTechnique(ID3D10EffectTechnique* technique);
  // Draws with every pass of the technique, and no material, only the faces with a corner at or
  // below `height` (model units), lowest first. For a reveal from the feet up whose pixel stage
  // discards everything above its front: a face wholly above it costs its rasterising and adds
  // nothing. Each face keeps its own vertex indices, so vertex-index keyed effects are unchanged.
  void drawFacesAtOrBelow(ID3D10EffectTechnique* technique, float height);
  // Releases everything the mesh owns; harmless when repeated.
  void release();

  std::string mName;
  fw_Effect* mEffect = nullptr;
  ID3D10InputLayout* mMaterialLayout = nullptr;
  std::map<int, ID3D10InputLayout*> mLayouts;
  ID3DX10Mesh* mMesh = nullptr;
  std::vector<fw_ObjVertex> mVertices;
  std::vector<uint32_t> mIndices;
  std::vector<uint32_t> mFaceMaterials;
  std::vector<fw_ObjMaterial*> mMaterials;
  uint32_t mAttributeRangeCount = 0;
  D3DX10_ATTRIBUTE_RANGE* mAttributeTable = nullptr;

 private:
  fw_FacesByHeight mFacesByHeight;  // its indices are on the device in mFacesByHeightBuffer
  ID3D10Buffer* mFacesByHeightBuffer = nullptr;

  void _BuildFacesByHeight();
  void _Load(const std::string& directory, const std::string& file);
  void _BuildMesh();
};
