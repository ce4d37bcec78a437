// Frame tick.
#include "frame/fw_FrameTick.h"

#include "device/fw_DeviceState.h"
#include "device/fw_RenderSize.h"
#include "diag/fw_Exit.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameHooks.h"
#include "frame/fw_FrameRules.h"
#include "frame/fw_FrameStats.h"
#include "frame/fw_Present.h"
#include "post/fw_PostEffects.h"
#include "res/fw_CameraState.h"
#include "res/fw_Resources.h"
#include "res/fw_TextureTable.h"
#include "scene/fw_CameraFrame.h"
#include "scene/fw_Scene.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include <platform/d3d10_debug.h>

namespace {
uint32_t gRenderSkipCounter = 0;

void SetMatrix(ID3D10EffectMatrixVariable* variable, const D3DXMATRIX& m) {
  variable->SetMatrix(reinterpret_cast<const float*>(&m));
}
void SetVector(ID3D10EffectVectorVariable* variable, const D3DXVECTOR4& v) {
  variable->SetFloatVector(reinterpret_cast<const float*>(&v));
}

// Set once for the camera before the scene prepares and again for the eye before it renders.
void SetViewMatrices(fw_GlobalVariables& g, const fw_CameraFrameValues& camera) {
  SetMatrix(g.View, camera.view);
  SetMatrix(g.ViewProjection, camera.viewProjection);
  SetMatrix(g.View_BackInTime, camera.previousView);
  SetMatrix(g.ViewProjection_BackInTime, camera.previousViewProjection);
  SetMatrix(g.ViewInverse, camera.viewInverse);
}

float MusicSeconds() { return static_cast<float>(fw_GetMusicTime()); }

// True when a scene was drawn.
bool Render() {
  if (fw_SkipRender(&gRenderSkipCounter)) return false;
  fw_Scene* scene = fw_GetCurrentScene();
  if (!scene) return false;
  fw_GlobalVariables& g = fw_GetGlobals();

  scene->update(MusicSeconds() - fw_GetFrameContext().sceneStartTime);

  fw_CameraFrameValues camera;
  if (fw_ComputeCameraFrameValues(scene->cameraSet(), &camera)) {
    SetViewMatrices(g, camera);
    SetVector(g.NearXYZFarZ, camera.nearXYZFarZ);
  }
  const float w = static_cast<float>(fw_GetRenderWidth()), h = static_cast<float>(fw_GetRenderHeight());
  SetVector(g.RenderDim, D3DXVECTOR4(w, h, 1.0f / w, 1.0f / h));

  scene->prepare();

  // One view: the eye matrix is the identity.
  const float worldScale = scene->worldScale();
  if (fw_ComputeEyeFrameValues(scene->cameraSet(), worldScale, &camera)) {
    fw_CameraState& state = fw_GetCameraState();
    state.view = camera.view;
    state.projection = camera.projection;
    state.viewProjection = camera.viewProjection;
    state.previousView = camera.previousView;
    state.previousViewProjection = camera.previousViewProjection;
    state.eyePositionWorld = D3DXVECTOR3(camera.eyePositionWorld.x, camera.eyePositionWorld.y,
                                         camera.eyePositionWorld.z);
    SetViewMatrices(g, camera);
    SetVector(g.EyePositionWorld, camera.eyePositionWorld);
    SetVector(g.StereoConstants, camera.stereoConstants);
  }
  scene->render();
  return true;
}
}  // namespace

uint32_t fw_GetRenderSkipCounter() { return gRenderSkipCounter; }

fw_Scene* fw_GetCurrentScene() {
  const fw_FrameContext& context = fw_GetFrameContext();
  return context.currentScene < context.scenes.size() ? context.scenes[context.currentScene].get() : nullptr;
}

void fw_ScaleOutToWindow() {
  const int32_t outputWidth = fw_GetOutputWidth(), outputHeight = fw_GetOutputHeight();
  const int32_t renderWidth = fw_GetRenderWidth(), renderHeight = fw_GetRenderHeight();
  if (outputWidth == renderWidth && outputHeight == renderHeight) return;
  const int32_t offset = fw_LetterboxOffset(fw_GetLetterbox(), outputWidth, outputHeight, renderWidth, renderHeight);
  if (fw_Texture* backbuffer = fw_FindTexture("backbuffer")) fw_PostScreenScaleOut(backbuffer, offset);
}

void fw_FrameTick() {
  fw_FrameContext& context = fw_GetFrameContext();
  fw_UpdateClocks();
  if (!fw_FrameHooksBeginFrame()) return;

  const float row = fw_GetSyncRow();
  if (sync::Device* device = fw_GetSyncDevice()) device->update(row);
  if (context.updateMouse) context.updateMouse();

  const float gotoRow = fw_SyncValue("GotoRow", -1.0f);
  switch (fw_GotoRowDecision(gotoRow)) {
    case fw_GotoRowAction::EndShow:
      // Someone making the show wants to look at its end, not lose the window.
      if (fw_FrameHooksHoldAtEnd()) break;
      // The show is over: end at once, without the orderly shutdown of the main loop.
      fw_FrameStatsLog();
      fw_ExitProcess(0, "the show has ended");
    case fw_GotoRowAction::Seek:
      // A jump is where a looping show comes round again: the figures a soak run compares.
      fw_Log(fw_LogPlain, "GotoRow: seek to row %.0f (live GL objects %ld, GL errors %llu).", gotoRow,
             platform::LiveGlObjects().Total(), platform::GlErrorCount());
      fw_SeekToRow(gotoRow, true);
      break;
    case fw_GotoRowAction::None:
      break;
  }

  const uint32_t sceneCount = static_cast<uint32_t>(context.scenes.size());
  if (sceneCount > 0) {
    const uint32_t index = fw_SceneIndexFromTrack(fw_SyncValue("Scene", 0.0f), sceneCount);
    if (index != context.currentScene) {
      context.currentScene = index;
      context.sceneStartTime = MusicSeconds();
      if (fw_Scene* scene = fw_GetCurrentScene()) scene->enter();
    }
  }

  fw_GetGlobals().Time->SetFloat(MusicSeconds());
  const bool drawn = Render();
  fw_ScaleOutToWindow();
  fw_FrameHooksEndFrame();
  fw_Present(context.device);
  if (drawn) fw_FrameStatsFrameDrawn();
}
