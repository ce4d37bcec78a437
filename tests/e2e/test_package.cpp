// The framework as an installed package, the way a show maker meets it: installed into a prefix
// of its own (every component, as most people type it, or the dev component alone), a starter
// production written by dusk-new in a folder outside the repository, built against that prefix
// alone with the command dusk-new prints, then captured (frames lit, the disc where its track
// puts it) and played live (a saved track edit moves the disc at once).
#include "process_runner.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <boost/filesystem.hpp>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = boost::filesystem;

constexpr float kRowRate = 17.333334f;

// A shell word for a path.
std::string Quote(const fs::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a command with its errors in the output, for a failure's message (inside a group:
// RunCommand drops the errors of what it runs).
std::string Shell(const std::string& command, int* exitCode) {
  return RunCommand("{ { " + command + "\n} 2>&1; }", exitCode);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What a frame shows: its mean brightness and spread, and the disc's centre across it (the mean
// column of the pixels bright in blue, which only the disc is), -1 without such pixels.
struct Picture {
  int width = 0;
  double mean = -1.0, spread = 0.0, discX = -1.0;
};

Picture Look(const fs::path& png) {
  Picture p;
  int height = 0, channels = 0;
  unsigned char* pixels = stbi_load(png.string().c_str(), &p.width, &height, &channels, 3);
  if (!pixels) return p;
  const size_t count = size_t(p.width) * height;
  double sum = 0, squares = 0, columns = 0, bright = 0;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* px = pixels + 3 * i;
    const double luma = (px[0] + px[1] + px[2]) / 3.0;
    sum += luma;
    squares += luma * luma;
    if (px[2] > 170) {
      columns += double(i % p.width) + 0.5;
      bright += 1;
    }
  }
  stbi_image_free(pixels);
  p.mean = sum / count;
  p.spread = std::sqrt(std::max(0.0, squares / count - p.mean * p.mean));
  p.discX = bright > 0 ? columns / bright : -1.0;
  return p;
}

// Where the starter's effect puts the disc's centre for a shapeX value: -1 is the left edge.
double ColumnOf(double shapeX, int width) { return (shapeX + 1.0) * 0.5 * width; }

class Package : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(mRoot); }

  // Installs the package: the dev component alone, or every component (empty).
  void Install(const std::string& component) {
    int status = -1;
    const std::string out = Shell("cmake --install " + Quote(DUSK_BINARY_DIR) + " --prefix " + Quote(mPrefix) +
                                      (component.empty() ? "" : " --component " + component),
                                  &status);
    ASSERT_EQ(status, 0) << out;
  }

  // Installs the package and writes the starter; dusk-new's last line, the command it prints.
  std::string WriteShow(const std::string& component = "dev") {
    [&] { ASSERT_NO_FATAL_FAILURE(Install(component)); }();
    if (HasFatalFailure()) return "";
    int status = -1;
    const std::string out = Shell(Quote(mPrefix / "bin/dusk-new") + " " + Quote(mShow) + " --title 'Test Show'", &status);
    EXPECT_EQ(status, 0) << out;
    const size_t next = out.rfind("\n  cd ");
    return status == 0 && next != std::string::npos ? out.substr(next + 3) : "";
  }

  // ... from an install of every component, and builds it against the prefix alone with the
  // command dusk-new printed, but for playing the show at its end.
  void MakeShow() {
    const auto start = std::chrono::steady_clock::now();
    std::string next = WriteShow("");
    ASSERT_FALSE(HasFatalFailure());
    const std::string play = " && ./build/test_show\n";
    ASSERT_TRUE(next.size() > play.size() && next.substr(next.size() - play.size()) == play) << next;
    next.resize(next.size() - play.size());
    int status = -1;
    // A clean environment of the build: nothing of this tree's configuration reaches it, and the
    // printed command must name the prefix itself.
    const std::string out = Shell("env -u CMAKE_PREFIX_PATH bash -c " + Quote(next + " -j2"), &status);
    ASSERT_EQ(status, 0) << next << "\n" << out;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("install, dusk-new and the build against the package: %.1f s\n", seconds);
    ASSERT_TRUE(fs::exists(mProgram)) << out;
  }

  // The value the compiled track gives at a row, through the installed track tool.
  float Sample(const std::string& track, float row) {
    int status = -1;
    char rowText[32];
    std::snprintf(rowText, sizeof(rowText), "%.6f", row);
    const std::string out = Shell(Quote(mPrefix / "bin/dusk-track") + " sample " +
                                    Quote(mShow / ("data/sync/sync_" + track + ".track")) + " " + rowText,
                                &status);
    EXPECT_EQ(status, 0) << out;
    return status == 0 ? std::stof(out) : NAN;
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("dusk-package-%%%%%%");
  fs::path mPrefix = mRoot / "prefix";
  fs::path mShow = mRoot / "test_show";
  fs::path mProgram = mShow / "build/test_show";
};

}  // namespace

