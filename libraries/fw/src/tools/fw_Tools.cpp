// The tools on the framework's hooks, in the order the frame needs them: capture first at the
// start of a frame (it may end the frame), then live mode and the timeline page; at the end of the
// frame the page publishes before live mode writes its title.
#include "tools/fw_Tools.h"

#include "app/fw_Framework.h"
#include "app/fw_ReadCommandLine.h"
#include "capture/fw_Capture.h"
#include "diag/fw_Exit.h"
#include "editor/fw_Editor.h"
#include "frame/fw_FrameHooks.h"
#include "live/fw_Live.h"
#include "res/fw_Paths.h"
#include "sync/fw_Sync.h"
#include "tools/fw_ToolOptions.h"

namespace {

void SetUp() {
  // Offline capture replaces the performance counter before any clock reads it. It fails only
  // when its paths cannot be written, which it has said, before anything is drawn.
  const fw_CaptureSettings& capture = fw_GetCaptureSettings();
  if (capture.enabled && !fw_CaptureInstall(capture, fw_GetProjectRoot() + "/" + fw_Framework::mMusicPath))
    fw_ExitProcess(fw_kCaptureWriteFailedExitCode, "the capture could not write its files");
}

void Start() {
  if (fw_GetStartupOptions().live) fw_LiveStart(fw_Framework::mWindow, fw_Framework::mTitle, fw_Framework::mMusicPath);
  if (fw_LiveActive() && fw_GetToolOptions().editorPort)
    fw_EditorStart(*fw_GetToolOptions().editorPort, fw_Framework::mTitle);
  if (fw_LiveActive()) fw_LiveStartAtRow(fw_GetCaptureSettings().fromRow);
}

void Stop() {
  fw_EditorStop();
  fw_LiveStop();
}

bool BeginFrame() {
  fw_CaptureBeginFrame();
  // Past the capture's last frame nothing more is drawn.
  if (fw_CaptureReachedEnd(fw_GetSyncRow())) return false;
  fw_LiveBeginFrame();
  // The timeline page's seeks, pauses and loops, queued since the last frame.
  fw_EditorBeginFrame();
  return true;
}

bool HoldAtEnd() {
  if (fw_LiveActive()) {
    fw_LiveHoldAtEnd();
    return true;
  }
  // The process ends after this: the capture's sound and video are written first.
  fw_CaptureFinish();
  return false;
}

void EndFrame() {
  fw_EditorEndFrame();
  fw_LiveEndFrame();
}

bool Present() {
  fw_CaptureFrame();
  return fw_CaptureActive();
}

}  // namespace

void fw_UseTools() {
  static bool used = false;
  if (used) return;
  used = true;
  fw_OptionParser parser;
  parser.parse = fw_ParseToolOption;
  parser.finish = fw_FinishToolOptions;
  parser.usage = kFwToolUsage;
  fw_AddOptionParser(parser);
  fw_FrameHooks hooks;
  hooks.setUp = SetUp;
  hooks.start = Start;
  hooks.stop = Stop;
  hooks.beginFrame = BeginFrame;
  hooks.holdAtEnd = HoldAtEnd;
  hooks.endFrame = EndFrame;
  hooks.present = Present;
  hooks.keyDown = fw_LiveKeyDown;
  fw_AddFrameHooks(hooks);
}
