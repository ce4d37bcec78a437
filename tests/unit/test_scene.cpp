// fw_Scene's operations: their slot order and base behaviour, the lookup by name, and the
// per-frame update of transforms, curves and cameras.
#include <gtest/gtest.h>

#include "scene/fw_Scene.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kScenes = std::string(DUSK_SOURCE_DIR) + "/tests/data/scenes/";

// Byte offset of a virtual function in the vtable, from its member pointer (Itanium C++ ABI:
// the pointer field holds 1 + offset for virtual functions).
template <class F>
std::ptrdiff_t VtableOffset(F member) {
  struct Raw {
    std::uintptr_t ptr;
    std::ptrdiff_t adj;
  } raw;
  static_assert(sizeof(member) == sizeof(raw));
  std::memcpy(&raw, &member, sizeof(raw));
  return (std::ptrdiff_t)raw.ptr - 1;
}

}  // namespace

TEST(Scene, OperationsSitInTheirSlots) {
  const std::ptrdiff_t slot = sizeof(void*);
  EXPECT_EQ(0 * slot, VtableOffset(&fw_Scene::update));
  EXPECT_EQ(1 * slot, VtableOffset(&fw_Scene::prepare));
  EXPECT_EQ(2 * slot, VtableOffset(&fw_Scene::render));
  EXPECT_EQ(3 * slot, VtableOffset(&fw_Scene::createResources));
  EXPECT_EQ(4 * slot, VtableOffset(&fw_Scene::releaseResources));
  EXPECT_EQ(5 * slot, VtableOffset(&fw_Scene::onKeyDown));
  EXPECT_EQ(6 * slot, VtableOffset(&fw_Scene::onMouseDown));
  EXPECT_EQ(7 * slot, VtableOffset(&fw_Scene::onMouseUp));
  EXPECT_EQ(8 * slot, VtableOffset(&fw_Scene::onMouseMove));
  EXPECT_EQ(9 * slot, VtableOffset(&fw_Scene::reservedHook));
  EXPECT_EQ(10 * slot, VtableOffset(&fw_Scene::reservedHook2));
  EXPECT_EQ(11 * slot, VtableOffset(&fw_Scene::reservedHook3));
  EXPECT_EQ(12 * slot, VtableOffset(&fw_Scene::worldScale));
  EXPECT_EQ(13 * slot, VtableOffset(&fw_Scene::enter));
}

TEST(Scene, BeforeItsDescriptionIsLoadedTheBaseHasNothingToUpdate) {
  fw_Scene scene("plain.xml");
  EXPECT_EQ("plain.xml", scene.name());
  EXPECT_EQ(nullptr, scene.cameraSet());
  scene.update(1.0f);
  EXPECT_EQ(1.0f, scene.worldScale());
  EXPECT_TRUE(scene.transforms().empty());
}

TEST(Scene, FoundByItsNameWithoutTheExtension) {
  fw_Scene demo("demo.xml"), intro("intro.xml");
  const std::vector<fw_Scene*> scenes = {&intro, &demo};
  EXPECT_TRUE(demo.matchesName("demo"));
  EXPECT_FALSE(demo.matchesName("demo.xml"));
  EXPECT_FALSE(demo.matchesName("Demo"));
  EXPECT_EQ(&demo, fw_FindScene(scenes, "demo"));
  EXPECT_EQ(&intro, fw_FindScene(scenes, "intro"));
  EXPECT_EQ(nullptr, fw_FindScene(scenes, "outro"));
  EXPECT_EQ(nullptr, fw_FindScene({}, "demo"));
}

TEST(Scene, UpdateEvaluatesEveryCurveRebuildsTransformsAndMovesTheCamera) {
  fw_Scene scene("basic.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "basic.xml", 1280, 720));
  scene.update(2.0f);
  fw_Transform* cam1 = scene.findTransform("cam1");
  EXPECT_EQ(3.0f, cam1->translation().x);
  EXPECT_EQ(3.0f, cam1->worldMatrix()._41);
  EXPECT_EQ(-3.0f, scene.cameraSet()->current()->view()._41);
  scene.update(0.0f);  // scene time restarts when the scene is entered again
  EXPECT_EQ(1.0f, cam1->translation().x);
  EXPECT_EQ(-1.0f, scene.cameraSet()->current()->view()._41);

  // The zeta transform turns a quarter about Y: its world maps +z onto +x.
  const D3DXMATRIX& zeta = scene.findTransform("zeta")->worldMatrix();
  EXPECT_NEAR(1.0f, zeta._31, 1e-6f);
  EXPECT_NEAR(5.0f, zeta._43, 1e-6f);
}
