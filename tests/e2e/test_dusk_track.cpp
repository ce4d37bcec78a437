// The track tool end to end: compile sources to .track files (bytes checked), dump them back to
// text that compiles to the same bytes, sample with the program's sampling code, plot to PNG,
// and refuse bad sources with messages naming file and line.
#include "process_runner.h"
#include "sync/sync_Track.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class DuskTrack : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("dusk_track_e2e_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_TRUE(fs::exists(tool())) << "build the dusk-track target first";
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::string tool() { return DUSK_BIN_DIR "/dusk-track"; }
  ProcessResult run(const std::vector<std::string>& args) {
    RunningProcess p(tool(), args, dir.string());
    return p.wait(30.0);
  }
  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  static std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  fs::path dir;
};

const char* kSource =
    "# a camera move\n"
    "track cam_Yaw\n"
    "0    0     linear\n"
    "64   90.5  smooth  # ease in\n"
    "128  180   catmull\n"
    "160  200\n"
    "192  -0.1  ramp\n"
    "\n"
    "track Scene\n"
    "16 1 step\n"
    "0  0 200\n";

}  // namespace

TEST_F(DuskTrack, CompileWritesOneFilePerTrackInTheFileFormat) {
  const auto r = run({"compile", write("show.txt", kSource), "-o", "out"});
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("wrote 2 tracks"));
  const std::string scene = bytesOf(dir / "out" / "sync_Scene.track");
  // count 2; row 0, 0.0f, kind 200; row 16, 1.0f (0x3F800000), kind 0 — sorted by row.
  const std::string expected("\x02\x00\x00\x00"
                             "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\xC8"
                             "\x10\x00\x00\x00" "\x00\x00\x80\x3F" "\x00",
                             4 + 9 * 2);
  EXPECT_EQ(expected, scene);
  EXPECT_EQ(4u + 9u * 5u, fs::file_size(dir / "out" / "sync_cam_Yaw.track"));

  const auto prefixed = run({"compile", write("one.txt", "track GotoRow\n0 -1\n"), "-o", "o2", "--prefix", "demo"});
  ASSERT_EQ(0, prefixed.exitCode) << prefixed.output;
  EXPECT_TRUE(fs::exists(dir / "o2" / "demo_GotoRow.track"));
}

TEST_F(DuskTrack, DumpPrintsSourceThatCompilesToTheSameBytes) {
  ASSERT_EQ(0, run({"compile", write("show.txt", kSource), "-o", "a"}).exitCode);
  const auto dumped = run({"dump", "a/sync_cam_Yaw.track"});
  ASSERT_EQ(0, dumped.exitCode) << dumped.output;
  EXPECT_NE(std::string::npos, dumped.output.find("track cam_Yaw\n"));
  EXPECT_NE(std::string::npos, dumped.output.find("-0.100000001"));  // the float's exact value
  EXPECT_NE(std::string::npos, dumped.output.find("catmull"));

  const auto again = run({"compile", write("dumped.txt", dumped.output), "-o", "b"});
  ASSERT_EQ(0, again.exitCode) << again.output;
  EXPECT_EQ(bytesOf(dir / "a" / "sync_cam_Yaw.track"), bytesOf(dir / "b" / "sync_cam_Yaw.track"));
}

TEST_F(DuskTrack, DumpWarnsAboutShortFilesAndRepeatedRows) {
  // Count 3, records for rows 5 and 5 again, then half a record.
  std::string bytes("\x03\x00\x00\x00", 4);
  bytes += std::string("\x05\x00\x00\x00\x00\x00\x80\x3F\x01", 9);
  bytes += std::string("\x05\x00\x00\x00\x00\x00\x00\x40\x00", 9);
  bytes += std::string("\x07\x00\x00", 3);
  write("sync_Broken.track", bytes);
  const auto r = run({"dump", "sync_Broken.track"});
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("count says 3 records but the file holds 2")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("last record for a row wins")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("track Broken\n5          2")) << r.output;

  EXPECT_NE(0, run({"dump", "missing.track"}).exitCode);
}

