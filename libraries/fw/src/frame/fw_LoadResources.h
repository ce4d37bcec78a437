// Resource loading for a run, in order: the standard resources (effect pool, noise, render
// targets, back buffers), then the post-effects chain's setup, then every scene of the frame
// context (its description, then its own resources); and their release in reverse.
#pragma once

#include <platform/win32.h>

// Fails (E_FAIL, after one error line and one alert) when the effect pool or the chain's effect
// cannot be created: without them nothing can be drawn. Uses fw_gPostEffects when it exists.
HRESULT fw_LoadResources();
// After the render size changed while the show runs: the render targets and back buffers at the
// new size, and every scene camera's projection. Clocks, sync, effects and images stay as they are.
void fw_ResizeFrameworkResources();
// The chain's effect and quad, every scene's resources, then the standard resources.
void fw_ReleaseFrameworkResources();
