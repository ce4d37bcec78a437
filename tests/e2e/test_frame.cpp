// The real program on the test production: start-up and resource loading with their log lines,
// frames until the show's own end, which leaves at once with exit code 0; captures that end by
// their limit, or stop at the first file they cannot write.
#include "core_prod.h"
#include "capture/fw_Capture.h"
#include "small_tmpfs.h"
#include "process_runner.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <fstream>
#include <regex>

using core_test::kQuietArgs;
using core_test::With;

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
  // A '%' in the folder is no frame-number pattern to the video muxer.
  const std::string dir = (prod.root / "capture 100%d").string();
  core_test::RunResult run = prod.Run(With(kQuietArgs, {"--capture", dir, "--frames", "5"}));
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(core_test::CountFrames(dir), 5);
  EXPECT_NE(run.output.find("Closing application."), std::string::npos) << run.output;
  // ffmpeg is one of the test dependencies (scripts/install-deps).
  EXPECT_NE(run.output.find("Capture: wrote <" + dir + "/capture.mp4>."), std::string::npos) << run.output;
  EXPECT_GT(core_test::fs::file_size(dir + "/capture.mp4"), 0u);
}

// A disk that fills up mid-capture: the run stops at the first file that does not fit (a frame,
// or the soundtrack after the last frame), with its own exit code and the system's reason, and
// what it leaves under a frame's name is whole. The test production's frames take one 4 KiB page
// each; the soundtrack of 20 frames at 30 per second takes 115 KiB.
TEST(Frame, ACaptureOntoAFullDiskStopsAndLeavesOnlyWholeFrames) {
  struct Case {
    unsigned kilobytes;
    int frames;
    const char* fails;  // what the message names
  };
  for (const Case& c : {Case{64, 40, "frame_"}, Case{128, 20, "soundtrack.wav"}}) {
    SCOPED_TRACE(c.fails);
    core_test::SmallTmpfs disk(c.kilobytes);
    if (!disk.mounted()) GTEST_SKIP() << disk.reason();
    core_test::TestProduction prod;
    prod.RemoveTrack("GotoRow");
    const std::string dir = disk.path().string();
    const std::string frames = std::to_string(c.frames);
    core_test::RunResult run = prod.Run(With(kQuietArgs, {"--capture", dir, "--fps", "30", "--frames", frames}));
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, fw_kCaptureWriteFailedExitCode) << run.output;
    const std::string message = "Capture: could not write <" + dir + "/" + c.fails;
    const size_t at = run.output.find(message);
    ASSERT_NE(at, std::string::npos) << run.output;
    const std::string line = run.output.substr(at, run.output.find('\n', at) - at);
    EXPECT_NE(line.find(">: No space left on device."), std::string::npos) << line;

    // Only whole frames under their names, numbered from 0 without a gap, and nothing else.
    const std::vector<int> written = core_test::FrameNumbers(dir);
    ASSERT_GE(written.size(), 2u) << "the disk filled before the capture got going";
    if (std::string(c.fails) == "frame_") {
      char failed[32];
      std::snprintf(failed, sizeof(failed), "frame_%06zu.png>", written.size());
      EXPECT_NE(line.find(failed), std::string::npos) << "the frame after the last one on disk failed: " << line;
    } else {
      EXPECT_EQ(written.size(), static_cast<size_t>(c.frames));
    }
    for (size_t i = 0; i < written.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "frame_%06d.png", written[i]);
      EXPECT_EQ(written[i], static_cast<int>(i));
      const std::string png = core_test::ReadWholeFile(disk.path() / name);
      int width = 0, height = 0, channels = 0;
      stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                                              static_cast<int>(png.size()), &width, &height, &channels, 4);
      EXPECT_NE(pixels, nullptr) << name << " does not decode";
      EXPECT_EQ(width, 320) << name;
      stbi_image_free(pixels);
      // The IEND chunk and its CRC close every whole PNG file.
      ASSERT_GE(png.size(), 12u) << name;
      EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12)) << name;
    }
    size_t entries = 0;
    for (core_test::fs::directory_iterator it(disk.path()), end; it != end; ++it, ++entries)
      EXPECT_TRUE(std::regex_match(it->path().filename().string(), std::regex("frame_[0-9]{6}\\.png")))
          << it->path().filename() << " was left behind";
    EXPECT_EQ(entries, written.size());
    // The last progress counts the frames on disk, never the one that failed.
    const std::string done = "Capture: frame " + std::to_string(written.size()) + " of " + frames + " ";
    EXPECT_NE(run.output.find(done), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Capture: frame " + std::to_string(written.size() + 1) + " of "), std::string::npos)
        << run.output;
  }
}

