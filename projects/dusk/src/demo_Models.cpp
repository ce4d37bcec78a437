#include "demo_Models.h"

#include "res/fw_Effect.h"
#include "res/fw_ObjMesh.h"
#include "dusk_Tracks.h"
#include "sync/fw_Sync.h"

#include <platform/crt.h>

#include <cmath>

namespace {

constexpr float kDegrees = 0.017453292f;

}  // namespace

demo_ModelTracks demo_ReadModelTracks(float row) {
  demo_ModelTracks t;
  t.shading = fw_SyncValueAt("meshShading", 0.0f, row);
  t.lightA = fw_SyncValueAt("meshLightDir_A", 0.0f, row);
  t.lightB = fw_SyncValueAt("meshLightDir_B", 0.0f, row);
  t.wireGlitch = fw_SyncValueAt("meshWireGlitch", 0.0f, row);
  t.wireShow = fw_SyncValueAt("meshWireShow", 0.0f, row);
  t.distortScale = fw_SyncValueAt("meshDistort_scale", 0.0f, row);
  t.distortAlpha = fw_SyncValueAt("meshDistort_alpha", 0.0f, row);
  t.randSeed = fw_SyncValueAt("meshRandSeed", 0.0f, row);
  t.rotation = fw_SyncValueAt("meshRotation", 0.0f, row);
  t.x = fw_SyncValueAt("meshX", 0.0f, row);
  t.y = fw_SyncValueAt("meshY", 0.0f, row);
  t.z = fw_SyncValueAt("meshZ", 0.0f, row);
  return t;
}

D3DXVECTOR4 demo_LightDirection(float aDegrees, float bDegrees) {
  const float a = aDegrees * kDegrees, b = bDegrees * kDegrees;
  return D3DXVECTOR4(std::cos(a) * std::sin(b), std::sin(a), std::cos(a) * std::cos(b), 0.0f);
}

std::vector<demo_ModelDraw> demo_PlanModelDraws(int m, const demo_ModelTracks& tracks) {
  std::vector<demo_ModelDraw> draws;
  const int restore = crt::rand();
  // Truncated like every other seed track; negative seeds wrap as the runtime's would.
  crt::srand(static_cast<unsigned int>(dusk_TruncateTrack(tracks.randSeed)));

  // The model's own rotation acts first and its translation last (row vectors: left acts first).
  D3DXMATRIX rotation, translation;
  D3DXMatrixRotationY(&rotation, tracks.rotation * kDegrees);
  D3DXMatrixTranslation(&translation, tracks.x, tracks.y - 110.0f, tracks.z);

  if (m == 1 || m == 3) {
    demo_ModelDraw draw{m == 1 ? demo_kSecondModel : demo_kThirdModel, {}};
    D3DXMatrixMultiply(&draw.world, &rotation, &translation);
    draws.push_back(draw);
  } else if (m == 2) {
    for (int instance = 0; instance < 3; ++instance) {
      const int r1 = crt::rand(), r2 = crt::rand(), r3 = crt::rand(), r4 = crt::rand();
      D3DXMATRIX place, spin, inner, outer;
      D3DXMatrixTranslation(&place, (r1 / 32767.0f - 0.5f) * 500.0f, (r2 / 32767.0f - 0.5f) * 120.0f,
                            (r3 * 0.9f / 32767.0f - 0.1f) * -210.0f);
      D3DXMatrixRotationY(&spin, r4 * 6.2831855f / 32767.0f);
      // Each instance turns in place, then moves to its spot.
      D3DXMatrixMultiply(&inner, &spin, &place);
      demo_ModelDraw draw{demo_kFirstModel, {}};
      D3DXMatrixMultiply(&outer, &rotation, &inner);
      D3DXMatrixMultiply(&draw.world, &outer, &translation);
      draws.push_back(draw);
    }
  }
  crt::srand(static_cast<unsigned int>(restore));
  return draws;
}

void demo_RenderModel(fw_Effect* meshEffect, fw_ObjMesh* const models[3], int m, const demo_ModelTracks& tracks) {
  if (!meshEffect) return;
  fw_Effect& effect = *meshEffect;
  const float wireShow = tracks.wireShow * 0.01f;
  effect.getVariableByName("gMeshShading")->AsScalar()->SetFloat(tracks.shading);
  effect.getVariableByName("gLightDirection")->AsVector()->SetFloatVector(demo_LightDirection(tracks.lightA, tracks.lightB));
  effect.getVariableByName("gWireMeshGlitch")->AsScalar()->SetFloat(tracks.wireGlitch);
  effect.getVariableByName("gWireMeshShowPercent")->AsScalar()->SetFloat(wireShow);
  effect.getVariableByName("gModelHeight")->AsScalar()->SetFloat(demo_kModelHeight);
  effect.getVariableByName("gDistortionScale")->AsScalar()->SetFloat(tracks.distortScale * 0.01f);
  effect.getVariableByName("gDistortionDrift")->AsScalar()->SetFloat(tracks.distortAlpha * 0.01f);

  ID3D10EffectMatrixVariable* world = effect.getVariableByName("gWorldMatrix")->AsMatrix();
  ID3D10EffectTechnique* smooth = effect.getTechniqueByName("smooth");
  ID3D10EffectTechnique* wireframe = effect.getTechniqueByName("wireframe");
  for (const demo_ModelDraw& draw : demo_PlanModelDraws(m, tracks)) {
    fw_ObjMesh* model = models[draw.model];
    if (!model) continue;
    world->SetMatrix(draw.world);
    model->drawWithTechnique(smooth);
    // A little over the front, so a face the pixel stage keeps by a rounding is never left out.
    if (wireShow > 0.0f) model->drawFacesAtOrBelow(wireframe, wireShow * demo_kModelHeight * 1.0001f + 0.01f);
  }
}
