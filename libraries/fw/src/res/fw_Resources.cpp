// The standard resources: made and released in order; render targets, set render target, set world.
#include "res/fw_Resources.h"

#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "res/fw_CameraState.h"
#include "device/fw_DeviceState.h"
#include "res/fw_DownsampleChain.h"
#include "res/fw_InvalidEffectObjects.h"
#include "res/fw_NoiseFile.h"
#include "res/fw_Paths.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"

#include <platform/safe_release.h>

#include <string>
#include <vector>

namespace {
ID3D10EffectPool* gEffectPool = nullptr;
fw_Texture* gWindowBackbuffer = nullptr;
const UINT kTargetFlags = D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE;  // 40

fw_GlobalVariables InvalidGlobals() {
  ID3D10EffectVariable* invalid = fw_InvalidVariable();
  fw_GlobalVariables g;
  g.World = g.View = g.ViewProjection = g.World_BackInTime = g.View_BackInTime = g.ViewProjection_BackInTime =
      g.ViewInverse = g.LightViewProjection = invalid->AsMatrix();
  g.EyePositionWorld = g.EyePositionLocal = g.StereoConstants = g.NearXYZFarZ = g.RenderDim = g.LightPositionWorld =
      g.Ambient = g.Diffuse = g.Specular = invalid->AsVector();
  g.Time = g.SpecularPower = invalid->AsScalar();
  g.gNoiseTexture = invalid->AsShaderResource();
  return g;
}

fw_GlobalVariables gGlobals = InvalidGlobals();

void LookUpGlobals(ID3D10Effect* pool) {
  auto var = [pool](const char* name) { return pool->GetVariableByName(name); };
  fw_GlobalVariables& g = gGlobals;
  g.World = var("World")->AsMatrix();
  g.View = var("View")->AsMatrix();
  g.ViewProjection = var("ViewProjection")->AsMatrix();
  g.World_BackInTime = var("World_BackInTime")->AsMatrix();
  g.View_BackInTime = var("View_BackInTime")->AsMatrix();
  g.ViewProjection_BackInTime = var("ViewProjection_BackInTime")->AsMatrix();
  g.ViewInverse = var("ViewInverse")->AsMatrix();
  g.EyePositionWorld = var("EyePositionWorld")->AsVector();
  g.EyePositionLocal = var("EyePositionLocal")->AsVector();
  g.StereoConstants = var("StereoConstants")->AsVector();
  g.NearXYZFarZ = var("NearXYZFarZ")->AsVector();
  g.RenderDim = var("RenderDim")->AsVector();
  g.Time = var("Time")->AsScalar();
  g.LightPositionWorld = var("LightPositionWorld")->AsVector();
  g.LightViewProjection = var("LightViewProjection")->AsMatrix();
  g.Ambient = var("Ambient")->AsVector();
  g.Diffuse = var("Diffuse")->AsVector();
  g.Specular = var("Specular")->AsVector();
  g.SpecularPower = var("SpecularPower")->AsScalar();
  g.gNoiseTexture = var("gNoiseTexture")->AsShaderResource();
}

std::vector<std::string> gRenderSizeNames;  // entered at the render size, in making order

// A target asked for beyond the standard ones, remade with them at each new size.
struct ExtraTarget {
  std::string name;
  DXGI_FORMAT format;
  bool chain;
};
std::vector<ExtraTarget> gExtraTargets;

void EnterRenderSizeTexture(const std::string& name, fw_Texture* texture) {
  fw_EnterOwnedTexture(name, texture);
  gRenderSizeNames.push_back(name);
}

void CreateTarget(const char* name, DXGI_FORMAT format, int32_t width, int32_t height) {
  EnterRenderSizeTexture(name, new fw_Texture(kTargetFlags, format, width, height));
}

void CreateRenderSizeChain(const std::string& baseName, DXGI_FORMAT format, int32_t width, int32_t height) {
  for (const fw_ChainLevel& level : fw_DownsampleLevels(baseName, width, height))
    EnterRenderSizeTexture(level.name, new fw_Texture(kTargetFlags, format, level.width, level.height));
}

void CreateRenderSizeTarget(const ExtraTarget& target, int32_t width, int32_t height) {
  if (target.chain)
    CreateRenderSizeChain(target.name, target.format, width, height);
  else
    CreateTarget(target.name.c_str(), target.format, width, height);
}

// Everything made at the render size, each name noted so that a change of size can remake them.
void CreateRenderSizeResources() {
  const int32_t w = fw_GetRenderWidth(), h = fw_GetRenderHeight();
  // In creation order; a chain is the target with its halvings. Only what a show draws through
  // is made for every run (the scene's HDR picture and the bloom's two chains, three colour
  // targets); anything else is asked for by name (fw_CreateRenderSizeTarget).
  static const ExtraTarget kTargets[] = {
      {"r16g16b16a16f_1", DXGI_FORMAT_R16G16B16A16_FLOAT, true},
      {"r16g16b16a16f_2", DXGI_FORMAT_R16G16B16A16_FLOAT, true},
      {"r8g8b8a8_1", DXGI_FORMAT_R8G8B8A8_UNORM, false},
      {"r8g8b8a8_2", DXGI_FORMAT_R8G8B8A8_UNORM, false},
      {"r8g8b8a8_3", DXGI_FORMAT_R8G8B8A8_UNORM, false},
  };
  for (const ExtraTarget& t : kTargets) CreateRenderSizeTarget(t, w, h);
  for (const ExtraTarget& t : gExtraTargets) CreateRenderSizeTarget(t, w, h);

  // The window's own back buffer; a separate render-size "backbuffer" when the sizes differ
  // (or when there is no swap chain at all, as for off-screen devices).
  ID3D10Texture2D* buffer = nullptr;
  if (IDXGISwapChain* swapChain = fw_GetSwapChain())
    swapChain->GetBuffer(0, __uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&buffer));
  gWindowBackbuffer = buffer ? new fw_Texture(buffer, kTargetFlags) : nullptr;
  if (gWindowBackbuffer && fw_GetOutputWidth() == w && fw_GetOutputHeight() == h) {
    EnterRenderSizeTexture("backbuffer", gWindowBackbuffer);
  } else {
    fw_Log(fw_LogPlain, "LoadResources: Creating extra backbuffer of dimensions (%d, %d).", w, h);
    if (gWindowBackbuffer) EnterRenderSizeTexture("realBackbuffer", gWindowBackbuffer);
    CreateTarget("backbuffer", DXGI_FORMAT_R8G8B8A8_UNORM, w, h);
  }

