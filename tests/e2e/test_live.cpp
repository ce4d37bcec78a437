// Live mode in the real program: files saved while the show runs change what it draws (track
// files, track sources, effects), bad ones are named and leave the show running as it was; the
// transport keys move the row the title shows, the show's end holds instead of ending, and
// screenshots of one row keep every picture.
#include "core_prod.h"
#include "process_runner.h"
#include "sync/sync_Track.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <boost/filesystem.hpp>

#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = boost::filesystem;

// Saved as editors do: written beside the file, then renamed over it.
void Save(const fs::path& path, const std::string& text) {
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".swp");
  std::ofstream(temporary.string(), std::ios::binary) << text;
  fs::rename(temporary, path);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double MeanOf(const fs::path& png) {
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(png.string().c_str(), &width, &height, &channels, 3);
  if (!pixels) return -1.0;
  double sum = 0;
  for (size_t i = 0; i < size_t(width) * height * 3; ++i) sum += pixels[i];
  stbi_image_free(pixels);
  return sum / (double(width) * height * 3);
}

fs::path FramePath(const fs::path& dir, int n) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame_%06d.png", n);
  return dir / name;
}

// The production's data (linked) and shaders (copied, so the test may edit them), with a sync
// folder and a track-source folder of the test's own.
class LiveShow : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::StageProduction(mRoot);
    fs::create_directories(mRoot / "tracks");
  }
  void TearDown() override { fs::remove_all(mRoot); }

  // The first frame drawn after whatever was just seen in the log: the frame being drawn when the
  // log line came may be the first one, so wait for the one after it to be complete.
  double MeanOfNextFrame(const fs::path& frames) {
    const size_t next = core_test::FrameNumbers(frames).size();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (core_test::FrameNumbers(frames).size() < next + 2 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::vector<int> numbers = core_test::FrameNumbers(frames);  // numbered in the show
    return next < numbers.size() ? MeanOf(FramePath(frames, numbers[next])) : -1.0;
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("live-show-%%%%%%");
};

// The title, polled until it contains the text.
bool TitleShows(const std::string& window, const std::string& text, std::string* title) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    *title = RunCommand("xdotool getwindowname " + window);
    if (title->find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace

TEST_F(LiveShow, SavedTracksSourcesAndEffectsChangeTheShowAndBadOnesAreNamed) {
  const fs::path frames = mRoot / "frames";
  RunningProcess dusk(std::string(DUSK_BIN_DIR) + "/dusk",
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale", "0.25",
                       "--live", "--capture", frames.string(), "--from-row", "800", "--frames", "1000"},
                      mRoot.string());
  ASSERT_TRUE(dusk.waitForOutput("Live mode: watching", 120.0)) << dusk.output();
  // Every written frame is drawn; the first one read the tracks.
  while (core_test::CountFrames(frames) < 1 && dusk.running()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GT(MeanOfNextFrame(frames), 25.0) << "a lit picture to begin with";

  // A track file: the fade goes to black.
  Save(mRoot / "data/sync/sync_Post_Fade.track", std::string("\x01\0\0\0\0\0\0\0\0\0\0\0\0", 13));
  ASSERT_TRUE(dusk.waitForOutput("Track Post_Fade reloaded", 60.0)) << dusk.output();
  EXPECT_LT(MeanOfNextFrame(frames), 3.0);

  // A track source: compiled, taken, and its track file written for the next start.
  Save(mRoot / "tracks/post.txt", "track Post_Fade\n0 100 step\n");
  ASSERT_TRUE(dusk.waitForOutput("post.txt: 1 tracks compiled.", 60.0)) << dusk.output();
  EXPECT_GT(MeanOfNextFrame(frames), 25.0);
  sync::Track written;
  ASSERT_TRUE(written.load((mRoot / "data/sync/sync_Post_Fade.track").string()));
  EXPECT_EQ(written.getValue(0.0f), 100.0f);

  // A source with an error changes nothing and says where.
  Save(mRoot / "tracks/post.txt", "track Post_Fade\n0 zero\n");
  ASSERT_TRUE(dusk.waitForOutput("tracks/post.txt:2: ", 60.0)) << dusk.output();
  EXPECT_GT(MeanOfNextFrame(frames), 25.0);

  // An effect that does not compile: named with its line, the old one keeps drawing.
  const fs::path quads = mRoot / "src/shaders/mosaicQuads.fx";
  const std::string original = ReadAll(quads);
  const std::string line = "    return color;";  // the end of every pass's tile colour
  ASSERT_NE(original.find(line), std::string::npos);
  std::string broken = original, black = original;
  broken.replace(broken.find(line), line.size(), "    return noSuchValue;");
  black.replace(black.find(line), line.size(), "    return vec4(0.0, 0.0, 0.0, 1.0);");
  Save(quads, broken);
  ASSERT_TRUE(dusk.waitForOutput("did not build", 60.0)) << dusk.output();
  EXPECT_TRUE(std::regex_search(dusk.output(), std::regex("mosaicQuads\\.fx:[0-9]+: error"))) << dusk.output();
  std::string title;
  EXPECT_TRUE(TitleShows(FindXWindow("amber over the hills.*", 10.0, dusk.pid()), "noSuchValue", &title)) << title;
  EXPECT_GT(MeanOfNextFrame(frames), 25.0);
  EXPECT_TRUE(dusk.running());

  // Fixed, it is taken, and draws with the values its variables were given before: the mosaic's
  // tiles, which make the whole picture here, now come out black.
  Save(quads, black);
  ASSERT_TRUE(dusk.waitForOutput("mosaicQuads.fx> reloaded.", 60.0)) << dusk.output();
  EXPECT_LT(MeanOfNextFrame(frames), 3.0);
  EXPECT_TRUE(dusk.running());
}

TEST(LiveKeys, TheShowHoldsAtItsEndAndKeysMoveTheRowTheTitleShows) {
  core_test::TestProduction prod;
  fs::copy_file(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/data/eventide_palekestrel3.sections",
                prod.root / "data/eventide_palekestrel3.sections");
  ASSERT_TRUE(prod.WriteTrack("GotoRow", {{0, -1.0f, 0}, {12, 0.0f, 0}}));  // the end, 0.7 s in
  RunningProcess dusk(DuskBinary(),
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale", "0.25",
                       "--live"},
                      prod.root.string());
  const std::string window = FindXWindow("amber over the hills.*", 60.0, dusk.pid());
  ASSERT_FALSE(window.empty()) << dusk.output();
  std::string title;

  // Held on the end's row, not ended.
  EXPECT_TRUE(TitleShows(window, "amber over the hills \xc2\xb7 row 12 \xc2\xb7 bar 1.2 \xc2\xb7 intro \xc2\xb7 ", &title))
      << title;
  EXPECT_TRUE(TitleShows(window, " fps \xc2\xb7 paused", &title)) << title;
  EXPECT_TRUE(dusk.running());

  struct Step {
    const char* key;
    const char* shows;
  };
  for (const Step& step : {Step{"Next", "row 256 \xc2\xb7 bar 9.1 \xc2\xb7 build"}, Step{"Right", "row 264 "},
                           Step{"shift+Right", "row 296 \xc2\xb7 bar 10.2 "}, Step{"Left", "row 288 "},
                           Step{"Prior", "row 256 "}, Step{"Prior", "row 0 "}, Step{"Next", "row 256 "},
                           Step{"Home", "row 0 \xc2\xb7 bar 1.1"}}) {
    ASSERT_TRUE(XKey(window, step.key));
    EXPECT_TRUE(TitleShows(window, step.shows, &title)) << step.key << ": " << title;
  }
  // Space plays from row 0 up to the end again, where it holds.
  ASSERT_TRUE(XKey(window, "space"));
  EXPECT_TRUE(TitleShows(window, "row 12 ", &title)) << title;
  EXPECT_TRUE(TitleShows(window, "paused", &title)) << title;

  // Two shots of the held row keep both pictures.
  const fs::path shots = prod.root / "data/screenshots";
  ASSERT_TRUE(XKey(window, "F12"));
  ASSERT_TRUE(dusk.waitForOutput("row_00012.png> written.", 30.0)) << dusk.output();
  ASSERT_TRUE(XKey(window, "F12"));
  ASSERT_TRUE(dusk.waitForOutput("row_00012_2.png> written.", 30.0)) << dusk.output();
  EXPECT_GT(fs::file_size(shots / "row_00012.png"), 0u);
  EXPECT_GT(fs::file_size(shots / "row_00012_2.png"), 0u);

  ASSERT_TRUE(XKey(window, "Escape"));
  const ProcessResult result = dusk.wait(30.0);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("held at row 12"), std::string::npos) << result.output;
}
