// Live reloading aids of the Direct3D 10 stand-in: a picture saved while the program runs may
// come back at another size or format, and every holder of its view must see the new one.
#pragma once

#include <platform/d3d10.h>

namespace platform {

// Exchanges what two shader-resource views of the same device show: their resources and
// descriptions trade places, while each view object stays where its holders keep it. So an
// image loaded again at another size can be shown through the view everyone already holds, and
// the old picture goes when the other view is released. False, changing nothing, for views of
// different devices or kinds.
bool ExchangeShaderResourceViews(ID3D10ShaderResourceView* a, ID3D10ShaderResourceView* b);

}  // namespace platform
