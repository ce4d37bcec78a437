// The framework's standard resources: the shared effect pool with its global shader variables,
// the volume noise texture, the named render targets and back buffers, made and released in a
// fixed order (frame/fw_LoadResources.h adds the post chain and the scenes). Also binds render
// targets and feeds the world matrices for the scenes.
#pragma once

#include <platform/d3dx10effect.h>
#include <platform/d3dx10math.h>

#include <cstdint>
#include <string>

class fw_Texture;

// Typed handles of the pool's shared variables, looked up once when resources are loaded.
// Without a pool they are invalid variables whose setters do nothing.
struct fw_GlobalVariables {
  ID3D10EffectMatrixVariable* World;
  ID3D10EffectMatrixVariable* View;
  ID3D10EffectMatrixVariable* ViewProjection;
  ID3D10EffectMatrixVariable* World_BackInTime;
  ID3D10EffectMatrixVariable* View_BackInTime;
  ID3D10EffectMatrixVariable* ViewProjection_BackInTime;
  ID3D10EffectMatrixVariable* ViewInverse;
  ID3D10EffectVectorVariable* EyePositionWorld;
  ID3D10EffectVectorVariable* EyePositionLocal;
  ID3D10EffectVectorVariable* StereoConstants;
  ID3D10EffectVectorVariable* NearXYZFarZ;
  ID3D10EffectVectorVariable* RenderDim;
  ID3D10EffectScalarVariable* Time;
  ID3D10EffectVectorVariable* LightPositionWorld;
  ID3D10EffectMatrixVariable* LightViewProjection;
  ID3D10EffectVectorVariable* Ambient;
  ID3D10EffectVectorVariable* Diffuse;
  ID3D10EffectVectorVariable* Specular;
  ID3D10EffectScalarVariable* SpecularPower;
  ID3D10EffectShaderResourceVariable* gNoiseTexture;
};

fw_GlobalVariables& fw_GetGlobals();
ID3D10EffectPool* fw_GetEffectPool();

// The effect pool's file: "fw_Globals.fxi" in the framework's shader folder, or its ".fxio" when
// the source is absent.
std::string fw_EffectPoolPath();
// Live mode: builds the pool's file again and joins it into the pool in use, so the effects made
// with it keep their pool; a pool variable whose name and type stay keeps its object and value,
// and the global handles are looked up again. When it does not build, the pool in use stays and
// the compiler's messages are in *messages. The effects made with the pool are not rebuilt here.
bool fw_ReloadEffectPool(std::string* messages);

// Builds everything above in its fixed order. Fails (E_FAIL, after an error line and an alert)
// when the effect pool cannot be created: every effect shares its variables.
HRESULT fw_CreateStandardResources();
// When the render size has changed while the show runs: destroys the render targets, back
// buffers and depth target made at the old size and makes them at the new one, under the same
// names. The pool, the noise and the images stay.
void fw_RecreateRenderSizeResources();
// Destroys the owned textures (the render targets among them) and releases the pool.
void fw_ReleaseStandardResources();

// A render target of the render size beyond the standard ones (with its halvings, named as a
// downsample chain, when asked), entered under the name; remade with the standard targets when
// the size changes and released with them. Asking again for a name already made does nothing.
void fw_CreateRenderSizeTarget(const std::string& name, DXGI_FORMAT format, bool withHalvings = false);

// The window back-buffer target: the swap chain's buffer 0 wrapped as a render target ("backbuffer"
// itself when output and render size are equal, else "realBackbuffer"). Null before loading.
fw_Texture* fw_GetWindowBackbuffer();

// Binds the target's render-target view (none without a target) with the depth target's view and
// its viewport narrowed by `inset` rows at top and bottom (no viewport without a target).
void fw_SetRenderTarget(fw_Texture* target, int32_t inset, fw_Texture* depthTarget);
// Sets World and World_BackInTime, and EyePositionLocal as the eye position in object space.
void fw_SetWorld(const D3DXMATRIX& world, const D3DXMATRIX& previousWorld);
