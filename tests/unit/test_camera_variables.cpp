// The camera values a frame hands to the shaders, read back through the effect pool after real
// frame ticks: resources loaded on the recording device with the scene's description, clocks on a
// virtual counter, and every expected matrix and vector worked out here from the description's
// numbers (row vectors; view = Translation(-t) * transpose(R); right-handed perspective).
#include "demo_Demo.h"
#include "device/fw_DeviceState.h"
#include "frame/fw_FrameTick.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "res/fw_TextureTable.h"
#include "scene/fw_Scene.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include "core_gpu.h"
#include "core_recording.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/win32.h>

#include <algorithm>
#include <memory>
#include <array>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = boost::filesystem;

namespace {

using Mat = std::array<float, 16>;  // row-major, row vectors: the translation is in row 4
using Vec = std::array<float, 4>;

Mat Multiply(const Mat& a, const Mat& b) {
  Mat r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
  return r;
}

// The view of a camera at t turned about y by `yaw`: Translation(-t) * transpose(RotationY(yaw)).
Mat ViewAt(float x, float y, float z, float yaw) {
  const float c = std::cos(yaw), s = std::sin(yaw);
  const Mat translation{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -x, -y, -z, 1};
  const Mat rotationTransposed{c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1};
  return Multiply(translation, rotationTransposed);
}

// Its inverse: RotationY(yaw) * Translation(t); the eye sits in the translation row.
Mat ViewInverseAt(float x, float y, float z, float yaw) {
  const float c = std::cos(yaw), s = std::sin(yaw);
  return Mat{c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, x, y, z, 1};
}

// Right-handed perspective; zScale divides the z translation term (a scene's world scale).
Mat Perspective(float fov, float aspect, float zn, float zf, float zScale = 1.0f) {
  const float yScale = 1.0f / std::tan(fov / 2.0f), xScale = yScale / aspect;
  return Mat{xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, zf / (zn - zf), -1, 0, 0, zn * zf / (zn - zf) / zScale, 0};
}

Mat ReadMatrix(ID3D10EffectMatrixVariable* variable) {
  Mat m{};
  variable->GetMatrix(m.data());
  return m;
}
Vec ReadVector(ID3D10EffectVectorVariable* variable) {
  Vec v{};
  variable->GetFloatVector(v.data());
  return v;
}

template <size_t N>
void ExpectNear(const std::array<float, N>& actual, const std::array<float, N>& expected, float tolerance,
                const char* what) {
  for (size_t i = 0; i < N; ++i)
    EXPECT_NEAR(actual[i], expected[i], tolerance * std::max(1.0f, std::fabs(expected[i]))) << what << " [" << i << "]";
}

// A plain scene that can claim a world scale.
struct ScaledScene : fw_Scene {
  ScaledScene(const std::string& name, float scale) : fw_Scene(name), scale(scale) {}
  float worldScale() override { return scale; }
  float scale;
};

// Ticks of a tenth of a second on the performance counter (a frequency of 1e9 per second).
int64_t gTick = 0;
const int64_t kCountsPerTick = 100000000;

class CameraVariables : public ::testing::Test {
 protected:
  static constexpr int kWidth = 800, kHeight = 400;  // ratio 2, unlike the descriptions' 16:9

  void SetUp() override {
    ASSERT_NE(device.get(), nullptr) << "no software device (is a display, e.g. Xvfb, available?)";
    fs::create_directories(dir / "data");
    GetCurrentDirectoryA(sizeof(previous), previous);
    SetCurrentDirectoryA(dir.string().c_str());  // descriptions are read from ./data/
    fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
    fw_SetRenderSize(kWidth, kHeight);
    fw_SetOutputSize(kWidth, kHeight);
    gTick = 0;
    platform::SetVirtualPerformanceCounter([] { return gTick * kCountsPerTick; });
  }
  void TearDown() override {
    fw_ReleaseFrameworkResources();
    fw_StopSync();
    fw_ResetFrameContext();
    fw_DestroyClocks();
    platform::SetVirtualPerformanceCounter({});
    SetCurrentDirectoryA(previous);
    fs::remove_all(dir);
  }

