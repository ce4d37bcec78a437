// Exchanging what two shader-resource views show, on the GL device and the recording device.
#include "d3d10_p.h"
#include "device_null_p.h"

#include <platform/d3d10_live.h>

#include <utility>

bool platform::ExchangeShaderResourceViews(ID3D10ShaderResourceView* a, ID3D10ShaderResourceView* b) {
  if (!a || !b) return false;
  if (a == b) return true;
  auto* glA = dynamic_cast<d3d10gl::ShaderResourceView*>(a);
  auto* glB = dynamic_cast<d3d10gl::ShaderResourceView*>(b);
  if (glA && glB) {
    if (glA->DeviceImpl() != glB->DeviceImpl()) return false;
    // Units cache GL names, not views: the next Apply binds whichever texture a view now has.
    std::swap(glA->mDesc, glB->mDesc);
    std::swap(glA->mResource, glB->mResource);
    std::swap(glA->mStorage, glB->mStorage);
    std::swap(glA->mTexture, glB->mTexture);
    std::swap(glA->mTarget, glB->mTarget);
    std::swap(glA->mOwnsTexture, glB->mOwnsTexture);
    return true;
  }
  auto* nullA = dynamic_cast<d3d10null::ShaderResourceView*>(a);
  auto* nullB = dynamic_cast<d3d10null::ShaderResourceView*>(b);
  if (nullA && nullB) {
    if (nullA->DeviceImpl() != nullB->DeviceImpl()) return false;
    std::swap(nullA->mResource, nullB->mResource);
    std::swap(nullA->mDesc, nullB->mDesc);
    std::swap(nullA->mMip, nullB->mMip);
    return true;
  }
  return false;
}
