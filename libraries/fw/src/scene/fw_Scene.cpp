// The scene base: construction, the per-frame update of the description, lookups.
#include "scene/fw_Scene.h"

fw_Scene::fw_Scene(std::string name) : mName(std::move(name)) {}

fw_Scene::~fw_Scene() = default;

void fw_Scene::update(float sceneTime) {
  for (auto& entry : mCurveIndex) entry.second->evaluate(sceneTime);
  for (auto& entry : mTransforms) entry.second->rebuildMatrices();
  if (mCameraSet) mCameraSet->update(sceneTime);
}

fw_Transform* fw_Scene::findTransform(const std::string& name) const {
  auto it = mTransforms.find(name);
  return it == mTransforms.end() ? nullptr : it->second.get();
}

fw_TransformCurve* fw_Scene::findCurve(const std::string& name) const {
  auto it = mCurveIndex.find(name);
  return it == mCurveIndex.end() ? nullptr : it->second;
}

fw_Scene* fw_FindScene(const std::vector<fw_Scene*>& scenes, const std::string& name) {
  for (fw_Scene* scene : scenes)
    if (scene && scene->matchesName(name)) return scene;
  return nullptr;
}