  void WriteDescription(const std::string& name, const std::string& xml) {
    std::ofstream(dir.string() + "/data/" + name) << xml;
  }

  // The frame context takes the scene over, so it lives as long as anything can reach it.
  template <class SceneType, class... Args>
  SceneType& MakeScene(Args&&... args) {
    auto scene = std::make_unique<SceneType>(std::forward<Args>(args)...);
    SceneType& ref = *scene;
    fw_AddScene(std::move(scene));
    return ref;
  }

  // Loads the resources with the scene as the only one, then runs `ticks` frame ticks; the last
  // one runs at music time (ticks - 1) / 10 s. The first three draw nothing, so ticks >= 4.
  void Run(fw_Scene* scene, int ticks) {
    ASSERT_EQ(fw_GetFrameContext().scenes.size(), 1u);
    ASSERT_EQ(fw_GetFrameContext().scenes[0].get(), scene);
    ASSERT_EQ(fw_LoadResources(), S_OK);
    fw_CreateClocks();
    fw_RestartClocks();
    for (int i = 0; i < ticks; ++i) {
      fw_FrameTick();
      ++gTick;
    }
  }

  core_test::RecordingDevice device;
  fs::path dir = fs::temp_directory_path() / fs::unique_path("camera-vars-%%%%%%");
  char previous[4096] = {};
};

}  // namespace