  EnterRenderSizeTexture("d32f_backbuffer", new fw_Texture(D3D10_BIND_DEPTH_STENCIL, DXGI_FORMAT_D32_FLOAT, w, h));
}
}  // namespace

fw_GlobalVariables& fw_GetGlobals() { return gGlobals; }
ID3D10EffectPool* fw_GetEffectPool() { return gEffectPool; }
fw_Texture* fw_GetWindowBackbuffer() { return gWindowBackbuffer; }

std::string fw_EffectPoolPath() {
  // From source or its precompiled form.
  std::string poolPath = fw_GetFrameworkRoot() + "/src/shaders/fw_Globals.fxi";
  if (!fw_PathExists(poolPath)) poolPath += "o";
  return poolPath;
}

bool fw_ReloadEffectPool(std::string* messages) {
  messages->clear();
  ID3D10Device* device = fw_GetDevice();
  if (!gEffectPool || !device) return false;
  const std::string poolPath = fw_EffectPoolPath();
  ID3D10EffectPool* rebuilt = nullptr;
  ID3D10Blob* errors = nullptr;
  D3DX10CreateEffectPoolFromFileA(poolPath.c_str(), nullptr, nullptr, "fx_4_0", D3D10_SHADER_ENABLE_STRICTNESS, 0,
                                  device, nullptr, &rebuilt, &errors, nullptr);
  if (errors) {
    messages->assign(static_cast<const char*>(errors->GetBufferPointer()));
    errors->Release();
  }
  if (!rebuilt) return false;
  const bool joined = platform::ReplaceEffectContents(gEffectPool->AsEffect(), rebuilt->AsEffect());
  rebuilt->Release();
  // A global that changed type is a new object; the handles follow.
  if (joined) LookUpGlobals(gEffectPool->AsEffect());
  return joined;
}

