// The frame tick's hooks, on the recording device with real ticks: each hook runs once in its place
// in the frame and the sets run in the order they were added; a begin-frame hook can end a frame
// before anything is drawn, and a hold-at-end hook keeps the show where "GotoRow" would end it.
#include "frame/fw_FrameHooks.h"
#include "frame/fw_FrameTick.h"
#include "scene/fw_Scene.h"
#include "sync/fw_Clock.h"

#include "core_recording.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gCalls;
bool gBeginA = true;  // what set A's begin-frame hook answers
bool gHoldA = false;  // what set A's hold-at-end hook answers

struct LoggingScene : fw_Scene {
  LoggingScene() : fw_Scene("none.xml") {}
  void update(float) override { gCalls.push_back("update"); }
  void render() override { gCalls.push_back("render"); }
};

// Two sets, A added before B.
void AddSets() {
  static bool added = false;
  if (added) return;
  added = true;
  fw_FrameHooks a, b;
  a.beginFrame = [] {
    gCalls.push_back("A begin");
    return gBeginA;
  };
  b.beginFrame = [] {
    gCalls.push_back("B begin");
    return true;
  };
  a.holdAtEnd = [] {
    gCalls.push_back("A hold");
    return gHoldA;
  };
  b.holdAtEnd = [] {
    // The process may end right after: what B must do before it is seen in the death test's output.
    std::fputs("B finishes before the end\n", stderr);
    return false;
  };
  a.endFrame = [] { gCalls.push_back("A end"); };
  b.endFrame = [] { gCalls.push_back("B end"); };
  a.present = [] {
    gCalls.push_back("A present");
    return false;
  };
  b.present = [] {
    gCalls.push_back("B present");
    return true;
  };
  fw_AddFrameHooks(a);
  fw_AddFrameHooks(b);
}

class FrameHooks : public core_test::FrameworkRecording {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FrameworkRecording::SetUp());
    AddSets();
    gCalls.clear();
    gBeginA = true;
    gHoldA = false;
  }
  void TearDown() override {
    fw_ResetFrameContext();
    fw_DestroyClocks();
    FrameworkRecording::TearDown();
  }

  // Resources, one scene, running clocks, and the three ticks that draw nothing behind it.
  void Start() {
    ASSERT_NO_FATAL_FAILURE(Load());
    fw_AddScene(std::make_unique<LoggingScene>());
    fw_CreateClocks();
    fw_RestartClocks();
    for (int i = 0; i < 3; ++i) fw_FrameTick();
    gCalls.clear();
    d3d10rec::ClearRecord(mDevice);
  }
};

}  // namespace

TEST_F(FrameHooks, EachRunsOnceInItsPlaceInTheOrderTheSetsWereAdded) {
  ASSERT_NO_FATAL_FAILURE(Start());
  fw_FrameTick();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"A begin", "B begin", "update", "render", "A end", "B end",
                                              "A present", "B present"}));
  EXPECT_TRUE(fw_FrameHooksPresent()) << "one set asking to present at once is enough";
}

TEST_F(FrameHooks, ABeginFrameHookThatSaysNoEndsTheFrameBeforeAnythingIsDrawn) {
  ASSERT_NO_FATAL_FAILURE(Start());
  gBeginA = false;
  fw_FrameTick();
  EXPECT_EQ(gCalls, std::vector<std::string>{"A begin"});
  EXPECT_TRUE(Rec().events.empty()) << "nothing drawn, nothing presented";
  gBeginA = true;
  gCalls.clear();
  fw_FrameTick();
  EXPECT_EQ(gCalls.size(), 8u) << "the next frame runs whole";
}

TEST_F(FrameHooks, AHoldAtEndKeepsTheShowWhereGotoRowEndsItAndWithoutOneTheProcessEnds) {
  ASSERT_TRUE(WriteTrack("GotoRow", 0.0f));
  ASSERT_NO_FATAL_FAILURE(Load());
  fw_AddScene(std::make_unique<LoggingScene>());
  fw_CreateClocks();
  fw_RestartClocks();
  gHoldA = true;
  fw_FrameTick();
  // Whether the scene drew depends on the ticks before (the first three draw nothing): left out.
  std::erase_if(gCalls, [](const std::string& call) { return call == "update" || call == "render"; });
  EXPECT_EQ(gCalls, (std::vector<std::string>{"A begin", "B begin", "A hold", "A end", "B end", "A present",
                                              "B present"}))
      << "held: the frame goes on, and the later sets are not asked";
  gHoldA = false;
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(fw_FrameTick(), ::testing::ExitedWithCode(0), "B finishes before the end");
}