namespace {
// The frames of a video as its container counts them (no picture is decoded), or -1.
int VideoFrames(const std::string& video) {
  int code = -1;
  const std::string out = RunCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                     "stream=nb_read_packets -of default=noprint_wrappers=1:nokey=1 'file:" +
                                         video + "'",
                                     &code);
  return code == 0 ? std::atoi(out.c_str()) : -1;
}

std::vector<std::string> FolderEntries(const core_test::fs::path& folder) {
  std::vector<std::string> names;
  for (core_test::fs::directory_iterator it(folder), end; it != end; ++it)
    names.push_back(it->path().filename().string());
  return names;
}
}  // namespace

// --capture-video: every frame reaches the encoder, and the video gets its name only when whole.
TEST(Frame, AVideoCaptureEncodesEveryFrameIntoOneFile) {
  core_test::TestProduction prod;
  prod.RemoveTrack("GotoRow");
  const std::string dir = (prod.root / "video 100%d").string();
  const std::string video = dir + "/take: one.mkv";  // a colon is no protocol's name to ffmpeg
  core_test::RunResult run = prod.Run(With(kQuietArgs, {"--capture-video", video, "--frames", "5"}));
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Capture: wrote <" + video + ">."), std::string::npos) << run.output;
  EXPECT_EQ(VideoFrames(video), 5);
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"take: one.mkv"}) << "no frames, sound or temporary file";
}

// An encoder that dies after its first bytes, and a disk with no room for the video: exit code 3
// with the video's name and the reason, and no file under that name or a temporary one. Without
// -xerror ffmpeg reports a full disk at the trailer and still exits with 0. (The test
// production's frames are so alike that a whole video of them fits in a few KiB, so the disk is
// filled up first; ffmpeg buffers its output and meets the full disk with frames already taken.)
TEST(Frame, AVideoCaptureWhoseEncoderDiesOrWhoseDiskFillsFailsWithExitCode3) {
  const core_test::fs::path fakes = core_test::fs::temp_directory_path() / core_test::fs::unique_path("dusk-fake-%%%%%%");
  core_test::fs::create_directories(fakes);
  {
    std::ofstream fake((fakes / "ffmpeg").string());
    fake << "#!/bin/sh\nhead -c 100 > /dev/null\nexit 1\n";
  }
  core_test::fs::permissions(fakes / "ffmpeg", core_test::fs::owner_all);
  core_test::SmallTmpfs disk(8);
  if (disk.mounted()) {
    std::ofstream filler((disk.path() / "filler").string(), std::ios::binary);
    const std::string page(4096, 'x');
    for (int i = 0; i < 4 && filler.write(page.data(), page.size()).flush(); ++i) {
    }
  }
  struct Case {
    const char* what;
    bool fakeEncoder;
    std::string dir;
    const char* reason;
    std::vector<std::string> left;  // what was in the folder before
  };
  const Case cases[] = {{"dead encoder", true, fakes.string() + "/out", "the encoder did not take the whole frame: the program reading it ended", {}},
                        {"full disk", false, disk.path().string(), "the encoder", {"filler"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.fakeEncoder && !disk.mounted()) {
      std::printf("full disk case skipped: %s\n", disk.reason().c_str());
      continue;
    }
    core_test::TestProduction prod;
    prod.RemoveTrack("GotoRow");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    if (c.fakeEncoder) setenv("PATH", (fakes.string() + ":" + path).c_str(), 1);
    const std::string video = c.dir + "/v.mkv";
    core_test::RunResult run = prod.Run(With(kQuietArgs, {"--capture-video", video, "--fps", "30", "--frames", "40"}));
    setenv("PATH", path.c_str(), 1);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, fw_kCaptureWriteFailedExitCode) << run.output;
    const std::string message = "Capture: could not write <" + video + ">: " + c.reason;
    EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
    EXPECT_EQ(FolderEntries(c.dir), c.left) << "a video or its temporary was left in " << c.dir;
  }
  core_test::fs::remove_all(fakes);
}
