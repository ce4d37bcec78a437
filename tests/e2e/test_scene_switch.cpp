// The frame tick in process, on real track files, clocks and scenes: the "Scene" track picks the
// scene, a switch calls enter and restarts the scene time at 0, the first three ticks draw
// nothing, and "GotoRow" above 0 seeks while exactly 0 ends the process with code 0.
#include "frame/fw_FrameTick.h"
#include "scene/fw_Scene.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include "core_tracks.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/win32.h>

namespace fs = boost::filesystem;

namespace {
struct RecordingScene : fw_Scene {
  explicit RecordingScene(const std::string& name) : fw_Scene(name) {}
  void update(float sceneTime) override { updates.push_back(sceneTime); }
  void prepare() override { ++prepares; }
  void render() override { ++renders; }
  void enter() override {
    ++enters;
    updatesAtEnter.push_back(updates.size());
  }
  std::vector<float> updates;
  std::vector<size_t> updatesAtEnter;
  int prepares = 0, renders = 0, enters = 0;
};

// Frames of a tenth of a second: 1.7333334 rows each.
int64_t gFrame = 0;
const int64_t kTicksPerFrame = 100000000;

struct Show {
  fs::path dir = fs::temp_directory_path() / fs::unique_path("core-show-%%%%%%");
  std::string base = (dir / "sync").string();
  // The frame context owns the scenes; these name them and its fields.
  RecordingScene& first = Add("first.xml");
  RecordingScene& second = Add("second.xml");
  uint32_t& current = fw_GetFrameContext().currentScene;
  float& start = fw_GetFrameContext().sceneStartTime;

  static RecordingScene& Add(const char* name) {
    auto scene = std::make_unique<RecordingScene>(name);
    RecordingScene& ref = *scene;
    fw_AddScene(std::move(scene));
    return ref;
  }

  Show() {
    fs::create_directories(dir);
    gFrame = 0;
    platform::SetVirtualPerformanceCounter([] { return gFrame * kTicksPerFrame; });
  }
  void Start() {
    fw_StartSync(base.c_str());
    fw_CreateClocks();
    fw_RestartClocks();
  }
  void Tick() {
    fw_FrameTick();
    ++gFrame;
  }
  ~Show() {
    fw_ResetFrameContext();
    fw_DestroyClocks();
    fw_StopSync();
    platform::SetVirtualPerformanceCounter({});
    fs::remove_all(dir);
  }
};
}  // namespace

TEST(SceneSwitch, SceneTrackSwitchesEntersAndRestartsTheSceneTime) {
  Show show;
  // Row 10 is reached in tick 6 (10.4 rows), row 20 in tick 12 (20.8 rows).
  ASSERT_TRUE(core_test::WriteTrack(show.base, "Scene", {{0, 0.0f, 0}, {10, 1.0f, 0}, {20, 2.7f, 0}}));
  show.Start();

  for (int i = 0; i < 3; ++i) show.Tick();
  EXPECT_TRUE(show.first.updates.empty());  // the first three ticks draw nothing
  EXPECT_EQ(show.first.renders, 0);
  EXPECT_EQ(fw_GetRenderSkipCounter(), 3u);

  for (int i = 3; i < 6; ++i) show.Tick();
  ASSERT_EQ(show.first.updates.size(), 3u);
  EXPECT_FLOAT_EQ(show.first.updates[0], 0.3f);  // scene 0 is current from the start, never entered
  EXPECT_EQ(show.first.enters, 0);
  EXPECT_EQ(show.first.prepares, 3);
  EXPECT_EQ(show.first.renders, 3);

  show.Tick();  // tick 6: row 10.4, scene 1
  EXPECT_EQ(show.current, 1u);
  EXPECT_EQ(show.second.enters, 1);
  ASSERT_EQ(show.second.updates.size(), 1u);
  EXPECT_EQ(show.second.updates[0], 0.0f);  // entered before its first update, at scene time 0
  EXPECT_EQ(show.second.updatesAtEnter[0], 0u);
  EXPECT_FLOAT_EQ(show.start, 0.6f);

  for (int i = 7; i < 12; ++i) show.Tick();
  EXPECT_EQ(show.first.enters, 0);
  show.Tick();  // tick 12: row 20.8, value 2.7 -> 2 -> scene 0 of two
  EXPECT_EQ(show.current, 0u);
  EXPECT_EQ(show.first.enters, 1);
  EXPECT_EQ(show.first.updates.back(), 0.0f);  // back to an earlier scene: time restarts too
  show.Tick();
  EXPECT_NEAR(show.first.updates.back(), 0.1f, 1e-6f);
  EXPECT_EQ(show.second.enters, 1);
}

TEST(SceneSwitch, GotoRowSeeksAboveZeroAndIgnoresNegativeValues) {
  Show show;
  // Rows below 5: -1 (nothing); from row 5 on: 1.5 (seek back to row 1.5).
  ASSERT_TRUE(core_test::WriteTrack(show.base, "GotoRow", {{0, -1.0f, 0}, {5, 1.5f, 0}}));
  show.Start();
  float previous = -1.0f;
  for (int i = 0; i < 3; ++i) {
    show.Tick();
    EXPECT_GT(fw_GetSyncRow(), previous);  // rows 0, 1.73, 3.47: no seek
    previous = fw_GetSyncRow();
  }
  show.Tick();  // row 5.2: seek to 1.5
  EXPECT_NEAR(fw_GetSyncRow(), 1.5f, 1e-4f);
  EXPECT_TRUE(fw_GetSyncTimer()->isPlaying());
  show.Tick();
  EXPECT_NEAR(fw_GetSyncRow(), 1.5f + 1.7333334f, 1e-3f);
}

TEST(SceneSwitchDeathTest, GotoRowZeroEndsTheProcessWithCodeZeroInTheTickThatReachesIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Show show;
        core_test::WriteTrack(show.base, "GotoRow", {{0, -1.0f, 0}, {4, 0.0f, 0}});
        show.Start();
        for (int i = 0; i < 3; ++i) show.Tick();  // rows 0, 1.7, 3.5
        std::fprintf(stderr, "still running at row %.2f\n", fw_GetSyncRow());
        show.Tick();  // row 5.2 passes the key at 4
        std::fprintf(stderr, "tick survived\n");
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "still running at row 3.47");
}
