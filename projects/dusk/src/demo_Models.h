// The Demo scene's model picture: one of three OBJ models (or three instances of the first one)
// drawn with "mesh.fx" into the background target. The placement is planned on the CPU from the
// tracks and the shared rand(), which is reseeded around it so the instances stay put from
// frame to frame while other users of rand() continue from a fresh point.
#pragma once

#include <platform/d3dx10math.h>

#include <vector>

class fw_ObjMesh;
struct fw_Effect;

// The mesh tracks at one sub-frame, raw (scaling happens where the values are used).
struct demo_ModelTracks {
  float shading = 0, lightA = 0, lightB = 0, wireGlitch = 0, wireShow = 0;
  float distortScale = 0, distortAlpha = 0, randSeed = 0, rotation = 0;
  float x = 0, y = 0, z = 0;
};

// Which of the scene's models, in the scene's loading order.
enum demo_ModelId { demo_kFirstModel = 0, demo_kSecondModel = 1, demo_kThirdModel = 2 };

struct demo_ModelDraw {
  demo_ModelId model;
  D3DXMATRIX world;  // "gWorldMatrix"
};

// The tracks of the "mesh" family at the row.
demo_ModelTracks demo_ReadModelTracks(float row);
// (cos a sin b, sin a, cos a cos b, 0) for a and b in degrees.
D3DXVECTOR4 demo_LightDirection(float aDegrees, float bDegrees);
// The draws for model number m: 1 the second model once, 3 the third once, 2 the first model three
// times placed by four rand() values each; any other number none. Saves one rand() value, seeds
// with the tracks' seed and reseeds with the saved value at the end, whatever m is.
std::vector<demo_ModelDraw> demo_PlanModelDraws(int m, const demo_ModelTracks& tracks);
// The model number of a negative background choice ("3_i" = -m); 0 (no model) for any other,
// the lowest integer among them, which has no negation.
inline int demo_ModelNumber(int background) { return background < 0 && background >= -3 ? -background : 0; }

// The height the wire's reveal measures against ("gModelHeight"): the models stand on y = 0 and
// reach up to about this.
constexpr float demo_kModelHeight = 280.0f;

// Sets the mesh effect's variables and draws the planned models with "smooth", then "wireframe"
// when the wire is shown: only the faces that reach down to the reveal's front, since the
// wireframe's pixel stage discards everything above it. models[] in demo_ModelId order; null
// entries are skipped.
void demo_RenderModel(fw_Effect* meshEffect, fw_ObjMesh* const models[3], int m, const demo_ModelTracks& tracks);