TEST_F(CameraVariables, TheDemosRestingCameraReachesEveryVariable) {
  fs::copy_file(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/data/demo.xml", dir / "data/demo.xml");
  fw_Scene& scene = MakeScene<fw_Scene>("demo.xml");
  ASSERT_NO_FATAL_FAILURE(Run(&scene, 4));
  ASSERT_NE(scene.cameraSet()->current(), nullptr);
  fw_GlobalVariables& g = fw_GetGlobals();

  // 20 units up +z, unturned: the view only moves the world 20 units away.
  const Mat view{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -20, 1};
  const float fov = 0.7853982f, tanHalf = std::tan(fov / 2.0f);
  const Mat projection = Perspective(fov, 2.0f, 1.0f, 2000.0f);
  ExpectNear(ReadMatrix(g.View), view, 1e-6f, "View");
  ExpectNear(ReadMatrix(g.View_BackInTime), view, 1e-6f, "View_BackInTime");  // at rest: the same
  ExpectNear(ReadMatrix(g.ViewProjection), Multiply(view, projection), 1e-5f, "ViewProjection");
  ExpectNear(ReadMatrix(g.ViewProjection_BackInTime), Multiply(view, projection), 1e-5f,
             "ViewProjection_BackInTime");
  ExpectNear(ReadMatrix(g.ViewInverse), Mat{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 20, 1}, 1e-6f, "ViewInverse");
  ExpectNear(ReadVector(g.EyePositionWorld), Vec{0, 0, 20, 1}, 1e-6f, "EyePositionWorld");
  // The lens extents use the description's "aspect", the projection the target's 800 / 400.
  ExpectNear(ReadVector(g.NearXYZFarZ), Vec{1.7777778f * tanHalf, tanHalf, 1.0f, 2000.0f}, 1e-6f, "NearXYZFarZ");
  ExpectNear(ReadVector(g.RenderDim), Vec{800, 400, 1.0f / 800, 1.0f / 400}, 1e-7f, "RenderDim");
  ExpectNear(ReadVector(g.StereoConstants), Vec{0, 1, 1, 1}, 0.0f, "StereoConstants");
}

// A new render size while the show runs (the automatic scale's choice) reaches the targets, the
// camera's projection and RenderDim before the next frame draws.
TEST_F(CameraVariables, ANewRenderSizeWhileRunningReachesTheTargetsAndTheProjection) {
  fs::copy_file(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/data/demo.xml", dir / "data/demo.xml");
  fw_Scene& scene = MakeScene<fw_Scene>("demo.xml");
  ASSERT_NO_FATAL_FAILURE(Run(&scene, 4));
  fw_SetRenderSize(400, 400);
  fw_FrameTick();

  fw_GlobalVariables& g = fw_GetGlobals();
  const Mat view{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -20, 1};
  ExpectNear(ReadMatrix(g.ViewProjection), Multiply(view, Perspective(0.7853982f, 1.0f, 1.0f, 2000.0f)), 1e-5f,
             "ViewProjection");
  ExpectNear(ReadVector(g.RenderDim), Vec{400, 400, 1.0f / 400, 1.0f / 400}, 1e-7f, "RenderDim");
  for (const char* name : {"backbuffer", "d32f_backbuffer", "r16g16b16a16f_1"}) {
    ASSERT_NE(fw_FindTexture(name), nullptr) << name;
    EXPECT_EQ(fw_FindTexture(name)->getWidth(), 400u) << name;
    EXPECT_EQ(fw_FindTexture(name)->getHeight(), 400u) << name;
  }
}

TEST_F(CameraVariables, AMovingCameraHandsOverItsViewOfASixtiethOfASecondEarlier) {
  // x moves one unit per second (tangents 1 on a one-second span); y, z and a yaw of 0.5 rest.
  WriteDescription("moving.xml", R"(<scene><transforms>
    <trans name="eye" translateX="0 0 1 1   1 1 1 1" translateY="0 3 0 0" translateZ="0 20 0 0"
           rotateX="0 0 0 0" rotateY="0 0.5 0 0" rotateZ="0 0 0 0"
           scaleX="0 1 0 0" scaleY="0 1 0 0" scaleZ="0 1 0 0"/>
  </transforms><cameras>
    <camera name="eye" vFOV="1.0" aspect="1.5" nearz="0.5" farz="300" nearfocus="1" farfocus="2"/>
  </cameras></scene>)");
  fw_Scene& scene = MakeScene<fw_Scene>("moving.xml");
  ASSERT_NO_FATAL_FAILURE(Run(&scene, 6));  // the last tick at 0.5 s
  fw_GlobalVariables& g = fw_GetGlobals();

  const float x = 0.5f, earlierX = 0.5f - 0.016666668f;
  const Mat view = ViewAt(x, 3, 20, 0.5f), earlier = ViewAt(earlierX, 3, 20, 0.5f);
  const Mat projection = Perspective(1.0f, 2.0f, 0.5f, 300.0f);
  ExpectNear(ReadMatrix(g.View), view, 1e-5f, "View");
  ExpectNear(ReadMatrix(g.View_BackInTime), earlier, 1e-5f, "View_BackInTime");
  ExpectNear(ReadMatrix(g.ViewProjection), Multiply(view, projection), 1e-5f, "ViewProjection");
  ExpectNear(ReadMatrix(g.ViewProjection_BackInTime), Multiply(earlier, projection), 1e-5f,
             "ViewProjection_BackInTime");
  ExpectNear(ReadMatrix(g.ViewInverse), ViewInverseAt(x, 3, 20, 0.5f), 1e-5f, "ViewInverse");
  ExpectNear(ReadVector(g.EyePositionWorld), Vec{x, 3, 20, 1}, 1e-5f, "EyePositionWorld");
  const float tanHalf = std::tan(0.5f);
  ExpectNear(ReadVector(g.NearXYZFarZ), Vec{1.5f * tanHalf * 0.5f, tanHalf * 0.5f, 0.5f, 300.0f}, 1e-6f,
             "NearXYZFarZ");

  // Two ticks later (0.7 s) the values follow the camera.
  fw_FrameTick();
  ++gTick;
  fw_FrameTick();
  ExpectNear(ReadVector(g.EyePositionWorld), Vec{0.7f, 3, 20, 1}, 1e-5f, "EyePositionWorld at 0.7 s");
  ExpectNear(ReadMatrix(g.View_BackInTime), ViewAt(0.7f - 0.016666668f, 3, 20, 0.5f), 1e-5f,
             "View_BackInTime at 0.7 s");
}

TEST_F(CameraVariables, AWorldScaleDividesTheProjectionsDepthTermAndReachesTheStereoConstants) {
  fs::copy_file(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/data/demo.xml", dir / "data/demo.xml");
  ScaledScene& scene = MakeScene<ScaledScene>("demo.xml", 4.0f);
  ASSERT_NO_FATAL_FAILURE(Run(&scene, 4));
  fw_GlobalVariables& g = fw_GetGlobals();
  const Mat view = ViewAt(0, 0, 20, 0);
  ExpectNear(ReadMatrix(g.View), view, 1e-6f, "View");
  ExpectNear(ReadMatrix(g.ViewProjection), Multiply(view, Perspective(0.7853982f, 2.0f, 1.0f, 2000.0f, 4.0f)), 1e-5f,
             "ViewProjection");
  ExpectNear(ReadVector(g.StereoConstants), Vec{0, 1, 4, 0.25f}, 1e-7f, "StereoConstants");
  ExpectNear(ReadVector(g.EyePositionWorld), Vec{0, 0, 20, 1}, 1e-6f, "EyePositionWorld");
}

TEST_F(CameraVariables, ASceneWithoutACameraLeavesTheCameraVariablesAsTheyWere) {
  WriteDescription("empty.xml", "<scene><transforms/><cameras/></scene>");
  fw_Scene& scene = MakeScene<fw_Scene>("empty.xml");
  ASSERT_NO_FATAL_FAILURE(Run(&scene, 4));
  fw_GlobalVariables& g = fw_GetGlobals();
  const Mat identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectNear(ReadMatrix(g.View), identity, 0.0f, "View");  // the effect pool's starting value
  ExpectNear(ReadMatrix(g.ViewInverse), identity, 0.0f, "ViewInverse");
  ExpectNear(ReadVector(g.EyePositionWorld), Vec{0, 0, 0, 1}, 0.0f, "EyePositionWorld");
  // The render size still reaches the shaders.
  ExpectNear(ReadVector(g.RenderDim), Vec{800, 400, 1.0f / 800, 1.0f / 400}, 1e-7f, "RenderDim");
}

TEST_F(CameraVariables, TheOrbitCameraSteersTheDemosDrawsBecausePrepareRunsBeforeTheUpload) {
  fs::copy_file(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/data/demo.xml", dir / "data/demo.xml");
  fw_SetRoots(core_test::FrameworkRoot(), DUSK_SOURCE_DIR "/projects/dusk");
  const std::string tracks = (dir / "sync").string();
  ASSERT_TRUE(core_test::WriteTrack(tracks, "cam_Yaw", {{0, 90.0f, 0}}));
  ASSERT_TRUE(core_test::WriteTrack(tracks, "cam_DistToLookAt", {{0, 30.0f, 0}}));
  fw_StartSync(tracks.c_str());
  Demo& demo = MakeScene<Demo>("demo.xml");
  ASSERT_NO_FATAL_FAILURE(Run(&demo, 4));

  // Turned a quarter about y, 30 units out: the eye at (30, 0, 0). Had the orbit camera run after
  // the upload, the draws would see the description's resting camera at (0, 0, 20) instead.
  const Mat view = ViewAt(30, 0, 0, 1.5707964f);
  const Mat projection = Perspective(0.7853982f, 2.0f, 1.0f, 2000.0f);
  int terrainDraws = 0;  // one a sub-frame: every face, or the walls before the tops
  for (const d3d10rec::Event* draw : device.record().Draws()) {
    if (draw->technique != "bg" && draw->technique != "bgWalls" && draw->technique != "bgTops") continue;
    if (draw->technique != "bgTops") ++terrainDraws;
    Mat drawnView{}, drawnViewProjection{};
    const std::vector<float>& v = draw->Variable("View")->floats;
    const std::vector<float>& vp = draw->Variable("ViewProjection")->floats;
    ASSERT_EQ(v.size(), 16u);
    ASSERT_EQ(vp.size(), 16u);
    std::copy(v.begin(), v.end(), drawnView.begin());
    std::copy(vp.begin(), vp.end(), drawnViewProjection.begin());
    ExpectNear(drawnView, view, 1e-5f, "View");
    ExpectNear(drawnViewProjection, Multiply(view, projection), 1e-5f, "ViewProjection");
  }
  // Eight sub-frames for every tick that drew (the first three ticks of the process draw nothing).
  EXPECT_GE(terrainDraws, 8);
  EXPECT_EQ(terrainDraws % 8, 0);
}