TEST_F(Package, InstalledHeadersStandOnTheirOwnAndKeepTheInsidesOut) {
  int status = -1;
  const std::string out = Shell("cmake --install " + Quote(DUSK_BINARY_DIR) + " --prefix " + Quote(mPrefix) +
                                  " --component dev",
                              &status);
  ASSERT_EQ(status, 0) << out;
  // One file including every public header, compiled against the prefix alone: a public header
  // that needs a private one fails here.
  std::string all;
  int headers = 0;
  for (fs::recursive_directory_iterator it(mPrefix / "include/dusk"), end; it != end; ++it) {
    if (it->path().extension() != ".h") continue;
    all += "#include \"" + it->path().string() + "\"\n";
    ++headers;
  }
  EXPECT_GE(headers, 40);
  std::ofstream(mRoot.string() + "/all.cpp") << all;
  const std::string compiled =
      Shell("g++ -std=c++20 -fsyntax-only -I" + Quote(mPrefix / "include/dusk") + " -I" +
              Quote(mPrefix / "include/dusk/testing") + " " + Quote(mRoot / "all.cpp"),
          &status);
  EXPECT_EQ(status, 0) << compiled;
  // The framework's insides stay in its build.
  for (const char* inside : {"capture/fw_Capture.h", "frame/fw_FrameTick.h", "live/fw_LiveReload.h", "audio/fw_BassBinding.h"})
    EXPECT_FALSE(fs::exists(mPrefix / "include/dusk" / inside)) << inside;
  for (const char* needed : {"lib/cmake/dusk/duskConfig.cmake", "share/dusk/shaders/fw_PostEffects.fxo",
                             "lib/dusk/libbass.so", "bin/dusk-effect", "bin/dusk-synth"})
    EXPECT_TRUE(fs::exists(mPrefix / needed)) << needed;
}

