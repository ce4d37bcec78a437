#include "post/fw_PostPass.h"

#include "diag/fw_Log.h"
#include "device/fw_DeviceState.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Effect.h"
#include "res/fw_FullScreenQuad.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

#include <set>
#include <string>

void fw_PostBindTarget(ID3D10RenderTargetView* view, const D3D10_VIEWPORT* viewport)
{
  ID3D10Device* device = fw_GetDevice();
  if (!device) return;
  if (view) {
    device->OMSetRenderTargets(1, &view, nullptr);
    device->RSSetViewports(1, viewport);
  } else {
    device->OMSetRenderTargets(0, nullptr, nullptr);
    device->RSSetViewports(0, nullptr);
  }
}

void fw_PostPass(fw_PostEffects* chain, std::initializer_list<fw_PostInput> inputs,
                 std::initializer_list<fw_PostConstant> constants, fw_Texture* target, const char* technique)
{
  if (!chain || !chain->mEffect || !chain->mQuad) return;
  fw_Effect& effect = *chain->mEffect;

  for (const fw_PostInput& input : inputs)
    effect.getVariableByName(input.variable)->AsShaderResource()->SetResource(
        input.texture ? input.texture->mShaderResourceView : nullptr);

  for (const fw_PostConstant& constant : constants) {
    ID3D10EffectVariable* variable = effect.getVariableByName(constant.variable);
    if (constant.components == 1)
      variable->AsScalar()->SetFloat(constant.value[0]);
    else
      variable->AsVector()->SetFloatVector(constant.value);
  }

  if (target)
    fw_PostBindTarget(target->mRenderTargetView, &target->mViewport);
  else
    fw_PostBindTarget(nullptr, nullptr);

  chain->mQuad->draw(effect.getTechniqueByName(technique));
}

fw_Texture* fw_PostFindTarget(const char* name)
{
  fw_Texture* texture = fw_FindTexture(name);
  // Once per name: the frame asks again every frame, and one line says all there is to say.
  static std::set<std::string> reported;
  if (!texture && reported.insert(name).second)
    fw_Log(fw_LogError, "Post effects: there is no render target named \"%s\".", name);
  return texture;
}
