// fw_Scene: the base class of every scene. It owns the scene's description (named animated
// transforms, their curves by name, and the camera set, read from an XML file under "./data/")
// and declares the operations through which the framework drives a scene, in their fixed slot
// order. Needs the transforms and cameras of this folder and the log.
#pragma once

#include "scene/fw_Camera.h"
#include "scene/fw_Transform.h"
#include "scene/fw_TransformCurve.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class fw_Scene {
public:
  using TransformMap = std::map<std::string, std::unique_ptr<fw_Transform>>;
  using CurveIndex = std::map<std::string, fw_TransformCurve*>;

  // name: the scene description's file name below "./data/" ("demo.xml").
  explicit fw_Scene(std::string name);

  // ---- Operations, in slot order ----
  // Slot 0. Every frame while current, with the music time since the scene became current:
  // evaluates every curve, rebuilds every transform in name order, updates the camera set.
  virtual void update(float sceneTime);
  // Slot 1. Every frame after update, once the camera matrices are in the shared effect variables.
  virtual void prepare() {}
  // Slot 2. Once per eye pass.
  virtual void render() {}
  // Slot 3. Once at resource loading, right after the description is loaded.
  virtual void createResources() {}
  // Slot 4. When the framework releases its resources at shutdown.
  virtual void releaseResources() {}
  // Slot 5. Every key press while current.
  virtual void onKeyDown(int virtualKey, bool shiftHeld, bool controlHeld) {}
  // Slot 6, 7. Left button pressed, released.
  virtual void onMouseDown() {}
  virtual void onMouseUp() {}
  // Slot 8. Mouse moved, client pixels.
  virtual void onMouseMove(int x, int y) {}
  // Slots 9 to 11. Never called by the framework.
  virtual void reservedHook(uint32_t argument) {}
  virtual void reservedHook2() {}
  virtual void reservedHook3() {}
  // Slot 12. The eye offset and stereo constants are scaled by its inverse.
  virtual float worldScale() { return 1.0f; }
  // Slot 13. When the scene becomes the current scene.
  virtual void enter() {}

  virtual ~fw_Scene();

  fw_Scene(const fw_Scene&) = delete;
  fw_Scene& operator=(const fw_Scene&) = delete;

  const std::string& name() const { return mName; }
  // The framework's lookup by name: true when name + ".xml" equals this scene's name.
  bool matchesName(const std::string& name) const { return name + ".xml" == mName; }

  // Reads "./data/" + name() and replaces the whole description. The projection of every camera
  // uses renderWidth / renderHeight. Returns false when the file could not be read or has no
  // "scene" element (the description is then empty); problems are logged as warnings.
  bool LoadDescription(int renderWidth, int renderHeight);
  // The same from an explicit path.
  bool LoadDescriptionFile(const std::string& path, int renderWidth, int renderHeight);
  // The same from description text already in memory; `path` names it in warnings.
  bool LoadDescriptionText(const std::string& text, const std::string& path, int renderWidth, int renderHeight);

  fw_CameraSet* cameraSet() const { return mCameraSet.get(); }
  const TransformMap& transforms() const { return mTransforms; }
  const CurveIndex& curveIndex() const { return mCurveIndex; }
  fw_Transform* findTransform(const std::string& name) const;
  // By transform name followed directly by the component name ("cam1translateX").
  fw_TransformCurve* findCurve(const std::string& name) const;

private:
  // Reads from `text` when given, else from the file at `path`.
  bool LoadDescriptionFrom(const std::string* text, const std::string& path, int renderWidth, int renderHeight);

  std::string mName;
  std::unique_ptr<fw_CameraSet> mCameraSet;
  CurveIndex mCurveIndex;  // points into the curves owned by mTransforms
  TransformMap mTransforms;
};

// The first scene in the list whose name is name + ".xml", or null.
fw_Scene* fw_FindScene(const std::vector<fw_Scene*>& scenes, const std::string& name);
