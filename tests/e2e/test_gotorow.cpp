// "GotoRow" in the real program, counted in captured frames (the virtual clock makes the frame in
// which a row is reached exact): 0 ends the process with code 0 in the tick that reaches the key,
// a value above 0 jumps there.
#include "core_prod.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::string> CaptureArgs(const std::string& dir) {
  return {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale", "0.25",
          "--capture", dir, "--fps", "30"};
}
}  // namespace

TEST(GotoRow, ZeroEndsTheProcessInTheFrameThatReachesItsRow) {
  core_test::TestProduction prod;
  // At 30 frames per second frame n is at row n × 0.5777778: frame 13 is at row 7.51, frame 14
  // at 8.09. The tick of frame 14 ends the process before it presents: frames 0 to 13 remain.
  ASSERT_TRUE(prod.WriteTrack("GotoRow", {{0, -1.0f, 0}, {8, 0.0f, 0}}));
  const std::string dir = (prod.root / "frames").string();
  core_test::RunResult run = prod.Run(CaptureArgs(dir));
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(core_test::CountFrames(dir), 14) << run.output;
  EXPECT_EQ(run.output.find("Closing application."), std::string::npos);
  // The capture is finished before the process ends: the soundtrack is there.
  EXPECT_TRUE(core_test::fs::exists(core_test::fs::path(dir) / "soundtrack.wav"));
}

TEST(GotoRow, AValueAboveZeroJumpsForward) {
  core_test::TestProduction prod;
  // Frame 7 (row 4.04) jumps to row 20; from there each frame adds 0.5777778 rows, so frame 11
  // (row 22.3) reaches the end at row 22: frames 0 to 10 remain. Without the jump the end
  // would come at frame 39.
  ASSERT_TRUE(prod.WriteTrack("GotoRow", {{0, -1.0f, 0}, {4, 20.0f, 0}, {5, -1.0f, 0}, {22, 0.0f, 0}}));
  const std::string dir = (prod.root / "frames").string();
  core_test::RunResult run = prod.Run(CaptureArgs(dir));
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(core_test::CountFrames(dir), 11) << run.output;
}

TEST(GotoRow, CaptureFromARowToARowIsRepeatable) {
  core_test::TestProduction prod;
  prod.RemoveTrack("GotoRow");
  const std::string a = (prod.root / "a").string(), b = (prod.root / "b").string();
  auto args = [](std::vector<std::string> v) {
    v.insert(v.end(), {"--from-row", "10", "--to-row", "13"});
    return v;
  };
  core_test::RunResult first = prod.Run(args(CaptureArgs(a)));
  core_test::RunResult second = prod.Run(args(CaptureArgs(b)));
  ASSERT_EQ(first.exitCode, 0) << first.output;
  ASSERT_EQ(second.exitCode, 0) << second.output;
  // Rows 10 to 13 at 0.5777778 rows a frame: frames 18 to 22 of the show, at rows 10.40 ... 12.71.
  const std::vector<int> frames = core_test::FrameNumbers(a);
  EXPECT_EQ(frames, (std::vector<int>{18, 19, 20, 21, 22}));
  EXPECT_EQ(core_test::FrameNumbers(b), frames);
  for (int i : frames) {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06d.png", i);
    EXPECT_EQ(core_test::ReadWholeFile(core_test::fs::path(a) / name), core_test::ReadWholeFile(core_test::fs::path(b) / name))
        << name;
  }
}
