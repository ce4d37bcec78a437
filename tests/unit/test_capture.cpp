// Capture mode's own parts: the soundtrack file (written whole or not at all), the options, the
// hidden names and the checks of the paths before the first frame, and the clock that maps
// frames to performance-counter ticks.
#include "capture/fw_Capture.h"
#include "capture/fw_CaptureEncoder.h"
#include "capture/fw_CaptureFiles.h"
#include "capture/fw_CaptureNames.h"
#include "capture/fw_CaptureOptions.h"
#include "capture/fw_CapturePaths.h"

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

// The container is the one the name says: Matroska for .mkv, MP4 for .mp4, QuickTime for .mov;
// any other name is refused before anything runs, where it used to get Matroska under it.
TEST(CaptureOptions, AVideoFileGetsTheContainerItsExtensionNamesOrIsRefused) {
  EXPECT_STREQ(fw_CaptureVideoFormat("/tmp/v/a.mkv"), "matroska");
  EXPECT_STREQ(fw_CaptureVideoFormat("a.MKV"), "matroska");
  EXPECT_STREQ(fw_CaptureVideoFormat("x.mp4"), "mp4");
  EXPECT_STREQ(fw_CaptureVideoFormat("take.one.mov"), "mov");
  for (const char* refused : {"x.avi", "x.webm", "x", "x.", "out.d/x", ".mkv/x", "x.mkv.part"}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(fw_CaptureVideoFormat(refused), nullptr);
    fw_CaptureSettings s;
    std::string error;
    Parse({"--capture-video", refused}, &s, &error);
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_FALSE(fw_ValidateCaptureSettings(s, false, &error));
    EXPECT_NE(error.find(".mkv (Matroska), .mp4 or .mov"), std::string::npos) << error;
  }
  EXPECT_EQ(fw_CaptureEncoderCommand(4, 2, 30, "mp4", "/o/x.mp4").back(), "file:/o/x.mp4");
}

// A temporary name adds a dot and a suffix: one that would pass the file system's 255 bytes is cut
// (never inside a character) and marked with a hash, so two long names sharing a start differ.
TEST(CaptureNames, HiddenNamesFitTheFileSystemAndStayApart) {
  EXPECT_EQ(fw_CaptureHiddenName("/a/b/take.mkv", ".part"), "/a/b/.take.mkv.part");
  EXPECT_EQ(fw_CaptureHiddenName("take.mkv", ".part"), ".take.mkv.part");
  const std::string fits(249, 'x');  // ".x…x.part": 255 bytes exactly
  EXPECT_EQ(fw_CaptureHiddenName("/d/" + fits, ".part"), "/d/." + fits + ".part");

  const std::string longA = std::string(246, 'a') + ".mkv", longB = std::string(245, 'a') + "b.mkv";
  const std::string hiddenA = fw_CaptureHiddenName("/d/" + longA, ".part");
  const std::string hiddenB = fw_CaptureHiddenName("/d/" + longB, ".part");
  for (const std::string& hidden : {hiddenA, hiddenB}) {
    EXPECT_EQ(hidden.rfind("/d/.aaaa", 0), 0u) << hidden;
    EXPECT_LE(hidden.size() - 3, fw_kCaptureNameMax) << hidden;
    EXPECT_EQ(hidden.substr(hidden.size() - 5), ".part") << hidden;
  }
  EXPECT_NE(hiddenA, hiddenB);
  EXPECT_EQ(hiddenA, fw_CaptureHiddenName("/d/" + longA, ".part"));  // the same name every run

  // Two-byte characters: the cut falls between them.
  std::string accents;
  while (accents.size() < 250) accents += "\xc3\xa9";
  const std::string hidden = fw_CaptureHiddenName(accents, ".part");
  const size_t mark = hidden.find('~');
  ASSERT_NE(mark, std::string::npos) << hidden;
  EXPECT_EQ((mark - 1) % 2, 0u) << "a character was cut in two";
  EXPECT_LE(hidden.size(), fw_kCaptureNameMax);
}

namespace {
fw_CaptureSettings VideoInto(const std::string& file) {
  fw_CaptureSettings s;
  std::string error;
  Parse({"--capture-video", file.c_str()}, &s, &error);
  return s;
}

fw_CaptureSettings FramesInto(const std::string& folder) {
  fw_CaptureSettings s;
  s.enabled = true;
  s.directory = folder;
  return s;
}
}  // namespace

// Each path a capture cannot write is found before the first frame, with its reason; what can be
// written is made and left as it was found, without a file of the check's.
TEST(CapturePaths, UnwritablePathsAreFoundBeforeTheFirstFrame) {
  const fs::path base = fs::temp_directory_path() / fs::unique_path("core-capture-paths-%%%%%%");
  fs::create_directories(base / "folder.mkv");
  std::ofstream((base / "file").string()) << "x";
  struct Case {
    fw_CaptureSettings settings;
    std::string path, reason;  // path empty: accepted
  };
  const std::string tooLong = (base / (std::string(252, 'n') + ".mkv")).string();
  const std::string longest = (base / (std::string(251, 'n') + ".mkv")).string();
  for (const Case& c : {Case{VideoInto((base / "folder.mkv").string()), (base / "folder.mkv").string(), "it is a folder, not a file"},
                        Case{VideoInto(tooLong), tooLong, "File name too long"},
                        Case{FramesInto((base / "file").string()), (base / "file").string(), "it is a file, not a folder"},
                        Case{FramesInto((base / "file/frames").string()), (base / "file/frames").string(), "Not a directory"},
                        Case{VideoInto(longest), "", ""},
                        Case{VideoInto((base / "new/v.mkv").string()), "", ""},
                        Case{FramesInto((base / "frames").string()), "", ""}}) {
    const std::string target = c.settings.videoFile.empty() ? c.settings.directory : c.settings.videoFile;
    SCOPED_TRACE(target.substr(base.string().size()).substr(0, 40));
    std::string path, reason;
    EXPECT_EQ(fw_PrepareCapturePaths(c.settings, &path, &reason), c.path.empty()) << reason;
    if (c.path.empty()) {
      EXPECT_TRUE(fs::is_directory(c.settings.directory));
      for (fs::directory_iterator it(c.settings.directory), end; it != end; ++it)
        EXPECT_NE(it->path().filename().string()[0], '.') << "the check left " << it->path();
      continue;
    }
    EXPECT_EQ(path, c.path);
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
  fs::remove_all(base);
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