// dusk-new names the program after its folder; a name CMake keeps for its own targets made a
// starter that failed to configure. Refused, with the reason, and nothing written.
TEST_F(Package, DuskNewRefusesANameCMakeReserves) {
  ASSERT_NO_FATAL_FAILURE(Install("dev"));
  for (const char* name : {"test", "all", "install", "help", "package"}) {
    int status = -1;
    const std::string out = Shell(Quote(mPrefix / "bin/dusk-new") + " " + Quote(mRoot / name), &status);
    EXPECT_EQ(status, 2) << name << ": " << out;
    EXPECT_NE(out.find(std::string("makes the program \"") + name + "\", a target name CMake reserves"),
              std::string::npos)
        << out;
    EXPECT_FALSE(fs::exists(mRoot / name)) << name;
  }
  // A title the dialog, the window and the page could not show.
  int status = -1;
  const std::string out =
      Shell(Quote(mPrefix / "bin/dusk-new") + " " + Quote(mRoot / "latin") + " --title \"$(printf 'caf\\351')\"", &status);
  EXPECT_EQ(status, 2) << out;
  EXPECT_NE(out.find("the title is not UTF-8 text"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(mRoot / "latin"));
}

// The guide quotes the starter: each of its code blocks (commands aside) is in a file dusk-new
// writes, word for word, so the guide cannot drift from the code it explains. The starter comes
// out of the dev component alone here, and out of an install of every component in the build test.
TEST_F(Package, TheGuidesCodeIsTheStartersCode) {
  ASSERT_NO_FATAL_FAILURE(WriteShow());
  std::string starter;
  for (fs::recursive_directory_iterator it(mShow), end; it != end; ++it)
    if (fs::is_regular_file(it->path()) && fs::file_size(it->path()) < 100000) starter += ReadAll(it->path()) + "\n";
  const std::string guide = ReadAll(fs::path(DUSK_SOURCE_DIR) / "docs/framework.md");
  const std::regex block("```([a-z]*)\n([\\s\\S]*?)```");
  int checked = 0;
  for (std::sregex_iterator it(guide.begin(), guide.end(), block), stop; it != stop; ++it) {
    if ((*it)[1] == "sh") continue;
    EXPECT_NE(starter.find((*it)[2].str()), std::string::npos) << "not in the starter:\n" << (*it)[2];
    ++checked;
  }
  EXPECT_GE(checked, 10);
}

TEST_F(Package, ANewShowBuildsAgainstThePackageCapturesWhatItsTracksSayAndTakesALiveEdit) {
  ASSERT_NO_FATAL_FAILURE(MakeShow());

  // The starter's own test of its scene on the recording device, built with the show.
  int tested = -1;
  const std::string tests = Shell("cd " + Quote(mShow) + " && env -u DISPLAY ctest --test-dir build --output-on-failure",
                                  &tested);
  ASSERT_EQ(tested, 0) << tests;
  EXPECT_NE(tests.find("100% tests passed, 0 tests failed out of 1"), std::string::npos) << tests;

  // The framework's start-up under the show's own name: outside git its version is "unknown";
  // committed, the next build reads it from the show's git.
  int status = -1;
  EXPECT_EQ(Shell(Quote(mProgram) + " --version", &status), "test_show unknown\n");
  const std::string usage = Shell("(" + Quote(mProgram) + " --frobnicate 2>&1)", &status);  // the usage is on stderr
  EXPECT_EQ(status, 2) << usage;
  EXPECT_EQ(usage.rfind("test_show: unknown option \"--frobnicate\"\nusage: test_show [--no-dialog]", 0), 0u) << usage;
  EXPECT_NE(usage.find("[--live [--from-row R] [--editor [PORT]]]"), std::string::npos) << usage;
  std::string out = Shell("cd " + Quote(mShow) + " && git init -q && git add -A && " +
                              "git -c user.name=t -c user.email=t@t commit -qm show && git tag v1.0 && " +
                              "cmake --build build -j2",
                          &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(Shell(Quote(mProgram) + " --version", &status), "test_show v1.0\n");

  // Three frames, one a second from 3 s (rows 52, 69, 87): the disc travels right with shapeX.
  ProcessResult capture =
      RunningProcess(mProgram.string(),
                     {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--render-scale", "0.25", "--capture",
                      (mRoot / "frames").string(), "--fps", "1", "--from-row", "40", "--frames", "3", "--frames-only"},
                     mShow.string())
          .wait(600.0);
  ASSERT_EQ(capture.exitCode, 0) << capture.output;
  double previous = -1.0;
  for (int frame = 3; frame <= 5; ++frame) {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06d.png", frame);
    const Picture picture = Look(mRoot / "frames" / name);
    ASSERT_GT(picture.width, 0) << name << "\n" << capture.output;
    EXPECT_GT(picture.mean, 15.0) << name;
    EXPECT_GT(picture.spread, 10.0) << name << ": a gradient and a disc, not a flat fill";
    const float shapeX = Sample("shapeX", float(frame) * kRowRate);
    EXPECT_NEAR(picture.discX, ColumnOf(shapeX, picture.width), 0.03 * picture.width) << name << ", shapeX " << shapeX;
    EXPECT_GT(picture.discX, previous + 1.0) << name;
    previous = picture.discX;
  }

  // The video script renders the show's first second from its folder with its program.
  const fs::path video = mRoot / "video/show.mp4";
  out = Shell("env -u DISPLAY " + Quote(fs::path(DUSK_SOURCE_DIR) / "scripts/video") + " " + Quote(video) +
                  " --project " + Quote(mShow) + " --program " + Quote(mProgram) +
                  " --render-scale 0.25 --jobs 1 --to-row 18",
              &status);
  ASSERT_EQ(status, 0) << out;
  out = Shell("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quote(video), &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NEAR(std::stod(out), 1.0, 0.1) << out;

  // Played, the show ends by itself on its GotoRow key (row 383, 22 seconds in).
  const ProcessResult played =
      RunningProcess(mProgram.string(), {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo",
                                         "--render-scale", "0.25"},
                     mShow.string())
          .wait(300.0);
  EXPECT_EQ(played.exitCode, 0) << played.output;
  EXPECT_NE(played.output.find("the show has ended."), std::string::npos) << played.output;

  // Live: held at a row, a saved edit of the track source moves the disc where the edit says.
  RunningProcess show(mProgram.string(),
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale", "0.25",
                       "--live", "--from-row", "60"},
                      mShow.string());
  ASSERT_TRUE(show.waitForOutput("Live mode: starting at row 60.", 180.0)) << show.output();
  const std::string window = FindXWindow("Test Show.*", 120.0, show.pid());
  ASSERT_FALSE(window.empty()) << show.output();
  ASSERT_TRUE(XKey(window, "space"));
  std::string title;
  ASSERT_TRUE(WaitForXWindowName(window, "paused", 30, &title)) << title;

  auto nextShot = [&](int number) {
    const std::string shot = number == 1 ? "written." : "_2.png> written.";
    EXPECT_TRUE(XKey(window, "F12"));
    EXPECT_TRUE(show.waitForOutput(shot, 120.0)) << show.output();
    const std::string out = show.output();
    std::string last;
    static const std::regex written("Screenshot <([^>]*)> written\\.");
    for (std::sregex_iterator it(out.begin(), out.end(), written), stop; it != stop; ++it)
      last = (*it)[1];
    return Look(last);
  };
  const Picture before = nextShot(1);
  ASSERT_GT(before.width, 0) << show.output();

  const fs::path source = mShow / "tracks/show.txt";
  std::string text = ReadAll(source);
  const std::regex track("track shapeX[^\n]*\n([^\n]+\n)*");
  ASSERT_TRUE(std::regex_search(text, track)) << text;
  text = std::regex_replace(text, track, "track shapeX\n0 0.7 step\n");
  const fs::path temporary = mShow / "tracks/.show.txt.swp";
  std::ofstream(temporary.string(), std::ios::binary) << text;
  fs::rename(temporary, source);
  ASSERT_TRUE(show.waitForOutput("show.txt: ", 60.0)) << show.output();
  ASSERT_TRUE(show.waitForOutput(" tracks compiled", 60.0)) << show.output();
  EXPECT_NEAR(Sample("shapeX", 60.0f), 0.7f, 1e-6f) << "the edit is written for the next start";

  const Picture after = nextShot(2);
  EXPECT_GT(before.discX, 0.0) << "a disc to begin with; the shot's mean " << before.mean << ", spread "
                               << before.spread << "\n" << show.output();
  EXPECT_NEAR(after.discX, ColumnOf(0.7, after.width), 0.03 * after.width);
  EXPECT_GT(after.discX, before.discX + 0.2 * after.width);

  ASSERT_TRUE(XKey(window, "Escape"));
  const ProcessResult ended = show.wait(60.0);
  EXPECT_EQ(ended.exitCode, 0) << ended.output;
}
