// The scenes' share of resource loading and release: each scene's description, then its
// createResources, in list order; and its releaseResources at the close.
#pragma once

#include <memory>
#include <vector>

class fw_Scene;

// At the render size in force; null entries are skipped.
void fw_LoadSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes);
void fw_ReleaseSceneResources(const std::vector<std::unique_ptr<fw_Scene>>& scenes);
