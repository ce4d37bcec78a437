// The real program on the test production: start-up and resource loading with their log lines,
// frames until the show's own end, which leaves at once with exit code 0.
#include "core_prod.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
const std::vector<std::string> kQuietArgs = {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo",
                                             "--render-scale", "0.25"};

std::vector<std::string> With(std::vector<std::string> args, std::initializer_list<std::string> more) {
  args.insert(args.end(), more);
  return args;
}
}  // namespace

TEST(Frame, LoadsResourcesRunsFramesAndEndsAtTheShowsEnd) {
  core_test::TestProduction prod;
  // The show ends at row 12, about 0.7 s in.
  ASSERT_TRUE(prod.WriteTrack("GotoRow", {{0, -1.0f, 0}, {12, 0.0f, 0}}));
  core_test::RunResult run = prod.Run(kQuietArgs);
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;

  const std::string& out = run.output;
  const size_t start = out.find("Starting application.");
  const size_t loading = out.find("Start loading resources.");
  const size_t post = out.find("Loading " + prod.root.string() + "/src/shaders/fw_PostEffects.fxo...");
  const size_t done = out.find("     ... done!", post);
  const size_t finished = out.find("Finished loading resources.");
  ASSERT_NE(start, std::string::npos) << out;
  ASSERT_NE(loading, std::string::npos) << out;
  ASSERT_NE(post, std::string::npos) << out;
  ASSERT_NE(done, std::string::npos) << out;
  ASSERT_NE(finished, std::string::npos) << out;
  EXPECT_LT(start, loading);
  EXPECT_LT(loading, post);
  EXPECT_LT(post, done);
  EXPECT_LT(done, finished);
  // The render size is a quarter of the window: an extra render-size back buffer.
  EXPECT_NE(out.find("LoadResources: Creating extra backbuffer of dimensions (320, 180)."), std::string::npos);
  // The end of the show skips the orderly shutdown.
  EXPECT_EQ(out.find("Closing application."), std::string::npos) << out;
}

TEST(Frame, BadDataNeverCrashesTheProgram) {
  core_test::TestProduction prod;
  ASSERT_TRUE(prod.WriteTrack("GotoRow", {{0, -1.0f, 0}, {6, 0.0f, 0}}));
  // A corrupt scene description, noise file, track files and images, and no fallback image.
  std::ofstream((prod.root / "data/demo.xml").string()) << "<scene><transforms><trans name=\"x\" translateX=\"0 1";
  std::ofstream((prod.root / "data/noise.bin").string()) << "short";
  std::ofstream((prod.root / "data/sync/sync_Scene.track").string()) << "\xff\xff\xff\x7f garbage";
  std::ofstream((prod.root / "data/sync/sync_cam_Yaw.track").string()) << "";
  std::ofstream((prod.root / "data/vignette.jpg").string()) << "not a jpeg";
  core_test::fs::remove(prod.root / "data/missing.png");
  std::ofstream((prod.root / "src/shaders/fw_Globals.fxi").string(), std::ios::app) << "\n-- vertex broken\n{{{\n";
  core_test::RunResult run = prod.Run(kQuietArgs);
  ASSERT_FALSE(run.timedOut) << run.output;
  // Either the show ran to its end (0) or the broken effect pool stopped it with a message (20).
  EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 20) << run.exitCode << "\n" << run.output;
  EXPECT_NE(run.output.find("Start loading resources."), std::string::npos) << run.output;
}

TEST(Frame, AFrameLimitedCaptureEndsThroughTheOrderlyShutdown) {
  core_test::TestProduction prod;
  prod.RemoveTrack("GotoRow");
  const std::string dir = (prod.root / "capture").string();
  core_test::RunResult run = prod.Run(With(kQuietArgs, {"--capture", dir, "--frames", "5"}));
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(core_test::CountFrames(dir), 5);
  EXPECT_NE(run.output.find("Closing application."), std::string::npos) << run.output;
}

TEST(Frame, ACaptureDirectoryThatCannotBeMadeStopsWithCode20) {
  core_test::TestProduction prod;
  std::ofstream((prod.root / "a-file").string()) << "x";
  core_test::RunResult run = prod.Run(With(kQuietArgs, {"--capture", (prod.root / "a-file/frames").string()}), 60);
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 20) << run.output;
  EXPECT_NE(run.output.find("Capture: could not create the directory"), std::string::npos) << run.output;
}