HRESULT fw_CreateStandardResources() {
  ID3D10Device* device = fw_GetDevice();

  const std::string poolPath = fw_EffectPoolPath();
  SafeRelease(gEffectPool);
  D3DX10CreateEffectPoolFromFileA(poolPath.c_str(), nullptr, nullptr, "fx_4_0", D3D10_SHADER_ENABLE_STRICTNESS, 0,
                                  device, nullptr, &gEffectPool, nullptr, nullptr);
  if (!gEffectPool) {
    // Every effect shares the pool's variables; without it nothing could be drawn.
    fw_ReportFailure("Could not create the effect pool from <%s>.", poolPath.c_str());
    return E_FAIL;
  }
  LookUpGlobals(gEffectPool->AsEffect());

  // Volume noise, zeros where the file gives nothing.
  {
    std::vector<uint8_t> noise = fw_ReadNoiseFile("data/noise.bin");
    fw_Texture* texture = new fw_Texture(D3D10_BIND_SHADER_RESOURCE, DXGI_FORMAT_R8_UNORM, kNoiseSide, kNoiseSide,
                                         kNoiseSide, noise.data());
    fw_EnterOwnedTexture("noise.dds", texture);
    gGlobals.gNoiseTexture->SetResource(texture->mShaderResourceView);
  }

  CreateRenderSizeResources();
  return S_OK;
}

void fw_RecreateRenderSizeResources() {
  // Nothing may stay bound to a target about to go; the next frame binds what it draws with.
  if (ID3D10Device* device = fw_GetDevice()) device->ClearState();
  for (const std::string& name : gRenderSizeNames) fw_DestroyOwnedTexture(name);
  gRenderSizeNames.clear();
  gWindowBackbuffer = nullptr;
  CreateRenderSizeResources();
}

void fw_CreateRenderSizeTarget(const std::string& name, DXGI_FORMAT format, bool withHalvings) {
  for (const ExtraTarget& t : gExtraTargets)
    if (t.name == name) return;
  gExtraTargets.push_back({name, format, withHalvings});
  CreateRenderSizeTarget(gExtraTargets.back(), fw_GetRenderWidth(), fw_GetRenderHeight());
}

void fw_ReleaseStandardResources() {
  fw_DestroyOwnedTextures();
  gRenderSizeNames.clear();
  gExtraTargets.clear();
  gWindowBackbuffer = nullptr;
  SafeRelease(gEffectPool);
  gGlobals = InvalidGlobals();
}

void fw_SetRenderTarget(fw_Texture* target, int32_t inset, fw_Texture* depthTarget) {
  ID3D10Device* device = fw_GetDevice();
  if (!device) return;
  ID3D10DepthStencilView* depth = depthTarget ? depthTarget->mDepthStencilView : nullptr;
  if (!target) {
    device->OMSetRenderTargets(0, nullptr, depth);
    return;
  }
  device->OMSetRenderTargets(1, &target->mRenderTargetView, depth);
  D3D10_VIEWPORT viewport = target->mViewport;
  // An inset past the middle would wrap the unsigned height; it leaves an empty viewport instead.
  const int64_t height = static_cast<int64_t>(viewport.Height) - 2 * static_cast<int64_t>(inset);
  viewport.TopLeftY += inset;
  viewport.Height = height > 0 ? static_cast<UINT>(height) : 0;
  device->RSSetViewports(1, &viewport);
}

void fw_SetWorld(const D3DXMATRIX& world, const D3DXMATRIX& previousWorld) {
  gGlobals.World->SetMatrix(reinterpret_cast<const float*>(&world));
  gGlobals.World_BackInTime->SetMatrix(reinterpret_cast<const float*>(&previousWorld));
  D3DXMATRIX inverse;
  // A singular world matrix has no inverse; the eye then stays where it is in world space.
  if (!D3DXMatrixInverse(&inverse, nullptr, &world)) D3DXMatrixIdentity(&inverse);
  const D3DXVECTOR3& eye = fw_GetCameraState().eyePositionWorld;
  D3DXVECTOR4 eyeWorld(eye.x, eye.y, eye.z, 1.0f), eyeLocal;
  D3DXVec4Transform(&eyeLocal, &eyeWorld, &inverse);
  gGlobals.EyePositionLocal->SetFloatVector(reinterpret_cast<const float*>(&eyeLocal));
}
