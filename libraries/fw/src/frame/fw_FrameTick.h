// The frame tick: advance the clocks, bring the sync device to the current row, update the mouse
// state, obey "GotoRow" (end or seek) and "Scene" (switch and enter), set Time, let the current
// scene update, prepare and render with the camera variables set, and present. It never waits.
#pragma once

#include "frame/fw_FrameContext.h"

#include <cstdint>

// The current scene, or null (no scenes, or the index not below their count).
fw_Scene* fw_GetCurrentScene();

void fw_FrameTick();

// Scales "backbuffer" out to the window's back buffer when render and output size differ, with
// the letterbox bars; the tick runs it between the scene's render and the present.
void fw_ScaleOutToWindow();

// Render calls so far (the first three draw nothing).
uint32_t fw_GetRenderSkipCounter();
