// The scene description loader on small XML files: transforms and their curve index, cameras
// and their projection, and the faults a hand-edited file can hold (each a warning naming the
// file and element, with the element skipped or given defaults).
#include <gtest/gtest.h>

#include "diag/fw_Log.h"
#include "scene/fw_Scene.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string kScenes = std::string(DUSK_SOURCE_DIR) + "/tests/data/scenes/";

// Collects the warnings logged while it lives.
class WarningCatcher {
public:
  WarningCatcher() {
    fw_SetLogListener([this](int level, const char* message) {
      if (level == fw_LogWarning) warnings.push_back(message);
    });
  }
  ~WarningCatcher() { fw_SetLogListener(nullptr); }
  // True when one warning holds every fragment.
  bool has(std::initializer_list<const char*> fragments) const {
    for (const std::string& w : warnings) {
      bool all = true;
      for (const char* f : fragments) all = all && w.find(f) != std::string::npos;
      if (all) return true;
    }
    return false;
  }
  std::vector<std::string> warnings;
};

std::string Dump(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

}  // namespace

TEST(SceneDescription, ReadsTransformsCurvesAndCameras) {
  WarningCatcher log;
  fw_Scene scene("basic.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "basic.xml", 1280, 720));
  EXPECT_TRUE(log.warnings.empty()) << Dump(log.warnings);

  ASSERT_EQ(3u, scene.transforms().size());
  EXPECT_EQ(27u, scene.curveIndex().size());
  fw_Transform* cam1 = scene.findTransform("cam1");
  ASSERT_NE(nullptr, cam1);
  EXPECT_EQ(cam1->curve(fw_TranslateX), scene.findCurve("cam1translateX"));
  EXPECT_EQ(cam1->curve(fw_ScaleZ), scene.findCurve("cam1scaleZ"));
  EXPECT_EQ(2u, scene.findCurve("cam1translateX")->keyCount());
  // Evaluated at time 0 while loading.
  EXPECT_EQ(D3DXVECTOR3(1, 2, 10), cam1->translation());
  EXPECT_FLOAT_EQ(-10.0f, -cam1->worldMatrix()._43);
  fw_Transform* box = scene.findTransform("box");
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(2.0f, box->worldMatrix()._11);
  EXPECT_EQ(4.0f, box->worldMatrix()._41);

  fw_CameraSet* cameras = scene.cameraSet();
  ASSERT_NE(nullptr, cameras);
  ASSERT_EQ(2u, cameras->cameras().size());
  EXPECT_EQ("cam1", cameras->cameras().begin()->first);  // kept in name order
  fw_Camera* camera = cameras->find("cam1");
  ASSERT_NE(nullptr, camera);
  EXPECT_EQ(cam1, camera->transform());
  const fw_CameraValues& v = camera->values();
  EXPECT_FLOAT_EQ(0.1f, v.nearz);
  EXPECT_FLOAT_EQ(100.0f, v.farz);
  EXPECT_FLOAT_EQ(3.0f, v.nearfocus);
  EXPECT_FLOAT_EQ(4.0f, v.farfocus);
  EXPECT_FLOAT_EQ(0.5f, v.vFOV);
  EXPECT_FLOAT_EQ(2.5f, v.aspect);
}

TEST(SceneDescription, ProjectionUsesTheRenderTargetsRatioNotTheAspectAttribute) {
  fw_Scene scene("basic.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "basic.xml", 1280, 720));
  const D3DXMATRIX& p = scene.cameraSet()->find("cam1")->projection();
  const float yScale = 1.0f / std::tan(0.25f);
  EXPECT_NEAR(yScale, p._22, 1e-5f);
  EXPECT_NEAR(yScale * 720.0f / 1280.0f, p._11, 1e-5f);
  EXPECT_NEAR(100.0f / (0.1f - 100.0f), p._33, 1e-6f);
  EXPECT_NEAR(0.1f * 100.0f / (0.1f - 100.0f), p._43, 1e-6f);
  EXPECT_EQ(-1.0f, p._34);

  fw_Scene square("basic.xml");
  ASSERT_TRUE(square.LoadDescriptionFile(kScenes + "basic.xml", 500, 500));
  const D3DXMATRIX& q = square.cameraSet()->find("zeta")->projection();
  EXPECT_FLOAT_EQ(q._11, q._22);
}

TEST(SceneDescription, FirstCameraInNameOrderBecomesCurrentOnTheFirstUpdate) {
  fw_Scene scene("basic.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "basic.xml", 1280, 720));
  EXPECT_EQ(nullptr, scene.cameraSet()->current());
  scene.update(1.0f);
  EXPECT_EQ(scene.cameraSet()->find("cam1"), scene.cameraSet()->current());
  // cam1 at 1 s: translateX halfway along its smooth step from 1 to 3.
  const D3DXMATRIX& view = scene.cameraSet()->current()->view();
  EXPECT_FLOAT_EQ(-2.0f, view._41);
  EXPECT_FLOAT_EQ(-2.0f, view._42);
  EXPECT_FLOAT_EQ(-10.0f, view._43);
  // The previous view is the transform at 1 - 1/60 s: 1 + s^2 (1.5 - 0.5 s) with s = 0.98333334.
  EXPECT_NEAR(-1.9750038f, scene.cameraSet()->current()->previousView()._41, 1e-5f);
}

TEST(SceneDescription, WithoutTransformsAndCamerasTheDescriptionIsEmpty) {
  WarningCatcher log;
  fw_Scene scene("empty_scene.xml");
  EXPECT_TRUE(scene.LoadDescriptionFile(kScenes + "empty_scene.xml", 1280, 720));
  EXPECT_TRUE(scene.transforms().empty());
  EXPECT_TRUE(scene.curveIndex().empty());
  ASSERT_NE(nullptr, scene.cameraSet());
  EXPECT_TRUE(scene.cameraSet()->empty());
  EXPECT_TRUE(log.warnings.empty()) << Dump(log.warnings);
  scene.update(1.0f);  // nothing to update, nothing to fail
  EXPECT_EQ(nullptr, scene.cameraSet()->current());
}

TEST(SceneDescription, IncompleteKeyGroupsAreDroppedAndRepeatedTimesOrNamesReplace) {
  WarningCatcher log;
  fw_Scene scene("keys.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "keys.xml", 1280, 720));

  fw_TransformCurve* x = scene.findCurve("atranslateX");
  ASSERT_NE(nullptr, x);
  EXPECT_EQ(2u, x->keyCount());  // "5 9" is not a key
  x->evaluate(5.0f);
  EXPECT_EQ(2.0f, x->value());
  EXPECT_TRUE(log.has({"keys.xml", "\"a\"", "translateX", "2 numbers left over"})) << Dump(log.warnings);

  fw_TransformCurve* y = scene.findCurve("atranslateY");
  ASSERT_NE(nullptr, y);
  ASSERT_EQ(2u, y->keyCount());
  EXPECT_EQ(8.0f, y->keys()[1].value);

  // The later "dup" is the one stored, and the index points at its curves.
  ASSERT_EQ(2u, scene.transforms().size());
  fw_Transform* dup = scene.findTransform("dup");
  EXPECT_EQ(7.0f, dup->translation().x);
  EXPECT_EQ(3.0f, dup->scale().x);
  EXPECT_EQ(dup->curve(fw_TranslateX), scene.findCurve("duptranslateX"));
  EXPECT_EQ(18u, scene.curveIndex().size());
  scene.update(0.0f);  // every indexed curve is alive
}

TEST(SceneDescription, MissingOrMalformedFilesGiveAnEmptyDescription) {
  for (const char* name : {"malformed.xml", "does_not_exist.xml", "no_scene_root.xml"}) {
    SCOPED_TRACE(name);
    WarningCatcher log;
    fw_Scene scene(name);
    EXPECT_FALSE(scene.LoadDescriptionFile(kScenes + name, 1280, 720));
    EXPECT_TRUE(scene.transforms().empty());
    EXPECT_TRUE(scene.curveIndex().empty());
    ASSERT_NE(nullptr, scene.cameraSet());
    EXPECT_TRUE(scene.cameraSet()->empty());
    EXPECT_TRUE(log.has({name})) << Dump(log.warnings);
    scene.update(0.0f);
  }
}

TEST(SceneDescription, ALoadReplacesEverythingOfTheEarlierOne) {
  fw_Scene scene("basic.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "basic.xml", 1280, 720));
  scene.update(0.5f);
  ASSERT_NE(nullptr, scene.cameraSet()->current());
  EXPECT_TRUE(scene.LoadDescriptionFile(kScenes + "empty_scene.xml", 1280, 720));
  EXPECT_TRUE(scene.transforms().empty());
  EXPECT_TRUE(scene.curveIndex().empty());
  EXPECT_EQ(nullptr, scene.cameraSet()->current());
  EXPECT_FALSE(scene.LoadDescriptionFile(kScenes + "malformed.xml", 1280, 720));
  EXPECT_TRUE(scene.cameraSet()->empty());
}

TEST(SceneDescription, FaultyElementsAreReportedAndSkippedOrDefaulted) {
  WarningCatcher log;
  fw_Scene scene("faulty.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(kScenes + "faulty.xml", 1280, 720));

  // A "trans" without a name is skipped.
  EXPECT_TRUE(log.has({"faulty.xml", "\"trans\"", "without a name"})) << Dump(log.warnings);
  ASSERT_EQ(1u, scene.transforms().size());

  // Components without a complete key or without an attribute keep their defaults.
  fw_Transform* partial = scene.findTransform("partial");
  ASSERT_NE(nullptr, partial);
  EXPECT_EQ(D3DXVECTOR3(6, 0, 0), partial->translation());
  EXPECT_EQ(D3DXVECTOR3(1, 1, 1), partial->scale());
  EXPECT_EQ(nullptr, partial->curve(fw_TranslateY));
  EXPECT_EQ(nullptr, scene.findCurve("partialtranslateY"));
  EXPECT_EQ(nullptr, scene.findCurve("partialscaleZ"));
  EXPECT_EQ(6u, scene.curveIndex().size());
  EXPECT_TRUE(log.has({"faulty.xml", "\"partial\"", "translateY", "no complete key", "\"oops\" is not a number"})) << Dump(log.warnings);
  EXPECT_TRUE(log.has({"faulty.xml", "\"partial\"", "translateZ", "no complete key"})) << Dump(log.warnings);
  EXPECT_TRUE(log.has({"faulty.xml", "\"partial\"", "no \"scaleZ\" attribute"})) << Dump(log.warnings);

  // Cameras: no name is skipped, an element without attributes ignored, bad values defaulted.
  fw_CameraSet* cameras = scene.cameraSet();
  ASSERT_EQ(2u, cameras->cameras().size());
  EXPECT_TRUE(log.has({"faulty.xml", "<camera>", "without a name"})) << Dump(log.warnings);
  const fw_CameraValues defaults;
  const fw_CameraValues& p = cameras->find("partial")->values();
  EXPECT_EQ(defaults.nearz, p.nearz);
  EXPECT_EQ(1000.0f, p.farz);
  EXPECT_FLOAT_EQ(0.9f, p.vFOV);
  EXPECT_EQ(defaults.aspect, p.aspect);
  EXPECT_EQ(defaults.nearfocus, p.nearfocus);
  EXPECT_TRUE(log.has({"faulty.xml", "\"partial\"", "nearz", "\"near\" is not a number"})) << Dump(log.warnings);
  EXPECT_TRUE(log.has({"faulty.xml", "\"partial\"", "no \"aspect\" attribute"})) << Dump(log.warnings);

  // Values that cannot make a projection fall back to the defaults; the projection is finite.
  fw_Camera* loose = cameras->find("loose");
  EXPECT_EQ(defaults.vFOV, loose->values().vFOV);
  EXPECT_EQ(defaults.nearz, loose->values().nearz);
  EXPECT_EQ(defaults.farz, loose->values().farz);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(((const float*)loose->projection())[i]));
  EXPECT_TRUE(log.has({"faulty.xml", "\"loose\"", "vFOV"})) << Dump(log.warnings);
  EXPECT_TRUE(log.has({"faulty.xml", "\"loose\"", "no transform"})) << Dump(log.warnings);
  EXPECT_EQ(nullptr, loose->transform());
}

TEST(SceneDescription, LoadsFromTheDataFolderOfTheWorkingDirectory) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("dusk_scene_" + std::to_string(getpid()));
  fs::create_directories(dir / "data");
  fs::copy_file(kScenes + "basic.xml", dir / "data" / "mine.xml", fs::copy_options::overwrite_existing);
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  fw_Scene scene("mine.xml");
  const bool loaded = scene.LoadDescription(1280, 720);
  fs::current_path(before);
  fs::remove_all(dir);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(3u, scene.transforms().size());
  EXPECT_EQ(2u, scene.cameraSet()->cameras().size());
}

TEST(SceneDescription, TheProductionsDescriptionGivesTheDemoItsCamera) {
  WarningCatcher log;
  fw_Scene scene("demo.xml");
  ASSERT_TRUE(scene.LoadDescriptionFile(std::string(DUSK_SOURCE_DIR) + "/projects/dusk/data/demo.xml", 1280, 720));
  EXPECT_TRUE(log.warnings.empty()) << Dump(log.warnings);
  scene.update(0.0f);
  fw_Camera* camera = scene.cameraSet()->current();
  ASSERT_NE(nullptr, camera);
  ASSERT_NE(nullptr, camera->transform());
  EXPECT_EQ(scene.findTransform(scene.cameraSet()->currentName()), camera->transform());
  // At rest it sits where the orbit camera puts it with empty tracks: 20 units up +z.
  EXPECT_FLOAT_EQ(-20.0f, camera->view()._43);
  EXPECT_LT(camera->values().nearz, camera->values().farz);
}
