// Resource loading for a run, in order: the standard resources (effect pool, noise, render
// targets, back buffers), then the post-effects chain's setup, then every scene of the frame
// context (its description, then its own resources); and their release in reverse. While they
// exist, a new render size (fw_ApplyRenderSize) remakes what is made at it.
#pragma once

#include <platform/win32.h>

// Fails (E_FAIL, after one error line and one alert) when the effect pool or the chain's effect
// cannot be created: without them nothing can be drawn. Uses fw_gPostEffects when it exists.
HRESULT fw_LoadResources();
// The chain's effect and quad, every scene's resources, then the standard resources. The run
// hands it to fw_ReleaseDeviceResources, so it happens before the device goes.
void fw_ReleaseFrameworkResources();
