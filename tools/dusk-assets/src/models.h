// The production's three models, modelled procedurally: "tingen" (a knotted tube),
// "hjortenfrahorten" (a stylised deer) and "skallen" (a stylised skull), each with two or
// more materials and a texture of its own. Models stand on y = 0, about 200 units tall.
#pragma once

#include "mesh.h"

namespace assets {

Mesh knotModel();
Mesh deerModel();
Mesh skullModel();
// The diffuse texture that the model's materials name ("models/NAME.png").
Image modelTexture(const std::string& name, int size);

} // namespace assets