TEST_F(DuskTrack, SampleUsesTheProgramsSamplingCode) {
  ASSERT_EQ(0, run({"compile", write("show.txt", kSource), "-o", "out"}).exitCode);
  // Hand-worked values: linear half-way, smooth half-way, negative row = last key, past the end.
  const auto r = run({"sample", "out/sync_cam_Yaw.track", "32", "96", "-0.5", "1000", "0"});
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_EQ((std::vector<std::string>{"45.25", "135.25", "-0.100000001", "-0.100000001", "0"}), lines(r.output));

  // Many awkward rows, against the library in this process.
  sync::Track track;
  ASSERT_TRUE(track.load((dir / "out" / "sync_cam_Yaw.track").string()));
  std::vector<std::string> args = {"sample", "out/sync_cam_Yaw.track"};
  std::vector<std::string> expected;
  for (int i = 0; i < 120; ++i) {
    const float row = -3.0f + i * 1.7317f;
    char text[64];
    std::snprintf(text, sizeof(text), "%.9g", static_cast<double>(row));
    args.push_back(text);
    std::snprintf(text, sizeof(text), "%.9g", static_cast<double>(track.getValue(std::strtof(args.back().c_str(), nullptr))));
    expected.push_back(text);
  }
  const auto many = run(args);
  ASSERT_EQ(0, many.exitCode) << many.output;
  EXPECT_EQ(expected, lines(many.output));

  EXPECT_EQ(1, run({"sample", "out/sync_cam_Yaw.track", "12x"}).exitCode);
  const auto empty = run({"sample", "nothing.track", "1"});
  EXPECT_EQ(1, empty.exitCode);
  EXPECT_NE(std::string::npos, empty.output.find("cannot open nothing.track"));
}

TEST_F(DuskTrack, PlotDrawsTheCurveThroughTheRightPixels) {
  ASSERT_EQ(0, run({"compile", write("ramp.txt", "track Fade\n0 0 linear\n100 10\n"), "-o", "out"}).exitCode);
  const auto r = run({"plot", "out/sync_Fade.track", "fade.png", "--from", "0", "--to", "100", "--size", "201x101"});
  ASSERT_EQ(0, r.exitCode) << r.output;
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load((dir / "fade.png").string().c_str(), &w, &h, &n, 3);
  ASSERT_NE(nullptr, pixels);
  EXPECT_EQ(201, w);
  EXPECT_EQ(101, h);
  auto at = [&](int x, int y) { const unsigned char* p = pixels + (y * w + x) * 3; return (p[0] << 16) | (p[1] << 8) | p[2]; };
  // Row 50 is column 100 and value 5 the middle of the padded value range: the curve is there.
  EXPECT_EQ(0xFFB040, at(100, 50));
  EXPECT_NE(0xFFB040, at(100, 20));
  EXPECT_NE(0xFFB040, at(100, 80));
  EXPECT_EQ(0x5AC8FF, at(0, 93));  // the first key's marker, value 0 near the bottom
  stbi_image_free(pixels);

  EXPECT_EQ(1, run({"plot", "out/sync_Fade.track", "x.png", "--from", "10", "--to", "5"}).exitCode);
  EXPECT_EQ(1, run({"plot", "out/sync_Fade.track", "x.png", "--size", "3x3"}).exitCode);
}

TEST_F(DuskTrack, BadSourcesNameFileAndLineAndWriteNothing) {
  const std::string bad = write("bad.txt",
                                "5 1\n"
                                "track ok\n"
                                "1 x\n"
                                "2 3 wobbly\n"
                                "-4 1\n"
                                "7 1\n"
                                "7 2\n"
                                "track bad/name\n"
                                "8 inf\n");
  const auto r = run({"compile", bad, "-o", "out"});
  EXPECT_EQ(1, r.exitCode);
  for (const char* message : {"bad.txt:1: a key before any", "bad.txt:3: bad value 'x'", "bad.txt:4: bad kind 'wobbly'",
                              "bad.txt:5: bad row '-4'", "bad.txt:7: row 7 already has a key in track ok (line 6)",
                              "bad.txt:8: bad track name", "bad.txt:9: bad value 'inf'", "nothing written"})
    EXPECT_NE(std::string::npos, r.output.find(message)) << message << "\n" << r.output;
  EXPECT_FALSE(fs::exists(dir / "out"));

  const auto twice = run({"compile", write("a.txt", "track T\n0 1\n"), write("b.txt", "track T\n0 2\n"), "-o", "out"});
  EXPECT_EQ(1, twice.exitCode);
  EXPECT_NE(std::string::npos, twice.output.find("track T is already defined at")) << twice.output;
  EXPECT_EQ(2, run({"frobnicate"}).exitCode);
}
