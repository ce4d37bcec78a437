// Capture mode's own parts: the soundtrack file (written whole or not at all), the options, and
// the clock that maps frames to performance-counter ticks.
#include "capture/fw_Capture.h"
#include "capture/fw_CaptureFiles.h"
#include "capture/fw_CaptureOptions.h"

#include "small_tmpfs.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>

namespace fs = boost::filesystem;

namespace {
std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int Parse(std::vector<const char*> args, fw_CaptureSettings* s, std::string* error) {
  int consumed = 0;
  for (int i = 0; i < static_cast<int>(args.size());) {
    int n = fw_ParseCaptureOption(static_cast<int>(args.size()), args.data(), i, s, error);
    if (n == 0) return -1;
    consumed += n;
    i += n;
  }
  return consumed;
}
}  // namespace

TEST(CaptureFiles, WavHeaderAndSamples) {
  fs::path path = fs::temp_directory_path() / fs::unique_path("core-wav-%%%%%%.wav");
  std::vector<int16_t> samples = {0, -1, 32767, -32768, 5, 6};
  ASSERT_TRUE(fw_WriteWav(path.string(), 2, 44100, samples));
  std::vector<uint8_t> wav = ReadFile(path.string());
  ASSERT_EQ(wav.size(), 44u + 12u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(wav[22], 2);                                            // channels
  EXPECT_EQ(wav[24] | wav[25] << 8 | wav[26] << 16, 44100);         // rate
  EXPECT_EQ(wav[40], 12);                                           // data bytes
  EXPECT_EQ(wav[46], 0xFF);
  EXPECT_EQ(wav[47], 0xFF);                                         // -1
  EXPECT_EQ(wav[50], 0x00);
  EXPECT_EQ(wav[51], 0x80);                                         // -32768
  EXPECT_FALSE(fw_WriteWav(path.string(), 0, 44100, samples));

  // Written again over itself: the new file, whole, and nothing else beside it.
  ASSERT_TRUE(fw_WriteWav(path.string(), 1, 8000, {7}));
  EXPECT_EQ(ReadFile(path.string()).size(), 46u);
  size_t entries = 0;
  for (fs::directory_iterator it(path.parent_path()), end; it != end; ++it)
    entries += it->path().filename().string().find(path.filename().string()) != std::string::npos;
  EXPECT_EQ(entries, 1u) << "a temporary file was left beside " << path;
  fs::remove(path);

  std::string reason;
  EXPECT_FALSE(fw_WriteWav("/nonexistent-dir/soundtrack.wav", 2, 44100, samples, &reason));
  EXPECT_EQ(reason, "No such file or directory");
}

// A disk that fills up mid-file: the writer says so with the system's reason, and neither the
// file nor its temporary is left, so nothing half-written can pass for a soundtrack.
TEST(CaptureFiles, AWavThatDoesNotFitLeavesNothingAndSaysWhy) {
  core_test::SmallTmpfs disk(16);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const std::string path = (disk.path() / "soundtrack.wav").string();
  std::string reason;
  EXPECT_FALSE(fw_WriteWav(path, 2, 44100, std::vector<int16_t>(44100 * 2, 1000), &reason));
  EXPECT_EQ(reason, "No space left on device");
  EXPECT_TRUE(fs::is_empty(disk.path())) << "a partial or temporary file was left";
  // Space enough once more: the same call succeeds.
  ASSERT_TRUE(fw_WriteWav(path, 2, 44100, std::vector<int16_t>(400, 1000), &reason)) << reason;
  EXPECT_EQ(ReadFile(path).size(), 44u + 800u);
}

TEST(CaptureOptions, ParsesValuesAndRejectsBadOnes) {
  fw_CaptureSettings s;
  std::string error;
  EXPECT_EQ(Parse({"--capture", "/tmp/out", "--fps", "30", "--from-row", "64", "--to-row", "128.5", "--frames", "10"},
                  &s, &error),
            10);
  EXPECT_TRUE(error.empty());
  EXPECT_TRUE(s.enabled);
  EXPECT_EQ(s.directory, "/tmp/out");
  EXPECT_EQ(s.fps, 30);
  EXPECT_EQ(s.fromRow, 64.0f);
  EXPECT_EQ(s.toRow, 128.5f);
  EXPECT_EQ(s.frames, 10);
  EXPECT_TRUE(fw_ValidateCaptureSettings(s, false, &error));

  const char* other[] = {"--windowed"};
  EXPECT_EQ(fw_ParseCaptureOption(1, other, 0, &s, &error), 0);

  for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
           {"--fps", "0"}, {"--fps", "abc"}, {"--fps", "60x"}, {"--frames", "-3"}, {"--to-row", "nan"},
           {"--from-row", "-1"}, {"--capture", ""}, {"--frames"}}) {
    fw_CaptureSettings t;
    error.clear();
    Parse(bad, &t, &error);
    EXPECT_FALSE(error.empty()) << bad[0];
  }

  fw_CaptureSettings noCapture;
  noCapture.frames = 3;
  EXPECT_FALSE(fw_ValidateCaptureSettings(noCapture, false, &error));
  fw_CaptureSettings backwards;
  backwards.enabled = true;
  backwards.fromRow = 10;
  backwards.toRow = 5;
  EXPECT_FALSE(fw_ValidateCaptureSettings(backwards, false, &error));
  fw_CaptureSettings plain;
  EXPECT_TRUE(fw_ValidateCaptureSettings(plain, false, &error));

  // --frames-only is a switch: it takes no value, so the option after it is still read.
  fw_CaptureSettings chunk;
  error.clear();
  EXPECT_EQ(Parse({"--frames-only", "--capture", "/tmp/out"}, &chunk, &error), 3);
  EXPECT_TRUE(chunk.framesOnly);
  EXPECT_EQ(chunk.directory, "/tmp/out");
  EXPECT_TRUE(fw_ValidateCaptureSettings(chunk, false, &error));
  fw_CaptureSettings framesOnlyAlone;
  framesOnlyAlone.framesOnly = true;
  EXPECT_FALSE(fw_ValidateCaptureSettings(framesOnlyAlone, false, &error));
  EXPECT_NE(error.find("--frames-only"), std::string::npos) << error;
}

