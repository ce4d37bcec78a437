// The scenes' share of resource loading and release: each scene's description, then its
// createResources, in list order; its cameras' projections when the render size changes; and its
// releaseResources at the close.
#pragma once

#include <memory>
#include <vector>

class fw_Scene;

// At the render size in force; null entries are skipped.
void fw_LoadSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes);
// After a change of render size: every camera of every scene projects with the new ratio. The
// scenes' own resources stay; they find the framework's render targets by name each frame.
void fw_ResizeSceneCameras(const std::vector<std::unique_ptr<fw_Scene>>& scenes, int renderWidth, int renderHeight);
void fw_ReleaseSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes);