// A video's folder is made as a frame folder is; PNG frames and a video in one run, and the
// PNG-only --frames-only with a video, are refused.
TEST(CaptureOptions, CaptureVideoTakesAFileAndExcludesFrameFolders) {
  struct Case {
    std::vector<const char*> args;
    const char* folder;  // nullptr: refused
  };
  for (const Case& c : {Case{{"--capture-video", "/tmp/v/a.mkv", "--frames", "4"}, "/tmp/v"},
                        Case{{"--capture-video", "a.mkv"}, "."},
                        Case{{"--capture-video", "/a.mkv"}, "/"},
                        Case{{"--capture-video", "/tmp/v/"}, nullptr},
                        Case{{"--capture", "/tmp/f", "--capture-video", "/tmp/v/a.mkv"}, nullptr},
                        Case{{"--capture-video", "/tmp/v/a.mkv", "--capture", "/tmp/f"}, nullptr},
                        Case{{"--capture-video", "/tmp/v/a.mkv", "--frames-only"}, nullptr}}) {
    SCOPED_TRACE(c.args[1]);
    fw_CaptureSettings s;
    std::string error;
    Parse(c.args, &s, &error);
    const bool valid = error.empty() && fw_ValidateCaptureSettings(s, false, &error);
    EXPECT_EQ(valid, c.folder != nullptr) << error;
    if (!c.folder) continue;
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(s.directory, c.folder);
    EXPECT_EQ(s.videoFile, c.args[1]);
  }
}

// Live mode starts at --from-row; it holds the show's end, so a capture under it would never end.
TEST(CaptureOptions, LiveTakesAStartRowAndRefusesCapture) {
  std::string error;
  fw_CaptureSettings start;
  start.fromRow = 700;
  EXPECT_FALSE(fw_ValidateCaptureSettings(start, false, &error));
  error.clear();
  EXPECT_TRUE(fw_ValidateCaptureSettings(start, true, &error)) << error;

  fw_CaptureSettings capture = start;
  capture.enabled = true;
  capture.directory = "/tmp/out";
  capture.frames = 10;
  EXPECT_FALSE(fw_ValidateCaptureSettings(capture, true, &error));
  EXPECT_NE(error.find("--live and --capture"), std::string::npos) << error;

  fw_CaptureSettings frames;
  frames.frames = 10;
  error.clear();
  EXPECT_FALSE(fw_ValidateCaptureSettings(frames, true, &error));
  EXPECT_NE(error.find("--live takes --from-row only"), std::string::npos) << error;
}

TEST(CaptureClock, FramesMapToCounterTicksWithoutDrift) {
  EXPECT_EQ(fw_CaptureCounterTicks(0, 60), 0);
  EXPECT_EQ(fw_CaptureCounterTicks(1, 60), 16666666);
  EXPECT_EQ(fw_CaptureCounterTicks(2, 60), 33333333);
  EXPECT_EQ(fw_CaptureCounterTicks(60, 60), 1000000000);
  EXPECT_EQ(fw_CaptureCounterTicks(6000, 60), 100000000000);
  EXPECT_EQ(fw_CaptureCounterTicks(30, 30), 1000000000);
  EXPECT_EQ(fw_CaptureCounterTicks(7, 0), fw_CaptureCounterTicks(7, 60));  // a bad rate falls back to 60
  // Ten hours at 1000 frames per second: still exact.
  EXPECT_EQ(fw_CaptureCounterTicks(36000000, 1000), 36000000000000);
  for (int64_t n = 1; n < 1000; ++n) {
    const int64_t step = fw_CaptureCounterTicks(n, 60) - fw_CaptureCounterTicks(n - 1, 60);
    ASSERT_TRUE(step == 16666666 || step == 16666667) << n;
  }
  EXPECT_FALSE(fw_CaptureActive());
  fw_CaptureFrame();  // no capture installed: nothing happens
  fw_CaptureFinish();
  EXPECT_EQ(fw_CaptureFramesWritten(), 0);
}
